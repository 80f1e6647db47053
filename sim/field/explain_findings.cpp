// SPDX-License-Identifier: ISC
#include "sim/field/explain_findings.h"

#include <algorithm>

#include "platform/messages.h"
#include "radio/radio.h"
#include "report/bundle_format.h"
#include "sim/common/daemon_lines.h"
#include "sim/common/format_match.h"
#include "sim/common/text.h"
#include "survey/survey.h"

namespace rwsim {

namespace {

// A finding for the key `name` when relaywatch refuses its length.
void judge_key(const std::map<std::string, std::string>& store, const char* name, bool (*valid)(std::size_t),
               const std::string& lengths, const char* when, std::vector<std::string>& findings) {
    const auto it = store.find(name);
    if (it == store.end()) return;
    const KeyLength k = key_length(it->second);
    if (valid(k.length)) return;
    findings.push_back(std::string(name) + (k.redacted ? " (redacted) is " : " is ") + std::to_string(k.length) +
                       (k.length == 1 ? " character" : " characters") + ": relaywatch sets " + lengths +
                       " only; for this one it logs \"" +
                       shown_text(reprinted(log_format(LogMsg::InvalidKey).format, {it->second})) +
                       "\" and leaves the key unset (it reads " + name + " only " + when + ")");
}

}  // namespace

KeyLength key_length(const std::string& value) {
    KeyLength k{value.size(), false};
    if (value.rfind(bundle::kSecretOpen, 0) != 0 || value.back() != ']') return k;
    const std::string_view rest = std::string_view(value).substr(bundle::kSecretOpen.size());
    const std::size_t blank = rest.find(' ');
    long n = 0;
    if (blank == std::string_view::npos || !parse_whole(rest.substr(0, blank), 4, n)) return k;
    const std::string_view alphabet = rest.substr(blank + 1, rest.size() - blank - 2);
    if (alphabet != bundle::kAlphabetPrintable && alphabet != bundle::kAlphabetHex &&
        alphabet != bundle::kAlphabetOther)
        return k;
    return KeyLength{static_cast<std::size_t>(n), true};
}

std::vector<std::string> key_findings(const std::map<std::string, std::string>& store) {
    std::vector<std::string> findings;
    judge_key(
        store, kStorePsk, is_valid_psk,
        "a pre-shared key of " + std::to_string(kPskMinLength) + " to " + std::to_string(kPskMaxLength) + " characters",
        "when the own AP uses a pre-shared key", findings);
    judge_key(store, kStoreWepKey, is_valid_wep_key,
              "a WEP key of " + std::to_string(kWepTextShort) + " or " + std::to_string(kWepTextLong) +
                  " characters (text) or " + std::to_string(kWepHexShort) + " or " + std::to_string(kWepHexLong) +
                  " (hex digits)",
              "when the own AP uses WEP", findings);
    return findings;
}

std::optional<std::string> bssid_case_finding(const std::vector<TableRead>& reads, const std::string& configured) {
    int rows = 0, first = 0, pinned = 0;
    const std::string pinned_lower(make_upstream(nullptr, configured.c_str()).bssid.view());
    for (const TableRead& r : reads) {
        if (r.result != RowResult::Parsed) continue;
        const std::string bssid(r.row.bssid.view());
        if (make_upstream(nullptr, bssid.c_str()).bssid.view() == bssid) continue;
        ++rows;
        if (first == 0) first = r.line;
        if (pinned == 0 && !configured.empty() && lower(bssid) == pinned_lower) pinned = r.line;
    }
    if (rows == 0) return std::nullopt;
    std::string text = "table: " + std::to_string(rows) +
                       (rows == 1 ? " row has its BSSID" : " rows have their BSSIDs") +
                       " in capitals (the first on line " + std::to_string(first) +
                       "): relaywatch lower-cases ApCliBssid before comparing, so it never matches such a row";
    if (pinned > 0) text += "; the configured one is line " + std::to_string(pinned) + "'s";
    return text;
}

std::optional<std::string> capture_end_finding(const std::string& table) {
    if (table.empty() || table.back() == '\n') return std::nullopt;
    const auto line = 1 + std::count(table.begin(), table.end(), '\n');
    return "the capture ends in the middle of line " + std::to_string(line) +
           " (the driver ends every line, the capture stopped there): that line is as much of it as was kept";
}

}  // namespace rwsim
