// SPDX-License-Identifier: ISC
// The supervisor against the fake: start-up, the link watch (the gate and
// the window that starts a recovery, one pass at a time) and the recovery
// cycle (the end-to-end run follows an upstream with mixed texts).
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "supervisor/supervisor.h"
#include "tests/fake_test.h"

namespace {

const char* const kChannelQuery = "iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'";
const char* const kSurveyRead = "iwpriv ra0 get_site_survey";

// The fake reports ra0 on channel 1.
class SupervisorTest : public FakeTest {
protected:
    void SetUp() override {
        FakeTest::SetUp();
        fake.default_outputs[kChannelQuery] = "1\n";
    }

    // Start-up (with "debug" unless told otherwise) and the link watch's
    // set-up, forgetting what they recorded.
    void start(int looptime, int sleeptime, const char* word = "debug") {
        std::string loop = std::to_string(looptime);
        std::string pause = std::to_string(sleeptime);
        const char* argv[] = {"relaywatch", loop.c_str(), pause.c_str(), word};
        ASSERT_TRUE(startup(4, argv, sv).runLinkWatch);
        ASSERT_TRUE(linkwatch_setup(sv));
        fake.events.clear();
        fake.out.clear();
    }

    // One pass with the driver reporting `sample` (the first pass takes none).
    void pass_with(int sample) {
        fake.statuses.push_back(sample);
        linkwatch_pass(sv);
    }

    // RadioState as "auth/enc/channel/flag".
    std::string radio_state() const {
        return std::string(sv.radio.curAuth.view()) + "/" + std::string(sv.radio.curEnc.view()) + "/" +
               std::to_string(sv.radio.curChannel) + "/" + std::to_string(sv.radio.curExtCh);
    }

    std::vector<int> window() const {
        std::vector<int> samples(sv.resetTimerArray.ptr, sv.resetTimerArray.ptr + sv.looptime);
        for (int& sample : samples) sample = window_sample(sample);
        return samples;
    }

    Supervisor sv;
};

// --- start-up ---------------------------------------------------------------

using Startup = SupervisorTest;

TEST_F(Startup, RadioStateFromTheReportedChannelAndTheStore) {
    fake.default_outputs[kChannelQuery] = "   11\n";
    fake.store =
        repeater_store({{"HT_EXTCHA", "0"}, {"ApCliAuthMode", std::string(40, 'A')}, {"ApCliEncrypType", "TKIP"}});
    start(1, 0);
    EXPECT_EQ(radio_state(), std::string(31, 'A') + "/TKIP/11/0");  // cut to the 32-byte buffer
}

// Every way start-up ends, and what it prints; all after the nine store reads
// and the channel query, none running a command. The snapshot stays with the
// Supervisor, whichever way start-up ends, until the Supervisor goes.
TEST_F(Startup, Paths) {
    const std::string error = "relaywatch: error, ", usage = "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]",
                      start = "relaywatch: Start (looptime=10, sleeptime=3)\n";
    const std::vector<const char*> args = {"10", "3"};
    const std::optional<int> runs;  // on to the link watch
    const struct {
        std::vector<const char*> args;
        const char *mode, *enable;
        std::optional<int> rc;
        std::string out;
        int debugOn = 0;
    } cases[] = {
        // The argument count first, then looptime and sleeptime, then the modes.
        {{"10"}, "1", "1", -1, usage},
        {{"10", "3", "debug", "x"}, "1", "1", -1, usage},
        {{"0", "3"}, "1", "1", -1, error + "looptime must be at least 1 (looptime=0)\n"},
        {{"86401", "3"}, "1", "1", -1, error + "looptime must be at most 86400 (looptime=86401)\n"},
        {{"4294967297", "3"}, "1", "1", -1, error + "looptime must be at most 86400 (looptime=2147483647)\n"},
        {{"2147483648", "3"}, "1", "1", -1, error + "looptime must be at most 86400 (looptime=2147483647)\n"},
        {{"10", "-2147483649"}, "1", "1", -1, error + "sleeptime must not be negative (sleeptime=-2147483648)\n"},
        {{"86400", "0"}, "3", "1", runs, "relaywatch: Start (looptime=86400, sleeptime=0)\n"},
        {{"10", "-1"}, "1", "1", -1, error + "sleeptime must not be negative (sleeptime=-1)\n"},
        {args, "1", "1", 0, error + "not repeater mode!\n"},
        {args, "3abc", "0", 0, start + "relaywatch: repeater is not enabled!\n"},
        {{"10", "3", "debug"}, " 3", "1abc", runs, start, 1},
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
        {
            Supervisor fresh;
            const StartupResult r = startup(static_cast<int>(argv.size()), argv.data(), fresh);
            EXPECT_EQ(r.runLinkWatch ? std::nullopt : std::optional<int>(r.exitStatus), c.rc);
            EXPECT_EQ(fake.out, c.out);
            EXPECT_EQ(debug, c.debugOn);
            EXPECT_EQ(fake.events.size(), 10u);
            EXPECT_EQ(fake.store_texts_live, kSnapshotKeys);
        }
        EXPECT_EQ(fake.store_texts_live, 0) << "released when the Supervisor goes";
        if (c.rc) {  // the exit status of the whole program
            EXPECT_EQ(relaywatch_main(static_cast<int>(argv.size()), argv.data()), *c.rc);
        }
    }
}

// --- the link watch ------------------------------------------------------------

class LinkWatch : public SupervisorTest {
protected:
    // The passes after the first (run here if not yet), counted from 1, that
    // recover.
    std::vector<int> recoveries_over(const std::vector<int>& samples) {
        if (!sv.firstPassDone) linkwatch_pass(sv);
        std::vector<int> recoveries;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            fake.events.clear();
            pass_with(samples[i]);
            if (!fake.events_of(std::string("read ") + kSurveyRead).empty()) recoveries.push_back(int(i) + 1);
        }
        return recoveries;
    }
};

TEST_F(LinkWatch, AWindowThatCannotBeAllocatedEndsTheRunWithOneErrorLine) {
    fake.allocs_until_failure = 0;
    const char* argv[] = {"relaywatch", "10", "3", "debug"};
    EXPECT_NE(relaywatch_main(4, argv), 0);
    EXPECT_EQ(fake.out,
              "relaywatch: Start (looptime=10, sleeptime=3)\n"
              "relaywatch: error, no memory for a window of 10 samples\n");
    EXPECT_TRUE(fake.runs().empty());
}

TEST_F(LinkWatch, TheFirstPassRecoversAtOnceWithoutASample) {
    start(3, 0);
    linkwatch_pass(sv);
    EXPECT_TRUE(fake.events_of("ioctl").empty());
    EXPECT_EQ(fake.events_of("sleep "), (std::vector<std::string>{"4", "0", "1"}));  // survey, sleeptime, pass
}

// The gate over a run of samples: at which sample (counted from 1, after the
// first pass) ra0 is switched, in "N:up" / "N:down" form. The set-up takes
// it down.
TEST_F(LinkWatch, TheGateSwitchesOnlyAfterFiveSamplesThatFollowAnEqualOne) {
    const struct {
        const char* name;
        std::string samples;
        std::vector<std::string> switches;
    } cases[] = {
        // After a change the first sample only clears the counters.
        {"down after up", "11111000000", {"5:up", "11:down"}},
        // A sample of 2 clears both counters and starts no count of its own.
        {"a 2 restarts the count", "11112111111", {"11:up"}},
        {"a 2 among zeros", "111110002000000", {"5:up", "15:down"}},
        {"a run of 2s counts neither way", "1111122222222", {"5:up"}},
        // Up from the start counts from the first sample: the sixth pass.
        {"steady uplink: the counter runs round without output", std::string(40, '1'), {"5:up"}},
    };
    for (const auto& c : cases) {  // samples one digit each; without debug only the gate prints
        SCOPED_TRACE(c.name);
        start(10, 0, "quiet");
        linkwatch_pass(sv);  // the first recovery
        std::vector<std::string> switches;
        std::string lines;
        for (std::size_t i = 0; i < c.samples.size(); ++i) {
            fake.events.clear();
            pass_with(c.samples[i] - '0');
            for (const std::string& way : fake.events_of("run ifconfig ra0 ")) {
                switches.push_back(std::to_string(i + 1) + ":" + way);
                lines += way == "up" ? "relaywatch: AP enable\n" : "relaywatch: AP disable\n";
            }
        }
        EXPECT_EQ(switches, c.switches);
        EXPECT_EQ(fake.out, lines);
    }
}

// The daemon runs for months: a pass without a recovery takes nothing from
// the heap, also with debug on and a window line longer than its 256-byte
// chunk. The line gathers there, written whenever the next value might not
// fit: here midway, and before "]\n" when the digits end on the last byte.
TEST_F(LinkWatch, APassAllocatesNothingAndItsWindowLineFillsItsChunkToTheLastByte) {
    for (const auto& [last, writes] : {std::pair{1000000000, 2}, {-2147483647 - 1, 3}}) {  // 10 and 11 characters
        start(454, 0);
        sv.firstPassDone = true;
        sv.resetTimerArray[453] = window_slot(last);
        fake.writes = fake.allocations = 0;
        pass_with(1);
        EXPECT_EQ(fake.out,
                  "relaywatch: resetTimerArray[00]=1  [" + std::string(453, '1') + std::to_string(last) + "]\n");
        EXPECT_EQ(fake.writes, writes) << last;
        EXPECT_EQ(fake.allocations, 0);
    }
}

// A log line is formatted in a 256-byte stack buffer when it fits there with
// its terminator, else on the heap; either way it goes out whole.
using LogLine = FakeTest;
TEST_F(LogLine, OneByteMoreThanTheStackBufferHoldsComesFromTheHeap) {
    for (const std::size_t size : {255u, 256u}) {
        fake.reset();
        const std::string line = "relaywatch: " + std::string(size - 13, 'x') + "\n";
        say("%s", line.c_str() + 12);
        EXPECT_EQ(fake.out, line);
        EXPECT_EQ(fake.allocations, size == 256 ? 1 : 0) << size;
    }
}

// The survey shows nothing: no recovery marks its slot (nor does the first
// pass). With a loop of one, every sample but 1 recovers in the same pass.
TEST_F(LinkWatch, AnUnmarkedRecoveryRecoversAgainUntilASampleOfOne) {
    start(3, 0);
    EXPECT_EQ(recoveries_over({0, 0, 0, 0, 1, 0, 0, 0, 0}), (std::vector<int>{3, 4, 8, 9}));
    start(1, 0);
    EXPECT_EQ(recoveries_over({0, 1, 2, 1, -1}), (std::vector<int>{1, 3, 5}));
}

TEST_F(LinkWatch, AMarkedRecoveryWaitsAFullWindow) {
    fake.default_outputs[kSurveyRead] = survey_table({{"6", "", "00:aa:00:00:00:01"}, {"1", "upstream"}});
    start(3, 0);
    EXPECT_EQ(recoveries_over(std::vector<int>(9, 0)), (std::vector<int>{3, 6, 9}));
    // The dump shows the window after the pass's sample, before its
    // recovery; the mark shows in the next pass's dump.
    EXPECT_NE(fake.out.find("relaywatch: resetTimerArray[00]=0  [000]\n"
                            "relaywatch: Disconnect over 3 seconds.\n"),
              std::string::npos);
    EXPECT_NE(fake.out.find("relaywatch: resetTimerArray[01]=0  [100]\n"), std::string::npos);
}

// --- the recovery cycle ----------------------------------------------------------

const char *const kA1 = "00:aa:00:00:00:01", *const kA2 = "00:aa:00:00:00:02", *const kA3 = "00:aa:00:00:00:03";

using Strings = std::vector<std::string>;
const char* const kTrigger = "iwpriv ra0 set SiteSurvey=1";

class Recovery : public SupervisorTest {
protected:
    // Start with looptime 5 and sleeptime 3, a window without a 1 and the
    // cycle due in slot 2.
    void start_due() {
        start(5, 3);
        for (int slot = 0; slot < 5; ++slot) sv.resetTimerArray[slot] = window_slot(0);
        sv.timerIndex = 2;
    }

    // The start of a walk over three hidden access points, the first on 6.
    const std::string kWalk =
        "relaywatch: Scanning...\n"
        "relaywatch: Not found in broadcast SSID list.\n"
        "relaywatch: Found 3 hidden SSID AP.\n"
        "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=1 ExtCh=1\n"
        "relaywatch: [1/3] AP(00:aa:00:00:00:01) (WPA2PSK/AES) ch=6\n"
        "relaywatch: Mode is changed, apply new settings...\n";
    const std::vector<int> kMarked = {0, 0, 1, 0, 0}, kUnmarked = std::vector<int>(5, 0);
};

// Without a walk: the upstream with the settings in force marks the slot,
// no upstream and no hidden access point does not; either pauses sleeptime.
TEST_F(Recovery, WithoutAWalkOnlyTheUpstreamMarksTheSlot) {
    const std::string upstream =
                          "relaywatch: Scanning...\n"
                          "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=1 ExtCh=1\n"
                          "relaywatch: Found AP upstream[] Ch=1(ABOVE) Mode=WPA2PSK(AES)\n"
                          "relaywatch: Mode is not change.\n",
                      none =
                          "relaywatch: Scanning...\n"
                          "relaywatch: Not found in broadcast SSID list.\n"
                          "relaywatch: Not found any hidden SSID, delay 3 seconds.\n";
    for (const auto& [ssid, out, marked] :
         {std::tuple{"upstream", upstream, kMarked}, {"neighbour", none, kUnmarked}}) {
        fake.push_survey(survey_table({{"1", ssid}}));
        start_due();
        recovery_cycle(sv);
        EXPECT_EQ(fake.out, out);
        EXPECT_EQ(window(), marked);
        EXPECT_EQ(fake.events.back(), "sleep 3");
    }
}

TEST_F(Recovery, TheFirstHiddenAccessPointThatConnectsEndsTheWalkAtOnceAndIsRemembered) {
    fake.push_survey(survey_table({{"6", "", kA1}, {"11", "", kA2, "WPA1PSKWPA2PSK/TKIPAES"}, {"36", "", kA3}}));
    fake.statuses = {0, 2};  // any non-zero status counts as connected here
    start_due();
    recovery_cycle(sv);
    EXPECT_EQ(fake.out, kWalk +
                            "relaywatch: waitlinkstatus=0\n"
                            "relaywatch: waitlinkstatus=2\n"
                            "relaywatch: Found hidden AP and connected.\n"
                            "relaywatch: manual_get_BSSID=00:aa:00:00:00:01\n");
    EXPECT_EQ(sv.manual_get_BSSID.view(), kA1);
    EXPECT_EQ(window(), kMarked);
    EXPECT_EQ(fake.events.back(), "close") << "no pause after a connection";
    EXPECT_EQ(sv.radio.curChannel, 6);
    EXPECT_EQ(fake.live_allocations, 1) << "only the window: the cycle released its hidden list";
}

TEST_F(Recovery, WhenNoHiddenAccessPointConnectsTheRadioKeepsTheLastOneApplied) {
    fake.push_survey(survey_table({{"6", "", kA1},
                                   {"6", "", kA2},  // equal to the first
                                   {"11", "", kA3, "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}}));
    start_due();
    recovery_cycle(sv);
    std::string failedWait;
    for (int i = 0; i < 5; ++i) failedWait += "relaywatch: waitlinkstatus=0\n";
    EXPECT_EQ(fake.out, kWalk + failedWait +
                            "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=1\n"
                            "relaywatch: [2/3] AP(00:aa:00:00:00:02) (WPA2PSK/AES) ch=6\n"
                            "relaywatch: Mode is not change, ignore.\n"
                            "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=1\n"
                            "relaywatch: [3/3] AP(00:aa:00:00:00:03) (WPA-PSK/WPA2-PSK/TKIP/AES) ch=11\n"
                            "relaywatch: Mode is changed, apply new settings...\n" +
                            failedWait + "relaywatch: can't connect to any hiddeh AP, delay 3 seconds.\n");
    EXPECT_EQ(fake.events_of("run iwpriv ra0 set Channel="), (Strings{"6", "11"}));
    EXPECT_EQ(radio_state(), "WPA2PSK/AES/11/0");
    EXPECT_EQ(sv.manual_get_BSSID.view(), "0");
    EXPECT_EQ(window(), kUnmarked);
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

// A store that cannot be read leaves the radio as it was: no command and no
// link wait; the walk ends there.
TEST_F(Recovery, AnUnreadableStoreEndsTheWalkWithoutACommand) {
    fake.push_survey(survey_table({{"6", "", kA1}, {"11", "", kA2}, {"36", "", kA3}}));
    start_due();
    fake.store_unreadable = {"WPAPSK1"};
    recovery_cycle(sv);
    EXPECT_EQ(fake.out, kWalk +
                            "relaywatch: error, cannot read WPAPSK1 from the settings store, radio left as it was\n"
                            "relaywatch: can't connect to any hiddeh AP, delay 3 seconds.\n");
    EXPECT_EQ(fake.runs(), Strings{kTrigger});
    EXPECT_TRUE(fake.events_of("ioctl").empty());
    EXPECT_EQ(radio_state(), "WPA2PSK/AES/1/1");
    EXPECT_EQ(window(), kUnmarked);
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

}  // namespace
