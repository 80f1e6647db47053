// SPDX-License-Identifier: ISC
// The simulated air: the access points on it, the channels the driver
// tunes, which client security an access point accepts, and what each of
// the scenario's events does to an access point. The scenario reader checks
// its timed events with the same effects the router applies as they come.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/scenario/event.h"

namespace rwsim {

// One access point on the simulated air.
struct AccessPoint {
    std::string name;     // the scenario's label for it
    std::string ssid;     // its real SSID, also when it hides it
    bool hidden = false;  // the survey table shows SSID length 0 and no SSID
    std::string bssid;    // as the driver prints it
    int channel = 0;
    std::string ext = "NONE";              // ABOVE, BELOW or NONE
    std::string security = "WPA2PSK/AES";  // the survey table's security column
    int signal = 70;                       // percent
    std::string mode = "11b/g/n";          // wireless mode column
    bool adhoc = false;                    // network type "Ad" instead of "In"
    bool present = true;                   // on the air
    int line = 0;                          // where it was declared
};

// The air of a run: its access points as they are now, on the air or not,
// and as the last survey trigger saw them (what the survey table prints).
struct Air {
    std::vector<AccessPoint> aps;
    std::vector<AccessPoint> scanned;
};

// A channel the driver can tune: 1-14 and the 5 GHz channels.
bool is_valid_channel(int channel);

// The extension that suits a channel: ABOVE, BELOW or NONE.
const char* natural_ext(int channel);

// Whether an access point with survey security column `security` accepts a
// client with authentication mode `auth` and cipher `enc`:
//   NONE...            OPEN with NONE
//   WEP...             OPEN, SHARED or WEPAUTO with WEP
//   WPAPSK/...         WPAPSK with a cipher named in the column (TKIP, AES)
//   WPA2PSK/...        WPA2PSK with a cipher named in the column
//   WPA1PSKWPA2PSK/... WPAPSK or WPA2PSK with a cipher named in the column
//   anything else      nothing
bool security_accepts(std::string_view security, std::string_view auth, std::string_view enc);

// What an event did to the access point it names.
struct AirChange {
    bool effective = true;  // false: the access point was so already
    bool disturbs = true;   // false: a change (of signal) that no link notices
    std::string text;       // the change as the console tells it
};

// Applies an event that names an access point (add, remove, move, hide,
// show, security, signal) to `ap`.
AirChange apply_air_event(AccessPoint& ap, const Event& e);

// Why a scenario's timed event makes no sense for `ap` as it is at that
// time (an add of one on the air, a change to one off it, a hide of one
// hidden, ...); empty when it does.
std::string air_event_fault(const AccessPoint& ap, const Event& e);

}  // namespace rwsim
