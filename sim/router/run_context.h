// SPDX-License-Identifier: ISC
// One simulation run's context: the console, the recorder and the router
// it owns, the simulated platform attached to them and the daemon's debug
// flag cleared, all for as long as the context lives. Runs follow one
// another in a process; one is attached at a time.
#pragma once

#include <memory>
#include <ostream>

#include "sim/router/console.h"
#include "sim/router/router.h"
#include "sim/router/sim_platform.h"
#include "sim/scenario/scenario.h"
#include "sim/tracks/record.h"

namespace rwsim {

class SimRun {
public:
    // A run of `scenario` until `end`, its console on `out` (null: quiet),
    // the events of second 0 applied. The taps' transcript also gets the
    // daemon's lines.
    SimRun(const Scenario& scenario, long end, std::ostream* out, const RouterTaps& taps = {});
    ~SimRun();
    SimRun(const SimRun&) = delete;
    SimRun& operator=(const SimRun&) = delete;

    Router& router() { return router_; }
    Console& console() { return console_; }
    const PlatformHoldings& holdings() const { return platform_.holdings; }
    PlatformState& platform() { return platform_; }

    // Ends the record and hands it over; the run goes no further.
    std::unique_ptr<Recorder> finish();

private:
    Console console_;
    std::unique_ptr<Recorder> recorder_;
    Router router_;
    PlatformState platform_;
};

}  // namespace rwsim
