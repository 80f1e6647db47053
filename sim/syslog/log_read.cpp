// SPDX-License-Identifier: ISC
#include "sim/syslog/log_read.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "sim/common/text.h"

namespace rwsim {

namespace {

// Views of string literals, so that data() is each name's C string.
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Reads exactly `n` digits at `at` into `value`.
bool digits(std::string_view s, std::size_t at, std::size_t n, int& value) {
    if (at + n > s.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (!is_digit(s[i])) return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

int month_of(std::string_view s) {
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (s == kMonths[i]) return static_cast<int>(i) + 1;
    }
    return 0;
}

// "04:40:21" at `at`.
bool clock_at(std::string_view s, std::size_t at, LogStamp& st) {
    return digits(s, at, 2, st.hour) && at + 8 <= s.size() && s[at + 2] == ':' && digits(s, at + 3, 2, st.minute) &&
           s[at + 5] == ':' && digits(s, at + 6, 2, st.second) && st.hour < 24 && st.minute < 60 && st.second < 61;
}

// "Dec  7 04:40:21" (or "Dec 07") at `at`; the length read.
std::size_t classic_at(std::string_view s, std::size_t at, LogStamp& st) {
    if (at + 15 > s.size() || s[at + 3] != ' ') return 0;
    st.month = month_of(s.substr(at, 3));
    if (st.month == 0) return 0;
    const std::size_t d = at + 4;
    if (s[d] == ' ' ? !digits(s, d + 1, 1, st.day) : !digits(s, d, 2, st.day)) return 0;
    if (st.day < 1 || st.day > 31 || s[d + 2] != ' ' || !clock_at(s, d + 3, st)) return 0;
    return 15;
}

// An ISO-8601 zone at the start of `s` ("Z", "+02:00", "-0330"); the
// length read, 0 when there is none.
std::size_t read_zone(std::string_view s, LogStamp& st) {
    if (!s.empty() && s[0] == 'Z') {
        st.zoned = true;
        return 1;
    }
    int hours = 0, minutes = 0;
    if (s.empty() || (s[0] != '+' && s[0] != '-') || !digits(s, 1, 2, hours)) return 0;
    const std::size_t colon = s.size() > 3 && s[3] == ':' ? 1 : 0;
    if (!digits(s, 3 + colon, 2, minutes) || hours > 23 || minutes > 59) return 0;
    st.zoned = true;
    st.offset = (s[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return 5 + colon;
}

// The stamp at the start of `s`; the length read, 0 when there is none.
std::size_t read_stamp(std::string_view s, LogStamp& st) {
    // logread: "Mon Dec  7 04:40:21 2026"
    if (s.size() >= 24 && s[3] == ' ') {
        bool weekday = false;
        for (std::string_view w : kWeekdays) weekday = weekday || s.substr(0, 3) == w;
        if (weekday && classic_at(s, 4, st) != 0 && s[19] == ' ' && digits(s, 20, 4, st.year)) return 24;
    }
    // ISO-8601: "2026-12-07T04:40:21", a fraction and a zone may follow.
    if (digits(s, 0, 4, st.year) && s.size() >= 19 && s[4] == '-' && digits(s, 5, 2, st.month) && s[7] == '-' &&
        digits(s, 8, 2, st.day) && (s[10] == 'T' || s[10] == ' ') && clock_at(s, 11, st)) {
        if (st.month < 1 || st.month > 12 || st.day < 1 || st.day > 31) return 0;
        std::size_t end = 19;
        if (end < s.size() && s[end] == '.') {
            ++end;
            while (end < s.size() && is_digit(s[end])) ++end;
        }
        return end + read_zone(s.substr(end), st);
    }
    st.year = 0;
    return classic_at(s, 0, st);
}

// "name[pid]:" or "name:" as a tag; false for anything else.
bool read_tag(std::string_view word, LogLine& out) {
    if (word.size() < 2 || word.back() != ':') return false;
    word.remove_suffix(1);
    const std::size_t open = word.find('[');
    if (open == std::string_view::npos) {
        if (word.find(']') != std::string_view::npos) return false;
        out.tag = word;
        return true;
    }
    if (open == 0 || word.back() != ']' || open + 2 > word.size() - 1) return false;
    long pid = 0;
    for (std::size_t i = open + 1; i + 1 < word.size(); ++i) {
        if (!is_digit(word[i]) || pid > 99999999) return false;
        pid = pid * 10 + (word[i] - '0');
    }
    out.tag = word.substr(0, open);
    out.pid = pid;
    return true;
}

bool is_binary_byte(unsigned char ch) {
    return (ch < 0x20 && ch != '\t' && ch != '\r' && ch != 0x1b) || ch == 0x7f;
}

// Whether `text` holds a byte that no text log holds. Eight bytes at a time:
// a word with no byte below 0x20 and none of 0x7f is passed over whole.
bool holds_binary(const char* text, std::size_t length) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text + i, 8);
        const std::uint64_t del = word ^ (0x7f * kOnes);
        const std::uint64_t low = (word - 0x20 * kOnes) & ~word & kHighs;
        if ((low | ((del - kOnes) & ~del & kHighs)) == 0) continue;
        for (std::size_t j = i; j < i + 8; ++j) {
            if (is_binary_byte(static_cast<unsigned char>(text[j]))) return true;
        }
    }
    for (; i < length; ++i) {
        if (is_binary_byte(static_cast<unsigned char>(text[i]))) return true;
    }
    return false;
}

}  // namespace

LogLine parse_log_line(std::string_view line) {
    LogLine out;
    out.message = line;
    const std::size_t stamp = read_stamp(line, out.stamp);
    if (stamp == 0) return out;
    out.stamped = true;
    std::string_view rest = line.substr(stamp);
    out.message =
        rest.substr(rest.find_first_not_of(' ') == std::string_view::npos ? rest.size() : rest.find_first_not_of(' '));
    // The tag, after at most a host name and a facility.level.
    std::string_view words = out.message;
    for (int word = 0; word < 3 && !words.empty(); ++word) {
        const std::size_t end = words.find(' ');
        if (read_tag(words.substr(0, end), out)) {
            out.message = end == std::string_view::npos ? std::string_view() : words.substr(end + 1);
            return out;
        }
        if (end == std::string_view::npos) break;
        words = words.substr(end + 1);
    }
    return out;
}

long long days_from_civil(int year, int month, int day) {
    const long long y = year - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153LL * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int weekday_of(long long days) {
    return static_cast<int>(((days % 7) + 11) % 7);
}

const char* month_name(int month) {
    return month >= 1 && month <= 12 ? kMonths[static_cast<std::size_t>(month - 1)].data() : "???";
}
const char* weekday_name(int weekday) {
    return weekday >= 0 && weekday < 7 ? kWeekdays[static_cast<std::size_t>(weekday)].data() : "???";
}

bool LogLines::fill() {
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const std::size_t got = std::fread(buf_.data() + end_, 1, buf_.size() - end_, in_);
    end_ += got;
    return got > 0;
}

bool LogLines::skip_rest() {
    for (;;) {
        const void* nl = std::memchr(buf_.data() + begin_, '\n', end_ - begin_);
        if (nl != nullptr) {
            begin_ = static_cast<std::size_t>(static_cast<const char*>(nl) - buf_.data()) + 1;
            skipping_ = false;
            return true;
        }
        begin_ = end_;
        if (!fill()) return false;
    }
}

bool LogLines::next(std::string_view& line) {
    binary_ = false;
    if (skipping_ && !skip_rest()) return false;
    const char* nl = nullptr;
    for (;;) {
        // A line of kMaxLogLine bytes is whole when its line end follows.
        const std::size_t look = std::min(end_ - begin_, kMaxLogLine + 1);
        nl = static_cast<const char*>(std::memchr(buf_.data() + begin_, '\n', look));
        if (nl != nullptr || look > kMaxLogLine) break;
        if (!fill()) break;
    }
    std::size_t length = 0;
    if (nl != nullptr) {
        length = static_cast<std::size_t>(nl - (buf_.data() + begin_));
    } else if (end_ - begin_ > kMaxLogLine) {
        length = kMaxLogLine;
        skipping_ = true;
        ++truncated_;
    } else {
        if (end_ == begin_) return false;  // the end, and no last line without a line end
        length = end_ - begin_;
    }
    const char* start = buf_.data() + begin_;
    begin_ += length + (nl != nullptr ? 1 : 0);
    ++number_;
    binary_ = holds_binary(start, length);
    if (length > 0 && start[length - 1] == '\r') --length;
    line = std::string_view(start, length);
    return true;
}

std::string router_time(WallTime wall, bool years_given) {
    const long long days = (wall >= 0 ? wall : wall - 86399) / 86400;
    const long secs = static_cast<long>(wall - days * 86400);
    int year = 0, month = 0, day = 0;
    civil_from_days(days, year, month, day);
    char buf[64];
    if (years_given) {
        std::snprintf(buf, sizeof buf, "%s %s %2d %02ld:%02ld:%02ld %d", weekday_name(weekday_of(days)),
                      month_name(month), day, secs / 3600, secs / 60 % 60, secs % 60, year);
    } else {
        std::snprintf(buf, sizeof buf, "%s %2d %02ld:%02ld:%02ld", month_name(month), day, secs / 3600, secs / 60 % 60,
                      secs % 60);
    }
    return buf;
}

}  // namespace rwsim
