// SPDX-License-Identifier: ISC
// Change detection: whether a candidate access point's channel, extension
// channel or (in the two mixed own-security modes) security differs from the
// settings in force; and the two rules that the settings application shares:
// the extension-channel rule and which security the client follows.
#include <array>
#include <cstdint>

#include "radio/radio.h"
#include "survey/vocabulary.h"

namespace {

// The own access point's mixed modes, in which the client follows the
// upstream's authentication mode and cipher.
constexpr Word kOwnAuthMixed = "WPAPSKWPA2PSK";
constexpr Word kOwnEncMixed = "TKIPAES";

// The channels whose extension channel lies below them when the survey
// names none. Every other channel (all of 2.4 GHz, and 36, 44, 144, 149,
// 153, 161 among the others) takes the one above.
constexpr std::array<std::uint8_t, 10> kBelowExtChannels = {40, 48, 56, 64, 104, 112, 120, 128, 136, 140};

// They are all multiples of 4 from 40 on: one bit each in a word, bit n for
// channel 40 + 4n, tested by a shift instead of a walk over the list.
constexpr int kFirstMaskChannel = 40;
constexpr std::uint32_t kBelowExtMask = [] {
    std::uint32_t mask = 0;
    for (int below : kBelowExtChannels) mask |= 1u << ((below - kFirstMaskChannel) / 4);
    return mask;
}();

constexpr bool is_below_ext_channel(int channel) {
    // Unsigned: a channel below 40 wraps to a large step, beyond the word.
    const unsigned step = static_cast<unsigned>(channel) - kFirstMaskChannel;
    return step % 4 == 0 && step / 4 < 32 && ((kBelowExtMask >> (step / 4)) & 1u) != 0;
}

consteval bool mask_matches_list() {
    for (int below : kBelowExtChannels) {
        if (below < kFirstMaskChannel || (below - kFirstMaskChannel) % 4 != 0 || (below - kFirstMaskChannel) / 4 >= 32)
            return false;
    }
    for (int channel = -512; channel < 512; ++channel) {
        bool listed = false;
        for (int below : kBelowExtChannels) listed = listed || below == channel;
        if (is_below_ext_channel(channel) != listed) return false;
    }
    return !is_below_ext_channel(-2147483647 - 1) && !is_below_ext_channel(2147483647);
}
static_assert(mask_matches_list());

}  // namespace

int ext_channel_flag(const char* candExtCh, int candChannel) {
    // Prefixes only: the survey's five-character column gives "NONE" with a
    // trailing blank.
    if (begins_with(candExtCh, "ABOVE")) return 1;
    if (begins_with(candExtCh, "BELOW")) return 0;
    if (begins_with(candExtCh, "NONE")) return is_below_ext_channel(candChannel) ? 0 : 1;
    return kNoExtFlag;
}

// The client follows only from the mixed own modes, and only to a single
// mode or cipher: "TKIP/AES" is neither of the two.
bool client_follows_auth(const OwnSecurity& own, const Candidate& cand) {
    const char* auth = cand.auth.c_str();
    return is_word(own.auth.data(), kOwnAuthMixed) &&
           (is_word(auth, vocab::kAuthWpaPsk) || is_word(auth, vocab::kAuthWpa2Psk));
}

bool client_follows_enc(const OwnSecurity& own, const Candidate& cand) {
    const char* enc = cand.enc.c_str();
    return is_word(own.enc.data(), kOwnEncMixed) && (is_word(enc, vocab::kEncTkip) || is_word(enc, vocab::kEncAes));
}

int is_mode_change(const OwnSecurity& own, const Candidate& cand, const RadioState& radio) {
    // Any one difference settles it; the channel, the cheapest to compare,
    // first.
    if (cand.channel != radio.curChannel) return 1;
    const int expectedExtCh = ext_channel_flag(cand.extCh.c_str(), cand.channel);
    if (expectedExtCh != kNoExtFlag && radio.curExtCh != expectedExtCh) return 1;
    if (client_follows_auth(own, cand) && cand.auth != radio.curAuth) return 1;
    return client_follows_enc(own, cand) && cand.enc != radio.curEnc ? 1 : 0;
}
