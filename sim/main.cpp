// relaywatch-sim [--until SECONDS] [--timeline FILE.svg] [--quiet] SCENARIO
//                [looptime sleeptime [debug]]
//
// Runs relaywatch's own supervisor, survey and radio code against a
// simulated router in virtual time, prints the daemon's lines behind
// virtual-time stamps, and ends with a summary.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "sim/runner.h"
#include "sim/scenario.h"
#include "sim/timeline.h"

namespace {

constexpr const char* kUsage =
    "usage: relaywatch-sim [--until SECONDS] [--timeline FILE.svg] [--quiet] SCENARIO [looptime sleeptime [debug]]\n"
    "  --until SECONDS     end the run at this virtual time (90, 15m, 2h, 30d) instead of the scenario's end\n"
    "  --timeline FILE     write an SVG picture of the run over virtual time\n"
    "  --quiet             print only the summary (and errors)\n"
    "  looptime sleeptime [debug]   relaywatch's arguments; default: the scenario's 'args' line\n"
    "exit status: 0 after a run to its end, 1 when relaywatch ended or stalled on its own, 2 for bad input\n";

int usage_error(const std::string& message) {
    std::cerr << "relaywatch-sim: " << shown_text(message) << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    RunOptions options;
    std::string timeline;
    bool quiet = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--until" || arg == "--timeline") {
            if (i + 1 >= argc) return usage_error(arg + " needs a value");
            std::string value = argv[++i];
            if (arg == "--timeline") {
                timeline = value;
            } else if (!parse_duration(value, options.until)) {
                return usage_error(duration_error("--until", value));
            } else if (options.until < 1) {
                return usage_error("--until must be at least 1 s");
            }
        } else if (arg == "--") {
            ++i;
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage_error("unknown option " + arg);
        } else {
            break;
        }
    }
    if (i >= argc) return usage_error("no scenario given");
    const std::string path = argv[i++];
    if (i < argc) {
        options.args_given = true;
        options.args.assign(argv + i, argv + argc);
    }

    Scenario scenario;
    try {
        scenario = load_scenario(path);
    } catch (const ScenarioError& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }

    std::ofstream svg;
    if (!timeline.empty()) {
        svg.open(timeline, std::ios::binary | std::ios::trunc);
        if (!svg) {
            std::cerr << "relaywatch-sim: cannot write " << shown_text(timeline) << ": " << std::strerror(errno) << "\n";
            return 2;
        }
    }

    options.out = quiet ? nullptr : &std::cout;
    RunResult result = run_scenario(scenario, options);
    if (!quiet) std::cout << "\n";
    print_summary(std::cout, scenario, result);
    std::cout.flush();

    if (svg.is_open()) {
        write_timeline_svg(svg, scenario, result);
        svg.close();
        if (!svg) {
            std::cerr << "relaywatch-sim: cannot write " << shown_text(timeline) << "\n";
            return 2;
        }
    }
    return result.daemon_ended || result.stalled ? 1 : 0;
}
