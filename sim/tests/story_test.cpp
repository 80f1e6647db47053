// Whole runs of the shipped scenarios: the daemon's own code against the
// simulated router, start to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

RunResult run(const std::string& name, CommandLog* log = nullptr, std::vector<std::string> args = {}) {
    Scenario sc = load_scenario(scenario_path(name));
    RunOptions options;
    options.command_log = log;
    if (!args.empty()) {
        options.args_given = true;
        options.args = std::move(args);
    }
    return run_scenario(sc, options);
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
    EXPECT_EQ(res.radio.channel, 11);
    EXPECT_EQ(res.radio.extcha, 0);
    EXPECT_TRUE(res.radio.ra0_up);
    EXPECT_TRUE(res.link_up);
    EXPECT_EQ(res.counts.refused, 0);
    EXPECT_EQ(res.record->changes, 1);
    EXPECT_EQ(res.record->changes_recovered, 1);
    EXPECT_GT(res.record->first_up, 0);
}

TEST(Story, TheUpstreamHidesItsSsidAndIsFollowedByItsRememberedBssid) {
    CommandLog log;
    RunResult res = run("hidden-ssid.scn", &log);
    EXPECT_EQ(res.remembered_bssid, "00:11:22:33:44:55");
    EXPECT_GE(first_at(log, "iwpriv ra0 set Channel=1", 300), 300) << "found hidden on its new channel";
    EXPECT_EQ(res.radio.channel, 1);
    EXPECT_TRUE(res.radio.ra0_up);
    EXPECT_TRUE(res.link_up);
}

TEST(Story, TheSecondOfThreeHiddenAccessPointsIsTheUpstream) {
    CommandLog log;
    RunResult res = run("three-hidden.scn", &log);
    long first = first_at(log, "iwpriv ra0 set Channel=1");
    long second = first_at(log, "iwpriv ra0 set Channel=6");
    ASSERT_GE(first, 0);
    EXPECT_GT(second, first) << "tried in table order";
    EXPECT_EQ(first_at(log, "iwpriv ra0 set Channel=11"), -1) << "the third is never looked at";
    EXPECT_EQ(res.remembered_bssid, "02:00:00:00:00:b2");
    EXPECT_EQ(res.radio.channel, 6);
    EXPECT_TRUE(res.link_up);
    EXPECT_TRUE(res.radio.ra0_up);
}

std::string whole_run(const std::string& name, long until, std::vector<std::string> args) {
    Scenario sc = load_scenario(scenario_path(name));
    std::ostringstream out;
    RunOptions options;
    options.out = &out;
    options.until = until;
    options.args_given = !args.empty();
    options.args = std::move(args);
    RunResult res = run_scenario(sc, options);
    print_summary(out, sc, res);
    write_timeline_svg(out, sc, res);
    return out.str();
}

TEST(Story, TheSameScenarioGivesTheSameOutput) {
    std::string first = whole_run("channel-hop.scn", 0, {"10", "3", "debug"});
    std::string second = whole_run("channel-hop.scn", 0, {"10", "3", "debug"});
    EXPECT_GT(first.size(), 10000u);
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("\n[0d 00:05:00] == home moves to channel 11 (ext BELOW)\n"), std::string::npos);
    EXPECT_NE(first.find("\n[0d 00:05:13] relaywatch: Mode is changed, apply new settings...\n"), std::string::npos);
    std::string soak1 = whole_run("soak-30d.scn", 3 * 86400, {});
    std::string soak2 = whole_run("soak-30d.scn", 3 * 86400, {});
    EXPECT_NE(soak1.find("random:"), std::string::npos);
    EXPECT_EQ(soak1, soak2);
}

TEST(Story, AMonthDrawsAsCompactlyAsTenMinutes) {
    RunResult month = run("soak-30d.scn");
    RunResult minutes = run("channel-hop.scn");
    EXPECT_LE(month.record->bins().size(), Recorder::kMaxBins);
    EXPECT_EQ(minutes.record->bins().size(), 900u) << "one bin per second when they fit";
    for (const RunResult* res : {&month, &minutes}) {
        std::ostringstream svg;
        write_timeline_svg(svg, load_scenario(scenario_path("soak-30d.scn")), *res);
        EXPECT_EQ(svg.str().rfind("<svg ", 0), 0u);
        EXPECT_LT(svg.str().size(), 200000u);
        EXPECT_EQ(svg.str().substr(svg.str().size() - 7), "</svg>\n");
    }
}

TEST(Story, EveryShippedScenarioRunsToItsEndCleanly) {
    for (const auto& entry : std::filesystem::directory_iterator(RELAYWATCH_SOURCE_DIR "/scenarios")) {
        if (entry.path().extension() != ".scn") continue;
        SCOPED_TRACE(entry.path().string());
        Scenario sc = load_scenario(entry.path().string());
        RunResult res = run_scenario(sc, RunOptions{});
        EXPECT_FALSE(res.daemon_ended);
        EXPECT_FALSE(res.stalled);
        EXPECT_EQ(res.record->seconds, sc.end);
        EXPECT_EQ(res.counts.refused, 0);
        EXPECT_EQ(res.holdings.sockets_open, 0);
        EXPECT_EQ(res.holdings.outputs_open, 0);
        EXPECT_EQ(res.holdings.store_texts, 0);
        EXPECT_EQ(res.holdings.allocations, 0);
        EXPECT_GT(res.record->link_seconds, 0);
    }
}

TEST(Story, TheDaemonsOwnStartUpErrorsEndTheRun) {
    Scenario sc = parse_scenario("end 1m\nstore OperationMode=1\n", "mode.scn");
    std::ostringstream out;
    RunOptions options;
    options.out = &out;
    RunResult res = run_scenario(sc, options);
    EXPECT_TRUE(res.daemon_ended);
    EXPECT_EQ(res.daemon_status, 0);
    EXPECT_NE(out.str().find("[0d 00:00:00] relaywatch: error, not repeater mode!\n"), std::string::npos) << out.str();
    EXPECT_EQ(res.record->seconds, 60) << "the air goes on to the end";
}

// The command line: a bad scenario names file and line, exits 2, runs nothing.
TEST(Story, TheCommandLineRefusesABadScenario) {
    auto dir = std::filesystem::temp_directory_path() / "relaywatch-sim-test";
    std::filesystem::create_directories(dir);
    auto bad = dir / "bad.scn";
    {
        std::FILE* f = std::fopen(bad.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("end 10m\nap home ssid home bssid 00:11 channel 6\n", f);
        std::fclose(f);
    }
    std::string cmd = std::string(RELAYWATCH_SIM_BIN) + " " + bad.string() + " 2>" + (dir / "err").string() +
                      " >" + (dir / "out").string();
    int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::ostringstream err;
    err << std::ifstream(dir / "err").rdbuf();
    EXPECT_EQ(err.str(), bad.string() + ":2: bad BSSID '00:11' (six hex pairs with colons, e.g. 00:11:22:33:44:55)\n");
    EXPECT_EQ(std::filesystem::file_size(dir / "out"), 0u);
    std::filesystem::remove_all(dir);
}

}  // namespace
