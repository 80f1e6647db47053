// SPDX-License-Identifier: ISC
#include "report/text_buffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace report {

TextBuffer::~TextBuffer() {
    plat::release(data);
}

void TextBuffer::append(std::string_view text) {
    if (text.empty() || failed) return;
    if (text.size() > capacity - size) {
        std::size_t bigger = capacity < 256 ? 256 : capacity;
        while (bigger - size < text.size()) {
            if (bigger > static_cast<std::size_t>(-1) / 2) {
                failed = true;
                return;
            }
            bigger *= 2;
        }
        auto* grown = static_cast<char*>(plat::alloc_zeroed(bigger + 1, 1));  // zero-terminated
        if (grown == nullptr) {
            failed = true;
            return;
        }
        if (size != 0) std::memcpy(grown, data, size);
        plat::release(data);
        data = grown;
        capacity = bigger;
    }
    std::memcpy(data + size, text.data(), text.size());
    size += text.size();
    data[size] = '\0';
}

void TextBuffer::appendf(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) return;
    const auto length = static_cast<std::size_t>(n);
    append(std::string_view(small, length < sizeof small ? length : sizeof small - 1));
}

void TextBuffer::drop_front(std::size_t count) {
    if (count >= size) {
        size = 0;
    } else {
        std::memmove(data, data + count, size - count);
        size -= count;
    }
    if (data != nullptr) data[size] = '\0';
}

void append_shown(TextBuffer& out, std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7f) {
            out.appendf("\\x%02x", byte);
        } else {
            out.append(c);
        }
    }
}

}  // namespace report
