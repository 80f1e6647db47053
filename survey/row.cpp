// The row parser of the survey table: one line of text in, one parsed row
// out. Pure: no I/O, no allocation, no global state.
#include <cstddef>
#include <string_view>

#include "survey/survey.h"
#include "survey/vocabulary.h"

namespace {

// Where each field of a row stands: first column and width.
struct Column {
    std::size_t first;
    std::size_t width;
};

constexpr Column kChannel{0, 3};
constexpr Column kSsidLen{4, 2};
constexpr std::size_t kSsidFirst = 7;  // width: the row's SSID length
constexpr Column kBssid{40, 17};
constexpr Column kSecurity{60, 22};
constexpr Column kSignal{83, 3};
constexpr Column kWirelessMode{92, 7};
constexpr Column kExtCh{100, 5};
constexpr Column kNetworkType{107, 2};
constexpr Column kExtra{110, 3};

constexpr int kMaxSsidLen = 32;
constexpr std::string_view kAdHoc = "Ad";

// How a security text's cipher is found.
enum class Cipher { Fixed, ByRule };

// The security normalisation: the first prefix that the security column
// begins with decides; a text with none of them is "NotSupport".
struct SecurityRule {
    std::string_view prefix;
    std::string_view authMode;
    Cipher cipher;
    std::string_view encrypType;  // when the cipher is fixed
};

constexpr SecurityRule kSecurityRules[] = {
    {"NONE", vocab::kAuthOpen, Cipher::Fixed, vocab::kEncNone},
    {"WEP", vocab::kAuthOpen, Cipher::Fixed, vocab::kEncWep},
    {"WPAPSK/", vocab::kAuthWpaPsk, Cipher::ByRule, {}},
    {"WPA2PSK/", vocab::kAuthWpa2Psk, Cipher::ByRule, {}},
    {"WPA1PSKWPA2PSK/", vocab::kAuthMixed, Cipher::ByRule, {}},
};
constexpr SecurityRule kUnsupported{{}, vocab::kAuthNotSupport, Cipher::Fixed, vocab::kEncEmpty};

// The cipher rule: which cipher names the whole security text mentions.
std::string_view cipher_of(std::string_view security) {
    bool tkip = security.find("TKIP") != std::string_view::npos;
    bool aes = security.find("AES") != std::string_view::npos;
    if (tkip && aes) return vocab::kEncTkipAes;
    if (tkip) return vocab::kEncTkip;
    if (aes) return vocab::kEncAes;
    return vocab::kEncEmpty;
}

void normalise_security(SurveyEntry& row) {
    std::string_view security = row.security.view();
    const SecurityRule* rule = &kUnsupported;
    for (const SecurityRule& candidate : kSecurityRules) {
        if (has_prefix(security, candidate.prefix)) {
            rule = &candidate;
            break;
        }
    }
    row.authMode.assign(rule->authMode);
    row.encrypType.assign(rule->cipher == Cipher::ByRule ? cipher_of(security) : rule->encrypType);
}

std::string_view field(std::string_view text, Column column) {
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
    if (text.size() < kNetworkType.first + kNetworkType.width) return RowResult::CutOff;

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
