// SPDX-License-Identifier: ISC
#include "sim/capture/survey_layout.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

namespace rwsim {

namespace {

using namespace row_layout;

// The driver's heading words over the columns relaywatch's row parser reads.
struct Column {
    const char* word;
    std::size_t first;
};
constexpr Column kColumns[] = {
    {"Ch", kChannel.first},          {"Ln", kSsidLen.first},        {"SSID", kSsidFirst},
    {"BSSID", kBssid.first},         {"Security", kSecurity.first}, {"Siganl(%)", kSignal.first},
    {"W-Mode", kWirelessMode.first}, {"ExtCH", kExtCh.first},       {"NT", kNetworkType.first},
    {"WPS", kExtra.first},
};
constexpr std::size_t kCount = std::size(kColumns);
constexpr std::size_t kBssidIndex = 3;  // the fields after the BSSID follow it in order, one word each

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool alnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Each column's offset from where relaywatch reads it, for the columns found.
struct Offsets {
    std::array<bool, kCount> found{};
    std::array<long, kCount> by{};
    bool extra = false;  // a row: more words after the BSSID than columns (only the BSSID's offset kept)
};

long distance(std::size_t at, std::size_t first) {
    return static_cast<long>(at) - static_cast<long>(first);
}

// Where six hex pairs with colons stand in `text`, nearest the BSSID column.
std::size_t bssid_at(std::string_view text) {
    std::size_t best = std::string_view::npos;
    for (std::size_t i = 0; i + kBssid.width <= text.size(); ++i) {
        if (!is_bssid(text.substr(i, kBssid.width))) continue;
        if (best == std::string_view::npos ||
            std::labs(distance(i, kBssid.first)) < std::labs(distance(best, kBssid.first))) {
            best = i;
        }
    }
    return best;
}

// A row's BSSID and the words after it (security, signal, wireless mode,
// extension channel, network type, WPS), each against its column. False for
// a row without six hex pairs.
bool row_offsets(std::string_view text, Offsets& o) {
    std::size_t pos = bssid_at(text);
    if (pos == std::string_view::npos) return false;
    for (std::size_t c = kBssidIndex; c < kCount && pos < text.size(); ++c) {
        o.found[c] = true;
        o.by[c] = distance(pos, kColumns[c].first);
        if (c == kBssidIndex) pos += kBssid.width;
        while (pos < text.size() && !blank(text[pos])) ++pos;
        while (pos < text.size() && blank(text[pos])) ++pos;
    }
    o.extra = pos < text.size();
    if (o.extra) std::fill(o.found.begin() + kBssidIndex + 1, o.found.end(), false);
    return true;
}

// The heading's words against the columns; `added` gets the words it has
// beyond them.
Offsets heading_offsets(std::string_view text, std::string& added) {
    Offsets o;
    std::string rest(text);
    for (std::size_t c = 0; c < kCount; ++c) {
        const std::string_view word = kColumns[c].word;
        for (std::size_t at = text.find(word); at != std::string_view::npos && !o.found[c];
             at = text.find(word, at + 1)) {
            const bool before = at == 0 || !alnum(word.front()) || !alnum(text[at - 1]);
            const bool after = at + word.size() == text.size() || !alnum(word.back()) || !alnum(text[at + word.size()]);
            if (!before || !after) continue;
            o.found[c] = true;
            o.by[c] = distance(at, kColumns[c].first);
            rest.replace(at, word.size(), word.size(), ' ');
        }
    }
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (blank(rest[i]) || (i > 0 && !blank(rest[i - 1]))) continue;
        std::size_t end = i;
        while (end < rest.size() && !blank(rest[end])) ++end;
        // Appended piecewise: GCC 12 at -O3 warns falsely on "..." + string.
        added += added.empty() ? "\"" : ", \"";
        added += rest.substr(i, end - i);
        added += "\" at character " + std::to_string(i + 1);
    }
    return o;
}

std::string characters(long by, bool columns) {
    const long n = by < 0 ? -by : by;
    return std::to_string(n) + (n == 1 ? " character " : " characters ") + (by < 0 ? "left" : "right") +
           " of relaywatch's column" + (columns ? "s" : "");
}

// "BSSID 1 character left, "Security" to "WPS" 2 characters left": runs
// of neighbouring columns that stand off by the same count.
std::string shifted(const Offsets& o) {
    std::string out;
    for (std::size_t c = 0; c < kCount;) {
        if (!o.found[c] || o.by[c] == 0) {
            ++c;
            continue;
        }
        std::size_t last = c;
        while (last + 1 < kCount && o.found[last + 1] && o.by[last + 1] == o.by[c]) ++last;
        out += out.empty() ? "" : ", ";
        out += '"';  // appended piecewise: GCC 12 at -O3 warns falsely on "..." + string
        out += kColumns[c].word;
        if (last > c) (out += "\" to \"") += kColumns[last].word;
        out += "\" " + characters(o.by[c], last > c);
        c = last + 1;
    }
    return out;
}

// The rows that carry a BSSID, against relaywatch's columns.
struct RowsAway {
    int rows = 0;                                  // rows with a BSSID
    int off = 0;                                   // of them, rows with a field away from its column
    int first_off = 0;                             // the first such row's line
    int extra = 0;                                 // rows with more words after the BSSID than columns
    std::array<std::map<long, int>, kCount> seen;  // per column: offset -> rows
};

RowsAway rows_away(const std::vector<TableRead>& reads) {
    RowsAway a;
    for (const TableRead& r : reads) {
        Offsets o;
        if (r.heading || r.continuation || !row_offsets(r.text, o)) continue;
        ++a.rows;
        bool away = o.extra;
        a.extra += o.extra ? 1 : 0;
        for (std::size_t c = 0; c < kCount; ++c) {
            if (!o.found[c]) continue;
            ++a.seen[c][o.by[c]];
            away = away || o.by[c] != 0;
        }
        if (away && a.off++ == 0) a.first_off = r.line;
    }
    return a;
}

// The heading (its first line with the BSSID's word) against relaywatch's
// columns.
struct HeadingAway {
    std::string line;     // its line number; empty when there is none
    std::string added;    // words it has beyond the columns
    std::string missing;  // the columns' words it lacks
    std::string shift;    // the words away from their columns
};

HeadingAway heading_away(const std::vector<TableRead>& reads) {
    HeadingAway h;
    Offsets heading;
    for (const TableRead& r : reads) {
        std::string dummy;
        if (!r.heading || !heading_offsets(r.text, dummy).found[kBssidIndex]) continue;
        heading = heading_offsets(r.text, h.added);
        h.line = std::to_string(r.line);
        for (std::size_t c = 0; c < kCount; ++c) {
            if (!heading.found[c])
                h.missing += (h.missing.empty() ? "\"" : ", \"") + std::string(kColumns[c].word) + "\"";
        }
        break;
    }
    h.shift = shifted(heading);
    return h;
}

// "rows from line N (M of K with a BSSID): ...", with each column's offset
// that most rows share.
std::string rows_finding(const RowsAway& rows) {
    Offsets usual;  // each column's offset shared by most rows
    for (std::size_t c = 0; c < kCount; ++c) {
        int most = rows.rows / 2;  // an offset most rows share
        for (const auto& [by, n] : rows.seen[c]) {
            if (n <= most) continue;
            usual.found[c] = true;
            usual.by[c] = by;
            most = n;
        }
    }
    std::string what = shifted(usual);
    if (rows.extra * 2 > rows.rows) {
        what += (what.empty() ? "" : "; ") + std::string("more words after the BSSID than relaywatch has columns for");
    }
    return "rows from line " + std::to_string(rows.first_off) + " (" + std::to_string(rows.off) + " of " +
           std::to_string(rows.rows) +
           " with a BSSID): " + (what.empty() ? std::string("fields away from relaywatch's columns") : what);
}

// An access point's row that the heading skip took, or a heading line read
// as a row: the heading is not where relaywatch skips it.
LayoutFinding heading_misplaced(const std::vector<TableRead>& reads) {
    LayoutFinding f;
    for (const TableRead& r : reads) {
        SurveyEntry row{};
        std::string dummy;
        if (r.heading && parse_survey_row(r.text + "\n", row) == RowResult::Parsed) {
            f.lines.push_back("the table's heading is not where relaywatch skips it");
            f.lines.push_back("line " + std::to_string(r.line) + ", an access point's row (BSSID " +
                              std::string(row.bssid.view()) + "), is skipped as the heading");
            f.lines.push_back(
                "either the capture was cut by hand (the router saw the whole table, and read that row), or the "
                "driver prints the table so (on the router relaywatch misses that row)");
            return f;
        }
        if (!r.heading && !r.continuation && r.result != RowResult::Parsed &&
            heading_offsets(r.text, dummy).found[kBssidIndex] && bssid_at(r.text) == std::string_view::npos) {
            f.lines.push_back("the table's heading is not where relaywatch skips it");
            f.lines.push_back("line " + std::to_string(r.line) + ", a heading, is read as a row");
            f.lines.push_back(
                "relaywatch skips the first two lines as the heading, whatever they hold: either the capture holds "
                "lines the driver does not print, or the driver prints its heading lower");
            return f;
        }
    }
    return f;
}

}  // namespace

LayoutFinding check_layout(const std::vector<TableRead>& reads) {
    LayoutFinding misplaced = heading_misplaced(reads);
    if (!misplaced.lines.empty()) return misplaced;
    const RowsAway rows = rows_away(reads);
    const HeadingAway heading = heading_away(reads);
    const bool heading_off = !heading.shift.empty() || !heading.added.empty() || !heading.missing.empty();
    LayoutFinding f;
    if (rows.off * 2 < rows.rows || (rows.off * 2 == rows.rows && !heading_off)) return f;

    f.lines.push_back("the table is not in the layout relaywatch reads");
    if (heading_off) {
        std::string line = "heading (line " + heading.line + "):";
        if (!heading.missing.empty()) line += " no " + heading.missing + ";";
        if (!heading.shift.empty()) line += " " + heading.shift + ";";
        if (!heading.added.empty()) line += " a word relaywatch has no column for: " + heading.added + ";";
        line.pop_back();
        f.lines.push_back(line);
    }
    if (rows.off > 0) f.lines.push_back(rows_finding(rows));
    f.lines.push_back(
        "on a router printing this table relaywatch misreads every such row: it misses its upstream or "
        "re-tunes to wrong settings");
    return f;
}

std::string one_line(const LayoutFinding& finding) {
    if (finding.lines.empty()) return "";
    // What it means comes before the details, so that a message cut short
    // keeps it.
    std::string out = finding.lines.front();
    if (finding.lines.size() > 1) out += " (" + finding.lines.back() + ")";
    for (std::size_t i = 1; i + 1 < finding.lines.size(); ++i) out += "; " + finding.lines[i];
    return out;
}

}  // namespace rwsim
