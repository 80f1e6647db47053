// SPDX-License-Identifier: ISC
// Whole runs of the shipped scenarios: the daemon's own code against the
// simulated router, start to end.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/common/text.h"
#include "sim/draw/svg.h"
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
              std::vector<std::string> args = {}, long until = 0) {
    Scenario sc = load_scenario(scenario_path(name));
    std::ostringstream out;
    RunOptions options;
    options.command_log = log;
    options.out = text != nullptr ? &out : nullptr;
    options.until = until;
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

// The first command at or after `from` that equals `command`; -1 if none.
long first_at(const CommandLog& log, const std::string& command, long from = 0) {
    for (const auto& [t, cmd] : log) {
        if (t >= from && cmd == command) return t;
    }
    return -1;
}

// The <g class="mark"> elements of an SVG text, each checked to open with a
// non-empty <title>; every tag closed in order. Returns the titles.
std::vector<std::string> mark_titles(const std::string& svg) {
    std::vector<std::string> stack, titles;
    for (std::size_t lt = svg.find('<'), gt; lt != std::string::npos; lt = svg.find('<', gt)) {
        gt = svg.find('>', lt);
        const std::string tag = svg.substr(lt + 1, gt - lt - 1);
        const std::string name = tag.substr(tag[0] == '/', tag.find_first_of(" />", 1) - (tag[0] == '/'));
        if (tag[0] == '/') {
            EXPECT_EQ(stack.empty() ? "" : stack.back(), name) << "</" << name << "> at " << lt;
            if (!stack.empty()) stack.pop_back();
        } else if (tag.back() != '/') {
            stack.push_back(name);
        }
        if (tag.rfind("g class=\"mark\"", 0) == 0) {
            EXPECT_EQ(svg.compare(gt + 1, 7, "<title>"), 0) << "a marker without a title at " << lt;
            titles.push_back(svg.substr(gt + 8, svg.find("</title>", gt) - gt - 8));
            EXPECT_FALSE(titles.back().empty());
        }
    }
    EXPECT_TRUE(stack.empty());
    return titles;
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

// Every shipped scenario runs to its end cleanly and draws its timeline
// compactly, one bin a second when they fit, every marker with its title.
TEST(Story, EveryShippedScenarioRunsToItsEndCleanly) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(RELAYWATCH_SOURCE_DIR "/scenarios")) {
        if (entry.path().extension() != ".scn") continue;
        SCOPED_TRACE(entry.path().string());
        ++found;
        Scenario sc = load_scenario(entry.path().string());
        RunResult res = run_scenario(sc, RunOptions{});
        EXPECT_FALSE(res.daemon_ended || res.stalled);
        EXPECT_EQ(res.record->seconds, sc.end);
        EXPECT_EQ(res.counts.refused, 0);
        EXPECT_EQ(
            res.holdings.sockets_open + res.holdings.outputs_open + res.holdings.store_texts + res.holdings.allocations,
            0)
            << "something held at the end";
        EXPECT_GT(res.record->link_seconds, 0);
        const std::size_t bins = res.record->bins().size();
        EXPECT_LE(bins, Recorder::kMaxBins);
        EXPECT_EQ(bins == static_cast<std::size_t>(sc.end), sc.end <= static_cast<long>(Recorder::kMaxBins));
        std::ostringstream svg;
        write_run_timeline(svg, sc, res);
        EXPECT_LT(svg.str().size(), 200000u);
        mark_titles(svg.str());
    }
    EXPECT_GE(found, 7);
}

// The command line: a bad scenario names file and line, exits 2, runs nothing.
TEST(Story, TheCommandLineRefusesABadScenario) {
    const std::string bad = ::testing::TempDir() + "relaywatch-bad.scn";
    std::ofstream(bad) << "end 10m\nap home ssid home bssid 00:11 channel 6\n";
    std::string cmd = std::string(RELAYWATCH_SIM_BIN) + " " + bad + " 2>" + bad + ".err >" + bad + ".out";
    int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::ostringstream err, out;
    err << std::ifstream(bad + ".err").rdbuf();
    out << std::ifstream(bad + ".out").rdbuf();
    EXPECT_EQ(err.str(), bad + ":2: bad BSSID '00:11' (six hex pairs with colons, e.g. 00:11:22:33:44:55)\n");
    EXPECT_EQ(out.str(), "");
    for (const char* ext : {"", ".err", ".out"}) std::remove((bad + ext).c_str());
}

// The channel hop's picture: the move's marker and number, a tick for each of
// its two recoveries, the legend's nine glyphs, each titled with what it marks.
TEST(Story, TheTimelineMarksTheMoveAndEachRecovery) {
    std::string text;
    run("channel-hop.scn", nullptr, &text);
    const std::vector<std::string> titles = mark_titles(text.substr(text.find("<svg ")));
    ASSERT_EQ(titles.size(), 4u + 9u);
    EXPECT_EQ(std::vector<std::string>(titles.begin(), titles.begin() + 4),
              (std::vector<std::string>{"[0d 00:05:00] home moves to channel 11 (ext BELOW)",
                                        "1  [0d 00:05:00] home moves to channel 11 (ext BELOW)",
                                        "[0d 00:00:00] a recovery cycle (site survey)&#10;"
                                        "[0d 00:00:00] relaywatch: Start (looptime=10, sleeptime=3)",
                                        "[0d 00:05:09] a recovery cycle (site survey)"}));
    EXPECT_EQ(titles[4], "a re-programming of the client's security (ApCliAuthMode, ApCliEncrypType)") << "the legend";
    // Few events are listed under the picture, one a line; the lanes are
    // named right-aligned at one edge.
    EXPECT_NE(text.find(">1  [0d 00:05:00]  home moves to channel 11 (ext BELOW)</text>"), std::string::npos);
    std::string names;
    const std::string lane = "\" text-anchor=\"end\" font-weight=\"bold\">";
    for (std::size_t at = text.find(lane); at != std::string::npos; at = text.find(lane, at + 1)) {
        const std::size_t x = text.rfind("<text x=\"", at) + 9;
        names += text.substr(x, text.find('"', x) - x) + " " +
                 text.substr(at + lane.size(), text.find('<', at) - at - lane.size()) + "|";
    }
    EXPECT_EQ(names, "140 events|140 uplink (apcli0)|140 own AP (ra0)|140 channel|140 recoveries|");
}

// Channels visited within one slice of a long timeline, between its first
// and last and its lowest and highest, still have their place on the axis.
TEST(Story, TheChannelAxisKeepsEveryChannelUsed) {
    const Scenario sc = parse_scenario(
        "end 1d\nargs 10 3\nstore ApCliSsid=home\nradio channel 1\n"
        "ap home ssid home bssid 00:11:22:33:44:55 channel 1 security WPA2PSK/AES\n"
        "at 1h move home channel 6\nat 1h20s move home channel 11\nat 1h40s move home channel 3\n",
        "axis.scn");
    std::ostringstream out;
    const RunResult res = run_scenario(sc, RunOptions{});
    write_run_timeline(out, sc, res);
    for (const char* ch : {">ch 1<", ">ch 3<", ">ch 6<", ">ch 11<"})
        EXPECT_NE(out.str().find(ch), std::string::npos) << ch;
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
    const std::vector<std::string> titles = mark_titles(text.substr(text.find("<svg ")));
    EXPECT_NE(std::find(titles.begin(), titles.end(),
                        "[0d 00:10:13] client security re-programmed: ApCliAuthMode WPA2PSK -&gt; WPAPSK"),
              titles.end());
    EXPECT_NE(std::find(titles.begin(), titles.end(), "[0d 00:10:00] home's security becomes WPAPSK/TKIP"),
              titles.end());
    // With the debug lines on, a recovery tick tells what the daemon said.
    run("security-change.scn", nullptr, &text, {"10", "3", "debug"});
    const std::vector<std::string> debug_titles = mark_titles(text.substr(text.find("<svg ")));
    EXPECT_NE(
        std::find(
            debug_titles.begin(), debug_titles.end(),
            "[0d 00:10:09] a recovery cycle (site survey)&#10;[0d 00:10:09] relaywatch: Disconnect over 10 seconds."),
        debug_titles.end());
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
    const std::vector<std::string> titles = mark_titles(text.substr(text.find("<svg ")));
    EXPECT_NE(std::find(titles.begin(), titles.end(), "[0d 00:00:08] " + told), titles.end());
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
    const std::string svg = out.str(), tail = "\" text-anchor=\"middle\" font-size=\"10\" fill=\"#555555\">";
    std::string labels;
    for (std::size_t at = svg.find(tail); at != std::string::npos; at = svg.find(tail, at + 1)) {
        labels +=
            svg.substr(at - 2, 2) + ":" + svg.substr(at + tail.size(), svg.find('<', at) - at - tail.size()) + "|";
    }
    EXPECT_EQ(labels, "71:1|71:2\u20137|71:8|71:9\u201310|61:11\u201312|71:13|61:14|71:15|61:16|");
    EXPECT_NE(svg.find("<title>9  [0d 00:06:40] e&#10;10  [0d 00:06:41] e</title>"), std::string::npos);
}

}  // namespace

}  // namespace rwsim
