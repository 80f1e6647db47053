// SPDX-License-Identifier: ISC
// The site survey: the row parser, then scanChannel against survey tables
// laid out the way the driver prints them.
#include <optional>
#include <string>
#include <vector>

#include "survey/survey.h"
#include "tests/fake_test.h"

namespace {

using Strings = std::vector<std::string>;
const std::string kA = "aa:aa:aa:aa:aa:aa", kB = "bb:bb:bb:bb:bb:bb", kC = "cc:cc:cc:cc:cc:cc";

SurveyEntry parsed(const std::string& line, RowResult expected = RowResult::Parsed) {
    SurveyEntry entry;
    EXPECT_EQ(parse_survey_row(line, entry), expected) << line;
    return entry;
}

TEST(SurveyRow, NormalisesTheSecurityColumn) {
    const std::string mixed = "WPA-PSK/WPA2-PSK", no = "NotSupport";
    const struct {
        std::string security, authMode, encrypType;
    } cases[] = {
        {"NONE", "OPEN", "NONE"},
        {"WEP/TKIPAES", "OPEN", "WEP"},
        {"WPAPSK/TKIP", "WPAPSK", "TKIP"},
        {"WPA2PSK/AESTKIP", "WPA2PSK", "TKIP/AES"},
        {"WPA2PSK/NONE", "WPA2PSK", ""},
        {"WPA1PSKWPA2PSK/AES", mixed, "AES"},
        // Only the column's 22 characters are searched: "AES" cut to "AE".
        {"WPA2PSK/TKIP       AES", "WPA2PSK", "TKIP/AES"},
        {"WPA2PSK/TKIP        AES", "WPA2PSK", "TKIP"},
        {"WPA2/AES", no, ""},
        {"WPAPSK", no, ""},
        {"wpa2psk/aes", no, ""},
    };
    for (const auto& c : cases) {
        SurveyEntry e = parsed(survey_row({.security = c.security}));
        EXPECT_EQ(std::string(e.authMode.view()) + " " + e.encrypType.c_str(), c.authMode + " " + c.encrypType);
    }
}

TEST(SurveyRow, SkipsShortDropsAdHocAndRejectsMalformedRows) {
    using R = RowResult;
    const std::pair<std::string, RowResult> cases[] = {
        {"6", R::TooShort},
        {"6\n", R::CutOff},
        {survey_row({}).substr(0, 108) + "\n", R::CutOff},
        {survey_row({}).substr(0, 109), R::Parsed} /* ends with its network type */,
        {survey_row({.bssid = "                 "}), R::NoBssid},
        {survey_row({.type = "Ad"}), R::AdHoc},
        {survey_row({.type = "Ah"}), R::Parsed},
        {survey_row({.channel = "0"}), R::NoChannel},
        {survey_row({.ssid = "x", .ssidLen = "33"}), R::BadSsidLen},
        {survey_row({.ssidLen = "-1"}), R::BadSsidLen},
    };
    for (const auto& [line, result] : cases) parsed(line, result);
    // A column cut by the row's end holds only the row's own characters.
    EXPECT_EQ(parsed(survey_row({}).substr(0, 111) + "\n").extra.view(), "Y");
    // A column beyond the row's end is empty, whatever lies after the row.
    const std::string followed = survey_row({}).substr(0, 109) + "\nXYZ";
    SurveyEntry entry;
    ASSERT_EQ(parse_survey_row(std::string_view(followed).substr(0, 110), entry), R::Parsed);
    EXPECT_EQ(entry.extra.view(), "");
}

// One survey into a hidden list and a remembered BSSID of its own. The
// candidate starts as "k": a scan that finds no upstream must leave it so.
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
    std::string found() const {
        return std::string(cand.auth.view()) + "/" + cand.enc.c_str() + "/" + cand.extCh.c_str();
    }
    Strings hidden_bssids() const {  // in order; checks the list's size on the way
        Strings bssids;
        for (const HiddenAp* e = hidden.head; e != nullptr; e = e->next) bssids.emplace_back(e->bssid.view());
        EXPECT_EQ(hidden.size, static_cast<int>(bssids.size()));
        return bssids;
    }
};

using SurveyScan = FakeTest;

TEST_F(SurveyScan, SkipsTheTwoHeadingLinesAsTheDriverPrintsThem) {
    const std::string upstream = survey_row({.channel = "11", .ssid = "Home"});
    const std::string& titles = kSurveyHeading;
    std::string withNul = upstream;
    withNul[58] = '\0';  // between the BSSID and the security column
    const struct {
        const char* what;
        std::string output;
        int channel;
    } cases[] = {
        {"blank lines after the heading", titles + "\n  \n\n" + upstream, 11},
        {"first row with leading blanks", titles + "   " + upstream, 11},
        {"a later row keeps its blanks", titles + survey_row({.ssid = "Other"}) + "  " + upstream, 0},
        {"a heading line longer than a read",
         std::string(400, '-') + "\n" + titles.substr(titles.find('\n') + 1) + upstream, 11},
        {"output that begins with an empty line", "\n" + titles + upstream, 11},
        {"an empty line at once ends the skipping", "\n\n" + upstream, 11},
        {"no line end anywhere", "ra0 get_site_survey:", 0},
        {"a NUL byte is one of the row's characters", titles + withNul, 11},
    };
    for (const auto& c : cases) {
        fake.push_survey(c.output);
        EXPECT_EQ(Scan().run("Home").channel, c.channel) << c.what;
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
        {"no BSSID configured: first row with the SSID, its BSSID remembered",
         "Home",
         "",
         {{"1", "Home", b1}, {"6", "Home", b2}},
         1,
         b1},
        {"BSSID configured: the SSID alone does not do, a hidden row with the BSSID does",
         "Home",
         b1,
         {{"1", "Home", b2}, {"6", "", b1}},
         6,
         "0"},
        {"BSSID configured: the SSID with that BSSID", "Home", b1, {{"1", "Home", b1}}, 1, "0"},
        {"BSSID configured: that BSSID under another SSID is not taken, hidden it is",
         "Home",
         b1,
         {{"1", "Other", b1}, {"6", "", b1}},
         6,
         "0"},
        {"configured BSSID in capitals matches a BSSID printed in small letters",
         "Home",
         B1,
         {{"1", "Home", B1}, {"2", "", B1}, {"6", "", b1}},
         6,
         "0"},
        {"SSID compared whole and case-sensitive", "Home", "", {{"1", "home"}, {"1", "Home2"}, {"2", "Home "}}, 0, "0"},
        {"empty configured SSID: the first hidden row, its BSSID remembered",
         "",
         "",
         {{"1", "Other"}, {"6", "", b1}, {"11", "", b2}},
         6,
         b1},
        {"configured BSSID longer than a BSSID matches nothing",
         "Home",
         B1 + ":FF",
         {{"1", "Home", b1}, {"2", "", b1}},
         0,
         "0"},
        {"a remembered BSSID selects the upstream when it later hides its SSID",
         "Home",
         "",
         {{"1", "", b2}, {"11", "", b1}},
         11,
         b1,
         b1},
    };
    for (const auto& c : cases) {
        fake.push_survey(survey_table(c.aps));
        Scan s;
        s.remembered.assign(c.before);
        EXPECT_EQ(s.run(c.ssid.c_str(), c.bssid.c_str()).channel, c.channel) << c.what;
        EXPECT_EQ(s.found() == "k/k/k", c.channel == 0) << c.what;
        EXPECT_EQ(s.remembered.view(), c.remembered) << c.what;
    }
}

// The hidden rows read before the upstream, in table order, each with what
// a recovery tries it with; 255 characters a read, so the rest of a longer
// line is a row of its own.
TEST_F(SurveyScan, ListsTheHiddenRowsReadBeforeTheUpstream) {
    std::string longRow = survey_row({.channel = "1", .bssid = kA, .security = "WPAPSK/TKIPAES", .extCh = "NONE"});
    longRow.pop_back();
    longRow.resize(255, ' ');
    const std::string table = kSurveyHeading + survey_row({"2", "Other"}) + survey_row({"2", "", ""}) + longRow +
                              survey_row({"4", "", kB}) + survey_row({.channel = "3", .bssid = kC, .type = "Ad"}) +
                              survey_row({"5", "", kC});
    fake.push_survey(table);
    Scan s;
    EXPECT_EQ(s.run("Home", kB.c_str()).channel, 4);
    EXPECT_EQ(s.hidden_bssids(), (Strings{kA, kB}));
    EXPECT_EQ(s.hidden.head->cand.channel, 1);
    EXPECT_EQ(std::string(s.hidden.head->cand.enc.view()) + s.hidden.head->cand.extCh.c_str(), "TKIP/AESNONE ");
}

}  // namespace
