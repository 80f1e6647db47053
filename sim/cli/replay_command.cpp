// SPDX-License-Identifier: ISC
// relaywatch-sim replay LOG [--timeline FILE.svg] [--json FILE]: the
// command line of a replay, and the log it reads opened with the refusals of the scenario
// reader (a directory or device is no log).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "sim/cli/commands.h"
#include "sim/common/output_file.h"
#include "sim/common/text.h"
#include "sim/replay/replay.h"

namespace rwsim {

namespace {

int refuse(const std::string& message) {
    std::cerr << "relaywatch-sim replay: " << message << "\n";
    return 2;
}

int usage_error(const std::string& message) {
    std::cerr << "relaywatch-sim replay: " << shown_text(message) << "\n" << kReplayUsage;
    return 2;
}

// Why `path` is not opened as a log, or empty.
std::string not_a_log(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::string("cannot read the file: ") + std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "is a directory, not a system log";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "is a device, not a system log";
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) return "is not a regular file, not a system log";
    return "";
}

}  // namespace

int replay_command(const std::vector<std::string>& args) {
    std::string log, timeline, json;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kReplayUsage;
            return 0;
        }
        if (args[i] == "--timeline") {
            if (i + 1 >= args.size()) return usage_error("--timeline needs a value");
            timeline = args[++i];
        } else if (args[i] == "--json") {
            if (i + 1 >= args.size()) return usage_error("--json needs a value");
            json = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage_error("unknown option " + args[i]);
        } else if (log.empty()) {
            log = args[i];
        } else {
            return usage_error("one log at a time");
        }
    }
    if (log.empty()) return usage_error("no log given");
    // "--json -" writes the document on standard output, in the summary's place.
    const bool json_out = json == "-";
    const std::string clash = outputs_clash({timeline, json_out ? "" : json}, {log});
    if (!clash.empty()) return refuse(clash);
    std::FILE* in = stdin;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, &std::fclose);
    const std::string name = log == "-" ? "(standard input)" : log;
    if (log != "-") {
        const std::string why = not_a_log(log);
        if (!why.empty()) return refuse(located(log, 0, why));
        file.reset(std::fopen(log.c_str(), "rb"));
        if (!file) return refuse(located(log, 0, std::string("cannot read the file: ") + std::strerror(errno)));
        in = file.get();
    }
    OutputFile svg, doc;
    for (auto [path, output] : {std::pair{&timeline, &svg}, std::pair{&json, &doc}}) {
        if (path->empty() || (output == &doc && json_out)) continue;
        const std::string why = open_output(*output, *path);
        if (!why.empty()) return refuse(why);
    }
    const Replay replay = replay_log(in, name);
    if (!replay.error.empty()) return refuse(replay.error);
    if (json_out) {
        write_replay_json(std::cout, name, replay);
    } else {
        print_replay_summary(std::cout, name, replay);
    }
    std::cout.flush();
    if (!timeline.empty()) write_replay_timeline(svg.stream, name, replay);
    if (!json.empty() && !json_out) write_replay_json(doc.stream, name, replay);
    for (OutputFile* output : {&svg, &doc}) {
        if (output->stream.is_open()) {
            const std::string why = commit_output(*output);
            if (!why.empty()) return refuse(why);
        }
    }
    return 0;
}

}  // namespace rwsim
