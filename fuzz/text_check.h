// SPDX-License-Identifier: ISC
// What the fuzz targets of the simulator's outputs check: text with no raw
// control byte that is valid UTF-8, and XML that is well-formed (checked
// strictly: characters XML 1.0 allows, every tag closed in order,
// attributes quoted, entities known).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/common/tests/clean_text.h"

inline bool name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == ':' ||
           c == '_' || c == '.';
}

// An entity at text[i] ('&'): a known one or a character reference.
inline bool entity(std::string_view text, std::size_t i) {
    const std::size_t end = text.find(';', i);
    if (end == std::string_view::npos) return false;
    const std::string_view e = text.substr(i + 1, end - i - 1);
    if (e == "amp" || e == "lt" || e == "gt" || e == "quot" || e == "apos") return true;
    if (e.size() < 2 || e[0] != '#') return false;
    for (const char c : e.substr(1)) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Well-formed: one root element, tags nested and closed, attributes quoted.
inline bool well_formed(std::string_view text) {
    std::vector<std::string_view> open;
    bool root_seen = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && !entity(text, i)) return false;
        if (text[i] != '<') continue;
        const bool closing = i + 1 < text.size() && text[i + 1] == '/';
        std::size_t j = i + (closing ? 2 : 1), start = j;
        while (j < text.size() && name_char(text[j])) ++j;
        const std::string_view name = text.substr(start, j - start);
        if (name.empty()) return false;
        if (closing) {
            if (open.empty() || open.back() != name || j >= text.size() || text[j] != '>') return false;
            open.pop_back();
            i = j;
            continue;
        }
        if (open.empty() && root_seen) return false;
        while (j < text.size() && text[j] != '>' && text[j] != '/') {
            if (text[j] == '"') {
                const std::size_t end = text.find('"', j + 1);
                if (end == std::string_view::npos) return false;
                const std::string_view value = text.substr(j + 1, end - j - 1);
                if (value.find('<') != std::string_view::npos) return false;
                for (std::size_t k = value.find('&'); k != std::string_view::npos; k = value.find('&', k + 1))
                    if (!entity(value, k)) return false;
                j = end;
            }
            ++j;
        }
        if (j >= text.size()) return false;
        if (text[j] == '/') {
            if (j + 1 >= text.size() || text[j + 1] != '>') return false;
            ++j;
        } else {
            open.push_back(name);
        }
        root_seen = true;
        i = j;
    }
    return root_seen && open.empty();
}
