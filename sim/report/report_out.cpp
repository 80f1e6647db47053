// SPDX-License-Identifier: ISC
// The report written out: as text for a terminal (every line made safe as
// a message shows text from outside, nothing cut), and as one HTML page in
// the timeline's style, every word of the bundle escaped as the drawing
// escapes its own.
#include <sstream>

#include "sim/common/text.h"
#include "sim/draw/svg.h"
#include "sim/draw/timeline_layout.h"
#include "sim/report/report.h"

namespace rwsim {

namespace {

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The report's parts in order: a heading and its lines.
struct Part {
    const char* heading;
    std::vector<std::string> lines;
    bool preformatted;                     // a tool's own output, its columns kept
    const std::string* picture = nullptr;  // SVG drawn under it
};

std::vector<Part> parts(const Report& r) {
    std::vector<Part> list;
    if (r.wrong.size() > 1) list.push_back({"what is wrong", r.wrong, false});
    list.push_back({"the router", r.facts.empty() ? std::vector<std::string>{"(not in the bundle)"} : r.facts, false});
    if (!r.now.empty()) list.push_back({"its interfaces and relaywatch now", r.now, false});
    list.push_back({"the survey table and the store, as relaywatch reads them", split_lines(r.explain), true});
    list.push_back({"the log, replayed", split_lines(r.replay), true, r.replayed ? &r.timeline : nullptr});
    list.push_back({"redacted", r.redactions.empty() ? std::vector<std::string>{"nothing"} : r.redactions, false});
    list.push_back({"what the bundle lacks",
                    r.bundle.empty() ? std::vector<std::string>{"nothing: every section whole"} : r.bundle, false});
    return list;
}

void write_head(std::ostream& out, const Report& r) {
    out << "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
        << "<meta charset=\"utf-8\"/>\n<title>relaywatch field report: " << svg_escape(r.name) << "</title>\n"
        << "<style>\n"
        << "body { font-family: sans-serif; font-size: 14px; color: " << kRa0ChannelColour
        << "; max-width: 1240px; margin: 1em auto; padding: 0 1em; }\n"
        << "p.first { font-size: 18px; font-weight: bold; padding: 6px 10px; border-left: 8px solid "
        << (r.wrong.empty() ? kUpColour : kDownColour) << "; }\n"
        << "h2 { font-size: 15px; border-bottom: 1px solid " << kRa0DownColour << "; }\n"
        << "pre { font-size: 12px; background: #f6f7f9; padding: 8px; overflow-x: auto; }\n"
        << "svg { max-width: 100%; height: auto; }\n"
        << "li { margin: 2px 0; }\n"
        << "</style>\n</head>\n";
}

}  // namespace

void print_report(std::ostream& out, const Report& r) {
    out << whole_text(r.first_line) << "\n";
    out << "--- field report: " << whole_text(r.name) << " ---\n";
    for (const Part& part : parts(r)) {
        out << "\n== " << part.heading << "\n";
        for (const std::string& line : part.lines) out << (part.preformatted ? "" : "  ") << whole_text(line) << "\n";
    }
}

void write_report_page(std::ostream& out, const Report& r) {
    write_head(out, r);
    out << "<body>\n<p class=\"first\">" << svg_escape(r.first_line) << "</p>\n";
    out << "<p>relaywatch field report of " << svg_escape(r.name) << "</p>\n";
    for (const Part& part : parts(r)) {
        out << "<h2>" << part.heading << "</h2>\n";
        if (part.preformatted) {
            out << "<pre>";
            for (const std::string& line : part.lines) out << svg_escape(line) << "\n";
            out << "</pre>\n";
        } else {
            out << "<ul>\n";
            for (const std::string& line : part.lines) out << "<li>" << svg_escape(line) << "</li>\n";
            out << "</ul>\n";
        }
        if (part.picture != nullptr) out << "<div class=\"timeline\">\n" << *part.picture << "</div>\n";
    }
    out << "</body>\n</html>\n";
}

}  // namespace rwsim
