// Start-up: the snapshot, RadioState, the command line and the mode checks.
#include <optional>
#include <string>
#include <vector>

#include "tests/supervisor_fixture.h"

namespace {

using namespace supervisor_test;

using Startup = SupervisorTest;

TEST_F(Startup, ReadsTheNineKeysInOrderThenSetsUpRadioState) {
    fake.default_outputs[kChannelQuery] = "   11\n";
    fake.store =
        repeater_store({{"HT_EXTCHA", "0"}, {"ApCliAuthMode", std::string(40, 'A')}, {"ApCliEncrypType", "TKIP"}});
    const char* argv[] = {"relaywatch", "1", "0"};
    EXPECT_TRUE(startup(3, argv, sv).runLinkWatch);
    EXPECT_EQ(fake.events, (std::vector<std::string>{
                               "store OperationMode", "store ApCliEnable", "store ApCliSsid", "store ApCliBssid",
                               "store ApCliAuthMode", "store ApCliEncrypType", "store AuthMode", "store EncrypType",
                               "store HT_EXTCHA", std::string("read ") + kChannelQuery}));
    EXPECT_EQ(fake.out, "relaywatch: Start (looptime=1, sleeptime=0)\n");
    EXPECT_EQ(radio_state(), std::string(31, 'A') + "/TKIP/11/0");  // cut to the 32-byte buffer
    EXPECT_STREQ(sv.setting(kApCliSsid), "upstream");
}

// Every way start-up ends, and what it prints; all after the nine store reads
// and the channel query, none running a command. A mode check that ends the
// run releases the snapshot itself.
TEST_F(Startup, Paths) {
    const std::string error = "relaywatch: error, ", usage = "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]",
                      start = "relaywatch: Start (looptime=10, sleeptime=3)\n";
    const std::vector<const char*> args = {"10", "3"};
    const std::optional<int> runs;  // on to the link watch
    const struct { std::vector<const char*> args; const char *mode, *enable; std::optional<int> rc; std::string out;
                   int debugOn = 0; } cases[] = {
        // The argument count first, then looptime and sleeptime, then the modes.
        {{"10"}, "1", "1", -1, usage}, {{"10", "3", "debug", "x"}, "1", "1", -1, usage},
        {{"0", "3"}, "1", "1", -1, error + "looptime must be at least 1 (looptime=0)\n"},
        {{"-5", "3"}, "1", "1", -1, error + "looptime must be at least 1 (looptime=-5)\n"},
        {{"86401", "3"}, "1", "1", -1, error + "looptime must be at most 86400 (looptime=86401)\n"},
        {{"4294967297", "3"}, "1", "1", -1, error + "looptime must be at most 86400 (looptime=2147483647)\n"},
        {{"86400", "0"}, "3", "1", runs, "relaywatch: Start (looptime=86400, sleeptime=0)\n"},
        {{"10", "-1"}, "1", "1", -1, error + "sleeptime must not be negative (sleeptime=-1)\n"},
        {args, "1", "1", 0, error + "not repeater mode!\n"}, {args, "3abc", "0", 0, start + "relaywatch: repeater is not enabled!\n"},
        {{"10", "3", "debug"}, " 3", "1abc", runs, start, 1}, {{"10", "3", "Debug"}, "3", "1", runs, start},
        {{"10", "3", "debugx"}, "3", "1", runs, start},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        fake.store["OperationMode"] = c.mode;
        fake.store["ApCliEnable"] = c.enable;
        fake.events.clear();
        fake.out.clear();
        std::vector<const char*> argv = c.args;
        argv.insert(argv.begin(), "relaywatch");
        Supervisor fresh;
        const StartupResult r = startup(static_cast<int>(argv.size()), argv.data(), fresh);
        EXPECT_EQ(r.runLinkWatch ? std::nullopt : std::optional<int>(r.exitStatus), c.rc);
        EXPECT_EQ(fake.out, c.out);
        EXPECT_EQ(debug, c.debugOn);
        EXPECT_EQ(fake.events.size(), 10u);
        EXPECT_EQ(fake.store_texts_live, c.rc == 0 ? 0 : kSnapshotKeys);
    }
}

}  // namespace
