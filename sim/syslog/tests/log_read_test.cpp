// SPDX-License-Identifier: ISC
// The log's line reader: lines across its buffer's edges, lines cut at the
// longest it keeps, line ends, and bytes no text log holds.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/syslog/log_read.h"

namespace rwsim {

namespace {

constexpr std::size_t kMax = LogLines::kMaxLogLine;

struct Read {
    std::vector<std::string> lines;
    long truncated = 0;
    long first_binary = 0;  // the number of the first line found binary; 0 none
};

Read read_all(const std::string& text) {
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    Read out;
    LogLines lines(in);
    std::string_view line;
    while (lines.next(line)) {
        out.lines.emplace_back(line);
        if (lines.binary() && out.first_binary == 0) out.first_binary = lines.number();
    }
    out.truncated = lines.truncated();
    std::fclose(in);
    return out;
}

// Line `i` of a log of lines `width` bytes long.
std::string numbered(std::size_t i, std::size_t width) {
    std::string line = std::to_string(i);
    line.resize(width, 'x');
    return line;
}

TEST(LogLines, ReadsEveryLineWhole) {
    const std::string longest(kMax, 'a'), cut(kMax + 1, 'b'), huge(3 * LogLines::kBuffer, 'c');
    const struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> lines;
        long truncated, first_binary;
    } cases[] = {
        {"empty", "", {}, 0, 0},
        {"a last line without a line end", "a\nb", {"a", "b"}, 0, 0},
        {"CR LF line ends, a lone CR kept inside", "a\r\nb\rc\r\n\r\n", {"a", "b\rc", ""}, 0, 0},
        {"the longest line kept whole", longest + "\nz\n", {longest, "z"}, 0, 0},
        {"a byte more is cut, the next line whole", cut + "\nz\n", {std::string(kMax, 'b'), "z"}, 1, 0},
        {"a line over the buffer, its rest passed over", huge + "\nz", {std::string(kMax, 'c'), "z"}, 1, 0},
        {"a cut line at the end", huge, {std::string(kMax, 'c')}, 1, 0},
        {"tab and ESC are text, NUL and DEL not", "a\tb\x1b[0m\nc\x7f\nd\n", {"a\tb\x1b[0m", "c\x7f", "d"}, 0, 2},
        {"a control byte in a word's last place", "ok\n12345678901234\x01\n", {"ok", "12345678901234\x01"}, 0, 2},
    };
    for (const Case& c : cases) {
        const Read r = read_all(c.text);
        EXPECT_EQ(r.lines, c.lines) << c.what;
        EXPECT_EQ(r.truncated, c.truncated) << c.what;
        EXPECT_EQ(r.first_binary, c.first_binary) << c.what;
    }
    // Lines that straddle every refill of the buffer come out whole and in order.
    std::string text;
    for (std::size_t i = 0; i < 3000; ++i) text += numbered(i, 97) + "\n";
    const Read r = read_all(text);
    ASSERT_EQ(r.lines.size(), 3000u);
    for (std::size_t i = 0; i < r.lines.size(); ++i) ASSERT_EQ(r.lines[i], numbered(i, 97)) << i;
}

}  // namespace

}  // namespace rwsim
