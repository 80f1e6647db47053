// SPDX-License-Identifier: ISC
// The replay as one JSON document, for reading many routers' logs at once:
// the summary's figures and lists, each list capped at kJsonListed entries
// with its full count, every moment both as seconds from the log's first
// line and in the router's own time. docs/replay.schema.json describes it;
// a figure added to the summary is added here, and there.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "sim/common/text.h"
#include "sim/replay/replay.h"
#include "sim/replay/replay_clock.h"

namespace rwsim {

namespace {

using json = nlohmann::ordered_json;  // keys in the order written

class JsonWriter {
public:
    explicit JsonWriter(const Replay& r) : r_(r) {}

    json document(const std::string& name) const {
        json doc;
        doc["log"] = shown_text(name);
        doc["span"] = {{"from", moment(r_.first)}, {"to", moment(r_.last)}, {"seconds", r_.last.t}};
        doc["years_given"] = r_.years_given;
        doc["lines"] = {
            {"total", r_.lines},         {"relaywatch", r_.own_lines},      {"undated", r_.unstamped},
            {"truncated", r_.truncated}, {"unrecognised", r_.unrecognised}, {"unrecognised_cut", r_.unrecognised_cut}};
        doc["unrecognised"] = capped(r_.unrecognised_lines, r_.unrecognised, [this](const LoggedText& l) {
            return json{{"at", moment(l.at)}, {"text", l.text}};
        });
        doc["runs"] = runs();
        doc["clock_steps"] = capped(clock_steps(r_), r_.back_count + r_.forward_count, [this](const ClockJump& j) {
            return json{{"at", moment(j.at)}, {"by", j.by}, {"maybe_daylight_saving", j.maybe_dst}, {"line", j.line}};
        });
        doc["ra0"] = ra0();
        doc["uplink"] = lane(r_.link_lane, "connected_seconds");
        doc["debug"] = r_.any_debug ? debug() : json(nullptr);
        doc["errors"] = capped(r_.errors, r_.error_count, [this](const LoggedError& e) {
            return json{{"at", moment(e.at)}, {"kind", log_format(e.msg).name}, {"text", e.text}};
        });
        return doc;
    }

private:
    json moment(const LogMoment& m) const { return {{"t", m.t}, {"time", router_time(m.wall, r_.years_given)}}; }

    // The first kJsonListed entries of `list` as `show` gives them, with the
    // count of all, kept or not.
    template <typename T, typename Show>
    static json capped(const std::vector<T>& list, long count, Show show) {
        json items = json::array();
        for (std::size_t i = 0; i < list.size() && i < kJsonListed; ++i) items.push_back(show(list[i]));
        return {{"count", count}, {"list", items}};
    }

    // A lane: the seconds the log tells it over, of them on and of them
    // only inferred from the daemon's rules, and its known stretches.
    json lane(const Lane& l, const char* on_name) const {
        if (l.known == 0) return nullptr;
        json doc = {{"known_seconds", l.known}, {on_name, l.on}, {"inferred_seconds", l.inferred}};
        std::vector<Stretch> list = l.kept;
        if (l.stretches > static_cast<long>(list.size())) list.push_back(l.last);
        doc["known"] = capped(list, l.stretches, [](const Stretch& s) {
            return json{{"from", s.from}, {"to", s.to}, {"on", s.on}};
        });
        return doc;
    }

    // Each run, until the next one begins or the log ends.
    json runs() const {
        return capped(r_.runs, r_.run_count, [this](const ReplayRun& run) {
            json item = {{"at", moment(run.at)},
                         {"until", run.until},
                         {"start_logged", run.start_seen},
                         {"debug", run.debug},
                         {"pid", nullptr},
                         {"looptime", nullptr},
                         {"sleeptime", nullptr},
                         {"ended_by", run.ended_by},
                         {"ended_at", moment(run.ended_at)},
                         {"ended_at_start", nullptr},
                         {"crash_loop", run.crash_loop}};
            if (run.pid >= 0) item["pid"] = run.pid;
            if (run.start_seen) {
                item["looptime"] = run.looptime;
                item["sleeptime"] = run.sleeptime;
            }
            if (!run.ended_at_start.empty()) item["ended_at_start"] = run.ended_at_start;
            item["instance_lines"] = capped(run.instance_lines, run.instance_count, [this](const LoggedText& l) {
                return json{{"at", moment(l.at)}, {"text", l.text}};
            });
            const RunFigures& f = run.figures;
            item["figures"] = {{"ra0_known_seconds", f.ra0_known},
                               {"ra0_up_seconds", f.ra0_up},
                               {"ra0_inferred_seconds", f.ra0_inferred},
                               {"uplink_known_seconds", f.link_known},
                               {"uplink_connected_seconds", f.link_up},
                               {"debug_seconds", f.debug},
                               {"recoveries", f.recoveries}};
            return item;
        });
    }

    json ra0() const {
        json doc = lane(r_.ra0_lane, "up_seconds");
        if (doc.is_null()) return doc;
        doc["down_seconds"] = r_.ra0_lane.known - r_.ra0_lane.on;
        doc["longest_outage_seconds"] = r_.ra0_lane.longest_off;
        doc["outages"] = capped(ra0_outages(r_), r_.ra0_lane.offs, [this](const Ra0Outage& o) {
            return json{{"at", moment(o.at)},
                        {"seconds", o.length},
                        {"from_log_start", o.at_log_start},
                        {"to_log_end", o.at_log_end}};
        });
        return doc;
    }

    // What the debug lines tell, and the stretch they cover: the runs with
    // debug, merged where they touch.
    json debug() const {
        json known = json::array();
        for (std::size_t i = 0; i < r_.runs.size(); ++i) {
            const long end = i + 1 < r_.runs.size() ? r_.runs[i + 1].at.t : r_.last.t;
            if (!r_.runs[i].debug) continue;
            if (!known.empty() && known.back()["to"] == r_.runs[i].at.t)
                known.back()["to"] = end;
            else
                known.push_back({{"from", r_.runs[i].at.t}, {"to", end}});
        }
        json doc;
        doc["known"] = known;
        doc["recoveries"] = capped(r_.recoveries, r_.recovery_count, [this](const LoggedRecovery& rc) {
            static constexpr const char* kOutcomes[] = {"upstream_found", "hidden_connected", "nothing_found",
                                                        "unfinished"};
            return json{{"at", moment(rc.at)}, {"outcome", kOutcomes[static_cast<int>(rc.outcome)]}};
        });
        doc["channel_changes"] = capped(r_.retunes, r_.retune_count, [this](const Retune& t) {
            return json{{"at", moment(t.at)},
                        {"from", t.from < 0 ? json(nullptr) : json(t.from)},
                        {"to", t.channel},
                        {"moved", t.from != t.channel},
                        {"via", t.via}};
        });
        const auto text = [this](const LoggedText& n) { return json{{"at", moment(n.at)}, {"text", n.text}}; };
        doc["client_security"] = capped(r_.security, r_.security_count, text);
        doc["remembered_bssid"] = capped(r_.remembered, r_.remembered_count, text);
        return doc;
    }

    const Replay& r_;
};

}  // namespace

void write_replay_json(std::ostream& out, const std::string& name, const Replay& replay) {
    // Text from the log is already shown safely; an invalid byte that got
    // through would be replaced, never written raw.
    out << JsonWriter(replay).document(name).dump(2, ' ', false, json::error_handler_t::replace) << "\n";
}

}  // namespace rwsim
