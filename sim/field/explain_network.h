// SPDX-License-Identifier: ISC
// Every row of the upstream's network in a survey table, weighed: the one
// relaywatch takes and why, and what each other one would need.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "sim/capture/survey_read.h"

namespace rwsim {

// What the recovery's walk over the hidden entries did, entry by entry.
struct HiddenWalk {
    bool known = false;              // the recovery ran, and these are its steps
    std::vector<bool> reprogrammed;  // for each entry tried, in table order: ra0 re-programmed for it
};

// Says nothing when fewer than two rows carry the configured SSID or hide
// theirs (a hidden row may be the upstream's access point).
// `ssid` and `bssid` are ApCliSsid and ApCliBssid as the store holds them;
// `remembered` the remembered BSSID ("0": none).
void print_network(std::ostream& out, const std::vector<TableRead>& reads, const std::string& ssid,
                   const std::string& bssid, const std::string& remembered);
// The same, with each hidden entry told as the recovery's walk took it.
void print_network(std::ostream& out, const std::vector<TableRead>& reads, const std::string& ssid,
                   const std::string& bssid, const std::string& remembered, const HiddenWalk& walk);

}  // namespace rwsim
