// SPDX-License-Identifier: ISC
#include "sim/field/explain_rows.h"

#include "sim/common/text.h"

namespace rwsim {

namespace {

// A column of a row's text.
std::string column(const std::string& text, SurveyColumn c) {
    return text.substr(c.first, c.width);
}

}  // namespace

std::string quoted(std::string_view text) {
    std::string out = "\"";  // appended piecewise: GCC 12 at -O3 warns falsely on "..." + string
    out += shown_text(text);
    out += '"';
    return out;
}

std::string without_line_end(const std::string& text) {
    return !text.empty() && text.back() == '\n' ? text.substr(0, text.size() - 1) : text;
}

std::string why_skipped(const TableRead& r) {
    const std::string text = without_line_end(r.text);
    switch (r.result) {
        case RowResult::TooShort: return "skipped: too short (fewer than 2 characters, line end included)";
        case RowResult::AdHoc:
            return "skipped: an ad hoc network (network type \"Ad\"), neither collected nor selected";
        case RowResult::CutOff:
            return "skipped: cut off before its network type (" + std::to_string(text.size()) +
                   " characters; a row needs " + std::to_string(row_layout::kMinRowLength) + ")";
        case RowResult::NoChannel:
            return "skipped: channel 0 or less (the channel column reads " +
                   quoted(column(text, row_layout::kChannel)) + ")";
        case RowResult::BadSsidLen:
            return "skipped: SSID length outside 0.." + std::to_string(row_layout::kMaxSsidLen) +
                   " (its column reads " + quoted(column(text, row_layout::kSsidLen)) + ")";
        case RowResult::NoBssid: return "skipped: no BSSID (its column is blank)";
        case RowResult::Parsed: break;
    }
    return "";
}

std::string how_selected(Selection s, bool empty_ssid) {
    if (s == Selection::BySsid && empty_ssid) {
        return "selected by SSID, the first hidden row: its empty SSID equals the empty ApCliSsid; relaywatch "
               "remembers "
               "its BSSID";
    }
    switch (s) {
        case Selection::BySsid: return "selected by SSID (no BSSID configured): relaywatch remembers its BSSID";
        case Selection::BySsidAndBssid: return "selected by SSID and the configured BSSID";
        case Selection::ByConfiguredBssid: return "selected by the configured BSSID (its SSID hidden)";
        case Selection::ByRememberedBssid: return "selected by the remembered BSSID (its SSID hidden)";
        case Selection::None: break;
    }
    return "";
}

std::string bssid_fault(std::string_view cfg) {
    if (cfg.empty() || is_bssid(cfg)) return "";
    const std::string n = std::to_string(cfg.size()) + " characters";
    if (cfg.front() == ' ' || cfg.back() == ' ') {
        return std::string("has a ") + (cfg.front() == ' ' ? "leading" : "trailing") + " blank: its " + n +
               " never match a BSSID's " + std::to_string(row_layout::kBssid.width);
    }
    return "is not six hex pairs with colons (" + n + "): it matches no row";
}

std::string why_not(const SurveyEntry& row, std::string_view cfg_ssid, std::string_view cfg_bssid) {
    const std::string_view ssid = row.ssid.view();
    if (ssid == cfg_ssid) {
        const std::string fault = bssid_fault(cfg_bssid);
        if (!fault.empty())
            return "not the upstream: the configured SSID, but ApCliBssid " + quoted(cfg_bssid) + " " + fault;
        if (lower(row.bssid.view()) == lower(cfg_bssid)) {
            return "not the upstream: the configured SSID, but its BSSID is printed in capitals and relaywatch "
                   "compares "
                   "ApCliBssid in small letters";
        }
        return "not the upstream: the configured SSID, but not ApCliBssid " + quoted(cfg_bssid);
    }
    const std::string lengths = " (the row's is " + std::to_string(ssid.size()) + " characters, ApCliSsid " +
                                std::to_string(cfg_ssid.size()) + ")";
    const std::size_t first = cfg_ssid.find_first_not_of(' '), last = cfg_ssid.find_last_not_of(' ');
    if (first != std::string_view::npos && cfg_ssid.substr(first, last - first + 1) == ssid) {
        return std::string("not the upstream: ApCliSsid has a ") + (first > 0 ? "leading" : "trailing") +
               " blank that its SSID has not" + lengths;
    }
    if (lower(ssid) == lower(cfg_ssid)) return "not the upstream: its SSID differs from ApCliSsid only in letter case";
    const bool row_shorter = ssid.size() < cfg_ssid.size();
    if (!ssid.empty() && !cfg_ssid.empty() &&
        (row_shorter ? cfg_ssid.substr(0, ssid.size()) == ssid : ssid.substr(0, cfg_ssid.size()) == cfg_ssid)) {
        return std::string("not the upstream: ") +
               (row_shorter ? "its SSID is the start of ApCliSsid" : "ApCliSsid is the start of its SSID") + lengths;
    }
    return "not the upstream (another SSID)";
}

std::string row_fields(const SurveyEntry& row) {
    std::string ssid = row.ssidLen == 0 ? "hidden (length 0)"
                                        : quoted(row.ssid.view()) + " (length " + std::to_string(row.ssidLen) + ")";
    std::string enc = row.encrypType.empty() ? "no cipher" : std::string(row.encrypType.view());
    return "channel " + std::to_string(row.channel) + ", SSID " + ssid + ", BSSID " + quoted(row.bssid.view()) +
           ", network type " + quoted(row.networkType.view()) + "\n        security " +
           quoted(trimmed(row.security.view())) + " -> " + std::string(row.authMode.view()) + " with " + enc +
           ", extension channel " + quoted(row.extCh.view());
}

}  // namespace rwsim
