// SPDX-License-Identifier: ISC
// Writing SVG for the timeline picture: numbers as the picture writes them,
// escaped text, hover titles and the plain elements, each element as one
// piece of text without a line end.
#pragma once

#include <string>
#include <vector>

namespace rwsim {

// A coordinate or size with one decimal, without a trailing ".0".
std::string svg_number(double value);

// Text as SVG content or attribute value, well-formed XML whatever the
// bytes: & < > " escaped (the apostrophe kept: every attribute is in
// double quotes), line ends as &#10;, other control characters
// (C0, DEL, C1) left out, invalid UTF-8 and U+FFFE/U+FFFF as U+FFFD.
std::string svg_escape(const std::string& text);

// The <title> of a marker: its lines joined, escaped.
std::string svg_title(const std::vector<std::string>& lines);

// <line x1=".." y1=".." x2=".." y2=".." ATTRIBUTES/>
std::string svg_line(double x1, double y1, double x2, double y2, const std::string& attributes);

// <rect x=".." y=".." width=".." height=".." ATTRIBUTES/>
std::string svg_rect(double x, double y, double width, double height, const std::string& attributes);

// <text x=".." y=".." ATTRIBUTES>CONTENT</text>, CONTENT as given: escape
// text from outside first.
std::string svg_text(double x, double y, const std::string& attributes, const std::string& content);

}  // namespace rwsim
