// SPDX-License-Identifier: ISC
// Settings application: re-programs the radio to a candidate access point's
// settings with a fixed sequence of iwpriv commands, and escapes stored
// values for the shell.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "radio/radio.h"
#include "survey/vocabulary.h"

namespace {

// The own access point's security texts as the store holds them.
constexpr Word kOwnAuthOpen = "OPEN";
constexpr Word kOwnAuthShared = "SHARED";
constexpr Word kOwnEncNone = "NONE";
constexpr Word kOwnEncWep = "WEP";
constexpr Word kPsk = "PSK";

// No bandwidth command on this channel.
constexpr int kNoBandwidthChannel = 140;

// How the own access point's key is re-applied.
enum class KeyStep { Nothing, Wep, PreShared, Unsupported };

// The key step by the own authentication mode and cipher: open without a
// cipher needs none, open or shared WEP the WEP key, any PSK mode the
// passphrase; every other combination is unsupported.
KeyStep choose_key_step(std::string_view ownAuthMode, std::string_view ownEncrypType) {
    const bool open = is_word(ownAuthMode.data(), kOwnAuthOpen);
    if (open && is_word(ownEncrypType.data(), kOwnEncNone)) return KeyStep::Nothing;
    if ((open || is_word(ownAuthMode.data(), kOwnAuthShared)) && is_word(ownEncrypType.data(), kOwnEncWep))
        return KeyStep::Wep;
    if (std::strstr(ownAuthMode.data(), kPsk.text) != nullptr) return KeyStep::PreShared;
    return KeyStep::Unsupported;
}

// Sets the radio's `setting` to `value` escaped for the shell
// ("iwpriv ra0 set <setting>=<escaped value>"). Without memory for the
// escaped text the command line cannot be formed and is not run, as
// run_command() does with a line it cannot format.
// `value` is a text that was read (ok()), so its characters are at `ptr`.
void run_escaped(const char* setting, const StoredText& value) {
    HeapText escaped = TransForShell1(std::string_view(value.ptr, value.count));
    if (!escaped.ok()) return;
    run_command("iwpriv ra0 set %s=%s", setting, escaped.ptr);
}

// The stored settings of one re-programming: the own SSID and bandwidth,
// then those of the key step.
enum StoredSetting { kSsid, kBandwidth, kKeyFirst, kKeySecond, kStoredSettings };

// The keys of those settings for each key step, in the order they are read:
// one text each, every name after the previous one's terminator, an empty
// name at the end. (An array of pointers would need a relocation per name
// in a position-independent daemon.)
constexpr char kReadsWithoutKey[] = "SSID1\0HT_BW\0";
constexpr char kReadsWep[] = "SSID1\0HT_BW\0DefaultKeyID\0Key1Str1\0";
constexpr char kReadsPreShared[] = "SSID1\0HT_BW\0WPAPSK1\0";

// Whether `list` names exactly `keys`, in order: the lists above against
// the keys' own constants, at compile time.
template <std::size_t N>
consteval bool lists_keys(const char* list, const char* const (&keys)[N]) {
    for (const char* key : keys) {
        while (*key != '\0') {
            if (*list++ != *key++) return false;
        }
        if (*list++ != '\0') return false;
    }
    return *list == '\0';
}
static_assert(lists_keys(kReadsWithoutKey, {kStoreOwnSsid, kStoreBandwidth}));
static_assert(lists_keys(kReadsWep, {kStoreOwnSsid, kStoreBandwidth, kStoreWepKeyId, kStoreWepKey}));
static_assert(lists_keys(kReadsPreShared, {kStoreOwnSsid, kStoreBandwidth, kStorePsk}));

void wep_key_step(const StoredText& keyId, const StoredText& key) {
    // The key slot is set whatever the key turns out to be.
    run_escaped("DefaultKeyID", keyId);
    if (is_valid_wep_key(key.count)) {
        run_escaped("Key1", key);
    } else {
        print(RW_MSG_INVALID_KEY, key.ptr);
    }
}

void pre_shared_key_step(const StoredText& passphrase) {
    if (is_valid_psk(passphrase.count)) {
        run_escaped("WPAPSK", passphrase);
    } else {
        print(RW_MSG_INVALID_KEY, passphrase.ptr);
    }
}

}  // namespace

bool apply_change(const OwnSecurity& own, const Candidate& cand, RadioState& radio) {
    const KeyStep keyStep = choose_key_step(own.auth, own.enc);
    const char* key = kReadsWithoutKey;
    if (keyStep == KeyStep::Wep) key = kReadsWep;
    if (keyStep == KeyStep::PreShared) key = kReadsPreShared;
    // Everything is read before anything is run: a store that cannot be read
    // must not blank the radio's settings with empty values.
    StoredText stored[kStoredSettings];
    for (int i = 0; *key != '\0'; ++i, key += std::strlen(key) + 1) {
        stored[i] = store_read(key);
        if (!stored[i].ok()) {
            say(RW_MSG_STORE_UNREADABLE, key);
            return false;
        }
    }

    if (client_follows_auth(own, cand)) {
        run_command("iwpriv apcli0 set ApCliAuthMode=%s", cand.auth.c_str());
        radio.curAuth = cand.auth;
    }
    if (client_follows_enc(own, cand)) {
        run_command("iwpriv apcli0 set ApCliEncrypType=%s", cand.enc.c_str());
        radio.curEnc = cand.enc;
    }

    run_command("iwpriv ra0 set Channel=%d", cand.channel);
    radio.curChannel = cand.channel;

    // 1 above, 0 below; when the survey names no extension channel, leave it be.
    const int extCh = ext_channel_flag(cand.extCh.c_str(), cand.channel);
    if (extCh != kNoExtFlag) {
        run_command("iwpriv ra0 set HtExtcha=%d", extCh);
        radio.curExtCh = extCh;
    }

    if (cand.channel != kNoBandwidthChannel) run_escaped("HtBw", stored[kBandwidth]);

    switch (keyStep) {
        case KeyStep::Nothing: break;
        case KeyStep::Wep: wep_key_step(stored[kKeyFirst], stored[kKeySecond]); break;
        case KeyStep::PreShared: pre_shared_key_step(stored[kKeyFirst]); break;
        case KeyStep::Unsupported:
            print(RW_MSG_UNSUPPORTED_MODE, static_cast<int>(own.auth.size()), own.auth.data(),
                  static_cast<int>(own.enc.size()), own.enc.data());
            break;
    }

    // The own SSID is always set, and always last.
    run_escaped("SSID", stored[kSsid]);
    return true;
}

// Escapes `text` for an unquoted shell word: every character gets a
// backslash in front of it (letters, digits and blanks too), so the shell
// removes the backslashes and hands on each character literally. The one
// exception is the newline: a backslash before it is a line continuation,
// which the shell deletes together with the newline, so a newline is written
// as a single-quoted newline instead ('<newline>'). Undoing the result by the
// shell's quoting rules gives back the text byte for byte (a C text holds no
// NUL). Texts of any length; n characters become 2n (3 for each newline).
HeapText TransForShell1(std::string_view text) {
    // Room for the longest result (every character a newline) and the
    // terminator, taken at once rather than measured by a first pass: the
    // texts are short stored values, and alloc_zeroed() refuses a product
    // that overflows.
    auto* out = static_cast<char*>(plat::alloc_zeroed(text.size() + 1, 3));
    if (out == nullptr) return HeapText();
    std::size_t n = 0;
    for (char c : text) {
        if (c == '\n') {
            out[n++] = '\'';
            out[n++] = '\n';
            out[n++] = '\'';
        } else {
            out[n++] = '\\';
            out[n++] = c;
        }
    }
    return HeapText(out, n);
}
