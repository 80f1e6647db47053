// SPDX-License-Identifier: ISC
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

OwnSecurity own_security(const Supervisor& sv) {
    return {sv.snapshot[kAuthMode].view(), sv.snapshot[kEncrypType].view()};
}

// Out of line: written once for the upstream and the hidden entries.
[[gnu::noinline]] void print_current(const RadioState& radio) {
    dbg(RW_MSG_CURRENT, radio.curAuth.c_str(), radio.curEnc.c_str(), radio.curChannel, radio.curExtCh);
}

void pause_after_recovery(const Supervisor& sv) {
    plat::sleep_seconds(static_cast<unsigned>(std::max(sv.sleeptime, 0)));
}

void mark_current_slot(Supervisor& sv) {
    sv.resetTimerArray[sv.timerIndex] = window_slot(1);
}

// Any non-zero status counts as connected here, unlike in the link watch.
bool wait_for_link() {
    for (int attempt = 0; attempt < kLinkWaitTries; ++attempt) {
        plat::sleep_seconds(1);
        int status = getRPStatus("apcli0");
        dbg(RW_MSG_LINK_WAIT, status);
        if (status != 0) return true;
    }
    return false;
}

// Normalises the candidate and, when it calls for re-programming, applies
// it: 0 when there was nothing to change, 1 when applied, -1 when its
// settings could not be applied (the store unreadable).
int follow(const OwnSecurity& own, Candidate& cand, RadioState& radio) {
    normalise(cand);
    if (!is_mode_change(own, cand, radio)) return 0;
    dbg(RW_MSG_MODE_CHANGED);
    return apply_change(own, cand, radio) ? 1 : -1;
}

// `ssid` and `bssid`: the configured upstream, as the survey was given it.
void follow_upstream(Supervisor& sv, const OwnSecurity& own, Candidate& cand, const char* ssid, const char* bssid) {
    print_current(sv.radio);
    dbg(RW_MSG_FOUND_AP, ssid, bssid, cand.channel, cand.extCh.c_str(), cand.auth.c_str(), cand.enc.c_str());
    if (follow(own, cand, sv.radio) != 0) {
        dbg(RW_MSG_REMEMBERED, sv.manual_get_BSSID.c_str());
    } else {
        dbg(RW_MSG_MODE_SAME);
    }
    mark_current_slot(sv);
    pause_after_recovery(sv);
}

// Walks the hidden-AP list in table order. The first entry that connects is
// remembered as the upstream and ends the cycle at once. An entry whose
// settings cannot be applied (the store unreadable) ends the walk: the
// entries after it would fail alike, and the next recovery tries again.
void try_hidden_access_points(Supervisor& sv, const OwnSecurity& own, HiddenList& hidden) {
    // Taken before the first line rather than in the walk's branch, where
    // the compiler makes more code of it.
    // cppcheck-suppress variableScope
    RadioState& radio = sv.radio;
    dbg(RW_MSG_NOT_BROADCAST);
    if (hidden.head == nullptr) {
        dbg(RW_MSG_NO_HIDDEN, sv.sleeptime);
    } else {
        dbg(RW_MSG_HIDDEN_COUNT, hidden.size);
        int entryNumber = 1;
        for (HiddenAp* entry = hidden.head; entry != nullptr; entry = entry->next, ++entryNumber) {
            Candidate& cand = entry->cand;
            print_current(radio);
            dbg(RW_MSG_HIDDEN_ENTRY, entryNumber, hidden.size, entry->bssid.c_str(), cand.auth.c_str(),
                cand.enc.c_str(), cand.channel);
            const int followed = follow(own, cand, radio);
            if (followed == 0) {
                dbg(RW_MSG_HIDDEN_SAME);
                continue;
            }
            if (followed < 0) break;
            if (!wait_for_link()) continue;

            dbg(RW_MSG_HIDDEN_CONNECTED);
            mark_current_slot(sv);
            sv.manual_get_BSSID = entry->bssid;
            dbg(RW_MSG_REMEMBERED, sv.manual_get_BSSID.c_str());
            return;
        }
        dbg(RW_MSG_HIDDEN_NONE, sv.sleeptime);
    }
    // Both ways without a connected entry: one pause.
    pause_after_recovery(sv);
}

}  // namespace

void normalise(Candidate& cand) {
    if (is_word(cand.auth.c_str(), vocab::kAuthMixed)) cand.auth.assign(vocab::kAuthWpa2Psk);
    if (is_word(cand.enc.c_str(), vocab::kEncTkipAes)) cand.enc.assign(vocab::kEncAes);
}

void recovery_cycle(Supervisor& sv) {
    dbg(RW_MSG_SCANNING);
    Candidate cand;  // written by the survey when it returns a channel, read only then
    HiddenList hidden;
    const OwnSecurity own = own_security(sv);
    const char* ssid = sv.setting(kApCliSsid);
    // The BSSID with its length, which the survey would otherwise measure.
    const std::string_view bssid = sv.snapshot[kApCliBssid].view();
    if (scanChannel(ssid, bssid, sv.manual_get_BSSID, cand, hidden) != 0) {
        follow_upstream(sv, own, cand, ssid, bssid.data());
    } else {
        try_hidden_access_points(sv, own, hidden);
    }
}
