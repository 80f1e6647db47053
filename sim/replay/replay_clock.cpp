// SPDX-License-Identifier: ISC
#include "sim/replay/replay_clock.h"

#include <algorithm>

#include "sim/common/text.h"

namespace rwsim {

namespace {

// A longer silence between two lines is the clock set forward, not a quiet
// stretch, with or without debug lines.
constexpr WallTime kLongestQuiet = 366LL * 86400;

// Year of a log whose stamps carry none: a leap year, so that 29 February
// stays a date.
constexpr int kYearlessBase = 2000;

// The stamp's year: as written, or inferred from the last one's.
int year_of(const ReplayClock& clock, const LogStamp& s, Replay& replay) {
    if (s.year != 0) {
        replay.years_given = true;
        return s.year;
    }
    if (!clock.started) return kYearlessBase;
    int year = clock.year;
    if (s.month < clock.month - 6) ++year;  // December into January
    if (s.month > clock.month + 6) --year;  // the clock set back over a new year
    return year;
}

// Whether a gap of `gap` seconds forward is more than the daemon's timing
// explains: the clock stepped.
bool stepped_forward(WallTime gap, const ClockHints& hints) {
    if (gap > kLongestQuiet) return true;
    if (!hints.debug_live || hints.own_start) return false;
    // After its window line the daemon prints again within a pass.
    if (hints.after_window && gap > kDebugQuiet) return true;
    return hints.sleeptime >= 0 && gap > kDebugQuiet + hints.sleeptime;
}

constexpr WallTime kDaylightSaving = 3600;

// Whether the wall times from `from` to `to` take in a night when clocks
// move for daylight saving somewhere: the small hours (00:00 to 04:00) of a
// Sunday in March, April, September, October or November.
bool spans_dst_night(WallTime from, WallTime to) {
    constexpr WallTime kDay = 86400, kSmallHours = 4LL * 3600;
    const WallTime first = (from >= 0 ? from : from - kDay + 1) / kDay;
    if (to / kDay - first > 400) return true;
    for (WallTime d = first; d * kDay <= to; ++d) {
        int year = 0, month = 0, day = 0;
        civil_from_days(d, year, month, day);
        const bool dst_month = month == 3 || month == 4 || month >= 9;
        if (weekday_of(d) == 0 && dst_month && month != 12 && d * kDay + kSmallHours > from) return true;
    }
    return false;
}

// "1h 0m 0s": every unit below the largest shown, so that a step reads to
// the second.
std::string step_length(WallTime size) {
    if (size > kMaxDurationSeconds) return "over " + format_duration(kMaxDurationSeconds);
    static constexpr struct {
        long size;
        const char* unit;
    } kUnits[] = {{86400, "d"}, {3600, "h"}, {60, "m"}, {1, "s"}};
    std::string out;
    long s = static_cast<long>(size);
    for (const auto& u : kUnits) {
        if (out.empty() && s < u.size && u.size > 1) continue;
        if (!out.empty()) out += ' ';
        out += std::to_string(s / u.size) + u.unit;
        s %= u.size;
    }
    return size < 60 ? out : out + " (" + std::to_string(size) + " s)";
}

}  // namespace

void clock_line(ReplayClock& clock, const LogStamp& s, const ClockHints& hints, long line, Replay& replay) {
    const int year = year_of(clock, s, replay);
    clock.year = year;
    clock.month = s.month;
    const WallTime wall = days_from_civil(year, s.month, s.day) * 86400 + s.hour * 3600LL + s.minute * 60LL + s.second;
    const WallTime instant = wall - s.offset;
    if (!clock.started) {
        clock.started = true;
        replay.first = {0, wall};
    } else if (instant < clock.last_instant || stepped_forward(instant - clock.last_instant, hints)) {
        // Between two window lines a pass went by, a second of it before the
        // step or after: the step is the rest.
        const long pass = hints.next_pass ? 1 : 0;
        clock.now += pass;
        ClockJump jump{{clock.now, wall}, clock.last_wall, instant - clock.last_instant - pass, line};
        jump.maybe_dst = !s.zoned && !clock.last_zoned && (jump.by == kDaylightSaving || jump.by == -kDaylightSaving);
        if (jump.by < 0)
            keep_event(replay.back_jumps, replay.back_count, jump, true);
        else
            keep_event(replay.forward_jumps, replay.forward_count, jump, true);
    } else {
        const WallTime gap = instant - clock.last_instant;
        clock.now += static_cast<long>(gap);
        if (!s.zoned && !clock.last_zoned && gap >= kDaylightSaving && spans_dst_night(clock.last_wall, wall))
            keep_event(replay.dst_unsure, replay.dst_unsure_count,
                       ClockJump{{clock.now, wall}, clock.last_wall, gap, line, true}, true);
    }
    clock.last_zoned = s.zoned;
    clock.last_wall = wall;
    clock.last_instant = instant;
    replay.last = {clock.now, wall};
}

std::vector<ClockJump> clock_steps(const Replay& replay) {
    std::vector<ClockJump> all = replay.back_jumps;
    all.insert(all.end(), replay.forward_jumps.begin(), replay.forward_jumps.end());
    std::sort(all.begin(), all.end(), [](const ClockJump& a, const ClockJump& b) { return a.line < b.line; });
    return all;
}

std::string clock_step_text(const ClockJump& jump, bool years_given) {
    const WallTime by = jump.by;
    return std::string(by < 0 ? "back " : "forward ") + step_length(by < 0 ? -by : by) + " from " +
           router_time(jump.from, years_given) + (jump.maybe_dst ? ", possibly for daylight saving" : "");
}

std::string length_told(const Replay& replay, long from, long to) {
    const long length = to - from;
    const bool unsure = std::any_of(replay.dst_unsure.begin(), replay.dst_unsure.end(),
                                    [&](const ClockJump& gap) { return gap.at.t - gap.by >= from && gap.at.t <= to; });
    if (!unsure || length < kDaylightSaving) return format_duration(length);
    return format_duration(length) + ", or " + format_duration(length - kDaylightSaving) +
           " if the clock moved for daylight saving";
}

}  // namespace rwsim
