// A pass of the link watch that runs no recovery takes nothing from the heap,
// with or without debug: while the uplink is up, while the gate switches ra0
// either way, through a short outage. The daemon runs for months on a router;
// whatever a steady pass took would add up. (The dump of a long window is
// covered with the link watch's own tests.)
#include <ostream>
#include <string>
#include <vector>

#include "tests/supervisor_fixture.h"

namespace {

using namespace supervisor_test;

struct SteadyCase {
    const char* name;
    int looptime;
    bool debugOn;
    std::vector<int> samples;
    std::vector<std::string> gate;  // the gate's commands in those passes
};

// Test names and failure messages show the case's name.
void PrintTo(const SteadyCase& c, std::ostream* os) { *os << c.name; }

std::vector<int> repeat(int sample, int times) { return std::vector<int>(times, sample); }

std::vector<int> concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string kUp = "ifconfig ra0 up";
const std::string kDown = "ifconfig ra0 down";

const SteadyCase kSteadyCases[] = {
    {"UplinkUp", 10, false, repeat(1, 30), {kUp}},
    {"UplinkUpDebug", 10, true, repeat(1, 30), {kUp}},
    // Down long enough for the gate to take ra0 down, short of a window.
    {"OutageWithinTheWindowDebug", 12, true,
     concat(concat(repeat(1, 6), repeat(0, 8)), repeat(1, 6)), {kUp, kDown, kUp}},
    {"DriverAnswersTwoDebug", 10, true, repeat(2, 5), {}},
};

class SteadyPass : public SupervisorTest, public ::testing::WithParamInterface<SteadyCase> {};

TEST_P(SteadyPass, AllocatesNothing) {
    const SteadyCase& c = GetParam();
    start(c.looptime, 0);
    // The window came from the platform's allocator: the count sees the core.
    ASSERT_GT(fake.allocations, 0);
    debug = c.debugOn ? 1 : 0;
    linkwatch_pass(sv);  // the start-up recovery

    fake.events.clear();
    long before = fake.allocations;
    long live = fake.live_allocations;
    for (int sample : c.samples) pass_with(sample);

    ASSERT_TRUE(fake.events_of("read ").empty()) << "a recovery ran: not a steady pass";
    EXPECT_EQ(fake.events_of("ioctl").size(), c.samples.size());
    EXPECT_EQ(fake.runs(), c.gate);
    EXPECT_EQ(fake.allocations, before);
    EXPECT_EQ(fake.live_allocations, live);
    if (c.debugOn) {
        EXPECT_NE(fake.out.find("relaywatch: resetTimerArray["), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(LinkWatch, SteadyPass, ::testing::ValuesIn(kSteadyCases),
                         [](const ::testing::TestParamInfo<SteadyCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
