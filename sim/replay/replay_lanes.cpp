// SPDX-License-Identifier: ISC
#include "sim/replay/replay_lanes.h"

#include <algorithm>

#include "supervisor/timing.h"

namespace rwsim {

void lane_add(Lane& lane, long from, long to, bool on, bool inferred) {
    if (to <= from) return;
    lane.known += to - from;
    if (on) lane.on += to - from;
    if (inferred) lane.inferred += to - from;
    if (lane.stretches == 0) lane.first_inferred = inferred;
    const bool kept_last = lane.stretches > 0 && lane.stretches <= static_cast<long>(lane.kept.size());
    if (lane.stretches > 0 && lane.last.to == from && lane.last.on == on) {
        lane.last.to = to;
        if (kept_last) lane.kept.back() = lane.last;
    } else {
        ++lane.stretches;
        if (!on) ++lane.offs;
        lane.last = {from, to, on};
        if (lane.kept.size() < kKeptStretches) lane.kept.push_back(lane.last);
    }
    if (!on) lane.longest_off = std::max(lane.longest_off, lane.last.to - lane.last.from);
}

void ra0_run_begins(Ra0Watch& watch, long t, bool start_seen) {
    watch = Ra0Watch{};
    watch.run_from = t;
    if (start_seen) {
        watch.known = true;
        watch.inferred = true;
        watch.from = t;
    }
}

void ra0_close(Ra0Watch& watch, Lane& lane, RunFigures& run, long t) {
    if (watch.known && t > watch.from) {
        lane_add(lane, watch.from, t, watch.on, watch.inferred);
        run.ra0_known += t - watch.from;
        if (watch.on) run.ra0_up += t - watch.from;
        if (watch.inferred) run.ra0_inferred += t - watch.from;
    }
    watch.from = t;
}

void ra0_gate(Ra0Watch& watch, Lane& lane, RunFigures& run, long t, bool on) {
    if (!watch.known) {
        // The gate logs only a switch: before the run's first gate line ra0
        // was the other way.
        watch.known = true;
        watch.on = !on;
        watch.inferred = true;
        watch.from = watch.run_from;
    }
    ra0_close(watch, lane, run, t);
    watch.on = on;
    watch.inferred = false;
    watch.pairs = 0;
}

void ra0_sample(Ra0Watch& watch, int sample) {
    const bool counted = (sample == 0 || sample == 1) && sample == watch.last_sample;
    watch.pairs = counted ? watch.pairs + 1 : 0;
    watch.last_sample = sample;
    // The gate counts each pair of 1s (of 0s) and switches ra0 on (off) at
    // kGateHysteresis; from whatever count it had, that many pairs reach it
    // once. No gate line then: ra0 was already so, all the run long so far.
    if (watch.pairs >= kGateHysteresis && !watch.known) {
        watch.known = true;
        watch.on = sample == 1;
        watch.inferred = true;
        watch.from = watch.run_from;
    }
}

}  // namespace rwsim
