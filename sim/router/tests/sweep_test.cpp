// SPDX-License-Identifier: ISC
// relaywatch-sim --sweep: its lists, a cell against a single run, the CSV.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "sim/router/sweep.h"

namespace rwsim {

namespace {

TEST(Sweep, ListsAndRanges) {
    const struct {
        const char* text;
        std::vector<int> values;  // empty: refused
        const char* why = "";
    } cases[] = {
        {"5,10,20", {5, 10, 20}},
        {"0..3", {0, 1, 2, 3}},
        {"1,5..7,2", {1, 5, 6, 7, 2}},
        {"7..7", {7}},
        {"3..1", {}, "bad item '3..1'"},
        {"5,,6", {}, "bad item ''"},
        {"4000", {}, "each 0 to 3600"},
        {"1x", {}, "bad item '1x'"},
        {"0..3600", {}, "holds more than 400 numbers"},
    };
    for (const auto& c : cases) {
        std::vector<int> values;
        std::string why;
        EXPECT_EQ(parse_number_list(c.text, 0, 3600, values, why), !c.values.empty()) << c.text;
        if (c.values.empty()) {
            EXPECT_NE(why.find(c.why), std::string::npos) << c.text << ": " << why;
        } else {
            EXPECT_EQ(values, c.values) << c.text;
        }
    }
}

// Each cell starts afresh, with its own pair.
TEST(Sweep, ACellEqualsASingleRunWithTheSameArguments) {
    const Scenario sc = load_scenario(RELAYWATCH_SOURCE_DIR "/scenarios/flapping.scn");
    const std::vector<SweepCell> cells = run_sweep(sc, {10, 3}, {3, 0}, 0);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_TRUE(cells[3].looptime == 3 && cells[3].sleeptime == 0);

    RunOptions options;
    options.args_given = true;
    options.args = {"3", "0"};
    const SweepCell single = sweep_cell(3, 0, run_scenario(sc, options));
    std::ostringstream from_sweep, from_single;
    write_sweep_csv(from_sweep, {cells[3]});
    write_sweep_csv(from_single, {single});
    EXPECT_EQ(from_sweep.str(), from_single.str());
    EXPECT_LT(cells[0].recoveries, single.recoveries) << "a longer window, fewer recoveries";
    EXPECT_EQ(single.reaction_mean, 30) << "the mean reaction, 266 s over 9 changes, to the nearest second";
    const Scenario hop = load_scenario(RELAYWATCH_SOURCE_DIR "/scenarios/channel-hop.scn");
    const SweepCell hopped = run_sweep(hop, {10}, {3}, 0)[0];
    EXPECT_EQ(hopped.reaction_mean, 22) << "looptime + sleeptime + 9 s after the one hop";
    // The reactions apart: the hop is a channel move, the flaps link drops.
    EXPECT_EQ(std::vector<long>({hopped.move_mean, hopped.move_worst, hopped.drop_mean}),
              std::vector<long>({22, 22, -1}));
    EXPECT_EQ(std::vector<long>({single.drop_mean, single.drop_worst, single.move_mean}),
              std::vector<long>({single.reaction_mean, single.reaction_worst, -1}));
    // Drops and moves in one run (the guide's sweep): each told apart.
    const Scenario both = load_scenario(RELAYWATCH_SOURCE_DIR "/scenarios/flapping-hop.scn");
    const SweepCell mixed = run_sweep(both, {10}, {3}, 0)[0];
    EXPECT_EQ(std::vector<long>(
                  {mixed.changes, mixed.ra0_off, mixed.drop_mean, mixed.drop_worst, mixed.move_mean, mixed.move_worst}),
              std::vector<long>({10, 10, 35, 98, 22, 22}));
    EXPECT_EQ(single.ra0_off, 4) << "ra0 goes off the air only for the drops that outlast the gate's five samples: "
                                    "8 s, 20 s, 45 s and 2 min";
}

// The CSV and the table: a line per cell, shares with two decimals (0.00 of no time), no reaction time blank or "-".
TEST(Sweep, CsvColumnsAndNumbers) {
    const SweepCell full{.looptime = 10,
                         .sleeptime = 3,
                         .seconds = 3,
                         .ra0_seconds = 2,
                         .link_seconds = 3,
                         .ra0_alone_seconds = 1,
                         .changes = 4,
                         .recovered = 3,
                         .reaction_mean = 22,
                         .reaction_worst = 40,
                         .recoveries = 5,
                         .reprograms = 6,
                         .security_reprograms = 1,
                         .commands = 70,
                         .mismatches = 2,
                         .ra0_off = 1,
                         .drop_mean = 5,
                         .drop_worst = 9};
    std::ostringstream csv;
    write_sweep_csv(csv,
                    {full, SweepCell{.looptime = 1, .sleeptime = 0, .daemon_ended = true},
                     SweepCell{.looptime = 2, .changes = 1, .recovered = 1, .reaction_mean = 0, .reaction_worst = 0}});
    EXPECT_EQ(
        csv.str(),
        "looptime,sleeptime,own_ap_up_percent,uplink_percent,upstream_changes,missed,reaction_mean_s,reaction_worst_s,"
        "recoveries,reprogrammings,security_reprogrammings,commands,relaywatch_ended,ra0_up_uplink_down_percent,"
        "bssid_mismatches,ra0_off_air_per_hour,drop_reaction_mean_s,drop_reaction_worst_s,move_reaction_mean_s,"
        "move_reaction_worst_s\n"
        "10,3,66.67,100.00,4,1,22,40,5,6,1,70,0,33.33,2,1200.0,5,9,,\n"
        "1,0,0.00,0.00,0,0,,,0,0,0,0,1,0.00,0,,,,,\n"
        "2,0,0.00,0.00,1,0,0,0,0,0,0,0,0,0.00,0,,,,,\n");
    // The table: a row a cell, each value ending where its heading ends.
    std::ostringstream table;
    Scenario sc;
    print_sweep_table(table, sc, 3, {full, SweepCell{.looptime = 1, .daemon_ended = true}});
    const std::string text = table.str(), heading = text.substr(text.find("\nlooptime") + 1);
    std::vector<std::size_t> ends;
    for (const char* name : {"looptime", "sleeptime", "own AP", "uplink", "no uplink", "changes", "missed", "mean",
                             "worst", "recoveries", "re-programmings", "security", "commands", "BSSID mismatches",
                             "off-air/h", "mean", "worst", "mean", "worst"}) {
        ends.push_back(heading.find(name, ends.empty() ? 0 : ends.back()) + std::string(name).size());
    }
    std::istringstream rows(heading.substr(heading.find('\n') + 1));
    std::string shown;
    for (std::string row; std::getline(rows, row) && row.rfind("missed:", 0) != 0;) {
        std::size_t column = 0, end = 0;
        for (std::size_t at = row.find_first_not_of(' '); at != std::string::npos;
             at = row.find_first_not_of(' ', end), ++column) {
            end = column < ends.size() ? std::min(row.find(' ', at), row.size()) : row.size();
            shown += row.substr(at, end - at) + (column >= ends.size() || end == ends[column] ? " " : "(misplaced) ");
        }
        shown += "\n";
    }
    EXPECT_EQ(shown,
              "10 3 66.67 100.00 33.33 4 1 22 40 5 6 1 70 2 1200.0 5 9 - - \n"
              "1 0 0.00 0.00 0.00 0 0 - - 0 0 0 0 0 - - - - - (relaywatch ended) \n")
        << text;
}

}  // namespace

}  // namespace rwsim
