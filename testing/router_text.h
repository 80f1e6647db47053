// SPDX-License-Identifier: ISC
// Survey tables laid out as the driver prints them, and a repeater's stored
// settings: shared by the unit tests and the benchmarks (no GoogleTest).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

using Store = std::map<std::string, std::string>;

// A repeater with upstream "upstream" (no BSSID configured), client and own
// security WPA2PSK/AES, extension channel above; `changes` over that.
inline Store repeater_store(const Store& changes = {}) {
    Store store = {{"OperationMode", "3"},
                   {"ApCliEnable", "1"},
                   {"ApCliSsid", "upstream"},
                   {"ApCliBssid", ""},
                   {"ApCliAuthMode", "WPA2PSK"},
                   {"ApCliEncrypType", "AES"},
                   {"AuthMode", "WPA2PSK"},
                   {"EncrypType", "AES"},
                   {"HT_EXTCHA", "1"},
                   {"SSID1", "repeater"},
                   {"HT_BW", "1"},
                   {"WPAPSK1", "passphrase"},
                   {"DefaultKeyID", "1"},
                   {"Key1Str1", "abcde"}};
    for (const auto& [key, value] : changes) store[key] = value;
    return store;
}

// One access point, each field as printed. An empty `ssid` is a hidden one;
// an empty `ssidLen` prints the SSID's own length.
struct Ap {
    std::string channel = "6";
    std::string ssid{};
    std::string bssid = "00:11:22:33:44:55";
    std::string security = "WPA2PSK/AES";
    std::string extCh = "ABOVE";
    std::string ssidLen{};
    std::string signal = "81", mode = "11b/g/n", type = "In", extra = "YES";
};

inline std::string survey_row(const Ap& ap) {
    const std::string length = ap.ssidLen.empty() ? std::to_string(ap.ssid.size()) : ap.ssidLen;
    std::string line(113, ' ');
    for (const auto& [column, text] : {std::pair<std::size_t, std::string>{0, ap.channel},
                                       {4, length},
                                       {7, ap.ssid},
                                       {40, ap.bssid},
                                       {60, ap.security},
                                       {83, ap.signal},
                                       {92, ap.mode},
                                       {100, ap.extCh},
                                       {107, ap.type},
                                       {110, ap.extra}}) {
        if (line.size() < column + text.size()) line.resize(column + text.size(), ' ');
        line.replace(column, text.size(), text);
    }
    return line + "\n";
}

inline const std::string kSurveyHeading =
    "ra0       get_site_survey:\n"
    "Ch  SSID                             BSSID               Security               "
    "Siganl(%)W-Mode  ExtCH  NT WPS\n";

inline std::string survey_table(const std::vector<Ap>& aps) {
    std::string table = kSurveyHeading;
    for (const Ap& ap : aps) table += survey_row(ap);
    return table;
}
