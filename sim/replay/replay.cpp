#include "sim/replay/replay.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "sim/replay/log_formats.h"
#include "sim/replay/format_match.h"
#include "sim/syslog/log_read.h"
#include "sim/common/text.h"
#include "supervisor/supervisor.h"
#include "survey/vocabulary.h"

namespace rwsim {

namespace {

constexpr std::string_view kTag = "relaywatch";
constexpr std::string_view kPrefix = RW_LOG_PREFIX;

// A debug run prints a line every second; it is quiet at most for a survey
// whose output never opens (about half a minute) and the pause after a
// recovery. A longer gap in a debug run whose pause is known (from its start
// line or a "delay" line) is the clock jumping forward.
constexpr long kDebugQuiet = 60;
// A longer silence between two lines is the clock set forward, not a quiet
// stretch, with or without debug lines.
constexpr WallTime kLongestQuiet = 366LL * 86400;

// Year of a log whose stamps carry none: a leap year, so that 29 February
// stays a date.
constexpr int kYearlessBase = 2000;

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
    static constexpr std::string_view kAuths[] = {vocab::kAuthOpen, vocab::kAuthWpaPsk, vocab::kAuthWpa2Psk, vocab::kAuthMixed,
                                                  vocab::kAuthNotSupport};
    static constexpr std::string_view kEncs[] = {vocab::kEncNone, vocab::kEncWep, vocab::kEncTkipAes, vocab::kEncTkip,
                                                 vocab::kEncAes, vocab::kEncEmpty};
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

    // The router's clock to the log's: the year inferred, jumps noted.
    void clock(const LogLine& line, bool own_start) {
        const LogStamp& s = line.stamp;
        int year = s.year;
        if (year != 0) {
            r_.years_given = true;
        } else if (!started_) {
            year = kYearlessBase;
        } else {
            year = year_;
            if (s.month < month_ - 6) ++year;  // December into January
            if (s.month > month_ + 6) --year;  // the clock set back over a new year
        }
        year_ = year;
        month_ = s.month;
        const WallTime wall = days_from_civil(year, s.month, s.day) * 86400 + s.hour * 3600LL + s.minute * 60LL + s.second;
        if (!started_) {
            started_ = true;
            r_.first = {0, wall};
        } else if (wall < last_wall_) {
            r_.back_jumps.push_back({{now_, wall}, last_wall_});
        } else if (wall - last_wall_ > kLongestQuiet ||
                   (sleeptime_ >= 0 && wall - last_wall_ > kDebugQuiet + sleeptime_ && debug_live_ && !own_start)) {
            r_.forward_jumps.push_back({{now_ + 1, wall}, last_wall_});
            now_ += 1;
        } else {
            now_ += static_cast<long>(wall - last_wall_);
        }
        last_wall_ = wall;
        r_.last = {now_, wall};
    }

    void line(const LogLine& line) {
        ++r_.lines;
        if (!line.stamped) {
            ++r_.unstamped;
            return;
        }
        const bool own = line.tag == kTag;
        std::string_view text = line.message;
        const bool prefixed = own && text.substr(0, kPrefix.size()) == kPrefix;
        const LogFormat* format = own ? recognise(text, prefixed) : nullptr;
        // A new process id, or relaywatch's first line without one (the sysv
        // script's `logger -t relaywatch`), begins a run unless a start does.
        const bool new_process = own && !runs_open_by_start(format) &&
                                 ((line.pid >= 0 && line.pid != pid_) || r_.runs.empty());
        clock(line, format != nullptr && format->msg == LogMsg::Start);
        if (!own) {
            if (tells_end(line.message) && !r_.runs.empty() && ended_.empty()) {
                ended_ = shown_text(std::string(line.tag) + ": " + std::string(line.message));
                debug_live_ = false;
            }
            return;
        }
        ++r_.own_lines;
        if (new_process) begin_run(false, line.pid);
        if (format == nullptr) return;
        own_line(*format, line.pid, text);
    }

private:
    static bool runs_open_by_start(const LogFormat* format) {
        return format != nullptr && (format->msg == LogMsg::Start || format->msg == LogMsg::LooptimeLow ||
                                     format->msg == LogMsg::LooptimeHigh || format->msg == LogMsg::SleeptimeNegative ||
                                     format->msg == LogMsg::NotRepeater || format->msg == LogMsg::Usage);
    }

    const LogFormat* recognise(std::string_view text, bool prefixed) {
        if (prefixed) text.remove_prefix(kPrefix.size());
        for (const LogFormat& f : kLogFormats) {
            if (f.msg == LogMsg::WindowHead) {
                // Printed with the prefix in its format, and the slots after it.
                if (prefixed && match_format(std::string_view(f.format).substr(kPrefix.size()), text, fields_, true)) return &f;
                continue;
            }
            if (f.prefixed == prefixed && match_format(f.format, text, fields_)) return &f;
        }
        // The usage text's first line.
        if (!prefixed && text == "Usage:") {
            fields_.clear();
            return &kLogFormats[0];
        }
        return nullptr;
    }

    LogMoment now() const { return r_.last; }

    void begin_run(bool start_seen, long pid) {
        settle();
        security_.clear();
        ReplayRun run;
        // A run already going when the log begins is there from its first line.
        run.at = start_seen || !r_.runs.empty() ? now() : r_.first;
        run.start_seen = start_seen;
        run.pid = pid;
        if (!r_.runs.empty()) run.ended_before = ended_;
        ended_.clear();
        r_.runs.push_back(run);
        pid_ = pid;
        debug_live_ = false;
        sleeptime_ = -1;
        pending_retune_ = false;
    }

    ReplayRun& run() {
        if (r_.runs.empty()) begin_run(false, pid_);
        return r_.runs.back();
    }

    void note(std::vector<LoggedText>& list, std::string text) { list.push_back({now(), std::move(text)}); }

    void switch_ra0(bool on) {
        if (r_.ra0.empty() && !on && !run().start_seen) r_.ra0_up_at_first = true;
        if (r_.ra0.empty() ? on != r_.ra0_up_at_first : r_.ra0.back().on != on) r_.ra0.push_back({now().t, on, now().wall});
    }

    void set_channel(std::vector<std::pair<long, int>>& lane, int channel) {
        if (lane.empty() || lane.back().second != channel || lane.back().first == now().t) {
            if (!lane.empty() && lane.back().first == now().t) lane.pop_back();
            lane.push_back({now().t, channel});
        }
    }

    void finish_recovery(Outcome outcome) {
        if (!r_.recoveries.empty() && r_.recoveries.back().outcome == Outcome::Unfinished) r_.recoveries.back().outcome = outcome;
    }

    void own_line(const LogFormat& f, long pid, std::string_view text) {
        const bool was_pending = pending_retune_;
        pending_retune_ = false;
        switch (f.msg) {
            case LogMsg::Usage:
            case LogMsg::LooptimeLow:
            case LogMsg::LooptimeHigh:
            case LogMsg::SleeptimeNegative:
            case LogMsg::NotRepeater:
                begin_run(false, pid);
                gave_up(f.msg == LogMsg::Usage ? "the usage text (wrong arguments)" : shown_text(text));
                break;
            case LogMsg::Start:
                begin_run(true, pid);
                run().looptime = to_int(fields_[0]);
                run().sleeptime = to_int(fields_[1]);
                sleeptime_ = std::max(0, run().sleeptime);
                break;
            case LogMsg::NotEnabled:
                gave_up(shown_text(text));
                break;
            case LogMsg::ApEnable: switch_ra0(true); break;
            case LogMsg::ApDisable: switch_ra0(false); break;
            case LogMsg::NoWindowMemory: note(r_.errors, "no memory for a window of " + std::string(fields_[0]) + " samples"); break;
            case LogMsg::WindowHead: {
                debug_seen();
                const bool up = to_int(fields_[1]) == 1;
                if (r_.link.empty() || r_.link.back().on != up) r_.link.push_back({now().t, up, now().wall});
                break;
            }
            case LogMsg::Scanning:
                debug_seen();
                finish_recovery(Outcome::Unfinished);
                r_.recoveries.push_back({now(), Outcome::Unfinished});
                break;
            case LogMsg::Current: {
                debug_seen();
                std::string security = shown_text(std::string(fields_[0]) + "/" + std::string(fields_[1]));
                if (!security_.empty() && security != security_ && last_apply_.t >= 0) {
                    r_.security.push_back({last_apply_, security});
                }
                security_ = security;
                pending_security_.clear();
                set_channel(r_.channel, to_int(fields_[2]));
                break;
            }
            case LogMsg::FoundAp:
                debug_seen();
                candidate_ = to_int(fields_[2]);
                candidate_security_ = applied_security(fields_[4], fields_[5]);
                via_ = "upstream";
                set_channel(r_.upstream, candidate_);
                finish_recovery(Outcome::UpstreamFound);
                break;
            case LogMsg::HiddenEntry: {
                debug_seen();
                candidate_ = to_int(fields_[5]);
                // The matcher cuts "AUTH/ENC" at the first slash; the vocabulary knows better.
                std::string_view auth = fields_[3], enc = fields_[4];
                const std::string_view joined(auth.data(), static_cast<std::size_t>(enc.data() + enc.size() - auth.data()));
                split_security(joined, auth, enc);
                candidate_security_ = applied_security(auth, enc);
                via_ = shown_text(fields_[2]);
                break;
            }
            case LogMsg::ModeChanged:
                debug_seen();
                r_.retunes.push_back({now(), candidate_, via_});
                last_apply_ = now();
                // Whether the client followed shows in the next settings line.
                pending_security_ = security_.empty() || candidate_security_ == security_ ? "" : candidate_security_;
                set_channel(r_.channel, candidate_);
                pending_retune_ = true;
                break;
            case LogMsg::StoreUnreadable:
                if (was_pending) r_.retunes.pop_back();
                note(r_.errors, std::string(kPrefix) + "error, cannot read " + std::string(fields_[0]) + " from the settings store");
                break;
            case LogMsg::InvalidKey: note(r_.errors, "Invalid Key=" + shown_text(fields_[0])); break;
            case LogMsg::UnsupportedMode:
                note(r_.errors, "Unsupport security mode: " + shown_text(fields_[0]) + " (" + shown_text(fields_[1]) + ")");
                break;
            case LogMsg::Remembered: {
                debug_seen();
                const std::string bssid = shown_text(fields_[0]);
                if (bssid != remembered_) r_.remembered.push_back({now(), bssid});
                remembered_ = bssid;
                break;
            }
            case LogMsg::HiddenConnected: debug_seen(); finish_recovery(Outcome::HiddenConnected); break;
            case LogMsg::NoHidden:
            case LogMsg::HiddenNone:
                debug_seen();
                finish_recovery(Outcome::NothingFound);
                sleeptime_ = std::max(0, to_int(fields_[0]));
                break;
            default: debug_seen(); break;
        }
    }

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
    bool started_ = false;
    int year_ = 0, month_ = 0;
    WallTime last_wall_ = 0;
    long now_ = 0;
    long pid_ = -1;
    long sleeptime_ = -1;  // the run's pause after a recovery; -1 not yet known
    bool debug_live_ = false;
    std::string ended_;
    int candidate_ = 0;
    std::string via_;
    bool pending_retune_ = false;
    LogMoment last_apply_{-1, 0};
    std::string security_, remembered_ = "0";
    std::string candidate_security_, pending_security_;
};

}  // namespace

Replay replay_log(std::FILE* in, const std::string& name) {
    Replay r;
    Reader reader(r);
    LogLines lines(in);
    std::string text;
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
