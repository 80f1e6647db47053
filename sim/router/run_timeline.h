// SPDX-License-Identifier: ISC
// The timeline picture of a simulated run: its tracks drawn under the
// scenario's name and the run's figures.
#pragma once

#include <ostream>

#include "sim/draw/timeline.h"
#include "sim/router/runner.h"
#include "sim/scenario/scenario.h"

namespace rwsim {

// The title and figures line of a run's picture.
TimelineOptions run_timeline_options(const Scenario& scenario, const RunResult& result);

void write_run_timeline(std::ostream& out, const Scenario& scenario, const RunResult& result);

}  // namespace rwsim
