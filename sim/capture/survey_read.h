// SPDX-License-Identifier: ISC
// A captured survey table (what "iwpriv ra0 get_site_survey" printed on a
// router) read the way relaywatch reads the driver's output: the heading
// skip, the line reads and the row parser are relaywatch's own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "survey/survey.h"

namespace rwsim {

// One read of the table: a heading line skipped, or a row as the reader
// took it.
struct TableRead {
    int line = 0;                    // where the read began, from 1
    bool heading = false;            // skipped with the heading (whole or in part)
    bool continuation = false;       // the rest of a line longer than one read
    std::size_t leading_blanks = 0;  // blanks the heading skip took from this row's start
    std::string text;                // what was read (a heading line: the line)
    RowResult result = RowResult::TooShort;
    SurveyEntry row{};  // meaningful when result is Parsed
};

// What an empty capture is: the driver prints its heading even when the air
// holds nothing, so no text at all means the capture failed.
inline constexpr const char* kEmptyCapture = "the capture is empty: the driver printed nothing, or the capture failed";

// Every read of `table`, in order.
std::vector<TableRead> read_survey_text(std::string_view table);

// A fixed-width field without the blanks that pad it.
std::string trimmed(std::string_view field);

// Six hex pairs with colons, as the driver prints a BSSID.
bool is_bssid(std::string_view text);

}  // namespace rwsim
