// SPDX-License-Identifier: ISC
// One simulation run: the daemon's own start-up and link-watch passes
// against the simulated router, until the virtual clock passes the end.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "sim/router/router.h"
#include "sim/router/sim_platform.h"
#include "sim/scenario/scenario.h"
#include "sim/syslog/syslog_out.h"
#include "sim/tracks/record.h"

namespace rwsim {

struct RunOptions {
    long until = 0;                 // 0: the scenario's end
    bool args_given = false;        // use `args` instead of the scenario's
    std::vector<std::string> args;  // the daemon's arguments after its name
    std::ostream* out = nullptr;    // the console; null: quiet
    std::vector<std::pair<long, std::string>>* command_log = nullptr;
    const SyslogOut* syslog = nullptr;  // also write the daemon's lines as a system log
    // The field report's bundle, collected by relaywatch-report's own code
    // at the first moment from `report_at` on that the daemon is between
    // two passes of its link watch; null: none.
    long report_at = 0;
    std::string* report = nullptr;
};

struct RunResult {
    long end = 0;
    std::vector<std::string> args;
    bool daemon_ended = false;  // start-up ended the daemon before the end
    int daemon_status = 0;
    bool stalled = false;  // the daemon stopped advancing the clock
    long stopped_at = 0;

    RadioModel radio;  // the driver's settings at the end
    bool link_up = false;
    std::string remembered_bssid;  // the daemon's manual_get_BSSID at the end
    std::string joined_name;       // the access point the uplink last joined;
    std::string joined_bssid;      // empty when it never connected
    CommandCounts counts;
    PlatformHoldings holdings;  // what the daemon still held at the end
    std::unique_ptr<Recorder> record;
};

// Runs the scenario in this process; runs can follow one another.
RunResult run_scenario(const Scenario& scenario, const RunOptions& options);

// The summary printed at the end of a run.
void print_summary(std::ostream& out, const Scenario& scenario, const RunResult& result);

}  // namespace rwsim
