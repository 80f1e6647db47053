// SPDX-License-Identifier: ISC
// The core's side of the platform boundary: owned wrappers around what the
// platform hands out (stored texts, command output, heap texts), formatted
// command lines and log lines. Everything that is released is released by a
// destructor, on every path.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/messages.h"
#include "platform/platform.h"

// Set by the word "debug" on the command line; the only log level.
extern int debug;

// Something the platform handed out, owned: `count` elements at `ptr`,
// given back with Release when it goes (on every path). Move-only. The
// store's texts, heap texts and the window of samples are all one of these.
template <typename T, auto Release>
struct Owned {
    T* ptr = nullptr;
    std::size_t count = 0;

    Owned() = default;
    Owned(T* owned, std::size_t n) : ptr(owned), count(n) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : ptr(other.ptr), count(other.count) {
        other.ptr = nullptr;
        other.count = 0;
    }
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Release(ptr);
            ptr = other.ptr;
            count = other.count;
            other.ptr = nullptr;
            other.count = 0;
        }
        return *this;
    }
    ~Owned() { Release(ptr); }

    void reset() {
        Release(ptr);
        ptr = nullptr;
        count = 0;
    }
    bool ok() const { return ptr != nullptr; }
    T& operator[](std::size_t i) const { return ptr[i]; }

    // For texts (T = char): `count` characters and a terminator; an absent
    // text reads as the empty one.
    const char* c_str() const { return ptr != nullptr ? ptr : ""; }
    std::string_view view() const { return std::string_view(c_str(), count); }
};

// A text read from the configuration store; not ok() when the store could
// not be read.
using StoredText = Owned<char, plat::store_release>;

// Reads the stored setting `key`; a missing key reads as "".
StoredText store_read(const char* key);

// A zero-terminated text on the heap (from plat::alloc_zeroed), for texts
// without a length bound: command lines and escaped stored values. Not ok()
// when memory ran out.
using HeapText = Owned<char, plat::release>;

// Every log line and command line goes out through emit(), one variadic
// function for all four kinds below. The format's first byte names the kind
// and is neither printed nor run; the macros put it in front of the literal
// format (the first argument, which must be a string literal), so the
// compiler still checks every format against its arguments.
// (One function: each variadic function costs its own register save area
// and stack-protector check.)
// The kind bytes (the macros below write them as "\1" to "\4").
namespace line_kind {
inline constexpr char kSay = '\1';
inline constexpr char kDbg = '\2';
inline constexpr char kPrint = '\3';
inline constexpr char kCommand = '\4';
}  // namespace line_kind
void emit(const char* kindAndFormat, ...) __attribute__((format(printf, 1, 2)));

// Log text to standard output, written whole whatever its length: say()
// always and dbg() only with `debug` set, both after the daemon's name and a
// colon ("relaywatch: ", joined to the literal format here, so that emit()
// needs no code for it); print() always, as it is. The format is a literal.
#define say(...) emit("\1" RW_LOG_PREFIX __VA_ARGS__)
#define dbg(...) emit("\2" RW_LOG_PREFIX __VA_ARGS__)
#define print(...) emit("\3" __VA_ARGS__)

// Formats a command line whole and runs it through the shell. A command
// line that cannot be formed (no memory) is not run. The format is a literal.
#define run_command(...) emit("\4" __VA_ARGS__)

// A command's standard output, read a character at a time (the host's
// stream buffers it) with one character of lookahead. Closed (and the
// command waited for) when it goes.
struct CommandOutput {
    static constexpr int kUnread = -2;  // `ahead` holds nothing yet
    plat::Output* stream = nullptr;
    int ahead = kUnread;  // the next character, -1 at the end, or kUnread
    // Where the stream's next byte is read to: a member rather than a local
    // of peek(), whose address taken would put peek() under the stack
    // protector.
    char byte = 0;

    explicit CommandOutput(const char* command) : stream(plat::output_open(command)) {}
    CommandOutput(const CommandOutput&) = delete;
    CommandOutput& operator=(const CommandOutput&) = delete;
    ~CommandOutput() { plat::output_close(stream); }

    bool is_open() const { return stream != nullptr; }

    // The next character without taking it, or -1 at the end.
    int peek();
    // Takes the next character, or -1 at the end.
    int get();
};

// Reads one line from any character source with peek() and get() (a
// command's output; in the simulator, a captured text) the way fgets does
// into a buffer of `capacity` bytes: at most `capacity` - 1 characters, the
// line end included when it fits, zero-terminated. Returns the number of
// characters read; 0 at the end.
template <typename Source>
std::size_t read_line(Source& source, char* line, std::size_t capacity) {
    std::size_t n = 0;
    while (n + 1 < capacity) {
        int c = source.get();
        if (c < 0) break;
        line[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    line[n] = '\0';
    return n;
}
