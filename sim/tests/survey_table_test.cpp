// The simulated survey table, read back by the daemon's own row parser.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/survey_table.h"
#include "survey/survey.h"

namespace {

AccessPoint make_ap(std::string ssid, bool hidden, std::string bssid, int channel, std::string ext,
                    std::string security, int signal) {
    AccessPoint ap;
    ap.name = bssid;
    ap.ssid = std::move(ssid);
    ap.hidden = hidden;
    ap.bssid = std::move(bssid);
    ap.channel = channel;
    ap.ext = std::move(ext);
    ap.security = std::move(security);
    ap.signal = signal;
    return ap;
}

std::string padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
    return lines;
}

TEST(SurveyTable, EveryRowReadsBackAsPrinted) {
    std::vector<AccessPoint> air = {
        make_ap("home", false, "00:11:22:33:44:55", 6, "ABOVE", "WPA2PSK/AES", 78),
        make_ap("my net", false, "00:1a:2b:3c:4d:01", 1, "ABOVE", "WPA1PSKWPA2PSK/TKIPAES", 100),
        make_ap("secret", true, "02:00:00:00:00:a1", 11, "BELOW", "WPAPSK/TKIP", 5),
        make_ap("12345678901234567890123456789012", false, "00:1A:2B:3C:4D:02", 149, "NONE", "NONE", 0),
        make_ap("cafe", false, "00:1a:2b:3c:4d:03", 165, "NONE", "WEP", 42),
        make_ap("off air", false, "00:1a:2b:3c:4d:04", 3, "ABOVE", "NONE", 42),
    };
    air[5].present = false;
    air[4].mode = "11a/n";

    std::string table;
    print_survey_table(air, table);
    std::vector<std::string> lines = lines_of(table);
    ASSERT_EQ(lines.size(), 2u + 5u) << table;

    for (std::size_t i = 0; i < 5; ++i) {
        const AccessPoint& ap = air[i];
        const std::string& line = lines[2 + i];
        SCOPED_TRACE(line);
        EXPECT_EQ(line.size(), 114u) << "113 columns and the line end";
        SurveyEntry row;
        ASSERT_EQ(parse_survey_row(line, row), RowResult::Parsed);
        EXPECT_EQ(row.channel, ap.channel);
        EXPECT_EQ(row.ssidLen, ap.hidden ? 0 : static_cast<int>(ap.ssid.size()));
        EXPECT_EQ(row.ssid.view(), ap.hidden ? "" : ap.ssid);
        EXPECT_EQ(row.bssid.view(), ap.bssid);
        EXPECT_EQ(row.security.view(), padded(ap.security, 22));
        EXPECT_EQ(row.signal, ap.signal);
        EXPECT_EQ(row.wirelessMode.view(), padded(ap.mode, 7));
        EXPECT_EQ(row.extCh.view(), padded(ap.ext, 5));
        EXPECT_EQ(row.networkType.view(), "In");
    }
    SurveyEntry row;
    parse_survey_row(lines[3], row);
    EXPECT_EQ(row.authMode.view(), "WPA-PSK/WPA2-PSK");
    EXPECT_EQ(row.encrypType.view(), "TKIP/AES");
}

TEST(SurveyTable, AdHocRowsCarryTheirNetworkType) {
    AccessPoint ap = make_ap("party", false, "02:00:00:00:00:0a", 6, "NONE", "NONE", 30);
    ap.adhoc = true;
    std::string row;
    append_survey_row(ap, row);
    SurveyEntry parsed;
    EXPECT_EQ(parse_survey_row(row, parsed), RowResult::AdHoc);
}

TEST(SurveyTable, HeadersAreNotRows) {
    std::string table;
    print_survey_table({}, table);
    std::vector<std::string> lines = lines_of(table);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FALSE(lines[0].empty() || lines[0] == "\n") << "an empty first line would defeat the reader's skip";
    // The first row must not begin with a blank: the reader's second skip
    // would eat it and shift every column.
    std::string one;
    print_survey_table({make_ap("a", false, "00:00:00:00:00:01", 1, "ABOVE", "NONE", 1)}, one);
    EXPECT_NE(lines_of(one)[2][0], ' ');
}

}  // namespace
