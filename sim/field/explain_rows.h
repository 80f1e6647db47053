// SPDX-License-Identifier: ISC
// What explain says of one survey row: why relaywatch skipped it, how it
// selected it, what keeps it from being the upstream, and its fields as
// relaywatch read them.
#pragma once

#include <string>
#include <string_view>

#include "sim/capture/survey_read.h"

namespace rwsim {

// A field as the reader took it, in quotes, non-printable bytes escaped.
std::string quoted(std::string_view text);

// `text` without one line end at its end.
std::string without_line_end(const std::string& text);

// Why a row that does not parse is skipped; "" for a parsed one.
std::string why_skipped(const TableRead& r);

// How a selected row was selected; `empty_ssid`: ApCliSsid is empty.
std::string how_selected(Selection s, bool empty_ssid);

// What keeps a configured BSSID from matching any row, or "" when it is six
// hex pairs with colons.
std::string bssid_fault(std::string_view cfg);

// Why a parsed row with a shown SSID is not the upstream: the difference
// itself.
std::string why_not(const SurveyEntry& row, std::string_view cfg_ssid, std::string_view cfg_bssid);

// A parsed row's fields, on two lines (the second indented).
std::string row_fields(const SurveyEntry& row);

}  // namespace rwsim
