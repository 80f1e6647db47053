// The built daemon as a process: its start-up paths and exit statuses, and a
// run end to end in which it starts, takes ra0 down, surveys, finds the
// upstream on another channel and re-programs the radio; then it is killed.
#include "tests/exec_util.h"

namespace {

using namespace exec_util;
using DaemonEndToEnd = ExecTest;
using StartupExec = ExecTest;

TEST_F(StartupExec, PathsAndExitStatuses) {
    const std::string usage = "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]";
    const struct { const char *mode, *enable; std::vector<std::string> args; int status; std::string out; } cases[] = {
        {"3", "1", {"10"}, 255, usage},
        {"3", "1", {"10", "3", "debug", "extra"}, 255, usage},
        {"1", "1", {"10", "3"}, 0, "relaywatch: error, not repeater mode!\n"},
        {"3abc", "0", {"10", "3", "debug"}, 0,
         "relaywatch: Start (looptime=10, sleeptime=3)\nrelaywatch: repeater is not enabled!\n"},
        {"3", "1", {"0", "3"}, 255, "relaywatch: error, looptime must be at least 1 (looptime=0)\n"},
        {"3", "1", {"4294967297", "3"}, 255, "relaywatch: error, looptime must be at most 86400 (looptime=2147483647)\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        fs::path dir = prepare(std::to_string(n++), {{"OperationMode", c.mode}, {"ApCliEnable", c.enable}});
        pid_t pid = launch(dir, c.args);
        ASSERT_TRUE(poll([&] { return ended(pid); }, 10));
        EXPECT_TRUE(WIFEXITED(waits[pid]));
        EXPECT_EQ(WEXITSTATUS(waits[pid]), c.status);
        EXPECT_EQ(read_file(dir / "out.txt"), c.out);
        EXPECT_EQ(calls_in(dir), (std::vector<Call>{{"iwgetid", "-c", "ra0"}})) << "the channel query only";
    }
}

TEST_F(DaemonEndToEnd, RecoversAndReprogramsTheRadio) {
    const Store store = repeater_store({{"ApCliAuthMode", "WPAPSK"}, {"ApCliEncrypType", "TKIP"},
                                        {"AuthMode", "WPAPSKWPA2PSK"}, {"EncrypType", "TKIPAES"},
                                        {"SSID1", "my repeater"}, {"WPAPSK1", "correct horse battery"}});
    fs::path dir = prepare("e2e", store,
                           survey_table({{"11", "neighbour", "00:11:22:33:44:66"},
                                         {"3", "", "00:11:22:33:44:77", "NONE"},
                                         {"6", "upstream", "00:11:22:33:44:55", "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}}));
    pid_t pid = launch(dir, {"10", "3", "debug"});
    // First pass: 4 s of survey, 3 s of pause, 1 s of sleep; then sampling
    // passes of a second each. The third pass shows that the loop runs on.
    const fs::path log = dir / "out.txt";
    bool reached = poll([&] { return read_file(log).find("resetTimerArray[02]=") != std::string::npos; }, 40);
    EXPECT_FALSE(ended(pid));
    stop(pid);
    const std::string out = read_file(log);
    ASSERT_TRUE(reached) << out;
    EXPECT_EQ(out.rfind("relaywatch: Start (looptime=10, sleeptime=3)\n"
                        "relaywatch: AP disable\n"
                        "relaywatch: Scanning...\n"
                        "relaywatch: current Auth=WPAPSK EncrypType=TKIP Ch=1 ExtCh=1\n"
                        "relaywatch: Found AP upstream[] Ch=6(BELOW) Mode=WPA-PSK/WPA2-PSK(TKIP/AES)\n"
                        "relaywatch: Mode is changed, apply new settings...\n"
                        "relaywatch: manual_get_BSSID=00:11:22:33:44:55\n",
                        0),
              0u)
        << out;
    // Without the driver the status request fails: the uplink reads as down.
    EXPECT_NE(out.find("relaywatch: resetTimerArray[01]=0  [1011111111]\n"
                       "relaywatch: resetTimerArray[02]=0  [1001111111]\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(calls_in(dir), (std::vector<Call>{{"iwgetid", "-c", "ra0"},
                                                {"ifconfig", "ra0", "down"},
                                                {"iwpriv", "ra0", "set", "SiteSurvey=1"},
                                                {"iwpriv", "ra0", "get_site_survey"},
                                                {"iwpriv", "apcli0", "set", "ApCliAuthMode=WPA2PSK"},
                                                {"iwpriv", "apcli0", "set", "ApCliEncrypType=AES"},
                                                {"iwpriv", "ra0", "set", "Channel=6"},
                                                {"iwpriv", "ra0", "set", "HtExtcha=0"},
                                                {"iwpriv", "ra0", "set", "HtBw=1"},
                                                {"iwpriv", "ra0", "set", "WPAPSK=correct horse battery"},
                                                {"iwpriv", "ra0", "set", "SSID=my repeater"}}));
}

// The store file goes away while a recovery surveys (the driver tool takes
// it away at the first survey and puts it back at the second): that
// re-programming runs nothing and says why; the next one runs in full.
TEST_F(DaemonEndToEnd, AStoreThatCannotBeReadLeavesTheRadioAlone) {
    const fs::path dir =
        prepare("store", repeater_store(), survey_table({{"6", "upstream", "00:11:22:33:44:55", "WPA2PSK/AES", "BELOW"}}));
    fs::rename(dir / "iwpriv", dir / "iwpriv.real");
    std::ofstream(dir / "iwpriv") << "#!/bin/sh\nd=${0%/*}\nif [ \"$2\" = get_site_survey ]; then\n"
                                     "  if [ -e $d/nvram ]; then mv $d/nvram $d/nvram.away; else mv $d/nvram.away $d/nvram; fi\n"
                                     "fi\nexec $d/iwpriv.real \"$@\"\n";
    fs::permissions(dir / "iwpriv", fs::perms::owner_all);
    const pid_t pid = launch(dir, {"1", "0"});  // every pass without the uplink recovers
    const bool reached = poll([&] { return calls_in(dir).size() >= 11; }, 40);
    stop(pid);
    const std::string out = read_file(dir / "out.txt");
    ASSERT_TRUE(reached) << out;
    EXPECT_NE(out.find("relaywatch: error, cannot read SSID1 from the settings store, radio left as it was\n"),
              std::string::npos)
        << out;
    const std::vector<Call> calls = calls_in(dir);
    auto set = [](const char* what) { return Call{"iwpriv", "ra0", "set", what}; };
    const Call read = {"iwpriv", "ra0", "get_site_survey"};
    EXPECT_EQ(std::vector<Call>(calls.begin(), calls.begin() + 11),
              (std::vector<Call>{{"iwgetid", "-c", "ra0"}, {"ifconfig", "ra0", "down"}, set("SiteSurvey=1"), read,
                                 set("SiteSurvey=1"), read, set("Channel=6"), set("HtExtcha=0"), set("HtBw=1"),
                                 set("WPAPSK=passphrase"), set("SSID=repeater")}));
}

}  // namespace
