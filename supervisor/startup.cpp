// Start-up: the configuration snapshot, RadioState, the command line and the
// router's operation mode.
#include <string_view>

#include "platform/platform.h"
#include "supervisor/supervisor.h"

namespace {

// The snapshot's keys, in the order they are read and released.
constexpr const char* kSnapshotKeyNames[kSnapshotKeys] = {
    "OperationMode", "ApCliEnable", "ApCliSsid",  "ApCliBssid", "ApCliAuthMode",
    "ApCliEncrypType", "AuthMode",  "EncrypType", "HT_EXTCHA",
};

constexpr int kRepeaterMode = 3;

}  // namespace

Supervisor::~Supervisor() { release_snapshot(*this); }

void release_snapshot(Supervisor& sv) {
    for (StoredText& text : sv.snapshot) text.reset();
}

StartupResult startup(int argc, const char* const* argv, Supervisor& sv) {
    for (int key = 0; key < kSnapshotKeys; ++key) sv.snapshot[key] = store_read(kSnapshotKeyNames[key]);

    sv.radio.curChannel = getWlanCurrentChannel();
    sv.radio.curExtCh = parse_int(sv.snapshot[kHtExtcha].view());
    // Longer stored texts are cut to the 31 characters the buffers hold.
    sv.radio.curAuth.assign(sv.snapshot[kApCliAuthMode].view());
    sv.radio.curEnc.assign(sv.snapshot[kApCliEncrypType].view());

    if (argc != 3 && argc != 4) {
        say("Usage:\n\trelaywatch (looptime) (sleeptime) [debug]");
        return {false, -1};
    }
    sv.looptime = parse_int(argv[1]);
    sv.sleeptime = parse_int(argv[2]);
    debug = argc == 4 && std::string_view(argv[3]) == "debug" ? 1 : 0;

    // The window needs a slot, and no more than a day of them; a pause
    // cannot be negative.
    if (sv.looptime < 1) {
        say("relaywatch: error, looptime must be at least 1 (looptime=%d)\n", sv.looptime);
        return {false, -1};
    }
    if (sv.looptime > kMaxLooptime) {
        say("relaywatch: error, looptime must be at most 86400 (looptime=%d)\n", sv.looptime);
        return {false, -1};
    }
    if (sv.sleeptime < 0) {
        say("relaywatch: error, sleeptime must not be negative (sleeptime=%d)\n", sv.sleeptime);
        return {false, -1};
    }

    if (parse_int(sv.snapshot[kOperationMode].view()) != kRepeaterMode) {
        say("relaywatch: error, not repeater mode!\n");
        release_snapshot(sv);
        return {false, 0};
    }
    say("relaywatch: Start (looptime=%d, sleeptime=%d)\n", sv.looptime, sv.sleeptime);
    if (parse_int(sv.snapshot[kApCliEnable].view()) != 1) {
        say("relaywatch: repeater is not enabled!\n");
        release_snapshot(sv);
        return {false, 0};
    }
    return {true, 0};
}

int relaywatch_main(int argc, const char* const* argv) {
    Supervisor sv;
    StartupResult start = startup(argc, argv, sv);
    if (!start.runLinkWatch) return start.exitStatus;
    if (!linkwatch_setup(sv)) return 1;
    for (;;) linkwatch_pass(sv);
}
