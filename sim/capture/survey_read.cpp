// SPDX-License-Identifier: ISC
#include "sim/capture/survey_read.h"

#include <algorithm>
#include <cctype>

#include "platform/io.h"

namespace rwsim {

namespace {

// relaywatch reads the table through a buffer of 256 bytes: at most 255
// characters a read, the rest of a longer line is the next read.
constexpr std::size_t kLineBytes = 256;

// A captured text as the character source relaywatch's reader takes.
struct TextSource {
    std::string_view text;
    std::size_t pos = 0;

    int peek() const { return pos < text.size() ? static_cast<unsigned char>(text[pos]) : -1; }
    int get() { return pos < text.size() ? static_cast<unsigned char>(text[pos++]) : -1; }
};

int line_at(std::string_view text, std::size_t pos) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(pos), '\n'));
}

}  // namespace

std::string trimmed(std::string_view field) {
    std::size_t end = field.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view() : field.substr(0, end + 1));
}

std::vector<TableRead> read_survey_text(std::string_view table) {
    std::vector<TableRead> reads;
    TextSource source{table};
    skip_heading(source);
    // Every line the skip reached counts as heading, the one it stopped in
    // too when it took the blanks at its start.
    const std::size_t skipped = source.pos;
    const int first_row_line = line_at(table, skipped);
    for (std::size_t pos = 0; pos < skipped;) {
        const std::size_t nl = table.find('\n', pos);
        const bool whole = nl != std::string_view::npos ? nl < skipped : skipped == table.size();
        if (!whole) break;  // the skip stopped in this line's leading blanks: it is the first row
        const std::size_t end = nl == std::string_view::npos ? table.size() : nl;
        TableRead r;
        r.line = line_at(table, pos);
        r.heading = true;
        r.text = std::string(table.substr(pos, end - pos));
        reads.push_back(std::move(r));
        pos = end + 1;
    }
    const std::size_t row_start = table.rfind('\n', skipped == 0 ? 0 : skipped - 1);
    const std::size_t blanks = skipped == 0 ? 0 : skipped - (row_start == std::string_view::npos ? 0 : row_start + 1);

    char line[kLineBytes];
    for (bool first = true;; first = false) {
        const std::size_t at = source.pos;
        std::size_t n = read_line(source, line, sizeof line);
        if (n == 0) break;
        TableRead r;
        r.line = line_at(table, at);
        r.continuation = at > 0 && table[at - 1] != '\n' && !(first && at == skipped);
        r.leading_blanks = first && r.line == first_row_line ? blanks : 0;
        r.text.assign(line, n);
        r.result = parse_survey_row(std::string_view(line, n), r.row);
        reads.push_back(std::move(r));
    }
    return reads;
}

bool is_bssid(std::string_view text) {
    if (text.size() != 17) return false;
    for (std::size_t i = 0; i < 17; ++i) {
        if (i % 3 == 2 ? text[i] != ':' : std::isxdigit(static_cast<unsigned char>(text[i])) == 0) return false;
    }
    return true;
}

}  // namespace rwsim
