// The site survey: the row parser on its own, then scanChannel against
// survey tables laid out the way the driver prints them.
#include <optional>
#include <string>
#include <vector>

#include "survey/survey.h"
#include "tests/fake_test.h"

namespace {

using Strings = std::vector<std::string>;

constexpr const char* kRead = "iwpriv ra0 get_site_survey";
const std::string kA = "aa:aa:aa:aa:aa:aa", kB = "bb:bb:bb:bb:bb:bb", kC = "cc:cc:cc:cc:cc:cc";

SurveyEntry parsed(const std::string& line, RowResult expected = RowResult::Parsed) {
    SurveyEntry entry;
    EXPECT_EQ(parse_survey_row(line, entry), expected) << line;
    return entry;
}

// --- the row parser ------------------------------------------------------------

// Each field from its columns of the row's own characters: the SSID by its
// printed length, nothing of the line end or of an earlier row.
TEST(SurveyRow, TakesEachFieldFromItsColumns) {
    SurveyEntry e = parsed(survey_row({.channel = "149", .ssid = "my net", .extCh = "NONE"}));
    EXPECT_TRUE(e.channel == 149 && e.ssidLen == 6 && e.signal == 81);
    EXPECT_EQ(e.ssid.view(), "my net");  // the blank inside kept, the ones after not
    EXPECT_EQ(e.extCh.view(), "NONE ");  // the padding blank is the fifth character
    EXPECT_EQ(parsed(survey_row({.ssid = "text in the SSID columns", .ssidLen = "0"})).ssid.view(), "");
    EXPECT_EQ(parsed(survey_row({.ssid = std::string(32, 'S')})).ssid.view(), std::string(32, 'S'));
    e = parsed(survey_row({.ssid = "Home"}).substr(0, 109));  // ends with the network type
    EXPECT_EQ(e.networkType.view(), "In");
    EXPECT_EQ(e.extra.view(), "");
    e = parsed(survey_row({.ssid = "Home"}).substr(0, 111) + "\n");  // ends inside the last column
    EXPECT_EQ(e.extra.view(), "Y");
}

TEST(SurveyRow, NormalisesTheSecurityColumn) {
    const std::string mixed = "WPA-PSK/WPA2-PSK", no = "NotSupport";
    const struct { std::string security, authMode, encrypType; } cases[] = {
        {"NONE", "OPEN", "NONE"}, {"WEP/TKIPAES", "OPEN", "WEP"}, {"NONE/AES", "OPEN", "NONE"},
        {"WPAPSK/TKIP", "WPAPSK", "TKIP"}, {"WPAPSK/AES", "WPAPSK", "AES"}, {"WPA2PSK/TKIPAES", "WPA2PSK", "TKIP/AES"},
        {"WPA2PSK/AESTKIP", "WPA2PSK", "TKIP/AES"}, {"WPA2PSK/NONE", "WPA2PSK", ""},
        {"WPA1PSKWPA2PSK/TKIPAES", mixed, "TKIP/AES"}, {"WPA1PSKWPA2PSK/AES", mixed, "AES"},
        // Only the column's 22 characters are searched: "AES" cut to "AE".
        {"WPA2PSK/TKIP       AES", "WPA2PSK", "TKIP/AES"}, {"WPA2PSK/TKIP        AES", "WPA2PSK", "TKIP"},
        {"WPA2/AES", no, ""}, {"WPAPSK", no, ""}, {"wpa2psk/aes", no, ""}, {"", no, ""},
    };
    for (const auto& c : cases) {
        SurveyEntry e = parsed(survey_row({.security = c.security}));
        EXPECT_EQ(e.authMode.view(), c.authMode) << c.security;
        EXPECT_EQ(e.encrypType.view(), c.encrypType) << c.security;
    }
}

TEST(SurveyRow, SkipsShortDropsAdHocAndRejectsMalformedRows) {
    using R = RowResult;
    const std::pair<std::string, RowResult> cases[] = {
        {"", R::TooShort}, {"\n", R::TooShort}, {"6", R::TooShort}, {"6\n", R::CutOff},
        {survey_row({.bssid = "                 "}), R::NoBssid}, {survey_row({.type = "Ad"}), R::AdHoc},
        {survey_row({.type = "Ah"}), R::Parsed}, {survey_row({.channel = "0"}), R::NoChannel},
        {survey_row({.channel = "-3"}), R::NoChannel}, {survey_row({.ssid = "x", .ssidLen = "33"}), R::BadSsidLen},
        {survey_row({.ssidLen = "-1", .type = "Ad"}), R::BadSsidLen}, {"ra0       get_site_survey:\n", R::CutOff},
        {kSurveyHeading.substr(kSurveyHeading.find('\n') + 1), R::NoChannel},
        {survey_row({.ssid = "Home"}).substr(0, 108) + "\n", R::CutOff},
    };
    for (const auto& [line, result] : cases) parsed(line, result);
}

// --- scanChannel -------------------------------------------------------------

// One survey into a hidden list and a remembered BSSID of its own. The
// candidate starts as "keep": a scan that finds no upstream must leave it so.
struct Scan {
    int channel = 0;
    Candidate cand{-1, {{'k'}}, {{'k'}}, {{'k'}}};
    HiddenList hidden;
    BssidText remembered = {{'0'}};

    Scan& run(const char* ssid, const char* bssid = "") {
        channel = scanChannel(ssid, bssid, remembered, cand, hidden);
        EXPECT_EQ(cand.channel, channel == 0 ? -1 : channel);
        return *this;
    }
    bool untouched() const { return cand.auth == "k" && cand.enc == "k" && cand.extCh == "k"; }
    // The BSSIDs of the hidden-AP list, in order; checks its size on the way.
    Strings hidden_bssids() const {
        Strings bssids;
        for (const HiddenAp* e = hidden.head; e != nullptr; e = e->next) bssids.emplace_back(e->bssid.view());
        EXPECT_EQ(hidden.size, static_cast<int>(bssids.size()));
        return bssids;
    }
};

using SurveyScan = FakeTest;

TEST_F(SurveyScan, TriggersPausesAndReadsSixTimesAtMostUntilTheTableOpens) {
    fake.outputs[kRead] = {std::nullopt, std::nullopt,
                           survey_table({{"6", "", kA}, {"11", "Home", kB, "WPAPSK/TKIP", "BELOW"}})};
    Scan s;
    EXPECT_EQ(s.run("Home").channel, 11);
    EXPECT_EQ(std::string(s.cand.auth.view()) + "/" + s.cand.enc.c_str() + "/" + s.cand.extCh.c_str(),
              "WPAPSK/TKIP/BELOW");
    const Strings attempt = {"run iwpriv ra0 set SiteSurvey=1", "sleep 4", std::string("read ") + kRead};
    Strings three;
    for (int i = 0; i < 3; ++i) three.insert(three.end(), attempt.begin(), attempt.end());
    EXPECT_EQ(fake.events, three);
    EXPECT_EQ(fake.outputs_open, 0);

    // Never: six attempts, result 0, the list and candidate untouched.
    fake.events.clear();
    fake.outputs[kRead].assign(7, std::nullopt);
    s.cand = Scan().cand;
    EXPECT_EQ(s.run("Home").channel, 0);
    EXPECT_TRUE(s.untouched());
    EXPECT_EQ(fake.events_of("sleep "), Strings(6, "4"));
    EXPECT_EQ(fake.runs().size(), 6u);
    EXPECT_EQ(s.hidden_bssids(), Strings{kA});
}

TEST_F(SurveyScan, SkipsTheTwoHeadingLinesAsTheDriverPrintsThem) {
    const std::string upstream = survey_row({.channel = "11", .ssid = "Home"});
    const std::string other = survey_row({.channel = "4", .ssid = "Other"});
    const std::string& titles = kSurveyHeading;
    const struct { const char* what; std::string output; int channel, hidden; } cases[] = {
        {"blank lines after the heading", titles + "\n  \n\n" + upstream, 11, 0},
        {"first row with leading blanks", titles + "   " + upstream, 11, 0},
        {"a later row keeps its blanks", titles + other + "  " + upstream, 0, 1},
        {"a heading line longer than a read",
         std::string(400, '-') + "\n" + titles.substr(titles.find('\n') + 1) + upstream, 11, 0},
        {"output that begins with an empty line", "\n" + titles + upstream, 11, 0},
        {"output that begins with two empty lines", "\n\n" + upstream, 11, 0},
        {"heading only", titles, 0, 0},
        {"no line end anywhere", "ra0 get_site_survey:", 0, 0},
    };
    for (const auto& c : cases) {
        fake.push_survey(c.output);
        Scan s;
        EXPECT_EQ(s.run("Home").channel, c.channel) << c.what;
        EXPECT_EQ(s.hidden.size, c.hidden) << c.what;
    }
}

TEST_F(SurveyScan, SelectsTheUpstream) {
    const std::string b1 = "00:1a:2b:3c:4d:5e", b2 = "66:77:88:99:aa:bb", B1 = "00:1A:2B:3C:4D:5E";
    const struct {
        const char* what;
        std::string ssid, bssid;
        std::vector<Ap> aps;
        int channel;
        std::string remembered, before = "0";  // the remembered BSSID after and before
    } cases[] = {
        {"no BSSID configured: first row with the SSID, its BSSID remembered", "Home", "",
         {{"1", "Home", b1}, {"6", "Home", b2}}, 1, b1},
        {"BSSID configured: the SSID alone does not do, a hidden row with the BSSID does", "Home", b1,
         {{"1", "Home", b2}, {"6", "", b1}}, 6, "0"},
        {"BSSID configured: the SSID with that BSSID", "Home", b1, {{"1", "Home", b1}}, 1, "0"},
        {"configured BSSID in capitals matches a BSSID printed in small letters", "Home", B1,
         {{"1", "Home", B1}, {"2", "", B1}, {"6", "", b1}}, 6, "0"},
        {"SSID compared whole and case-sensitive", "Home", "", {{"1", "home"}, {"1", "Home2"}, {"2", "Home "}}, 0, "0"},
        {"empty configured SSID: the first hidden row, its BSSID remembered", "", "",
         {{"1", "Other"}, {"6", "", b1}, {"11", "", b2}}, 6, b1},
        {"ad-hoc rows never selected", "Home", b1,
         {{.channel = "1", .ssid = "Home", .bssid = b1, .type = "Ad"},
          {.channel = "2", .ssid = "", .bssid = b1, .type = "Ad"}, {"11", "Home", b1}},
         11, "0"},
        {"configured BSSID longer than a BSSID matches nothing", "Home", B1 + ":FF:FF",
         {{"1", "Home", b1}, {"2", "", b1}}, 0, "0"},
        {"a remembered BSSID selects the upstream when it later hides its SSID", "Home", "",
         {{"1", "", b2}, {"11", "", b1}}, 11, b1, b1},
        // A row without a BSSID is never the upstream (nor is it listed).
        {"whatever the remembered BSSID", "Home", "", {{"5", "Home", ""}, {"11", "Home", b2}}, 11, b2, ""},
        {"or an empty configured SSID", "", "", {{"5", "", ""}, {"11", "", b2}}, 11, b2, ""},
    };
    for (const auto& c : cases) {
        fake.push_survey(survey_table(c.aps));
        Scan s;
        s.remembered.assign(c.before);
        EXPECT_EQ(s.run(c.ssid.c_str(), c.bssid.c_str()).channel, c.channel) << c.what;
        EXPECT_EQ(s.untouched(), c.channel == 0) << c.what;
        EXPECT_EQ(s.remembered.view(), c.remembered) << c.what;
    }
}

TEST_F(SurveyScan, ListsTheHiddenRowsReadBeforeTheUpstreamInTableOrder) {
    const std::string table = survey_table({
        {.channel = "1", .ssid = "", .bssid = kA, .security = "WPAPSK/TKIPAES", .extCh = "NONE"},
        {"2", "Other"},
        {"2", "", ""},
        {.channel = "3", .ssid = "", .bssid = "dd:dd:dd:dd:dd:dd", .type = "Ad"},
        {"4", "", kB},
        {"5", "", kC},
    });
    {
        fake.push_survey(table);
        Scan s;
        EXPECT_EQ(s.run("Home", kB.c_str()).channel, 4);
        EXPECT_EQ(s.hidden_bssids(), (Strings{kA, kB}));
        const Candidate& first = s.hidden.head->cand;  // what a recovery tries it with
        EXPECT_EQ(first.channel, 1);
        EXPECT_EQ(std::string(first.auth.view()) + "/" + first.enc.c_str() + "/" + first.extCh.c_str(),
                  "WPAPSK/TKIP/AES/NONE ");
    }
    EXPECT_EQ(fake.live_allocations, 0) << "the list is released with its owner";

    fake.push_survey(table);  // without the upstream in the table: every hidden row
    Scan s;
    EXPECT_TRUE(s.run("Home").untouched());
    EXPECT_EQ(s.hidden_bssids(), (Strings{kA, kB, kC}));
    EXPECT_EQ(s.remembered.view(), "0");
}

TEST_F(SurveyScan, LongLinesOddBytesAndNoMemory) {
    // 255 characters per read: the rest of a longer line is a row of its own.
    std::string first = survey_row({"3", "", kA});
    first.pop_back();
    first.resize(255, ' ');
    std::string odd = survey_row({.channel = "7", .ssid = std::string("\0x\0", 3), .bssid = kB, .ssidLen = "0"});
    odd[50] = '\0';
    const std::string table = kSurveyHeading + first + survey_row({"4", "", kC}) + odd + std::string(300, '\0') +
                              "\n" + survey_row({"9", "Home"});
    fake.push_survey(table);
    Scan s;
    EXPECT_EQ(s.run("Home").channel, 9);
    EXPECT_EQ(s.hidden_bssids(), (Strings{kA, kC, "bb:bb:bb:b"}));

    // An entry that cannot be allocated is left out; the survey goes on.
    fake.allocs_until_failure = 1;
    fake.push_survey(table);
    Scan t;
    EXPECT_EQ(t.run("Home").channel, 9);
    EXPECT_EQ(t.hidden_bssids(), Strings{kA});
}

}  // namespace
