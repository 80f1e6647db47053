// SPDX-License-Identifier: ISC
// A simulated run written as a system log: the daemon's lines in OpenWrt's
// logread format, stamped by the virtual clock from a start date, and one
// closing line under the simulator's own tag at the run's end.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace rwsim {

struct SyslogOut {
    std::ostream* out = nullptr;
    long long start = 0;  // the router's time at virtual second 0, seconds since 1970
    long pid = 1234;      // the daemon's process id in the log
};

// The start date when no option gives one.
inline constexpr const char* kDefaultLogStart = "2026-01-01T00:00:00";

// "2026-12-07T04:00:00" as seconds since 1970; false for anything else.
bool parse_log_start(std::string_view text, long long& wall);

// One of the daemon's lines, begun at virtual second `at`.
void syslog_daemon_line(const SyslogOut& log, long at, std::string_view text);

// The closing line at the run's end.
void syslog_close(const SyslogOut& log, long end);

}  // namespace rwsim
