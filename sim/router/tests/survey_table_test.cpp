// SPDX-License-Identifier: ISC
// The simulated survey table, read back by the daemon's own row parser.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/router/survey_table.h"
#include "survey/survey.h"

namespace rwsim {

namespace {

std::string padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

TEST(SurveyTable, EveryRowReadsBackAsPrinted) {
    const std::vector<AccessPoint> air = {
        {.name = "ap1", .ssid = "home", .bssid = "00:11:22:33:44:55", .channel = 6, .ext = "ABOVE", .signal = 78},
        {.name = "ap2",
         .ssid = "my net",
         .bssid = "00:1a:2b:3c:4d:01",
         .channel = 1,
         .ext = "ABOVE",
         .security = "WPA1PSKWPA2PSK/TKIPAES",
         .signal = 100},
        {.name = "ap3",
         .ssid = "secret",
         .hidden = true,
         .bssid = "02:00:00:00:00:a1",
         .channel = 11,
         .ext = "BELOW",
         .security = "WPAPSK/TKIP",
         .signal = 5},
        {.name = "ap4",
         .ssid = "12345678901234567890123456789012",
         .bssid = "00:1A:2B:3C:4D:02",
         .channel = 149,
         .security = "NONE",
         .signal = 0},
        {.name = "ap5",
         .ssid = "cafe",
         .bssid = "00:1a:2b:3c:4d:03",
         .channel = 165,
         .security = "WEP",
         .mode = "11a/n"},
        {.name = "ap6", .ssid = "party", .bssid = "02:00:00:00:00:0a", .channel = 6, .adhoc = true},
        {.name = "ap7", .ssid = "off air", .bssid = "00:1a:2b:3c:4d:04", .channel = 3, .present = false},
    };
    std::string table;
    print_survey_table(air, table);
    std::vector<std::string> lines;
    std::istringstream in(table);
    for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
    ASSERT_EQ(lines.size(), 2u + 6u) << table;
    // An empty first line, or a first row that begins with a blank, would
    // defeat the reader's skips.
    EXPECT_NE(lines[0], "\n");
    EXPECT_NE(lines[2][0], ' ');

    for (std::size_t i = 0; i < 6; ++i) {
        const AccessPoint& ap = air[i];
        const std::string& line = lines[2 + i];
        SCOPED_TRACE(line);
        EXPECT_EQ(line.size(), 114u) << "113 columns and the line end";
        SurveyEntry row;
        ASSERT_EQ(parse_survey_row(line, row), ap.adhoc ? RowResult::AdHoc : RowResult::Parsed);
        if (ap.adhoc) continue;
        EXPECT_TRUE(row.channel == ap.channel && row.signal == ap.signal);
        EXPECT_EQ(row.ssidLen, ap.hidden ? 0 : static_cast<int>(ap.ssid.size()));
        EXPECT_EQ(row.ssid.view(), ap.hidden ? "" : ap.ssid);
        EXPECT_EQ(row.bssid.view(), ap.bssid);
        EXPECT_EQ(row.security.view(), padded(ap.security, 22));
        EXPECT_EQ(row.wirelessMode.view(), padded(ap.mode, 7));
        EXPECT_EQ(row.extCh.view(), padded(ap.ext, 5));
        EXPECT_EQ(row.networkType.view(), "In");
    }
}

}  // namespace

}  // namespace rwsim
