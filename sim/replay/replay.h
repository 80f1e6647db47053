// SPDX-License-Identifier: ISC
// A router's system log read back into what relaywatch did: its runs, ra0
// on and off the air, and with debug lines its recoveries, the channels it
// re-tuned ra0 to, the client security and the remembered BSSID. The log is
// read as a stream; what is kept grows with the events it reports, not with
// its lines.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "sim/common/daemon_lines.h"
#include "sim/syslog/log_read.h"

namespace rwsim {

// A moment of the log: seconds since the log's first line on a clock that
// never runs backwards (`t`), and the router's own time then (`wall`,
// seconds since 1970 of the stamp as written, its year inferred when the
// log gives none).
struct LogMoment {
    long t = 0;
    WallTime wall = 0;
};

// A stretch [from, to) of the replay's time over which a lane is known,
// and whether the lane (ra0 up, the uplink connected) was on.
struct Stretch {
    long from = 0, to = 0;
    bool on = false;
};

// How many stretches of a lane a replay keeps; the rest are counted.
inline constexpr std::size_t kKeptStretches = 512;

// What the log tells of one lane: its known stretches, merged where they
// touch with the same state, the first kKeptStretches kept; the seconds
// known, of them on, and of them known only from the daemon's rules (a log
// can lose lines) rather than from a line that says so.
struct Lane {
    std::vector<Stretch> kept;
    Stretch last;  // the latest stretch, still growing
    long stretches = 0, offs = 0, longest_off = 0;
    long known = 0, on = 0, inferred = 0;
    bool first_inferred = false;  // its first stretch is known only from the daemon's rules
};

// Adds [from, to) to the lane, on or off, inferred or logged.
void lane_add(Lane& lane, long from, long to, bool on, bool inferred);

// A run's own figures: the seconds the log tells each lane over, and of
// them on; the seconds with debug lines and the recoveries in them.
struct RunFigures {
    long ra0_known = 0, ra0_up = 0, ra0_inferred = 0;
    long link_known = 0, link_up = 0;
    long debug = 0, recoveries = 0;
};

// A line's words at the moment the log tells them.
struct LoggedText {
    LogMoment at;
    std::string text;
};

// One relaywatch process.
struct ReplayRun {
    LogMoment at;
    bool start_seen = false;  // its start line is in the log
    int looptime = -1, sleeptime = -1;
    bool debug = false;  // it printed debug lines
    long pid = -1;
    std::string ended_at_start;  // its own start-up error, when it gave up at once
    long until = 0;              // the replay's time at which the next run began, or the log ended
    // What ended it, and when: a line of procd's or the init script's, its
    // own start-up error, the next run, or the log's end.
    std::string ended_by;
    LogMoment ended_at;
    // Other programs' lines about the instance (exit codes, respawns, a
    // crash loop) from its start to the next run's: the first kKeptInstanceLines.
    std::vector<LoggedText> instance_lines;
    long instance_count = 0;
    bool crash_loop = false;
    RunFigures figures;
};

inline constexpr std::size_t kKeptInstanceLines = 5;

// What ended the log's last run when nothing did.
inline constexpr const char* kStillRunning = "still running when the log ends, as far as it shows";

// How many runs a replay keeps: the first ones and the latest; the rest
// are counted and their figures added to the whole.
inline constexpr std::size_t kKeptRuns = 64;

enum class Outcome { UpstreamFound, HiddenConnected, NothingFound, Unfinished };

// A recovery cycle the log tells, and how it ended.
struct LoggedRecovery {
    LogMoment at;
    Outcome outcome = Outcome::Unfinished;
};

// ra0 re-programmed: to `channel`, from `from` (-1 where no debug line of
// the run told ra0's channel before it). A re-programming that kept the
// channel is no move.
struct Retune {
    LogMoment at;
    int channel = 0;
    int from = -1;
    std::string via;  // "upstream" or the hidden access point's BSSID
};

// An error line of the daemon's: its kind, and its words as the summary
// lists them.
struct LoggedError {
    LogMoment at;
    LogMsg msg = LogMsg::Usage;
    std::string text;
};

struct ClockJump {
    LogMoment at;            // the wall time after the jump
    WallTime from = 0;       // the wall time before it
    WallTime by = 0;         // its length in seconds (negative: back), zones counted
    long line = 0;           // the log's line after it
    bool maybe_dst = false;  // an hour, in a log without zones: perhaps daylight saving
};

// How many error lines a replay keeps; the rest are counted.
inline constexpr std::size_t kKeptErrors = 512;

// How many of relaywatch's unrecognised lines a replay keeps word for word.
inline constexpr std::size_t kKeptUnrecognised = 5;

// How many entries of each list of events a replay keeps; the rest are
// counted.
inline constexpr std::size_t kKeptEvents = 512;

// Adds `entry` to a list that keeps the first kKeptEvents, counting it;
// past them, with `latest`, it takes the last place.
template <typename T>
void keep_event(std::vector<T>& list, long& count, T entry, bool latest = false) {
    ++count;
    if (list.size() < kKeptEvents)
        list.push_back(std::move(entry));
    else if (latest)
        list.back() = std::move(entry);
}

struct Replay {
    std::string error;         // why the log cannot be replayed; empty when it was
    bool years_given = false;  // the stamps carry years
    LogMoment first, last;
    long lines = 0, own_lines = 0, unstamped = 0, truncated = 0;
    std::vector<ReplayRun> runs;
    long run_count = 0;  // every run, kept or not
    // Seconds the window lines tell the uplink over, and of them connected:
    // from each window line to the next one of the same run, never across a
    // restart or a stretch without them.
    long link_known = 0, link_up = 0;
    // The debug lines' events: each list keeps the first kKeptEvents, and
    // counts all; the figures shown from them are counted as the log goes.
    std::vector<LoggedRecovery> recoveries;
    long recovery_count = 0;
    long outcomes[4] = {};  // every recovery by its Outcome
    std::vector<Retune> retunes;
    long retune_count = 0, move_count = 0;       // a move changed ra0's channel
    std::vector<std::pair<long, int>> channel;   // ra0's channel from `t` on (debug)
    std::vector<std::pair<long, int>> upstream;  // the upstream's channel at a survey (debug)
    long channel_count = 0, upstream_count = 0;
    std::vector<LoggedText> security;    // client security re-programmed, "AUTH/ENC"
    std::vector<LoggedText> remembered;  // the remembered BSSID as it changed; the latest last
    long security_count = 0, remembered_count = 0;
    std::vector<LoggedError> errors;  // the first kKeptErrors
    long error_count = 0;             // all of them
    // relaywatch's lines that no format of the daemon's matches (a line cut
    // short, the init script's own words, anything else): all counted, the
    // first kKeptUnrecognised kept whole as shown_text shows them.
    long unrecognised = 0, unrecognised_cut = 0;
    std::vector<LoggedText> unrecognised_lines;
    // The clock's steps, the first kKeptEvents and the latest, each counted.
    std::vector<ClockJump> back_jumps, forward_jumps;
    long back_count = 0, forward_count = 0;
    // Gaps of an hour or more, in a log without zones and without lines that
    // would show a step, over a night when clocks move for daylight saving.
    std::vector<ClockJump> dst_unsure;
    long dst_unsure_count = 0;
    bool any_debug = false;  // relaywatch printed debug lines
    // ra0 and the uplink where the log tells them, and the seconds of runs
    // with debug lines (which alone tell recoveries, channels, client
    // security and the remembered BSSID).
    Lane ra0_lane, link_lane;
    bool ra0_down_at_end = false;  // the log ends with ra0 known to be down
    long debug_seconds = 0;
};

// Reads the log from `in` (`name` for messages).
Replay replay_log(std::FILE* in, const std::string& name);

// ra0 off the air: from `at` for `length` seconds; off already when the
// log begins, or still when it ends.
struct Ra0Outage {
    LogMoment at;
    long length = 0;
    bool at_log_start = false, at_log_end = false;
};

// ra0's outages where the log tells it: those of the lane's kept
// stretches and its latest, in the log's order.
std::vector<Ra0Outage> ra0_outages(const Replay& replay);

// Seconds of the log's span with ra0 up, as the log tells.
long ra0_up_seconds(const Replay& replay);

// How many entries of each list the JSON document holds; the rest are
// counted.
inline constexpr std::size_t kJsonListed = 100;

// The replay's figures and lists as one JSON document (the schema is in
// docs/replay.schema.json).
void write_replay_json(std::ostream& out, const std::string& name, const Replay& replay);

// The summary of a replay, in the simulator's style.
void print_replay_summary(std::ostream& out, const std::string& name, const Replay& replay);

// The replay's timeline picture: the same lanes as a run's; a lane the log
// cannot tell says so.
void write_replay_timeline(std::ostream& out, const std::string& name, const Replay& replay);

inline constexpr const char* kReplayUsage =
    "usage: relaywatch-sim replay LOG [--timeline FILE.svg] [--json FILE]\n"
    "  LOG                 a system log (logread, syslogd's messages, ISO-8601 stamps), or - for standard input\n"
    "  --timeline FILE     also write an SVG picture of what the log tells\n"
    "  --json FILE         also write the figures and lists as JSON; - for standard output, instead of the summary\n"
    "exit status: 0 after a replay, 2 for input that cannot be replayed\n";

}  // namespace rwsim
