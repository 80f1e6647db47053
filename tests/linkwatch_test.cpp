// The link watch: set-up, the access-point gate and the window that starts
// the recovery cycle, driven one pass at a time.
#include <string>
#include <vector>

#include "tests/supervisor_fixture.h"

namespace {

using namespace supervisor_test;

using LinkWatch = SupervisorTest;

const char* const kScanning = "relaywatch: Scanning...\n";

TEST_F(LinkWatch, SetUpTakesTheAccessPointDownAndFillsTheWindowWithOnes) {
    const char* argv[] = {"relaywatch", "4", "3"};  // no debug: the lines are always printed
    ASSERT_EQ(startup(3, argv, sv), kRunLinkWatch);
    fake.events.clear();
    fake.out.clear();

    ASSERT_TRUE(linkwatch_setup(sv));
    EXPECT_EQ(fake.out, "relaywatch: AP disable\n");
    EXPECT_EQ(fake.runs(), std::vector<std::string>{"ifconfig ra0 down"});
    EXPECT_EQ(window(), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(sv.timerIndex, 0);
    EXPECT_EQ(sv.apEnabled, 0);
    EXPECT_EQ(sv.lastStatus, 1);
    EXPECT_EQ(sv.upCount + sv.downCount, 0);
}

TEST_F(LinkWatch, AWindowThatCannotBeAllocatedEndsTheRunWithOneErrorLine) {
    fake.allocs_until_failure = 0;
    const char* argv[] = {"relaywatch", "10", "3", "debug"};
    EXPECT_NE(relaywatch_main(4, argv), 0);
    const std::string start = "relaywatch: Start (looptime=10, sleeptime=3)\n";
    ASSERT_EQ(fake.out.rfind(start, 0), 0u) << fake.out;
    std::string error = fake.out.substr(start.size());
    EXPECT_EQ(error.rfind("relaywatch: ", 0), 0u) << error;
    EXPECT_EQ(count_of(error, "\n"), 1) << error;
    EXPECT_EQ(error.find("AP disable"), std::string::npos);
    EXPECT_TRUE(fake.runs().empty());
}

TEST_F(LinkWatch, TheFirstPassRecoversAtOnceWithoutASample) {
    start(3, 0);
    linkwatch_pass(sv);
    EXPECT_EQ(fake.events_of("ioctl").size(), 0u);
    EXPECT_EQ(fake.out.rfind(kScanning, 0), 0u) << fake.out;
    EXPECT_EQ(fake.out.find("resetTimerArray"), std::string::npos);
    EXPECT_EQ(fake.events.back(), "sleep 1");
    EXPECT_EQ(sv.timerIndex, 1);
    // Whatever the recovery did, the window still holds only ones, so the
    // next recovery waits for three samples without a 1.
    EXPECT_EQ(window(), (std::vector<int>{1, 1, 1}));
    pass_with(0);
    pass_with(0);
    EXPECT_EQ(count_of(fake.out, kScanning), 1);
    pass_with(0);
    EXPECT_EQ(count_of(fake.out, kScanning), 2);
}

// The gate over a run of samples: at which sample (counted from 1, after the
// first pass) ra0 is switched, in "N:up" / "N:down" form.
TEST_F(LinkWatch, TheGateSwitchesOnlyAfterFiveSamplesThatFollowAnEqualOne) {
    struct Case {
        const char* name;
        std::vector<int> samples;
        std::vector<std::string> switches;
    };
    auto repeat = [](std::vector<int> run, int times) {
        std::vector<int> all;
        for (int i = 0; i < times; ++i) all.insert(all.end(), run.begin(), run.end());
        return all;
    };
    auto concat = [](std::vector<int> a, const std::vector<int>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        // Up from the start counts from the first sample: the sixth pass.
        {"up from the start", repeat({1}, 5), {"5:up"}},
        {"up from the start, four samples only", repeat({1}, 4), {}},
        // After a change the first sample only clears the counters.
        {"up after down", concat({0, 0, 0}, repeat({1}, 6)), {"9:up"}},
        {"down after up", concat(repeat({1}, 5), repeat({0}, 6)), {"5:up", "11:down"}},
        {"down while down stays quiet", repeat({0}, 12), {}},
        {"alternating", repeat({1, 0}, 15), {}},
        // A sample of 2 clears both counters and starts no count of its own.
        {"a 2 restarts the count", concat({1, 1, 1, 1, 2}, repeat({1}, 6)), {"11:up"}},
        {"twos never count", repeat({2}, 12), {}},
        {"a 2 among zeros", concat(repeat({1}, 5), concat({0, 0, 0, 2}, repeat({0}, 6))),
         {"5:up", "15:down"}},
        // A steady uplink: the counter runs round without output.
        {"steady uplink", repeat({1}, 40), {"5:up"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = fake.store;
        fake.reset();
        fake.store = store;
        fake.default_outputs[kChannelQuery] = "1\n";
        Supervisor fresh;
        const char* argv[] = {"relaywatch", "10", "0"};
        ASSERT_EQ(startup(3, argv, fresh), kRunLinkWatch);
        ASSERT_TRUE(linkwatch_setup(fresh));
        linkwatch_pass(fresh);
        fake.out.clear();
        fake.events.clear();

        std::vector<std::string> switches;
        std::string expected_out;
        for (std::size_t i = 0; i < c.samples.size(); ++i) {
            std::size_t before = fake.events.size();
            fake.statuses.push_back(c.samples[i]);
            linkwatch_pass(fresh);
            for (std::size_t e = before; e < fake.events.size(); ++e) {
                if (fake.events[e] == "run ifconfig ra0 up") {
                    switches.push_back(std::to_string(i + 1) + ":up");
                    expected_out += "relaywatch: AP enable\n";
                } else if (fake.events[e] == "run ifconfig ra0 down") {
                    switches.push_back(std::to_string(i + 1) + ":down");
                    expected_out += "relaywatch: AP disable\n";
                }
            }
        }
        EXPECT_EQ(switches, c.switches);
        EXPECT_EQ(fake.out, expected_out) << "no other line without debug";
    }
}

TEST_F(LinkWatch, ASteadyPassAllocatesNothing) {
    start(300, 0);  // a dump longer than any one formatting buffer
    linkwatch_pass(sv);
    for (int i = 0; i < 6; ++i) pass_with(1);
    ASSERT_EQ(sv.apEnabled, 1);
    fake.out.clear();
    long allocations = fake.allocations;
    for (int i = 0; i < 10; ++i) pass_with(1);
    EXPECT_EQ(fake.allocations, allocations);
    std::string dump = "relaywatch: resetTimerArray[16]=1  [" + std::string(300, '1') + "]\n";
    EXPECT_NE(fake.out.find(dump), std::string::npos);
    EXPECT_EQ(count_of(fake.out, "\n"), 10) << "one dump line a pass, nothing else";
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
    linkwatch_pass(sv);
    const std::pair<int, bool> samples[] = {{0, true}, {1, false}, {2, true}, {1, false}, {-1, true}};
    for (const auto& [sample, recovers] : samples) {
        fake.out.clear();
        pass_with(sample);
        EXPECT_EQ(count_of(fake.out, "relaywatch: Disconnect over 1 seconds.\n"), recovers ? 1 : 0)
            << sample;
        EXPECT_EQ(count_of(fake.out, kScanning), recovers ? 1 : 0) << sample;
    }
}

TEST_F(LinkWatch, AnUnmarkedRecoveryRecoversAgainUntilASampleOfOne) {
    start(3, 0);  // the survey shows nothing: no recovery marks its slot
    linkwatch_pass(sv);
    std::vector<int> recoveries;
    const int samples[] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    for (int i = 0; i < 9; ++i) {
        int before = count_of(fake.out, kScanning);
        pass_with(samples[i]);
        if (count_of(fake.out, kScanning) > before) recoveries.push_back(i + 1);
    }
    EXPECT_EQ(recoveries, (std::vector<int>{3, 4, 8, 9}));
}

TEST_F(LinkWatch, AMarkedRecoveryWaitsAFullWindow) {
    fake.default_outputs[kSurveyRead] =
        survey_table({{1, "upstream", "00:11:22:33:44:55", "WPA2PSK/AES"}});
    start(3, 0);
    linkwatch_pass(sv);
    std::vector<int> recoveries;
    for (int i = 0; i < 9; ++i) {
        int before = count_of(fake.out, kScanning);
        pass_with(0);
        if (count_of(fake.out, kScanning) > before) recoveries.push_back(i + 1);
    }
    EXPECT_EQ(recoveries, (std::vector<int>{3, 6, 9}));
    // The mark shows in the next pass's dump.
    EXPECT_NE(fake.out.find("relaywatch: resetTimerArray[00]=0  [000]\n"
                            "relaywatch: Disconnect over 3 seconds.\n"),
              std::string::npos);
    EXPECT_NE(fake.out.find("relaywatch: resetTimerArray[01]=0  [100]\n"), std::string::npos);
}

TEST_F(LinkWatch, EveryPassReleasesTheHiddenList) {
    fake.default_outputs[kSurveyRead] =
        survey_table({{6, "", "00:aa:00:00:00:01", "WPA2PSK/AES"},
                      {6, "", "00:aa:00:00:00:02", "WPA2PSK/AES"}});
    start(1, 0);
    long live = fake.live_allocations;
    linkwatch_pass(sv);
    pass_with(0);
    EXPECT_EQ(count_of(fake.out, "relaywatch: Found 2 hidden SSID AP.\n"), 2);
    EXPECT_EQ(headerTable, nullptr);
    EXPECT_EQ(TableSize, 0);
    EXPECT_EQ(fake.live_allocations, live);
}

}  // namespace
