// The stand-in store's file reading on any file text: the first line of the
// input is the key, the rest the file. store_file_lookup() is compared with
// the line format written out once more here, and nvram_bufget() reads the
// same text as a file and must hand back the same value as a C text.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/nvram.h"
#include "platform/nvram_file.h"

namespace {

// KEY=VALUE lines: a trailing '\r' dropped, blank and '#' lines ignored, the
// value after the first '=', the last of several wins.
bool reference_lookup(std::string_view content, std::string_view key, std::string& value) {
    bool found = false;
    while (!content.empty()) {
        std::string_view line = take_line(content);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || line.substr(0, eq) != key) continue;
        value.assign(line.substr(eq + 1));
        found = true;
    }
    return found;
}

// The store file: an in-memory file that nvram_bufget opens by its name
// under /proc/self/fd.
int store_fd() {
    static const int fd = [] {
        int created = memfd_create("relaywatch-store", 0);
        if (created < 0) fuzz_fail("memfd_create", __FILE__, __LINE__);
        std::string name = "/proc/self/fd/" + std::to_string(created);
        setenv("RELAYWATCH_NVRAM", name.c_str(), 1);
        return created;
    }();
    return fd;
}

void write_store(std::string_view content) {
    int fd = store_fd();
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        FUZZ_CHECK(n > 0);
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view content = fuzz_text(data, size);
    const std::string_view key = take_line(content);

    std::string expected;
    bool expectedFound = reference_lookup(content, key, expected);
    std::string_view value;
    bool found = store_file_lookup(content, key, value);
    FUZZ_CHECK(found == expectedFound);
    if (found) {
        FUZZ_CHECK(value == expected);
        // The value is a view into the file text, not a copy.
        FUZZ_CHECK(value.data() >= content.data() &&
                   value.data() + value.size() <= content.data() + content.size());
    }

    // Through the file: the key as a C text, the value up to its first NUL.
    const std::string cKey(key.substr(0, key.find('\0')));
    std::string fileValue;
    if (!reference_lookup(content, cKey, fileValue)) fileValue.clear();
    fileValue.resize(std::strlen(fileValue.c_str()));
    write_store(content);
    char* read = nvram_bufget(0, cKey.c_str());
    FUZZ_CHECK(read != nullptr);
    FUZZ_CHECK(fileValue == read);
    std::free(read);
    return 0;
}
