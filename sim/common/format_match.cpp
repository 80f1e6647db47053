// SPDX-License-Identifier: ISC
#include "sim/common/format_match.h"

#include <cstddef>

#include "sim/common/text.h"

namespace rwsim {

namespace {

// Steps of trying texts for %s before giving up on a line.
constexpr long kStepLimit = 20000;

struct Matcher {
    std::string_view text;
    std::vector<std::string_view>& fields;
    bool rest;
    long steps = 0;

    // The conversion at `f` (just past the '%'): its kind and where it ends.
    static char conversion(std::string_view format, std::size_t& f) {
        if (f < format.size() && format[f] == '.' && f + 2 < format.size() && format[f + 1] == '*') f += 2;
        while (f < format.size() && is_digit(format[f])) ++f;
        return f < format.size() ? format[f++] : '\0';
    }

    bool match(std::string_view format, std::size_t f, std::size_t t) {
        if (++steps > kStepLimit) return false;
        while (f < format.size()) {
            if (format[f] != '%' || (f + 1 < format.size() && format[f + 1] == '%')) {
                if (format[f] == '%') ++f;
                if (t >= text.size() || text[t] != format[f]) return false;
                ++f;
                ++t;
                continue;
            }
            ++f;
            const char kind = conversion(format, f);
            if (kind == 'd') {
                std::size_t end = t;
                if (end < text.size() && text[end] == '-') ++end;
                const std::size_t digits = end;
                while (end < text.size() && is_digit(text[end])) ++end;
                if (end == digits) return false;
                fields.push_back(text.substr(t, end - t));
                t = end;
                continue;
            }
            if (kind != 's') return false;
            // The shortest text for which the rest of the format matches.
            const std::size_t kept = fields.size();
            for (std::size_t end = t; end <= text.size(); ++end) {
                fields.push_back(text.substr(t, end - t));
                if (match(format, f, end)) return true;
                fields.resize(kept);
                if (steps > kStepLimit) return false;
            }
            return false;
        }
        if (rest) {
            fields.push_back(text.substr(t));
            return true;
        }
        return t == text.size();
    }
};

}  // namespace

std::string reprinted(std::string_view format, const std::vector<std::string>& values) {
    if (!format.empty() && format.back() == '\n') format.remove_suffix(1);
    std::string out;
    std::size_t next = 0;
    for (std::size_t f = 0; f < format.size();) {
        if (format[f] != '%' || f + 1 >= format.size()) {
            out += format[f++];
        } else if (format[f + 1] == '%') {
            out += '%';
            f += 2;
        } else {
            ++f;
            Matcher::conversion(format, f);
            if (next < values.size()) out += values[next++];
        }
    }
    return out;
}

bool match_format(std::string_view format, std::string_view text, std::vector<std::string_view>& fields, bool rest) {
    if (!format.empty() && format.back() == '\n') format.remove_suffix(1);
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    fields.clear();
    Matcher m{text, fields, rest};
    if (m.match(format, 0, 0)) return true;
    fields.clear();
    return false;
}

}  // namespace rwsim
