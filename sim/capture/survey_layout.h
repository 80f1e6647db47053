// SPDX-License-Identifier: ISC
// Whether a captured survey table is in the layout relaywatch reads: the
// heading's words and the rows' fields against the columns of relaywatch's
// own row parser (survey/survey.h). A table printed by another driver build
// (a column narrower, wider, missing or added) is read silently wrong, row by
// row; this says so once, for explain and for a scenario's capture alike.
#pragma once

#include <string>
#include <vector>

#include "sim/capture/survey_read.h"

namespace rwsim {

// What differs from relaywatch's layout, one sentence a line, the last what
// it means on a router; empty when the table is in the layout relaywatch
// reads.
struct LayoutFinding {
    std::vector<std::string> lines;
};

// Judges the heading and the rows together: the table is out of layout when
// most rows that carry a BSSID have fields away from relaywatch's columns,
// or, with no majority either way, when the heading's words are. One odd row
// is no layout fault (its own verdict tells it); neither are CRLF line ends,
// a table cut off mid-row, nor lines without a BSSID.
LayoutFinding check_layout(const std::vector<TableRead>& reads);

// The finding as one line: what differs and what it means, then the
// details ("; " between them).
std::string one_line(const LayoutFinding& finding);

}  // namespace rwsim
