// The site survey: runs the driver's survey, reads its table, picks the
// upstream access point and collects the access points that hide their SSID.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text.h"

// One row of the survey table, and one entry of the hidden-AP list. The
// reader parses a row into a zero-filled SurveyEntry; the list keeps copies.
struct SurveyEntry {
    std::int32_t channel;
    FixedText<33> ssid;
    std::int32_t ssidLen;
    FixedText<18> bssid;
    FixedText<23> security;
    AuthText authMode;
    AuthText encrypType;
    std::int32_t signal;
    FixedText<8> wirelessMode;
    ExtChText extCh;
    FixedText<3> networkType;
    FixedText<4> extra;
    SurveyEntry* next;
};

// The hidden-AP list: built by scanChannel, walked by the recovery cycle
// with currentTable as its cursor, emptied by freeTable at the end of every
// pass of the link watch.
extern SurveyEntry* headerTable;
extern SurveyEntry* currentTable;
extern int TableSize;

// The remembered BSSID of the upstream access point; "0" until one is known.
extern BssidText manual_get_BSSID;

// What the row parser made of one line of the survey table.
enum class RowResult {
    Parsed,     // `row` holds a row to collect and test
    TooShort,   // fewer than 2 characters, line end included: skipped
    AdHoc,      // network type begins with "Ad": dropped
    Malformed,  // cut off before the network type, channel 0 or less, SSID
                // length outside 0..32, or no BSSID: skipped
};

// Parses one line of the survey table (line end included, as read; any
// bytes, NUL too) into `row`, which it clears first. Fields are taken at
// their fixed columns from the row's characters before its line end; a field
// beyond the end of a short row reads as empty text or 0. The security
// column is normalised into authMode and encrypType (survey/vocabulary.h).
// `row` is meant for use only when the result is Parsed; `next` stays null.
// Pure: no I/O, no allocation.
RowResult parse_survey_row(std::string_view line, SurveyEntry& row);

// Surveys the air and returns the upstream's channel, or 0. `cfgSsid` and
// `cfgBssid` are the configured upstream (the BSSID empty when none; it is
// compared in small letters). On selection the upstream's authentication
// mode, cipher and extension channel are copied into the three caller
// buffers (cleared by the caller beforehand); otherwise they are untouched.
// Appends the hidden rows read to the hidden-AP list and may set
// manual_get_BSSID. Runs the survey trigger and pauses 4 seconds before
// each of at most 6 reads of the table; when none opens, returns 0 with the
// list untouched. Prints nothing.
int scanChannel(const char* cfgSsid, const char* cfgBssid, AuthText& candAuth,
                AuthText& candEnc, ExtChText& candExtCh);

// Releases the hidden-AP list and resets its three globals.
void freeTable();
