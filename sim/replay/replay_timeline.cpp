// SPDX-License-Identifier: ISC
// The timeline of a replayed log: the events the replay kept, fed second
// by second into the same recorder a simulated run fills, and drawn by the
// same picture, with the lanes the log cannot tell said as such.
#include <algorithm>
#include <memory>

#include "sim/common/text.h"
#include "sim/draw/timeline.h"
#include "sim/draw/timeline_layout.h"
#include "sim/replay/replay.h"
#include "sim/replay/replay_clock.h"
#include "sim/syslog/log_read.h"
#include "sim/tracks/record.h"

namespace rwsim {

namespace {

// Steps through a list of (t, value) changes as time goes by.
template <typename List, typename Value>
struct Cursor {
    const List& list;
    Value value;
    std::size_t next = 0;

    template <typename Of>
    void at(long t, Of of) {
        while (next < list.size() && list[next].first <= t) value = of(list[next++]);
    }

    // When the value next changes, or `otherwise`.
    long next_change(long otherwise) const { return next < list.size() ? list[next].first : otherwise; }
};

// A lane as the picture draws it: its known stretches as switches (t, on),
// off where nothing tells, and what it does not tell as grey gaps.
struct LaneDrawing {
    std::vector<std::pair<long, bool>> switches;
    std::vector<TimelineOptions::Gap> gaps;
};

LaneDrawing drawing(const Lane& lane, long end, const std::string& why) {
    std::vector<Stretch> list = lane.kept;
    const bool dropped = lane.stretches > static_cast<long>(list.size());
    if (dropped) list.push_back(lane.last);
    LaneDrawing d;
    long t = 0;
    auto gap = [&](long to, const std::string& reason) {
        d.gaps.push_back({t, to, reason});
        d.switches.push_back({t, false});
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].from > t)
            gap(list[i].from, dropped && i + 1 == list.size() ? "not drawn: the replay keeps the first " +
                                                                    std::to_string(kKeptStretches) + " changes"
                                                              : why);
        d.switches.push_back({list[i].from, list[i].on});
        t = list[i].to;
    }
    if (t < end) gap(end, why);
    return d;
}

const char* const kRa0Gap = "not in the log: no gate line, start or run of window lines tells ra0 here";
const char* const kUplinkGap = "not in the log: no window lines a pass apart here";

std::unique_ptr<Recorder> record(const Replay& r, const LaneDrawing& ra0_lane, const LaneDrawing& link_lane) {
    const long end = std::max(1L, r.last.t);
    auto rec = std::make_unique<Recorder>(end);
    Cursor<std::vector<std::pair<long, bool>>, bool> ra0{ra0_lane.switches, false};
    Cursor<std::vector<std::pair<long, bool>>, bool> link{link_lane.switches, false};
    Cursor<std::vector<std::pair<long, int>>, int> channel{r.channel, 0};
    std::size_t survey = 0;
    auto second = [](const auto& p) { return p.second; };
    // Stretch by stretch between the changes and the surveys: the work is
    // bounded by the lines drawn, not by the seconds the log spans.
    for (long t = 0; t < end;) {
        ra0.at(t, second);
        link.at(t, second);
        channel.at(t, second);
        while (survey < r.upstream.size() && r.upstream[survey].first < t) ++survey;
        const bool surveyed = survey < r.upstream.size() && r.upstream[survey].first == t;
        long next = surveyed ? t + 1 : end;
        if (!surveyed && survey < r.upstream.size()) next = std::min(next, r.upstream[survey].first);
        next = std::max(t + 1, std::min({next, ra0.next_change(end), link.next_change(end), channel.next_change(end)}));
        rec->stretch(t, next, link.value, ra0.value, channel.value, surveyed ? r.upstream[survey].second : 0);
        t = next;
    }
    for (const LoggedRecovery& rc : r.recoveries) rec->recovery(rc.at.t);
    for (const Retune& rt : r.retunes) {
        rec->reprogram(rt.at.t);
        rec->daemon_line(rt.at.t, "ra0 re-tuned to channel " + std::to_string(rt.channel));
    }
    for (const LoggedText& s : r.security) rec->security_reprogram(s.at.t, "client security " + s.text);
    for (const LoggedError& e : r.errors) {
        const bool security = e.msg == LogMsg::InvalidKey || e.msg == LogMsg::UnsupportedMode;
        rec->event(e.at.t, security ? EventClass::Security : EventClass::Store, e.text);
    }
    for (const ReplayRun& run : r.runs) {
        rec->daemon_line(run.at.t, std::string("relaywatch ") + (run.start_seen ? "started" : "process"));
        if (run.until < r.last.t || run.ended_by != kStillRunning)
            rec->daemon_line(run.ended_at.t, "relaywatch ended: " + run.ended_by);
    }
    rec->finish();
    return rec;
}

// Each run's start and end, the clock's steps and the crash loops, marked
// across the lanes.
void run_marks(const Replay& r, TimelineOptions& options) {
    for (const ReplayRun& run : r.runs) {
        // Built by appending: GCC 12 at -O2 warns falsely (-Wrestrict) on
        // a chain of + over these.
        std::string title = "relaywatch run [";
        title.append(router_time(run.at.wall, r.years_given)).append("] to [");
        title.append(router_time(run.ended_at.wall, r.years_given)).append("]: ").append(run.ended_by);
        options.bands.push_back({run.at.t, std::max(run.at.t, run.ended_at.t), title});
        options.marks.push_back({run.at.t,
                                 std::string("relaywatch ") +
                                     (run.start_seen ? "started" : "running, its start not in the log") +
                                     (run.pid >= 0 ? " (pid " + std::to_string(run.pid) + ")" : ""),
                                 "#1f5fbf"});
        if (run.ended_by != kStillRunning)
            options.marks.push_back(
                {run.ended_at.t, "relaywatch ended: " + run.ended_by, run.crash_loop ? "#c0392b" : "#555"});
        if (run.crash_loop) options.marks.push_back({run.ended_at.t, "procd: relaywatch in a crash loop", "#c0392b"});
    }
    for (const ClockJump& j : clock_steps(r))
        options.marks.push_back({j.at.t, "the clock stepped " + clock_step_text(j, r.years_given), "#e67e22"});
}

// Where the replay stopped keeping a list of events: those after its last
// kept one are not drawn.
void cap_marks(const Replay& r, TimelineOptions& options) {
    const auto mark = [&](long count, std::size_t kept, long t, const char* what) {
        if (count > static_cast<long>(kept))
            options.marks.push_back({t,
                                     "not drawn after this: the replay keeps the first " + std::to_string(kept) + " " +
                                         what + " of " + std::to_string(count),
                                     "#999"});
    };
    if (!r.recoveries.empty()) mark(r.recovery_count, r.recoveries.size(), r.recoveries.back().at.t, "recoveries");
    if (!r.retunes.empty()) mark(r.retune_count, r.retunes.size(), r.retunes.back().at.t, "re-tunes");
    if (!r.channel.empty()) mark(r.channel_count, r.channel.size(), r.channel.back().first, "changes of ra0's channel");
    if (!r.upstream.empty())
        mark(r.upstream_count, r.upstream.size(), r.upstream.back().first, "changes of the upstream's channel");
    if (!r.security.empty())
        mark(r.security_count, r.security.size(), r.security.back().at.t, "client security re-programmings");
}

}  // namespace

void write_replay_timeline(std::ostream& out, const std::string& name, const Replay& r) {
    const long end = std::max(1L, r.last.t);
    LaneDrawing ra0 = drawing(r.ra0_lane, end, kRa0Gap), link = drawing(r.link_lane, end, kUplinkGap);
    const std::unique_ptr<Recorder> tracks = record(r, ra0, link);
    const Recorder& rec = *tracks;
    TimelineOptions options;
    options.title = "relaywatch-sim replay: " + name;
    options.figures = router_time(r.first.wall, r.years_given) + " to " + router_time(r.last.wall, r.years_given) +
                      " (" + format_duration(r.last.t) + ") \xC2\xB7 " +
                      (r.ra0_lane.known == 0 ? std::string("ra0 not in the log")
                                             : "ra0 up " + percent(r.ra0_lane.on, r.ra0_lane.known, 1) + " % of the " +
                                                   format_duration(r.ra0_lane.known) + " told") +
                      " \xC2\xB7 " + plural(r.run_count, "relaywatch run", "relaywatch runs") + " \xC2\xB7 " +
                      (r.any_debug ? plural(r.recovery_count, "recovery", "recoveries") : "no debug lines");
    options.axis = "log time";
    options.ra0_gaps = std::move(ra0.gaps);
    options.uplink_gaps = std::move(link.gaps);
    if (!r.channel.empty()) options.channel_known_from = r.channel.front().first;
    const auto debug_run = std::find_if(r.runs.begin(), r.runs.end(), [](const ReplayRun& run) { return run.debug; });
    if (debug_run != r.runs.end()) options.recovery_known_from = debug_run->at.t;
    // The router's clock: from the first line on, and anew after each jump.
    options.clock.push_back({0, r.first.wall});
    for (const ClockJump& j : clock_steps(r)) options.clock.push_back({j.at.t, j.at.wall});
    options.clock_years = r.years_given;
    run_marks(r, options);
    cap_marks(r, options);
    if (r.link_lane.known == 0)
        options.uplink_unknown = "not in the log: relaywatch tells the uplink only in its debug window lines";
    if (!r.any_debug) options.recovery_unknown = "not in the log: relaywatch tells its recoveries only with debug";
    if (r.channel.empty()) options.channel_unknown = "not in the log: relaywatch tells ra0's channel only with debug";
    options.upstream_unknown = "the upstream's channel: only where a survey found it";
    write_timeline_svg(out, rec, options);
}

}  // namespace rwsim
