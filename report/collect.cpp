// SPDX-License-Identifier: ISC
#include "report/collect.h"

#include <cstdio>
#include <cstdlib>

#include "platform/report_ops.h"
#include "report/bundle_format.h"
#include "version/relaywatch_version.h"

namespace report {

namespace {

constexpr std::size_t kSmallFile = 4096;

// A "name: value" fact of the router section, its control bytes shown.
void fact(TextBuffer& out, std::string_view name, std::string_view value) {
    out.append(name);
    out.append(": ");
    append_shown(out, value);
    out.append('\n');
}

// A fact from a platform query: said, or its step said to have failed.
void queried_fact(Bundle& bundle, std::string_view name, bool ok, const char* text, std::string_view why) {
    if (!ok) {
        step_failed(bundle, name, why);
        return;
    }
    fact(bundle.router, name, text);
    step_ok(bundle, name);
}

// The first line of a small file whose lines start with `prefix`, after it;
// empty when there is none.
void file_fact(TextBuffer& out, std::string_view name, const char* path, std::string_view prefix) {
    TextBuffer text;
    if (!read_file(path, text, kSmallFile)) return;
    std::size_t pos = 0;
    std::string_view line;
    while (next_line(text.view(), pos, line)) {
        if (!has_prefix(line, prefix)) continue;
        fact(out, name, field_at(line, prefix.size(), line.size()));
        return;
    }
}

void collect_router(Bundle& bundle) {
    TextBuffer& out = bundle.router;
    out.append("version: " RELAYWATCH_VERSION "\n");
    char text[512];
    queried_fact(bundle, "date", plat::clock_text(text, sizeof text), text, "the clock cannot be read");
    file_fact(out, "time zone rule", "/etc/TZ", "");
    TextBuffer uptime;
    if (read_file("/proc/uptime", uptime, kSmallFile) && uptime.size != 0) {
        out.appendf("uptime: %ld s\n", std::strtol(uptime.data, nullptr, 10));
        step_ok(bundle, "uptime");
    } else {
        step_failed(bundle, "uptime", "/proc/uptime cannot be read");
    }
    queried_fact(bundle, "kernel", plat::kernel_text(text, sizeof text), text, "uname failed");
    file_fact(out, "firmware", "/etc/openwrt_release", "DISTRIB_DESCRIPTION=");
}

bool write_section(int fd, std::string_view name, const TextBuffer& text) {
    char head[128];
    const std::string_view body = text.view();
    const bool ends = body.empty() || body.back() == '\n';
    const std::uint32_t sum = ends ? bundle::checksum(body.data(), body.size())
                                   : bundle::checksum("\n", 1, bundle::checksum(body.data(), body.size()));
    const int n = std::snprintf(head, sizeof head, "%.*s%.*s %zu %08x\n", static_cast<int>(bundle::kSectionMark.size()),
                                bundle::kSectionMark.data(), static_cast<int>(name.size()), name.data(),
                                body.size() + (ends ? 0 : 1), static_cast<unsigned>(sum));
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof head) return false;
    return plat::file_write(fd, head, static_cast<std::size_t>(n)) && plat::file_write(fd, body.data(), body.size()) &&
           (ends || plat::file_write(fd, "\n", 1));
}

}  // namespace

void step_ok(Bundle& bundle, std::string_view name) {
    bundle.steps.append(name);
    bundle.steps.append(": ok\n");
}

void step_failed(Bundle& bundle, std::string_view name, std::string_view why) {
    bundle.steps.append(name);
    bundle.steps.append(": failed, ");
    append_shown(bundle.steps, why);
    bundle.steps.append('\n');
}

bool read_file(const char* path, TextBuffer& out, std::size_t limit) {
    const int fd = plat::file_open(path);
    if (fd < 0) return false;
    char chunk[1024];
    while (out.size < limit) {
        const std::size_t want = limit - out.size < sizeof chunk ? limit - out.size : sizeof chunk;
        const std::size_t n = plat::file_read(fd, chunk, want);
        if (n == 0) break;
        out.append(std::string_view(chunk, n));
    }
    plat::file_close(fd);
    return true;
}

int read_command(const char* command, TextBuffer& out, std::size_t limit) {
    plat::Output* stream = plat::output_open(command);
    if (stream == nullptr) return -1;
    char chunk[1024];
    for (;;) {
        const std::size_t n = plat::output_read(stream, chunk, sizeof chunk);
        if (n == 0) break;
        if (out.size < limit) out.append(std::string_view(chunk, n < limit - out.size ? n : limit - out.size));
    }
    return plat::output_finish(stream);
}

bool next_line(std::string_view text, std::size_t& pos, std::string_view& line) {
    if (pos >= text.size()) return false;
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\n') ++end;
    line = std::string_view(text.data() + pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;
    return true;
}

void collect(const Options& options, Bundle& bundle) {
    collect_router(bundle);
    collect_store(bundle);
    collect_interfaces(bundle);
    collect_instances(bundle);
    collect_survey(options, bundle);
    collect_log(options, bundle);
    for (const TextBuffer* section : {&bundle.router, &bundle.store, &bundle.store_names, &bundle.interfaces,
                                      &bundle.instances, &bundle.survey, &bundle.log, &bundle.redactions}) {
        if (section->failed) step_failed(bundle, "memory", "a section was cut short for want of memory");
    }
}

bool write_bundle(const Bundle& bundle, int fd) {
    const struct {
        std::string_view name;
        const TextBuffer* text;
    } sections[] = {{bundle::kRouter, &bundle.router},         {bundle::kSteps, &bundle.steps},
                    {bundle::kStore, &bundle.store},           {bundle::kStoreNames, &bundle.store_names},
                    {bundle::kInterfaces, &bundle.interfaces}, {bundle::kInstances, &bundle.instances},
                    {bundle::kSurvey, &bundle.survey},         {bundle::kLog, &bundle.log},
                    {bundle::kRedactions, &bundle.redactions}};
    bool ok =
        plat::file_write(fd, bundle::kFirstLine.data(), bundle::kFirstLine.size()) && plat::file_write(fd, "\n", 1);
    for (const auto& section : sections) ok = ok && write_section(fd, section.name, *section.text);
    char end[64];
    const int n = std::snprintf(end, sizeof end, "%.*s%zu\n", static_cast<int>(bundle::kEndMark.size()),
                                bundle::kEndMark.data(), sizeof sections / sizeof sections[0]);
    return ok && n > 0 && plat::file_write(fd, end, static_cast<std::size_t>(n));
}

}  // namespace report
