// SPDX-License-Identifier: ISC
// A log that never ends: ra0 switched on and off without end, read from a
// pipe, keeps a bounded number of switches, and its figures stay whole.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "sim/replay/replay.h"

namespace rwsim {

namespace {

// The replay of `switches` gate lines, one every `step` seconds from
// disable on, and another program's line `step` after them, written into a
// pipe by a child as the replay reads it.
Replay replay_switches(long switches, long step) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        std::FILE* out = fdopen(fds[1], "w");
        for (long i = 0; i <= switches; ++i) {
            const long t = i * step;
            std::fprintf(out, "2026-12-%02ldT%02ld:%02ld:%02ld gw %s\n", 7 + t / 86400, t / 3600 % 24, t / 60 % 60,
                         t % 60,
                         i == switches ? "kernel: the last line"
                         : i % 2 == 0  ? "relaywatch[4]: relaywatch: AP disable"
                                       : "relaywatch[4]: relaywatch: AP enable");
        }
        std::_Exit(std::fclose(out) == 0 ? 0 : 1);
    }
    close(fds[1]);
    std::FILE* in = fdopen(fds[0], "r");
    Replay r = replay_log(in, "-");
    std::fclose(in);
    int status = 1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    return r;
}

TEST(ReplayStream, EndlessSwitchesKeepABoundedListAndWholeFigures) {
    const long k = static_cast<long>(kKeptSwitches);
    const struct {
        long switches, step;
        long outages, down;  // ra0's, over the whole log
    } cases[] = {
        {k - 1, 2, k / 2, k / 2 * 2},            // all kept, ra0 off at the end
        {k + 1, 2, k / 2 + 1, (k / 2 + 1) * 2},  // one folded, ra0 off at the end
        {6 * k, 3, 3 * k, 3 * k * 3},            // most folded, ra0 on at the end
        {6 * k + 1, 3, 3 * k + 1, (3 * k + 1) * 3},
    };
    for (const auto& c : cases) {
        const Replay r = replay_switches(c.switches, c.step);
        ASSERT_TRUE(r.error.empty()) << r.error;
        EXPECT_LE(r.ra0.size(), kKeptSwitches) << c.switches;
        EXPECT_EQ(r.ra0.size() + static_cast<std::size_t>(r.ra0_folded.switches), static_cast<std::size_t>(c.switches));
        const Ra0Figures f = ra0_figures(r);
        EXPECT_EQ(f.outages, c.outages) << c.switches;
        EXPECT_EQ(f.down, c.down) << c.switches;
        EXPECT_EQ(ra0_up_seconds(r), r.last.t - c.down) << c.switches;
    }
}

}  // namespace

}  // namespace rwsim
