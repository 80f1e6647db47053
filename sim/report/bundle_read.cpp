// SPDX-License-Identifier: ISC
#include "sim/report/bundle_read.h"

#include <algorithm>
#include <cstdint>

#include "report/bundle_format.h"
#include "sim/common/text.h"

namespace rwsim {

namespace {

// The sections in the collector's order.
constexpr std::string_view kSections[] = {bundle::kRouter,     bundle::kSteps,      bundle::kStore,
                                          bundle::kStoreNames, bundle::kInterfaces, bundle::kInstances,
                                          bundle::kSurvey,     bundle::kLog,        bundle::kRedactions};

// Faults listed one by one; beyond, only counted.
constexpr std::size_t kListedFaults = 20;

struct Mark {
    std::string_view name;
    long length = 0;
    std::uint32_t checksum = 0;
};

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The line at `pos`, without its line end.
std::string_view line_at(std::string_view bytes, std::size_t pos) {
    const std::size_t nl = bytes.find('\n', pos);
    return bytes.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
}

// The start of the next line at or after `from` that opens a section or
// closes the bundle; npos when none does.
std::size_t next_mark(std::string_view bytes, std::size_t from) {
    std::size_t pos = from;
    while (pos < bytes.size()) {
        const std::string_view rest = bytes.substr(pos);
        if (starts_with(rest, bundle::kSectionMark) || starts_with(rest, bundle::kEndMark)) return pos;
        const std::size_t nl = bytes.find('\n', pos);
        if (nl == std::string_view::npos) break;
        pos = nl + 1;
    }
    return std::string_view::npos;
}

bool name_char(char c) {
    return (c >= 'a' && c <= 'z') || is_digit(c) || c == '-';
}

bool parse_hex32(std::string_view text, std::uint32_t& value) {
    if (text.size() != 8) return false;
    value = 0;
    for (const char c : text) {
        const int digit = is_digit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
}

// "--- section <name> <length> <checksum>".
bool parse_mark(std::string_view line, Mark& mark) {
    if (!starts_with(line, bundle::kSectionMark)) return false;
    const std::string_view rest = line.substr(bundle::kSectionMark.size());
    const std::size_t a = rest.find(' '), b = a == std::string_view::npos ? a : rest.find(' ', a + 1);
    if (b == std::string_view::npos) return false;
    mark.name = rest.substr(0, a);
    if (mark.name.empty() || mark.name.size() > 32 || !std::all_of(mark.name.begin(), mark.name.end(), name_char))
        return false;
    return parse_whole(rest.substr(a + 1, b - a - 1), 10, mark.length) &&
           parse_hex32(rest.substr(b + 1), mark.checksum);
}

// How a section's bytes disagree with its length: `held` bytes stand before
// the next mark (or the end of the file, `at_end`).
std::string length_fault(std::size_t held, std::size_t length, bool at_end) {
    const std::string says = "its length says " + std::to_string(length);
    if (at_end && held < length)
        return "was cut: it holds " + std::to_string(held) + " of its " + std::to_string(length) + " bytes";
    return "holds " + std::to_string(held) + " bytes before " + (at_end ? "the end of the file" : "the next mark") +
           " where " + says + ": edited";
}

struct Reader {
    std::string_view bytes;
    Bundle& out;
    std::size_t faults = 0;

    void fault(std::size_t pos, const std::string& what) {
        if (++faults > kListedFaults) return;
        const long line =
            1 + static_cast<long>(std::count(bytes.begin(), bytes.begin() + static_cast<long>(pos), '\n'));
        out.faults.push_back("line " + std::to_string(line) + ": " + what);
    }

    // The section whose mark is at `pos`; returns where reading goes on.
    std::size_t section(std::size_t pos, const Mark& mark) {
        const std::size_t body = std::min(bytes.size(), pos + line_at(bytes, pos).size() + 1);
        const auto length = static_cast<std::size_t>(mark.length);
        const std::string name = shown_text(mark.name);
        BundleSection s{std::string(mark.name), "", false};
        std::size_t stop = body + length;
        if (length <= bytes.size() - body && (stop == bytes.size() || next_mark(bytes, stop) == stop)) {
            s.text = bytes.substr(body, length);
            s.intact = bundle::checksum(s.text.data(), s.text.size()) == mark.checksum;
            if (!s.intact) fault(pos, "the " + name + " section's bytes do not match its checksum: edited");
        } else {
            stop = std::min(next_mark(bytes, body), bytes.size());
            s.text = bytes.substr(body, stop - body);
            fault(pos, "the " + name + " section " + length_fault(s.text.size(), length, stop == bytes.size()));
        }
        keep(pos, std::move(s));
        return stop;
    }

    void keep(std::size_t pos, BundleSection&& s) {
        const std::string name = shown_text(s.name);
        if (std::find(std::begin(kSections), std::end(kSections), s.name) == std::end(kSections)) {
            fault(pos, "a section " + name + " this reader does not know: not read");
        } else if (find_section(out, s.name) != nullptr) {
            fault(pos, "a second " + name + " section: not read");
        } else {
            out.sections.push_back(std::move(s));
        }
    }

    // The end mark at `pos`.
    void end(std::size_t pos) {
        out.ended = true;
        const std::string_view line = line_at(bytes, pos);
        long count = -1;
        if (!parse_whole(line.substr(bundle::kEndMark.size()), 4, count)) {
            fault(pos, "the end mark does not count the sections");
        } else if (count != static_cast<long>(out.sections.size())) {
            fault(pos, "the end mark counts " + std::to_string(count) + " sections; " +
                           std::to_string(out.sections.size()) + " were read");
        }
        const std::size_t after = pos + line.size() + 1;
        if (after < bytes.size())
            fault(pos, std::to_string(bytes.size() - after) + " bytes after the end mark: not read");
    }

    void read() {
        std::size_t pos = bundle::kFirstLine.size() + 1;
        while (pos < bytes.size()) {
            const std::string_view line = line_at(bytes, pos);
            Mark mark;
            if (starts_with(line, bundle::kEndMark)) {
                end(pos);
                return;
            }
            if (parse_mark(line, mark)) {
                pos = section(pos, mark);
                continue;
            }
            const std::size_t next = std::min(next_mark(bytes, pos + line.size() + 1), bytes.size());
            fault(pos, std::string(starts_with(line, bundle::kSectionMark) ? "a section mark out of form"
                                                                           : "text outside any section") +
                           ": the " + std::to_string(next - pos) + " bytes up to " +
                           (next == bytes.size() ? "the end of the file" : "the next mark") + " are not read");
            pos = next;
        }
        fault(bytes.size(), "no end mark: the bundle was cut after " + std::to_string(out.sections.size()) +
                                (out.sections.size() == 1 ? " section" : " sections"));
    }
};

}  // namespace

Bundle read_bundle(std::string_view bytes) {
    Bundle b;
    const std::string_view first = line_at(bytes, 0);
    if (first != bundle::kFirstLine || first.size() == bytes.size()) {
        const std::string_view family = bundle::kFirstLine.substr(0, bundle::kFirstLine.rfind(' ') + 1);
        if (first == bundle::kFirstLine) {
            b.refused = "a bundle's first line and nothing after it";
        } else if (starts_with(first, family)) {
            b.refused = "a bundle of format " + shown_text(first.substr(family.size())) +
                        "; this reader reads format " + std::to_string(bundle::kFormatVersion);
        } else {
            b.refused = "not a field report bundle: its first line is not \"" + std::string(bundle::kFirstLine) + "\"";
        }
        return b;
    }
    Reader reader{bytes, b};
    reader.read();
    if (reader.faults > kListedFaults)
        b.faults.push_back("... and " + std::to_string(reader.faults - kListedFaults) + " more");
    return b;
}

const BundleSection* find_section(const Bundle& bundle, std::string_view name) {
    for (const BundleSection& s : bundle.sections) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

std::vector<std::string> missing_sections(const Bundle& bundle) {
    std::vector<std::string> missing;
    for (const std::string_view name : kSections) {
        if (find_section(bundle, name) == nullptr) missing.emplace_back(name);
    }
    return missing;
}

}  // namespace rwsim
