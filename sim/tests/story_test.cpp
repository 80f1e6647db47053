// Whole runs of the shipped scenarios: the daemon's own code against the
// simulated router, start to end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "sim/runner.h"
#include "sim/timeline.h"

namespace {

using CommandLog = std::vector<std::pair<long, std::string>>;

std::string scenario_path(const std::string& name) { return RELAYWATCH_SOURCE_DIR "/scenarios/" + name; }

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
        write_timeline_svg(out, sc, res);
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
    std::string first, second, soak1, soak2;
    run("channel-hop.scn", nullptr, &first, {"10", "3", "debug"});
    run("channel-hop.scn", nullptr, &second, {"10", "3", "debug"});
    EXPECT_GT(first.size(), 10000u);
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("\n[0d 00:05:00] == home moves to channel 11 (ext BELOW)\n"), std::string::npos);
    EXPECT_NE(first.find("\n[0d 00:05:13] relaywatch: Mode is changed, apply new settings...\n"), std::string::npos);
    run("soak-30d.scn", nullptr, &soak1, {}, 3 * 86400);
    run("soak-30d.scn", nullptr, &soak2, {}, 3 * 86400);
    EXPECT_NE(soak1.find("random:"), std::string::npos);
    EXPECT_EQ(soak1, soak2);
}

// ... and draws its timeline compactly, one bin a second when they fit.
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
        EXPECT_EQ(res.holdings.sockets_open + res.holdings.outputs_open + res.holdings.store_texts +
                      res.holdings.allocations, 0) << "something held at the end";
        EXPECT_GT(res.record->link_seconds, 0);
        const std::size_t bins = res.record->bins().size();
        EXPECT_LE(bins, Recorder::kMaxBins);
        EXPECT_EQ(bins == static_cast<std::size_t>(sc.end), sc.end <= static_cast<long>(Recorder::kMaxBins));
        std::ostringstream svg;
        write_timeline_svg(svg, sc, res);
        EXPECT_EQ(svg.str().rfind("<svg ", 0), 0u);
        EXPECT_LT(svg.str().size(), 200000u);
        EXPECT_EQ(svg.str().substr(svg.str().size() - 7), "</svg>\n");
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

}  // namespace
