// What the start-up, link-watch and recovery tests share: a supervisor
// brought up through start-up and the link watch's set-up against the fake.
#pragma once

#include <string>
#include <vector>

#include "supervisor/supervisor.h"
#include "tests/fake_test.h"

namespace supervisor_test {

inline const char* const kChannelQuery =
    "iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'";
inline const char* const kSurveyRead = "iwpriv ra0 get_site_survey";

// How often `needle` occurs in `haystack`.
inline int count_of(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (std::size_t pos = 0; (pos = haystack.find(needle, pos)) != std::string::npos; pos += needle.size()) ++n;
    return n;
}

// The fake reports ra0 on channel 1.
class SupervisorTest : public FakeTest {
protected:
    void SetUp() override {
        FakeTest::SetUp();
        fake.default_outputs[kChannelQuery] = "1\n";
    }

    // Start-up with "debug" and the link watch's set-up; then forgets what
    // they recorded.
    void start(int looptime, int sleeptime) {
        std::string loop = std::to_string(looptime);
        std::string pause = std::to_string(sleeptime);
        const char* argv[] = {"relaywatch", loop.c_str(), pause.c_str(), "debug"};
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
        return std::vector<int>(sv.resetTimerArray.ptr, sv.resetTimerArray.ptr + sv.looptime);
    }

    Supervisor sv;
};

}  // namespace supervisor_test
