// The built daemon as a process, its tools replaced by recording stand-ins:
// start-up's exit statuses, a run end to end with stored values that try to
// break out of their command lines, and a store that goes away while a
// recovery surveys.
#include "tests/exec_util.h"

namespace {

using namespace exec_util;
using DaemonProcess = ExecTest;

const Call kTrigger = {"iwpriv", "ra0", "set", "SiteSurvey=1"}, kRead = {"iwpriv", "ra0", "get_site_survey"};

Call set(const std::string& what) { return {"iwpriv", "ra0", "set", what}; }

TEST_F(DaemonProcess, StartupEndsWithItsExitStatus) {
    const struct { const char* mode; std::vector<std::string> args; int status; std::string out; } cases[] = {
        {"3", {"10", "3", "debug", "extra"}, 255, "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]"},
        {"1", {"10", "3"}, 0, "relaywatch: error, not repeater mode!\n"},
        {"3", {"4294967297", "3"}, 255, "relaywatch: error, looptime must be at most 86400 (looptime=2147483647)\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        fs::path dir = prepare(std::to_string(n++), {{"OperationMode", c.mode}, {"ApCliEnable", "1"}});
        pid_t pid = launch(dir, c.args);
        ASSERT_TRUE(poll([&] { return ended(pid); }, 10));
        EXPECT_TRUE(WIFEXITED(waits[pid]) && WEXITSTATUS(waits[pid]) == c.status) << waits[pid];
        EXPECT_EQ(read_file(dir / "out.txt"), c.out);
        EXPECT_EQ(calls_in(dir), (std::vector<Call>{{"iwgetid", "-c", "ra0"}})) << "the channel query only";
    }
}

// Each stored value reaches its tool through /bin/sh as the one argument it
// was stored as; the configured SSID is only compared. None may leave a file.
TEST_F(DaemonProcess, RecoversAndReprogramsTheRadioWithHostileStoredValues) {
    const std::string upstream = "up $(touch canary)", ssid = "Café ☕ `touch canary`;touch canary|>canary&",
                      bandwidth = "1 >canary", key = "x' ; touch canary ; 'y\\ \"&& $HOME * #";
    const Store store = repeater_store({{"ApCliAuthMode", "WPAPSK"}, {"ApCliEncrypType", "TKIP"},
                                        {"AuthMode", "WPAPSKWPA2PSK"}, {"EncrypType", "TKIPAES"},
                                        {"ApCliSsid", upstream}, {"SSID1", ssid}, {"HT_BW", bandwidth},
                                        {"WPAPSK1", key}});
    fs::path dir = prepare("e2e", store,
                           survey_table({{"11", "neighbour", "00:11:22:33:44:66"},
                                         {"3", "", "00:11:22:33:44:77", "NONE"},
                                         {"6", upstream, "00:11:22:33:44:55", "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}}));
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
                        "relaywatch: Found AP " + upstream + "[] Ch=6(BELOW) Mode=WPA-PSK/WPA2-PSK(TKIP/AES)\n"
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
    EXPECT_EQ(calls_in(dir), (std::vector<Call>{{"iwgetid", "-c", "ra0"}, {"ifconfig", "ra0", "down"}, kTrigger, kRead,
                                                {"iwpriv", "apcli0", "set", "ApCliAuthMode=WPA2PSK"},
                                                {"iwpriv", "apcli0", "set", "ApCliEncrypType=AES"}, set("Channel=6"),
                                                set("HtExtcha=0"), set("HtBw=" + bandwidth), set("WPAPSK=" + key),
                                                set("SSID=" + ssid)}));
    EXPECT_FALSE(fs::exists(dir / "canary"));
}

// The store file goes away while a recovery surveys (the driver tool takes
// it away at the first survey and puts it back at the second): that
// re-programming runs nothing and says why; the next one runs in full.
TEST_F(DaemonProcess, AStoreThatCannotBeReadLeavesTheRadioAlone) {
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
    EXPECT_EQ(std::vector<Call>(calls.begin(), calls.begin() + 11),
              (std::vector<Call>{{"iwgetid", "-c", "ra0"}, {"ifconfig", "ra0", "down"}, kTrigger, kRead, kTrigger, kRead,
                                 set("Channel=6"), set("HtExtcha=0"), set("HtBw=1"), set("WPAPSK=passphrase"),
                                 set("SSID=repeater")}));
}

}  // namespace
