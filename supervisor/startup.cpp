// SPDX-License-Identifier: ISC
// Start-up: the configuration snapshot, RadioState, the command line and the
// router's operation mode.
#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "supervisor/supervisor.h"

namespace {

static_assert(std::count(std::begin(kSnapshotKeyNames), std::end(kSnapshotKeyNames), '\0') == kSnapshotKeys);

constexpr int kRepeaterMode = 3;

}  // namespace

// The snapshot's texts go back in the order they were read (the array's
// own destruction would run backwards). A start-up that ends the run leaves
// this to the Supervisor's end too, which follows at once. Only the pointer
// is cleared: the array's own destruction, which follows, then finds
// nothing to give back.
Supervisor::~Supervisor() {
    for (StoredText& text : snapshot) {
        plat::store_release(text.ptr);
        text.ptr = nullptr;
    }
}

StartupResult startup(int argc, const char* const* argv, Supervisor& sv) {
    const char* name = kSnapshotKeyNames;
    for (StoredText& text : sv.snapshot) {
        text = store_read(name);
        name += std::strlen(name) + 1;
    }

    sv.radio.curChannel = getWlanCurrentChannel();
    sv.radio.curExtCh = parse_int(sv.snapshot[kHtExtcha].c_str());
    // Longer stored texts are cut to the 31 characters the buffers hold. An
    // absent text has no characters to copy, so its null pointer goes as it
    // is (view() would test it for "" at each use).
    const StoredText& auth = sv.snapshot[kApCliAuthMode];
    const StoredText& enc = sv.snapshot[kApCliEncrypType];
    fixed_text::assign(sv.radio.curAuth.buf, sizeof sv.radio.curAuth.buf, auth.ptr, auth.count);
    fixed_text::assign(sv.radio.curEnc.buf, sizeof sv.radio.curEnc.buf, enc.ptr, enc.count);

    if (argc != 3 && argc != 4) {
        print(RW_MSG_USAGE);
        return {false, -1};
    }
    sv.looptime = parse_int(argv[1]);
    sv.sleeptime = parse_int(argv[2]);
    debug = argc == 4 && is_word(argv[3], "debug") ? 1 : 0;

    // The window needs a slot, and no more than a day of them; a pause
    // cannot be negative.
    if (sv.looptime < 1) {
        say(RW_MSG_LOOPTIME_LOW, sv.looptime);
        return {false, -1};
    }
    if (sv.looptime > kMaxLooptime) {
        say(RW_MSG_LOOPTIME_HIGH, sv.looptime);
        return {false, -1};
    }
    if (sv.sleeptime < 0) {
        say(RW_MSG_SLEEPTIME_NEGATIVE, sv.sleeptime);
        return {false, -1};
    }

    if (parse_int(sv.snapshot[kOperationMode].c_str()) != kRepeaterMode) {
        say(RW_MSG_NOT_REPEATER);
        return {false, 0};
    }
    say(RW_MSG_START, sv.looptime, sv.sleeptime);
    if (parse_int(sv.snapshot[kApCliEnable].c_str()) != 1) {
        say(RW_MSG_NOT_ENABLED);
        return {false, 0};
    }
    return {true, 0};
}

int relaywatch_main(int argc, const char* const* argv) {
    Supervisor sv;
    StartupResult start = startup(argc, argv, sv);
    if (!start.runLinkWatch) return start.exitStatus;
    if (!linkwatch_setup_fresh(sv)) return 1;
    for (;;) linkwatch_pass(sv);
}
