// SPDX-License-Identifier: ISC
// relaywatch-sim [--until SECONDS] [--timeline FILE.svg] [--quiet] SCENARIO
//                [looptime sleeptime [debug]]
// relaywatch-sim [--until SECONDS] [--csv FILE] --sweep LOOPTIMES SLEEPTIMES SCENARIO
//
// The run command: runs relaywatch's own supervisor, survey and radio code
// against a simulated router in virtual time, prints the daemon's lines
// behind virtual-time stamps, and ends with a summary; or runs a scenario for
// every pair of looptime and sleeptime and prints one table.
#include <iostream>
#include <string>
#include <vector>

#include "sim/cli/commands.h"
#include "sim/common/output_file.h"
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
    "  --report FILE       write the field report's bundle as relaywatch-report collects it on the router\n"
    "  --report-at T       ... at this virtual time (90, 15m, 2h; default: the run's end)\n"
    "       relaywatch-sim explain TABLE [--store FILE] [--channel N] [--remembered BSSID]   (explain --help)\n"
    "       relaywatch-sim replay LOG [--timeline FILE.svg] [--json FILE]   (replay --help)\n"
    "       relaywatch-sim report BUNDLE [-o PAGE.html]   (report --help)\n"
    "exit status: 0 after a run to its end, 1 when relaywatch ended or stalled on its own, 2 for bad input\n";

int usage_error(const std::string& message) {
    std::cerr << "relaywatch-sim: " << shown_text(message) << "\n" << kUsage;
    return 2;
}

// Opens `path` for writing beside it (when one is given); false, after one
// line on standard error, when it cannot be.
bool open_or_say(OutputFile& file, const std::string& path) {
    if (path.empty()) return true;
    const std::string why = open_output(file, path);
    if (why.empty()) return true;
    std::cerr << "relaywatch-sim: " << why << "\n";
    return false;
}

// Puts a written output in place (when one is given); false, after one line
// on standard error, when it cannot be.
bool commit_or_say(OutputFile& file, const std::string& path) {
    if (path.empty()) return true;
    const std::string why = commit_output(file);
    if (why.empty()) return true;
    std::cerr << "relaywatch-sim: " << why << "\n";
    return false;
}

int run_sweep_command(const Scenario& scenario, const std::vector<int>& looptimes, const std::vector<int>& sleeptimes,
                      long until, const std::string& csv) {
    OutputFile file;
    if (!open_or_say(file, csv)) return 2;
    std::vector<SweepCell> cells = run_sweep(scenario, looptimes, sleeptimes, until);
    print_sweep_table(std::cout, scenario, until > 0 ? until : scenario.end, cells);
    std::cout.flush();
    if (!csv.empty()) write_sweep_csv(file.stream, cells);
    return commit_or_say(file, csv) ? 0 : 2;
}

// The run command's command line, as read.
struct RunCommandLine {
    RunOptions options;
    std::string timeline, csv;
    std::string syslog_path, log_start = kDefaultLogStart;
    std::string report_path;
    bool report_at_given = false;
    bool help = false, quiet = false, sweep = false;
    std::vector<int> looptimes, sleeptimes;
    std::vector<std::string> positional;  // the scenario, then relaywatch's arguments
};

// --sweep's two lists, the words after `at`; "" or why they are refused.
std::string read_sweep_lists(const std::vector<std::string>& args, std::size_t at, RunCommandLine& cl) {
    if (at + 2 >= args.size()) return "--sweep needs LOOPTIMES and SLEEPTIMES";
    std::string why;
    if (!parse_number_list(args[at + 1], 1, kSweepMaxLooptime, cl.looptimes, why)) return "--sweep looptimes: " + why;
    if (!parse_number_list(args[at + 2], 0, kSweepMaxSleeptime, cl.sleeptimes, why))
        return "--sweep sleeptimes: " + why;
    if (cl.looptimes.size() * cl.sleeptimes.size() > kSweepMaxRuns) {
        return "--sweep of " + std::to_string(cl.looptimes.size()) + " x " + std::to_string(cl.sleeptimes.size()) +
               " pairs: at most " + std::to_string(kSweepMaxRuns) + " runs";
    }
    cl.sweep = true;
    return "";
}

// An option that takes a value; "" or why the value is refused.
std::string read_option_value(const std::string& option, const std::string& value, RunCommandLine& cl) {
    if (option == "--syslog") {
        cl.syslog_path = value;
    } else if (option == "--log-start") {
        cl.log_start = value;
    } else if (option == "--timeline") {
        cl.timeline = value;
    } else if (option == "--csv") {
        cl.csv = value;
    } else if (option == "--report") {
        cl.report_path = value;
    } else if (option == "--report-at") {
        cl.report_at_given = true;
        if (!parse_duration(value, cl.options.report_at)) return duration_error("--report-at", value);
    } else if (!parse_duration(value, cl.options.until)) {
        return duration_error("--until", value);
    } else if (cl.options.until < 1) {
        return "--until must be at least 1 s";
    }
    return "";
}

// The run command's words, up to --help if it comes; "" or the first
// word's fault.
std::string read_run_args(const std::vector<std::string>& args, RunCommandLine& cl) {
    bool options_end = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "-h") arg = "--help";
        if (options_end || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            cl.positional.push_back(arg);
            continue;
        }
        std::string why;
        if (arg == "--help") {
            cl.help = true;
            return "";
        }
        if (arg == "--quiet") {
            cl.quiet = true;
        } else if (arg == "--sweep") {
            why = read_sweep_lists(args, i, cl);
            i += 2;
        } else if (arg == "--until" || arg == "--timeline" || arg == "--csv" || arg == "--syslog" ||
                   arg == "--log-start" || arg == "--report" || arg == "--report-at") {
            if (i + 1 >= args.size()) return arg + " needs a value";
            why = read_option_value(arg, args[++i], cl);
        } else if (arg == "--") {
            options_end = true;
        } else {
            why = "unknown option " + arg;
        }
        if (!why.empty()) return why;
    }
    return "";
}

// The words together: the scenario, relaywatch's arguments and the options
// that go with one run or with a sweep; "" or what does not go together.
std::string check_run_args(RunCommandLine& cl, SyslogOut& syslog) {
    if (cl.positional.empty()) return "no scenario given";
    if (cl.positional.size() > 1) {
        if (cl.sweep) return "--sweep takes relaywatch's arguments from its lists, not after the scenario";
        cl.options.args_given = true;
        cl.options.args.assign(cl.positional.begin() + 1, cl.positional.end());
    }
    if (cl.sweep && !cl.timeline.empty()) return "--timeline draws one run; it does not go with --sweep";
    if (!cl.sweep && !cl.csv.empty()) return "--csv goes with --sweep";
    if (cl.sweep && !cl.syslog_path.empty()) return "--syslog writes one run; it does not go with --sweep";
    if (cl.sweep && !cl.report_path.empty()) return "--report looks in on one run; it does not go with --sweep";
    if (cl.report_at_given && cl.report_path.empty()) return "--report-at goes with --report";
    if (!parse_log_start(cl.log_start, syslog.start)) {
        return "--log-start wants a date and time like 2026-12-07T04:00:00, not " + cl.log_start;
    }
    return "";
}

// One run of `scenario`: its lines (unless quiet), the summary, and the
// system log and timeline when asked for.
int run_once(const Scenario& scenario, RunCommandLine& cl, SyslogOut& syslog) {
    OutputFile svg;
    if (!open_or_say(svg, cl.timeline)) return 2;

    OutputFile syslog_file;
    if (!open_or_say(syslog_file, cl.syslog_path)) return 2;
    if (!cl.syslog_path.empty()) {
        syslog.out = &syslog_file.stream;
        cl.options.syslog = &syslog;
    }
    OutputFile report_file;
    if (!open_or_say(report_file, cl.report_path)) return 2;
    std::string bundle;
    if (!cl.report_path.empty()) {
        cl.options.report = &bundle;
        cl.options.syslog = &syslog;  // the log's start date, also without --syslog
        if (!cl.report_at_given) cl.options.report_at = cl.options.until > 0 ? cl.options.until : scenario.end;
    }
    cl.options.out = cl.quiet ? nullptr : &std::cout;
    RunResult result = run_scenario(scenario, cl.options);
    if (!cl.report_path.empty()) {
        if (bundle.empty()) {
            std::cerr << "relaywatch-sim: --report-at lies beyond the run's end; no report taken\n";
            return 2;
        }
        report_file.stream << bundle;
        if (!commit_or_say(report_file, cl.report_path)) return 2;
    }
    if (!cl.syslog_path.empty()) syslog_close(syslog, result.end);
    if (!commit_or_say(syslog_file, cl.syslog_path)) return 2;
    if (!cl.quiet) std::cout << "\n";
    print_summary(std::cout, scenario, result);
    std::cout.flush();

    if (!cl.timeline.empty()) write_run_timeline(svg.stream, scenario, result);
    if (!commit_or_say(svg, cl.timeline)) return 2;
    return result.daemon_ended || result.stalled ? 1 : 0;
}

}  // namespace

int run_command(const std::vector<std::string>& args) {
    RunCommandLine cl;
    std::string why = read_run_args(args, cl);
    if (!why.empty()) return usage_error(why);
    if (cl.help) {
        std::cout << kUsage;
        return 0;
    }
    SyslogOut syslog;
    why = check_run_args(cl, syslog);
    if (!why.empty()) return usage_error(why);

    why = outputs_clash({cl.timeline, cl.syslog_path, cl.csv}, {cl.positional[0]});
    if (!why.empty()) {
        std::cerr << "relaywatch-sim: " << why << "\n";
        return 2;
    }
    Scenario scenario;
    try {
        scenario = load_scenario(cl.positional[0]);
    } catch (const ScenarioError& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }

    if (cl.sweep) return run_sweep_command(scenario, cl.looptimes, cl.sleeptimes, cl.options.until, cl.csv);
    return run_once(scenario, cl, syslog);
}

}  // namespace rwsim
