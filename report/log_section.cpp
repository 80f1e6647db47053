// SPDX-License-Identifier: ISC
// The survey section (the driver's table now, control bytes shown as \xNN
// like everywhere in the bundle) and the log section: the
// system log's lines of relaywatch, its instance and its two interfaces
// (every line with --all-log), the last N MB of them, secrets replaced.
#include "platform/messages.h"
#include "platform/report_ops.h"
#include "report/collect.h"
#include "survey/survey.h"

namespace report {

namespace {

constexpr std::string_view kDaemonName(RW_LOG_PREFIX, sizeof RW_LOG_PREFIX - 3);
constexpr std::size_t kSurveyLimit = std::size_t{64} * 1024;
constexpr std::size_t kMegabyte = std::size_t{1024} * 1024;
constexpr const char* kLogRead = "logread";
constexpr const char* kSyslogFile = "/var/log/messages";
constexpr const char* kSystemConfig = "/etc/config/system";

constexpr bool is_word_char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// Whether `word` stands in `line` as a whole word.
bool has_word(std::string_view line, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= line.size(); ++at) {
        if (field_at(line, at, word.size()) != word) continue;
        const bool before = at == 0 || !is_word_char(line[at - 1]);
        const bool after = at + word.size() == line.size() || !is_word_char(line[at + word.size()]);
        if (before && after) return true;
    }
    return false;
}

// Whether a log line is relaywatch's, its instance's or about its interfaces.
bool relevant(std::string_view line) {
    return contains(line, kDaemonName) || has_word(line, "ra0") || has_word(line, "apcli0");
}

// The lines kept so far, the oldest dropped once they pass the limit.
struct LogWindow {
    TextBuffer lines;
    std::size_t limit = kMegabyte;
    bool all = false;
    bool dropped = false;

    void take(std::string_view line) {
        if (!all && !relevant(line)) return;
        if (line.size() + 1 > limit) return;
        if (lines.size + line.size() + 1 > limit) {
            // Make room for a quarter of the limit at once.
            std::size_t cut = lines.size + line.size() + 1 - limit + limit / 4;
            while (cut < lines.size && lines.data[cut - 1] != '\n') ++cut;
            lines.drop_front(cut);
            dropped = true;
        }
        lines.append(line);
        lines.append('\n');
    }

    // Takes every whole line of `text`; returns how much was taken.
    std::size_t take_lines(std::string_view text) {
        std::size_t pos = 0;
        for (std::size_t end = 0; end < text.size(); ++end) {
            if (text[end] != '\n') continue;
            std::string_view line = field_at(text, pos, end - pos);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            take(line);
            pos = end + 1;
        }
        return pos;
    }
};

// Reads a source (a file's descriptor or a command's output) through the window.
void read_source(LogWindow& window, int fd, plat::Output* stream) {
    TextBuffer pending;
    char chunk[4096];
    for (;;) {
        const std::size_t n = stream != nullptr ? plat::output_read(stream, chunk, sizeof chunk)
                                                : plat::file_read(fd, chunk, sizeof chunk);
        if (n == 0) break;
        pending.append(std::string_view(chunk, n));
        pending.drop_front(window.take_lines(pending.view()));
        if (pending.size > window.limit) pending.clear();  // one line longer than the whole window
    }
    if (pending.size != 0) window.take(pending.view());
}

bool read_log_file(LogWindow& window, const char* path) {
    const int fd = plat::file_open(path);
    if (fd < 0) return false;
    read_source(window, fd, nullptr);
    plat::file_close(fd);
    return true;
}

// The persistent log file the system's configuration names, if any.
void persistent_log(Bundle& bundle, LogWindow& window) {
    TextBuffer config;
    if (!read_file(kSystemConfig, config, std::size_t{64} * 1024)) return;
    FixedText<256> path;
    std::size_t pos = 0;
    std::string_view line;
    while (next_line(config.view(), pos, line)) {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (!has_prefix(line, "option log_file")) continue;
        line.remove_prefix(15);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t' || line.front() == '\'')) {
            line.remove_prefix(1);
        }
        while (!line.empty() && (line.back() == '\'' || line.back() == ' ')) line.remove_suffix(1);
        path.assign(line);
    }
    if (path.empty() || path.buf[0] != '/') return;
    if (read_log_file(window, path.c_str())) {
        step_ok(bundle, "persistent log");
    } else {
        step_failed(bundle, "persistent log", path.view());
    }
}

}  // namespace

void collect_survey(const Options& options, Bundle& bundle) {
    if (options.scan) {
        plat::run(kSurveyTrigger);
        plat::sleep_seconds(kSurveyPauseSeconds);
        bundle.router.appendf("survey age: %u s (triggered by --scan)\n", kSurveyPauseSeconds);
    } else {
        bundle.router.append("survey age: unknown\n");
    }
    TextBuffer table;
    const int status = read_command(kSurveyTable, table, kSurveyLimit);
    std::size_t pos = 0;
    std::string_view line;
    while (status == 0 && next_line(table.view(), pos, line)) {
        append_shown(bundle.survey, line);
        bundle.survey.append('\n');
    }
    if (status == 0 && bundle.survey.size != 0) {
        step_ok(bundle, "survey");
    } else if (status == 0) {
        step_failed(bundle, "survey", "the driver printed no table");
    } else {
        step_failed(bundle, "survey", status < 0 ? "iwpriv could not be run" : "iwpriv failed (no driver?)");
    }
}

void collect_log(const Options& options, Bundle& bundle) {
    LogWindow window;
    window.limit = options.log_megabytes * kMegabyte;
    window.all = options.all_log;
    persistent_log(bundle, window);
    plat::Output* stream = plat::output_open(kLogRead);
    if (stream != nullptr) read_source(window, -1, stream);
    const int status = plat::output_finish(stream);
    if (status == 0) {
        step_ok(bundle, "logread");
    } else {
        step_failed(bundle, "logread", "logread could not be run");
        if (read_log_file(window, kSyslogFile)) {
            step_ok(bundle, kSyslogFile);
        } else {
            step_failed(bundle, kSyslogFile, "it cannot be read");
        }
    }
    bundle.router.appendf("log: the last %u MB, %s%s\n", options.log_megabytes,
                          options.all_log ? "every program's lines" : "relaywatch's lines and its interfaces'",
                          window.dropped ? ", older lines left out" : "");
    std::size_t pos = 0;
    std::size_t number = 0;
    std::string_view line;
    while (next_line(window.lines.view(), pos, line)) {
        redact_line(line, bundle.secrets, ++number, bundle.log, bundle.redactions);
        bundle.log.append('\n');
    }
}

}  // namespace report
