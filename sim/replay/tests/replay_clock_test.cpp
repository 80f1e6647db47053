// SPDX-License-Identifier: ISC
// The replay's clock: the router's clock as its log shows it.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "sim/replay/replay.h"
#include "sim/replay/replay_clock.h"
#include "sim/syslog/log_read.h"

namespace rwsim {

namespace {

Replay replay_of(const std::string& text) {
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    Replay r = replay_log(in, "clock.log");
    std::fclose(in);
    return r;
}

// The router's clock: zones honoured, steps to the second, a step found
// from the once-a-pass window lines (a step counts as no time, the pass
// around it does), another program's line setting the clock back, steps in
// the log's order.
TEST(Replay, ClockSteps) {
    const auto own = [](const std::string& stamp, const std::string& text) {
        return stamp + " gw daemon.info relaywatch[100]: relaywatch: " + text + "\n";
    };
    const std::string window = "resetTimerArray[00]=1  [1111111111]";
    const struct {
        std::string log;
        long span, ra0_up, forward, back;
        const char* told;  // in the summary
    } cases[] = {
        {own("2026-03-29T01:59:30+01:00", "AP disable") + own("2026-03-29T03:00:30+02:00", "AP enable"), 60, 0, 0, 0,
         "ra0 outages            1, the longest 1m\n"},
        {own("2026-03-29T10:00:00Z", "AP disable") + own("2026-03-29T12:01:00+02:00", "AP enable"), 60, 0, 0, 0,
         "log span               Sun Mar 29 10:00:00 2026 to Sun Mar 29 12:01:00 2026"},
        {own("2026-03-29T04:00:00", "AP enable") + own("2026-03-29T04:00:01", window) +
             own("2026-03-29T04:10:02", window) + own("2026-03-29T04:10:03", window),
         3, 3, 1, 0, "forward 10m 0s (600 s) from Sun Mar 29 04:00:01 2026\n"},
        {own("Mon Dec  7 04:00:10 2026", window) + own("Mon Dec  7 03:00:11 2026", window), 1, 0, 0, 1,
         "back 1h 0m 0s (3600 s) from Mon Dec  7 04:00:10 2026, possibly for daylight saving\n"},
        {own("2026-03-29T01:59:30", "AP disable") + own("2026-03-29T03:00:30", "AP enable"), 3660, 0, 0, 0,
         "2026  1h 1m, or 1m if the clock moved for daylight saving\n"},
        // From 04:00 on, past the small hours in which clocks move.
        {own("2026-03-29T04:00:00", "AP disable") + own("2026-03-29T05:00:30", "AP enable"), 3630, 0, 0, 0,
         "Sun Mar 29 04:00:00 2026  1h 30s\n"},
        {own("Mon Dec  7 04:00:00 2026", "Start (looptime=10, sleeptime=3)") +
             own("Mon Dec  7 04:00:10 2026", "AP enable") + "Mon Dec  7 03:00:00 2026 kern.info kernel: clock set\n" +
             own("Mon Dec  7 03:00:05 2026", window) + own("Mon Dec  7 03:00:06 2026", window) +
             own("Mon Dec  7 05:00:06 2026", window),
         10 + 6 + 1, 7, 1, 1, "back 1h 0m 10s (3610 s) from Mon Dec  7 04:00:10 2026"},
        {own("Mon Dec  7 04:00:00 1970", "AP enable") + own("Mon Dec  7 04:00:00 9999", "AP disable") +
             own("Mon Dec  7 03:59:00 9999", "AP enable"),
         0, 0, 1, 1, "forward over 3660d from Mon Dec  7 04:00:00 1970\n  Tue Dec  7 03:59:00 9999  back 1m 0s"},
    };
    for (const auto& c : cases) {
        const Replay r = replay_of(c.log);
        EXPECT_EQ(r.last.t, c.span) << c.log;
        EXPECT_EQ(ra0_up_seconds(r), c.ra0_up) << c.log;
        EXPECT_EQ(static_cast<long>(r.forward_jumps.size()), c.forward) << c.log;
        EXPECT_EQ(static_cast<long>(r.back_jumps.size()), c.back) << c.log;
        std::ostringstream out;
        print_replay_summary(out, "x.log", r);
        EXPECT_NE(out.str().find(c.told), std::string::npos) << c.told << "\n" << out.str();
    }
    const LogLine line = parse_log_line("2026-03-29T01:59:30.5-0330 relaywatch: AP enable");
    EXPECT_TRUE(line.stamp.zoned && line.stamp.offset == -12600 && line.stamp.hour == 1 && line.tag == "relaywatch");
}

// Only a length over a night that may have moved the clock is given both
// ways.
TEST(Replay, LengthToldBothWaysOnlyOverTheUnsureNight) {
    Replay r;
    ClockJump night;
    night.at.t = 5000;
    night.by = 3600;
    r.dst_unsure.push_back(night);
    EXPECT_EQ(length_told(r, 1000, 5000), "1h 6m 40s, or 6m 40s if the clock moved for daylight saving");
    EXPECT_EQ(length_told(r, 0, 3700), "1h 1m 40s");
    EXPECT_EQ(length_told(r, 1500, 5700), "1h 10m");
}

}  // namespace

}  // namespace rwsim
