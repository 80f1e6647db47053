// SPDX-License-Identifier: ISC
// relaywatch-sim replay over a month of debug log: the 30-day soak scenario
// run with looptime 10 and debug, written through --syslog's writer into a
// temporary file (in a child process, so that its memory is not counted
// here), then replayed. Reports the log's size and the peak resident memory
// of this process after the replays (ru_maxrss), which the replay's stream
// reading keeps to the events it reports, not the lines.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sim/replay/replay.h"
#include "sim/router/runner.h"
#include "sim/syslog/syslog_out.h"

using namespace rwsim;

namespace {

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

void BM_ReplaySoakMonth(benchmark::State& state) {
    char path[] = "/tmp/relaywatch-replay-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        state.SkipWithError("no temporary file");
        return;
    }
    close(fd);
    if (!write_soak_log(path)) {
        std::remove(path);
        state.SkipWithError("the soak's log could not be written");
        return;
    }
    struct stat st {};
    ::stat(path, &st);
    long lines = 0, events = 0;
    for (auto _ : state) {
        std::FILE* in = std::fopen(path, "rb");
        const Replay r = replay_log(in, path);
        std::fclose(in);
        lines = r.lines;
        events = r.ra0_lane.stretches + r.link_lane.stretches +
                 static_cast<long>(r.recoveries.size() + r.retunes.size() + r.errors.size());
        benchmark::DoNotOptimize(r.last.t);
    }
    std::remove(path);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["log_MB"] = static_cast<double>(st.st_size) / 1e6;
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["events_kept"] = static_cast<double>(events);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["MB/s"] = benchmark::Counter(
        static_cast<double>(st.st_size) / 1e6 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplaySoakMonth)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
