// The recovery cycle: survey for the upstream access point and bring the
// radio into line with it; without it, try the access points that hide their
// SSID one by one until the uplink connects.
#include <algorithm>

#include "platform/io.h"
#include "platform/platform.h"
#include "radio/radio.h"
#include "supervisor/supervisor.h"
#include "survey/survey.h"
#include "survey/vocabulary.h"

namespace {

// Tries of the link wait after a hidden access point's settings are applied;
// each sleeps a second before it asks.
constexpr int kLinkWaitTries = 5;

// The survey's mixed forms are compared and applied as their WPA2 members.
void normalise(AuthText& auth, AuthText& enc) {
    if (auth == vocab::kAuthMixed) auth.assign(vocab::kAuthWpa2Psk);
    if (enc == vocab::kEncTkipAes) enc.assign(vocab::kEncAes);
}

void print_current(const RadioState& radio) {
    dbg("relaywatch: current Auth=%s EncrypType=%s Ch=%d ExtCh=%d\n", radio.curAuth.c_str(),
        radio.curEnc.c_str(), radio.curChannel, radio.curExtCh);
}

void pause_after_recovery(const Supervisor& sv) {
    plat::sleep_seconds(static_cast<unsigned>(std::max(sv.sleeptime, 0)));
}

void mark_current_slot(Supervisor& sv) { sv.resetTimerArray[sv.timerIndex] = 1; }

// Any non-zero status counts as connected here, unlike in the link watch.
bool wait_for_link() {
    for (int attempt = 0; attempt < kLinkWaitTries; ++attempt) {
        plat::sleep_seconds(1);
        int status = getRPStatus("apcli0");
        dbg("relaywatch: waitlinkstatus=%d\n", status);
        if (status != 0) return true;
    }
    return false;
}

void follow_upstream(Supervisor& sv) {
    RadioState& radio = sv.radio;
    print_current(radio);
    dbg("relaywatch: Found AP %s[%s] Ch=%d(%s) Mode=%s(%s)\n", sv.setting(kApCliSsid),
        sv.setting(kApCliBssid), sv.candChannel, sv.candExtCh.c_str(), sv.candAuth.c_str(),
        sv.candEnc.c_str());
    normalise(sv.candAuth, sv.candEnc);

    std::string_view ownAuth = sv.snapshot[kAuthMode].view();
    std::string_view ownEnc = sv.snapshot[kEncrypType].view();
    if (is_mode_change(ownAuth, ownEnc, sv.candChannel, sv.candAuth, sv.candEnc, sv.candExtCh,
                       radio.curChannel, radio.curAuth, radio.curEnc, radio.curExtCh)) {
        dbg("relaywatch: Mode is changed, apply new settings...\n");
        apply_change(ownAuth, ownEnc, sv.candChannel, sv.candAuth, sv.candEnc, sv.candExtCh,
                     radio.curChannel, radio.curAuth, radio.curEnc, radio.curExtCh);
        dbg("relaywatch: manual_get_BSSID=%s\n", manual_get_BSSID.c_str());
    } else {
        dbg("relaywatch: Mode is not change.\n");
    }
    mark_current_slot(sv);
    pause_after_recovery(sv);
}

// Walks the hidden-AP list with currentTable as the cursor. The first entry
// that connects is remembered as the upstream and ends the cycle at once.
void try_hidden_access_points(Supervisor& sv) {
    RadioState& radio = sv.radio;
    dbg("relaywatch: Not found in broadcast SSID list.\n");
    currentTable = headerTable;
    if (currentTable == nullptr) {
        dbg("relaywatch: Not found any hidden SSID, delay %d seconds.\n", sv.sleeptime);
        pause_after_recovery(sv);
        return;
    }

    dbg("relaywatch: Found %d hidden SSID AP.\n", TableSize);
    std::string_view ownAuth = sv.snapshot[kAuthMode].view();
    std::string_view ownEnc = sv.snapshot[kEncrypType].view();
    for (int entryNumber = 1; currentTable != nullptr;
         currentTable = currentTable->next, ++entryNumber) {
        SurveyEntry& entry = *currentTable;
        print_current(radio);
        dbg("relaywatch: [%d/%d] AP(%s) (%s/%s) ch=%d\n", entryNumber, TableSize,
            entry.bssid.c_str(), entry.authMode.c_str(), entry.encrypType.c_str(), entry.channel);
        normalise(entry.authMode, entry.encrypType);

        if (!is_mode_change(ownAuth, ownEnc, entry.channel, entry.authMode, entry.encrypType,
                            entry.extCh, radio.curChannel, radio.curAuth, radio.curEnc,
                            radio.curExtCh)) {
            dbg("relaywatch: Mode is not change, ignore.\n");
            continue;
        }
        dbg("relaywatch: Mode is changed, apply new settings...\n");
        apply_change(ownAuth, ownEnc, entry.channel, entry.authMode, entry.encrypType,
                     entry.extCh, radio.curChannel, radio.curAuth, radio.curEnc, radio.curExtCh);
        if (!wait_for_link()) continue;

        dbg("relaywatch: Found hidden AP and connected.\n");
        mark_current_slot(sv);
        manual_get_BSSID.assign(entry.bssid.view());  // at most 17 characters
        dbg("relaywatch: manual_get_BSSID=%s\n", manual_get_BSSID.c_str());
        return;
    }

    dbg("relaywatch: can't connect to any hiddeh AP, delay %d seconds.\n", sv.sleeptime);
    pause_after_recovery(sv);
}

}  // namespace

void recovery_cycle(Supervisor& sv) {
    dbg("relaywatch: Scanning...\n");
    sv.candAuth.clear();
    sv.candEnc.clear();
    sv.candExtCh.clear();
    sv.candChannel = scanChannel(sv.setting(kApCliSsid), sv.setting(kApCliBssid), sv.candAuth,
                                 sv.candEnc, sv.candExtCh);
    if (sv.candChannel != 0) {
        follow_upstream(sv);
    } else {
        try_hidden_access_points(sv);
    }
}
