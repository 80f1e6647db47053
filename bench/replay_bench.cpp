// SPDX-License-Identifier: ISC
// relaywatch-sim replay over a month of log, side by side with
// `grep -c relaywatch` over the same file. Two logs, each written once into
// a temporary file (removed at the end):
// - the soak: the 30-day soak scenario run with looptime 10 and debug,
//   written through --syslog's writer (in a child, so that its memory is
//   counted nowhere);
// - toggles: a month of one line a second, every one of them ra0 switched
//   on or off, so that every line is an event.
// Each iteration runs the replay, or grep, in a child process; the child's
// peak resident memory (ru_maxrss) and CPU time come from wait4.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sim/replay/replay.h"
#include "sim/router/runner.h"
#include "sim/syslog/syslog_out.h"

using namespace rwsim;

namespace {

constexpr long kMonth = 30L * 86400;

// Writes the soak's debug log to `path` in a child process; false when it failed.
bool write_soak_log(const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        const Scenario sc = load_scenario(RELAYWATCH_SOURCE_DIR "/scenarios/soak-30d.scn");
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        SyslogOut out{&file, 0, 1234};
        parse_log_start("2026-12-07T04:00:00", out.start);
        RunOptions options;
        options.args_given = true;
        options.args = {"10", "3", "debug"};
        options.syslog = &out;
        const RunResult run = run_scenario(sc, options);
        syslog_close(out, run.end);
        file.close();
        std::_Exit(file ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A month of ra0 switched on and off, one line a second.
bool write_toggle_log(const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    SyslogOut log;
    parse_log_start("2026-12-07T04:00:00", log.start);
    for (long t = 0; t < kMonth; ++t) {
        const std::string stamp = router_time(log.start + t, true);
        std::fprintf(out, "%s daemon.info relaywatch[1234]: relaywatch: AP %s\n", stamp.c_str(),
                     t % 2 == 0 ? "disable" : "enable");
    }
    return std::fclose(out) == 0;
}

// A log written once, removed when the program ends.
struct TempLog {
    std::string path;
    long long size = 0;
    explicit TempLog(bool (*write)(const std::string&)) {
        char name[] = "/tmp/relaywatch-replay-bench-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) return;
        close(fd);
        struct stat st {};
        if (write(name) && ::stat(name, &st) == 0) {
            path = name;
            size = st.st_size;
        } else {
            std::remove(name);
        }
    }
    ~TempLog() {
        if (!path.empty()) std::remove(path.c_str());
    }
    TempLog(const TempLog&) = delete;
    TempLog& operator=(const TempLog&) = delete;
};

const TempLog& soak_log() {
    static const TempLog log(write_soak_log);
    return log;
}
const TempLog& toggle_log() {
    static const TempLog log(write_toggle_log);
    return log;
}

// The replay of `path` in a child, its summary thrown away; exit status 0
// when it replayed.
[[noreturn]] void replay_child(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) std::_Exit(1);
    const Replay r = replay_log(in, path);
    std::fclose(in);
    std::_Exit(r.error.empty() && r.lines > 0 ? 0 : 1);
}

// `grep -c relaywatch FILE` in a child, its count written into a pipe
// (GNU grep stops at the first match when its output is /dev/null).
[[noreturn]] void grep_child(const std::string& path) {
    execlp("grep", "grep", "-c", "relaywatch", path.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
}

// Runs `child` over the log once per iteration; reports the log's size,
// the rate, and the child's peak memory and CPU time.
void measure(benchmark::State& state, const TempLog& log, void (*child)(const std::string&)) {
    if (log.path.empty()) {
        state.SkipWithError("the log could not be written");
        return;
    }
    long peak_kb = 0;
    double cpu = 0;
    for (auto _ : state) {
        int out[2];
        if (pipe(out) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            child(log.path);
        }
        close(out[1]);
        char count[64];
        while (read(out[0], count, sizeof count) > 0) {}
        close(out[0]);
        int status = 0;
        rusage usage{};
        if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
            state.SkipWithError("the child failed");
            return;
        }
        peak_kb = std::max(peak_kb, static_cast<long>(usage.ru_maxrss));
        cpu += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    const double mb = static_cast<double>(log.size) / 1e6, runs = static_cast<double>(state.iterations());
    state.counters["log_MB"] = mb;
    state.counters["MB/s"] = benchmark::Counter(mb * runs, benchmark::Counter::kIsRate);
    state.counters["MB/s_cpu"] = mb * runs / cpu;
    state.counters["peak_rss_MB"] = static_cast<double>(peak_kb) / 1024.0;
}

void BM_ReplaySoakMonth(benchmark::State& state) {
    measure(state, soak_log(), replay_child);
}
void BM_GrepSoakMonth(benchmark::State& state) {
    measure(state, soak_log(), grep_child);
}
void BM_ReplayToggleMonth(benchmark::State& state) {
    measure(state, toggle_log(), replay_child);
}
void BM_GrepToggleMonth(benchmark::State& state) {
    measure(state, toggle_log(), grep_child);
}
// Wall time of the children; each is a process of its own, so the
// benchmark's CPU time (this process's) says nothing.
BENCHMARK(BM_ReplaySoakMonth)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_GrepSoakMonth)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ReplayToggleMonth)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_GrepToggleMonth)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
