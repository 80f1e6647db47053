// SPDX-License-Identifier: ISC
// The simulated driver's answer to "iwpriv ra0 get_site_survey": two header
// lines, then one row per access point at the driver's fixed columns.
#pragma once

#include <string>
#include <vector>

#include "sim/scenario/scenario.h"

namespace rwsim {

// Appends one row, line end included. A hidden access point prints SSID
// length 0 and a blank SSID.
void append_survey_row(const AccessPoint& ap, std::string& out);

// Replaces `out` with the whole table of the access points in `air` that
// are on the air, in their order.
void print_survey_table(const std::vector<AccessPoint>& air, std::string& out);

}  // namespace rwsim
