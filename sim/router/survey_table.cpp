// SPDX-License-Identifier: ISC
#include "sim/router/survey_table.h"

#include <cstdio>

namespace rwsim {

namespace {

// Every field is printed left-aligned and padded up to the next one:
// channel at 0, SSID length at 4, SSID at 7, BSSID at 40, security at 60,
// signal at 83, wireless mode at 92, extension at 100, network type at 107,
// WPS at 110; a row is 113 characters and its line end. The channel is
// left-aligned so that a row never begins with a blank (the reader skips the
// blanks before the first row).
constexpr const char* kRowFormat = "%-4s%-3s%-33s%-20s%-23s%-9s%-8s%-7s%-3s%-3s\n";

void append_fields(std::string& out, const std::string& channel, const std::string& len, const std::string& ssid,
                   const std::string& bssid, const std::string& security, const std::string& signal,
                   const std::string& mode, const std::string& ext, const std::string& type, const std::string& wps) {
    char row[192];
    int n = std::snprintf(row, sizeof row, kRowFormat, channel.c_str(), len.c_str(), ssid.c_str(), bssid.c_str(),
                          security.c_str(), signal.c_str(), mode.c_str(), ext.c_str(), type.c_str(), wps.c_str());
    if (n > 0) out.append(row, static_cast<std::size_t>(n) < sizeof row ? static_cast<std::size_t>(n) : sizeof row - 1);
}

}  // namespace

void append_survey_row(const AccessPoint& ap, std::string& out) {
    const std::string ssid = ap.hidden ? std::string() : ap.ssid;
    append_fields(out, std::to_string(ap.channel), std::to_string(ssid.size()), ssid, ap.bssid, ap.security,
                  std::to_string(ap.signal), ap.mode, ap.ext, ap.adhoc ? "Ad" : "In", "NO");
}

void print_survey_table(const std::vector<AccessPoint>& air, std::string& out) {
    out.assign("ra0       get_site_survey:\n");
    append_fields(out, "Ch", "Ln", "SSID", "BSSID", "Security", "Siganl(%)", "W-Mode", "ExtCH", "NT", "WPS");
    for (const AccessPoint& ap : air) {
        if (ap.present) append_survey_row(ap, out);
    }
}

}  // namespace rwsim
