// SPDX-License-Identifier: ISC
// A log read as a stream: the line reader across its buffer's edges, lines
// cut at the longest it keeps, line ends and bytes no text log holds; and
// ra0 switched without end, from a pipe, keeps a bounded number of switches
// while its figures stay whole.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/replay/replay.h"
#include "sim/syslog/log_read.h"

namespace rwsim {

namespace {

constexpr std::size_t kMax = LogLines::kMaxLogLine;

struct Read {
    std::vector<std::string> lines;
    long truncated = 0;
    long first_binary = 0;  // the first line found binary; 0 none
};

Read read_all(const std::string& text) {
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    Read out;
    LogLines lines(in);
    std::string_view line;
    while (lines.next(line)) {
        out.lines.emplace_back(line);
        if (lines.binary() && out.first_binary == 0) out.first_binary = lines.number();
    }
    out.truncated = lines.truncated();
    std::fclose(in);
    return out;
}

TEST(LogLines, ReadsEveryLineWhole) {
    const std::string longest(kMax, 'a'), cut(kMax + 1, 'b'), huge(3 * LogLines::kBuffer, 'c');
    std::string many;  // lines that straddle every refill of the buffer
    std::vector<std::string> many_lines;
    for (int i = 0; i < 3000; ++i) many += many_lines.emplace_back(std::to_string(i) + std::string(95, 'x')) + "\n";
    const struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> lines;
        long truncated, first_binary;
    } cases[] = {
        {"empty", "", {}, 0, 0},
        {"a last line without a line end", "a\nb", {"a", "b"}, 0, 0},
        {"CR LF line ends, a lone CR kept inside", "a\r\nb\rc\r\n\r\n", {"a", "b\rc", ""}, 0, 0},
        {"the longest line kept whole", longest + "\nz\n", {longest, "z"}, 0, 0},
        {"a byte more is cut, the next line whole", cut + "\nz\n", {std::string(kMax, 'b'), "z"}, 1, 0},
        {"a line over the buffer, its rest passed over", huge + "\nz", {std::string(kMax, 'c'), "z"}, 1, 0},
        {"a cut line at the end", huge, {std::string(kMax, 'c')}, 1, 0},
        {"tab and ESC are text, DEL is not", "a\tb\x1b[0m\nc\x7f\nd\n", {"a\tb\x1b[0m", "c\x7f", "d"}, 0, 2},
        {"lines across the buffer's refills", many, many_lines, 0, 0},
        {"a control byte in a word's last place", "ok\n12345678901234\x01\n", {"ok", "12345678901234\x01"}, 0, 2},
    };
    for (const Case& c : cases) {
        const Read r = read_all(c.text);
        EXPECT_EQ(r.lines, c.lines) << c.what;
        EXPECT_EQ(r.truncated, c.truncated) << c.what;
        EXPECT_EQ(r.first_binary, c.first_binary) << c.what;
    }
}

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
    const long k = static_cast<long>(kKeptStretches);
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
        const Lane& lane = r.ra0_lane;
        EXPECT_EQ(lane.kept.size(), std::min<std::size_t>(kKeptStretches, c.switches)) << c.switches;
        EXPECT_EQ(lane.stretches, c.switches) << c.switches;
        EXPECT_EQ(lane.offs, c.outages) << c.switches;
        EXPECT_EQ(lane.known - lane.on, c.down) << c.switches;
        EXPECT_EQ(ra0_up_seconds(r), r.last.t - c.down) << c.switches;
    }
}

}  // namespace

}  // namespace rwsim
