// SPDX-License-Identifier: ISC
// The scenario format: what a file turns into, and how a bad one is reported.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "sim/common/text.h"
#include "sim/scenario/default_store.h"
#include "sim/scenario/scenario.h"

namespace rwsim {

namespace {

using namespace std::string_literals;

constexpr const char* kExample = R"(# an example
name  a small story
end   15m
args  10 3 debug
connect-delay 5
radio channel 6
store ApCliSsid=home
store WPAPSK1="correct horse battery"

ap home      ssid home        bssid 00:11:22:33:44:55 channel 6 ext ABOVE security WPA2PSK/AES signal 78
ap attic     hidden attic     bssid 02:00:00:00:00:A1 channel 1
ap spare     ssid "my net"    bssid 02:00:00:00:00:a2 channel 149 off mode 11a/n

at 5m     move home channel 11 ext BELOW
at 2m     hide home    # out of order: sorted by time
at 2m     linkdown 30s
at 6m     add spare
at 7m     security home WPA1PSKWPA2PSK/TKIPAES
at 8m     store ApCliBssid=00:11:22:33:44:55
random seed 7 every 1h..2h on home channels 1,6 do move,outage
)";

TEST(Scenario, ReadsEveryPartOfTheExample) {
    Scenario sc = parse_scenario(kExample, "example.scn");
    EXPECT_EQ(sc.name, "a small story");
    EXPECT_TRUE(sc.end == 900 && sc.connect_delay == 5 && sc.start_channel == 6);
    EXPECT_EQ(sc.args, (std::vector<std::string>{"10", "3", "debug"}));
    EXPECT_EQ(sc.store.at("WPAPSK1"), "correct horse battery");
    EXPECT_EQ(sc.store.at("OperationMode"), "3") << "keys not given keep the default store's value";

    ASSERT_EQ(sc.aps.size(), 3u);
    EXPECT_TRUE(sc.aps[0].signal == 78 && sc.aps[1].hidden && !sc.aps[2].present);
    EXPECT_EQ(sc.aps[1].ext, "NONE") << "the default";
    EXPECT_EQ(sc.aps[2].ssid + "/" + sc.aps[2].mode, "my net/11a/n");

    ASSERT_EQ(sc.events.size(), 6u);
    EXPECT_EQ(sc.events[0].kind, EventKind::Hide) << "sorted by time, file order within a second";
    EXPECT_TRUE(sc.events[1].kind == EventKind::LinkDown && sc.events[1].duration == 30);
    EXPECT_TRUE(sc.events[2].kind == EventKind::Move && sc.events[2].channel == 11 && sc.events[2].line == 14);
    EXPECT_EQ(sc.events[5].value, "00:11:22:33:44:55");

    EXPECT_TRUE(sc.random.enabled);
    EXPECT_EQ(sc.random.max_gap, 7200);
    EXPECT_EQ(sc.random.channels, (std::vector<int>{1, 6}));
    EXPECT_EQ(sc.random.kinds, (std::vector<RandomKind>{RandomKind::Move, RandomKind::Outage}));
}

TEST(Scenario, DefaultsForWhatAFileLeavesOut) {
    Scenario sc = parse_scenario("end 90\n", "dir/minimal.scn");
    EXPECT_EQ(sc.name, "minimal");
    EXPECT_EQ(sc.args, (std::vector<std::string>{"10", "3"}));
    EXPECT_EQ(sc.connect_delay, 3);
    EXPECT_EQ(sc.start_channel, 1);
    EXPECT_EQ(sc.store, default_store());
}

// A file that cannot be read, or is no scenario file, is refused by what it
// is before anything is read (line 0: the file named by the text).
TEST(Scenario, ReportsFileLineAndWhatIsWrong) {
    const std::string dir = ::testing::TempDir() + "relaywatch-refusals", fifo = dir + "/fifo.scn",
                      big = dir + "/big.scn";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(big) << "end 1m\n" << std::string(kMaxScenarioBytes, '#');
    std::ofstream(dir + "/empty.txt").flush();
    const std::string end = "end 10m\n", ap = end + "ap home ssid home bssid 00:11:22:33:44:55 channel 6";
    const struct {
        std::string text;
        int line;
        std::string message;  // a part of the message
    } cases[] = {
        {end + "frobnicate 3\n", 2, "unknown directive 'frobnicate'"},
        {end + "end 20m\n", 2, "end given twice (first on line 1)"},
        {"name x\n", 1, "no end time"},
        {end + "radio channel 4294967297\n", 2, "bad channel '4294967297'"},  // no wrap to 1
        {end + "args 10\n", 2, "args takes looptime, sleeptime"},
        {end + "store Key-1=x\n", 2, "bad store key 'Key-1'"},
        {end + "ap home ssid \"home bssid 00:11:22:33:44:55\n", 2, "unterminated quote"},
        {end + "ap home bssid 00:11:22:33:44:55 channel 6\n", 2, "needs 'ssid TEXT' or 'hidden TEXT'"},
        {end + "ap home ssid home bssid 00:11:22:33:44 channel 6\n", 2, "bad BSSID '00:11:22:33:44'"},
        {end + "ap home ssid " + std::string(33, 'x') + " bssid 00:11:22:33:44:55 channel 6\n", 2, "longer than 32"},
        {ap + " ext SIDEWAYS\n", 2, "bad extension 'SIDEWAYS'"},
        {ap + " security WPA1PSKWPA2PSK/TKIPAES/X\n", 2, "bad security"},
        {ap + "\nap home ssid x bssid 00:11:22:33:44:56 channel 1\n", 3, "'home' declared twice (first on line 2)"},
        {ap + "\nap other ssid x bssid 00:11:22:33:44:55 channel 1\n", 3, "already belongs to 'home'"},
        {ap + "\nat 1m move hom channel 6\n", 3, "unknown access point 'hom' (declared: home)"},
        {ap + "\nat 1m move home 11\n", 3, "move takes 'NAME channel N [ext E]'"},
        {ap + "\nat soon hide home\n", 3, "bad time 'soon'"},
        {ap + "\nat 1m add home\n", 3, "add home: it is on the air already"},
        {ap + "\nat 1m remove home\nat 2m move home channel 1\n", 4, "home is off the air"},
        {ap + "\nrandom seed 1 every 2h..1h\n", 3, "every needs 1 s <= MIN <= MAX"},
        {end + "capture /nonexistent/site.txt\n", 2, "capture /nonexistent/site.txt: cannot read the file"},
        {end + "capture " RELAYWATCH_SOURCE_DIR "/samples/survey-hidden.txt home=00:11:22:33:44:56\n", 2,
         "no row has BSSID 00:11:22:33:44:56 (for 'home')"},
        {end + "capture /dev/null home\n", 2,
         "capture names access points as NAME=BSSID, or NAME=BSSID/SSID for a row that hides"},
        {end + "capture /dev/null home=00:11:22:33:44:55x\n", 2, "got 'home=00:11:22:33:44:55x'"},
        {end + "capture " + dir + "/empty.txt\n", 2, "empty.txt: the capture is empty: the driver printed nothing"},
        {end + "capture " RELAYWATCH_SOURCE_DIR "/samples/survey-hidden.txt flat=00:1a:2b:3c:4d:01/x\n", 2,
         "'flat' shows its SSID; only a row that hides it takes a real SSID"},
        {end + "capture " RELAYWATCH_SOURCE_DIR "/samples/survey-no-first-line.txt\n", 2,
         "capture: the table's heading is not where relaywatch skips it (either the capture was cut by hand"},
        {end + "capture " RELAYWATCH_SOURCE_DIR "/samples/survey-narrow.txt\n", 2,
         "capture: the table is not in the layout relaywatch reads (on a router printing this table relaywatch "
         "misreads every such row: it misses its upstream or re-tunes to wrong settings); rows from line 3 (20 of 20 "
         "with a BSSID)"},
        {"end 1m\nname a\0b\n"s, 2, "NUL byte at column 7"},
        {"\x1b[31m\xff\xc3\xa9 x\n", 1, "unknown directive '\\x1b[31m\\xff\xc3\xa9'"},  // valid UTF-8 kept
        {std::string(100000, 'x'), 1, "unknown directive '" + std::string(59, 'x') + "\xE2\x80\xA6 ("},
        {"end 3661d\n", 1, "end time '3661d' is longer than ten years (3660d)"},
        {"/nonexistent/x.scn", 0, "cannot read the file"},
        {dir, 0, "is a directory, not a scenario file"},
        {"/dev/zero", 0, "is a device, not a scenario file"},
        {fifo, 0, "is a FIFO (named pipe), not a scenario file"},
        {big, 0, "is larger than 1 MiB (1048576 bytes)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string file = c.line == 0 ? c.text : "bad.scn";
        try {
            c.line == 0 ? load_scenario(file) : parse_scenario(c.text, file);
            ADD_FAILURE() << "no error";
        } catch (const ScenarioError& e) {
            EXPECT_EQ(e.file(), file);
            EXPECT_EQ(e.line(), c.line);
            EXPECT_NE(e.message().find(c.message), std::string::npos) << e.message();
            const std::string where = c.line == 0 ? file : file + ":" + std::to_string(c.line);
            EXPECT_EQ(std::string(e.what()), where + ": " + e.message());
        }
    }
    std::filesystem::remove_all(dir);
}

// Text from outside keeps valid UTF-8; overlong forms, surrogates and code
// points beyond U+10FFFF are escaped byte by byte.
TEST(Text, ShownTextKeepsOnlyValidUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\xE0\xA0\x80", "a\xE0\xA0\x80"},       {"\xC3\xA9\xE0\x80\x80", "\xC3\xA9\\xe0\\x80\\x80"},
        {"\xED\x9F\xBF", "\xED\x9F\xBF"},         {"\xED\xA0\x80", "\\xed\\xa0\\x80"},
        {"\xF0\x90\x80\x80", "\xF0\x90\x80\x80"}, {"\xF0\x8F\xBF\xBF", "\\xf0\\x8f\\xbf\\xbf"},
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"}, {"\xF4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(shown_text(text), shown);
}

TEST(Text, ControlCharactersAreTheC0AndDelete) {
    EXPECT_TRUE(has_control("a\x1f") && has_control("a\x7f") && has_control("\t"));
    EXPECT_FALSE(has_control(" ~caf\xC3\xA9"));
}

TEST(Scenario, Durations) {
    const std::pair<const char*, long> cases[] = {
        // -1: refused
        {"0", 0},          {"90", 90}, {"90s", 90}, {"15m", 900}, {"2h", 7200}, {"30d", 2592000}, {"1h30m", 5400},
        {"1d12h", 129600}, {"", -1},   {"m", -1},   {"5x", -1},   {"1h30", -1}, {"-5", -1},       {"99999999999d", -1},
    };
    for (const auto& [text, seconds] : cases) {
        long s = -1;
        EXPECT_EQ(parse_duration(text, s), seconds >= 0) << text;
        EXPECT_EQ(s, seconds) << text;
    }
}

// A captured table's rows that the reader takes become the air, named by
// their BSSID or by the name given.
TEST(Scenario, ACapturedTableBecomesTheAir) {
    const Scenario sc = parse_scenario("end 1h\ncapture " RELAYWATCH_SOURCE_DIR
                                       "/samples/survey-junk.txt home=00:11:22:33:44:55\n"
                                       "at 1m move 00:11:22:33:44:56 channel 6\nat 2m remove 00:11:22:33:44:55\n",
                                       "site.scn");
    std::vector<std::string> air;
    for (const AccessPoint& ap : sc.aps) {
        air.push_back(ap.name + " " + ap.bssid + "|" + std::to_string(ap.channel) + "|" + ap.ssid +
                      (ap.hidden ? " hidden|" : "|") + ap.security + "|" + std::to_string(ap.signal) + "|" + ap.mode +
                      "|" + ap.ext + (ap.adhoc ? "|Ad" : ""));
    }
    EXPECT_EQ(air, (std::vector<std::string>{
                       "00:1a:2b:3c:4d:01 00:1a:2b:3c:4d:01|1|Flat 4B|WPA1PSKWPA2PSK/TKIPAES|41|11b/g/n|ABOVE",
                       "00:1a:2b:3c:4d:11 00:1a:2b:3c:4d:11|11|Home\x1b[7m|WPA2PSK/AES|31|11b/g/n|BELOW",
                       "home 00:11:22:33:44:55|11|home|WPA2PSK/TKIPAES|78|11b/g/n|BELOW",
                       "00:11:22:33:44:56 00:11:22:33:44:56|11|home|WPA2PSK/AES|66|11b/g/n|BELOW",
                   }))
        << "every junk line left out";
    EXPECT_TRUE(sc.events[0].ap == 3 && sc.events[1].ap == 2)
        << "by the BSSID it is named by, and by the BSSID of a name given";
}

}  // namespace

}  // namespace rwsim
