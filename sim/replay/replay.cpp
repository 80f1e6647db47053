// SPDX-License-Identifier: ISC
#include "sim/replay/replay.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "sim/common/daemon_lines.h"
#include "sim/common/format_match.h"
#include "sim/common/text.h"
#include "sim/replay/replay_clock.h"
#include "sim/syslog/log_read.h"
#include "supervisor/supervisor.h"
#include "survey/vocabulary.h"

namespace rwsim {

namespace {

constexpr std::string_view kTag = "relaywatch";
constexpr std::string_view kPrefix = RW_LOG_PREFIX;

// The client security a candidate is compared and applied with: the
// survey's texts as the recovery cycle normalises them. Texts too long for
// a candidate are no words of the survey's, and stay as the log has them.
std::string applied_security(std::string_view auth, std::string_view enc) {
    Candidate cand{};
    cand.auth.assign(auth);
    cand.enc.assign(enc);
    if (cand.auth.view() == auth && cand.enc.view() == enc) {
        normalise(cand);
        auth = cand.auth.view();
        enc = cand.enc.view();
    }
    return shown_text(std::string(auth) + "/" + std::string(enc));
}

// A hidden entry's "AUTH/ENC" cut where both halves are words of the
// survey's vocabulary (the mixed mode and cipher hold slashes themselves);
// false when no cut makes two such words.
bool split_security(std::string_view joined, std::string_view& auth, std::string_view& enc) {
    static constexpr std::string_view kAuths[] = {vocab::kAuthOpen, vocab::kAuthWpaPsk, vocab::kAuthWpa2Psk,
                                                  vocab::kAuthMixed, vocab::kAuthNotSupport};
    static constexpr std::string_view kEncs[] = {vocab::kEncNone, vocab::kEncWep, vocab::kEncTkipAes,
                                                 vocab::kEncTkip, vocab::kEncAes, vocab::kEncEmpty};
    for (std::size_t cut = joined.find('/'); cut != std::string_view::npos; cut = joined.find('/', cut + 1)) {
        const std::string_view a = joined.substr(0, cut), e = joined.substr(cut + 1);
        bool known_auth = false, known_enc = false;
        for (std::string_view w : kAuths) known_auth = known_auth || a == w;
        for (std::string_view w : kEncs) known_enc = known_enc || e == w;
        if (known_auth && known_enc) {
            auth = a;
            enc = e;
            return true;
        }
    }
    return false;
}

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
    void settle() {
        if (pending_security_.empty()) return;
        r_.security.push_back({last_apply_, pending_security_ + " (likely: the log shows no settings line after it)"});
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
            if (tells_end(line.message) && !r_.runs.empty() && ended_.empty()) {
                ended_ = shown_text(std::string(line.tag) + ": " + std::string(line.message));
                debug_live_ = false;
            }
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

    void begin_run(bool start_seen, long pid) {
        settle();
        security_.clear();
        ReplayRun fresh;
        // A run already going when the log begins is there from its first line.
        fresh.at = start_seen || !r_.runs.empty() ? now() : r_.first;
        fresh.start_seen = start_seen;
        fresh.pid = pid;
        if (!r_.runs.empty()) fresh.ended_before = ended_;
        ended_.clear();
        r_.runs.push_back(fresh);
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

    void switch_ra0(bool on) {
        if (r_.ra0.empty() && !on && !run().start_seen) r_.ra0_up_at_first = true;
        const SwitchFold& fold = r_.ra0_folded;
        const bool was_on = fold.switches > 0 ? fold.on : r_.ra0.empty() ? r_.ra0_up_at_first : r_.ra0.back().on;
        if (was_on == on) return;
        if (r_.ra0.size() < kKeptSwitches) {
            r_.ra0.push_back({now().t, on, now().wall});
            return;
        }
        fold_switch(r_.ra0_folded, r_.ra0.back(), on, now().t);
    }

    // A switch past the kept ones, into the figures.
    static void fold_switch(SwitchFold& fold, const OnOffChange& last_kept, bool on, long t) {
        if (fold.switches == 0) {
            fold.on = last_kept.on;
            fold.since = last_kept.t;
        }
        if (fold.on == on) return;
        ++fold.switches;
        if (on && t > fold.since) {
            ++fold.outages;
            fold.down += t - fold.since;
            fold.longest = std::max(fold.longest, t - fold.since);
        }
        fold.on = on;
        fold.since = t;
    }

    void set_channel(std::vector<std::pair<long, int>>& lane, int channel) {
        if (lane.empty() || lane.back().second != channel || lane.back().first == now().t) {
            if (!lane.empty() && lane.back().first == now().t) lane.pop_back();
            lane.push_back({now().t, channel});
        }
    }

    void finish_recovery(Outcome outcome) {
        if (!r_.recoveries.empty() && r_.recoveries.back().outcome == Outcome::Unfinished)
            r_.recoveries.back().outcome = outcome;
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
            r_.link_known += now().t - window_at_;
            if (window_up_) r_.link_up += now().t - window_at_;
        }
        window_at_ = now().t;
        window_up_ = up;
        if (r_.link.empty() || r_.link.back().on != up) r_.link.push_back({now().t, up, now().wall});
    }

    void scanning() {
        debug_seen();
        finish_recovery(Outcome::Unfinished);
        r_.recoveries.push_back({now(), Outcome::Unfinished});
    }

    void current() {
        debug_seen();
        std::string security = shown_text(std::string(fields_[0]) + "/" + std::string(fields_[1]));
        if (!security_.empty() && security != security_ && last_apply_.t >= 0) {
            r_.security.push_back({last_apply_, security});
        }
        security_ = security;
        pending_security_.clear();
        set_channel(r_.channel, to_int(fields_[2]));
        channel_known_ = true;
    }

    void found_ap() {
        debug_seen();
        candidate_ = to_int(fields_[2]);
        candidate_security_ = applied_security(fields_[4], fields_[5]);
        via_ = "upstream";
        set_channel(r_.upstream, candidate_);
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
        const int from = r_.channel.empty() || !channel_known_ ? -1 : r_.channel.back().second;
        r_.retunes.push_back({now(), candidate_, from, via_});
        channel_known_ = true;
        last_apply_ = now();
        // Whether the client followed shows in the next settings line.
        pending_security_ = security_.empty() || candidate_security_ == security_ ? "" : candidate_security_;
        set_channel(r_.channel, candidate_);
        pending_retune_ = true;
    }

    void remembered() {
        debug_seen();
        const std::string bssid = shown_text(fields_[0]);
        if (bssid != remembered_) r_.remembered.push_back({now(), bssid});
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
        if (after_retune) r_.retunes.pop_back();
        error(LogMsg::StoreUnreadable,
              std::string(kPrefix) + reprinted(kStoreUnreadableError, {std::string(fields_[0])}));
    }

    void error(LogMsg msg, std::string text) { r_.errors.push_back({now(), msg, std::move(text)}); }

    void gave_up(const std::string& why) {
        run().ended_at_start = why;
        ended_ = "ended at start-up: " + why;
    }

    void debug_seen() {
        r_.any_debug = true;
        run().debug = true;
        debug_live_ = true;
    }

    Replay& r_;
    std::vector<std::string_view> fields_;
    ReplayClock clock_;
    bool window_last_ = false;  // relaywatch's last line was its window line
    long pid_ = -1;
    long sleeptime_ = -1;  // the run's pause after a recovery; -1 not yet known
    bool debug_live_ = false;
    std::string ended_;
    int candidate_ = 0;
    std::string via_;
    bool pending_retune_ = false;
    bool channel_known_ = false;  // a debug line of this run told ra0's channel
    long window_at_ = -1;         // the run's last window line; -1 none yet
    bool window_up_ = false;      // the uplink's sample in it
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
    reader.settle();
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
