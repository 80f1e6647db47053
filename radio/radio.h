// Radio settings: what is in force, whether a candidate calls for
// re-programming, the re-programming itself, and the two driver queries.
#pragma once

#include <string_view>

#include "platform/io.h"
#include "platform/text.h"

// The radio settings in force as the supervisor believes them.
struct RadioState {
    AuthText curAuth;  // client authentication mode
    AuthText curEnc;   // client cipher
    int curChannel;
    int curExtCh;      // 1: extension channel above, 0: below
};

// The extension-channel rule: the flag that `candExtCh` on `candChannel`
// calls for, 1 (above) or 0 (below), or kNoExtFlag when the text names none.
inline constexpr int kNoExtFlag = -1;
int ext_channel_flag(std::string_view candExtCh, int candChannel);

// 1 when the candidate's settings call for re-programming the radio, else 0.
// Reads its arguments only.
int is_mode_change(std::string_view ownAuthMode, std::string_view ownEncrypType,
                   const int& candChannel, const AuthText& candAuth, const AuthText& candEnc,
                   const ExtChText& candExtCh, const int& curChannel, const AuthText& curAuth,
                   const AuthText& curEnc, const int& curExtCh);

// Re-programs the radio to the candidate's settings with the fixed command
// sequence and records in the four references what it programmed.
void apply_change(std::string_view ownAuthMode, std::string_view ownEncrypType,
                  const int& candChannel, const AuthText& candAuth, const AuthText& candEnc,
                  const ExtChText& candExtCh, int& curChannel, AuthText& curAuth,
                  AuthText& curEnc, int& curExtCh);

// Escapes `text` for the shell: a backslash before every character, so the
// shell hands the text on unchanged. Any length; the result is on the heap
// (not ok() only when memory runs out).
HeapText TransForShell1(std::string_view text);

// The driver's connect status of interface `ifname`: the driver's result
// word, or 0 on every failure.
int getRPStatus(const char* ifname);

// The channel ra0 runs on, as iwgetid reports it; 0 when it reports none.
int getWlanCurrentChannel();
