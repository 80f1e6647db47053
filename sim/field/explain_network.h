// SPDX-License-Identifier: ISC
// Every row of the upstream's network in a survey table, weighed: the one
// relaywatch takes and why, and what each other one would need.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "sim/capture/survey_read.h"

namespace rwsim {

// Says nothing when fewer than two rows carry the configured SSID.
// `ssid` and `bssid` are ApCliSsid and ApCliBssid as the store holds them;
// `remembered` the remembered BSSID ("0": none).
void print_network(std::ostream& out, const std::vector<TableRead>& reads, const std::string& ssid,
                   const std::string& bssid, const std::string& remembered);

}  // namespace rwsim
