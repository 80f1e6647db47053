// SPDX-License-Identifier: ISC
// relaywatch-sim replay: a run written through --syslog and read back gives
// the run's own figures; logs as they really are; the line reader and the
// format matcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/common/daemon_lines.h"
#include "sim/common/format_match.h"
#include "sim/draw/tests/svg_check.h"
#include "sim/replay/replay.h"
#include "sim/replay/replay_security.h"
#include "sim/replay/tests/replay_logs.h"
#include "sim/router/run_timeline.h"
#include "sim/router/runner.h"
#include "sim/syslog/log_read.h"
#include "sim/syslog/syslog_out.h"

namespace rwsim {

namespace {

std::vector<std::string> shipped_scenarios() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(RELAYWATCH_SOURCE_DIR "/scenarios")) {
        if (e.path().extension() == ".scn") names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ShippedScenarios, AreAllFound) {
    EXPECT_GE(shipped_scenarios().size(), 11u);
}

// Each shipped scenario, run once with debug (the first 6 hours of one longer
// than a day), writing its log.
class Shipped : public testing::TestWithParam<std::string> {};

// It runs to its end cleanly, holding nothing, and draws its timeline
// compactly, one bin a second when they fit, every marker with its title,
// no text empty or over another, nothing outside; the replay of its log
// gives the run's own figures.
TEST_P(Shipped, RunsCleanlyAndItsLogReplaysToTheRunsFigures) {
    const Scenario sc = load_scenario(RELAYWATCH_SOURCE_DIR "/scenarios/" + GetParam());
    std::ostringstream log;
    SyslogOut out{&log, 0, 77};
    ASSERT_TRUE(parse_log_start("2026-12-31T23:00:00", out.start));
    std::vector<std::pair<long, std::string>> commands;
    RunOptions options;
    options.until = sc.end > 86400 ? 6 * 3600 : 0;
    options.args_given = true;
    options.args = {"10", "3", "debug"};
    options.syslog = &out;
    options.command_log = &commands;
    const RunResult run = run_scenario(sc, options);
    syslog_close(out, run.end);

    EXPECT_FALSE(run.daemon_ended || run.stalled);
    EXPECT_EQ(run.record->seconds, run.end);
    EXPECT_EQ(run.counts.refused, 0);
    EXPECT_EQ(
        run.holdings.sockets_open + run.holdings.outputs_open + run.holdings.store_texts + run.holdings.allocations, 0)
        << "something held at the end";
    EXPECT_GT(run.record->link_seconds, 0);
    const std::size_t bins = run.record->bins().size();
    EXPECT_LE(bins, Recorder::kMaxBins);
    EXPECT_EQ(bins == static_cast<std::size_t>(run.end), run.end <= static_cast<long>(Recorder::kMaxBins));
    std::ostringstream svg;
    write_run_timeline(svg, sc, run);
    EXPECT_LT(svg.str().size(), 200000u);
    mark_titles(svg.str());
    EXPECT_EQ(misdrawn_texts(text_boxes(svg.str())), "");
    EXPECT_EQ(drawn_outside(svg.str()), "");

    const Replay r = replay_text(log.str());
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.years_given && r.back_jumps.empty() && r.forward_jumps.empty());
    EXPECT_EQ(r.last.t, run.end);
    EXPECT_EQ(r.unrecognised, 0) << (r.unrecognised_lines.empty() ? "" : r.unrecognised_lines[0].text);
    EXPECT_EQ(ra0_up_seconds(r), run.record->ra0_seconds);
    EXPECT_EQ(r.ra0_lane.known - r.ra0_lane.inferred, run.end) << "ra0 logged from the start on";
    EXPECT_EQ(r.debug_seconds, run.end);
    EXPECT_EQ(static_cast<long>(r.recoveries.size()), run.record->recoveries);
    EXPECT_EQ(static_cast<long>(r.security.size()), run.record->security_reprograms);
    std::vector<std::pair<long, int>> tuned, replayed;
    for (const auto& [at, command] : commands) {
        if (command.rfind("iwpriv ra0 set Channel=", 0) == 0 && at < run.end)
            tuned.push_back({at, std::stoi(command.substr(23))});
    }
    for (const Retune& t : r.retunes) replayed.push_back({t.at.t, t.channel});
    EXPECT_EQ(replayed, tuned);
    if (!r.remembered.empty()) {
        EXPECT_EQ(r.remembered.back().text, run.remembered_bssid);
    }
    std::ostringstream replayed_svg;
    write_replay_timeline(replayed_svg, GetParam(), r);
    mark_titles(replayed_svg.str());
    EXPECT_EQ(misdrawn_texts(text_boxes(replayed_svg.str())), "");
    EXPECT_EQ(replayed_svg.str().find("recoveries only with debug"), std::string::npos) << "told by the debug lines";
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Shipped, testing::ValuesIn(shipped_scenarios()),
                         [](const testing::TestParamInfo<std::string>& scenario) {
                             std::string name = scenario.param.substr(0, scenario.param.find('.'));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// A log without debug lines: its runs as logged, even a negative
// sleeptime; a start refused with the usage text; no recovery told; a
// clock that only went back.
TEST(Replay, ALogWithoutDebugLines) {
    const std::string at = "Mon Dec  7 04:00:00 2026 daemon.info relaywatch[100]: ";
    const Replay r =
        replay_text(at + "relaywatch: Start (looptime=10, sleeptime=-1)\n" + at + "relaywatch: AP enable\n" +
                    "Mon Dec  7 04:01:00 2026 daemon.info relaywatch[101]: Usage:\n"
                    "Mon Dec  7 04:00:30 2026 daemon.info dnsmasq[9]: read /etc/hosts\n");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.runs.size(), 2u);
    EXPECT_EQ(r.runs[0].sleeptime, -1);
    EXPECT_EQ(r.runs[1].ended_at_start, "the usage text (wrong arguments)");
    std::ostringstream svg;
    write_replay_timeline(svg, "x.log", r);
    EXPECT_NE(svg.str().find("not in the log: relaywatch tells its recoveries only with debug"), std::string::npos);
    std::vector<std::string> bands;  // each run's, in order
    for (const std::string& t : mark_titles(svg.str()))
        if (t.rfind("relaywatch run ", 0) == 0) bands.push_back(t);
    EXPECT_EQ(bands, (std::vector<std::string>{
                         "relaywatch run [Mon Dec  7 04:00:00 2026] to [Mon Dec  7 04:01:00 2026]: a new process; no "
                         "line about this run's end",
                         "relaywatch run [Mon Dec  7 04:01:00 2026] to [Mon Dec  7 04:01:00 2026]: ended at "
                         "start-up: the usage text (wrong arguments)"}));
    std::ostringstream out;
    print_replay_summary(out, "x.log", r);
    EXPECT_NE(out.str().find("\nclock jumps            1 back, 0 forward"), std::string::npos) << out.str();
}

// The client security as the recovery cycle applies it: the mixed mode and
// cipher normalised, a text no candidate holds left as the log has it; a
// hidden entry's "AUTH/ENC" cut only into two words of the survey's.
TEST(Replay, ClientSecurityInTheCyclesWords) {
    const std::string too_long(40, 'W');  // more than a candidate holds
    EXPECT_EQ(applied_security("WPA-PSK/WPA2-PSK", "TKIP/AES"), "WPA2PSK/AES");
    EXPECT_EQ(applied_security("WPAPSK", "TKIP"), "WPAPSK/TKIP");
    EXPECT_EQ(applied_security(too_long, "TKIP/AES"), too_long + "/TKIP/AES");
    const std::pair<const char*, const char*> cuts[] = {{"WPA-PSK/WPA2-PSK/TKIP/AES", "WPA-PSK/WPA2-PSK|TKIP/AES"},
                                                        {"OPEN/", "OPEN|"},
                                                        {"WPA2PSK/XYZ", ""},
                                                        {"XYZ/AES", ""}};
    for (const auto& [joined, cut] : cuts) {
        std::string_view auth, enc;
        EXPECT_EQ(split_security(joined, auth, enc) ? std::string(auth) + "|" + std::string(enc) : "", cut);
    }
}

// The stamps and tags of the log formats relaywatch's lines turn up in.
TEST(Replay, LineFormats) {
    const struct {
        const char* line;
        int year, month, day, second;
        const char* tag;
        long pid;
        const char* message;
    } cases[] = {
        {"Mon Dec  7 04:40:21 2026 daemon.info relaywatch[1234]: relaywatch: AP disable", 2026, 12, 7, 21, "relaywatch",
         1234, "relaywatch: AP disable"},
        {"Dec 17 04:40:22 router daemon.info relaywatch[9]: Invalid Key=abc", 0, 12, 17, 22, "relaywatch", 9,
         "Invalid Key=abc"},
        {"Dec  7 04:40:23 relaywatch: relaywatch: AP enable", 0, 12, 7, 23, "relaywatch", -1, "relaywatch: AP enable"},
        {"Jan 07 00:00:01 gw user.notice relaywatch: x", 0, 1, 7, 1, "relaywatch", -1, "x"},
        {"2026-12-07T04:40:24.123+01:00 router relaywatch[5]: y", 2026, 12, 7, 24, "relaywatch", 5, "y"},
        {"Mon Dec  7 04:40:25 2026 kern.warn kernel: [ 12.3] ra0: link up", 2026, 12, 7, 25, "kernel", -1,
         "[ 12.3] ra0: link up"},
        {"relaywatch: AP enable", -1, 0, 0, 0, "", -1, "relaywatch: AP enable"},
        {"Dec 32 04:40:21 relaywatch: z", -1, 0, 0, 0, "", -1, "Dec 32 04:40:21 relaywatch: z"},
    };
    for (const auto& c : cases) {
        const LogLine l = parse_log_line(c.line);
        EXPECT_EQ(l.stamped, c.year >= 0) << c.line;
        if (c.year >= 0) {
            EXPECT_EQ(l.stamp.year, c.year) << c.line;
            EXPECT_TRUE(l.stamp.month == c.month && l.stamp.day == c.day && l.stamp.second == c.second) << c.line;
        }
        EXPECT_EQ(l.tag, c.tag) << c.line;
        EXPECT_EQ(l.pid, c.pid) << c.line;
        EXPECT_EQ(l.message, c.message) << c.line;
    }
}

TEST(Replay, FormatMatcher) {
    std::vector<std::string_view> f;
    EXPECT_TRUE(match_format("Found AP %s[%s] Ch=%d(%s) Mode=%s(%s)\n",
                             "Found AP x(1) Ch=2[] Ch=-6(ABOVE) Mode=OPEN(NONE)", f));
    EXPECT_EQ(f, (std::vector<std::string_view>{"x(1) Ch=2", "", "-6", "ABOVE", "OPEN", "NONE"}));
    EXPECT_TRUE(match_format("Unsupport security mode: %.*s (%.*s).\n", "Unsupport security mode: WPA (X).", f));
    EXPECT_EQ(f, (std::vector<std::string_view>{"WPA", "X"}));
    EXPECT_TRUE(match_format("w[%02d]=%d  [", "w[03]=1  [1101]", f, true));
    EXPECT_EQ(f, (std::vector<std::string_view>{"03", "1", "1101]"}));
    EXPECT_FALSE(match_format("Ch=%d 100%%", "Ch=x 100%", f));
    EXPECT_TRUE(match_format("Ch=%d 100%%", "Ch=6 100%", f));
    EXPECT_FALSE(match_format("AP enable\n", "AP enabled", f));
    EXPECT_TRUE(match_format("Ch=%d\n", "Ch=6\n", f)) << "a line read with its line end";
    EXPECT_FALSE(match_format("%s%s%s%s%s%s%s%sz", std::string(300, 'a'), f)) << "gives up, bounded";
}

// Every line in the daemon's list, printed, is recognised as its own kind
// with its values; no format earlier in the list takes it.
TEST(Replay, EveryDaemonLineIsRecognised) {
    for (const LogFormat& f : kLogFormats) {
        const std::string_view format = f.format;
        std::vector<std::string> values;
        for (std::size_t at = format.find('%'); at != std::string_view::npos; at = format.find('%', at + 1)) {
            const std::size_t kind = format.find_first_of("ds", at);
            values.push_back((format[kind] == 'd' ? "" : "v") + std::to_string(10 + values.size()));
        }
        const bool window = f.msg == LogMsg::WindowHead;
        const std::string line =
            (f.prefixed ? RW_LOG_PREFIX : "") + reprinted(format, values) + (window ? "1101]" : "");
        std::vector<std::string_view> fields;
        EXPECT_EQ(recognise_line(line, fields), &f) << f.name << ": " << line;
        if (window) values.push_back("1101]");
        EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()), values) << f.name;
        EXPECT_TRUE(is_line(line, f.msg)) << f.name;
    }
    std::vector<std::string_view> fields;
    EXPECT_EQ(recognise_line("Usage:", fields), &log_format(LogMsg::Usage)) << "the usage text's first line alone";
    EXPECT_EQ(recognise_line(RW_LOG_PREFIX "Usage:", fields), nullptr);
    EXPECT_FALSE(is_line(RW_LOG_PREFIX RW_MSG_AP_DISABLE, LogMsg::ApEnable));
    EXPECT_FALSE(is_line("AP enable", LogMsg::ApEnable)) << "said without the prefix";
}

// Printed back as printf prints it, %.*s included.
TEST(Replay, Reprinted) {
    char line[200];
    std::snprintf(line, sizeof line, RW_MSG_FOUND_AP, "a", "b", 6, "c", "d", "e");
    EXPECT_EQ(reprinted(RW_MSG_FOUND_AP, {"a", "b", "6", "c", "d", "e"}) + "\n", line);
    std::snprintf(line, sizeof line, RW_MSG_UNSUPPORTED_MODE, 3, "WPA", 1, "X");
    EXPECT_EQ(reprinted(RW_MSG_UNSUPPORTED_MODE, {"WPA", "X"}) + "\n", line);
    EXPECT_EQ(reprinted("%d%% of %d%s", {"7", "8"}), "7% of 8");
}

const char* const kStart =
    "Mon Dec  7 04:00:00 2026 daemon.info relaywatch[100]: relaywatch: Start (looptime=10, sleeptime=3)\n";

// Interleaved programs, a run already going when the log starts, restarts
// with what ended the run before, a process id that changes.
TEST(Replay, RunsAndRestarts) {
    const Replay r = replay_text(
        "Mon Dec  7 03:59:58 2026 daemon.notice netifd: Interface 'wan' is now up\n"
        "Mon Dec  7 03:59:59 2026 daemon.info relaywatch[50]: relaywatch: AP disable\n"
        "Mon Dec  7 03:59:59 2026 daemon.info dnsmasq[900]: read /etc/hosts - 4 names\n"
        "Mon Dec  7 04:00:00 2026 daemon.info procd: Instance relaywatch::instance1 exit with error code 143 after 7 "
        "seconds\n" +
        std::string(kStart) +
        "Mon Dec  7 04:00:00 2026 daemon.info relaywatch[100]: relaywatch: AP disable\n"
        "Mon Dec  7 04:00:10 2026 daemon.info relaywatch[100]: relaywatch: AP enable\n"
        "Mon Dec  7 04:00:20 2026 daemon.info relaywatch[101]: relaywatch: AP disable\n"
        "Mon Dec  7 04:00:30 2026 daemon.info relaywatch[101]: relaywatch: repeater is not enabled!\n");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.runs.size(), 3u);
    EXPECT_TRUE(!r.runs[0].start_seen && r.runs[1].start_seen && !r.runs[2].start_seen);
    const std::string procd = "procd: Instance relaywatch::instance1 exit with error code 143 after 7 seconds";
    const struct {
        const char* ended_by;
        long ended_at, until, instance_lines;
    } ends[] = {{procd.c_str(), 2, 2, 1},
                {"a new process; no line about this run's end", 22, 22, 0},
                {"ended at start-up: relaywatch: repeater is not enabled!", 32, 32, 0}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.runs[i].ended_by, ends[i].ended_by) << i;
        EXPECT_EQ(r.runs[i].ended_at.t, ends[i].ended_at) << i;
        EXPECT_EQ(r.runs[i].until, ends[i].until) << i;
        EXPECT_EQ(r.runs[i].instance_count, ends[i].instance_lines) << i;
    }
    EXPECT_EQ(r.runs[2].ended_at_start, "relaywatch: repeater is not enabled!");
    EXPECT_TRUE(r.ra0_lane.first_inferred && r.ra0_lane.kept.front().on) << "its first line took ra0 down";
    EXPECT_EQ(ra0_up_seconds(r), 1 + 10) << "up to 03:59:59, and 04:00:10 to 04:00:20";
    EXPECT_EQ(r.last.t, 32);
    std::ostringstream out;
    print_replay_summary(out, "x.log", r);
    EXPECT_NE(out.str().find("ra0 outages            2, the longest 11s\n  Mon Dec  7 03:59:59 2026  11s\n"),
              std::string::npos)
        << out.str();
}

// A year missing, over a new year; long and unended lines.
TEST(Replay, LinesWithoutYears) {
    const Replay r = replay_text(
        "Dec 31 23:59:50 gw relaywatch: relaywatch: AP enable\nJan  1 00:00:10 gw relaywatch: relaywatch: AP "
        "disable\n" +
        std::string(5000, 'x') + "\nJan  1 00:00:20 gw relaywatch: relaywatch: AP enable");
    EXPECT_EQ(r.runs.size(), 1u) << "a run already going, its lines without a process id";
    EXPECT_EQ(r.last.t, 30) << "the last line, without a line end, counts";
    EXPECT_EQ(ra0_up_seconds(r), 20);
    EXPECT_EQ(r.truncated, 1);
    EXPECT_EQ(r.unstamped, 1);
}

// What the summary tells of a log without years: jumps both ways, each
// recovery's outcome, client security, errors.
TEST(Replay, SummaryOfADebugLogWithoutYears) {
    std::string log = "Dec 31 23:59:00 gw relaywatch: relaywatch: Start (looptime=10, sleeptime=3)\n";
    const char* const lines[] = {
        "00:00:01 relaywatch: Scanning...",
        "00:00:05 relaywatch: current Auth=WPA2PSK EncrypType=TKIP Ch=6 ExtCh=1",
        "00:00:05 relaywatch: Not found in broadcast SSID list.",
        "00:00:05 relaywatch: Found 1 hidden SSID AP.",
        "00:00:05 relaywatch: [1/1] AP(02:00:00:00:00:a1) (WPA-PSK/WPA2-PSK/TKIP/AES) ch=11",
        "00:00:05 relaywatch: Mode is changed, apply new settings...",
        "00:00:05 Invalid Key=short",
        "00:00:06 relaywatch: Found hidden AP and connected.",
        "00:00:06 relaywatch: manual_get_BSSID=02:00:00:00:00:a1",
        "00:00:07 relaywatch: resetTimerArray[01]=1  [1111111111]",
        "00:00:02 relaywatch: Scanning...",
        "00:00:06 relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=11 ExtCh=0",
        "00:00:06 relaywatch: Not found in broadcast SSID list.",
        "00:00:06 relaywatch: Not found any hidden SSID, delay 3 seconds.",
        "02:00:00 relaywatch: resetTimerArray[02]=0  [1011111111]",
    };
    for (const std::string l : lines) log += "Jan  1 " + l.substr(0, 9) + "gw relaywatch: " + l.substr(9) + "\n";
    std::ostringstream out;
    print_replay_summary(out, "x.log", replay_text(log));
    for (const char* expected :
         {"log span               Dec 31 23:59:00 to Jan  1 02:00:00 (", "year                   not in the log",
          "clock jumps            1 back, 1 forward", "Jan  1 00:00:02  back 5s from Jan  1 00:00:07",
          "forward 1h 59m 54s (7194 s) from Jan  1 00:00:06",
          "recoveries run         2 (site surveys) in the 1m 11s with debug\n",
          "\n                       0 upstream found, 1 hidden AP connected, 1 nothing found\n",
          "ra0 channel moves      1\n  Jan  1 00:00:05  ra0 from channel 6 to channel 11 (hidden AP 02:00:00:00:00:a1)",
          "client security        1 re-programming\n", "Jan  1 00:00:05  to WPA2PSK/AES\n",
          "ra0 outages            1, the longest 1m 11s", "remembered BSSID       02:00:00:00:00:a1",
          "uplink connected       100.0 % of the 4s with window lines (logged)",
          "errors                 1\n  Jan  1 00:00:05  Invalid Key=short"}) {
        EXPECT_NE(out.str().find(expected), std::string::npos) << expected << "\n" << out.str();
    }
    std::ostringstream svg;
    write_replay_timeline(svg, "x.log", replay_text(log));
    EXPECT_NE(svg.str().find(" 1 relaywatch run \xC2\xB7 2 recoveries"), std::string::npos) << "its figures";
    const std::size_t mark = svg.str().find("<title>[Jan  1 00:00:05] Invalid Key=short&#10;");
    ASSERT_NE(mark, std::string::npos) << "in the router's time";
    // The marker's shape and colour: its path less where it starts.
    auto glyph = [&](std::size_t at) {
        const std::size_t d = svg.str().find("<path d=\"M", at), shape = svg.str().find_first_of("ml", d + 10);
        return svg.str().substr(shape, svg.str().find("/>", shape) - shape);
    };
    const std::size_t key = svg.str().find("<title>security change</title>");
    ASSERT_NE(key, std::string::npos) << "the legend's security change";
    EXPECT_EQ(glyph(mark), glyph(key)) << "a key error drawn as a security change";
}

// The simulator's guide shows the sample's replay as it is; its timeline is drawn.
TEST(Replay, TheGuideShowsTheSamplesReplay) {
    const std::string svg = testing::TempDir() + "replay-sample.svg";
    const std::string cmd = std::string(RELAYWATCH_SIM_BIN) + " replay samples/logread-excerpt.log --timeline " + svg;
    FILE* pipe = popen(("cd " RELAYWATCH_SOURCE_DIR " && " + cmd).c_str(), "r");
    std::string shown;
    for (int c = 0; (c = std::fgetc(pipe)) != EOF;) shown += static_cast<char>(c);
    EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 0);
    std::ifstream guide(RELAYWATCH_SOURCE_DIR "/docs/simulator.md");
    const std::string text((std::istreambuf_iterator<char>(guide)), std::istreambuf_iterator<char>());
    const std::string head = "$ relaywatch-sim replay samples/logread-excerpt.log\n";
    const std::size_t at = text.find(head);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.substr(at + head.size(), text.find("```", at) - at - head.size()), shown);
    std::ifstream picture(svg);
    const std::string drawn((std::istreambuf_iterator<char>(picture)), std::istreambuf_iterator<char>());
    std::size_t unknown = 0;
    for (std::size_t i = drawn.find(">not in the log"); i != std::string::npos;
         i = drawn.find(">not in the log", i + 1))
        ++unknown;
    EXPECT_EQ(unknown, 4u) << "the uplink, ra0's channel and the recoveries before the debug lines, and the legend";
    EXPECT_NE(drawn.find(">not in the log: no window lines a pass apart here</text>"), std::string::npos);
    EXPECT_NE(drawn.find(">router's time</text>"), std::string::npos);
    EXPECT_NE(drawn.find(">Mon Dec  7 2026</text>"), std::string::npos) << "the date under the first tick";
    EXPECT_NE(drawn.find("<title>relaywatch ended: procd: Instance relaywatch::instance1 exit"), std::string::npos);
    EXPECT_NE(drawn.find("fill=\"#2e9e44\"/>"), std::string::npos) << "the uplink connected, from the debug lines";
}

// Nothing of relaywatch's dropped: lines no format matches counted, the
// first few kept whole and shown safely; ra0's channel moves apart from the
// re-programmings that kept its channel; the run list capped.
TEST(Replay, UnrecognisedLinesChannelMovesAndCaps) {
    std::string log = std::string(kStart);
    const char* const lines[] = {
        "relaywatch: AP dis",
        "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=0",
        "relaywatch: Found AP up[02:00:00:00:00:b1] Ch=6(1) Mode=WPA2PSK(AES)",
        "relaywatch: Mode is changed, apply new settings...",
        "relaywatch: Found AP up[02:00:00:00:00:b1] Ch=11(1) Mode=WPA2PSK(AES)",
        "relaywatch: Mode is changed, apply new settings...",
        "starting relaywatch \x1b[2J",
        "relaywatch: cannot read store file /etc/x",
        "relaywatch: Sc",
        "odd 4",
        "odd 5",
        "odd 6",
    };
    for (const char* l : lines) log += "Mon Dec  7 04:00:01 2026 daemon.info relaywatch[100]: " + std::string(l) + "\n";
    for (int pid = 1; pid <= 24; ++pid)
        log += "Mon Dec  7 04:00:02 2026 daemon.info relaywatch[" + std::to_string(pid) + "]: relaywatch: AP disable\n";
    log +=
        "Mon Dec  7 04:00:03 2026 daemon.info relaywatch[25]: relaywatch: Found AP up[02:00:00:00:00:b1] Ch=1(1) "
        "Mode=WPA2PSK(AES)\nMon Dec  7 04:00:03 2026 daemon.info relaywatch[25]: relaywatch: Mode is changed, apply "
        "new settings...\n";
    const Replay r = replay_text(log);
    std::ostringstream out;
    print_replay_summary(out, "x.log", r);
    const std::string s = out.str();
    for (const char* expected : {
             "ra0 channel moves      2; 1 re-programming kept the channel\n",
             "  Mon Dec  7 04:00:01 2026  ra0 from channel 6 to channel 11 (the upstream)\n",
             "  Mon Dec  7 04:00:03 2026  ra0 (channel before not logged) to channel 1 (the upstream)\n",
             "unrecognised lines     6 of relaywatch's match no line of the daemon's (2 cut short)\n",
             "  Mon Dec  7 04:00:01 2026  relaywatch: AP dis\n",
             "  Mon Dec  7 04:00:01 2026  odd 5\n  ... and 1 more\n",
             "relaywatch runs        26\n",
             "  ... and 6 more\n",
             "  Mon Dec  7 04:00:01 2026  relaywatch: cannot read store file /etc/x",
         }) {
        EXPECT_NE(s.find(expected), std::string::npos) << expected << "\n" << s;
    }
    EXPECT_EQ(s.find('\x1b'), std::string::npos) << "shown safely";
    EXPECT_EQ(s.find("odd 6"), std::string::npos);
    EXPECT_TRUE(s.find("(pid 19)\n") != std::string::npos && s.find("(pid 20)\n") == std::string::npos) << "20 runs";
}

// --log-start: the router's time of a date and time, and the dates refused.
TEST(Replay, LogStartDates) {
    const struct {
        const char* text;
        long long wall;
    } cases[] = {{"2026-12-31T23:59:59", 1798761599},   {"2028-02-29T12:34:56", 1835440496},
                 {"2027-03-01T00:00:00", 1803859200},   {"1970-01-01T00:00:00", 0},
                 {"9999-12-31T23:59:59", 253402300799}, {"1969-12-31T23:59:59", -1},
                 {"2026-04-31T00:00:00", -1},           {"2026-12-31T23:59:60", -1},
                 {"2026-12-31 23:59:59", -1},           {"2026-12-31T23:59:590", -1}};
    for (const auto& [text, wall] : cases) {
        long long got = -1;
        EXPECT_EQ(parse_log_start(text, got), wall >= 0) << text;
        EXPECT_EQ(got, wall) << text;
    }
}

// Input that cannot be replayed: refused with the reason, exit status 2.
TEST(Replay, Refusals) {
    const struct {
        std::string text;
        const char* why;
    } cases[] = {
        {std::string(kStart) + "Mon Dec  7 04:00:01 2026 x: a" + std::string(1, '\0') + "b\n",
         "test.log:2: holds a NUL byte"},
        {"relaywatch: AP enable\n", "no line with a date and time"},
        {"", "is empty"},
    };
    for (const auto& c : cases)
        EXPECT_NE(replay_text(c.text).error.find(c.why), std::string::npos) << replay_text(c.text).error;
    const struct {
        const char* args;
        const char* why;
    } commands[] = {
        {"replay /tmp", "/tmp: is a directory, not a system log"},
        {"replay /dev/null", "/dev/null: is a device, not a system log"},
        {"replay - </dev/null", "(standard input): is empty"},
        {"replay " RELAYWATCH_SOURCE_DIR "/README.md --timeline /nonexistent/x.svg", "cannot write /nonexistent/x.svg"},
        {"replay -x", "unknown option -x"},
        {"replay " RELAYWATCH_SOURCE_DIR "/README.md --json", "--json needs a value"},
        {"replay " RELAYWATCH_SOURCE_DIR "/README.md --timeline", "--timeline needs a value"},
        {"--syslog /dev/null --log-start 2026-04-31T00:00:00 x.scn", "--log-start wants a date and time"},
    };
    for (const auto& c : commands) {
        FILE* pipe = popen((std::string(RELAYWATCH_SIM_BIN) + " " + c.args + " 2>&1 >/dev/null").c_str(), "r");
        std::string said;
        for (int ch = 0; (ch = std::fgetc(pipe)) != EOF;) said += static_cast<char>(ch);
        EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 2) << c.args;
        EXPECT_NE(said.find(c.why), std::string::npos) << c.args << ": " << said;
    }
}

}  // namespace

}  // namespace rwsim
