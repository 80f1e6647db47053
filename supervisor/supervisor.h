// The supervisor: start-up, the link watch with its access-point gate, and
// the recovery cycle. The daemon's main() is
//
//     int rc = startup(argc, argv, sv);
//     if (rc != kRunLinkWatch) return rc;
//     if (!linkwatch_setup(sv)) return 1;
//     for (;;) linkwatch_pass(sv);
//
// so tests and the simulator drive the same passes one at a time.
#pragma once

#include <array>

#include "platform/io.h"
#include "radio/radio.h"

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

struct Supervisor {
    std::array<StoredText, kSnapshotKeys> snapshot;
    RadioState radio{};
    int looptime = 0;
    int sleeptime = 0;

    // The link watch.
    int* resetTimerArray = nullptr;  // looptime slots, kept for the whole run
    int timerIndex = 0;
    int lastStatus = 1;
    int upCount = 0;
    int downCount = 0;
    int apEnabled = 0;
    bool firstPass = true;

    // The candidate settings of one recovery cycle.
    int candChannel = 0;
    AuthText candAuth{};
    AuthText candEnc{};
    ExtChText candExtCh{};

    Supervisor() = default;
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;
    ~Supervisor();

    const char* setting(SnapshotKey key) const { return snapshot[key].c_str(); }
};

// startup()'s result when the link watch is to be entered; any other result
// is the exit status of main.
inline constexpr int kRunLinkWatch = 1000;

// Reads the snapshot, sets up RadioState, checks the arguments and the
// operation mode, and prints the start line or the right error.
int startup(int argc, const char* const* argv, Supervisor& sv);

// Releases the nine snapshot texts in the order they were read.
void release_snapshot(Supervisor& sv);

// The link watch's set-up: the window, "AP disable", ra0 down. False (after
// one error line) when the window cannot be allocated.
bool linkwatch_setup(Supervisor& sv);

// One pass of the link watch, ending with freeTable and the one-second sleep.
void linkwatch_pass(Supervisor& sv);

// The recovery cycle: survey, then the upstream or the hidden access points.
void recovery_cycle(Supervisor& sv);

// The whole program: start-up, then the link watch for ever.
int relaywatch_main(int argc, const char* const* argv);
