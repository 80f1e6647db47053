// Settings application: re-programs the radio to a candidate access point's
// settings with a fixed sequence of iwpriv commands, and escapes stored
// values for the shell.
#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "radio/radio.h"
#include "survey/vocabulary.h"

namespace {

// The own access point's security texts as the store holds them.
constexpr std::string_view kOwnAuthMixed = "WPAPSKWPA2PSK";
constexpr std::string_view kOwnEncMixed = "TKIPAES";
constexpr std::string_view kOwnAuthOpen = "OPEN";
constexpr std::string_view kOwnAuthShared = "SHARED";
constexpr std::string_view kOwnEncNone = "NONE";
constexpr std::string_view kOwnEncWep = "WEP";
constexpr std::string_view kPsk = "PSK";

// No bandwidth command on this channel.
constexpr int kNoBandwidthChannel = 140;

// How the own access point's key is re-applied.
enum class KeyStep { Nothing, Wep, PreShared, Unsupported };

enum class Match { Exactly, Containing, Any };

constexpr bool matches(Match how, std::string_view wanted, std::string_view text) {
    switch (how) {
        case Match::Exactly: return text == wanted;
        case Match::Containing: return text.find(wanted) != std::string_view::npos;
        case Match::Any: return true;
    }
    return false;
}

struct KeyChoice {
    Match authMatch;
    std::string_view auth;
    Match encMatch;
    std::string_view enc;
    KeyStep step;
};

// The key step by the own authentication mode and cipher; a combination
// that no row names is unsupported.
constexpr KeyChoice kKeyChoices[] = {
    {Match::Exactly, kOwnAuthOpen, Match::Exactly, kOwnEncNone, KeyStep::Nothing},
    {Match::Exactly, kOwnAuthOpen, Match::Exactly, kOwnEncWep, KeyStep::Wep},
    {Match::Exactly, kOwnAuthShared, Match::Exactly, kOwnEncWep, KeyStep::Wep},
    {Match::Containing, kPsk, Match::Any, {}, KeyStep::PreShared},
};

constexpr KeyStep choose_key_step(std::string_view ownAuthMode, std::string_view ownEncrypType) {
    for (const KeyChoice& choice : kKeyChoices) {
        if (matches(choice.authMatch, choice.auth, ownAuthMode) &&
            matches(choice.encMatch, choice.enc, ownEncrypType)) {
            return choice.step;
        }
    }
    return KeyStep::Unsupported;
}

// WEP keys: 5 or 13 characters as text, 10 or 26 as hex digits.
constexpr bool is_valid_wep_key(std::size_t length) {
    return length == 5 || length == 13 || length == 10 || length == 26;
}

// Pre-shared keys: a passphrase of 8 to 63 characters, or 64 hex digits.
constexpr bool is_valid_psk(std::size_t length) { return length >= 8 && length <= 64; }

// Runs `pattern` with `value` escaped for the shell in place of its one %s.
// Without memory for the escaped text the command line cannot be formed and
// is not run, as run_command() does with a line it cannot format.
void run_escaped(const char* pattern, std::string_view value) {
    HeapText escaped = TransForShell1(value);
    if (!escaped.ok()) return;
    run_command(pattern, escaped.c_str());
}

void wep_key_step() {
    StoredText keyId = store_read("DefaultKeyID");
    StoredText key = store_read("Key1Str1");
    // The key slot is set whatever the key turns out to be.
    run_escaped("iwpriv ra0 set DefaultKeyID=%s", keyId.view());
    if (is_valid_wep_key(key.view().size())) {
        run_escaped("iwpriv ra0 set Key1=%s", key.view());
    } else {
        say("Invalid Key=%s\n", key.c_str());
    }
    keyId.reset();
    key.reset();
}

void pre_shared_key_step() {
    StoredText passphrase = store_read("WPAPSK1");
    if (is_valid_psk(passphrase.view().size())) {
        run_escaped("iwpriv ra0 set WPAPSK=%s", passphrase.view());
    } else {
        say("Invalid Key=%s\n", passphrase.c_str());
    }
}

}  // namespace

void apply_change(std::string_view ownAuthMode, std::string_view ownEncrypType,
                  const int& candChannel, const AuthText& candAuth, const AuthText& candEnc,
                  const ExtChText& candExtCh, int& curChannel, AuthText& curAuth,
                  AuthText& curEnc, int& curExtCh) {
    StoredText ssid = store_read("SSID1");
    StoredText bandwidth = store_read("HT_BW");

    // The client follows the upstream's security only in the mixed own
    // modes, and only to a single mode or cipher.
    if (ownAuthMode == kOwnAuthMixed &&
        (candAuth == vocab::kAuthWpaPsk || candAuth == vocab::kAuthWpa2Psk)) {
        run_command("iwpriv apcli0 set ApCliAuthMode=%s", candAuth.c_str());
        curAuth.assign(candAuth.view());
    }
    if (ownEncrypType == kOwnEncMixed &&
        (candEnc == vocab::kEncTkip || candEnc == vocab::kEncAes)) {
        run_command("iwpriv apcli0 set ApCliEncrypType=%s", candEnc.c_str());
        curEnc.assign(candEnc.view());
    }

    run_command("iwpriv ra0 set Channel=%d", candChannel);
    curChannel = candChannel;

    switch (ext_channel_flag(candExtCh.view(), candChannel)) {
        case 1:
            run_command("iwpriv ra0 set HtExtcha=1");
            curExtCh = 1;
            break;
        case 0:
            run_command("iwpriv ra0 set HtExtcha=0");
            curExtCh = 0;
            break;
        default:  // the survey names no extension channel: leave it be
            break;
    }

    if (candChannel != kNoBandwidthChannel) run_escaped("iwpriv ra0 set HtBw=%s", bandwidth.view());

    switch (choose_key_step(ownAuthMode, ownEncrypType)) {
        case KeyStep::Nothing: break;
        case KeyStep::Wep: wep_key_step(); break;
        case KeyStep::PreShared: pre_shared_key_step(); break;
        case KeyStep::Unsupported:
            say("Unsupport security mode: %.*s (%.*s).\n", static_cast<int>(ownAuthMode.size()),
                ownAuthMode.data(), static_cast<int>(ownEncrypType.size()), ownEncrypType.data());
            break;
    }

    // The own SSID is always set, and always last.
    run_escaped("iwpriv ra0 set SSID=%s", ssid.view());

    ssid.reset();
    bandwidth.reset();
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
    HeapText escaped;
    if (text.size() > (SIZE_MAX - 1) / 3) return escaped;
    std::size_t length = 0;
    for (char c : text) length += c == '\n' ? 3 : 2;

    auto* out = static_cast<char*>(plat::alloc_zeroed(length + 1, 1));
    if (out == nullptr) return escaped;
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
    escaped.text = out;
    escaped.length = length;
    return escaped;
}
