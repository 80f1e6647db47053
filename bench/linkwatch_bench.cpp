// One pass of the link watch without recovery: the status request, the gate,
// the window and the end of the pass, with the uplink up. The one-second
// sleep is the platform's and costs nothing here; what is left is the
// daemon's own work in a pass. Reports the heap allocations per pass, which
// must be 0.
//
// The executable brings its own platform (the survey benchmarks' one never
// answers the status request): the store and the channel query answer as a
// repeater's would, the driver reports the uplink up, output is dropped.
#include <benchmark/benchmark.h>
#include <linux/wireless.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/io.h"
#include "platform/platform.h"
#include "supervisor/supervisor.h"

namespace {

long allocations = 0;
long status_requests = 0;

struct Setting {
    const char* key;
    const char* value;
};

constexpr Setting kStore[] = {
    {"OperationMode", "3"},       {"ApCliEnable", "1"},      {"ApCliSsid", "upstream"},
    {"ApCliBssid", ""},           {"ApCliAuthMode", "WPA2PSK"}, {"ApCliEncrypType", "AES"},
    {"AuthMode", "WPA2PSK"},      {"EncrypType", "AES"},     {"HT_EXTCHA", "1"},
};

}  // namespace

namespace plat {

char* store_get(const char* key) {
    const char* value = "";
    for (const Setting& s : kStore) {
        if (std::strcmp(s.key, key) == 0) value = s.value;
    }
    return strdup(value);
}

void store_release(char* text) { std::free(text); }

void run(const char*) {}

// The channel query answers 6; every other command prints nothing (an empty
// survey: the start-up recovery changes nothing).
struct Output {
    std::string_view text;
};

Output* output_open(const char* command) {
    auto* out = static_cast<Output*>(std::calloc(1, sizeof(Output)));
    if (out != nullptr && std::strncmp(command, "iwgetid", 7) == 0) out->text = "6\n";
    return out;
}

std::size_t output_read(Output* out, char* buf, std::size_t capacity) {
    std::size_t n = out->text.size() < capacity ? out->text.size() : capacity;
    std::memcpy(buf, out->text.data(), n);
    out->text.remove_prefix(n);
    return n;
}

void output_close(Output* out) { std::free(out); }

int socket_open() { return 3; }

// The driver's answer to the connect-status request: up.
int socket_ioctl(int, unsigned long, void* arg) {
    ++status_requests;
    auto* request = static_cast<iwreq*>(arg);
    const int up = 1;
    if (request->u.data.pointer != nullptr && request->u.data.length >= sizeof up) {
        std::memcpy(request->u.data.pointer, &up, sizeof up);
    }
    return 0;
}

void socket_close(int) {}

void sleep_seconds(unsigned) {}

void write_out(const char* text, std::size_t len) { benchmark::DoNotOptimize(text + len); }

void* alloc_zeroed(std::size_t count, std::size_t size) {
    ++allocations;
    return std::calloc(count, size);
}

void release(void* p) { std::free(p); }

}  // namespace plat

namespace {

// A supervisor past start-up, the link watch's set-up and the start-up
// recovery, with a window of 10 slots; then passes with the uplink up.
void steady_pass(benchmark::State& state, bool debugOn) {
    Supervisor sv;
    const char* argv[] = {"relaywatch", "10", "0", debugOn ? "debug" : "quiet"};
    if (startup(4, argv, sv) != kRunLinkWatch || !linkwatch_setup(sv)) {
        state.SkipWithError("start-up failed");
        return;
    }
    linkwatch_pass(sv);  // the start-up recovery

    long before = allocations;
    long requests = status_requests;
    for (auto _ : state) {
        linkwatch_pass(sv);
        benchmark::ClobberMemory();
    }
    auto passes = static_cast<double>(state.iterations());
    state.counters["allocs/pass"] = static_cast<double>(allocations - before) / passes;
    state.counters["requests/pass"] = static_cast<double>(status_requests - requests) / passes;
    if (allocations != before) state.SkipWithError("a steady pass allocated");
    debug = 0;
}

void BM_SteadyPass(benchmark::State& state) { steady_pass(state, false); }
void BM_SteadyPassDebug(benchmark::State& state) { steady_pass(state, true); }

BENCHMARK(BM_SteadyPass);
BENCHMARK(BM_SteadyPassDebug);

}  // namespace

BENCHMARK_MAIN();
