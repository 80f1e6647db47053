// SPDX-License-Identifier: ISC
// The link watch: the window of samples, the access-point gate with its
// hysteresis of five, and the test that starts a recovery cycle.
#include <cstdio>

#include "platform/io.h"
#include "platform/platform.h"
#include "radio/radio.h"
#include "supervisor/supervisor.h"

namespace {

// Brings ra0 up or down, with the line that says so.
void switch_ap(Supervisor& sv, bool up) {
    if (up) {
        say(RW_MSG_AP_ENABLE);
    } else {
        say(RW_MSG_AP_DISABLE);
    }
    plat::run(up ? "ifconfig ra0 up" : "ifconfig ra0 down");
    sv.apEnabled = up ? 1 : 0;
}

// The gate on the pair (sample, previous sample). Only 1 counts as up and
// only 0 as down: a run of (1, 1) pairs brings ra0 up, a run of (0, 0) pairs
// down, and any other pair ends the run. One counter serves both ways: a
// (1, 1) pair never directly follows a (0, 0) pair (the pairs overlap in a
// sample), so a run is always of one kind.
void update_gate(Supervisor& sv, int sample) {
    if (sample == sv.lastStatus && (sample == 0 || sample == 1)) {
        if (++sv.gateRun >= kGateHysteresis) {
            if (sv.apEnabled != sample) switch_ap(sv, sample == 1);
            sv.gateRun = 0;
        }
    } else {
        sv.gateRun = 0;
    }
    sv.lastStatus = sample;
}

// The window after this pass's sample: the header with the slot and the
// sample, then every slot's value run together. Gathered in a stack buffer
// and written when it fills, so a window of any length needs no heap and a
// short one goes out in one write.
void dump_window(const Supervisor& sv, int sample) {
    if (debug != 1) return;
    char chunk[256];
    // The header takes at most 55 characters.
    int header = std::snprintf(chunk, sizeof chunk, RW_MSG_WINDOW_HEAD, sv.timerIndex, sample);
    std::size_t used = header > 0 ? static_cast<std::size_t>(header) : 0;
    for (int slot = 0; slot < sv.looptime; ++slot) {
        // One value takes at most 11 characters and its terminator.
        if (sizeof chunk - used < 12) {
            plat::write_out(chunk, used);
            used = 0;
        }
        int n = std::snprintf(chunk + used, sizeof chunk - used, RW_MSG_WINDOW_SLOT,
                              window_sample(sv.resetTimerArray[slot]));
        if (n > 0) used += static_cast<std::size_t>(n);
    }
    if (sizeof chunk - used < 2) {
        plat::write_out(chunk, used);
        used = 0;
    }
    chunk[used++] = RW_MSG_WINDOW_CLOSE;
    chunk[used++] = '\n';
    plat::write_out(chunk, used);
}

bool window_has_up(const Supervisor& sv) {
    for (int slot = 0; slot < sv.looptime; ++slot) {
        if (window_sample(sv.resetTimerArray[slot]) == 1) return true;
    }
    return false;
}

}  // namespace

bool linkwatch_setup(Supervisor& sv) {
    // Start-up refuses a looptime below 1; a window without slots would
    // leave nothing to sample into, so refuse it here as well.
    if (sv.looptime < 1) {
        say(RW_MSG_LOOPTIME_LOW, sv.looptime);
        return false;
    }
    // A Supervisor that has watched before starts the watch afresh, its
    // old window given back first.
    sv.resetTimerArray.reset();
    sv.timerIndex = 0;
    sv.gateRun = 0;
    sv.lastStatus = 1;
    sv.firstPassDone = false;
    return linkwatch_setup_fresh(sv);
}

bool linkwatch_setup_fresh(Supervisor& sv) {
    // The window is taken into the Supervisor's empty one member by
    // member: a move assignment would give back the (absent) old window
    // first, a call for nothing.
    const auto slots = static_cast<std::size_t>(sv.looptime);
    sv.resetTimerArray.ptr = static_cast<int*>(plat::alloc_zeroed(slots, sizeof(int)));
    sv.resetTimerArray.count = slots;
    if (!sv.resetTimerArray.ok()) {
        say(RW_MSG_NO_WINDOW_MEMORY, sv.looptime);
        return false;
    }

    switch_ap(sv, false);
    return true;
}

void linkwatch_pass(Supervisor& sv) {
    if (!sv.firstPassDone) {
        // Right after start: recover at once, without a sample.
        sv.firstPassDone = true;
        recovery_cycle(sv);
    } else {
        int sample = getRPStatus("apcli0");
        sv.resetTimerArray[sv.timerIndex] = window_slot(sample);
        update_gate(sv, sample);
        dump_window(sv, sample);
        if (!window_has_up(sv)) {
            dbg(RW_MSG_DISCONNECT, sv.looptime);
            recovery_cycle(sv);
        }
    }

    if (++sv.timerIndex >= sv.looptime) sv.timerIndex = 0;
    plat::sleep_seconds(1);
}
