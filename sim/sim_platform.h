// The simulated platform: every operation of namespace plat, answered by the
// simulated router that is attached. One router at a time.
#pragma once

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

void sim_platform_attach(Router* router, Console* console);
void sim_platform_detach();
const PlatformHoldings& sim_platform_holdings();
