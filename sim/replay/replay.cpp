// SPDX-License-Identifier: ISC
#include "sim/replay/replay.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "sim/common/daemon_lines.h"
#include "sim/common/format_match.h"
#include "sim/common/text.h"
#include "sim/replay/replay_clock.h"
#include "sim/replay/replay_lanes.h"
#include "sim/replay/replay_security.h"
#include "sim/syslog/log_read.h"

namespace rwsim {

namespace {

constexpr std::string_view kTag = "relaywatch";
constexpr std::string_view kPrefix = RW_LOG_PREFIX;

// An error is listed in the daemon's words, its values as shown, without
// the line end and without what every such line says the same: the error
// lead of the window's, the consequence after the store's, the closing full
// stop of the security mode's.
constexpr std::string_view trimmed(std::string_view format, std::string_view lead, std::string_view tail) {
    return format.substr(lead.size(), format.size() - lead.size() - tail.size());
}
constexpr std::string_view kNoWindowMemoryFormat = RW_MSG_NO_WINDOW_MEMORY,
                           kStoreUnreadableFormat = RW_MSG_STORE_UNREADABLE,
                           kUnsupportedModeFormat = RW_MSG_UNSUPPORTED_MODE;
static_assert(kNoWindowMemoryFormat.starts_with(RW_MSG_ERROR) && kStoreUnreadableFormat.ends_with(RW_MSG_RADIO_KEPT) &&
              kUnsupportedModeFormat.ends_with(".\n"));
constexpr std::string_view kNoWindowMemoryError = trimmed(kNoWindowMemoryFormat, RW_MSG_ERROR, "");
constexpr std::string_view kStoreUnreadableError = trimmed(kStoreUnreadableFormat, "", RW_MSG_RADIO_KEPT);
constexpr std::string_view kUnsupportedModeError = trimmed(kUnsupportedModeFormat, "", ".\n");

int to_int(std::string_view text) {
    long value = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    return parse_whole(text, 9, value) ? static_cast<int>(negative ? -value : value) : 0;
}

// Words in another program's line that say relaywatch ended.
bool tells_end(std::string_view message) {
    if (message.find(kTag) == std::string_view::npos) return false;
    for (std::string_view word : {"exit", "crash", "kill", "Kill", "stop", "terminat", "died"}) {
        if (message.find(word) != std::string_view::npos) return true;
    }
    return false;
}

class Reader {
public:
    explicit Reader(Replay& out) : r_(out) {}

    // A security change the log ended (or the run ended) before showing:
    // told as likely, with the settings the candidate had.
    // The log ended: its last run closed.
    void finish() {
        settle();
        close_run(kStillRunning);
        r_.ra0_down_at_end = ra0_.known && !ra0_.on;
    }

    void settle() {
        if (pending_security_.empty()) return;
        keep_event(r_.security, r_.security_count,
                   {last_apply_, pending_security_ + " (likely: the log shows no settings line after it)"});
        pending_security_.clear();
    }

    void line(const LogLine& line) {
        ++r_.lines;
        if (!line.stamped) {
            ++r_.unstamped;
            return;
        }
        const bool own = line.tag == kTag;
        const std::string_view text = line.message;
        const LogFormat* format = own ? recognise_line(text, fields_) : nullptr;
        // A new process id, or relaywatch's first line without one (the sysv
        // script's `logger -t relaywatch`), begins a run unless a start does.
        const bool new_process =
            own && !runs_open_by_start(format) && ((line.pid >= 0 && line.pid != pid_) || r_.runs.empty());
        const bool own_start = format != nullptr && format->msg == LogMsg::Start;
        const bool after_window = window_last_ && own && !new_process && !own_start;
        const bool next_pass = after_window && format != nullptr && format->msg == LogMsg::WindowHead;
        clock_line(clock_, line.stamp, {own_start, debug_live_, sleeptime_, after_window, next_pass}, r_.lines, r_);
        if (own) window_last_ = format != nullptr && format->msg == LogMsg::WindowHead;
        if (!own) {
            if (!r_.runs.empty() && line.message.find(kTag) != std::string_view::npos) about_instance(line);
            return;
        }
        ++r_.own_lines;
        if (new_process) begin_run(false, line.pid);
        if (format == nullptr) {
            unrecognised(text);
            return;
        }
        own_line(format->msg, line.pid, text);
    }

private:
    static bool runs_open_by_start(const LogFormat* format) {
        return format != nullptr && (format->msg == LogMsg::Start || format->msg == LogMsg::LooptimeLow ||
                                     format->msg == LogMsg::LooptimeHigh || format->msg == LogMsg::SleeptimeNegative ||
                                     format->msg == LogMsg::NotRepeater || format->msg == LogMsg::Usage);
    }

    LogMoment now() const { return r_.last; }

    // A line of relaywatch's that no format matches: counted, the first few
    // kept; one that stops inside a format's fixed lead was cut short.
    void unrecognised(std::string_view text) {
        ++r_.unrecognised;
        if (is_cut_short(text)) ++r_.unrecognised_cut;
        if (r_.unrecognised_lines.size() < kKeptUnrecognised)
            r_.unrecognised_lines.push_back({now(), shown_text(text)});
    }

    static bool is_cut_short(std::string_view text) {
        for (const LogFormat& f : kLogFormats) {
            std::string lead = f.prefixed ? std::string(kPrefix) : std::string();
            const std::string_view format = f.format;
            lead += format.substr(0, format.find_first_of("%\n"));
            if (text.size() < lead.size() && std::string_view(lead).starts_with(text)) return true;
        }
        return false;
    }

    // Another program's line about the instance: kept with the run; the
    // first that tells an end is what ended it.
    void about_instance(const LogLine& line) {
        ReplayRun& last = r_.runs.back();
        const std::string text = shown_text(std::string(line.tag) + ": " + std::string(line.message));
        ++last.instance_count;
        if (last.instance_lines.size() < kKeptInstanceLines) last.instance_lines.push_back({now(), text});
        if (line.message.find("crash loop") != std::string_view::npos) last.crash_loop = true;
        if (tells_end(line.message) && ended_.empty()) {
            ended_ = text;
            ended_at_ = now();
            debug_live_ = false;
        }
    }

    // The run before ends where the next begins, or at the log's end.
    void close_run(const char* next) {
        if (r_.runs.empty()) return;
        ReplayRun& last = r_.runs.back();
        last.until = now().t;
        last.ended_by = ended_.empty() ? next : ended_;
        last.ended_at = ended_.empty() ? now() : ended_at_;
        ra0_close(ra0_, r_.ra0_lane, last.figures, now().t);
        if (last.debug) last.figures.debug = last.until - last.at.t;
        r_.debug_seconds += last.figures.debug;
    }

    void begin_run(bool start_seen, long pid) {
        settle();
        close_run(start_seen ? "a new start; no line about this run's end"
                             : "a new process; no line about this run's end");
        security_.clear();
        ReplayRun fresh;
        // A run already going when the log begins is there from its first line.
        fresh.at = start_seen || !r_.runs.empty() ? now() : r_.first;
        ra0_run_begins(ra0_, fresh.at.t, start_seen);
        fresh.start_seen = start_seen;
        fresh.pid = pid;
        ended_.clear();
        // The first runs are kept, and the latest: it takes the last place.
        ++r_.run_count;
        if (r_.runs.size() == kKeptRuns) r_.runs.pop_back();
        r_.runs.push_back(std::move(fresh));
        pid_ = pid;
        debug_live_ = false;
        sleeptime_ = -1;
        pending_retune_ = false;
        channel_known_ = false;
        window_at_ = -1;
    }

    ReplayRun& run() {
        if (r_.runs.empty()) begin_run(false, pid_);
        return r_.runs.back();
    }

    void switch_ra0(bool on) { ra0_gate(ra0_, r_.ra0_lane, run().figures, now().t, on); }

    // A channel told now: a change is counted, and kept among the first;
    // a second one at the same moment replaces the first.
    void set_channel(std::vector<std::pair<long, int>>& lane, long& count, std::pair<long, int>& latest, int channel) {
        if (count > 0 && latest.first == now().t) {
            latest.second = channel;
            if (count == static_cast<long>(lane.size())) lane.back() = latest;
        } else if (count == 0 || latest.second != channel) {
            latest = {now().t, channel};
            keep_event(lane, count, latest);
        }
    }

    // The latest recovery's outcome, counted, and kept where it is.
    void finish_recovery(Outcome outcome) {
        if (!open_recovery_) return;
        --r_.outcomes[static_cast<int>(Outcome::Unfinished)];
        ++r_.outcomes[static_cast<int>(outcome)];
        if (r_.recovery_count == static_cast<long>(r_.recoveries.size())) r_.recoveries.back().outcome = outcome;
        open_recovery_ = outcome == Outcome::Unfinished;
    }

    // One handler per kind of line. The switch names every kind and has no
    // default: with -Wswitch (in -Wall) and -Werror, a line added to the
    // daemon's list does not compile until it is handled here.
    void own_line(LogMsg msg, long pid, std::string_view text) {
        const bool was_pending = pending_retune_;
        pending_retune_ = false;
        switch (msg) {
            case LogMsg::Usage: startup_error(pid, "the usage text (wrong arguments)"); break;
            case LogMsg::LooptimeLow:
            case LogMsg::LooptimeHigh:
            case LogMsg::SleeptimeNegative:
            case LogMsg::NotRepeater: startup_error(pid, shown_text(text)); break;
            case LogMsg::Start: start(pid); break;
            case LogMsg::NotEnabled: gave_up(shown_text(text)); break;
            case LogMsg::ApEnable: switch_ra0(true); break;
            case LogMsg::ApDisable: switch_ra0(false); break;
            case LogMsg::NoWindowMemory: error(msg, reprinted(kNoWindowMemoryError, {std::string(fields_[0])})); break;
            case LogMsg::WindowHead: window(); break;
            case LogMsg::Scanning: scanning(); break;
            case LogMsg::Current: current(); break;
            case LogMsg::FoundAp: found_ap(); break;
            case LogMsg::HiddenEntry: hidden_entry(); break;
            case LogMsg::ModeChanged: mode_changed(); break;
            case LogMsg::Remembered: remembered(); break;
            case LogMsg::HiddenConnected: recovery_ended(Outcome::HiddenConnected); break;
            case LogMsg::NoHidden:
            case LogMsg::HiddenNone: nothing_found(); break;
            case LogMsg::Disconnect:
            case LogMsg::ModeSame:
            case LogMsg::NotBroadcast:
            case LogMsg::HiddenCount:
            case LogMsg::HiddenSame:
            case LogMsg::LinkWait: debug_seen(); break;
            case LogMsg::StoreUnreadable: store_unreadable(was_pending); break;
            case LogMsg::InvalidKey: error(msg, reprinted(log_format(msg).format, {shown_text(fields_[0])})); break;
            case LogMsg::UnsupportedMode:
                error(msg, reprinted(kUnsupportedModeError, {shown_text(fields_[0]), shown_text(fields_[1])}));
                break;
            case LogMsg::StoreFileUnreadable:
                error(msg, reprinted(log_format(msg).format, {shown_text(fields_[0])}));
                break;
        }
    }

    // A start-up error, or the usage text: a run that ended at once.
    void startup_error(long pid, const std::string& why) {
        begin_run(false, pid);
        gave_up(why);
    }

    void start(long pid) {
        begin_run(true, pid);
        run().looptime = to_int(fields_[0]);
        run().sleeptime = to_int(fields_[1]);
        sleeptime_ = std::max(0, run().sleeptime);
    }

    void window() {
        debug_seen();
        const bool up = to_int(fields_[1]) == 1;
        // A window line a second after the run's last one tells the second
        // between; a longer silence (a survey, the pause after a recovery,
        // the clock set) tells nothing of the uplink.
        if (window_at_ >= 0 && now().t - window_at_ <= kDebugQuiet) {
            const long seconds = now().t - window_at_;
            r_.link_known += seconds;
            if (window_up_) r_.link_up += seconds;
            lane_add(r_.link_lane, window_at_, now().t, window_up_, false);
            run().figures.link_known += seconds;
            if (window_up_) run().figures.link_up += seconds;
        }
        ra0_sample(ra0_, to_int(fields_[1]));
        window_at_ = now().t;
        window_up_ = up;
    }

    void scanning() {
        debug_seen();
        finish_recovery(Outcome::Unfinished);
        keep_event(r_.recoveries, r_.recovery_count, {now(), Outcome::Unfinished});
        ++r_.outcomes[static_cast<int>(Outcome::Unfinished)];
        open_recovery_ = true;
        ++run().figures.recoveries;
    }

    void current() {
        debug_seen();
        std::string security = shown_text(std::string(fields_[0]) + "/" + std::string(fields_[1]));
        if (!security_.empty() && security != security_ && last_apply_.t >= 0) {
            keep_event(r_.security, r_.security_count, {last_apply_, security});
        }
        security_ = security;
        pending_security_.clear();
        set_channel(r_.channel, r_.channel_count, channel_latest_, to_int(fields_[2]));
        channel_known_ = true;
    }

    void found_ap() {
        debug_seen();
        candidate_ = to_int(fields_[2]);
        candidate_security_ = applied_security(fields_[4], fields_[5]);
        via_ = "upstream";
        set_channel(r_.upstream, r_.upstream_count, upstream_latest_, candidate_);
        finish_recovery(Outcome::UpstreamFound);
    }

    void hidden_entry() {
        debug_seen();
        candidate_ = to_int(fields_[5]);
        // The matcher cuts "AUTH/ENC" at the first slash; the vocabulary knows better.
        std::string_view auth = fields_[3], enc = fields_[4];
        const std::string_view joined(auth.data(), static_cast<std::size_t>(enc.data() + enc.size() - auth.data()));
        split_security(joined, auth, enc);
        candidate_security_ = applied_security(auth, enc);
        via_ = shown_text(fields_[2]);
    }

    void mode_changed() {
        debug_seen();
        const int from = r_.channel_count == 0 || !channel_known_ ? -1 : channel_latest_.second;
        last_moved_ = from != candidate_;
        if (last_moved_) ++r_.move_count;
        keep_event(r_.retunes, r_.retune_count, {now(), candidate_, from, via_});
        channel_known_ = true;
        last_apply_ = now();
        // Whether the client followed shows in the next settings line.
        pending_security_ = security_.empty() || candidate_security_ == security_ ? "" : candidate_security_;
        set_channel(r_.channel, r_.channel_count, channel_latest_, candidate_);
        pending_retune_ = true;
    }

    void remembered() {
        debug_seen();
        const std::string bssid = shown_text(fields_[0]);
        if (bssid != remembered_) keep_event(r_.remembered, r_.remembered_count, {now(), bssid}, true);
        remembered_ = bssid;
    }

    void recovery_ended(Outcome outcome) {
        debug_seen();
        finish_recovery(outcome);
    }

    void nothing_found() {
        recovery_ended(Outcome::NothingFound);
        sleeptime_ = std::max(0, to_int(fields_[0]));
    }

    // The store could not be read: the re-tune just told did not happen.
    void store_unreadable(bool after_retune) {
        if (after_retune) {
            if (r_.retune_count-- == static_cast<long>(r_.retunes.size())) r_.retunes.pop_back();
            if (last_moved_) --r_.move_count;
        }
        error(LogMsg::StoreUnreadable,
              std::string(kPrefix) + reprinted(kStoreUnreadableError, {std::string(fields_[0])}));
    }

    void error(LogMsg msg, std::string text) {
        ++r_.error_count;
        if (r_.errors.size() < kKeptErrors) r_.errors.push_back({now(), msg, std::move(text)});
    }

    void gave_up(const std::string& why) {
        run().ended_at_start = why;
        ended_ = "ended at start-up: " + why;
        ended_at_ = now();
    }

    void debug_seen() {
        r_.any_debug = true;
        run().debug = true;
        debug_live_ = true;
    }

    Replay& r_;
    std::vector<std::string_view> fields_;
    ReplayClock clock_;
    Ra0Watch ra0_;
    bool window_last_ = false;  // relaywatch's last line was its window line
    long pid_ = -1;
    long sleeptime_ = -1;  // the run's pause after a recovery; -1 not yet known
    bool debug_live_ = false;
    std::string ended_;
    LogMoment ended_at_;
    int candidate_ = 0;
    std::string via_;
    bool pending_retune_ = false;
    bool last_moved_ = false;                                // the latest re-tune changed ra0's channel
    bool open_recovery_ = false;                             // the latest recovery has no outcome yet
    std::pair<long, int> channel_latest_, upstream_latest_;  // the latest (t, channel) told
    bool channel_known_ = false;                             // a debug line of this run told ra0's channel
    long window_at_ = -1;                                    // the run's last window line; -1 none yet
    bool window_up_ = false;                                 // the uplink's sample in it
    LogMoment last_apply_{-1, 0};
    std::string security_, remembered_ = "0";
    std::string candidate_security_, pending_security_;
};

}  // namespace

Replay replay_log(std::FILE* in, const std::string& name) {
    Replay r;
    Reader reader(r);
    LogLines lines(in);
    std::string_view text;
    while (lines.next(text)) {
        if (lines.binary()) {
            r.error = located(name, static_cast<int>(lines.number()),
                              "holds a NUL byte or other binary data; a system log is text");
            return r;
        }
        reader.line(parse_log_line(text));
    }
    reader.finish();
    if (std::ferror(in)) {
        r.error = located(name, 0, "cannot be read to its end");
        return r;
    }
    r.truncated = lines.truncated();
    if (r.lines == r.unstamped) {
        r.error = located(name, 0,
                          r.lines == 0 ? "is empty; there is nothing to replay"
                                       : "has no line with a date and time; a replay needs the log's timestamps");
    }
    return r;
}

}  // namespace rwsim
