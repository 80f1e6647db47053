// The core's side of the platform boundary: owned wrappers around what the
// platform hands out (stored texts, command output, heap texts), formatted
// command lines and log lines. Everything that is released is released by a
// destructor, on every path.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string_view>

#include "platform/platform.h"

// Set by the word "debug" on the command line; the only log level.
extern int debug;

// A text read from the configuration store, released when it goes.
struct StoredText {
    char* text = nullptr;

    StoredText() = default;
    explicit StoredText(char* owned) : text(owned) {}
    StoredText(const StoredText&) = delete;
    StoredText& operator=(const StoredText&) = delete;
    StoredText(StoredText&& other) noexcept : text(other.text) { other.text = nullptr; }
    StoredText& operator=(StoredText&& other) noexcept {
        if (this != &other) {
            reset();
            text = other.text;
            other.text = nullptr;
        }
        return *this;
    }
    ~StoredText() { reset(); }

    void reset() {
        plat::store_release(text);
        text = nullptr;
    }
    const char* c_str() const { return text != nullptr ? text : ""; }
    std::string_view view() const { return std::string_view(c_str()); }
};

// Reads the stored setting `key`; a missing key or no memory reads as "".
StoredText store_read(const char* key);

// A zero-terminated text on the heap (from plat::alloc_zeroed), released when
// it goes. Used for texts without a length bound: command lines and escaped
// stored values. An allocation failure leaves it null (`ok()` false).
struct HeapText {
    char* text = nullptr;
    std::size_t length = 0;

    HeapText() = default;
    HeapText(const HeapText&) = delete;
    HeapText& operator=(const HeapText&) = delete;
    HeapText(HeapText&& other) noexcept : text(other.text), length(other.length) {
        other.text = nullptr;
        other.length = 0;
    }
    HeapText& operator=(HeapText&& other) noexcept {
        if (this != &other) {
            plat::release(text);
            text = other.text;
            length = other.length;
            other.text = nullptr;
            other.length = 0;
        }
        return *this;
    }
    ~HeapText() { plat::release(text); }

    bool ok() const { return text != nullptr; }
    const char* c_str() const { return text != nullptr ? text : ""; }
    std::string_view view() const { return std::string_view(c_str(), length); }
};

// printf-style formatting into a text of whatever length the result needs.
HeapText format_text(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
HeapText vformat_text(const char* fmt, va_list args);

// Formats a command line whole and runs it through the shell. A command
// line that cannot be formed (no memory) is not run.
void run_command(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Log text to standard output: say() always, dbg() only with `debug` set.
// Texts of any length are written whole.
void say(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void dbg(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A command's standard output, read through a small buffer. Closed (and the
// command waited for) when it goes.
struct CommandOutput {
    plat::Output* stream = nullptr;
    char buf[512];
    std::size_t pos = 0;
    std::size_t end = 0;
    bool eof = false;

    explicit CommandOutput(const char* command) : stream(plat::output_open(command)) {}
    CommandOutput(const CommandOutput&) = delete;
    CommandOutput& operator=(const CommandOutput&) = delete;
    ~CommandOutput() { plat::output_close(stream); }

    bool is_open() const { return stream != nullptr; }

    // The next character without taking it, or -1 at the end.
    int peek();
    // Takes the next character, or -1 at the end.
    int get();

    // Reads one line the way fgets does into a buffer of `capacity` bytes:
    // at most `capacity` - 1 characters, the line end included when it fits,
    // zero-terminated. Returns the number of characters read; 0 at the end.
    std::size_t read_line(char* line, std::size_t capacity);
};
