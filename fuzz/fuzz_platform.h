// The fuzz targets' platform: the driver's survey table is whatever the
// fuzzer hands over, and every resource handed out is counted, so a target
// can check that all of it came back. Nothing is recorded per call: a fuzz
// run makes millions of them.
#pragma once

#include <cstddef>
#include <string_view>

struct FuzzPlatform {
    // --- scripted ------------------------------------------------------------
    std::string_view survey;     // the output of "iwpriv ra0 get_site_survey"
    int failing_opens = 0;       // starts of a command that fail before one opens
    long allocs_until_failure = -1;  // allocations that succeed first; -1: all do

    // --- counted -------------------------------------------------------------
    int survey_triggers = 0;     // "iwpriv ra0 set SiteSurvey=1" runs
    int other_runs = 0;          // every other command run
    int opens_tried = 0;         // output_open() calls
    int outputs_open = 0;        // opened and not yet closed
    long live_allocations = 0;   // alloc_zeroed() not yet released
    int store_texts_live = 0;    // store_get() not yet released
    unsigned seconds_slept = 0;

    void reset() { *this = FuzzPlatform(); }
};

extern FuzzPlatform fuzz_platform;
