// SPDX-License-Identifier: ISC
// The host implementation of the platform boundary: the configuration store
// through nvram_bufget, commands through /bin/sh, the driver request through
// a socket, log text written straight to standard output.
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/nvram.h"
#include "platform/platform.h"

namespace plat {

char* store_get(const char* key) {
    return nvram_bufget(0, key);
}

void store_release(char* text) {
    std::free(text);
}

void run(const char* command) {
    int status = std::system(command);
    (void)status;  // no caller looks at a command's exit status
}

namespace {

// The platform's Output is the C library's pipe stream itself, seen as such
// only in this file: no record of its own to allocate and release.
FILE* stream_of(Output* out) {
    return reinterpret_cast<FILE*>(out);
}

}  // namespace

Output* output_open(const char* command) {
    return reinterpret_cast<Output*>(popen(command, "r"));
}

// Through the stream's own buffer: a read of one character at a time costs
// no call into the kernel each.
std::size_t output_read(Output* out, char* buf, std::size_t capacity) {
    if (out == nullptr) return 0;
    return std::fread(buf, 1, capacity, stream_of(out));
}

void output_close(Output* out) {
    if (out != nullptr) pclose(stream_of(out));
}

int socket_open() {
    return ::socket(AF_INET, SOCK_DGRAM, 0);
}

int socket_ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg) != 0 ? 1 : 0;
}

void socket_close(int fd) {
    ::close(fd);
}

void sleep_seconds(unsigned seconds) {
    // sleep() returns early on a signal; sleep out the rest.
    while (seconds != 0) seconds = ::sleep(seconds);
}

// Straight to the descriptor, unbuffered: a line is out before a command
// that follows it starts, and no stdio buffer or flush is needed.
void write_out(const char* text, std::size_t len) {
    while (len != 0) {
        ssize_t n = ::write(STDOUT_FILENO, text, len);
        if (n > 0) {
            text += n;
            len -= static_cast<std::size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            return;  // nothing more to do when standard output is gone
        }
    }
}

void* alloc_zeroed(std::size_t count, std::size_t size) {
    return std::calloc(count, size);
}

void release(void* p) {
    std::free(p);
}

}  // namespace plat
