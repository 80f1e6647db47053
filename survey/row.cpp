// The row parser of the survey table: one line of text in, one parsed row
// out. Pure: no I/O, no allocation, no global state.
#include <cstddef>
#include <string_view>

#include "survey/survey.h"
#include "survey/vocabulary.h"

using namespace std::string_view_literals;

namespace {

using namespace row_layout;

constexpr Word kAdHoc = "Ad";

// The WPA modes: the first prefix that the security column begins with
// names the authentication mode; the cipher is then the cipher rule's.
struct WpaRule {
    Word prefix;
    Word authMode;
};

constexpr WpaRule kWpaRules[] = {
    {"WPAPSK/", vocab::kAuthWpaPsk},
    {"WPA2PSK/", vocab::kAuthWpa2Psk},
    {"WPA1PSKWPA2PSK/", vocab::kAuthMixed},
};

// The cipher rule: which cipher names the whole security text mentions.
std::string_view cipher_of(std::string_view security) {
    bool tkip = contains(security, "TKIP"sv);
    bool aes = contains(security, "AES"sv);
    if (tkip && aes) return vocab::kEncTkipAes;
    if (tkip) return vocab::kEncTkip;
    if (aes) return vocab::kEncAes;
    return vocab::kEncEmpty;
}

// The security normalisation: "NONE" and "WEP" are open, with that cipher;
// a WPA mode takes its cipher by the cipher rule; a text that begins with
// none of them is "NotSupport" without a cipher.
void normalise_security(SurveyEntry& row) {
    const std::string_view security = row.security.view();
    std::string_view authMode = vocab::kAuthNotSupport;
    std::string_view encrypType = vocab::kEncEmpty;
    if (has_prefix(security, "NONE"sv)) {
        authMode = vocab::kAuthOpen;
        encrypType = vocab::kEncNone;
    } else if (has_prefix(security, "WEP"sv)) {
        authMode = vocab::kAuthOpen;
        encrypType = vocab::kEncWep;
    } else {
        for (const WpaRule& rule : kWpaRules) {
            if (has_prefix(security, rule.prefix)) {
                authMode = rule.authMode;
                encrypType = cipher_of(security);
                break;
            }
        }
    }
    row.authMode.assign(authMode);
    row.encrypType.assign(encrypType);
}

std::string_view field(std::string_view text, SurveyColumn column) {
    return field_at(text, column.first, column.width);
}

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

    row.channel = parse_int(field(text, kChannel));
    row.ssidLen = parse_int(field(text, kSsidLen));
    if (row.ssidLen < 0 || row.ssidLen > kMaxSsidLen) return RowResult::BadSsidLen;
    row.ssid.assign(field_at(text, kSsidFirst, static_cast<std::size_t>(row.ssidLen)));
    row.bssid.assign(field(text, kBssid));
    row.security.assign(field(text, kSecurity));
    row.signal = parse_int(field(text, kSignal));
    row.wirelessMode.assign(field(text, kWirelessMode));
    row.extCh.assign(field(text, kExtCh));
    row.networkType.assign(field(text, kNetworkType));
    if (row.networkType.starts_with(kAdHoc)) return RowResult::AdHoc;
    // No access point sits on channel 0 or below, and every access point
    // has a BSSID: a row without either is a header or junk line.
    if (row.channel <= 0) return RowResult::NoChannel;
    if (row.bssid.view().find_first_not_of(' ') == std::string_view::npos) return RowResult::NoBssid;

    row.extra.assign(field(text, kExtra));
    normalise_security(row);
    return RowResult::Parsed;
}
