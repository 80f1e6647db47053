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

// The moment of the replay's time `t`: the router's time by its clock steps.
LogMoment moment_at(const Replay& r, long t) {
    LogMoment m{t, r.first.wall + t};
    for (const ClockJump& j : clock_steps(r)) {
        if (j.at.t <= t) m.wall = j.at.wall + (t - j.at.t);
    }
    return m;
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

    // The first kListed of a list, and how many more of its `total` (the
    // list's size, or more where the replay counted what it did not keep).
    template <typename T, typename Show>
    void listed(const std::vector<T>& list, Show show, long total = -1) {
        std::size_t i = 0;
        for (; i < list.size() && i < kListed; ++i) out_ << "  " << when(list[i].at) << "  " << show(list[i]) << "\n";
        const long more = std::max(total, static_cast<long>(list.size())) - static_cast<long>(i);
        if (more > 0) out_ << "  ... and " << more << " more\n";
    }

    void runs() {
        out_ << "relaywatch runs        " << r_.run_count << "\n";
        const std::size_t shown = std::min(r_.runs.size(), kListed);
        for (std::size_t i = 0; i < shown; ++i) run(r_.runs[i], i == 0);
        if (r_.run_count > static_cast<long>(shown)) out_ << "  ... and " << r_.run_count - shown << " more\n";
    }

    // A run: its start, what ended it, its own figures where there are
    // others, and the other programs' lines about it.
    void run(const ReplayRun& run, bool first) {
        std::string what = run.start_seen
                               ? "started: relaywatch " + std::to_string(run.looptime) + " " +
                                     std::to_string(run.sleeptime) + (run.debug ? " debug" : "")
                               : (first ? "running when the log begins" : "a new process, its start not in the log");
        if (run.pid >= 0) what += " (pid " + std::to_string(run.pid) + ")";
        const std::string pad_(when(run.at).size() + 2, ' ');
        out_ << "  " << when(run.at) << "  " << what << "\n";
        out_ << "  " << pad_ << "ended " << when(run.ended_at) << ": "
             << (run.ended_at_start.empty() ? run.ended_by : "at start-up: " + run.ended_at_start) << "\n";
        if (r_.run_count > 1) out_ << "  " << pad_ << run_figures(run) << "\n";
        for (const LoggedText& l : run.instance_lines) out_ << "    " << when(l.at) << "  " << l.text << "\n";
        const long more = run.instance_count - static_cast<long>(run.instance_lines.size());
        if (more > 0) out_ << "    ... and " << more << " more\n";
    }

    std::string run_figures(const ReplayRun& run) const {
        const RunFigures& f = run.figures;
        std::string text = "over " + format_duration(run.until - run.at.t) + ": ra0 ";
        text += f.ra0_known == 0
                    ? "not in the log"
                    : "up " + percent(f.ra0_up, f.ra0_known, 1) + " % of the " + format_duration(f.ra0_known) +
                          " it tells" +
                          (f.ra0_inferred > 0 ? " (" + format_duration(f.ra0_inferred) + " inferred)" : "");
        if (!run.debug) return text + "; no debug";
        text += "; " + std::to_string(f.recoveries) + " recover" + (f.recoveries == 1 ? "y" : "ies");
        if (f.link_known > 0)
            text += "; uplink " + percent(f.link_up, f.link_known, 1) + " % of " + format_duration(f.link_known);
        return text;
    }

    void jumps() {
        if (r_.back_count == 0 && r_.forward_count == 0) return;
        out_ << "clock jumps            " << r_.back_count << " back, " << r_.forward_count
             << " forward (counted as no time)\n";
        listed(
            clock_steps(r_), [this](const ClockJump& j) { return clock_step_text(j, r_.years_given); },
            r_.back_count + r_.forward_count);
    }

    // A lane's figure names what it covers, and how much of it only the
    // daemon's rules tell.
    std::string covered(long known, long inferred) const {
        if (inferred == 0) return "logged";
        if (inferred == known) return "inferred from the daemon's rules";
        return format_duration(inferred) + " of it inferred from the daemon's rules";
    }

    void untold(long known, const char* what) {
        if (known < r_.last.t)
            out_ << "                       " << format_duration(r_.last.t - known) << " " << what << "\n";
    }

    void ra0() {
        const Lane& lane = r_.ra0_lane;
        if (lane.known == 0) {
            out_ << "own AP (ra0)           not in the log: no AP enable or AP disable line, no start, and no run of\n"
                 << "                       window lines that shows it\n";
            return;
        }
        out_ << "own AP (ra0) up        " << percent(lane.on, lane.known, 1) << " % of the "
             << format_duration(lane.known) << " the log tells (" << covered(lane.known, lane.inferred) << ")\n";
        untold(lane.known, "the log does not tell");
        std::vector<Outage> list = ra0_outages(r_);
        out_ << "ra0 outages            " << lane.offs;
        if (lane.offs > 0) out_ << ", the longest " << format_duration(lane.longest_off);
        out_ << "\n";
        listed(
            list,
            [this](const Outage& o) {
                return length_told(r_, o.at.t, o.at.t + o.length) +
                       (o.at_log_start ? " (from the start of the log)" : "") +
                       (o.at_log_end ? " (to the end of the log)" : "");
            },
            lane.offs);
    }

    void debug_part() {
        const auto outcomes = [this](Outcome o) { return r_.outcomes[static_cast<int>(o)]; };
        const long found = outcomes(Outcome::UpstreamFound), hidden = outcomes(Outcome::HiddenConnected),
                   nothing = outcomes(Outcome::NothingFound), open = outcomes(Outcome::Unfinished);
        out_ << "recoveries run         " << r_.recovery_count << " (site surveys) in the "
             << format_duration(r_.debug_seconds) << " with debug";
        if (r_.debug_seconds < r_.last.t)
            out_ << "; " << format_duration(r_.last.t - r_.debug_seconds) << " without debug not counted";
        out_ << "\n                       " << found << " upstream found, " << hidden << " hidden AP connected, "
             << nothing << " nothing found";
        if (open > 0) out_ << ", " << open << " without an outcome in the log";
        out_ << "\n";
        channels();
        out_ << "client security        " << r_.security_count << " re-programming"
             << (r_.security_count == 1 ? "" : "s") << "\n";
        listed(
            r_.security, [](const LoggedText& n) { return "to " + n.text; }, r_.security_count);
        out_ << "remembered BSSID       " << (r_.remembered.empty() ? "none logged" : r_.remembered.back().text)
             << "\n";
        if (r_.remembered_count > 1)
            listed(
                r_.remembered, [](const LoggedText& n) { return n.text; }, r_.remembered_count);
        const Lane& link = r_.link_lane;
        if (link.known == 0) {
            out_ << "uplink                 not in the log: no two window lines of a run a pass apart\n";
            return;
        }
        out_ << "uplink connected       " << percent(link.on, link.known, 1) << " % of the "
             << format_duration(link.known) << " with window lines (logged)\n";
        untold(link.known, "without window lines not counted");
    }

    // ra0's moves from one channel to another, apart from the
    // re-programmings that kept the channel it had.
    void channels() {
        std::vector<Retune> moves;
        for (const Retune& t : r_.retunes) {
            if (t.from != t.channel) moves.push_back(t);
        }
        const long kept = r_.retune_count - r_.move_count;
        out_ << "ra0 channel moves      " << r_.move_count;
        if (kept > 0) out_ << "; " << kept << " re-programming" << (kept == 1 ? "" : "s") << " kept the channel";
        out_ << "\n";
        listed(
            moves,
            [](const Retune& t) {
                return (t.from < 0 ? "ra0 (channel before not logged)" : "ra0 from channel " + std::to_string(t.from)) +
                       " to channel " + std::to_string(t.channel) +
                       (t.via == "upstream" ? " (the upstream)" : " (hidden AP " + t.via + ")");
            },
            r_.move_count);
    }

    void errors() {
        out_ << "errors                 " << r_.error_count << "\n";
        listed(
            r_.errors, [](const LoggedError& n) { return n.text; }, r_.error_count);
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

// ra0's outages where the log tells it, the first kept stretches' and the
// latest.
std::vector<Ra0Outage> ra0_outages(const Replay& r) {
    std::vector<Stretch> list = r.ra0_lane.kept;
    if (r.ra0_lane.stretches > static_cast<long>(list.size())) list.push_back(r.ra0_lane.last);
    std::vector<Ra0Outage> out;
    for (const Stretch& s : list) {
        if (!s.on)
            out.push_back({moment_at(r, s.from), s.to - s.from, s.from == 0 && r.ra0_lane.first_inferred,
                           s.to == r.last.t && r.ra0_down_at_end});
    }
    return out;
}

long ra0_up_seconds(const Replay& replay) {
    return replay.ra0_lane.on;
}

void print_replay_summary(std::ostream& out, const std::string& name, const Replay& replay) {
    Summary(out, name, replay).print();
}

}  // namespace rwsim
