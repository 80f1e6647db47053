// Change detection: whether a candidate access point's channel, extension
// channel or (in the two mixed own-security modes) security differs from the
// settings in force, and the extension-channel rule shared with the
// settings application.
#include <array>

#include "radio/radio.h"
#include "survey/vocabulary.h"

namespace {

// The own access point's mixed modes, in which the client follows the
// upstream's authentication mode and cipher.
constexpr std::string_view kOwnAuthMixed = "WPAPSKWPA2PSK";
constexpr std::string_view kOwnEncMixed = "TKIPAES";

// The channels whose extension channel lies below them when the survey
// names none. Every other channel (all of 2.4 GHz, and 36, 44, 144, 149,
// 153, 161 among the others) takes the one above.
constexpr std::array<int, 10> kBelowExtChannels = {40, 48, 56, 64, 104, 112, 120, 128, 136, 140};

constexpr bool is_below_ext_channel(int channel) {
    for (int below : kBelowExtChannels) {
        if (below == channel) return true;
    }
    return false;
}

}  // namespace

int ext_channel_flag(std::string_view candExtCh, int candChannel) {
    // Prefixes only: the survey's five-character column gives "NONE" with a
    // trailing blank.
    if (candExtCh.starts_with("ABOVE")) return 1;
    if (candExtCh.starts_with("BELOW")) return 0;
    if (candExtCh.starts_with("NONE")) return is_below_ext_channel(candChannel) ? 0 : 1;
    return kNoExtFlag;
}

int is_mode_change(std::string_view ownAuthMode, std::string_view ownEncrypType,
                   const int& candChannel, const AuthText& candAuth, const AuthText& candEnc,
                   const ExtChText& candExtCh, const int& curChannel, const AuthText& curAuth,
                   const AuthText& curEnc, const int& curExtCh) {
    const bool authChanged = candAuth != curAuth && ownAuthMode == kOwnAuthMixed &&
                             (candAuth == vocab::kAuthWpaPsk || candAuth == vocab::kAuthWpa2Psk);
    // "TKIP/AES" is neither of the two: a mixed upstream cipher is no change.
    const bool encChanged = candEnc != curEnc && ownEncrypType == kOwnEncMixed &&
                            (candEnc == vocab::kEncTkip || candEnc == vocab::kEncAes);
    const bool channelChanged = candChannel != curChannel;
    const int expectedExtCh = ext_channel_flag(candExtCh.view(), candChannel);
    const bool extChChanged = expectedExtCh != kNoExtFlag && curExtCh != expectedExtCh;

    return authChanged || encChanged || channelChanged || extChChanged ? 1 : 0;
}
