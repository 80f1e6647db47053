// The timeline picture of a run, as SVG: the uplink, ra0 up or down, ra0's
// channel against the upstream's, the recovery cycles and the scenario's
// events over virtual time. Drawn from the run's bins, so a 10-minute and a
// 30-day run make pictures of the same size.
#pragma once

#include <ostream>

#include "sim/runner.h"
#include "sim/scenario.h"

void write_timeline_svg(std::ostream& out, const Scenario& scenario, const RunResult& result);
