// SPDX-License-Identifier: ISC
// The simulated platform: every operation of namespace plat, answered by the
// simulated router of the run that is attached. One run at a time; the run
// context (sim/router/run_context.h) attaches and detaches it.
#pragma once

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

// The platform's side of one run: where the daemon's calls go, and what it
// has been handed.
struct PlatformState {
    Router* router = nullptr;
    Console* console = nullptr;
    PlatformHoldings holdings;
    std::vector<int> open_fds;
    int next_fd = 3;
};

// The daemon's calls go to `state` until it is detached.
void sim_platform_attach(PlatformState* state);
void sim_platform_detach();

}  // namespace rwsim
