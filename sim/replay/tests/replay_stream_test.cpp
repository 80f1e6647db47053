// SPDX-License-Identifier: ISC
// A log read as a stream: the line reader across its buffer's edges, lines
// cut at the longest it keeps, line ends and bytes no text log holds; and
// ra0 switched without end, from a pipe, keeps a bounded number of switches
// while its figures stay whole.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "sim/replay/replay.h"
#include "sim/replay/tests/replay_logs.h"
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

// `n` recoveries 4 s apart, each re-tuning ra0 (to the channel it had, every
// other time), changing the client security and the remembered BSSID, and
// followed by another program's line stamped 30 s back.
std::string debug_cycles(long n) {
    std::string log;
    for (long i = 0; i < n; ++i) {
        const long s = 100 + 4 * i;
        const std::string ch = std::to_string(6 + 5 * (i / 2 % 2)), enc = i % 2 ? "TKIP" : "AES";
        char found[128], current[128];
        std::snprintf(found, sizeof found, "relaywatch: Found AP up[02:00:00:00:00:b1] Ch=%s(1) Mode=WPA2PSK(%s)",
                      ch.c_str(), enc.c_str());
        std::snprintf(current, sizeof current, "relaywatch: current Auth=WPA2PSK EncrypType=%s Ch=%s ExtCh=0",
                      enc.c_str(), ch.c_str());
        log += own_at(s, 1, "relaywatch: Scanning...") + own_at(s, 1, found) +
               own_at(s, 1, "relaywatch: Mode is changed, apply new settings...") + own_at(s + 1, 1, current) +
               own_at(s + 1, 1, "relaywatch: manual_get_BSSID=02:00:00:00:00:a" + std::to_string(i % 2));
        std::string back = own_at(s - 30, 1, "tick");
        log += back.replace(back.find("relaywatch[1]"), 13, "kernel");
    }
    return log;
}

TEST(ReplayStream, DebugEventsKeepBoundedListsAndWholeCounts) {
    const long k = static_cast<long>(kKeptEvents);
    for (const long n : {k - 1, k + 1, 3 * k}) {
        const Replay r = replay_text(debug_cycles(n));
        ASSERT_TRUE(r.error.empty()) << r.error;
        const std::size_t kept = std::min<std::size_t>(kKeptEvents, n);
        const long moves = 1 + (n - 1) / 2;
        const struct {
            std::size_t size;
            long count;
            std::size_t kept;
            long whole;
        } lists[] = {
            {r.recoveries.size(), r.recovery_count, kept, n},
            {r.retunes.size(), r.retune_count, kept, n},
            {r.channel.size(), r.channel_count, std::min<std::size_t>(kKeptEvents, moves), moves},
            {r.upstream.size(), r.upstream_count, std::min<std::size_t>(kKeptEvents, moves), moves},
            {r.security.size(), r.security_count, std::min<std::size_t>(kKeptEvents, n - 1), n - 1},
            {r.remembered.size(), r.remembered_count, kept, n},
            {r.back_jumps.size(), r.back_count, kept, n},
        };
        for (const auto& l : lists) {
            EXPECT_EQ(l.size, l.kept) << n;
            EXPECT_EQ(l.count, l.whole) << n;
        }
        EXPECT_EQ(r.move_count, moves) << n;
        EXPECT_EQ(r.outcomes[static_cast<int>(Outcome::UpstreamFound)], n) << n;
        EXPECT_EQ(r.remembered.back().text, "02:00:00:00:00:a" + std::to_string((n - 1) % 2)) << "the latest kept";
        EXPECT_EQ(r.back_jumps.back().line, 6 * n) << "the latest kept";
        std::ostringstream summary, json;
        print_replay_summary(summary, "test.log", r);
        write_replay_json(json, "test.log", r);
        for (const std::string& told :
             {"recoveries run         " + std::to_string(n),
              "ra0 channel moves      " + std::to_string(moves) + "; " + std::to_string(n - moves) +
                  " re-programmings kept",
              "clock jumps            " + std::to_string(n) + " back", "... and " + std::to_string(n - 20) + " more"})
            EXPECT_NE(summary.str().find(told), std::string::npos) << told;
        EXPECT_NE(json.str().find("\"count\": " + std::to_string(n) + ","), std::string::npos) << n;
    }
}

}  // namespace

}  // namespace rwsim
