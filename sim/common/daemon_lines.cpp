// SPDX-License-Identifier: ISC
#include "sim/common/daemon_lines.h"

#include "sim/common/format_match.h"

namespace rwsim {

namespace {

constexpr std::string_view kPrefix = RW_LOG_PREFIX;

// The usage text's first line, which a system log holds on a line alone.
constexpr std::string_view kUsageHead =
    std::string_view(RW_MSG_USAGE).substr(0, std::string_view(RW_MSG_USAGE).find('\n'));

bool matches(const LogFormat& f, std::string_view message, std::vector<std::string_view>& fields) {
    // A format without the prefix before it holds any prefix it has itself.
    if (f.prefixed) {
        if (message.substr(0, kPrefix.size()) != kPrefix) return false;
        message.remove_prefix(kPrefix.size());
    }
    // The window head is followed by the slots.
    return match_format(f.format, message, fields, f.msg == LogMsg::WindowHead);
}

}  // namespace

const LogFormat* recognise_line(std::string_view message, std::vector<std::string_view>& fields) {
    for (const LogFormat& f : kLogFormats) {
        if (matches(f, message, fields)) return &f;
    }
    if (message == kUsageHead) {
        fields.clear();
        return &log_format(LogMsg::Usage);
    }
    return nullptr;
}

bool is_line(std::string_view message, LogMsg msg) {
    std::vector<std::string_view> fields;
    return matches(log_format(msg), message, fields);
}

}  // namespace rwsim
