// SPDX-License-Identifier: ISC
// The host implementation of relaywatch-report's own platform operations:
// plain descriptors, /proc, the C library's clock and uname.
#include <dirent.h>
#include <fcntl.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/nvram_file.h"
#include "platform/report_ops.h"

namespace plat {

int file_open(const char* path) {
    return ::open(path, O_RDONLY | O_CLOEXEC);
}

std::size_t file_read(int fd, char* buf, std::size_t capacity) {
    for (;;) {
        ssize_t n = ::read(fd, buf, capacity);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return 0;
    }
}

void file_close(int fd) {
    if (fd >= 0) ::close(fd);
}

int file_create(const char* path) {
    return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
}

bool file_write(int fd, const char* data, std::size_t len) {
    while (len != 0) {
        ssize_t n = ::write(fd, data, len);
        if (n > 0) {
            data += n;
            len -= static_cast<std::size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

std::size_t process_ids(int* pids, std::size_t capacity) {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return 0;
    std::size_t count = 0;
    while (count < capacity) {
        const dirent* entry = ::readdir(proc);
        if (entry == nullptr) break;
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && pid > 0 && pid <= 0x7fffffff) {
            pids[count++] = static_cast<int>(pid);
        }
    }
    ::closedir(proc);
    return count;
}

int output_finish(Output* out) {
    if (out == nullptr) return -1;
    const int status = pclose(reinterpret_cast<FILE*>(out));
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

bool clock_text(char* buf, std::size_t capacity) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return false;
    return std::strftime(buf, capacity, "%Y-%m-%d %H:%M:%S %z %Z", &local) != 0;
}

bool kernel_text(char* buf, std::size_t capacity) {
    utsname names{};
    if (::uname(&names) != 0) return false;
    const int n =
        std::snprintf(buf, capacity, "%s %s %s %s", names.sysname, names.release, names.version, names.machine);
    return n > 0;
}

const char* store_file_name() {
#ifdef RELAYWATCH_STORE_LIBRARY
    return nullptr;
#else
    const char* name = std::getenv("RELAYWATCH_NVRAM");
    return (name != nullptr && name[0] != '\0') ? name : kDefaultStoreFile;
#endif
}

}  // namespace plat
