// SPDX-License-Identifier: ISC
// Radio settings: what is in force, whether a candidate calls for
// re-programming, the re-programming itself, and the two driver queries.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/io.h"
#include "platform/text.h"
#include "survey/vocabulary.h"

// The radio settings in force as the supervisor believes them.
struct RadioState {
    AuthText curAuth;  // client authentication mode
    AuthText curEnc;   // client cipher
    int curChannel;
    int curExtCh;  // 1: extension channel above, 0: below
};

// The own access point's security as the store holds it: views of
// zero-terminated texts (the snapshot's), compared with the C library.
struct OwnSecurity {
    std::string_view auth;  // AuthMode
    std::string_view enc;   // EncrypType
};

// The store keys the re-programming reads beside the start-up snapshot: the
// own SSID and bandwidth always, then the key the own access point's
// security calls for (the pre-shared key; for WEP the key index and key).
inline constexpr const char* kStoreOwnSsid = "SSID1";
inline constexpr const char* kStoreBandwidth = "HT_BW";
inline constexpr const char* kStorePsk = "WPAPSK1";
inline constexpr const char* kStoreWepKeyId = "DefaultKeyID";
inline constexpr const char* kStoreWepKey = "Key1Str1";

// The key lengths the re-programming accepts; a key of another length is
// not set, and one line ("Invalid Key=...") says so. Only the length is
// judged here: what characters a key may hold is the driver's matter.
// WEP keys: 5 or 13 characters as text, 10 or 26 as hex digits (64- and
// 128-bit keys).
inline constexpr std::size_t kWepTextShort = 5;
inline constexpr std::size_t kWepTextLong = 13;
inline constexpr std::size_t kWepHexShort = 10;
inline constexpr std::size_t kWepHexLong = 26;
constexpr bool is_valid_wep_key(std::size_t length) {
    return length == kWepTextShort || length == kWepTextLong || length == kWepHexShort || length == kWepHexLong;
}

// Pre-shared keys: a passphrase of 8 to 63 characters, or 64 hex digits.
inline constexpr std::size_t kPskMinLength = 8;
inline constexpr std::size_t kPskMaxLength = 64;
constexpr bool is_valid_psk(std::size_t length) {
    return length >= kPskMinLength && length <= kPskMaxLength;
}

// The extension-channel rule: the flag that the text `candExtCh` on
// `candChannel` calls for, 1 (above) or 0 (below), or kNoExtFlag when the
// text names none.
inline constexpr int kNoExtFlag = -1;
int ext_channel_flag(const char* candExtCh, int candChannel);

// Whether the client follows the candidate's authentication mode and its
// cipher: only from the own access point's mixed WPA/WPA2 mode (cipher:
// mixed TKIP and AES), and only to a single mode (cipher). Change detection
// and the settings application both ask these.
bool client_follows_auth(const OwnSecurity& own, const Candidate& cand);
bool client_follows_enc(const OwnSecurity& own, const Candidate& cand);

// 1 when the candidate's settings call for re-programming the radio, else 0.
// Reads its arguments only.
int is_mode_change(const OwnSecurity& own, const Candidate& cand, const RadioState& radio);

// Re-programs the radio to the candidate's settings with the fixed command
// sequence and records in `radio` what it programmed. Every stored setting
// the sequence needs is read first: when one cannot be read, no command
// runs, one error line says which, `radio` stays as it was and the result is
// false.
bool apply_change(const OwnSecurity& own, const Candidate& cand, RadioState& radio);

// Escapes `text` for the shell: a backslash before every character, so the
// shell hands the text on unchanged. Any length; the result is on the heap
// (not ok() only when memory runs out).
HeapText TransForShell1(std::string_view text);

// The driver's connect status of interface `ifname`: the driver's result
// word, or 0 on every failure.
int getRPStatus(const char* ifname);

// The channel ra0 runs on, as iwgetid reports it; 0 when it reports none.
int getWlanCurrentChannel();
