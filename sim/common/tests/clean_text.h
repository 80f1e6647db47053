// SPDX-License-Identifier: ISC
// What the tests and the fuzz targets ask of text shown to a person: valid
// UTF-8 with no C0 (but tab and line end), DEL or C1 control, what may
// reach a terminal; for XML 1.0 also without U+FFFE and U+FFFF. No
// GoogleTest here, so that the fuzz targets include it too.
#pragma once

#include <cstddef>
#include <string_view>

#include "sim/common/text.h"

namespace rwsim {

inline bool clean_text(std::string_view text, bool xml = false) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7f) return false;
            ++i;
            continue;
        }
        const std::size_t n = utf8_length(text, i);
        if (n == 0 || (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) return false;
        if (xml && (text.compare(i, n, "\xEF\xBF\xBE") == 0 || text.compare(i, n, "\xEF\xBF\xBF") == 0)) return false;
        i += n;
    }
    return true;
}

}  // namespace rwsim
