// Start-up: the snapshot, RadioState, the command line and the mode checks.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/supervisor_fixture.h"

namespace {

using namespace supervisor_test;

const char* const kUsage = "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]";
const std::string kStartLine = "relaywatch: Start (looptime=10, sleeptime=3)\n";

class Startup : public SupervisorTest {
protected:
    // The exit status; nullopt: on to the link watch.
    std::optional<int> run(std::vector<const char*> args) {
        args.insert(args.begin(), "relaywatch");
        fake.events.clear();
        fake.out.clear();
        last = std::make_unique<Supervisor>();  // kept until the next run
        StartupResult r = startup(static_cast<int>(args.size()), args.data(), *last);
        if (r.runLinkWatch) return std::nullopt;
        return r.exitStatus;
    }
    std::unique_ptr<Supervisor> last;
};

TEST_F(Startup, ReadsTheNineKeysInOrderThenQueriesTheChannel) {
    const char* argv[] = {"relaywatch", "1", "0"};
    EXPECT_TRUE(startup(3, argv, sv).runLinkWatch);
    EXPECT_EQ(fake.events, (std::vector<std::string>{
                               "store OperationMode", "store ApCliEnable", "store ApCliSsid", "store ApCliBssid",
                               "store ApCliAuthMode", "store ApCliEncrypType", "store AuthMode", "store EncrypType",
                               "store HT_EXTCHA", std::string("read ") + kChannelQuery}));
    EXPECT_EQ(fake.out, "relaywatch: Start (looptime=1, sleeptime=0)\n");
    EXPECT_EQ(sv.looptime, 1);
    EXPECT_EQ(sv.sleeptime, 0);
    EXPECT_EQ(debug, 0);
}

TEST_F(Startup, RadioStateStartsFromTheReportedChannelAndTheStore) {
    fake.default_outputs[kChannelQuery] = "   11\n";
    fake.store =
        repeater_store({{"HT_EXTCHA", "0"}, {"ApCliAuthMode", std::string(40, 'A')}, {"ApCliEncrypType", "TKIP"}});
    const char* argv[] = {"relaywatch", "10", "3"};
    ASSERT_TRUE(startup(3, argv, sv).runLinkWatch);
    EXPECT_EQ(radio_state(), std::string(31, 'A') + "/TKIP/11/0");  // cut to the 32-byte buffer
    EXPECT_STREQ(sv.setting(kApCliSsid), "upstream");
}

// Every way start-up ends, and what it prints; all after the nine store reads
// and the channel query, none running a command. A mode check that ends the
// run releases the snapshot itself.
TEST_F(Startup, Paths) {
    const std::string error = "relaywatch: error, ", notRepeater = error + "not repeater mode!\n",
                      notEnabled = kStartLine + "relaywatch: repeater is not enabled!\n";
    const std::vector<const char*> args = {"10", "3"};
    const std::optional<int> runs;
    const struct { std::vector<const char*> args; const char *mode, *enable; std::optional<int> rc; std::string out; } cases[] = {
        // The argument count first, then looptime and sleeptime, then the modes.
        {{"10"}, "1", "1", -1, kUsage}, {{}, "1", "1", -1, kUsage}, {{"10", "3", "debug", "x"}, "1", "1", -1, kUsage},
        {{"0", "3"}, "1", "1", -1, error + "looptime must be at least 1 (looptime=0)\n"},
        {{"abc", "3"}, "1", "1", -1, error + "looptime must be at least 1 (looptime=0)\n"},
        {{"-5", "3"}, "1", "1", -1, error + "looptime must be at least 1 (looptime=-5)\n"},
        {{"86401", "3"}, "1", "1", -1, error + "looptime must be at most 86400 (looptime=86401)\n"},
        {{"4294967297", "3"}, "1", "1", -1, error + "looptime must be at most 86400 (looptime=2147483647)\n"},
        {{"86400", "3"}, "3", "1", runs, "relaywatch: Start (looptime=86400, sleeptime=3)\n"},
        {{"10", "-1"}, "1", "1", -1, error + "sleeptime must not be negative (sleeptime=-1)\n"},
        {args, "1", "1", 0, notRepeater}, {args, "", "1", 0, notRepeater}, {args, "3abc", "0", 0, notEnabled},
        {args, "3", "", 0, notEnabled}, {args, "3", "1abc", runs, kStartLine},
        {args, " 3", " 1", runs, kStartLine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        fake.store["OperationMode"] = c.mode;
        fake.store["ApCliEnable"] = c.enable;
        EXPECT_EQ(run(c.args), c.rc);
        EXPECT_EQ(fake.out, c.out);
        EXPECT_EQ(fake.events.size(), 10u);
        EXPECT_EQ(fake.events.back(), std::string("read ") + kChannelQuery);
        EXPECT_EQ(fake.store_texts_live, c.rc == 0 ? 0 : kSnapshotKeys);
    }
}

TEST_F(Startup, OnlyTheExactWordDebugTurnsDebugOn) {
    for (const auto& [word, on] : {std::pair{"debug", 1}, {"Debug", 0}, {"debugx", 0}, {"", 0}}) {
        debug = 0;
        EXPECT_EQ(run({"10", "3", word}), std::nullopt);
        EXPECT_EQ(debug, on) << word;
    }
}

}  // namespace
