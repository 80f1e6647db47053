// SPDX-License-Identifier: ISC
// The site survey: runs the driver's survey, reads its table, picks the
// upstream access point and collects the access points that hide their SSID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "survey/vocabulary.h"

// The driver's survey: the command that has it survey the air, the pause it
// takes to do so (off its channel meanwhile), and the command that prints
// the table it holds.
inline constexpr const char* kSurveyTrigger = "iwpriv ra0 set SiteSurvey=1";
inline constexpr unsigned kSurveyPauseSeconds = 4;
inline constexpr const char* kSurveyTable = "iwpriv ra0 get_site_survey";

// One row of the survey table as the reader parses it. It begins with a
// hidden entry's members in a HiddenAp's order, the candidate's with them:
// a row's settings are copied as one block (survey/survey.cpp).
struct SurveyEntry {
    FixedText<18> bssid;
    std::int32_t channel;
    AuthText authMode;
    AuthText encrypType;
    ExtChText extCh;
    std::int32_t ssidLen;
    FixedText<33> ssid;
    FixedText<23> security;
    std::int32_t signal;
    FixedText<8> wirelessMode;
    FixedText<3> networkType;
    FixedText<4> extra;
};

// Where a field of a survey row stands: its first column and its width.
struct SurveyColumn {
    std::size_t first;
    std::size_t width;
};

// The layout of a survey row as the row parser reads it.
namespace row_layout {
inline constexpr SurveyColumn kChannel{0, 3};
inline constexpr SurveyColumn kSsidLen{4, 2};
inline constexpr std::size_t kSsidFirst = 7;  // width: the row's SSID length
inline constexpr SurveyColumn kBssid{40, 17};
inline constexpr SurveyColumn kSecurity{60, 22};
inline constexpr SurveyColumn kSignal{83, 3};
inline constexpr SurveyColumn kWirelessMode{92, 7};
inline constexpr SurveyColumn kExtCh{100, 5};
inline constexpr SurveyColumn kNetworkType{107, 2};
inline constexpr SurveyColumn kExtra{110, 3};

inline constexpr int kMaxSsidLen = 32;
// The characters a row needs before its line end: up to its network type.
inline constexpr std::size_t kMinRowLength = kNetworkType.first + kNetworkType.width;
}  // namespace row_layout

// What the row parser made of one line of the survey table. Every row but
// a Parsed one is skipped.
enum class RowResult {
    Parsed,      // `row` holds a row to collect and test
    TooShort,    // fewer than 2 characters, line end included
    AdHoc,       // network type begins with "Ad": dropped
    CutOff,      // ends before its network-type column
    NoChannel,   // channel 0 or less
    BadSsidLen,  // SSID length outside 0..32
    NoBssid,     // BSSID column blank or empty
};

// Parses one line of the survey table (line end included, as read; any
// bytes, NUL too) into `row`, which it clears first. Fields are taken at
// their fixed columns from the row's characters before its line end; a field
// beyond the end of a short row reads as empty text or 0. The security
// column is normalised into authMode and encrypType (survey/vocabulary.h).
// `row` is meant for use only when the result is Parsed. Pure: no I/O, no
// allocation.
RowResult parse_survey_row(std::string_view line, SurveyEntry& row);

// The access point the client interface is configured to join.
struct Upstream {
    const char* ssid;   // never null; "" when none is configured
    BssidText bssid;    // the configured BSSID in small letters; empty when none
    bool bssidTooLong;  // configured, but longer than any BSSID: equals no row's
};

// The configured SSID and BSSID (either may be null: empty).
Upstream make_upstream(const char* cfgSsid, const char* cfgBssid);
// The same for an SSID that is never null and a BSSID whose length is
// known (the daemon's stored texts): no null tests, no measuring.
Upstream make_upstream(const char* cfgSsid, std::string_view cfgBssid);

// Why a row is the upstream, or None.
enum class Selection {
    None,
    BySsid,             // the configured SSID, no BSSID configured
    BySsidAndBssid,     // the configured SSID with the configured BSSID
    ByConfiguredBssid,  // a hidden SSID with the configured BSSID
    ByRememberedBssid,  // a hidden SSID with the remembered BSSID
};

Selection select_upstream(const SurveyEntry& row, const Upstream& up, const BssidText& remembered);

// Skips the two heading lines of a survey table from any character source
// with peek() and get(): twice, the text up to the line end and then all
// white space after it (blank lines, and the blanks that start the first
// row). A line end met at once ends the skipping with nothing consumed.
// (Tested before the first line only: after the first line's white space
// the second can begin with neither a line end nor white space.)
template <typename Source>
void skip_heading(Source& table) {
    int c = table.peek();
    if (c < 0 || c == '\n') return;
    for (int line = 0; line < 2; ++line) {
        while ((c = table.peek()) >= 0 && c != '\n') table.get();
        while ((c = table.peek()) == ' ' || (c >= '\t' && c <= '\r')) table.get();
    }
}

// One access point that hides its SSID: what a recovery tries it with. Its
// BSSID and candidate stand where a SurveyEntry holds them, copied in one
// block when it is collected.
struct HiddenAp {
    BssidText bssid;
    Candidate cand;
    HiddenAp* next;
};

// The hidden access points of one survey, in table order. Owned by the
// recovery cycle that asked for the survey; released when it goes.
struct HiddenList {
    HiddenAp* head = nullptr;
    HiddenAp* tail = nullptr;
    int size = 0;

    HiddenList() = default;
    HiddenList(const HiddenList&) = delete;
    HiddenList& operator=(const HiddenList&) = delete;
    ~HiddenList();
};

// Reads of the survey table a survey tries, each after a pause of
// kSurveyPauseSeconds, the driver's time to survey.
inline constexpr int kSurveyAttempts = 6;

// Surveys the air and returns the upstream's channel, or 0. `cfgSsid` and
// `cfgBssid` are the configured upstream (the SSID never null, the BSSID
// empty when none; it is
// compared in small letters); `remembered` is the remembered upstream BSSID,
// which a row selected by the configured SSID alone (no BSSID configured)
// replaces. On selection the upstream's settings go to `out`; otherwise it is
// untouched. The hidden rows read are appended to `hidden` (a row that cannot
// be allocated is left out). Runs the survey trigger and pauses kSurveyPauseSeconds
// before each of at most kSurveyAttempts reads of the table; when none opens, returns 0
// with `hidden` untouched. Prints nothing.
int scanChannel(const char* cfgSsid, std::string_view cfgBssid, BssidText& remembered, Candidate& out,
                HiddenList& hidden);
