// SPDX-License-Identifier: ISC
// Reading a system log: its lines one at a time in bounded memory, and the
// timestamp, tag and process id in front of each, as OpenWrt's logread,
// BusyBox syslogd, classic syslog and ISO-8601 (rsyslog) write them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace rwsim {

// A log line's date and time as the router wrote it (its local wall time);
// year 0 when the line gave none. An ISO-8601 stamp may also say its zone
// ("Z" or "+02:00"): then `zoned`, and the wall time less `offset` seconds
// is the stamp's UTC instant.
struct LogStamp {
    int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    bool zoned = false;
    int offset = 0;  // seconds east of UTC
};

// One line of a system log, cut into its parts. Without a stamp the line
// is only `message` (the whole line).
struct LogLine {
    bool stamped = false;
    LogStamp stamp;
    std::string_view tag;      // "relaywatch", "procd", "kernel"; may be empty
    long pid = -1;             // -1: the tag had none
    std::string_view message;  // after "tag: " or "tag[pid]: "
};

// Cuts `line` (without its line end) into its parts.
LogLine parse_log_line(std::string_view line);

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back; the weekday (0 Sunday) of such a day.
// The router's time: seconds since 1970, in 64 bits on every host (a
// 32-bit long ends in 2038, and a log may say anything up to 9999).
using WallTime = long long;

long long days_from_civil(int year, int month, int day);
void civil_from_days(long long days, int& year, int& month, int& day);
int weekday_of(long long days);

// "Jan" .. "Dec" for 1 .. 12; "Sun" .. "Sat" for 0 .. 6.
const char* month_name(int month);
const char* weekday_name(int weekday);

// The router's time of `wall`: "Mon Dec  7 04:40:21 2026", without the
// weekday and year when the log gave no years.
std::string router_time(WallTime wall, bool years_given);

// The lines of a stream, read through one buffer of fixed size: a line
// longer than kMaxLogLine is cut there and the rest of it skipped (and
// counted), a last line without a line end is a line. Nothing is kept per
// line; a line given out stays valid until the next call. The stream is the
// caller's.
class LogLines {
public:
    static constexpr std::size_t kMaxLogLine = 4096;
    static constexpr std::size_t kBuffer = std::size_t{64} * 1024;
    static_assert(kBuffer > 2 * kMaxLogLine);

    explicit LogLines(std::FILE* in) : in_(in), buf_(kBuffer) {}

    // The next line, without its line end (and a CR before it); false at the end.
    bool next(std::string_view& line);
    long number() const { return number_; }
    long truncated() const { return truncated_; }
    // Whether the last line held a NUL byte or another control character
    // that no text log holds (tab, CR and ESC are text).
    bool binary() const { return binary_; }

private:
    // Reads more of the stream behind what is held; false when none came.
    bool fill();
    // Passes over the rest of a line that was cut; false at the end.
    bool skip_rest();

    std::FILE* in_;
    std::vector<char> buf_;
    std::size_t begin_ = 0, end_ = 0;  // what is held and not yet given out
    bool skipping_ = false;            // the line given out last was cut
    long number_ = 0;
    long truncated_ = 0;
    bool binary_ = false;
};

}  // namespace rwsim
