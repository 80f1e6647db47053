// SPDX-License-Identifier: ISC
#include "sim/syslog/syslog_out.h"

#include "sim/syslog/log_read.h"

namespace rwsim {

bool parse_log_start(std::string_view text, long long& wall) {
    if (text.size() != 19 || text[10] != 'T') return false;
    const LogLine line = parse_log_line(std::string(text) + " x: y");
    if (!line.stamped || line.stamp.year < 1970 || line.stamp.year > 9999) return false;
    const LogStamp& s = line.stamp;
    const long long days = days_from_civil(s.year, s.month, s.day);
    int y = 0, m = 0, d = 0;
    civil_from_days(days, y, m, d);
    if (d != s.day || s.second > 59) return false;  // 31 April, a leap second
    wall = days * 86400 + s.hour * 3600LL + s.minute * 60LL + s.second;
    return true;
}

void syslog_daemon_line(const SyslogOut& log, long at, std::string_view text) {
    *log.out << router_time(log.start + at, true) << " daemon.info relaywatch[" << log.pid << "]: " << text << '\n';
}

void syslog_close(const SyslogOut& log, long end) {
    *log.out << router_time(log.start + end, true) << " user.notice relaywatch-sim: end of the simulated run\n";
}

}  // namespace rwsim
