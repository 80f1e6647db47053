// SPDX-License-Identifier: ISC
// The interfaces section (ra0's channel, the state of ra0 and apcli0) and
// the instances section (relaywatch's running processes and their
// arguments, or what its init configuration would start it with).
#include <cstdio>

#include "platform/io.h"
#include "platform/messages.h"
#include "platform/report_ops.h"
#include "radio/radio.h"
#include "report/collect.h"

namespace report {

namespace {

// relaywatch's name, as its log lines begin.
constexpr std::string_view kDaemonName(RW_LOG_PREFIX, sizeof RW_LOG_PREFIX - 3);
static_assert(kDaemonName == "relaywatch");

constexpr std::size_t kMaxProcesses = 4096;
constexpr std::size_t kCommandLineLimit = 4096;

void operstate(Bundle& bundle, const char* ifname) {
    char path[64];
    std::snprintf(path, sizeof path, "/sys/class/net/%s/operstate", ifname);
    TextBuffer state;
    std::size_t pos = 0;
    std::string_view line;
    bundle.interfaces.append(ifname);
    if (read_file(path, state, 64) && next_line(state.view(), pos, line)) {
        bundle.interfaces.append(": ");
        append_shown(bundle.interfaces, line);
        bundle.interfaces.append('\n');
        step_ok(bundle, ifname);
    } else {
        bundle.interfaces.append(": unknown\n");
        step_failed(bundle, ifname, "its state cannot be read");
    }
}

// Whether the command line's first argument names relaywatch itself.
bool is_daemon(std::string_view argv0) {
    std::size_t base = 0;
    for (std::size_t i = 0; i < argv0.size(); ++i) {
        if (argv0[i] == '/') base = i + 1;
    }
    return field_at(argv0, base, argv0.size()) == kDaemonName;
}

// An argument of the init configuration: the value after `name` on one of
// its lines, quotes taken off; `fallback` when no line gives it.
std::string_view setting(std::string_view config, std::string_view name, std::string_view fallback) {
    std::size_t pos = 0;
    std::string_view line;
    std::string_view found = fallback;
    while (next_line(config, pos, line)) {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (!has_prefix(line, name)) continue;
        line.remove_prefix(name.size());
        while (!line.empty() &&
               (line.front() == ' ' || line.front() == '\t' || line.front() == '\'' || line.front() == '"')) {
            line.remove_prefix(1);
        }
        std::size_t end = 0;
        while (end < line.size() && line[end] != '\'' && line[end] != '"' && line[end] != ' ' && line[end] != '#') {
            ++end;
        }
        found = field_at(line, 0, end);
    }
    return found;
}

// The arguments the init scripts would start relaywatch with, read from
// their settings (never run); their own defaults where a setting is not given.
void init_arguments(Bundle& bundle) {
    const struct {
        const char* file;
        std::string_view looptime, sleeptime, debug;
    } configs[] = {{"/etc/config/relaywatch", "option looptime", "option sleeptime", "option debug"},
                   {"/etc/default/relaywatch", "LOOPTIME=", "SLEEPTIME=", "DEBUG="}};
    for (const auto& config : configs) {
        TextBuffer text;
        if (!read_file(config.file, text, kCommandLineLimit)) continue;
        bundle.instances.append("init ");
        bundle.instances.append(config.file);
        bundle.instances.append(": relaywatch ");
        append_shown(bundle.instances, setting(text.view(), config.looptime, "10"));
        bundle.instances.append(' ');
        append_shown(bundle.instances, setting(text.view(), config.sleeptime, "3"));
        if (setting(text.view(), config.debug, "0") == "1") bundle.instances.append(" debug");
        bundle.instances.append('\n');
        return;
    }
    bundle.instances.append("init: no settings found\n");
}

}  // namespace

void collect_interfaces(Bundle& bundle) {
    const int channel = getWlanCurrentChannel();
    if (channel > 0) {
        bundle.interfaces.appendf("ra0 channel: %d\n", channel);
        step_ok(bundle, "channel");
    } else {
        bundle.interfaces.append("ra0 channel: unknown\n");
        step_failed(bundle, "channel", "iwgetid gave no channel of ra0");
    }
    operstate(bundle, "ra0");
    operstate(bundle, "apcli0");
    bundle.interfaces.appendf("apcli0 connect status: %d\n", getRPStatus("apcli0"));
}

void collect_instances(Bundle& bundle) {
    Owned<int, plat::release> pids(static_cast<int*>(plat::alloc_zeroed(kMaxProcesses, sizeof(int))), kMaxProcesses);
    const std::size_t count = pids.ok() ? plat::process_ids(pids.ptr, kMaxProcesses) : 0;
    std::size_t running = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char path[48];
        std::snprintf(path, sizeof path, "/proc/%d/cmdline", pids[i]);
        TextBuffer args;
        if (!read_file(path, args, kCommandLineLimit) || args.size == 0) continue;
        const std::string_view all = args.view();
        std::size_t end = 0;
        while (end < all.size() && all[end] != '\0') ++end;
        if (!is_daemon(field_at(all, 0, end))) continue;
        bundle.instances.appendf("pid %d:", pids[i]);
        for (std::size_t at = 0; at < all.size();) {
            std::size_t stop = at;
            while (stop < all.size() && all[stop] != '\0') ++stop;
            bundle.instances.append(' ');
            append_shown(bundle.instances, field_at(all, at, stop - at));
            at = stop + 1;
        }
        bundle.instances.append('\n');
        ++running;
    }
    if (running == 0) {
        bundle.instances.append("running: none\n");
        init_arguments(bundle);
    }
    if (count == 0) {
        step_failed(bundle, "instances", "/proc lists no processes");
    } else {
        step_ok(bundle, "instances");
    }
}

}  // namespace report
