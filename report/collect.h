// SPDX-License-Identifier: ISC
// relaywatch-report's collection: what the router holds about relaywatch
// now, read only through the platform (platform/platform.h,
// platform/report_ops.h), into the sections of one bundle
// (report/bundle_format.h). Every command it runs is a constant; nothing
// taken from the store, the survey or the log is ever executed.
#pragma once

#include <cstddef>
#include <string_view>

#include "report/secrets.h"
#include "report/text_buffer.h"

namespace report {

inline constexpr unsigned kMaxLogMegabytes = 16;

struct Options {
    bool scan = false;           // have the driver survey first (the radio leaves its channel for a moment)
    bool all_log = false;        // every program's log lines, not only relaywatch's and its interfaces'
    unsigned log_megabytes = 1;  // the log's last N MB, 1 to kMaxLogMegabytes
};

// The sections, in the order they are written.
struct Bundle {
    TextBuffer router, steps, store, store_names, interfaces, instances, survey, log, redactions;
    Secrets secrets;  // the current secrets, never written
};

// Collects every section. A step that fails says so in `steps` and the
// collection goes on.
void collect(const Options& options, Bundle& bundle);

// Writes the bundle to `fd` (plat::file_write). False when it could not be
// written whole.
bool write_bundle(const Bundle& bundle, int fd);

// --- the steps, one file each ---------------------------------------------

void collect_store(Bundle& bundle);
void collect_interfaces(Bundle& bundle);
void collect_instances(Bundle& bundle);
void collect_survey(const Options& options, Bundle& bundle);
void collect_log(const Options& options, Bundle& bundle);

// --- what the steps share ----------------------------------------------------

// One line in the steps section: "<name>: ok" or "<name>: failed, <why>".
void step_ok(Bundle& bundle, std::string_view name);
void step_failed(Bundle& bundle, std::string_view name, std::string_view why);

// Reads the file `path`, at most `limit` bytes, onto `out`. False when it
// cannot be opened.
bool read_file(const char* path, TextBuffer& out, std::size_t limit);

// Runs the constant `command` and reads at most `limit` bytes of its output
// onto `out`. Returns its exit status, -1 when it could not be started or
// did not end normally.
int read_command(const char* command, TextBuffer& out, std::size_t limit);

// The next line of `text` from `pos` (without its line end); false at the end.
bool next_line(std::string_view text, std::size_t& pos, std::string_view& line);

}  // namespace report
