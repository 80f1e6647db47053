// SPDX-License-Identifier: ISC
#include "sim/router/run_timeline.h"

#include <string>

#include "sim/common/text.h"
#include "sim/draw/timeline_layout.h"

namespace rwsim {

namespace {

// A share of the run as the picture labels it: "71.5 %".
std::string label_percent(long part, long whole) {
    return percent(part, whole, 1) + " %";
}

}  // namespace

TimelineOptions run_timeline_options(const Scenario& scenario, const RunResult& result) {
    const Recorder& rec = *result.record;
    TimelineOptions options;
    options.title = "relaywatch-sim: " + scenario.name;
    std::string args;
    for (const std::string& a : result.args) args += " " + a;
    options.figures = format_duration(result.end) + " of virtual time, relaywatch" + args + " \xC2\xB7 uplink " +
                      label_percent(rec.link_seconds, rec.seconds) + " \xC2\xB7 ra0 up " +
                      label_percent(rec.ra0_seconds, rec.seconds) + " \xC2\xB7 " +
                      plural(rec.recoveries, "recovery", "recoveries") + " \xC2\xB7 " +
                      plural(rec.changes, "upstream change", "upstream changes");
    return options;
}

void write_run_timeline(std::ostream& out, const Scenario& scenario, const RunResult& result) {
    write_timeline_svg(out, *result.record, run_timeline_options(scenario, result));
}

}  // namespace rwsim
