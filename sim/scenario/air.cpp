// SPDX-License-Identifier: ISC
#include "sim/scenario/air.h"

#include <algorithm>

namespace rwsim {

namespace {

// The client authentication modes each kind of access point accepts, by the
// start of its security column; the cipher must be named in the column too,
// except for NONE and WEP, whose cipher is the kind itself.
struct SecurityRule {
    std::string_view prefix;
    std::string_view auths[3];      // empty entries stand for none
    std::string_view fixed_cipher;  // empty: a cipher named in the column
};

constexpr std::string_view kTkip = "TKIP";
constexpr std::string_view kAes = "AES";

constexpr SecurityRule kSecurityRules[] = {
    {"NONE", {"OPEN"}, "NONE"},    {"WEP", {"OPEN", "SHARED", "WEPAUTO"}, "WEP"},  {"WPAPSK/", {"WPAPSK"}, ""},
    {"WPA2PSK/", {"WPA2PSK"}, ""}, {"WPA1PSKWPA2PSK/", {"WPAPSK", "WPA2PSK"}, ""},
};

}  // namespace

bool is_valid_channel(int ch) {
    if (ch >= 1 && ch <= 14) return true;
    if (ch >= 36 && ch <= 64) return ch % 4 == 0;
    if (ch >= 100 && ch <= 144) return ch % 4 == 0;
    if (ch >= 149 && ch <= 165) return (ch - 149) % 4 == 0;
    return false;
}

const char* natural_ext(int ch) {
    if (ch >= 1 && ch <= 14) return ch <= 7 ? "ABOVE" : "BELOW";
    if (ch == 165) return "NONE";
    int base = ch >= 149 ? ch - 149 : ch - 36;
    return (base / 4) % 2 == 0 ? "ABOVE" : "BELOW";
}

bool security_accepts(std::string_view security, std::string_view auth, std::string_view enc) {
    for (const SecurityRule& rule : kSecurityRules) {
        if (!security.starts_with(rule.prefix)) continue;
        if (auth.empty() || std::find(std::begin(rule.auths), std::end(rule.auths), auth) == std::end(rule.auths)) {
            return false;
        }
        if (!rule.fixed_cipher.empty()) return enc == rule.fixed_cipher;
        return (enc == kTkip || enc == kAes) && security.find(enc) != std::string_view::npos;
    }
    return false;
}

AirChange apply_air_event(AccessPoint& ap, const Event& e) {
    AirChange c;
    switch (e.kind) {
        case EventKind::Add:
            c.effective = !ap.present;
            ap.present = true;
            c.text = ap.name + " comes on the air on channel " + std::to_string(ap.channel) +
                     (ap.hidden ? " (SSID hidden)" : "");
            break;
        case EventKind::Remove:
            c.effective = ap.present;
            ap.present = false;
            c.text = ap.name + " leaves the air";
            break;
        case EventKind::Move:
            ap.channel = e.channel;
            if (!e.ext.empty()) ap.ext = e.ext;
            c.text = ap.name + " moves to channel " + std::to_string(ap.channel) + " (ext " + ap.ext + ")";
            break;
        case EventKind::Hide:
            c.effective = !ap.hidden;
            ap.hidden = true;
            c.text = ap.name + " hides its SSID";
            break;
        case EventKind::Show:
            c.effective = ap.hidden;
            ap.hidden = false;
            c.text = ap.name + " shows its SSID \"" + ap.ssid + "\" again";
            break;
        case EventKind::Security:
            ap.security = e.text;
            c.text = ap.name + "'s security becomes " + e.text;
            break;
        case EventKind::Signal:
            ap.signal = e.number;
            c.disturbs = false;
            c.text = ap.name + "'s signal becomes " + std::to_string(e.number) + "%";
            break;
        case EventKind::LinkDown:
        case EventKind::Store: break;  // they name no access point
    }
    return c;
}

std::string air_event_fault(const AccessPoint& ap, const Event& e) {
    if (e.kind == EventKind::Add) {
        return ap.present ? "add " + ap.name + ": it is on the air already (declare it with 'off' to add it later)"
                          : "";
    }
    if (!ap.present) return ap.name + " is off the air at that time";
    if (e.kind == EventKind::Hide && ap.hidden) return "hide " + ap.name + ": it hides its SSID already";
    if (e.kind == EventKind::Show) {
        if (!ap.hidden) return "show " + ap.name + ": it shows its SSID already";
        if (ap.ssid.empty()) return "show " + ap.name + ": it has no real SSID to show";
    }
    return "";
}

}  // namespace rwsim
