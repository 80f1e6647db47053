// SPDX-License-Identifier: ISC
// A growing text on the platform's heap, for the bundle's sections. Free of
// the C++ runtime; released when it goes. Once memory runs out it stays
// short and says so (failed).
#pragma once

#include <cstddef>
#include <string_view>

namespace report {

struct TextBuffer {
    char* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;
    bool failed = false;  // something could not be appended for want of memory

    TextBuffer() = default;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    ~TextBuffer();

    std::string_view view() const { return std::string_view(data != nullptr ? data : "", size); }
    void append(std::string_view text);
    void append(char c) { append(std::string_view(&c, 1)); }
    // printf into the buffer; the format is a literal.
    void appendf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Drops the first `count` bytes.
    void drop_front(std::size_t count);
    void clear() { size = 0; }
};

// Appends `text` with every control byte but the tab (and DEL) as \xNN, so a
// value stays on its line and a terminal shows it as it is.
void append_shown(TextBuffer& out, std::string_view text);

}  // namespace report
