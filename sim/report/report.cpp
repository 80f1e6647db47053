// SPDX-License-Identifier: ISC
// The report's parts from a bundle: the replay of its log, explain on its
// table and store, and what either finds wrong.
#include "sim/report/report.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

#include "radio/radio.h"
#include "report/bundle_format.h"
#include "sim/capture/survey_read.h"
#include "sim/common/text.h"
#include "sim/field/explain.h"
#include "sim/field/explain_findings.h"
#include "sim/field/store_keys.h"
#include "sim/replay/replay.h"
#include "sim/scenario/air.h"

namespace rwsim {

namespace {

// A section's lines, without their line ends; none when it is missing.
std::vector<std::string> lines_of(const Bundle& bundle, std::string_view name) {
    std::vector<std::string> lines;
    const BundleSection* s = find_section(bundle, name);
    if (s == nullptr) return lines;
    std::istringstream in(s->text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// ra0's channel as the interfaces section gives it ("ra0 channel: 6"); 0
// when it does not.
int ra0_channel(const Bundle& bundle) {
    constexpr std::string_view kChannel = "ra0 channel: ";
    for (const std::string& line : lines_of(bundle, bundle::kInterfaces)) {
        long channel = 0;
        if (line.rfind(kChannel, 0) == 0 && parse_whole(std::string_view(line).substr(kChannel.size()), 3, channel) &&
            is_valid_channel(static_cast<int>(channel)))
            return static_cast<int>(channel);
    }
    return 0;
}

// The log's span in words: "the 40m the log holds".
std::string span_words(const Replay& replay) {
    return "the " + format_duration(replay.last.t - replay.first.t) + " the log holds";
}

// Seconds ra0 was off the air, as the log tells, after it was first up:
// relaywatch keeps it off at its start until it finds the upstream, by
// design. The off seconds before the first stretch up are in the lane's
// first kept stretches, so this holds past the lane's cap too.
long ra0_down_after_up(const Replay& rp) {
    const Lane& lane = rp.ra0_lane;
    long before_up = 0;
    bool seen_up = false;
    for (const Stretch& s : lane.kept) {
        if (s.on) {
            seen_up = true;
            break;
        }
        before_up += s.to - s.from;
    }
    if (!seen_up && !lane.last.on) return 0;
    return lane.known - lane.on - before_up;
}

// What the replay finds wrong over the log's span.
void replay_wrong(const Replay& rp, std::vector<std::string>& wrong) {
    const auto ended =
        std::count_if(rp.runs.begin(), rp.runs.end(), [](const ReplayRun& run) { return !run.ended_at_start.empty(); });
    if (ended > 0 || rp.run_count > 2) {
        std::string text = "relaywatch started " + std::to_string(rp.run_count) + " times in " + span_words(rp);
        const auto first = std::find_if(rp.runs.begin(), rp.runs.end(),
                                        [](const ReplayRun& run) { return !run.ended_at_start.empty(); });
        if (first != rp.runs.end())
            text += ", " + std::to_string(ended) + " of them ending at start-up (" + first->ended_at_start + ")";
        wrong.push_back(text);
    }
    if (!rp.errors.empty()) {
        wrong.push_back("relaywatch logged " + std::to_string(rp.error_count) + " error line" +
                        (rp.error_count == 1 ? "" : "s") + "; the first: " + rp.errors.front().text);
    }
    const long down = ra0_down_after_up(rp);
    if (down > 0) {
        wrong.push_back("ra0 (the own AP) was off the air for " + format_duration(down) + " of " + span_words(rp) +
                        ", once it was up");
    }
    if (rp.link_known > 0 && rp.link_up < rp.link_known) {
        wrong.push_back("the uplink was down for " + format_duration(rp.link_known - rp.link_up) + " of the " +
                        format_duration(rp.link_known) + " its window lines tell");
    }
}

// The replay of the bundle's log; the remembered BSSID it last logged.
void add_replay(Report& r, const Bundle& bundle, std::string& remembered, std::vector<std::string>& wrong,
                std::string& span) {
    const BundleSection* log = find_section(bundle, bundle::kLog);
    if (log == nullptr || log->text.empty()) {
        r.replay = log == nullptr ? "no replay: the bundle holds no log" : "no replay: the bundle's log is empty";
        return;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(
        fmemopen(const_cast<char*>(log->text.data()), log->text.size(), "rb"), &std::fclose);
    if (!in) {
        r.replay = "no replay: the log could not be read";
        return;
    }
    const std::string name = r.name + " (log)";
    const Replay rp = replay_log(in.get(), name);
    if (!rp.error.empty()) {
        r.replay = "no replay: " + rp.error;
        return;
    }
    std::ostringstream summary, svg;
    print_replay_summary(summary, name, rp);
    write_replay_timeline(svg, name, rp);
    r.replayed = true;
    r.replay = summary.str();
    r.timeline = svg.str();
    if (!rp.remembered.empty() && is_bssid(rp.remembered.back().text)) remembered = rp.remembered.back().text;
    replay_wrong(rp, wrong);
    span = span_words(rp);
}

// explain on the bundle's table and store, ra0 on its channel and the
// remembered BSSID the log last told.
void add_explain(Report& r, const Bundle& bundle, const std::string& remembered, std::vector<std::string>& wrong) {
    const BundleSection* survey = find_section(bundle, bundle::kSurvey);
    const BundleSection* store = find_section(bundle, bundle::kStore);
    if (survey == nullptr || survey->text.empty() || store == nullptr) {
        r.explain =
            std::string("no explain: the bundle holds no ") + (store == nullptr    ? "store"
                                                               : survey == nullptr ? "survey table"
                                                                                   : "survey rows (it is empty)");
        return;
    }
    ExplainOptions options;
    options.table = r.name + " (survey)";
    options.store = r.name + " (store)";
    options.channel = ra0_channel(bundle);
    options.channel_given = options.channel > 0;
    if (!options.channel_given) options.channel = 1;
    options.remembered = remembered;
    std::ostringstream out;
    r.explain_status = explain_texts(options, survey->text, &store->text, out);
    r.explain = out.str();
    // What ends relaywatch first, then what in the store explains the rest.
    if (r.explain_status == 4) wrong.push_back("relaywatch ends at start-up with this store");
    const std::map<std::string, std::string> keys = read_store_text(store->text);
    // The store's other keys, by name (a line that is no key name says why
    // there are none: a store library cannot list them).
    // A key relaywatch reads as empty counts as lacking: the collector writes
    // every key relaywatch reads, and relaywatch reads a key the store does
    // not hold as the empty text.
    std::map<std::string, std::string> named;
    for (const auto& [key, text] : keys) {
        if (!text.empty()) named.emplace(key, text);
    }
    for (const std::string& key : lines_of(bundle, bundle::kStoreNames)) {
        if (!key.empty() && key.find_first_of(" =\t\r") == std::string::npos) named.emplace(key, "");
    }
    for (const NearKey& k : check_store_keys(named).near)
        wrong.push_back("the store's " + k.key + " is not " + k.meant + ": relaywatch does not read it");
    // A key's length matters only where the own AP's security reads it.
    const auto value = [&](const char* key) {
        const auto it = keys.find(key);
        return it == keys.end() ? std::string() : it->second;
    };
    const bool psk = value("AuthMode").find("PSK") != std::string::npos, wep = value("EncrypType") == "WEP";
    for (const std::string& finding : key_findings(keys)) {
        if ((psk && finding.rfind(kStorePsk, 0) == 0) || (wep && finding.rfind(kStoreWepKey, 0) == 0))
            wrong.push_back("the store's " + finding);
    }
    if (r.explain_status == 3)
        wrong.push_back("the survey table is not in the layout relaywatch reads: it misreads the rows");
    if (r.explain_status == 1)
        wrong.push_back("relaywatch does not select the configured upstream from the survey table");
}

// The bundle's faults, failed steps and missing sections.
void add_bundle_notes(Report& r, const Bundle& bundle) {
    r.bundle = bundle.faults;
    // "step: ok ..." or "step: failed: why"; any other line is listed as it stands.
    for (const std::string& step : lines_of(bundle, bundle::kSteps)) {
        const std::size_t colon = step.find(": ");
        if (colon == std::string::npos || step.compare(colon + 2, 2, "ok") != 0) r.bundle.push_back("step " + step);
    }
    const std::vector<std::string> missing = missing_sections(bundle);
    if (!missing.empty()) {
        std::string text = "the bundle lacks its section" + std::string(missing.size() == 1 ? "" : "s");
        for (const std::string& name : missing) text += " " + name;
        r.bundle.push_back(text);
    }
}

}  // namespace

Report make_report(const Bundle& bundle, const std::string& name) {
    Report r;
    r.name = name;
    r.facts = lines_of(bundle, bundle::kRouter);
    r.now = lines_of(bundle, bundle::kInterfaces);
    for (const std::string& line : lines_of(bundle, bundle::kInstances)) r.now.push_back("instance: " + line);
    r.redactions = lines_of(bundle, bundle::kRedactions);
    add_bundle_notes(r, bundle);
    std::string remembered = "0", span;
    std::vector<std::string> from_log;
    add_replay(r, bundle, remembered, from_log, span);
    add_explain(r, bundle, remembered, r.wrong);
    r.wrong.insert(r.wrong.end(), from_log.begin(), from_log.end());
    if (!r.wrong.empty()) {
        r.first_line = r.wrong.front();
        if (r.wrong.size() > 1) r.first_line += " (and " + std::to_string(r.wrong.size() - 1) + " more below)";
    } else {
        r.first_line = r.replayed ? "nothing wrong in " + span
                                  : "nothing wrong in the survey table and the store; with no log, nothing is known "
                                    "of the time before";
    }
    if (!r.bundle.empty()) r.first_line += "; the bundle is incomplete (below)";
    return r;
}

}  // namespace rwsim
