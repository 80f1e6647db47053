// The simulated shell's word splitting, against the daemon's own escaping.
#include <gtest/gtest.h>

#include <string>

#include "radio/radio.h"
#include "sim/shell.h"

namespace {

TEST(Shell, EscapedValuesArriveUnchanged) {
    const std::string values[] = {
        "home", "my net", "it's \"quoted\"", "$(reboot); rm -rf /", "back\\slash", "tab\there",
        "new\nline", "*?[glob]", "#hash", "~tilde", "", "|pipe|",
    };
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        HeapText escaped = TransForShell1(value);
        ASSERT_TRUE(escaped.ok() || value.empty());
        std::string line = "iwpriv ra0 set SSID=" + std::string(escaped.view());
        ShellCommand cmd = shell_split(line);
        ASSERT_EQ(cmd.error, "") << line;
        ASSERT_EQ(cmd.stages.size(), 1u);
        ASSERT_EQ(cmd.stages[0].size(), 4u);
        EXPECT_EQ(cmd.stages[0][3], "SSID=" + value);
    }
}

TEST(Shell, SplitsWordsQuotesAndPipelines) {
    ShellCommand cmd = shell_split("iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n \"s/Channel://p\"");
    ASSERT_EQ(cmd.error, "");
    ASSERT_EQ(cmd.stages.size(), 3u);
    EXPECT_EQ(cmd.stages[0], (std::vector<std::string>{"iwgetid", "-c", "ra0"}));
    EXPECT_EQ(cmd.stages[1], (std::vector<std::string>{"sed", "-n", "s/ra0//p"}));
    EXPECT_EQ(cmd.stages[2], (std::vector<std::string>{"sed", "-n", "s/Channel://p"}));
}

TEST(Shell, ReportsWhatItWouldNotPassOn) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"iwpriv ra0 set SSID=a;b", "unquoted shell character ';'"},
        {"iwpriv ra0 set SSID=$x", "unquoted shell character '$'"},
        {"iwpriv ra0 set SSID=a*", "unquoted glob character '*'"},
        {"ifconfig ra0 #up", "unquoted '#' at the start of a word"},
        {"iwpriv ra0 set SSID=a#b", ""},
        {"iwpriv ra0 set SSID='open", "unterminated single quote"},
        {"iwpriv ra0 set SSID=\"$x\"", "expansion '$' inside double quotes"},
        {"ifconfig ra0 up |", "empty pipeline stage"},
        {"", "empty command"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shell_split(c.line).error, c.error) << c.line;
    }
}

}  // namespace
