#include "platform/io.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

int debug = 0;

StoredText store_read(const char* key) {
    char* text = plat::store_get(key);
    return StoredText(text, text != nullptr ? std::strlen(text) : 0);
}

namespace {

// The daemon's name, which begins its log lines.
constexpr char kLogName[] = RW_LOG_PREFIX;
constexpr std::size_t kLogNameLength = sizeof kLogName - 1;

}  // namespace

// Formats into a stack buffer first (after the first `lead` characters of
// the daemon's name, all or none, for a log line). A log line that fits is
// written from there: the usual case, so a steady pass allocates nothing.
// A longer log line, and every command line, is formatted again on the heap
// and written or run from there; without memory it is neither.
void emit(const char* kindAndFormat, ...) {
    const char kind = kindAndFormat[0];
    const char* fmt = kindAndFormat + 1;
    if (kind == line_kind::kDbg && debug != 1) return;
    const bool command = kind == line_kind::kCommand;
    const std::size_t lead = command || kind == line_kind::kPrint ? 0 : kLogNameLength;
    char small[256];
    std::memcpy(small, kLogName, lead);
    va_list args;
    va_list again;
    va_start(args, kindAndFormat);
    va_copy(again, args);
    const int needed = std::vsnprintf(small + lead, sizeof small - lead, fmt, args);
    if (needed >= 0) {
        const auto length = static_cast<std::size_t>(needed);
        if (!command && length < sizeof small - lead) {
            plat::write_out(small, lead + length);
        } else {
            auto* heap = static_cast<char*>(plat::alloc_zeroed(length + 1, 1));
            HeapText text(heap, heap != nullptr ? length : 0);
            if (text.ok()) {
                std::vsnprintf(text.ptr, length + 1, fmt, again);
                if (command) {
                    plat::run(text.ptr);
                } else {
                    plat::write_out(small, lead);
                    plat::write_out(text.ptr, length);
                }
            }
        }
    }
    va_end(again);
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
