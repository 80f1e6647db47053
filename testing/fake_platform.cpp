// SPDX-License-Identifier: ISC
#include "testing/fake_platform.h"

#include <linux/wireless.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/platform.h"
#include "platform/report_ops.h"

FakePlatform fake;

void FakePlatform::reset() {
    *this = FakePlatform();
}

std::vector<std::string> FakePlatform::events_of(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& e : events) {
        if (e.rfind(prefix, 0) == 0) found.push_back(e.substr(prefix.size()));
    }
    return found;
}

std::vector<std::string> FakePlatform::runs() const {
    return events_of("run ");
}

void FakePlatform::push_survey(const std::string& table) {
    outputs["iwpriv ra0 get_site_survey"].push_back(table);
}

namespace {

void record(std::string event) {
    if (fake.recording) fake.events.push_back(std::move(event));
}

}  // namespace

namespace plat {

char* store_get(const char* key) {
    record(std::string("store ") + key);
    if (fake.store_unreadable.contains(key)) return nullptr;
    auto it = fake.store.find(key);
    ++fake.store_texts_live;
    return strdup(it == fake.store.end() ? "" : it->second.c_str());
}

void store_release(char* text) {
    if (text == nullptr) return;
    --fake.store_texts_live;
    std::free(text);
}

void run(const char* command) {
    record(std::string("run ") + command);
}

struct Output {
    std::string scripted;  // a start from the queue
    const std::string* text;
    std::size_t pos;
    std::string command;
};

Output* output_open(const char* command) {
    record(std::string("read ") + command);
    static const std::string kNothing;
    Output* out = new Output{{}, &kNothing, 0, command};
    auto& queue = fake.outputs[command];
    if (!queue.empty()) {
        std::optional<std::string> next = std::move(queue.front());
        queue.pop_front();
        if (!next) {
            delete out;
            return nullptr;
        }
        out->scripted = std::move(*next);
        out->text = &out->scripted;
    } else if (auto it = fake.default_outputs.find(command); it != fake.default_outputs.end()) {
        out->text = &it->second;  // stays put while the output is open
    }
    ++fake.outputs_open;
    return out;
}

std::size_t output_read(Output* out, char* buf, std::size_t capacity) {
    // Hand the text out in small, uneven pieces, as a pipe would.
    std::size_t n = std::min<std::size_t>({capacity, out->text->size() - out->pos, 97});
    out->text->copy(buf, n, out->pos);
    out->pos += n;
    return n;
}

void output_close(Output* out) {
    if (out == nullptr) return;
    --fake.outputs_open;
    delete out;
}

int socket_open() {
    record("socket");
    return fake.socket_fails ? -1 : fake.socket_fd;
}

int socket_ioctl(int fd, unsigned long request, void* arg) {
    record(fd == fake.socket_fd ? "ioctl" : "ioctl bad fd");
    auto* req = static_cast<iwreq*>(arg);
    char decoded[64];
    std::snprintf(decoded, sizeof decoded, "%.*s %lx %x %x%s", static_cast<int>(strnlen(req->ifr_name, IFNAMSIZ)),
                  req->ifr_name, request, req->u.data.length, req->u.data.flags, req->u.data.pointer ? " buffer" : "");
    fake.ioctl = decoded;
    if (fake.ioctl_fails) return 1;
    int status = fake.default_status;
    if (!fake.statuses.empty()) {
        status = fake.statuses.front();
        fake.statuses.pop_front();
    }
    if (req->u.data.pointer != nullptr && req->u.data.length >= sizeof(int)) {
        std::memcpy(req->u.data.pointer, &status, sizeof status);
    }
    return 0;
}

void socket_close(int fd) {
    record(fd == fake.socket_fd ? "close" : "close bad fd");
}

void sleep_seconds(unsigned seconds) {
    record("sleep " + std::to_string(seconds));
    fake.seconds_slept += seconds;
}

void write_out(const char* text, std::size_t len) {
    ++fake.writes;
    if (fake.recording) fake.out.append(text, len);
}

void* alloc_zeroed(std::size_t count, std::size_t size) {
    if (fake.allocs_until_failure == 0) return nullptr;
    if (fake.allocs_until_failure > 0) --fake.allocs_until_failure;
    if (size != 0 && count > static_cast<std::size_t>(-1) / size) return nullptr;
    void* p = std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
    if (p != nullptr) {
        ++fake.allocations;
        ++fake.live_allocations;
    }
    return p;
}

void release(void* p) {
    if (p == nullptr) return;
    --fake.live_allocations;
    std::free(p);
}

// --- relaywatch-report's operations ------------------------------------------

int file_open(const char* path) {
    record(std::string("open ") + path);
    auto it = fake.files.find(path);
    if (it == fake.files.end()) return -1;
    fake.reading[++fake.next_file] = {it->second, 0};
    return fake.next_file;
}

std::size_t file_read(int fd, char* buf, std::size_t capacity) {
    auto& [text, pos] = fake.reading[fd];
    std::size_t n = std::min<std::size_t>({capacity, text.size() - pos, 97});
    text.copy(buf, n, pos);
    pos += n;
    return n;
}

void file_close(int fd) {
    fake.reading.erase(fd);
    fake.writing.erase(fd);
}

int file_create(const char* path) {
    record(std::string("create ") + path);
    fake.written[path].clear();
    fake.writing[++fake.next_file] = path;
    return fake.next_file;
}

bool file_write(int fd, const char* data, std::size_t len) {
    const std::string path = fd == kStandardOutput ? "-" : fake.writing[fd];
    fake.written[path].append(data, len);
    return true;
}

std::size_t process_ids(int* pids, std::size_t capacity) {
    std::size_t n = std::min(capacity, fake.pids.size());
    std::copy_n(fake.pids.begin(), n, pids);
    return n;
}

int output_finish(Output* out) {
    if (out == nullptr) return -1;
    auto it = fake.exit_statuses.find(out->command);
    const int status = it == fake.exit_statuses.end() ? 0 : it->second;
    output_close(out);
    return status;
}

bool clock_text(char* buf, std::size_t capacity) {
    return std::snprintf(buf, capacity, "%s", fake.clock.c_str()) > 0;
}

bool kernel_text(char* buf, std::size_t capacity) {
    return std::snprintf(buf, capacity, "%s", fake.kernel.c_str()) > 0;
}

const char* store_file_name() {
    return fake.store_file.empty() ? nullptr : fake.store_file.c_str();
}

}  // namespace plat
