#include "bench/bench_platform.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace bench_platform {

std::string survey_output;
long allocations = 0;

}  // namespace bench_platform

namespace plat {

char* store_get(const char*) { return static_cast<char*>(std::calloc(1, 1)); }
void store_release(char* text) { std::free(text); }

void run(const char*) {}

// One stream at a time: the survey table, read from memory.
struct Output {
    std::size_t pos;
};
namespace {
Output the_output;
}

Output* output_open(const char*) {
    the_output.pos = 0;
    return &the_output;
}

std::size_t output_read(Output* out, char* buf, std::size_t capacity) {
    const std::string& text = bench_platform::survey_output;
    std::size_t n = text.size() - out->pos;
    if (n > capacity) n = capacity;
    std::memcpy(buf, text.data() + out->pos, n);
    out->pos += n;
    return n;
}

void output_close(Output*) {}

int socket_open() { return -1; }
int socket_ioctl(int, unsigned long, void*) { return 1; }
void socket_close(int) {}

void sleep_seconds(unsigned) {}
void write_out(const char*, std::size_t) {}

void* alloc_zeroed(std::size_t count, std::size_t size) {
    ++bench_platform::allocations;
    return std::calloc(count, size);
}

void release(void* p) { std::free(p); }

}  // namespace plat
