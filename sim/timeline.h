// The timeline picture of a run, as SVG: the uplink, ra0 up or down, ra0's
// channel against the upstream's, the recovery cycles and the scenario's
// events over virtual time. Drawn from the run's bins, so a 10-minute and a
// 30-day run make pictures of the same size.
#pragma once

#include <ostream>
#include <string>

#include "sim/runner.h"
#include "sim/scenario.h"

void write_timeline_svg(std::ostream& out, const Scenario& scenario, const RunResult& result);

// A picture drawn from a system log rather than a run: its title and
// figures line, and what the log cannot tell, said on the lane instead of
// drawing it (empty: the lane is drawn).
struct TimelineOptions {
    std::string title, figures;
    std::string uplink_unknown;    // the uplink lane
    long uplink_known_from = 0;    // the uplink lane before this second, when it is drawn
    const char* axis = "virtual time";
    std::string channel_unknown;   // the channel lane (ra0's channel)
    std::string upstream_unknown;  // the upstream's channel between surveys: not shaded as absent
    std::string recovery_unknown;  // the recovery lane
};
void write_timeline_svg(std::ostream& out, const Scenario& scenario, const RunResult& result, const TimelineOptions& options);
