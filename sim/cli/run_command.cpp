// relaywatch-sim [--until SECONDS] [--timeline FILE.svg] [--quiet] SCENARIO
//                [looptime sleeptime [debug]]
// relaywatch-sim [--until SECONDS] [--csv FILE] --sweep LOOPTIMES SLEEPTIMES SCENARIO
//
// The run command: runs relaywatch's own supervisor, survey and radio code
// against a simulated router in virtual time, prints the daemon's lines
// behind virtual-time stamps, and ends with a summary; or runs a scenario for
// every pair of looptime and sleeptime and prints one table.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "sim/cli/commands.h"
#include "sim/common/text.h"
#include "sim/router/run_timeline.h"
#include "sim/router/runner.h"
#include "sim/router/sweep.h"
#include "sim/scenario/scenario.h"

namespace rwsim {

namespace {

constexpr const char* kUsage =
    "usage: relaywatch-sim [--until SECONDS] [--timeline FILE.svg] [--quiet] SCENARIO [looptime sleeptime [debug]]\n"
    "       relaywatch-sim [--until SECONDS] [--csv FILE] --sweep LOOPTIMES SLEEPTIMES SCENARIO\n"
    "  --until SECONDS     end the run at this virtual time (90, 15m, 2h, 30d) instead of the scenario's end\n"
    "  --timeline FILE     write an SVG picture of the run over virtual time\n"
    "  --quiet             print only the summary (and errors)\n"
    "  looptime sleeptime [debug]   relaywatch's arguments; default: the scenario's 'args' line\n"
    "  --sweep L S         run once for every looptime in L and sleeptime in S (lists or ranges: 5,10,20 or 0..6)\n"
    "                      and print one table; looptimes 1-3600, sleeptimes 0-3600, at most 400 runs\n"
    "  --csv FILE          with --sweep: also write the table's numbers as CSV\n"
    "  --syslog FILE       also write the daemon's lines as a logread-style system log (for replay)\n"
    "  --log-start DATE    the log's date at virtual time 0 (2026-12-07T04:00:00; default 2026-01-01T00:00:00)\n"
    "       relaywatch-sim explain TABLE [--store FILE] [--channel N] [--remembered BSSID]   (explain --help)\n"
    "       relaywatch-sim replay LOG [--timeline FILE.svg]   (replay --help)\n"
    "exit status: 0 after a run to its end, 1 when relaywatch ended or stalled on its own, 2 for bad input\n";

int usage_error(const std::string& message) {
    std::cerr << "relaywatch-sim: " << shown_text(message) << "\n" << kUsage;
    return 2;
}

// Opens `path` for writing (when one is given); false, after one line on
// standard error, when it cannot be.
bool open_output(std::ofstream& file, const std::string& path) {
    if (path.empty()) return true;
    file.open(path, std::ios::binary | std::ios::trunc);
    if (file) return true;
    std::cerr << "relaywatch-sim: cannot write " << shown_text(path) << ": " << std::strerror(errno) << "\n";
    return false;
}

int run_sweep_command(const Scenario& scenario, const std::vector<int>& looptimes, const std::vector<int>& sleeptimes,
                      long until, const std::string& csv) {
    std::ofstream file;
    if (!open_output(file, csv)) return 2;
    std::vector<SweepCell> cells = run_sweep(scenario, looptimes, sleeptimes, until);
    print_sweep_table(std::cout, scenario, until > 0 ? until : scenario.end, cells);
    std::cout.flush();
    if (file.is_open()) {
        write_sweep_csv(file, cells);
        file.close();
        if (!file) {
            std::cerr << "relaywatch-sim: cannot write " << shown_text(csv) << "\n";
            return 2;
        }
    }
    return 0;
}

}  // namespace

int run_command(const std::vector<std::string>& args) {
    RunOptions options;
    std::string timeline, csv;
    std::string syslog_path, log_start = kDefaultLogStart;
    bool quiet = false, sweep = false;
    std::vector<int> looptimes, sleeptimes;
    std::vector<std::string> positional;  // the scenario, then relaywatch's arguments
    bool options_end = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "-h") arg = "--help";
        if (options_end || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--sweep") {
            if (i + 2 >= args.size()) return usage_error("--sweep needs LOOPTIMES and SLEEPTIMES");
            std::string why;
            if (!parse_number_list(args[i + 1], 1, kSweepMaxLooptime, looptimes, why)) return usage_error("--sweep looptimes: " + why);
            if (!parse_number_list(args[i + 2], 0, kSweepMaxSleeptime, sleeptimes, why)) {
                return usage_error("--sweep sleeptimes: " + why);
            }
            if (looptimes.size() * sleeptimes.size() > kSweepMaxRuns) {
                return usage_error("--sweep of " + std::to_string(looptimes.size()) + " x " + std::to_string(sleeptimes.size()) +
                                   " pairs: at most " + std::to_string(kSweepMaxRuns) + " runs");
            }
            sweep = true;
            i += 2;
        } else if (arg == "--until" || arg == "--timeline" || arg == "--csv" || arg == "--syslog" || arg == "--log-start") {
            if (i + 1 >= args.size()) return usage_error(arg + " needs a value");
            std::string value = args[++i];
            if (arg == "--syslog") {
                syslog_path = value;
            } else if (arg == "--log-start") {
                log_start = value;
            } else if (arg == "--timeline") {
                timeline = value;
            } else if (arg == "--csv") {
                csv = value;
            } else if (!parse_duration(value, options.until)) {
                return usage_error(duration_error("--until", value));
            } else if (options.until < 1) {
                return usage_error("--until must be at least 1 s");
            }
        } else if (arg == "--") {
            options_end = true;
        } else {
            return usage_error("unknown option " + arg);
        }
    }
    if (positional.empty()) return usage_error("no scenario given");
    const std::string path = positional[0];
    if (positional.size() > 1) {
        if (sweep) return usage_error("--sweep takes relaywatch's arguments from its lists, not after the scenario");
        options.args_given = true;
        options.args.assign(positional.begin() + 1, positional.end());
    }
    if (sweep && !timeline.empty()) return usage_error("--timeline draws one run; it does not go with --sweep");
    if (!sweep && !csv.empty()) return usage_error("--csv goes with --sweep");
    if (sweep && !syslog_path.empty()) return usage_error("--syslog writes one run; it does not go with --sweep");
    SyslogOut syslog;
    if (!parse_log_start(log_start, syslog.start)) return usage_error("--log-start wants a date and time like 2026-12-07T04:00:00, not " + log_start);

    Scenario scenario;
    try {
        scenario = load_scenario(path);
    } catch (const ScenarioError& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }

    if (sweep) return run_sweep_command(scenario, looptimes, sleeptimes, options.until, csv);

    std::ofstream svg;
    if (!open_output(svg, timeline)) return 2;

    std::ofstream syslog_file;
    if (!open_output(syslog_file, syslog_path)) return 2;
    if (syslog_file.is_open()) {
        syslog.out = &syslog_file;
        options.syslog = &syslog;
    }
    options.out = quiet ? nullptr : &std::cout;
    RunResult result = run_scenario(scenario, options);
    if (syslog_file.is_open()) {
        syslog_close(syslog, result.end);
        syslog_file.close();
        if (!syslog_file) {
            std::cerr << "relaywatch-sim: cannot write " << shown_text(syslog_path) << "\n";
            return 2;
        }
    }
    if (!quiet) std::cout << "\n";
    print_summary(std::cout, scenario, result);
    std::cout.flush();

    if (svg.is_open()) {
        write_run_timeline(svg, scenario, result);
        svg.close();
        if (!svg) {
            std::cerr << "relaywatch-sim: cannot write " << shown_text(timeline) << "\n";
            return 2;
        }
    }
    return result.daemon_ended || result.stalled ? 1 : 0;
}

}  // namespace rwsim
