// SPDX-License-Identifier: ISC
// The summary of a replayed log: the same figures a simulated run ends
// with, where the log tells them, every moment in the router's own time.
#include <algorithm>
#include <cstddef>

#include "sim/common/text.h"
#include "sim/replay/replay.h"
#include "sim/replay/replay_clock.h"
#include "sim/syslog/log_read.h"

namespace rwsim {

namespace {

// Entries listed word for word under each heading; the rest are counted.
constexpr std::size_t kListed = 20;

using Outage = Ra0Outage;

std::vector<Outage> outages(const Replay& r) {
    std::vector<Outage> list;
    bool up = r.ra0_up_at_first;
    Outage open{r.first, 0, true, false};
    for (const OnOffChange& s : r.ra0) {
        if (s.on == up) continue;
        up = s.on;
        if (!up) {
            open = {{s.t, s.wall}, 0, false, false};
        } else {
            open.length = s.t - open.at.t;
            if (open.length > 0) list.push_back(open);  // off and on in one second: no outage
        }
    }
    // With switches folded, the fold ends (or holds) the last one open.
    if (!up && r.ra0_folded.switches == 0) {
        open.length = r.last.t - open.at.t;
        open.at_log_end = true;
        if (open.length > 0) list.push_back(open);
    }
    return list;
}

class Summary {
public:
    Summary(std::ostream& out, const std::string& name, const Replay& r) : out_(out), name_(name), r_(r) {}

    void print() {
        out_ << "--- replay: " << shown_text(name_) << " ---\n";
        out_ << "log span               " << when(r_.first) << " to " << when(r_.last) << " ("
             << format_duration(r_.last.t) << ")\n";
        out_ << "lines                  " << r_.lines << ", of them " << r_.own_lines << " of relaywatch";
        if (r_.unstamped > 0) out_ << "; " << r_.unstamped << " without a date and time (passed over)";
        if (r_.truncated > 0) out_ << "; " << r_.truncated << " truncated (cut at 4096 bytes)";
        out_ << "\n";
        if (!r_.years_given)
            out_ << "year                   not in the log; December into January counts as a new year\n";
        runs();
        jumps();
        ra0();
        if (!r_.any_debug) {
            out_ << "not in the log         recoveries, channels, client security, remembered BSSID and the uplink:\n"
                 << "                       relaywatch tells them only with debug\n";
        } else {
            debug_part();
        }
        errors();
        unrecognised();
    }

private:
    std::string when(const LogMoment& m) const { return router_time(m.wall, r_.years_given); }

    template <typename T, typename Show>
    void listed(const std::vector<T>& list, Show show) {
        for (std::size_t i = 0; i < list.size() && i < kListed; ++i)
            out_ << "  " << when(list[i].at) << "  " << show(list[i]) << "\n";
        if (list.size() > kListed) out_ << "  ... and " << list.size() - kListed << " more\n";
    }

    void runs() {
        out_ << "relaywatch runs        " << r_.runs.size() << "\n";
        for (std::size_t i = 0; i < r_.runs.size() && i < kListed; ++i) {
            const ReplayRun& run = r_.runs[i];
            std::string what =
                run.start_seen ? "started: relaywatch " + std::to_string(run.looptime) + " " +
                                     std::to_string(run.sleeptime) + (run.debug ? " debug" : "")
                               : (i == 0 ? "running when the log begins" : "a new process, its start not in the log");
            if (run.pid >= 0) what += " (pid " + std::to_string(run.pid) + ")";
            if (!run.ended_at_start.empty()) what += "; ended at start-up: " + run.ended_at_start;
            out_ << "  " << when(run.at) << "  " << what << "\n";
            if (i > 0) {
                out_ << "  " << pad("", when(run.at).size()) << "  before it: "
                     << (run.ended_before.empty() ? "what ended the run before is not in the log" : run.ended_before)
                     << "\n";
            }
        }
        if (r_.runs.size() > kListed) out_ << "  ... and " << r_.runs.size() - kListed << " more\n";
    }

    void jumps() {
        if (r_.back_jumps.empty() && r_.forward_jumps.empty()) return;
        out_ << "clock jumps            " << r_.back_jumps.size() << " back, " << r_.forward_jumps.size()
             << " forward (counted as no time)\n";
        listed(clock_steps(r_), [this](const ClockJump& j) { return clock_step_text(j, r_.years_given); });
    }

    void ra0() {
        // Without a gate line or a start (which always takes ra0 down), the
        // log tells nothing of ra0: no figure rather than 0 %.
        if (!ra0_known(r_)) {
            out_ << "own AP (ra0)           not in the log: no AP enable or AP disable line, and no start\n";
            return;
        }
        const long span = r_.last.t, up = ra0_up_seconds(r_);
        out_ << "own AP (ra0) up       " << percent(up, span, 1, 5) << " %  (" << up << " s of " << span << " s)\n";
        const std::vector<Outage> list = outages(r_);
        const Ra0Figures all = ra0_figures(r_);
        out_ << "ra0 outages            " << all.outages;
        if (all.outages > 0) out_ << ", the longest " << format_duration(all.longest);
        out_ << "\n";
        listed(list, [this](const Outage& o) {
            return length_told(r_, o.at.t, o.at.t + o.length) + (o.at_log_start ? " (from the start of the log)" : "") +
                   (o.at_log_end ? " (to the end of the log)" : "");
        });
        if (r_.ra0_folded.switches > 0) {
            out_ << "  ... of them " << all.outages - static_cast<long>(list.size()) << " in the "
                 << r_.ra0_folded.switches << " switches after the first " << kKeptSwitches
                 << " (counted, neither listed nor drawn)\n";
        }
    }

    void debug_part() {
        long found = 0, hidden = 0, nothing = 0, open = 0;
        for (const LoggedRecovery& rc : r_.recoveries) {
            found += rc.outcome == Outcome::UpstreamFound;
            hidden += rc.outcome == Outcome::HiddenConnected;
            nothing += rc.outcome == Outcome::NothingFound;
            open += rc.outcome == Outcome::Unfinished;
        }
        out_ << "recoveries run         " << r_.recoveries.size() << " (site surveys): " << found << " upstream found, "
             << hidden << " hidden AP connected, " << nothing << " nothing found";
        if (open > 0) out_ << ", " << open << " without an outcome in the log";
        out_ << "\n";
        debug_coverage();
        channels();
        out_ << "client security        " << r_.security.size() << " re-programming"
             << (r_.security.size() == 1 ? "" : "s") << "\n";
        listed(r_.security, [](const LoggedText& n) { return "to " + n.text; });
        out_ << "remembered BSSID       " << (r_.remembered.empty() ? "none logged" : r_.remembered.back().text)
             << "\n";
        if (r_.remembered.size() > 1) listed(r_.remembered, [](const LoggedText& n) { return n.text; });
        if (!r_.link.empty()) {
            out_ << "uplink connected      " << percent(r_.link_up, r_.link_known, 1, 5) << " %  (" << r_.link_up
                 << " s of the " << r_.link_known << " s that the window lines of a run tell)\n";
        }
    }

    // The recoveries, channels and client security are told only by the
    // runs with debug: the stretch they cover, and what they leave out.
    void debug_coverage() {
        long with = 0;
        for (std::size_t i = 0; i < r_.runs.size(); ++i) {
            const long end = i + 1 < r_.runs.size() ? r_.runs[i + 1].at.t : r_.last.t;
            if (r_.runs[i].debug) with += end - r_.runs[i].at.t;
        }
        const long without = r_.last.t - with;
        if (without <= 0) return;
        out_ << "                       in the " << format_duration(with) << " of runs with debug; "
             << format_duration(without) << " without debug not counted\n";
    }

    // ra0's moves from one channel to another, apart from the
    // re-programmings that kept the channel it had.
    void channels() {
        std::vector<Retune> moves;
        for (const Retune& t : r_.retunes) {
            if (t.from != t.channel) moves.push_back(t);
        }
        const std::size_t kept = r_.retunes.size() - moves.size();
        out_ << "ra0 channel moves      " << moves.size();
        if (kept > 0) out_ << "; " << kept << " re-programming" << (kept == 1 ? "" : "s") << " kept the channel";
        out_ << "\n";
        listed(moves, [](const Retune& t) {
            return (t.from < 0 ? "ra0 (channel before not logged)" : "ra0 from channel " + std::to_string(t.from)) +
                   " to channel " + std::to_string(t.channel) +
                   (t.via == "upstream" ? " (the upstream)" : " (hidden AP " + t.via + ")");
        });
    }

    void errors() {
        out_ << "errors                 " << r_.errors.size() << "\n";
        listed(r_.errors, [](const LoggedError& n) { return n.text; });
    }

    // relaywatch's lines that no format of the daemon's matches, the first
    // few whole.
    void unrecognised() {
        if (r_.unrecognised == 0) return;
        const long kept = static_cast<long>(r_.unrecognised_lines.size());
        out_ << "unrecognised lines     " << r_.unrecognised << " of relaywatch's match no line of the daemon's";
        if (r_.unrecognised_cut > 0) out_ << " (" << r_.unrecognised_cut << " cut short)";
        out_ << "\n";
        for (const LoggedText& l : r_.unrecognised_lines) out_ << "  " << when(l.at) << "  " << l.text << "\n";
        if (r_.unrecognised > kept) out_ << "  ... and " << r_.unrecognised - kept << " more\n";
    }

    std::ostream& out_;
    const std::string& name_;
    const Replay& r_;
};

}  // namespace

bool ra0_known(const Replay& replay) {
    return !replay.ra0.empty() ||
           std::any_of(replay.runs.begin(), replay.runs.end(), [](const ReplayRun& run) { return run.start_seen; });
}

std::vector<Ra0Outage> ra0_outages(const Replay& replay) {
    return outages(replay);
}

Ra0Figures ra0_figures(const Replay& replay) {
    Ra0Figures f;
    const std::vector<Outage> list = outages(replay);
    for (const Outage& o : list) {
        f.down += o.length;
        f.longest = std::max(f.longest, o.length);
    }
    f.outages = static_cast<long>(list.size());
    const SwitchFold& fold = replay.ra0_folded;
    if (fold.switches == 0) return f;
    f.outages += fold.outages;
    f.down += fold.down;
    f.longest = std::max(f.longest, fold.longest);
    const long open = replay.last.t - fold.since;
    if (!fold.on && open > 0) {
        ++f.outages;
        f.down += open;
        f.longest = std::max(f.longest, open);
    }
    return f;
}

long ra0_up_seconds(const Replay& replay) {
    return replay.last.t - ra0_figures(replay).down;
}

void print_replay_summary(std::ostream& out, const std::string& name, const Replay& replay) {
    Summary(out, name, replay).print();
}

}  // namespace rwsim
