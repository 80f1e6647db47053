// SPDX-License-Identifier: ISC
// The stand-in store. Each read opens the file anew, so a value changed
// while the daemon runs is seen by the next read.
#include "platform/nvram_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/messages.h"
#include "platform/nvram.h"
#include "platform/text.h"

namespace {

// Where `c` first occurs in `text`, or npos. On the view's copy, unlike
// string_view::find, which the compiler may call with the view's address
// and so keep the view in memory (under the stack protector).
std::size_t index_of(std::string_view text, char c) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == c) return i;
    }
    return std::string_view::npos;
}

// Judges one line of the file, with or without its '\n': when it sets
// `key`, its value (everything after the first '=', a trailing '\r'
// dropped) goes to `value`. Comment lines, blank lines and lines without '='
// set nothing. The one home of the line rule, for the lookup in a text and
// for the daemon's read of the file a line at a time.
bool line_sets(std::string_view line, std::string_view key, std::string_view& value) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') return false;
    std::size_t eq = index_of(line, '=');
    if (eq == std::string_view::npos || !same_text(std::string_view(line.data(), eq), key)) return false;
    value = std::string_view(line.data() + eq + 1, line.size() - eq - 1);
    return true;
}

}  // namespace

bool store_file_lookup(std::string_view content, std::string_view key, std::string_view& value) {
    bool found = false;
    while (!content.empty()) {
        // The line with its '\n', or the rest when none follows.
        std::size_t end = index_of(content, '\n');
        std::size_t length = end == std::string_view::npos ? content.size() : end + 1;
        if (line_sets(std::string_view(content.data(), length), key, value)) found = true;
        content.remove_prefix(length);
    }
    return found;
}

namespace {

// Whether the last read failed, so an unreadable file is reported once and
// not at every read; reported again after it has been readable.
bool warned = false;

const char* store_file() {
    const char* name = std::getenv("RELAYWATCH_NVRAM");
    return (name != nullptr && name[0] != '\0') ? name : kDefaultStoreFile;
}

// A part of the warning, written to standard error.
void warn_part(const char* part) {
    ssize_t written = ::write(2, part, std::strlen(part));
    (void)written;  // nothing more to do when standard error is gone
}

// One line on standard error, never on standard output. Three writes, not a
// loop over an array of the parts: an array would put this function (and
// what it is folded into) under the stack protector.
void warn_unreadable(const char* file) {
    warn_part(RW_MSG_STORE_FILE_UNREADABLE);
    warn_part(file);
    warn_part("\n");
}

}  // namespace

// A line at a time through stdio's getline: no buffer of the daemon's own
// for the whole file, and the line rule shared with store_file_lookup. The
// buffer of the last line that set the key is kept (getline starts a new
// one), as a later match replaces it.
extern "C" char* nvram_bufget(int index, const char* name) {
    (void)index;  // the stand-in has one section
    const char* file = store_file();
    FILE* in = std::fopen(file, "re");  // "e": not left open in the commands run
    bool read = in != nullptr;
    char* line = nullptr;
    std::size_t capacity = 0;
    char* kept = nullptr;
    std::string_view value = "";  // a missing key reads as the empty text
    // No key reads as a missing one: "=" is set by no line, as a line's key
    // ends at its first '='.
    const std::string_view key = name != nullptr ? name : "=";
    if (read) {
        ssize_t n = 0;
        while ((n = getline(&line, &capacity, in)) >= 0) {
            if (!line_sets(std::string_view(line, static_cast<std::size_t>(n)), key, value)) continue;
            std::free(kept);
            kept = line;
            line = nullptr;
            capacity = 0;
        }
        // Stopped before the end: a read error, or no memory for the line.
        read = std::feof(in) != 0;
        std::fclose(in);
    }
    char* out = nullptr;
    if (read) {
        warned = false;
        // The value up to its first NUL byte, if any, as the caller reads it.
        out = strndup(value.data(), value.size());
    } else if (!warned) {
        warn_unreadable(file);
        warned = true;
    }
    std::free(line);
    std::free(kept);
    return out;
}
