// SPDX-License-Identifier: ISC
// The stand-in store's file reading on any file text: the first line of the
// input is the key, the rest the file. A value store_file_lookup() finds
// lies within its own line after the key and its '='; nvram_bufget() reads
// the same text as a file and must hand back the same value as a C text.
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

    std::string_view value;
    if (store_file_lookup(content, key, value)) {
        // A view into the file text: the rest of a line that begins with
        // the key and '='.
        const char* line = value.data() - key.size() - 1;
        FUZZ_CHECK(line >= content.data() && value.data() + value.size() <= content.data() + content.size());
        FUZZ_CHECK(line == content.data() || line[-1] == '\n');
        FUZZ_CHECK(std::string_view(line, key.size() + 1) == std::string(key) + "=");
        FUZZ_CHECK(value.find('\n') == std::string_view::npos);
    }

    // Through the file: the same lookup for the key as a C text, the value
    // up to its first NUL.
    const std::string cKey(key.substr(0, key.find('\0')));
    std::string_view cValue;
    if (!store_file_lookup(content, cKey, cValue)) cValue = std::string_view();
    write_store(content);
    char* read = nvram_bufget(0, cKey.c_str());
    FUZZ_CHECK(read != nullptr);
    FUZZ_CHECK(cValue.substr(0, cValue.find('\0')) == read);
    std::free(read);
    return 0;
}
