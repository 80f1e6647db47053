// SPDX-License-Identifier: ISC
// The simulated platform: every operation of namespace plat, answered by the
// simulated router of the run that is attached. One run at a time; the run
// context (sim/router/run_context.h) attaches and detaches it.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace rwsim {

class Router;
class Console;

// What the daemon holds of the platform's resources right now; all zero
// after a clean run but for what the supervisor keeps for its whole life.
struct PlatformHoldings {
    long sockets_open = 0;
    long outputs_open = 0;
    long store_texts = 0;
    long allocations = 0;
};

// What relaywatch-report's collector sees of the router beyond the daemon's
// own operations: the system log so far (logread), relaywatch's process,
// the wall clock; and where the bundle it writes goes.
struct ReportSource {
    const std::ostringstream* log = nullptr;  // the run's system log so far
    std::vector<std::string> argv;            // relaywatch's command line; empty once it has ended
    long pid = 1234;                          // its process id, as the log names it
    long long wall_start = 0;                 // the router's time at virtual second 0
    std::string bundle;                       // what the collector wrote to standard output
};

// The platform's side of one run: where the daemon's calls go, and what it
// has been handed.
struct PlatformState {
    Router* router = nullptr;
    Console* console = nullptr;
    PlatformHoldings holdings;
    std::vector<int> open_fds;
    int next_fd = 3;
    ReportSource* report = nullptr;                            // set while the collector runs
    std::map<int, std::pair<std::string, std::size_t>> files;  // the collector's open files
};

// The daemon's calls go to `state` until it is detached.
void sim_platform_attach(PlatformState* state);
void sim_platform_detach();

}  // namespace rwsim
