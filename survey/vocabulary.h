// SPDX-License-Identifier: ISC
// The candidate-settings vocabulary: the texts a survey reports for an
// access point's authentication mode and cipher, and the candidate that
// carries them. The survey writes them, the recovery cycle normalises them
// and the radio code compares them.
#pragma once

#include <string_view>

#include "platform/text.h"

namespace vocab {

// Authentication modes.
inline constexpr Word kAuthOpen = "OPEN";
inline constexpr Word kAuthWpaPsk = "WPAPSK";
inline constexpr Word kAuthWpa2Psk = "WPA2PSK";
inline constexpr Word kAuthMixed = "WPA-PSK/WPA2-PSK";
inline constexpr Word kAuthNotSupport = "NotSupport";

// Ciphers (the empty text is the sixth).
inline constexpr Word kEncNone = "NONE";
inline constexpr Word kEncWep = "WEP";
inline constexpr Word kEncTkipAes = "TKIP/AES";
inline constexpr Word kEncTkip = "TKIP";
inline constexpr Word kEncAes = "AES";
inline constexpr Word kEncEmpty = "";

}  // namespace vocab

// One access point's settings as a survey reports them: the upstream that
// the survey found, or one entry of the hidden-AP list.
struct Candidate {
    int channel;
    AuthText auth;    // authentication mode (vocabulary above)
    AuthText enc;     // cipher (vocabulary above)
    ExtChText extCh;  // the survey's five extension-channel characters as printed
};
