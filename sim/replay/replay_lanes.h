// SPDX-License-Identifier: ISC
// ra0 as a run's lines tell it: from its gate lines, and from the daemon's
// rules where no line says so. Every start takes ra0 down ("AP disable");
// the gate logs only a switch, so ra0 was the other way before a run's first
// gate line; and a run of window samples of 1 long enough that the gate
// would have switched ra0 on, with no "AP enable", means ra0 was already up
// (and likewise samples of 0 without "AP disable", down).
#pragma once

#include "sim/replay/replay.h"

namespace rwsim {

struct Ra0Watch {
    bool known = false, on = false, inferred = false;
    long from = 0;         // the state holds since
    long run_from = 0;     // the run's first moment in the log
    int pairs = 0;         // window samples equal to the one before, in a row, since the last gate line
    int last_sample = -1;  // the run's last window sample; -1 none yet
};

// A run begins at `t`; with its start line, ra0 goes down.
void ra0_run_begins(Ra0Watch& watch, long t, bool start_seen);

// The state so far added to the lane and the run's figures, up to `t`.
void ra0_close(Ra0Watch& watch, Lane& lane, RunFigures& run, long t);

// A gate line at `t`: ra0 switched on or off.
void ra0_gate(Ra0Watch& watch, Lane& lane, RunFigures& run, long t, bool on);

// A window line's sample.
void ra0_sample(Ra0Watch& watch, int sample);

}  // namespace rwsim
