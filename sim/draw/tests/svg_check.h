// SPDX-License-Identifier: ISC
// What the tests read from a drawn timeline: its hover titles, its texts'
// places, and whether any text is empty or drawn over another.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace rwsim {

// The <g class="mark"> elements of an SVG text, each checked to open with a
// non-empty <title>; every tag closed in order. Returns the titles.
inline std::vector<std::string> mark_titles(const std::string& svg) {
    std::vector<std::string> stack, titles;
    for (std::size_t lt = svg.find('<'), gt; lt != std::string::npos; lt = svg.find('<', gt)) {
        gt = svg.find('>', lt);
        const std::string tag = svg.substr(lt + 1, gt - lt - 1);
        const std::string name = tag.substr(tag[0] == '/', tag.find_first_of(" />", 1) - (tag[0] == '/'));
        if (tag[0] == '/') {
            EXPECT_EQ(stack.empty() ? "" : stack.back(), name) << "</" << name << "> at " << lt;
            if (!stack.empty()) stack.pop_back();
        } else if (tag.back() != '/') {
            stack.push_back(name);
        }
        if (tag.rfind("g class=\"mark\"", 0) == 0) {
            EXPECT_EQ(svg.compare(gt + 1, 7, "<title>"), 0) << "a marker without a title at " << lt;
            titles.push_back(svg.substr(gt + 8, svg.find("</title>", gt) - gt - 8));
            EXPECT_FALSE(titles.back().empty());
        }
    }
    EXPECT_TRUE(stack.empty());
    return titles;
}

// A <text> element's content and the box it covers, its width estimated at
// 0.55 of the font size a character (the widest sans-serif digits are so).
struct TextBox {
    std::string content;
    double left, right, top, bottom;
};

// A number attribute of an element's opening tag; `otherwise` without it.
inline double attribute(const std::string& tag, const char* name, double otherwise = 0) {
    const std::size_t at = tag.find(std::string(" ") + name + "=\"");
    return at == std::string::npos ? otherwise : std::strtod(tag.c_str() + at + std::string(name).size() + 3, nullptr);
}

inline std::vector<TextBox> text_boxes(const std::string& svg) {
    const std::size_t root = svg.find("<svg ");
    const double base_size = attribute(svg.substr(root, svg.find('>', root) - root), "font-size", 16);
    std::vector<TextBox> boxes;
    for (std::size_t at = svg.find("<text "); at != std::string::npos; at = svg.find("<text ", at + 1)) {
        const std::size_t gt = svg.find('>', at), end = svg.find("</text>", gt);
        const std::string tag = svg.substr(at, gt - at), content = svg.substr(gt + 1, end - gt - 1);
        double characters = 0;  // code points, an entity as one
        for (std::size_t i = 0; i < content.size(); ++i) {
            if ((content[i] & 0xC0) == 0x80) continue;
            if (content[i] == '&') i = content.find(';', i);
            ++characters;
        }
        const double size = attribute(tag, "font-size", base_size), width = 0.55 * size * characters;
        const double x = attribute(tag, "x", 0), y = attribute(tag, "y", 0);
        const double left = tag.find("text-anchor=\"end\"") != std::string::npos      ? x - width
                            : tag.find("text-anchor=\"middle\"") != std::string::npos ? x - width / 2
                                                                                      : x;
        boxes.push_back({content, left, left + width, y - 0.75 * size, y + 0.2 * size});
    }
    return boxes;
}

// Every empty text and every pair of texts that would be drawn over each
// other, one a line.
inline std::string misdrawn_texts(const std::vector<TextBox>& boxes) {
    std::string found;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (boxes[i].content.empty()) found += "an empty text at " + std::to_string(boxes[i].left) + "\n";
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const TextBox &a = boxes[i], &b = boxes[j];
            if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) {
                found += "\"" + a.content + "\" over \"" + b.content + "\"\n";
            }
        }
    }
    return found;
}

// Every line and rectangle reaching out of the picture's width, one a line.
inline std::string drawn_outside(const std::string& svg) {
    const std::size_t root = svg.find("<svg ");
    const double width = attribute(svg.substr(root, svg.find('>', root) - root), "width");
    std::string found;
    for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
        const std::string tag = svg.substr(at, svg.find('>', at) - at);
        const bool line = tag.rfind("<line ", 0) == 0;
        if (!line && tag.rfind("<rect ", 0) != 0) continue;
        const double from = attribute(tag, line ? "x1" : "x"),
                     to = line ? attribute(tag, "x2") : from + attribute(tag, "width");
        if (std::min(from, to) < 0 || std::max(from, to) > width) found += tag + "\n";
    }
    return found;
}

}  // namespace rwsim
