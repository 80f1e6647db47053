// SPDX-License-Identifier: ISC
// The replay's lanes where the log tells them, its lists capped with their
// counts, and its timeline's marks.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "sim/draw/tests/svg_check.h"
#include "sim/replay/replay.h"
#include "sim/replay/tests/replay_logs.h"

namespace rwsim {

namespace {

// Each lane only where the log tells it: ra0 from gate lines, from a start
// (which always takes ra0 down), before a run's first gate line (the other
// way) and from window samples of 1 long enough that the gate would have
// switched ra0 on; the uplink only between a run's window lines; the
// recoveries only over the runs with debug.
TEST(Replay, LanesOnlyWhereTheLogTells) {
    const std::string start = "relaywatch: Start (looptime=10, sleeptime=3)";
    const struct {
        std::string log;
        long ra0_known, ra0_up, ra0_inferred, link_known, debug;
        const char* told;
    } cases[] = {
        {own_at(0, 1, "Invalid Key=short") + own_at(7200, 1, "Invalid Key=short"), 0, 0, 0, 0, 0,
         "own AP (ra0)           not in the log"},
        {windows(0, 600, 600), 599, 599, 599, 599, 599,
         "own AP (ra0) up        100.0 % of the 9m 59s the log tells (inferred from the daemon's rules)"},
        {windows(0, 6, 6), 5, 5, 5, 5, 5, "ra0) up        100.0 % of the 5s"},
        {windows(0, 5, 5), 0, 0, 0, 4, 4, "own AP (ra0)           not in the log"},
        {windows(0, 5, 4) + windows(5, 5, 5), 0, 0, 0, 9, 9, "own AP (ra0)           not in the log"},
        {own_at(0, 1, start) + own_at(10, 1, "relaywatch: AP disable") + own_at(20, 1, "relaywatch: AP enable"), 20, 0,
         10, 0, 0, "ra0 outages            1, the longest 20s\n"},
        {toggles(21), 205, 100, 0, 0, 0, "  Mon Dec  7 04:03:10 2026  5s\n  ... and 1 more\n"},
        {windows(0, 6, 0), 5, 0, 5, 5, 5, "ra0 outages            1, the longest 5s"},
        {own_at(0, 1, start) + own_at(100, 1, "Invalid Key=x"), 100, 0, 100, 0, 0,
         "0.0 % of the 1m 40s the log tells (inferred from the daemon's rules)"},
        {own_at(0, 1, "Invalid Key=x") + own_at(100, 1, "relaywatch: AP enable") + own_at(160, 1, "Invalid Key=x"), 160,
         60, 100, 0, 0, "  Mon Dec  7 04:00:00 2026  1m 40s (from the start of the log)\n"},
        {windows(0, 60, 55) + own_at(180, 200, start) + own_at(180, 200, "relaywatch: AP disable") +
             own_at(1980, 200, "relaywatch: AP enable") + own_at(1985, 200, "Invalid Key=x"),
         1985, 185, 180, 59, 180,
         "recoveries run         0 (site surveys) in the 3m with debug; 30m 5s without debug not counted\n"},
        {windows(0, 60, 55) + own_at(180, 200, start) + own_at(1985, 200, "Invalid Key=x"), 1985, 180, 1985, 59, 180,
         "uplink connected       93.2 % of the 59s with window lines (logged)\n"
         "                       32m 6s without window lines not counted\n"},
    };
    for (const auto& c : cases) {
        const Replay r = replay_text(c.log);
        ASSERT_EQ(r.error, "");
        EXPECT_EQ(r.ra0_lane.known, c.ra0_known) << c.log;
        EXPECT_EQ(r.ra0_lane.on, c.ra0_up) << c.log;
        EXPECT_EQ(r.ra0_lane.inferred, c.ra0_inferred) << c.log;
        EXPECT_EQ(r.link_lane.known, c.link_known) << c.log;
        EXPECT_EQ(r.debug_seconds, c.debug) << c.log;
        long run_ra0 = 0, run_link = 0;
        for (const ReplayRun& run : r.runs) {
            run_ra0 += run.figures.ra0_known;
            run_link += run.figures.link_known;
        }
        EXPECT_EQ(run_ra0, c.ra0_known) << "the runs' figures add up to the whole";
        EXPECT_EQ(run_link, c.link_known);
        std::ostringstream out;
        print_replay_summary(out, "x.log", r);
        EXPECT_NE(out.str().find(c.told), std::string::npos) << c.told << "\n" << out.str();
        EXPECT_EQ(out.str().find("ra0 outages") == std::string::npos, c.ra0_known == 0) << "none where nothing tells";
    }
}

// The timeline of a log with a run without debug, a restart by procd in a
// crash loop, a debug run and the clock set back an hour: each marked, the
// axis on the router's clock, unknown stretches grey with their reason, and
// a legend without what a log cannot show.
TEST(Replay, TimelineMarksWhatTheLogShows) {
    std::string log = own_at(0, 100, "relaywatch: AP disable") + own_at(600, 100, "relaywatch: AP enable");
    std::string procd = own_at(3600, 0, "Instance relaywatch::instance1 s in a crash loop 6 crashes");
    log += procd.replace(procd.find("relaywatch[0]"), 13, "procd") + windows(3602, 20, 20, 200);
    for (int i = 0; i < 600; ++i) log += own_at(i + 3622 - 3600, 200, "relaywatch: resetTimerArray[00]=1  [1]");
    std::ostringstream svg;
    write_replay_timeline(svg, "x.log", replay_text(log));
    const std::string drawn = svg.str();
    for (const char* present :
         {"<title>the clock stepped back 1h 0m 0s (3600 s)", "<title>procd: relaywatch in a crash loop</title>",
          "<title>relaywatch running, its start not in the log (pid 100)</title>",
          "<title>relaywatch running, its start not in the log (pid 200)</title>",
          ">not in the log: no window lines a pass apart here</text>", ">router's time</text>", ">04:00</text>",
          ">Mon Dec  7 2026</text>", ">crash loop</text>"}) {
        EXPECT_NE(drawn.find(present), std::string::npos) << present;
    }
    for (const char* absent :
         {"upstream off the air", "scenario event", "hide / show SSID", "log time", "relaywatch started"})
        EXPECT_EQ(drawn.find(absent), std::string::npos) << absent;
    // A tick every 10 minutes, on the router's clock: 04:10 before the step
    // back and again after it.
    std::size_t ticks = 0;
    for (std::size_t i = drawn.find(">04:10</text>"); i != std::string::npos; i = drawn.find(">04:10</text>", i + 1))
        ++ticks;
    EXPECT_EQ(ticks, 2u);
    mark_titles(drawn);
    EXPECT_EQ(misdrawn_texts(text_boxes(drawn)), "");
}

// Thousands of restarts in a crash loop, ra0 toggled each time: every
// list kept to its cap with its full count, the figures of the whole still
// over every run, the summary as short as for a few.
TEST(Replay, ListsAreCappedWithTheirCounts) {
    constexpr int kRestarts = 3000;
    std::string log;
    for (int i = 0; i < kRestarts; ++i) {
        const long at = 10L * i;
        log += own_at(at, 1000 + i, "relaywatch: Start (looptime=10, sleeptime=3)") +
               own_at(at, 1000 + i, "relaywatch: AP disable") + own_at(at + 5, 1000 + i, "relaywatch: AP enable");
        log += own_at(at + 5, 1000 + i, "Invalid Key=x");
        for (int n = 0; n < 7; ++n) {
            std::string procd = own_at(at + 6, 0, "Instance relaywatch::instance1 exit with error code 1");
            if (n == 6) procd.replace(procd.find("exit with"), std::string::npos, "s in a crash loop 6 crashes\n");
            log += procd.replace(procd.find("relaywatch[0]"), 13, "procd");
        }
    }
    const Replay r = replay_text(log);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.run_count, kRestarts);
    ASSERT_EQ(r.runs.size(), kKeptRuns);
    EXPECT_EQ(r.runs.back().pid, 1000 + kRestarts - 1) << "the latest run kept last";
    EXPECT_EQ(r.runs.front().instance_count, 7);
    EXPECT_EQ(r.runs.front().instance_lines.size(), kKeptInstanceLines);
    EXPECT_TRUE(r.runs.front().crash_loop);
    EXPECT_EQ(r.ra0_lane.offs, kRestarts);
    EXPECT_EQ(r.ra0_lane.stretches, 2 * kRestarts);
    EXPECT_EQ(r.ra0_lane.kept.size(), kKeptStretches);
    EXPECT_EQ(r.ra0_lane.known, r.last.t);
    EXPECT_EQ(r.error_count, kRestarts);
    EXPECT_EQ(r.errors.size(), kKeptErrors);
    EXPECT_EQ(r.ra0_lane.on, 5 * (kRestarts - 1) + 1) << "the last run's a second to the log's end";
    std::ostringstream out;
    print_replay_summary(out, "x.log", r);
    const std::string said = out.str();
    EXPECT_LT(std::count(said.begin(), said.end(), '\n'), 250) << said;
    EXPECT_NE(out.str().find("relaywatch runs        3000\n"), std::string::npos);
    EXPECT_NE(out.str().find("  ... and 2980 more\n"), std::string::npos) << "runs";
    EXPECT_NE(out.str().find("    ... and 2 more\n"), std::string::npos) << "a run's procd lines";
    EXPECT_NE(out.str().find("ra0 outages            3000, the longest 5s\n"), std::string::npos);
    EXPECT_NE(out.str().find("errors                 3000\n"), std::string::npos);
}

}  // namespace

}  // namespace rwsim
