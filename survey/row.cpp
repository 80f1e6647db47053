// SPDX-License-Identifier: ISC
// The row parser of the survey table: one line of text in, one parsed row
// out. Pure: no I/O, no allocation, no global state.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "survey/survey.h"
#include "survey/vocabulary.h"

namespace {

using namespace row_layout;

constexpr Word kAdHoc = "Ad";

// The security rules: the first prefix that the security column begins
// with names the authentication mode and the cipher, or has the cipher
// rule name it (the WPA modes). The last rule's prefix is empty, which
// every text begins with: "NotSupport" without a cipher. One loop over the
// table for every text, with no test of its own for any. The texts held in
// the table itself, not pointed to: no relocation for each in a
// position-independent daemon.
struct SecurityRule {
    char prefix[16];
    char authMode[17];
    char cipher[5];
    bool byCipherRule;
};

constexpr SecurityRule kSecurityRules[] = {
    {"NONE", "OPEN", "NONE", false},
    {"WEP", "OPEN", "WEP", false},
    {"WPAPSK/", "WPAPSK", "", true},
    {"WPA2PSK/", "WPA2PSK", "", true},
    {"WPA1PSKWPA2PSK/", "WPA-PSK/WPA2-PSK", "", true},
    {"", "NotSupport", "", false},
};
static_assert(same_text(kSecurityRules[0].authMode, vocab::kAuthOpen) &&
              same_text(kSecurityRules[0].cipher, vocab::kEncNone) &&
              same_text(kSecurityRules[1].authMode, vocab::kAuthOpen) &&
              same_text(kSecurityRules[1].cipher, vocab::kEncWep) &&
              same_text(kSecurityRules[2].authMode, vocab::kAuthWpaPsk) &&
              same_text(kSecurityRules[3].authMode, vocab::kAuthWpa2Psk) &&
              same_text(kSecurityRules[4].authMode, vocab::kAuthMixed) && kSecurityRules[5].prefix[0] == '\0' &&
              same_text(kSecurityRules[5].authMode, vocab::kAuthNotSupport) &&
              same_text(kSecurityRules[5].cipher, vocab::kEncEmpty));

// The cipher rule: which cipher names the whole security text mentions.
// Each answer is a part of "TKIP/AES" (both: all of it; TKIP: its first
// four characters; AES: its last three; neither: none), cut from the one
// text rather than chosen among four.
std::string_view cipher_of(const char* security) {
    const bool tkip = std::strstr(security, "TKIP") != nullptr;
    const bool aes = std::strstr(security, "AES") != nullptr;
    const std::size_t first = tkip ? 0 : 5;
    const std::size_t size = aes ? 8 - first : (tkip ? 4 : 0);
    return std::string_view(vocab::kEncTkipAes.text + first, size);
}
static_assert(same_text(std::string_view(vocab::kEncTkipAes).substr(0, 4), vocab::kEncTkip) &&
              same_text(std::string_view(vocab::kEncTkipAes).substr(5), vocab::kEncAes));

// The security normalisation: "NONE" and "WEP" are open, with that cipher;
// a WPA mode takes its cipher by the cipher rule; a text that begins with
// none of them is "NotSupport" without a cipher.
void normalise_security(SurveyEntry& row) {
    const char* security = row.security.c_str();
    // Found at the very start: one call, where strncmp needs the prefix's
    // length from strlen first. The last rule ends the walk.
    const SecurityRule* rule = kSecurityRules;
    while (std::strstr(security, rule->prefix) != security) ++rule;
    // The whole zero-padded arrays: the copy into the zero-filled buffer is
    // the same text, and no strlen is needed.
    row.authMode.assign(std::string_view(rule->authMode, sizeof rule->authMode));
    row.encrypType.assign(rule->byCipherRule ? cipher_of(security)
                                             : std::string_view(rule->cipher, sizeof rule->cipher));
}

// The fixed columns of a row, read by one loop in this order: where each
// goes in SurveyEntry, the bytes it takes there, whether it is a number (an
// int32_t) and its column. One loop over a table instead of a call for each
// field: a smaller daemon. A number's characters are copied zero-terminated
// into its own four bytes and read from there by parse_int, so texts and
// numbers share one copy. (The SSID's width is the row's SSID length, which
// is checked first.)
struct RowField {
    std::uint8_t offset;
    std::uint8_t bytes;
    std::uint8_t first;
    std::uint8_t width;
    bool number;
};

#define RW_ROW_FIELD(member, column, isNumber)                                                               \
    RowField {                                                                                               \
        offsetof(SurveyEntry, member), sizeof(SurveyEntry::member), (column).first, (column).width, isNumber \
    }
constexpr RowField kRowFields[] = {
    RW_ROW_FIELD(channel, kChannel, true),  // a number
    RW_ROW_FIELD(ssidLen, kSsidLen, true),  // a number
    RW_ROW_FIELD(bssid, kBssid, false),
    RW_ROW_FIELD(security, kSecurity, false),
    RW_ROW_FIELD(signal, kSignal, true),  // a number
    RW_ROW_FIELD(wirelessMode, kWirelessMode, false),
    RW_ROW_FIELD(extCh, kExtCh, false),
    RW_ROW_FIELD(networkType, kNetworkType, false),
    RW_ROW_FIELD(extra, kExtra, false),
};
#undef RW_ROW_FIELD
static_assert(sizeof(SurveyEntry) <= UINT8_MAX);
static_assert(sizeof(SurveyEntry::channel) == 4 && sizeof(SurveyEntry::ssidLen) == 4 &&
              sizeof(SurveyEntry::signal) == 4);
static_assert(kChannel.width <= 3 && kSsidLen.width <= 3 && kSignal.width <= 3);

}  // namespace

RowResult parse_survey_row(std::string_view line, SurveyEntry& row) {
    row = SurveyEntry{};
    if (line.size() < 2) return RowResult::TooShort;

    // The fields are taken from the row's own characters: the line end is
    // not one of them, and what lies beyond a short row reads as empty.
    std::string_view text = line;
    if (text.back() == '\n') text.remove_suffix(1);
    // A row cut off before its network-type column has lost its security and
    // extension channel and cannot be told from an ad-hoc row: junk.
    if (text.size() < kMinRowLength) return RowResult::CutOff;

    auto* place = reinterpret_cast<char*>(&row);
    for (const RowField& f : kRowFields) {
        char* into = place + f.offset;
        // field_at's reading, as the start and length assign() takes: a
        // column beyond the row's end starts at its end and is empty.
        const std::size_t first = f.first < text.size() ? f.first : text.size();
        const std::size_t rest = text.size() - first;
        fixed_text::assign(into, f.bytes, text.data() + first, rest < f.width ? rest : f.width);
        if (f.number) *reinterpret_cast<std::int32_t*>(into) = parse_int(static_cast<const char*>(into));
    }
    if (row.ssidLen < 0 || row.ssidLen > kMaxSsidLen) return RowResult::BadSsidLen;
    row.ssid.assign(field_at(text, kSsidFirst, static_cast<std::size_t>(row.ssidLen)));
    if (begins_with(row.networkType.c_str(), kAdHoc)) return RowResult::AdHoc;
    // No access point sits on channel 0 or below, and every access point
    // has a BSSID: a row without either is a header or junk line.
    if (row.channel <= 0) return RowResult::NoChannel;
    const char* bssid = row.bssid.c_str();
    if (bssid[std::strspn(bssid, " ")] == '\0') return RowResult::NoBssid;

    normalise_security(row);
    return RowResult::Parsed;
}
