// SPDX-License-Identifier: ISC
// Whole runs of the shipped scenarios: the daemon's own code against the
// simulated router, start to end.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

#include "sim/common/text.h"
#include "sim/draw/svg.h"
#include "sim/draw/tests/svg_check.h"
#include "sim/router/run_timeline.h"
#include "sim/router/runner.h"

namespace rwsim {

namespace {

using CommandLog = std::vector<std::pair<long, std::string>>;

std::string scenario_path(const std::string& name) {
    return RELAYWATCH_SOURCE_DIR "/scenarios/" + name;
}

// Runs a shipped scenario; with `text`, all it prints goes there, then the
// summary and the timeline.
RunResult run(const std::string& name, CommandLog* log = nullptr, std::string* text = nullptr,
              std::vector<std::string> args = {}) {
    Scenario sc = load_scenario(scenario_path(name));
    std::ostringstream out;
    RunOptions options;
    options.command_log = log;
    options.out = text != nullptr ? &out : nullptr;
    options.args_given = !args.empty();
    options.args = std::move(args);
    RunResult res = run_scenario(sc, options);
    if (text != nullptr) {
        print_summary(out, sc, res);
        write_run_timeline(out, sc, res);
        *text = out.str();
    }
    return res;
}

// The titles of the marks in the picture that `text` ends with.
std::vector<std::string> titles_in(const std::string& text) {
    return mark_titles(text.substr(text.find("<svg ")));
}

bool has(const std::vector<std::string>& titles, const std::string& title) {
    return std::find(titles.begin(), titles.end(), title) != titles.end();
}

// The first command at or after `from` that equals `command`; -1 if none.
long first_at(const CommandLog& log, const std::string& command, long from = 0) {
    for (const auto& [t, cmd] : log) {
        if (t >= from && cmd == command) return t;
    }
    return -1;
}

TEST(Story, TheUpstreamHopsChannelAndRa0FollowsIt) {
    CommandLog log;
    RunResult res = run("channel-hop.scn", &log);
    const long move = 300;  // home moves to channel 11 at 5m
    long retune = first_at(log, "iwpriv ra0 set Channel=11", move);
    ASSERT_GE(retune, move) << "the radio is re-programmed onto the new channel";
    EXPECT_LE(retune, move + 30);
    EXPECT_GE(first_at(log, "iwpriv ra0 set HtExtcha=0", retune), retune) << "BELOW on 11";
    long down = first_at(log, "ifconfig ra0 down", move);
    long up = first_at(log, "ifconfig ra0 up", retune);
    EXPECT_GT(down, move);
    EXPECT_LT(down, retune);
    EXPECT_GT(up, retune) << "ra0 comes up again after the re-programming";
    EXPECT_TRUE(res.radio.channel == 11 && res.radio.extcha == 0 && res.radio.ra0_up && res.link_up);
    EXPECT_EQ(res.record->changes_recovered, 1);
}

TEST(Story, TheUpstreamHidesItsSsidAndIsFollowedByItsRememberedBssid) {
    CommandLog log;
    RunResult res = run("hidden-ssid.scn", &log);
    EXPECT_EQ(res.remembered_bssid, "00:11:22:33:44:55");
    EXPECT_GE(first_at(log, "iwpriv ra0 set Channel=1", 300), 300) << "found hidden on its new channel";
    EXPECT_TRUE(res.radio.channel == 1 && res.radio.ra0_up && res.link_up);
}

TEST(Story, TheSameScenarioGivesTheSameOutput) {
    std::string first, second;
    run("channel-hop.scn", nullptr, &first, {"10", "3", "debug"});
    run("channel-hop.scn", nullptr, &second, {"10", "3", "debug"});
    // cppcheck-suppress unsignedLessThanZero ; run() fills `first` through its pointer
    EXPECT_GT(first.size(), 10000u);
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("\n[0d 00:05:00] == home moves to channel 11 (ext BELOW)\n"), std::string::npos);
    EXPECT_NE(first.find("\n[0d 00:05:13] relaywatch: Mode is changed, apply new settings...\n"), std::string::npos);
}

// The command line: bad input exits 2 and runs nothing; a bad scenario names
// file and line, a bad option what it takes.
TEST(Story, TheCommandLineRefusesBadInput) {
    const std::string bad = ::testing::TempDir() + "relaywatch-bad.scn";
    std::ofstream(bad) << "end 10m\nap home ssid home bssid 00:11 channel 6\n";
    const std::pair<std::string, std::string> cases[] = {
        {bad, bad + ":2: bad BSSID '00:11' (six hex pairs with colons, e.g. 00:11:22:33:44:55)\n"},
        {"--sweep 5 1..x " + scenario_path("channel-hop.scn"),
         "relaywatch-sim: --sweep sleeptimes: bad item '1..x' in '1..x' (numbers or ranges A..B with A <= B, each 0 to "
         "3600, separated by commas)\nusage: "},
        {"", "relaywatch-sim: no scenario given\n"},
        {"--sweep 5 1 --syslog s.log " + scenario_path("channel-hop.scn"),
         "relaywatch-sim: --syslog writes one run; it does not go with --sweep\n"},
        {"--syslog /nonexistent/s.log " + scenario_path("channel-hop.scn"),
         "relaywatch-sim: cannot write /nonexistent/s.log: No such file or directory\n"},
        {"explain samples/survey-crowded.txt --channel x",
         "relaywatch-sim explain: bad --channel 'x' (1-14, or a 5 GHz channel such as 36, 149)\nusage: "},
    };
    for (const auto& [args, told] : cases) {
        std::string cmd = std::string(RELAYWATCH_SIM_BIN) + " ";
        cmd.append(args).append(" 2>").append(bad).append(".err >").append(bad).append(".out");
        int status = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 2) << args;
        std::ostringstream err, out;
        err << std::ifstream(bad + ".err").rdbuf();
        out << std::ifstream(bad + ".out").rdbuf();
        EXPECT_EQ(err.str().substr(0, told.size()), told);
        EXPECT_EQ(out.str(), "");
    }
    for (const char* ext : {"", ".err", ".out"}) std::remove((bad + ext).c_str());
}

// The channel hop's picture: the move's marker and number, a tick for each of
// its two recoveries, the legend's nine glyphs, each titled with what it marks.
TEST(Story, TheTimelineMarksTheMoveAndEachRecovery) {
    std::string text;
    run("channel-hop.scn", nullptr, &text);
    const std::vector<std::string> titles = titles_in(text);
    ASSERT_EQ(titles.size(), 4u + 9u);
    EXPECT_EQ(std::vector<std::string>(titles.begin(), titles.begin() + 4),
              (std::vector<std::string>{"[0d 00:05:00] home moves to channel 11 (ext BELOW)",
                                        "1  [0d 00:05:00] home moves to channel 11 (ext BELOW)",
                                        "[0d 00:00:00] a recovery cycle (site survey)&#10;"
                                        "[0d 00:00:00] relaywatch: Start (looptime=10, sleeptime=3)",
                                        "[0d 00:05:09] a recovery cycle (site survey)"}));
    EXPECT_EQ(titles[4], "a re-programming of the client's security (ApCliAuthMode, ApCliEncrypType)") << "the legend";
    EXPECT_NE(text.find(">15m of virtual time, relaywatch 10 3 \u00b7 uplink 97.9 % \u00b7 ra0 up 96.8 % \u00b7 2 "
                        "recoveries \u00b7 1 upstream change</text>"),
              std::string::npos);
    // The channel lane draws the upstream's channel and ra0's, each in its legend's colour.
    for (const std::string legend : {"upstream's channel", "ra0's channel"}) {
        const std::size_t swatch = text.rfind("<line ", text.find(">" + legend + "</text>"));
        const std::size_t stroke = text.find(" stroke=", swatch);
        EXPECT_NE(text.find("\" fill=\"none\"" + text.substr(stroke, text.find(' ', stroke + 1) - stroke)),
                  std::string::npos)
            << legend;
    }
    // Few events are listed under the picture, one a line; the lanes are
    // named right-aligned at one edge; no text is drawn over another.
    EXPECT_NE(text.find(">1  [0d 00:05:00]  home moves to channel 11 (ext BELOW)</text>"), std::string::npos);
    const std::vector<TextBox> boxes = text_boxes(text.substr(text.find("<svg ")));
    std::string names;
    for (const TextBox& box : boxes) {
        for (const char* lane : {"events", "uplink (apcli0)", "own AP (ra0)", "channel", "recoveries"}) {
            if (box.content == lane) names += box.content + (box.right == boxes[2].right ? "|" : " out of line|");
        }
    }
    EXPECT_EQ(names, "events|uplink (apcli0)|own AP (ra0)|channel|recoveries|");
    EXPECT_EQ(misdrawn_texts(boxes), "");
}

// A bin keeps the channels of the seconds that had one (0: none), and
// counts the seconds without an upstream on the air.
TEST(Story, ABinTracksTheChannelsItSaw) {
    Recorder rec(3);
    for (const auto& [t, ra0, upstream] : {std::tuple{0L, 0, 0}, {1L, 6, 11}, {2L, 11, 0}})
        rec.second(t, true, true, ra0, upstream);
    std::string bins;
    for (const Bin& b : rec.bins()) {
        for (int channel : {b.ra0_first, b.ra0_last, b.ra0_min, b.ra0_max, b.up_first, b.up_last, b.up_min, b.up_max}) {
            bins += std::to_string(channel) + " ";
        }
        bins += std::to_string(b.upstream_absent) + "|";
    }
    EXPECT_EQ(bins, "-1 -1 -1 -1 -1 -1 -1 -1 1|6 6 6 6 11 11 11 11 0|11 11 11 11 -1 -1 -1 -1 1|");
}

// The channel lane is shaded, in the legend's colour for it, where the
// upstream was off the air: from the axis's 2m to its 12m.
TEST(Story, TheUpstreamsTimeOffTheAirIsShaded) {
    std::string text;
    run("upstream-gone.scn", nullptr, &text);
    const std::string svg = text.substr(text.find("<svg "));
    const std::size_t swatch = svg.rfind("<rect ", svg.find(">upstream off the air</text>"));
    const std::string colour = svg.substr(svg.find(" fill=", swatch), 16);
    double lane = 0, axis = 0;
    std::map<double, std::string> ticks;
    for (const TextBox& box : text_boxes(svg)) {
        if (box.content == "channel") lane = box.bottom;
        if (box.content == "0") axis = box.top;
        ticks[(box.left + box.right) / 2] = box.content;
    }
    std::string shaded;
    for (std::size_t at = svg.find("<rect "); at != std::string::npos; at = svg.find("<rect ", at + 1)) {
        const std::string tag = svg.substr(at, svg.find('>', at) - at);
        const double x = attribute(tag, "x"), y = attribute(tag, "y");
        if (tag.find(colour) == std::string::npos || y < lane || y > axis) continue;
        shaded += ticks[x] + " to " + ticks[x + attribute(tag, "width")] + "|";
    }
    EXPECT_EQ(shaded, "2m to 12m|");
}

// Channels visited within one slice of a long timeline, between its first
// and last and its lowest and highest, still have their place on the axis:
// those of the upstream's moves, and those a hidden walk tried; a channel no
// one used has none.
TEST(Story, TheChannelAxisKeepsEveryChannelUsed) {
    const std::pair<const char*, const char*> cases[] = {
        {"ap home ssid home bssid 00:11:22:33:44:55 channel 1\nat 1h move home channel 6\n"
         "at 1h20s move home channel 11\nat 1h40s move home channel 3\n",
         "1 3 6 11 "},
        {"ap attic hidden attic bssid 02:00:00:00:00:a1 channel 6\nap home hidden home bssid 02:00:00:00:00:b2 "
         "channel 11\nap shed hidden shed bssid 02:00:00:00:00:c3 channel 3\n",
         "1 6 11 "},
    };
    for (const auto& [air, axis] : cases) {
        const Scenario sc =
            parse_scenario(std::string("end 1d\nstore ApCliSsid=home\nradio channel 1\n") + air, "axis.scn");
        std::ostringstream out;
        write_run_timeline(out, sc, run_scenario(sc, RunOptions{}));
        std::string shown;
        for (const TextBox& box : text_boxes(out.str()))
            if (box.content.rfind("ch ", 0) == 0) shown += box.content.substr(3) + " ";
        EXPECT_EQ(shown, axis) << air;
    }
}

// The picture's numbers: one decimal, none when it is 0.
TEST(Story, SvgNumbers) {
    const std::pair<double, const char*> cases[] = {
        {12.0, "12"}, {12.5, "12.5"}, {0.0, "0"}, {-3.0, "-3"}, {496.04, "496"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(svg_number(value), text) << value;
}

// Time ticks in the largest unit that fits, at most eleven, seconds to years.
TEST(Story, TimeTicksStayLegibleAtEverySpan) {
    const std::pair<long, const char*> spans[] = {
        {90, "0|10s|20s|30s|40s|50s|1m|1m 10s|1m 20s|1m 30s|"},
        {12 * 3600, "0|2h|4h|6h|8h|10h|12h|"},
        {30 * 86400, "0|5d|10d|15d|20d|25d|30d|"},
        {kMaxDurationSeconds, "0|1y|2y|3y|4y|5y|6y|7y|8y|9y|10y|"},
    };
    for (const auto& [end, ticks] : spans) {
        Scenario sc;
        RunResult res;
        res.end = sc.end = end;
        res.record = std::make_unique<Recorder>(end);
        std::ostringstream svg;
        write_run_timeline(svg, sc, res);
        std::string labels, text = svg.str();
        const std::string tick = "text-anchor=\"middle\" font-size=\"11\">";
        for (std::size_t at = text.find(tick); at != std::string::npos; at = text.find(tick, at + 1)) {
            labels += text.substr(at + tick.size(), text.find('<', at) - at - tick.size()) + "|";
        }
        EXPECT_EQ(labels, ticks) << end;
    }
}

// A change of the client's security is told apart from channel settings:
// its own console line, count and timeline mark.
TEST(Story, TheClientsSecurityChangeIsToldApart) {
    std::string text;
    RunResult res = run("security-change.scn", nullptr, &text);
    EXPECT_NE(text.find("\n[0d 00:10:13] == client security re-programmed: ApCliAuthMode WPA2PSK -> WPAPSK\n"
                        "[0d 00:10:13] == client security re-programmed: ApCliEncrypType AES -> TKIP\n"),
              std::string::npos);
    EXPECT_EQ(res.record->security_reprograms, 1) << "two settings in one second count once";
    EXPECT_NE(text.find("\nclient security        1 re-programming (ApCliAuthMode, ApCliEncrypType)\n"),
              std::string::npos);
    EXPECT_TRUE(
        has(titles_in(text), "[0d 00:10:13] client security re-programmed: ApCliAuthMode WPA2PSK -&gt; WPAPSK"));
    EXPECT_TRUE(has(titles_in(text), "[0d 00:10:00] home's security becomes WPAPSK/TKIP"));
    // With the debug lines on, a recovery tick tells what the daemon said.
    run("security-change.scn", nullptr, &text, {"10", "3", "debug"});
    EXPECT_TRUE(has(titles_in(text),
                    "[0d 00:10:09] a recovery cycle (site survey)&#10;"
                    "[0d 00:10:09] relaywatch: Disconnect over 10 seconds."));
}

// relaywatch tries the hidden "attic" while the client joins "home", just
// come on the air on that channel, and remembers attic's BSSID: an == line,
// the summary and a timeline mark tell it. Home's two events at 6m are one
// change. A captured hidden upstream given its real SSID connects.
TEST(Story, TheWalkThatRemembersAStrangerIsTold) {
    std::string text;
    run("stranger.scn", nullptr, &text);
    const std::string told =
        "relaywatch remembers BSSID 02:00:00:00:00:a1 (attic), but the uplink joined home (00:11:22:33:44:55)";
    EXPECT_NE(text.find("\n[0d 00:00:08] == " + told + "\n"), std::string::npos);
    EXPECT_NE(
        text.find("\nra0 up, uplink down     0.6 %  (5 s of 900 s)\nra0 first up           after 13 s, on channel 6\n"
                  "upstream changes       2: ra0 up again after 8 s; 1 not recovered by the end\n"),
        std::string::npos);
    EXPECT_NE(text.find("\nuplink last joined     home (00:11:22:33:44:55)\nremembered BSSID       02:00:00:00:00:a1\n"
                        "BSSID mismatches       1 "),
              std::string::npos);
    EXPECT_TRUE(has(titles_in(text), "[0d 00:00:08] " + told));
    const RunResult res = run("hidden-capture.scn");
    EXPECT_TRUE(res.link_up && res.remembered_bssid == "00:11:22:33:44:55" && res.joined_name == "home");
}

// Event numbers close together are grouped, and groups close together
// staggered, so that none overlap; a number's title names each of its events.
TEST(Story, EventNumbersNeverOverlap) {
    RunResult res;
    res.end = 600;
    res.record = std::make_unique<Recorder>(600);
    for (long t : {100, 200, 201, 202, 205, 212, 220, 232, 400, 401, 411, 412, 500, 510, 520, 530}) {
        res.record->event(t, EventClass::Signal, "e");
    }
    std::ostringstream out;
    write_run_timeline(out, Scenario{}, res);
    const std::string svg = out.str(), open = "<g class=\"mark\"><title>";
    // Each number with the events its title names, "first-last".
    std::string numbers;
    for (std::size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1)) {
        const std::size_t end = svg.find("</title>", at), label = svg.find('>', svg.find("<text", end)) + 1;
        const std::string title = svg.substr(at + open.size(), end - at - open.size());
        if (!std::isdigit(static_cast<unsigned char>(title[0]))) continue;  // a glyph's or the legend's
        const std::size_t last = title.rfind("&#10;");
        const std::string named =
            title.substr(0, title.find(' ')) +
            (last == std::string::npos ? "" : "-" + title.substr(last + 5, title.find(' ', last) - last - 5));
        numbers += svg.substr(label, svg.find('<', label) - label) + "=" + named + "|";
    }
    EXPECT_EQ(numbers, "1=1|2\u20137=2-7|8=8|9\u201310=9-10|11\u201312=11-12|13=13|14=14|15=15|16=16|");
    EXPECT_NE(svg.find("<title>9  [0d 00:06:40] e&#10;10  [0d 00:06:41] e</title>"), std::string::npos);
    EXPECT_EQ(misdrawn_texts(text_boxes(svg)), "");
}

}  // namespace

// The field report's bundle taken mid-run: the router as it stands at that
// moment, the log so far; the run itself as without it.
TEST(Story, TheFieldReportLooksInWithoutChangingTheRun) {
    const Scenario sc = load_scenario(scenario_path("upstream-gone.scn"));
    std::string bundle;
    std::ostringstream plain, with;
    RunOptions options;
    options.out = &plain;
    const RunResult alone = run_scenario(sc, options);
    print_summary(plain, sc, alone);
    options.out = &with;
    options.report = &bundle;
    options.report_at = 300;
    const RunResult res = run_scenario(sc, options);
    print_summary(with, sc, res);
    EXPECT_EQ(with.str(), plain.str());
    // At the first moment from 300 s on that the daemon is between passes.
    for (const char* said : {"date: 2026-01-01 00:05:02 +0000 UTC\n", "uptime: 332 s\n", "pid 1234: relaywatch ",
                             "ra0 channel: ", "relaywatch[1234]: relaywatch: Start", "--- end 9\n"}) {
        EXPECT_NE(bundle.find(said), std::string::npos) << said;
    }
    EXPECT_EQ(bundle.find("Thu Jan  1 00:05:03"), std::string::npos);  // nothing after the moment
}

}  // namespace rwsim
