// The candidate-settings vocabulary: the texts a survey reports for an
// access point's authentication mode and cipher, and the candidate that
// carries them. The survey writes them, the recovery cycle normalises them
// and the radio code compares them.
#pragma once

#include <string_view>

#include "platform/text.h"

namespace vocab {

// Authentication modes.
inline constexpr std::string_view kAuthOpen = "OPEN";
inline constexpr std::string_view kAuthWpaPsk = "WPAPSK";
inline constexpr std::string_view kAuthWpa2Psk = "WPA2PSK";
inline constexpr std::string_view kAuthMixed = "WPA-PSK/WPA2-PSK";
inline constexpr std::string_view kAuthNotSupport = "NotSupport";

// Ciphers (the empty text is the sixth).
inline constexpr std::string_view kEncNone = "NONE";
inline constexpr std::string_view kEncWep = "WEP";
inline constexpr std::string_view kEncTkipAes = "TKIP/AES";
inline constexpr std::string_view kEncTkip = "TKIP";
inline constexpr std::string_view kEncAes = "AES";
inline constexpr std::string_view kEncEmpty = "";

}  // namespace vocab

// One access point's settings as a survey reports them: the upstream that
// the survey found, or one entry of the hidden-AP list.
struct Candidate {
    int channel;
    AuthText auth;    // authentication mode (vocabulary above)
    AuthText enc;     // cipher (vocabulary above)
    ExtChText extCh;  // the survey's five extension-channel characters as printed
};
