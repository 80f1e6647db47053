// SPDX-License-Identifier: ISC
// One pass of the link watch without recovery: the status request, the gate,
// the window and the end of the pass, with the uplink up. The one-second
// sleep is the platform's and costs nothing here; what is left is the
// daemon's own work in a pass (and the fake platform's, which records
// nothing here). Reports the heap allocations per pass, which must be 0.
#include <benchmark/benchmark.h>

#include "supervisor/supervisor.h"
#include "testing/fake_platform.h"
#include "testing/router_text.h"

namespace {

// A supervisor past start-up, the link watch's set-up and the start-up
// recovery (an empty survey: nothing changes), with a window of 10 slots;
// then passes with the uplink up.
void steady_pass(benchmark::State& state, bool debugOn) {
    fake.reset();
    fake.recording = false;
    fake.store = repeater_store();
    fake.default_outputs["iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'"] = "6\n";
    fake.default_status = 1;
    Supervisor sv;
    const char* argv[] = {"relaywatch", "10", "0", debugOn ? "debug" : "quiet"};
    if (!startup(4, argv, sv).runLinkWatch || !linkwatch_setup(sv)) {
        state.SkipWithError("start-up failed");
        return;
    }
    linkwatch_pass(sv);  // the start-up recovery

    long before = fake.allocations;
    for (auto _ : state) {
        linkwatch_pass(sv);
        benchmark::ClobberMemory();
    }
    state.counters["allocs/pass"] =
        static_cast<double>(fake.allocations - before) / static_cast<double>(state.iterations());
    if (fake.allocations != before) state.SkipWithError("a steady pass allocated");
    debug = 0;
}

void BM_SteadyPass(benchmark::State& state) {
    steady_pass(state, false);
}
void BM_SteadyPassDebug(benchmark::State& state) {
    steady_pass(state, true);
}

BENCHMARK(BM_SteadyPass);
BENCHMARK(BM_SteadyPassDebug);

}  // namespace

BENCHMARK_MAIN();
