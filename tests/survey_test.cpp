// The site survey: the row parser on its own, then scanChannel against
// survey tables laid out the way the driver prints them.
#include <optional>
#include <string>
#include <vector>

#include "survey/survey.h"
#include "tests/fake_platform.h"

namespace {

constexpr const char* kTrigger = "iwpriv ra0 set SiteSurvey=1";
constexpr const char* kRead = "iwpriv ra0 get_site_survey";

// One access point as the driver prints it, each field at its column.
struct Ap {
    std::string channel = "6";
    std::string ssidLen = "";  // empty: the SSID's own length
    std::string ssid = "";
    std::string bssid = "00:11:22:33:44:55";
    std::string security = "WPA2PSK/AES";
    std::string signal = "81";
    std::string mode = "11b/g/n";
    std::string extCh = "ABOVE";
    std::string type = "In";
    std::string extra = "YES";
};

void put(std::string& line, std::size_t column, const std::string& text) {
    if (line.size() < column + text.size()) line.resize(column + text.size(), ' ');
    line.replace(column, text.size(), text);
}

std::string row(const Ap& ap) {
    std::string line(113, ' ');
    put(line, 0, ap.channel);
    put(line, 4, ap.ssidLen.empty() ? std::to_string(ap.ssid.size()) : ap.ssidLen);
    put(line, 7, ap.ssid);
    put(line, 40, ap.bssid);
    put(line, 60, ap.security);
    put(line, 83, ap.signal);
    put(line, 92, ap.mode);
    put(line, 100, ap.extCh);
    put(line, 107, ap.type);
    put(line, 110, ap.extra);
    return line + "\n";
}

std::string heading() {
    std::string titles(113, ' ');
    put(titles, 0, "Ch");
    put(titles, 4, "SSID");
    put(titles, 40, "BSSID");
    put(titles, 60, "Security");
    put(titles, 83, "Signal(%)");
    put(titles, 92, "W-Mode");
    put(titles, 100, "ExtCH");
    put(titles, 107, "NT");
    put(titles, 110, "Ext");
    return "ra0       get_site_survey:\n" + titles + "\n";
}

std::string table(const std::vector<Ap>& aps) {
    std::string text = heading();
    for (const Ap& ap : aps) text += row(ap);
    return text + "\n";
}

SurveyEntry parsed(const std::string& line, RowResult expected = RowResult::Parsed) {
    SurveyEntry entry;
    EXPECT_EQ(parse_survey_row(line, entry), expected) << line;
    return entry;
}

// --- the row parser ------------------------------------------------------------

TEST(SurveyRow, TakesEachFieldAtItsColumnAsPrinted) {
    SurveyEntry e = parsed(row({.channel = "149", .ssid = "my net", .bssid = "00:1a:2b:3c:4d:5e",
                                .security = "WPA1PSKWPA2PSK/TKIPAES", .signal = "100",
                                .mode = "11a/n", .extCh = "NONE", .type = "In", .extra = "NO"}));
    EXPECT_EQ(e.channel, 149);
    EXPECT_EQ(e.ssidLen, 6);
    EXPECT_EQ(e.ssid.view(), "my net");  // the blank inside kept, the ones after not
    EXPECT_EQ(e.bssid.view(), "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(e.security.view(), "WPA1PSKWPA2PSK/TKIPAES");
    EXPECT_EQ(e.signal, 100);
    EXPECT_EQ(e.wirelessMode.view(), "11a/n  ");
    EXPECT_EQ(e.extCh.view(), "NONE ");  // the padding blank is the fifth character
    EXPECT_EQ(e.networkType.view(), "In");
    EXPECT_EQ(e.extra.view(), "NO ");
    EXPECT_EQ(e.next, nullptr);

    EXPECT_EQ(parsed(row({.channel = "1", .ssid = "x"})).channel, 1);
    EXPECT_EQ(parsed(row({.security = "NONE"})).security.view(), "NONE                  ");
    EXPECT_EQ(parsed(row({.ssidLen = "0", .ssid = "text in the SSID columns"})).ssid.view(), "");
    std::string longest(32, 'S');
    EXPECT_EQ(parsed(row({.ssid = longest})).ssid.view(), longest);
}

TEST(SurveyRow, NormalisesTheSecurityColumn) {
    struct Case {
        std::string security, authMode, encrypType;
    };
    const Case cases[] = {
        {"NONE", "OPEN", "NONE"},
        {"WEP", "OPEN", "WEP"},
        {"WEP/TKIPAES", "OPEN", "WEP"},
        {"NONE/AES", "OPEN", "NONE"},
        {"WPAPSK/TKIP", "WPAPSK", "TKIP"},
        {"WPAPSK/AES", "WPAPSK", "AES"},
        {"WPAPSK/TKIPAES", "WPAPSK", "TKIP/AES"},
        {"WPA2PSK/AES", "WPA2PSK", "AES"},
        {"WPA2PSK/TKIP", "WPA2PSK", "TKIP"},
        {"WPA2PSK/TKIPAES", "WPA2PSK", "TKIP/AES"},
        {"WPA2PSK/AESTKIP", "WPA2PSK", "TKIP/AES"},
        {"WPA2PSK/", "WPA2PSK", ""},
        {"WPA2PSK/NONE", "WPA2PSK", ""},
        {"WPA1PSKWPA2PSK/TKIPAES", "WPA-PSK/WPA2-PSK", "TKIP/AES"},
        {"WPA1PSKWPA2PSK/TKIP", "WPA-PSK/WPA2-PSK", "TKIP"},
        {"WPA1PSKWPA2PSK/AES", "WPA-PSK/WPA2-PSK", "AES"},
        // Only the column's 22 characters are searched: "AES" cut to "AE".
        {"WPA2PSK/TKIP      AES", "WPA2PSK", "TKIP/AES"},
        {"WPA2PSK/TKIP       AES", "WPA2PSK", "TKIP/AES"},
        {"WPA2PSK/TKIP        AES", "WPA2PSK", "TKIP"},
        {"WPA2/AES", "NotSupport", ""},
        {"OPEN", "NotSupport", ""},
        {"WPAPSK", "NotSupport", ""},
        {"WPA1PSKWPA2PSK", "NotSupport", ""},
        {"wpa2psk/aes", "NotSupport", ""},
        {"WPA2-PSK/AES", "NotSupport", ""},
        {"", "NotSupport", ""},
    };
    for (const Case& c : cases) {
        SurveyEntry e = parsed(row({.security = c.security}));
        EXPECT_EQ(e.authMode.view(), c.authMode) << c.security;
        EXPECT_EQ(e.encrypType.view(), c.encrypType) << c.security;
    }
}

TEST(SurveyRow, SkipsShortDropsAdHocAndRejectsMalformedRows) {
    struct Case {
        std::string line;
        RowResult result;
    };
    const Case cases[] = {
        {"", RowResult::TooShort},
        {"\n", RowResult::TooShort},
        {"6", RowResult::TooShort},
        {"6\n", RowResult::Malformed},  // no BSSID: junk
        {row({.bssid = "                 "}), RowResult::Malformed},
        {row({.type = "Ad"}), RowResult::AdHoc},
        {row({.type = "Ah"}), RowResult::Parsed},
        {row({.type = "ad"}), RowResult::Parsed},
        {row({.channel = "0"}), RowResult::Malformed},
        {row({.channel = "-3"}), RowResult::Malformed},
        {row({.channel = "ch"}), RowResult::Malformed},
        {row({.ssidLen = "33", .ssid = "x"}), RowResult::Malformed},
        {row({.ssidLen = "-1"}), RowResult::Malformed},
        {row({.ssidLen = "99"}), RowResult::Malformed},
        {heading().substr(heading().find('\n') + 1), RowResult::Malformed},
        {"ra0       get_site_survey:\n", RowResult::Malformed},
        {std::string(255, '\0'), RowResult::Malformed},
    };
    for (const Case& c : cases) parsed(c.line, c.result);
}

TEST(SurveyRow, ShortRowReadsOnlyItsOwnCharacters) {
    SurveyEntry e;
    ASSERT_EQ(parse_survey_row(row({.ssid = "Home", .extra = "YES"}), e), RowResult::Parsed);
    // The same entry again, with a row that ends inside its last column.
    std::string line = row({.ssid = "Home", .extra = "YES"}).substr(0, 111);
    ASSERT_EQ(parse_survey_row(line + "\n", e), RowResult::Parsed);
    EXPECT_EQ(e.extra.view(), "Y");  // no line end taken into it, nothing of the earlier row
    EXPECT_EQ(e.networkType.view(), "In");

    // Cut off before the network type: security, extension channel and the
    // ad-hoc mark are lost, so the row is junk, and nothing of an earlier
    // row stays in the entry.
    for (std::size_t length : {108u, 100u, 60u, 45u}) {
        e = parsed(row({.ssid = "Home"}).substr(0, length) + "\n", RowResult::Malformed);
        EXPECT_EQ(e.security.view(), "") << length;
    }
    e = parsed("9   5  ab\n", RowResult::Malformed);
}

TEST(SurveyRow, NulBytesEndTheTextOfTheirField) {
    std::string line = row({.ssid = std::string("Ho\0me", 5), .security = "WPA2PSK/AES"});
    line[45] = '\0';
    SurveyEntry e = parsed(line);
    EXPECT_EQ(e.ssidLen, 5);
    EXPECT_EQ(e.ssid.view(), "Ho");
    EXPECT_EQ(e.bssid.view(), "00:11");
    EXPECT_EQ(e.authMode.view(), "WPA2PSK");
}

// --- scanChannel -------------------------------------------------------------

struct Scan {
    int channel = 0;
    AuthText auth;
    AuthText enc;
    ExtChText extCh;
};

Scan scan(const char* ssid, const char* bssid = "") {
    Scan s;
    s.auth.clear();
    s.enc.clear();
    s.extCh.clear();
    s.channel = scanChannel(ssid, bssid, s.auth, s.enc, s.extCh);
    return s;
}

// The BSSIDs of the hidden-AP list, in order; checks TableSize on the way.
std::vector<std::string> hidden() {
    std::vector<std::string> bssids;
    for (SurveyEntry* e = headerTable; e != nullptr; e = e->next) bssids.emplace_back(e->bssid.view());
    EXPECT_EQ(TableSize, static_cast<int>(bssids.size()));
    return bssids;
}

using SurveyScan = FakeTest;

TEST_F(SurveyScan, TriggersPausesReadsAndClosesQuietly) {
    fake.push_survey(table({{.channel = "11", .ssid = "Home", .security = "WPAPSK/TKIP", .extCh = "BELOW"}}));
    Scan s = scan("Home");
    EXPECT_EQ(s.channel, 11);
    EXPECT_EQ(s.auth.view(), "WPAPSK");
    EXPECT_EQ(s.enc.view(), "TKIP");
    EXPECT_EQ(s.extCh.view(), "BELOW");
    EXPECT_EQ(fake.events, (std::vector<std::string>{std::string("run ") + kTrigger, "sleep 4",
                                                     std::string("read ") + kRead}));
    EXPECT_EQ(fake.outputs_open, 0);
    EXPECT_EQ(fake.out, "");
}

TEST_F(SurveyScan, RetriesTheSurveyUntilTheTableOpens) {
    fake.outputs[kRead].push_back(std::nullopt);
    fake.outputs[kRead].push_back(std::nullopt);
    fake.push_survey(table({{.channel = "3", .ssid = "Home"}}));
    EXPECT_EQ(scan("Home").channel, 3);
    EXPECT_EQ(fake.runs(), std::vector<std::string>(3, kTrigger));
    EXPECT_EQ(fake.seconds_slept, 12u);
}

TEST_F(SurveyScan, TableThatNeverOpensLeavesEverythingAsItWas) {
    fake.push_survey(table({{.ssid = "", .bssid = "aa:aa:aa:aa:aa:aa"}}));
    ASSERT_EQ(scan("Home").channel, 0);
    SurveyEntry* list = headerTable;
    fake.events.clear();
    fake.seconds_slept = 0;
    for (int i = 0; i < 7; ++i) fake.outputs[kRead].push_back(std::nullopt);

    AuthText auth, enc;
    ExtChText extCh;
    auth.assign("keep");
    enc.assign("keep");
    extCh.assign("keep");
    EXPECT_EQ(scanChannel("Home", "", auth, enc, extCh), 0);
    EXPECT_EQ(fake.runs(), std::vector<std::string>(6, kTrigger));
    EXPECT_EQ(fake.events_of("sleep "), std::vector<std::string>(6, "4"));
    EXPECT_EQ(fake.seconds_slept, 24u);
    EXPECT_EQ(headerTable, list);
    EXPECT_EQ(hidden(), std::vector<std::string>{"aa:aa:aa:aa:aa:aa"});
    EXPECT_TRUE(auth == "keep" && enc == "keep" && extCh == "keep");
    EXPECT_EQ(fake.out, "");
}

TEST_F(SurveyScan, SkipsTheTwoHeadingLinesAsTheDriverPrintsThem) {
    const std::string upstream = row({.channel = "11", .ssid = "Home"});
    const std::string other = row({.channel = "4", .ssid = "Other"});
    std::string titles = heading();
    struct Case {
        const char* what;
        std::string output;
        int channel;
        int tableSize;
    };
    const Case cases[] = {
        {"plain", titles + upstream, 11, 0},
        {"blank lines after the heading", titles + "\n  \n\n" + upstream, 11, 0},
        {"first row with leading blanks", titles + "   " + upstream, 11, 0},
        {"a later row keeps its blanks", titles + other + "  " + upstream, 0, 1},
        {"a heading line longer than a read",
         std::string(400, '-') + "\n" + titles.substr(titles.find('\n') + 1) + upstream, 11, 0},
        {"output that begins with an empty line", "\n" + titles + upstream, 11, 0},
        {"output that begins with two empty lines", "\n\n" + upstream, 11, 0},
        {"heading only", titles, 0, 0},
        {"nothing at all", "", 0, 0},
        {"no line end anywhere", "ra0 get_site_survey:", 0, 0},
    };
    for (const Case& c : cases) {
        fake.push_survey(c.output);
        EXPECT_EQ(scan("Home").channel, c.channel) << c.what;
        EXPECT_EQ(TableSize, c.tableSize) << c.what;
        EXPECT_EQ(fake.outputs_open, 0);
        freeTable();
    }
}

TEST_F(SurveyScan, SelectsTheUpstream) {
    struct Case {
        const char* what;
        const char* ssid;
        const char* bssid;
        std::vector<Ap> aps;
        int channel;
        std::string remembered;
    };
    const std::string b1 = "00:1a:2b:3c:4d:5e", b2 = "66:77:88:99:aa:bb";
    const Case cases[] = {
        {"no BSSID configured: first row with the SSID, its BSSID remembered", "Home", "",
         {{.channel = "1", .ssid = "Home", .bssid = b1}, {.channel = "6", .ssid = "Home", .bssid = b2}},
         1, b1},
        {"BSSID configured: the SSID alone does not do, a hidden row with the BSSID does", "Home",
         b1.c_str(),
         {{.channel = "1", .ssid = "Home", .bssid = b2}, {.channel = "6", .ssid = "", .bssid = b1}},
         6, "0"},
        {"BSSID configured: the SSID with that BSSID", "Home", b1.c_str(),
         {{.channel = "1", .ssid = "Home", .bssid = b1}}, 1, "0"},
        {"configured BSSID in capitals matches a BSSID printed in small letters", "Home",
         "00:1A:2B:3C:4D:5E",
         {{.channel = "1", .ssid = "Home", .bssid = "00:1A:2B:3C:4D:5E"},
          {.channel = "2", .ssid = "", .bssid = "00:1A:2B:3C:4D:5E"},
          {.channel = "6", .ssid = "", .bssid = b1}},
         6, "0"},
        {"SSID differing in letter case", "Home", "", {{.channel = "1", .ssid = "home"}}, 0, "0"},
        {"SSID compared whole", "Home", "",
         {{.channel = "1", .ssid = "Home2"}, {.channel = "2", .ssid = "Home "}}, 0, "0"},
        {"empty configured SSID: the first hidden row, its BSSID remembered", "", "",
         {{.channel = "1", .ssid = "Other"}, {.channel = "6", .ssid = "", .bssid = b1},
          {.channel = "11", .ssid = "", .bssid = b2}},
         6, b1},
        {"ad-hoc rows never selected", "Home", b1.c_str(),
         {{.channel = "1", .ssid = "Home", .bssid = b1, .type = "Ad"},
          {.channel = "2", .ssid = "", .bssid = b1, .type = "Ad"},
          {.channel = "11", .ssid = "Home", .bssid = b1}},
         11, "0"},
        {"configured BSSID longer than a BSSID matches nothing", "Home", "00:1A:2B:3C:4D:5E:FF:FF",
         {{.channel = "1", .ssid = "Home", .bssid = b1}, {.channel = "2", .ssid = "", .bssid = b1}},
         0, "0"},
        {"malformed rows skipped", "Home", b1.c_str(),
         {{.channel = "0", .ssid = "", .bssid = b1}, {.channel = "  ", .ssid = "Home", .bssid = b1},
          {.channel = "3", .ssidLen = "40", .ssid = "", .bssid = b1},
          {.channel = "9", .ssid = "", .bssid = b1}},
         9, "0"},
    };
    for (const Case& c : cases) {
        manual_get_BSSID.assign("0");
        fake.push_survey(table(c.aps));
        EXPECT_EQ(scan(c.ssid, c.bssid).channel, c.channel) << c.what;
        EXPECT_EQ(manual_get_BSSID.view(), c.remembered) << c.what;
        freeTable();
    }
}

TEST_F(SurveyScan, JunkLineWithoutBssidIsNeitherCollectedNorSelected) {
    // Neither an unconfigured BSSID, nor a remembered one that came out
    // empty, nor an empty configured SSID makes a junk line the upstream.
    for (const char* remembered : {"0", ""}) {
        manual_get_BSSID.assign(remembered);
        fake.push_survey(heading() + "5\n" + row({.channel = "11", .ssid = "Home"}));
        EXPECT_EQ(scan("Home").channel, 11);
        EXPECT_TRUE(hidden().empty());
        freeTable();
        fake.push_survey(heading() + "5\n" + row({.channel = "11", .ssid = ""}));
        EXPECT_EQ(scan("").channel, 11);
        EXPECT_EQ(hidden().size(), 1u);
        freeTable();
    }
}

TEST_F(SurveyScan, RemembersTheUpstreamWhenItLaterHidesItsSsid) {
    const std::string bssid = "00:1a:2b:3c:4d:5e";
    fake.push_survey(table({{.channel = "6", .ssid = "Home", .bssid = bssid}}));
    ASSERT_EQ(scan("Home").channel, 6);
    freeTable();
    fake.push_survey(table({{.channel = "1", .ssid = "", .bssid = "66:77:88:99:aa:bb"},
                            {.channel = "11", .ssid = "", .bssid = bssid, .extCh = "BELOW"}}));
    Scan s = scan("Home");
    EXPECT_EQ(s.channel, 11);
    EXPECT_EQ(s.extCh.view(), "BELOW");
    EXPECT_EQ(manual_get_BSSID.view(), bssid);
}

TEST_F(SurveyScan, ListsTheHiddenRowsReadBeforeTheUpstreamInTableOrder) {
    const char* upstream = "cc:cc:cc:cc:cc:cc";
    fake.push_survey(table({
        {.channel = "1", .ssid = "", .bssid = "aa:aa:aa:aa:aa:aa", .security = "WPAPSK/TKIPAES",
         .signal = "42", .mode = "11b/g", .extCh = "NONE", .extra = "NO"},
        {.channel = "2", .ssid = "Other"},
        {.channel = "3", .ssid = "", .bssid = "bb:bb:bb:bb:bb:bb", .type = "Ad"},
        {.channel = "4", .ssid = "", .bssid = upstream},
        {.channel = "5", .ssid = "", .bssid = "dd:dd:dd:dd:dd:dd"},
    }));
    EXPECT_EQ(scan("Home", upstream).channel, 4);
    EXPECT_EQ(hidden(), (std::vector<std::string>{"aa:aa:aa:aa:aa:aa", upstream}));
    EXPECT_EQ(currentTable, headerTable->next);

    const SurveyEntry& first = *headerTable;
    EXPECT_EQ(first.channel, 1);
    EXPECT_EQ(first.ssid.view(), "");
    EXPECT_EQ(first.ssidLen, 0);
    EXPECT_EQ(first.security.view(), "WPAPSK/TKIPAES        ");
    EXPECT_EQ(first.authMode.view(), "WPAPSK");
    EXPECT_EQ(first.encrypType.view(), "TKIP/AES");
    EXPECT_EQ(first.signal, 42);
    EXPECT_EQ(first.wirelessMode.view(), "11b/g  ");
    EXPECT_EQ(first.extCh.view(), "NONE ");
    EXPECT_EQ(first.networkType.view(), "In");
    EXPECT_EQ(first.extra.view(), "NO ");

    freeTable();
    EXPECT_EQ(fake.live_allocations, 0);
    EXPECT_TRUE(headerTable == nullptr && currentTable == nullptr && TableSize == 0);
    freeTable();
    EXPECT_TRUE(headerTable == nullptr && currentTable == nullptr && TableSize == 0);
}

TEST_F(SurveyScan, WithoutUpstreamListsEveryHiddenRowAndWritesNoBuffer) {
    fake.push_survey(table({{.channel = "1", .ssid = "", .bssid = "aa:aa:aa:aa:aa:aa"},
                            {.channel = "2", .ssid = "Other"},
                            {.channel = "3", .ssid = "", .bssid = "bb:bb:bb:bb:bb:bb"}}));
    AuthText auth, enc;
    ExtChText extCh;
    auth.assign("keep");
    enc.assign("keep");
    extCh.assign("keep");
    EXPECT_EQ(scanChannel("Home", "", auth, enc, extCh), 0);
    EXPECT_TRUE(auth == "keep" && enc == "keep" && extCh == "keep");
    EXPECT_EQ(hidden(), (std::vector<std::string>{"aa:aa:aa:aa:aa:aa", "bb:bb:bb:bb:bb:bb"}));
    EXPECT_EQ(manual_get_BSSID.view(), "0");
    EXPECT_EQ(fake.runs(), std::vector<std::string>{kTrigger});  // a table that opens is read once
}

TEST_F(SurveyScan, EntryThatCannotBeAllocatedIsLeftOut) {
    fake.allocs_until_failure = 1;
    fake.push_survey(table({{.channel = "1", .ssid = "", .bssid = "aa:aa:aa:aa:aa:aa"},
                            {.channel = "2", .ssid = "", .bssid = "bb:bb:bb:bb:bb:bb"},
                            {.channel = "11", .ssid = "Home"}}));
    EXPECT_EQ(scan("Home").channel, 11);
    EXPECT_EQ(hidden(), std::vector<std::string>{"aa:aa:aa:aa:aa:aa"});
}

TEST_F(SurveyScan, LongLinesAndOddBytes) {
    // 255 characters per read: the rest of a longer line is a row of its own.
    std::string first = row({.channel = "3", .ssid = "", .bssid = "aa:aa:aa:aa:aa:aa"});
    first.pop_back();
    first.resize(255, ' ');
    std::string odd = row({.channel = "7", .ssidLen = "0", .ssid = std::string("\0x\0", 3),
                           .bssid = "bb:bb:bb:bb:bb:bb"});
    odd[50] = '\0';
    std::string output = heading() + first + row({.channel = "4", .ssid = "", .bssid = "cc:cc:cc:cc:cc:cc"}) +
                         odd + std::string(300, '\0') + "\n" + row({.channel = "9", .ssid = "Home"});
    fake.push_survey(output);
    EXPECT_EQ(scan("Home").channel, 9);
    EXPECT_EQ(hidden(), (std::vector<std::string>{"aa:aa:aa:aa:aa:aa", "cc:cc:cc:cc:cc:cc", "bb:bb:bb:b"}));
}

TEST_F(SurveyScan, AppendsAtTheTailWhateverTheCursor) {
    fake.push_survey(table({{.channel = "1", .ssid = "", .bssid = "aa:aa:aa:aa:aa:aa"},
                            {.channel = "2", .ssid = "", .bssid = "bb:bb:bb:bb:bb:bb"}}));
    scan("Home");
    currentTable = nullptr;  // a walk that ran to the end
    fake.push_survey(table({{.channel = "3", .ssid = "", .bssid = "cc:cc:cc:cc:cc:cc"}}));
    scan("Home");
    EXPECT_EQ(hidden(),
              (std::vector<std::string>{"aa:aa:aa:aa:aa:aa", "bb:bb:bb:bb:bb:bb", "cc:cc:cc:cc:cc:cc"}));
    EXPECT_EQ(currentTable, headerTable->next->next);
}

}  // namespace
