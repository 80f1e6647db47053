// SPDX-License-Identifier: ISC
// relaywatch-sim's sub-commands, each given the words after its name (the
// run, with its sweep, is given them all), each returning the exit status.
#pragma once

#include <string>
#include <vector>

namespace rwsim {

// relaywatch-sim [options] SCENARIO [looptime sleeptime [debug]], and --sweep.
int run_command(const std::vector<std::string>& args);

// relaywatch-sim explain TABLE [--store FILE] [--channel N] [--remembered BSSID]
int explain_command(const std::vector<std::string>& args);

// relaywatch-sim replay LOG [--timeline FILE.svg] [--json FILE]
int replay_command(const std::vector<std::string>& args);

// relaywatch-sim report BUNDLE [-o PAGE.html]
int report_command(const std::vector<std::string>& args);

}  // namespace rwsim
