// SPDX-License-Identifier: ISC
// relaywatch-sim --sweep: one scenario run for every pair of looptime and
// sleeptime, and the table (or CSV) of what each pair gave.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/router/runner.h"
#include "sim/scenario/scenario.h"

namespace rwsim {

// Limits of a sweep, named in the messages that enforce them.
inline constexpr int kSweepMaxLooptime = 3600;
inline constexpr int kSweepMaxSleeptime = 3600;
inline constexpr std::size_t kSweepMaxRuns = 400;

// What one run of a sweep gave.
struct SweepCell {
    int looptime = 0;
    int sleeptime = 0;
    long seconds = 0;            // recorded seconds
    long ra0_seconds = 0;        // own AP up
    long link_seconds = 0;       // uplink connected
    long ra0_alone_seconds = 0;  // own AP up while the uplink was down
    long changes = 0;            // upstream changes
    long recovered = 0;          // of them, with ra0 up again before the next
    long reaction_mean = -1;     // seconds, rounded; -1 when none recovered
    long reaction_worst = -1;
    long recoveries = 0;
    long reprograms = 0;  // channel settings
    long security_reprograms = 0;
    long commands = 0;
    long mismatches = 0;        // remembered BSSID not the access point joined
    bool daemon_ended = false;  // ended at start-up or stalled
    long ra0_off = 0;           // times ra0 went off the air after being up
    // Reactions apart, seconds rounded (-1 when none recovered): from a link
    // drop to ra0 up again, from the upstream's channel move to ra0 up on
    // the new channel.
    long drop_mean = -1, drop_worst = -1, move_mean = -1, move_worst = -1;
};

// A list of whole numbers from `lo` to `hi`: items separated by commas,
// each a number or a range A..B ("5,10,20", "0..6", "1,5..7"), in the order
// given. False with `why` set when the text is no such list.
bool parse_number_list(std::string_view text, int lo, int hi, std::vector<int>& out, std::string& why);

// The numbers of one finished run.
SweepCell sweep_cell(int looptime, int sleeptime, const RunResult& result);

// Runs the scenario for every pair, looptime by looptime; `until` as
// RunOptions::until.
std::vector<SweepCell> run_sweep(const Scenario& scenario, const std::vector<int>& looptimes,
                                 const std::vector<int>& sleeptimes, long until);

void print_sweep_table(std::ostream& out, const Scenario& scenario, long end, const std::vector<SweepCell>& cells);

// The same numbers as the table, one header line and one line per run.
void write_sweep_csv(std::ostream& out, const std::vector<SweepCell>& cells);

}  // namespace rwsim
