// The host implementation of the platform boundary: the configuration store
// through nvram_bufget, commands through /bin/sh, the driver request through
// a socket, standard output flushed at every line end.
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/nvram.h"
#include "platform/platform.h"

namespace plat {

char* store_get(const char* key) { return nvram_bufget(0, key); }

void store_release(char* text) { std::free(text); }

void run(const char* command) {
    // The output of the tools goes where the daemon's own lines go; keep the
    // order by flushing first.
    std::fflush(stdout);
    int status = std::system(command);
    (void)status;  // no caller looks at a command's exit status
}

struct Output {
    FILE* pipe;
};

Output* output_open(const char* command) {
    std::fflush(stdout);
    FILE* pipe = popen(command, "r");
    if (pipe == nullptr) return nullptr;
    auto* out = static_cast<Output*>(std::calloc(1, sizeof(Output)));
    if (out == nullptr) {
        pclose(pipe);
        return nullptr;
    }
    out->pipe = pipe;
    return out;
}

std::size_t output_read(Output* out, char* buf, std::size_t capacity) {
    if (out == nullptr) return 0;
    for (;;) {
        ssize_t n = ::read(fileno(out->pipe), buf, capacity);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return 0;
    }
}

void output_close(Output* out) {
    if (out == nullptr) return;
    pclose(out->pipe);
    std::free(out);
}

int socket_open() { return ::socket(AF_INET, SOCK_DGRAM, 0); }

int socket_ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg) != 0 ? 1 : 0;
}

void socket_close(int fd) { ::close(fd); }

void sleep_seconds(unsigned seconds) {
    // sleep() returns early on a signal; sleep out the rest.
    while (seconds != 0) seconds = ::sleep(seconds);
}

void write_out(const char* text, std::size_t len) {
    std::fwrite(text, 1, len, stdout);
}

void* alloc_zeroed(std::size_t count, std::size_t size) { return std::calloc(count, size); }

void release(void* p) { std::free(p); }

}  // namespace plat
