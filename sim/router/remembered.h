// SPDX-License-Identifier: ISC
// The daemon's remembered BSSID against the access point the uplink really
// joined. relaywatch remembers the hidden entry it is trying when the link
// comes up, whatever the client joined, and a row it picks by SSID; the
// simulator knows which access point the client is connected to and tells
// when the two differ.
#pragma once

#include <string>
#include <vector>

#include "sim/scenario/air.h"

namespace rwsim {

struct RememberedWatch {
    const char* daemon = nullptr;  // the daemon's remembered BSSID while it runs
    std::string seen = "0";        // its value when last looked at
    bool unchecked = false;        // a new value not yet compared with a link
};

// Looks at the daemon's remembered BSSID. A new value is compared with the
// access point `linked` (an index into `aps`, -1 while the uplink is down)
// at once when the uplink is up, else the next time it is looked at with
// the uplink up. Returns what the console tells when the two differ, else "".
std::string check_remembered(RememberedWatch& watch, const std::vector<AccessPoint>& aps, int linked);

}  // namespace rwsim
