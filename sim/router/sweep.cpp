// SPDX-License-Identifier: ISC
#include "sim/router/sweep.h"

#include <cstdio>

#include "sim/common/text.h"
#include "sim/tracks/record.h"

namespace rwsim {

namespace {

bool read_int(std::string_view text, int lo, int hi, int& value) {
    long v = 0;
    if (!parse_whole(text, 9, v) || v < lo || v > hi) return false;
    value = static_cast<int>(v);
    return true;
}

std::string seconds_or_dash(long s) {
    return s < 0 ? "-" : std::to_string(s);
}

std::string seconds_or_empty(long s) {
    return s < 0 ? "" : std::to_string(s);
}

// The mean and worst of `r`, rounded; -1 when none recovered.
void reaction(const Reactions& r, long& mean, long& worst) {
    if (r.recovered == 0) return;
    mean = (r.sum + r.recovered / 2) / r.recovered;
    worst = r.worst;
}

// Off-air episodes per hour of the run, one decimal; empty for no time.
std::string per_hour(long count, long seconds) {
    if (seconds <= 0) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(count) * 3600.0 / static_cast<double>(seconds));
    return text;
}

}  // namespace

bool parse_number_list(std::string_view text, int lo, int hi, std::vector<int>& out, std::string& why) {
    const std::string range = std::to_string(lo) + " to " + std::to_string(hi);
    out.clear();
    for (const std::string& item : split_list(text)) {
        std::size_t dots = item.find("..");
        int a = 0, b = 0;
        bool ok = dots == std::string::npos ? read_int(item, lo, hi, a) && (b = a, true)
                                            : read_int(item.substr(0, dots), lo, hi, a) &&
                                                  read_int(item.substr(dots + 2), lo, hi, b) && a <= b;
        if (!ok) {
            why.assign("bad item '").append(item).append("' in '").append(text);
            why.append("' (numbers or ranges A..B with A <= B, each ").append(range).append(", separated by commas)");
            return false;
        }
        for (int v = a; v <= b; ++v) {
            if (out.size() >= kSweepMaxRuns) {
                why = std::string(1, '\'').append(text).append("' holds more than ");  // appended: GCC 12
                why += std::to_string(kSweepMaxRuns) + " numbers";                     // -O3 -Wrestrict
                return false;
            }
            out.push_back(v);
        }
    }
    return true;
}

SweepCell sweep_cell(int looptime, int sleeptime, const RunResult& res) {
    const Recorder& r = *res.record;
    SweepCell c;
    c.looptime = looptime;
    c.sleeptime = sleeptime;
    c.seconds = r.seconds;
    c.ra0_seconds = r.ra0_seconds;
    c.link_seconds = r.link_seconds;
    c.ra0_alone_seconds = r.ra0_alone_seconds;
    c.changes = r.changes;
    c.recovered = r.changes_recovered;
    if (r.changes_recovered > 0) {
        c.reaction_mean = (r.recovery_sum + r.changes_recovered / 2) / r.changes_recovered;
        c.reaction_worst = r.recovery_max;
    }
    c.recoveries = r.recoveries;
    c.reprograms = r.reprograms;
    c.security_reprograms = r.security_reprograms;
    c.commands = res.counts.issued();
    c.mismatches = r.mismatches;
    c.daemon_ended = res.daemon_ended || res.stalled;
    c.ra0_off = r.ra0_off_episodes;
    reaction(r.drops, c.drop_mean, c.drop_worst);
    reaction(r.moves, c.move_mean, c.move_worst);
    return c;
}

std::vector<SweepCell> run_sweep(const Scenario& sc, const std::vector<int>& looptimes,
                                 const std::vector<int>& sleeptimes, long until) {
    std::vector<SweepCell> cells;
    for (int looptime : looptimes) {
        for (int sleeptime : sleeptimes) {
            RunOptions options;
            options.until = until;
            options.args_given = true;
            options.args = {std::to_string(looptime), std::to_string(sleeptime)};
            cells.push_back(sweep_cell(looptime, sleeptime, run_scenario(sc, options)));
        }
    }
    return cells;
}

void print_sweep_table(std::ostream& out, const Scenario& sc, long end, const std::vector<SweepCell>& cells) {
    out << "--- sweep: " << sc.name << " (" << sc.file << "), " << format_duration(end) << " of virtual time, "
        << cells.size() << (cells.size() == 1 ? " run" : " runs") << " ---\n";
    out << "                      available (%)     ra0 up,  upstream changes: ra0 up again after (s)"
           "                                                                    ra0     link drop (s)  channel move "
           "(s)\n";
    out << "looptime  sleeptime   own AP  uplink  no uplink  changes  missed   mean  worst  recoveries  "
           "re-programmings  security"
           "  commands  BSSID mismatches  off-air/h   mean  worst   mean  worst\n";
    for (const SweepCell& c : cells) {
        char row[384];
        std::snprintf(row, sizeof row,
                      "%8d  %9d  %7s %7s  %9s  %7ld  %6ld  %5s  %5s  %10ld  %15ld  %8ld  %8ld  %16ld  %9s  %5s  %5s  "
                      "%5s  %5s%s\n",
                      c.looptime, c.sleeptime, percent(c.ra0_seconds, c.seconds, 2).c_str(),
                      percent(c.link_seconds, c.seconds, 2).c_str(), percent(c.ra0_alone_seconds, c.seconds, 2).c_str(),
                      c.changes, c.changes - c.recovered, seconds_or_dash(c.reaction_mean).c_str(),
                      seconds_or_dash(c.reaction_worst).c_str(), c.recoveries, c.reprograms, c.security_reprograms,
                      c.commands, c.mismatches,
                      (c.seconds > 0 ? per_hour(c.ra0_off, c.seconds) : std::string("-")).c_str(),
                      seconds_or_dash(c.drop_mean).c_str(), seconds_or_dash(c.drop_worst).c_str(),
                      seconds_or_dash(c.move_mean).c_str(), seconds_or_dash(c.move_worst).c_str(),
                      c.daemon_ended ? "  (relaywatch ended)" : "");
        out << row;
    }
    out << "missed: upstream changes after which ra0 was not up again before the next change or the end\n";
    out << "ra0 up, no uplink: the share of the run with the own AP up while the uplink was down\n";
    out << "BSSID mismatches: times relaywatch remembered a BSSID that was not the access point the uplink joined\n";
    out << "off-air/h: times per hour ra0 went off the air, each dropping every client of the repeater\n";
    out << "link drop, channel move: ra0 up again after the uplink's loss, and on the new channel after the "
           "upstream's move\n";
}

void write_sweep_csv(std::ostream& out, const std::vector<SweepCell>& cells) {
    out << "looptime,sleeptime,own_ap_up_percent,uplink_percent,upstream_changes,missed,reaction_mean_s,reaction_worst_"
           "s,"
           "recoveries,reprogrammings,security_reprogrammings,commands,relaywatch_ended,ra0_up_uplink_down_percent,"
           "bssid_mismatches,ra0_off_air_per_hour,drop_reaction_mean_s,drop_reaction_worst_s,move_reaction_mean_s,"
           "move_reaction_worst_s\n";
    for (const SweepCell& c : cells) {
        out << c.looptime << ',' << c.sleeptime << ',' << percent(c.ra0_seconds, c.seconds, 2) << ','
            << percent(c.link_seconds, c.seconds, 2) << ',' << c.changes << ',' << c.changes - c.recovered << ','
            << (c.reaction_mean < 0 ? "" : std::to_string(c.reaction_mean)) << ','
            << (c.reaction_worst < 0 ? "" : std::to_string(c.reaction_worst)) << ',' << c.recoveries << ','
            << c.reprograms << ',' << c.security_reprograms << ',' << c.commands << ',' << (c.daemon_ended ? 1 : 0)
            << ',' << percent(c.ra0_alone_seconds, c.seconds, 2) << ',' << c.mismatches << ','
            << per_hour(c.ra0_off, c.seconds) << ',' << seconds_or_empty(c.drop_mean) << ','
            << seconds_or_empty(c.drop_worst) << ',' << seconds_or_empty(c.move_mean) << ','
            << seconds_or_empty(c.move_worst) << '\n';
    }
}

}  // namespace rwsim
