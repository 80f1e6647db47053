// The platform boundary for the fuzz targets (see fuzz_platform.h). The
// store holds nothing, the driver refuses every request, and output goes
// nowhere.
#include "fuzz/fuzz_platform.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

FuzzPlatform fuzz_platform;

namespace plat {

char* store_get(const char* /*key*/) {
    auto* text = static_cast<char*>(std::calloc(1, 1));
    if (text != nullptr) ++fuzz_platform.store_texts_live;
    return text;
}

void store_release(char* text) {
    if (text == nullptr) return;
    --fuzz_platform.store_texts_live;
    std::free(text);
}

void run(const char* command) {
    if (std::strcmp(command, "iwpriv ra0 set SiteSurvey=1") == 0) {
        ++fuzz_platform.survey_triggers;
    } else {
        ++fuzz_platform.other_runs;
    }
}

struct Output {
    std::string_view text;
    std::size_t pos;
};

Output* output_open(const char* command) {
    ++fuzz_platform.opens_tried;
    if (fuzz_platform.failing_opens > 0) {
        --fuzz_platform.failing_opens;
        return nullptr;
    }
    auto* out = static_cast<Output*>(std::calloc(1, sizeof(Output)));
    if (out == nullptr) return nullptr;
    if (std::strcmp(command, "iwpriv ra0 get_site_survey") == 0) out->text = fuzz_platform.survey;
    ++fuzz_platform.outputs_open;
    return out;
}

std::size_t output_read(Output* out, char* buf, std::size_t capacity) {
    if (out == nullptr) return 0;
    // Uneven pieces, as a pipe hands them out.
    std::size_t n = out->text.size() - out->pos;
    if (n > capacity) n = capacity;
    if (n > 61) n = 61;
    if (n != 0) std::memcpy(buf, out->text.data() + out->pos, n);
    out->pos += n;
    return n;
}

void output_close(Output* out) {
    if (out == nullptr) return;
    --fuzz_platform.outputs_open;
    std::free(out);
}

int socket_open() { return -1; }

int socket_ioctl(int /*fd*/, unsigned long /*request*/, void* /*arg*/) { return 1; }

void socket_close(int /*fd*/) {}

void sleep_seconds(unsigned seconds) { fuzz_platform.seconds_slept += seconds; }

void write_out(const char* /*text*/, std::size_t /*len*/) {}

void* alloc_zeroed(std::size_t count, std::size_t size) {
    if (fuzz_platform.allocs_until_failure == 0) return nullptr;
    if (fuzz_platform.allocs_until_failure > 0) --fuzz_platform.allocs_until_failure;
    void* p = std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
    if (p != nullptr) ++fuzz_platform.live_allocations;
    return p;
}

void release(void* p) {
    if (p == nullptr) return;
    --fuzz_platform.live_allocations;
    std::free(p);
}

}  // namespace plat
