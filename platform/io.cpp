#include "platform/io.h"

#include <cstdio>
#include <cstring>

int debug = 0;

StoredText store_read(const char* key) {
    char* text = plat::store_get(key);
    return StoredText(text, text != nullptr ? std::strlen(text) : 0);
}

HeapText vformat_text(const char* fmt, va_list args) {
    va_list count_args;
    va_copy(count_args, args);
    int needed = std::vsnprintf(nullptr, 0, fmt, count_args);
    va_end(count_args);
    if (needed < 0) return HeapText();
    std::size_t size = static_cast<std::size_t>(needed) + 1;
    auto* text = static_cast<char*>(plat::alloc_zeroed(size, 1));
    if (text == nullptr) return HeapText();
    std::vsnprintf(text, size, fmt, args);
    return HeapText(text, static_cast<std::size_t>(needed));
}

HeapText format_text(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    HeapText out = vformat_text(fmt, args);
    va_end(args);
    return out;
}

void run_command(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    HeapText line = vformat_text(fmt, args);
    va_end(args);
    if (line.ok()) plat::run(line.c_str());
}

namespace {

// Formats into a stack buffer when the text fits (the usual case, so a
// steady pass allocates nothing), else on the heap.
void vsay(const char* fmt, va_list args) {
    char small[256];
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(small, sizeof small, fmt, args);
    if (needed >= 0 && static_cast<std::size_t>(needed) < sizeof small) {
        plat::write_out(small, static_cast<std::size_t>(needed));
    } else if (needed >= 0) {
        HeapText big = vformat_text(fmt, again);
        if (big.ok()) plat::write_out(big.ptr, big.count);
    }
    va_end(again);
}

}  // namespace

void say(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vsay(fmt, args);
    va_end(args);
}

void dbg(const char* fmt, ...) {
    if (debug != 1) return;
    va_list args;
    va_start(args, fmt);
    vsay(fmt, args);
    va_end(args);
}

int CommandOutput::peek() {
    if (pos == end) {
        if (eof || stream == nullptr) return -1;
        end = plat::output_read(stream, buf, sizeof buf);
        pos = 0;
        if (end == 0) {
            eof = true;
            return -1;
        }
    }
    return static_cast<unsigned char>(buf[pos]);
}

int CommandOutput::get() {
    int c = peek();
    if (c >= 0) ++pos;
    return c;
}
