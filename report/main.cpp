// SPDX-License-Identifier: ISC
// relaywatch-report [--scan] [--all-log] [--log-mb N] [-o FILE]
//
// Collects what the router holds about relaywatch into one bundle for a
// support ticket; secrets never leave the router.
#include <cstdlib>
#include <cstring>

#include "platform/report_ops.h"
#include "report/collect.h"
#include "version/relaywatch_version.h"

namespace {

constexpr char kUsage[] =
    "usage: relaywatch-report [--scan] [--all-log] [--log-mb N] [-o FILE]\n"
    "  Collects relaywatch's field report: the survey table, the store's settings\n"
    "  (secrets replaced by their length and alphabet), the interfaces, the running\n"
    "  instances, the system log's lines about relaywatch, and the router's facts.\n"
    "  --scan       have the driver survey the air first; this takes the radio off\n"
    "               its channel for a moment (clients and the uplink pause)\n"
    "  --all-log    also other programs' log lines (client addresses, host names)\n"
    "  --log-mb N   the log's last N MB, 1 to 16 (default 1)\n"
    "  -o FILE      write the bundle to FILE instead of standard output; /tmp on a\n"
    "               router is RAM: copy the file off before a reboot\n"
    "  --version    print the version\n";

void say(const char* text) {
    plat::file_write(2, text, std::strlen(text));
}

int usage_error(const char* why) {
    say("relaywatch-report: ");
    say(why);
    say("\n");
    say(kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    report::Options options;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--scan") == 0) {
            options.scan = true;
        } else if (std::strcmp(arg, "--all-log") == 0) {
            options.all_log = true;
        } else if (std::strcmp(arg, "--log-mb") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || n < 1 || n > static_cast<long>(report::kMaxLogMegabytes)) {
                return usage_error("--log-mb takes 1 to 16");
            }
            options.log_megabytes = static_cast<unsigned>(n);
        } else if (std::strcmp(arg, "-o") == 0 && i + 1 < argc) {
            output = argv[++i];
        } else if (std::strcmp(arg, "--help") == 0) {
            plat::file_write(plat::kStandardOutput, kUsage, sizeof kUsage - 1);
            return 0;
        } else if (std::strcmp(arg, "--version") == 0) {
            constexpr char kVersion[] = "relaywatch-report " RELAYWATCH_VERSION "\n";
            plat::file_write(plat::kStandardOutput, kVersion, sizeof kVersion - 1);
            return 0;
        } else {
            return usage_error("unknown or incomplete option");
        }
    }
    // Opened before collecting: a file that cannot be written costs no survey.
    const int fd = output != nullptr ? plat::file_create(output) : plat::kStandardOutput;
    if (fd < 0) {
        say("relaywatch-report: cannot write ");
        say(output);
        say("\n");
        return 1;
    }
    report::Bundle bundle;
    report::collect(options, bundle);
    const bool written = report::write_bundle(bundle, fd);
    if (output != nullptr) plat::file_close(fd);
    if (!written) {
        say("relaywatch-report: the bundle could not be written whole\n");
        return 1;
    }
    return 0;
}
