// The scenario format: what a file turns into, and how a bad one is reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "sim/scenario.h"

namespace {

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
    EXPECT_EQ(sc.end, 900);
    EXPECT_EQ(sc.args, (std::vector<std::string>{"10", "3", "debug"}));
    EXPECT_EQ(sc.connect_delay, 5);
    EXPECT_EQ(sc.start_channel, 6);
    EXPECT_EQ(sc.store.at("ApCliSsid"), "home");
    EXPECT_EQ(sc.store.at("WPAPSK1"), "correct horse battery");
    EXPECT_EQ(sc.store.at("OperationMode"), "3") << "keys not given keep the default store's value";

    ASSERT_EQ(sc.aps.size(), 3u);
    EXPECT_EQ(sc.aps[0].ext, "ABOVE");
    EXPECT_EQ(sc.aps[0].signal, 78);
    EXPECT_TRUE(sc.aps[1].hidden);
    EXPECT_EQ(sc.aps[1].ssid, "attic");
    EXPECT_EQ(sc.aps[1].ext, "NONE");
    EXPECT_EQ(sc.aps[1].security, "WPA2PSK/AES");
    EXPECT_EQ(sc.aps[2].ssid, "my net");
    EXPECT_FALSE(sc.aps[2].present);
    EXPECT_EQ(sc.aps[2].mode, "11a/n");

    ASSERT_EQ(sc.events.size(), 6u);
    EXPECT_EQ(sc.events[0].kind, EventKind::Hide) << "sorted by time, file order within a second";
    EXPECT_EQ(sc.events[1].kind, EventKind::LinkDown);
    EXPECT_EQ(sc.events[1].duration, 30);
    EXPECT_EQ(sc.events[2].kind, EventKind::Move);
    EXPECT_EQ(sc.events[2].channel, 11);
    EXPECT_EQ(sc.events[2].ext, "BELOW");
    EXPECT_EQ(sc.events[2].line, 14);
    EXPECT_EQ(sc.events[5].text, "ApCliBssid");
    EXPECT_EQ(sc.events[5].value, "00:11:22:33:44:55");

    EXPECT_TRUE(sc.random.enabled);
    EXPECT_EQ(sc.random.min_gap, 3600);
    EXPECT_EQ(sc.random.max_gap, 7200);
    EXPECT_EQ(sc.random.aps, std::vector<int>{0});
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

struct BadCase {
    std::string text;
    int line;
    const char* message;  // a part of the message
};

TEST(Scenario, ReportsFileLineAndWhatIsWrong) {
    const std::string ap = "ap home ssid home bssid 00:11:22:33:44:55 channel 6\n";
    const BadCase cases[] = {
        {"end 10m\nfrobnicate 3\n", 2, "unknown directive 'frobnicate'"},
        {"end 10m\nend 20m\n", 2, "end given twice (first on line 1)"},
        {"name x\n", 1, "no end time"},
        {"end ten\n", 1, "bad end time 'ten'"},
        {"end 1h30\n", 1, "bad end time"},
        {"end 10m\nradio channel 15\n", 2, "bad channel '15'"},
        {"end 10m\nradio channel 38\n", 2, "bad channel '38'"},
        {"end 10m\nradio channel 4294967297\n", 2, "bad channel '4294967297'"},  // no wrap to 1
        {"end 10m\nargs 10\n", 2, "args takes looptime, sleeptime"},
        {"end 10m\nstore =x\n", 2, "store needs KEY=VALUE"},
        {"end 10m\nstore Key-1=x\n", 2, "bad store key 'Key-1'"},
        {"end 10m\nap home ssid \"home bssid 00:11:22:33:44:55\n", 2, "unterminated quote"},
        {"end 10m\nap home ssid home channel 6\n", 2, "needs 'bssid"},
        {"end 10m\nap home bssid 00:11:22:33:44:55 channel 6\n", 2, "needs 'ssid TEXT' or 'hidden TEXT'"},
        {"end 10m\nap home ssid home bssid 00:11:22:33:44:55\n", 2, "needs 'channel N'"},
        {"end 10m\nap home ssid home bssid 00:11:22:33:44 channel 6\n", 2, "bad BSSID '00:11:22:33:44'"},
        {"end 10m\nap home ssid home bssid 00-11-22-33-44-55 channel 6\n", 2, "bad BSSID"},
        {"end 10m\nap home ssid \"\" bssid 00:11:22:33:44:55 channel 6\n", 2, "a shown SSID cannot be empty"},
        {"end 10m\nap home ssid 123456789012345678901234567890123 bssid 00:11:22:33:44:55 channel 6\n", 2,
         "longer than 32 bytes"},
        {"end 10m\nap home ssid home bssid 00:11:22:33:44:55 channel 6 ext SIDEWAYS\n", 2, "bad extension 'SIDEWAYS'"},
        {"end 10m\nap home ssid home bssid 00:11:22:33:44:55 channel 6 signal 101\n", 2, "bad signal '101'"},
        {"end 10m\nap home ssid home bssid 00:11:22:33:44:55 channel 6 security WPA1PSKWPA2PSK/TKIPAES/X\n", 2,
         "bad security"},
        {"end 10m\nap home ssid home bssid 00:11:22:33:44:55 channel 6 colour red\n", 2,
         "unknown access point attribute 'colour'"},
        {"end 10m\nap home ssid home bssid 00:11:22:33:44:55 channel 6\nap home ssid x bssid 00:11:22:33:44:56 channel 1\n",
         3, "access point 'home' declared twice (first on line 2)"},
        {"end 10m\nap home ssid home bssid 00:11:22:33:44:55 channel 6\nap other ssid x bssid 00:11:22:33:44:55 channel 1\n",
         3, "BSSID 00:11:22:33:44:55 already belongs to 'home'"},
        {"end 10m\nat 1m move home channel 6\n", 2, "unknown access point 'home' (none declared yet)"},
        {("end 10m\n" + ap + "at 1m move hom channel 6\n"), 3, "unknown access point 'hom' (declared: home)"},
        {("end 10m\n" + ap + "at 1m move home 11\n"), 3, "move takes 'NAME channel N [ext E]'"},
        {("end 10m\n" + ap + "at 1m explode home\n"), 3, "unknown event 'explode'"},
        {("end 10m\n" + ap + "at soon hide home\n"), 3, "bad time 'soon'"},
        {("end 10m\n" + ap + "at 10m hide home\n"), 3, "at or after the end"},
        {("end 10m\n" + ap + "at 1m hide home extra\n"), 3, "unexpected 'extra'"},
        {("end 10m\n" + ap + "at 1m linkdown 0\n"), 3, "at least 1 s"},
        {("end 10m\n" + ap + "at 1m add home\n"), 3, "add home: it is on the air already"},
        {("end 10m\n" + ap + "at 1m remove home\nat 2m move home channel 1\n"), 4, "home is off the air"},
        {("end 10m\n" + ap + "at 1m show home\n"), 3, "show home: it shows its SSID already"},
        {("end 10m\n" + ap + "random every 1h..2h\n"), 3, "random needs 'seed N'"},
        {("end 10m\n" + ap + "random seed 1 every 2h..1h\n"), 3, "every needs 1 s <= MIN <= MAX"},
        {("end 10m\n" + ap + "random seed 1 every 1h..2h do dance\n"), 3, "unknown random event 'dance'"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parse_scenario(c.text, "bad.scn");
            ADD_FAILURE() << "no error";
        } catch (const ScenarioError& e) {
            EXPECT_EQ(e.file(), "bad.scn");
            EXPECT_EQ(e.line(), c.line);
            EXPECT_NE(e.message().find(c.message), std::string::npos) << e.message();
            EXPECT_EQ(std::string(e.what()), "bad.scn:" + std::to_string(c.line) + ": " + e.message());
        }
    }
}

TEST(Scenario, AFileThatCannotBeReadIsNamed) {
    try {
        load_scenario("/nonexistent/x.scn");
        ADD_FAILURE() << "no error";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()), "/nonexistent/x.scn: cannot read the file");
    }
}

TEST(Scenario, Durations) {
    const struct {
        const char* text;
        long seconds;  // -1: refused
    } cases[] = {
        {"0", 0},   {"90", 90},      {"90s", 90},  {"15m", 900},  {"2h", 7200}, {"30d", 2592000},
        {"1h30m", 5400}, {"1d12h", 129600}, {"", -1}, {"m", -1}, {"5x", -1}, {"1h30", -1},
        {"-5", -1}, {"99999999999d", -1},
    };
    for (const auto& c : cases) {
        long s = -1;
        bool ok = parse_duration(c.text, s);
        EXPECT_EQ(ok, c.seconds >= 0) << c.text;
        if (ok) {
            EXPECT_EQ(s, c.seconds) << c.text;
        }
    }
}

TEST(Scenario, EveryShippedScenarioParses) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(RELAYWATCH_SOURCE_DIR "/scenarios")) {
        if (entry.path().extension() != ".scn") continue;
        ++found;
        SCOPED_TRACE(entry.path().string());
        EXPECT_NO_THROW(load_scenario(entry.path().string()));
    }
    EXPECT_GE(found, 7);
}

}  // namespace
