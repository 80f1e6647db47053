// SPDX-License-Identifier: ISC
// relaywatch-sim report BUNDLE [-o PAGE.html]
//
// One answer for a ticket from a router's field report bundle: what is
// wrong first, then the router's facts, explain's verdict on the bundle's
// survey table and store, the replay of its log with the timeline, what was
// redacted and what the bundle lacks. As text for the terminal, or as one
// self-contained HTML page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "sim/report/bundle_read.h"

namespace rwsim {

// The report's parts, each as plain text lines (the bundle's words as they
// stand: the text and the page make them safe each in its own way).
struct Report {
    std::string name;                 // the bundle, as given
    std::string first_line;           // what is wrong, or that nothing is
    std::vector<std::string> wrong;   // everything found wrong, the first line's first
    std::vector<std::string> facts;   // the router's "name: value" lines
    std::vector<std::string> now;     // ra0's channel, the interfaces, the instances
    std::vector<std::string> bundle;  // the bundle's faults, failed steps and missing sections
    std::vector<std::string> redactions;
    int explain_status = -1;  // explain's exit status; -1: not run
    std::string explain;      // its text, or why it was not run
    bool replayed = false;
    std::string replay;    // the replay's summary, or why there is none
    std::string timeline;  // the replay's SVG; empty without a replay
};

// The report of a bundle read (not refused).
Report make_report(const Bundle& bundle, const std::string& name);

// The report as text for a terminal.
void print_report(std::ostream& out, const Report& report);

// The report as one HTML page: no script, no outside resource.
void write_report_page(std::ostream& out, const Report& report);

inline constexpr const char* kReportUsage =
    "usage: relaywatch-sim report BUNDLE [-o PAGE.html]\n"
    "  BUNDLE              a field report bundle, written on the router by relaywatch-report\n"
    "  -o FILE             also write the report as one HTML page (no scripts, readable offline)\n"
    "exit status: 0 after a report (a cut or edited bundle is read as far as it holds, and says so),\n"
    "  2 for a file that is not a bundle or a bad command line\n";

}  // namespace rwsim
