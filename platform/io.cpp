// SPDX-License-Identifier: ISC
#include "platform/io.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

int debug = 0;

StoredText store_read(const char* key) {
    char* text = plat::store_get(key);
    return StoredText(text, text != nullptr ? std::strlen(text) : 0);
}

// Formats into a stack buffer first. A log line that fits is written from
// there: the usual case, so a steady pass allocates nothing. A longer log
// line, and every command line, is formatted again on the heap and written
// or run from there; without memory it is neither.
void emit(const char* kindAndFormat, ...) {
    const char kind = kindAndFormat[0];
    const char* fmt = kindAndFormat + 1;
    if (kind == line_kind::kDbg && debug != 1) return;
    const bool command = kind == line_kind::kCommand;
    char small[256];
    va_list args;
    va_start(args, kindAndFormat);
    const int needed = std::vsnprintf(small, sizeof small, fmt, args);
    va_end(args);
    if (needed >= 0) {
        const auto length = static_cast<std::size_t>(needed);
        const bool on_heap = command || length >= sizeof small;
        auto* heap = static_cast<char*>(on_heap ? plat::alloc_zeroed(length + 1, 1) : nullptr);
        HeapText text(heap, heap != nullptr ? length : 0);
        char* line = on_heap ? text.ptr : small;
        if (line != nullptr) {
            if (on_heap) {
                // The arguments walked again from a fresh va_start: less
                // code than a va_copy kept aside for a pass seldom made.
                va_start(args, kindAndFormat);
                std::vsnprintf(line, length + 1, fmt, args);
                va_end(args);
            }
            if (command) {
                plat::run(line);
            } else {
                plat::write_out(line, length);
            }
        }
    }
}

int CommandOutput::peek() {
    if (ahead == kUnread) {
        ahead = stream != nullptr && plat::output_read(stream, &byte, 1) == 1 ? static_cast<unsigned char>(byte) : -1;
    }
    return ahead;
}

int CommandOutput::get() {
    int c = peek();
    if (c >= 0) ahead = kUnread;
    return c;
}
