// The link watch: set-up, the access-point gate and the window that starts
// the recovery cycle, driven one pass at a time.
#include <string>
#include <vector>

#include "tests/supervisor_fixture.h"

namespace {

using namespace supervisor_test;

const char* const kScanning = "relaywatch: Scanning...\n";

class LinkWatch : public SupervisorTest {
protected:
    // The passes after the first (run here if not yet), counted from 1, that
    // recover.
    std::vector<int> recoveries_over(const std::vector<int>& samples) {
        if (sv.firstPass) linkwatch_pass(sv);
        std::vector<int> recoveries;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            int before = count_of(fake.out, kScanning);
            pass_with(samples[i]);
            if (count_of(fake.out, kScanning) > before) recoveries.push_back(static_cast<int>(i) + 1);
        }
        return recoveries;
    }
};

TEST_F(LinkWatch, AWindowThatCannotBeAllocatedEndsTheRunWithOneErrorLine) {
    fake.allocs_until_failure = 0;
    const char* argv[] = {"relaywatch", "10", "3", "debug"};
    EXPECT_NE(relaywatch_main(4, argv), 0);
    EXPECT_EQ(fake.out, "relaywatch: Start (looptime=10, sleeptime=3)\n"
                        "relaywatch: error, no memory for a window of 10 samples\n");
    EXPECT_TRUE(fake.runs().empty());
}

TEST_F(LinkWatch, TheFirstPassRecoversAtOnceWithoutASample) {
    start(3, 0);
    linkwatch_pass(sv);
    EXPECT_TRUE(fake.events_of("ioctl").empty());
    EXPECT_EQ(fake.out.rfind(kScanning, 0), 0u) << fake.out;
    // The survey's pause, the recovery's pause of sleeptime, the pass's second.
    EXPECT_EQ(fake.events_of("sleep "), (std::vector<std::string>{"4", "0", "1"}));
    EXPECT_EQ(sv.timerIndex, 1);
    // The window still holds only ones: the next recovery waits for three
    // samples without a 1.
    EXPECT_EQ(window(), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(recoveries_over({0, 0, 0}), std::vector<int>{3});
}

// The gate over a run of samples: at which sample (counted from 1, after the
// first pass) ra0 is switched, in "N:up" / "N:down" form. The set-up takes
// it down.
TEST_F(LinkWatch, TheGateSwitchesOnlyAfterFiveSamplesThatFollowAnEqualOne) {
    const struct { const char* name; std::string samples; std::vector<std::string> switches; } cases[] = {
        // Up from the start counts from the first sample: the sixth pass.
        {"up from the start", "11111", {"5:up"}},
        {"up from the start, four samples only", "1111", {}},
        // After a change the first sample only clears the counters.
        {"up after down", "000111111", {"9:up"}},
        {"down after up", "11111000000", {"5:up", "11:down"}},
        {"alternating", "1010101010101010", {}},
        // A sample of 2 clears both counters and starts no count of its own.
        {"a 2 restarts the count", "11112111111", {"11:up"}},
        {"a 2 among zeros", "111110002000000", {"5:up", "15:down"}},
        {"steady uplink: the counter runs round without output", std::string(40, '1'), {"5:up"}},
    };
    // Samples one digit each. What the recoveries find, case by case: the
    // upstream, a hidden one, nothing.
    const std::string surveys[] = {survey_table({{"1", "upstream"}}), survey_table({{"6", "", "00:aa:00:00:00:01"}}),
                                   ""};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeTest::SetUp();
        fake.default_outputs[kSurveyRead] = surveys[n++ % 3];
        Supervisor fresh;
        const char* argv[] = {"relaywatch", "10", "0"};
        ASSERT_TRUE(startup(3, argv, fresh).runLinkWatch);
        ASSERT_TRUE(linkwatch_setup(fresh));
        linkwatch_pass(fresh);  // the first recovery
        fake.events.clear();

        std::vector<std::string> switches;
        // Without debug only the start line and the gate print, from the set-up
        // on, whatever the recoveries find.
        std::string lines = "relaywatch: Start (looptime=10, sleeptime=0)\nrelaywatch: AP disable\n";
        for (std::size_t i = 0; i < c.samples.size(); ++i) {
            fake.statuses.push_back(c.samples[i] - '0');
            linkwatch_pass(fresh);
            for (const std::string& way : fake.events_of("run ifconfig ra0 ")) {
                switches.push_back(std::to_string(i + 1) + ":" + way);
                lines += way == "up" ? "relaywatch: AP enable\n" : "relaywatch: AP disable\n";
            }
            fake.events.clear();
        }
        EXPECT_EQ(switches, c.switches);
        EXPECT_EQ(fake.out, lines);
    }
}

// The daemon runs for months: whatever a pass without a recovery took from
// the heap would add up. Here with debug on, a dump longer than any one
// formatting buffer, and the gate switching either way.
TEST_F(LinkWatch, APassWithoutARecoveryAllocatesNothing) {
    start(300, 0);
    linkwatch_pass(sv);
    fake.events.clear();
    const long allocations = fake.allocations;
    for (int sample : {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1}) pass_with(sample);
    EXPECT_EQ(fake.allocations, allocations);
    EXPECT_EQ(fake.runs(), (std::vector<std::string>{"ifconfig ra0 up", "ifconfig ra0 down"}));
    std::string slots(300, '1');
    slots.replace(7, 6, "000000");
    EXPECT_NE(fake.out.find("relaywatch: resetTimerArray[14]=1  [" + slots + "]\n"), std::string::npos) << fake.out;
}

TEST_F(LinkWatch, TheDumpShowsTheWindowAfterTheSampleAndBeforeTheRecovery) {
    start(4, 0);
    linkwatch_pass(sv);
    fake.out.clear();
    for (int sample : {1, 0, 0, 0, 0}) pass_with(sample);
    EXPECT_EQ(fake.out.substr(0, fake.out.find(kScanning)),
              "relaywatch: resetTimerArray[01]=1  [1111]\n"
              "relaywatch: resetTimerArray[02]=0  [1101]\n"
              "relaywatch: resetTimerArray[03]=0  [1100]\n"
              "relaywatch: resetTimerArray[00]=0  [0100]\n"
              "relaywatch: resetTimerArray[01]=0  [0000]\n"
              "relaywatch: Disconnect over 4 seconds.\n");
}

TEST_F(LinkWatch, WithALoopOfOneEverySampleButOneRecoversInTheSamePass) {
    start(1, 0);
    EXPECT_EQ(recoveries_over({0, 1, 2, 1, -1}), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(count_of(fake.out, "relaywatch: Disconnect over 1 seconds.\n"), 3);
}

TEST_F(LinkWatch, AnUnmarkedRecoveryRecoversAgainUntilASampleOfOne) {
    start(3, 0);  // the survey shows nothing: no recovery marks its slot
    EXPECT_EQ(recoveries_over({0, 0, 0, 0, 1, 0, 0, 0, 0}), (std::vector<int>{3, 4, 8, 9}));
}

TEST_F(LinkWatch, AMarkedRecoveryWaitsAFullWindow) {
    fake.default_outputs[kSurveyRead] = survey_table({{"6", "", "00:aa:00:00:00:01"}, {"1", "upstream"}});
    start(3, 0);
    EXPECT_EQ(recoveries_over(std::vector<int>(9, 0)), (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(fake.live_allocations, 1) << "only the window: every recovery releases its hidden list";
    // The mark shows in the next pass's dump.
    EXPECT_NE(fake.out.find("relaywatch: resetTimerArray[00]=0  [000]\n"
                            "relaywatch: Disconnect over 3 seconds.\n"),
              std::string::npos);
    EXPECT_NE(fake.out.find("relaywatch: resetTimerArray[01]=0  [100]\n"), std::string::npos);
}

}  // namespace
