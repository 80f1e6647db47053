// SPDX-License-Identifier: ISC
// The supervisor: start-up, the link watch with its access-point gate, and
// the recovery cycle. The daemon's main() is
//
//     StartupResult start = startup(argc, argv, sv);
//     if (!start.runLinkWatch) return start.exitStatus;
//     if (!linkwatch_setup(sv)) return 1;
//     for (;;) linkwatch_pass(sv);
//
// (with linkwatch_setup_fresh(), for the Supervisor start-up has just
// filled), so tests and the simulator drive the same passes one at a time.
#pragma once

#include <array>

#include "platform/io.h"
#include "radio/radio.h"
#include "supervisor/timing.h"

// The nine stored settings read once at start, in this order.
enum SnapshotKey {
    kOperationMode,
    kApCliEnable,
    kApCliSsid,
    kApCliBssid,
    kApCliAuthMode,
    kApCliEncrypType,
    kAuthMode,
    kEncrypType,
    kHtExtcha,
    kSnapshotKeys
};

// The snapshot's keys, in the order they are read and released: one text,
// each name after the previous one's terminator. (An array of pointers
// would need a relocation per name in a position-independent daemon.)
constexpr char kSnapshotKeyNames[] =
    "OperationMode\0"
    "ApCliEnable\0"
    "ApCliSsid\0"
    "ApCliBssid\0"
    "ApCliAuthMode\0"
    "ApCliEncrypType\0"
    "AuthMode\0"
    "EncrypType\0"
    "HT_EXTCHA";

// The window of samples: looptime slots, kept for the whole run. A slot
// holds its sample with the lowest bit flipped, so that the zero-filled
// window reads as all samples up (1) without a pass that writes them. The
// flip maps every value back, so the window's line shows the samples.
using Window = Owned<int, plat::release>;
constexpr int window_slot(int sample) {
    return sample ^ 1;
}
constexpr int window_sample(int slot) {
    return slot ^ 1;
}

// Everything that lives across passes. What one recovery finds (the
// upstream candidate, the hidden-AP list) belongs to that recovery.
struct Supervisor {
    std::array<StoredText, kSnapshotKeys> snapshot;
    RadioState radio{};
    int looptime = 0;
    int sleeptime = 0;

    // The link watch, at the values its set-up starts from (the daemon's
    // own set-up relies on them; linkwatch_setup() sets them again).
    Window resetTimerArray;
    int timerIndex = 0;
    int lastStatus = 1;
    int gateRun = 0;  // the gate's run of (1, 1) or (0, 0) pairs
    int apEnabled = 0;
    bool firstPassDone = false;  // zero at first, as the members around it

    // The remembered BSSID of the upstream access point; "0" until one is known.
    BssidText manual_get_BSSID = {{'0'}};

    Supervisor() = default;
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;
    ~Supervisor();

    const char* setting(SnapshotKey key) const { return snapshot[key].c_str(); }
};

// How start-up ended: enter the link watch, or end the program with
// `exitStatus`.
struct StartupResult {
    bool runLinkWatch;
    int exitStatus;
};

// The longest window: a day of samples.
inline constexpr int kMaxLooptime = 86400;

// Reads the snapshot, sets up RadioState, checks the arguments and the
// operation mode, and prints the start line or the right error. The
// snapshot stays with `sv` whichever way start-up ends.
StartupResult startup(int argc, const char* const* argv, Supervisor& sv);

// The link watch's set-up: the window, "AP disable", ra0 down. False (after
// one error line) when the window cannot be allocated.
bool linkwatch_setup(Supervisor& sv);
// The same for the daemon's own path: a Supervisor fresh from start-up,
// whose looptime start-up has checked and whose link watch members still
// hold their first values, so neither is done again.
bool linkwatch_setup_fresh(Supervisor& sv);

// One pass of the link watch, ending with the one-second sleep.
void linkwatch_pass(Supervisor& sv);

// The recovery cycle: survey, then the upstream or the hidden access points.
void recovery_cycle(Supervisor& sv);
// The survey's mixed forms, as the recovery cycle compares and applies them:
// as their WPA2 members.
void normalise(Candidate& cand);

// The whole program: start-up, then the link watch for ever.
int relaywatch_main(int argc, const char* const* argv);
