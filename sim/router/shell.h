// SPDX-License-Identifier: ISC
// How /bin/sh would split the daemon's command lines into words, for the
// simple command lines the daemon forms: words, backslash escapes, single and
// double quotes, and pipelines. Anything the shell would treat specially
// beyond that (; & < > $ ` globs, comments) is reported, not interpreted, so
// an unescaped value in a command line shows up instead of passing silently.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rwsim {

struct ShellCommand {
    std::vector<std::vector<std::string>> stages;  // one word list per pipeline stage
    std::string error;                             // empty when the line was understood
};

ShellCommand shell_split(std::string_view line);

}  // namespace rwsim
