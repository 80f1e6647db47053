// SPDX-License-Identifier: ISC
#include "sim/router/console.h"

#include "sim/common/daemon_lines.h"
#include "sim/syslog/syslog_out.h"
#include "sim/tracks/record.h"

namespace rwsim {

Console::Console(std::ostream* out, long end) : out_(out), end_(end), day_width_(day_width_for(end)) {}

void Console::daemon_text(const char* text, std::size_t len) {
    // Quiet, the text is cut into lines only while the timeline wants one.
    const bool keep = recorder_ != nullptr && recorder_->wants_daemon_line(partial_.empty() ? *now_ : partial_at_);
    if (!open() && !keep && transcript_ == nullptr && syslog_ == nullptr) return;
    std::size_t start = 0;
    for (std::size_t i = 0; i < len; ++i) {
        if (text[i] != '\n') continue;
        // A line begins when its first character arrives.
        long at = partial_.empty() ? *now_ : partial_at_;
        const bool to_syslog = syslog_ != nullptr && at < end_;
        if (keep || transcript_ != nullptr || to_syslog) {
            const std::string line = partial_ + std::string(text + start, i - start);
            // The window the debug mode prints every second tells nothing on the timeline.
            if (keep && !is_line(line, LogMsg::WindowHead)) recorder_->daemon_line(at, line);
            if (transcript_ != nullptr) transcript_->push_back(line);
            if (to_syslog) syslog_daemon_line(*syslog_, at, line);
        }
        if (open()) {
            *out_ << format_stamp(at, day_width_) << ' ' << partial_;
            out_->write(text + start, static_cast<std::streamsize>(i - start));
            *out_ << '\n';
        }
        partial_.clear();
        start = i + 1;
    }
    if (start < len) {
        if (partial_.empty()) partial_at_ = *now_;
        partial_.append(text + start, len - start);
    }
}

void Console::flush_partial() {
    if (syslog_ != nullptr && !partial_.empty() && partial_at_ < end_)
        syslog_daemon_line(*syslog_, partial_at_, partial_);
    if (out_ == nullptr || partial_.empty()) return;
    *out_ << format_stamp(partial_at_, day_width_) << ' ' << partial_ << '\n';
    partial_.clear();
}

void Console::sim_line(const std::string& text) {
    if (!open()) return;
    flush_partial();
    *out_ << format_stamp(*now_, day_width_) << " == " << text << '\n';
}

}  // namespace rwsim
