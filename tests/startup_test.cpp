// Start-up: the snapshot, RadioState, the command line and the mode checks.
#include <algorithm>
#include <string>
#include <vector>

#include "supervisor/supervisor.h"
#include "tests/fake_platform.h"

namespace {

const char* const kChannelQuery = "iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'";
const char* const kUsage = "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]";

class Startup : public FakeTest {
protected:
    void SetUp() override {
        FakeTest::SetUp();
        fake.store = {{"OperationMode", "3"},        {"ApCliEnable", "1"},
                      {"ApCliSsid", "upstream"},     {"ApCliBssid", ""},
                      {"ApCliAuthMode", "WPA2PSK"},  {"ApCliEncrypType", "AES"},
                      {"AuthMode", "WPA2PSK"},       {"EncrypType", "AES"},
                      {"HT_EXTCHA", "1"}};
        fake.default_outputs[kChannelQuery] = "   11\n";
    }

    int start(std::vector<const char*> args) {
        args.insert(args.begin(), "relaywatch");
        return startup(static_cast<int>(args.size()), args.data(), sv);
    }

    Supervisor sv;
};

TEST_F(Startup, ReadsTheNineKeysInOrderThenQueriesTheChannel) {
    EXPECT_EQ(start({"10", "3"}), kRunLinkWatch);
    std::vector<std::string> expected = {
        "store OperationMode", "store ApCliEnable",     "store ApCliSsid",
        "store ApCliBssid",    "store ApCliAuthMode",   "store ApCliEncrypType",
        "store AuthMode",      "store EncrypType",      "store HT_EXTCHA",
        std::string("read ") + kChannelQuery};
    EXPECT_EQ(fake.events, expected);
    EXPECT_EQ(fake.out, "relaywatch: Start (looptime=10, sleeptime=3)\n");
    EXPECT_EQ(sv.looptime, 10);
    EXPECT_EQ(sv.sleeptime, 3);
    EXPECT_EQ(debug, 0);
}

TEST_F(Startup, RadioStateStartsFromTheReportedChannelAndTheStore) {
    fake.store["HT_EXTCHA"] = "0";
    fake.store["ApCliAuthMode"] = std::string(40, 'A');
    fake.store["ApCliEncrypType"] = "TKIP";
    ASSERT_EQ(start({"10", "3"}), kRunLinkWatch);
    EXPECT_EQ(sv.radio.curChannel, 11);
    EXPECT_EQ(sv.radio.curExtCh, 0);
    // A longer stored text is cut to what the 32-byte buffer holds.
    EXPECT_EQ(sv.radio.curAuth.view(), std::string(31, 'A'));
    EXPECT_EQ(sv.radio.curEnc.view(), "TKIP");
    EXPECT_STREQ(sv.setting(kApCliSsid), "upstream");
}

TEST_F(Startup, WrongArgumentCountPrintsOnlyTheUsageAfterReadingTheStore) {
    fake.store["OperationMode"] = "1";  // the mode is not even looked at
    for (std::vector<const char*> args : {std::vector<const char*>{"10"},
                                          std::vector<const char*>{},
                                          std::vector<const char*>{"10", "3", "debug", "x"}}) {
        fake.events.clear();
        fake.out.clear();
        EXPECT_EQ(start(args), -1);
        EXPECT_EQ(fake.out, kUsage);
        ASSERT_EQ(fake.events.size(), 10u);
        EXPECT_EQ(fake.events.back(), std::string("read ") + kChannelQuery);
    }
}

TEST_F(Startup, ModeChecks) {
    struct Case {
        const char* operationMode;
        const char* apCliEnable;
        int rc;
        std::string out;
    };
    const std::string startLine = "relaywatch: Start (looptime=10, sleeptime=3)\n";
    const Case cases[] = {
        {"1", "1", 0, "relaywatch: error, not repeater mode!\n"},
        {"", "1", 0, "relaywatch: error, not repeater mode!\n"},
        {"3abc", "0", 0, startLine + "relaywatch: repeater is not enabled!\n"},
        {"3", "", 0, startLine + "relaywatch: repeater is not enabled!\n"},
        {"3", "1abc", kRunLinkWatch, startLine},
        {" 3", " 1", kRunLinkWatch, startLine},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.operationMode) + "/" + c.apCliEnable);
        fake.out.clear();
        fake.store["OperationMode"] = c.operationMode;
        fake.store["ApCliEnable"] = c.apCliEnable;
        Supervisor fresh;
        const char* argv[] = {"relaywatch", "10", "3"};
        EXPECT_EQ(startup(3, argv, fresh), c.rc);
        EXPECT_EQ(fake.out, c.out);
        if (c.rc == 0) {
            EXPECT_EQ(fake.store_texts_live, 0) << "snapshot released";
        }
        EXPECT_TRUE(fake.runs().empty());
    }
}

TEST_F(Startup, RejectsAWindowWithoutSlotsAndANegativePause) {
    struct Case {
        const char* looptime;
        const char* sleeptime;
        const char* names;
    };
    const Case cases[] = {{"0", "3", "looptime"}, {"abc", "3", "looptime"},
                          {"-5", "3", "looptime"}, {"10", "-1", "sleeptime"}};
    fake.store["OperationMode"] = "1";  // checked after the arguments
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.looptime) + " " + c.sleeptime);
        fake.out.clear();
        Supervisor fresh;
        const char* argv[] = {"relaywatch", c.looptime, c.sleeptime};
        EXPECT_EQ(startup(3, argv, fresh), -1);
        EXPECT_EQ(fake.out.rfind("relaywatch: ", 0), 0u) << fake.out;
        EXPECT_NE(fake.out.find(c.names), std::string::npos) << fake.out;
        EXPECT_EQ(std::count(fake.out.begin(), fake.out.end(), '\n'), 1);
        EXPECT_TRUE(fake.runs().empty());
    }
}

TEST_F(Startup, SleeptimeZeroIsAccepted) {
    EXPECT_EQ(start({"1", "0"}), kRunLinkWatch);
    EXPECT_EQ(fake.out, "relaywatch: Start (looptime=1, sleeptime=0)\n");
}

TEST_F(Startup, OnlyTheExactWordDebugTurnsDebugOn) {
    const std::pair<const char*, int> cases[] = {{"debug", 1}, {"Debug", 0}, {"debugx", 0}, {"", 0}};
    for (const auto& [word, expected] : cases) {
        debug = 0;
        Supervisor fresh;
        const char* argv[] = {"relaywatch", "10", "3", word};
        EXPECT_EQ(startup(4, argv, fresh), kRunLinkWatch);
        EXPECT_EQ(debug, expected) << word;
    }
}

}  // namespace
