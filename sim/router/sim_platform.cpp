// SPDX-License-Identifier: ISC
#include "sim/router/sim_platform.h"

#include <linux/wireless.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/report_ops.h"
#include "sim/router/console.h"
#include "sim/router/router.h"

namespace rwsim {

namespace {

// The run that is attached; the daemon's calls have no other way in.
PlatformState* g_run = nullptr;

constexpr const char* kLogRead = "logread";
constexpr const char* kStoreFile = "/etc/relaywatch/nvram";
constexpr long kBootSeconds = 30;  // the router's uptime at virtual second 0
constexpr unsigned long kConnStatusRequest = 0x8BE1;
constexpr unsigned short kConnStatusSubcommand = 0x060B;

PlatformState& attached() {
    if (g_run == nullptr || g_run->router == nullptr) {
        std::fputs("relaywatch-sim: the platform was used with no router attached\n", stderr);
        std::abort();
    }
    return *g_run;
}

Router& router() {
    return *attached().router;
}

// What the daemon holds; nowhere to count it with no run attached (the
// simulator's own code may use the daemon's helpers outside a run).
PlatformHoldings* holdings() {
    return g_run != nullptr ? &g_run->holdings : nullptr;
}

}  // namespace

void sim_platform_attach(PlatformState* state) {
    g_run = state;
}

void sim_platform_detach() {
    g_run = nullptr;
}

}  // namespace rwsim

namespace plat {

// The simulated router behind every operation.
using namespace rwsim;

char* store_get(const char* key) {
    std::string value = router().store_value(key);
    auto* text = static_cast<char*>(std::malloc(value.size() + 1));
    if (text == nullptr) return nullptr;
    std::memcpy(text, value.c_str(), value.size() + 1);
    ++attached().holdings.store_texts;
    return text;
}

void store_release(char* text) {
    if (text == nullptr) return;
    if (holdings() != nullptr) --holdings()->store_texts;
    std::free(text);
}

void run(const char* command) {
    router().run(command);
}

struct Output {
    std::string text;
    std::size_t pos = 0;
    int status = 0;  // the exit status: 1 when the router refused the command
};

Output* output_open(const char* command) {
    auto* out = new Output;
    PlatformState& st = attached();
    if (st.report != nullptr && std::strcmp(command, kLogRead) == 0) {
        if (st.report->log != nullptr) out->text = st.report->log->str();
    } else {
        const long refused = router().counts().refused;
        router().read(command, out->text);
        out->status = router().counts().refused != refused ? 1 : 0;
    }
    ++st.holdings.outputs_open;
    return out;
}

std::size_t output_read(Output* out, char* buf, std::size_t capacity) {
    if (out == nullptr) return 0;
    std::size_t n = std::min(capacity, out->text.size() - out->pos);
    out->text.copy(buf, n, out->pos);
    out->pos += n;
    return n;
}

void output_close(Output* out) {
    if (out == nullptr) return;
    if (holdings() != nullptr) --holdings()->outputs_open;
    delete out;
}

int socket_open() {
    PlatformState& st = attached();
    int fd = st.next_fd++;
    st.open_fds.push_back(fd);
    ++st.holdings.sockets_open;
    return fd;
}

// The driver's connect-status request: the private request 0x8BE1 with
// sub-command 0x060B and room for a 32-bit result; only apcli0 answers.
int socket_ioctl(int fd, unsigned long request, void* arg) {
    PlatformState& st = attached();
    Router& r = *st.router;
    r.count_status_request();
    if (std::find(st.open_fds.begin(), st.open_fds.end(), fd) == st.open_fds.end()) return -1;
    if (request != kConnStatusRequest || arg == nullptr) return -1;
    auto* req = static_cast<iwreq*>(arg);
    if (req->u.data.flags != kConnStatusSubcommand || req->u.data.pointer == nullptr ||
        req->u.data.length < sizeof(std::int32_t)) {
        return -1;
    }
    char name[IFNAMSIZ + 1] = {};
    std::memcpy(name, req->ifr_name, IFNAMSIZ);
    int status = 0;
    if (!r.connect_status(name, status)) return -1;
    std::int32_t word = status;
    std::memcpy(req->u.data.pointer, &word, sizeof word);
    return 0;
}

void socket_close(int fd) {
    PlatformState& st = attached();
    auto it = std::find(st.open_fds.begin(), st.open_fds.end(), fd);
    if (it == st.open_fds.end()) return;
    st.open_fds.erase(it);
    --st.holdings.sockets_open;
}

void sleep_seconds(unsigned seconds) {
    router().sleep(seconds);
}

void write_out(const char* text, std::size_t len) {
    if (g_run != nullptr && g_run->console != nullptr) g_run->console->daemon_text(text, len);
}

void* alloc_zeroed(std::size_t count, std::size_t size) {
    if (size != 0 && count > static_cast<std::size_t>(-1) / size) return nullptr;
    void* p = std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
    if (p != nullptr && holdings() != nullptr) ++holdings()->allocations;
    return p;
}

void release(void* p) {
    if (p == nullptr) return;
    if (holdings() != nullptr) --holdings()->allocations;
    std::free(p);
}

// --- relaywatch-report's operations ------------------------------------------
// The collector's view of the router: a few files, the processes and the
// clock, all made from the run.

namespace {

// The text of a file the simulated router has; false for any other.
bool sim_file(const std::string& path, std::string& text) {
    const PlatformState& st = attached();
    const Router& r = *st.router;
    const ReportSource* report = st.report;
    if (path == "/proc/uptime") {
        text = std::to_string(r.now() + kBootSeconds) + ".00 0.00\n";
    } else if (path == "/proc/1/cmdline") {
        text = std::string("/sbin/procd", sizeof "/sbin/procd");
    } else if (report != nullptr && !report->argv.empty() &&
               path == "/proc/" + std::to_string(report->pid) + "/cmdline") {
        for (const std::string& arg : report->argv) text += arg + '\0';
    } else if (path == "/sys/class/net/ra0/operstate") {
        text = r.radio().ra0_up ? "up\n" : "down\n";
    } else if (path == "/sys/class/net/apcli0/operstate") {
        text = r.link_up() ? "up\n" : "down\n";
    } else if (path == kStoreFile) {
        for (const auto& [key, value] : r.store()) text.append(key).append("=").append(value).append("\n");
    } else {
        return false;
    }
    return true;
}

}  // namespace

int file_open(const char* path) {
    std::string text;
    if (!sim_file(path, text)) return -1;
    PlatformState& st = attached();
    st.files[st.next_fd] = {text, 0};
    return st.next_fd++;
}

std::size_t file_read(int fd, char* buf, std::size_t capacity) {
    auto it = attached().files.find(fd);
    if (it == attached().files.end()) return 0;
    auto& [text, pos] = it->second;
    const std::size_t n = std::min(capacity, text.size() - pos);
    text.copy(buf, n, pos);
    pos += n;
    return n;
}

void file_close(int fd) {
    attached().files.erase(fd);
}

int file_create(const char* path) {
    (void)path;  // the simulated collector writes to standard output only
    return -1;
}

bool file_write(int fd, const char* data, std::size_t len) {
    const PlatformState& st = attached();
    if (fd != kStandardOutput || st.report == nullptr) return false;
    st.report->bundle.append(data, len);
    return true;
}

std::size_t process_ids(int* pids, std::size_t capacity) {
    const ReportSource* report = attached().report;
    std::size_t n = 0;
    if (n < capacity) pids[n++] = 1;
    if (report != nullptr && !report->argv.empty() && n < capacity) pids[n++] = static_cast<int>(report->pid);
    return n;
}

int output_finish(Output* out) {
    if (out == nullptr) return -1;
    const int status = out->status;
    output_close(out);
    return status;
}

bool clock_text(char* buf, std::size_t capacity) {
    const ReportSource* report = attached().report;
    const std::time_t wall = static_cast<std::time_t>((report != nullptr ? report->wall_start : 0) + router().now());
    std::tm utc{};
    if (gmtime_r(&wall, &utc) == nullptr) return false;
    return std::strftime(buf, capacity, "%Y-%m-%d %H:%M:%S +0000 UTC", &utc) != 0;
}

bool kernel_text(char* buf, std::size_t capacity) {
    return std::snprintf(buf, capacity, "Linux 4.14.0 #1 (simulated router) mips") > 0;
}

const char* store_file_name() {
    return kStoreFile;
}

}  // namespace plat
