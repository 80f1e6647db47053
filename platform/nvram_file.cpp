// SPDX-License-Identifier: ISC
// The stand-in store. Each read opens the file anew, so a value changed
// while the daemon runs is seen by the next read.
#include "platform/nvram_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

bool store_file_lookup(std::string_view content, std::string_view key, std::string_view& value) {
    bool found = false;
    while (!content.empty()) {
        std::size_t eol = index_of(content, '\n');
        std::string_view line = content;
        if (eol == std::string_view::npos) {
            content = std::string_view();
        } else {
            line = std::string_view(content.data(), eol);
            content.remove_prefix(eol + 1);
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t eq = index_of(line, '=');
        if (eq == std::string_view::npos) continue;
        if (!same_text(std::string_view(line.data(), eq), key)) continue;
        value = std::string_view(line.data() + eq + 1, line.size() - eq - 1);
        found = true;
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

// Reads the whole file into a heap buffer; nullptr when it cannot be read.
// Plain descriptors rather than stdio, and only the allocation calls the
// rest of the daemon makes (calloc, free; no realloc), keep the daemon small.
char* read_file(const char* name, std::size_t& size) {
    int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    std::size_t cap = 1024;
    size = 0;
    auto* data = static_cast<char*>(std::calloc(cap, 1));
    bool failed = data == nullptr;
    while (!failed) {
        if (size == cap) {
            auto* bigger = static_cast<char*>(std::calloc(cap * 2, 1));
            if (bigger == nullptr) {
                failed = true;
                break;
            }
            std::memcpy(bigger, data, size);
            std::free(data);
            data = bigger;
            cap *= 2;
        }
        ssize_t n = ::read(fd, data + size, cap - size);
        if (n > 0) {
            size += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            failed = true;
        }
    }
    ::close(fd);
    if (failed) {
        std::free(data);
        return nullptr;
    }
    return data;
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

extern "C" char* nvram_bufget(int index, const char* name) {
    (void)index;  // the stand-in has one section
    const char* file = store_file();
    std::size_t size = 0;
    char* data = read_file(file, size);
    if (data == nullptr) {
        if (!warned) {
            warn_unreadable(file);
            warned = true;
        }
        return nullptr;
    }
    warned = false;
    std::string_view value = "";  // a missing key reads as the empty text
    if (name != nullptr) store_file_lookup(std::string_view(data, size), name, value);
    // The value up to its first NUL byte, if any, as the caller reads it.
    char* out = strndup(value.data(), value.size());
    std::free(data);
    return out;
}
