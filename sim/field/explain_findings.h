// SPDX-License-Identifier: ISC
// Findings explain gives beside the row verdicts: the store's keys of a
// length relaywatch refuses, a table's BSSIDs in a letter case relaywatch
// never matches, and a capture that stops within a line.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sim/capture/survey_read.h"

namespace rwsim {

// A key's length as relaywatch counts it: the value's characters, or for a
// redacted value (a length and an alphabet in place of the key, in the field
// report's form) the length it gives.
struct KeyLength {
    std::size_t length = 0;
    bool redacted = false;
};
KeyLength key_length(const std::string& value);

// The store's keys that relaywatch would refuse for their length, each with
// the line relaywatch logs in place of setting it; one finding a line.
std::vector<std::string> key_findings(const std::map<std::string, std::string>& store);

// Rows whose BSSID relaywatch would not match even when configured as the
// row prints it (it lower-cases ApCliBssid): one finding, or none.
std::optional<std::string> bssid_case_finding(const std::vector<TableRead>& reads, const std::string& configured);

// A capture whose last line has no line end: where it stops, or none.
std::optional<std::string> capture_end_finding(const std::string& table);

}  // namespace rwsim
