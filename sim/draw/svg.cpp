// SPDX-License-Identifier: ISC
#include "sim/draw/svg.h"

#include <cstdio>
#include <string_view>

#include "sim/common/text.h"

namespace rwsim {

std::string svg_number(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", value);
    std::string s = buf;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string svg_escape(const std::string& text) {
    constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // Valid UTF-8 as itself; C1 controls left out; invalid bytes and
            // the non-characters U+FFFE and U+FFFF, which XML forbids, replaced.
            const std::size_t n = utf8_length(text, i);
            const std::string_view seq = std::string_view(text).substr(i, n);
            if (n == 0 || seq == "\xEF\xBF\xBE" || seq == "\xEF\xBF\xBF") {
                out += kReplacement;
            } else if (!(c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
                out += seq;
            }
            if (n > 1) i += n - 1;
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\n': out += "&#10;"; break;
            default:
                if (c >= 0x20 && c != 0x7f) out += static_cast<char>(c);
        }
    }
    return out;
}

std::string svg_title(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return "<title>" + svg_escape(text) + "</title>";
}

namespace {

// An element that begins with its position and size: NAME a="1" b="2" ...
// (appended piecewise: GCC 12 at -O3 warns falsely on "..." + string).
std::string element(const char* name, const char* const (&keys)[4], const double (&values)[4], std::size_t count) {
    std::string out = "<";
    out += name;
    for (std::size_t i = 0; i < count; ++i) {
        out += ' ';
        out += keys[i];
        out += "=\"";
        out += svg_number(values[i]);
        out += '"';
    }
    out += ' ';
    return out;
}

}  // namespace

std::string svg_line(double x1, double y1, double x2, double y2, const std::string& attributes) {
    return element("line", {"x1", "y1", "x2", "y2"}, {x1, y1, x2, y2}, 4) + attributes + "/>";
}

std::string svg_rect(double x, double y, double width, double height, const std::string& attributes) {
    return element("rect", {"x", "y", "width", "height"}, {x, y, width, height}, 4) + attributes + "/>";
}

std::string svg_text(double x, double y, const std::string& attributes, const std::string& content) {
    return element("text", {"x", "y", "", ""}, {x, y, 0, 0}, 2) + attributes + ">" + content + "</text>";
}

}  // namespace rwsim
