// SPDX-License-Identifier: ISC
// relaywatch-sim: the simulator and field tools. main only picks the
// sub-command (sim/cli/commands.h); the run is the default. --version names
// the relaywatch tree it was built from.
#include <iostream>
#include <string>
#include <vector>

#include "sim/cli/commands.h"
#include "version/relaywatch_version.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.size() == 1 && words[0] == "--version") {
        std::cout << "relaywatch-sim " RELAYWATCH_VERSION "\n";
        return 0;
    }
    if (!words.empty() && words[0] == "explain") return rwsim::explain_command({words.begin() + 1, words.end()});
    if (!words.empty() && words[0] == "replay") return rwsim::replay_command({words.begin() + 1, words.end()});
    if (!words.empty() && words[0] == "report") return rwsim::report_command({words.begin() + 1, words.end()});
    return rwsim::run_command(words);
}
