// SPDX-License-Identifier: ISC
// The log's clock: each line's stamp to the replay's time, which never runs
// backwards and counts no step of the router's clock, and the steps it
// took, back and forward, in the order the log shows them.
#pragma once

#include <string>
#include <vector>

#include "sim/replay/replay.h"
#include "sim/syslog/log_read.h"
#include "supervisor/timing.h"
#include "survey/survey.h"

namespace rwsim {

// A debug run prints a line every second; it is quiet at most for a survey
// whose table never opens and the link wait after it, and the pause after a
// recovery. Twice the daemon's own figures, for a router slowed by its
// commands: a longer gap in a debug run whose pause is known (from its start
// line or a "delay" line) is the clock jumping forward, and tells nothing of
// the uplink.
inline constexpr long kDebugQuiet = 2L * (kSurveyAttempts * static_cast<long>(kSurveyPauseSeconds) + kLinkWaitTries);

// What the clock has seen so far.
struct ReplayClock {
    bool started = false;
    int year = 0, month = 0;    // of the last stamp (a year inferred where the log gives none)
    WallTime last_wall = 0;     // the router's wall time at the last line
    WallTime last_instant = 0;  // and its UTC instant (the wall time where the stamp has no zone)
    bool last_zoned = false;    // the last stamp gave its zone
    long now = 0;               // the replay's time at the last line
};

// What the daemon's lines tell of the stretch up to a line, to tell a step
// of the clock from a quiet stretch.
struct ClockHints {
    bool own_start = false;     // the line is relaywatch's start: any gap before it is real
    bool debug_live = false;    // a debug run is going
    long sleeptime = -1;        // its pause after a recovery; -1 not known
    bool after_window = false;  // the line is the same process's next after its once-a-pass window line
    bool next_pass = false;     // and is the next pass's window line: a second after it
};

// Moves the clock to `stamp`, the replay's line number `line`; a step is
// noted in `replay`'s jumps and its first/last moments kept.
void clock_line(ReplayClock& clock, const LogStamp& stamp, const ClockHints& hints, long line, Replay& replay);

// A length of the replay's time from `from` to `to`, given both ways where
// the clock may have moved for daylight saving inside it: "1h 1m, or 1m if
// the clock moved for daylight saving".
std::string length_told(const Replay& replay, long from, long to);

// The replay's clock steps, back and forward, in the log's order.
std::vector<ClockJump> clock_steps(const Replay& replay);

// A step as the summary lists it: "back 1h 0m 0s (3600 s) from Dec  7 04:00:00".
std::string clock_step_text(const ClockJump& jump, bool years_given);

}  // namespace rwsim
