// SPDX-License-Identifier: ISC
#include "sim/common/daemon_lines.h"

#include <array>
#include <iterator>

#include "sim/common/format_match.h"

namespace rwsim {

namespace {

constexpr std::string_view kPrefix = RW_LOG_PREFIX;

// The usage text's first line, which a system log holds on a line alone.
constexpr std::string_view kUsageHead =
    std::string_view(RW_MSG_USAGE).substr(0, std::string_view(RW_MSG_USAGE).find('\n'));

// Each format as a view, with its fixed lead (the text before its first
// conversion or line end): a line that does not begin with the lead is
// passed over without trying the format's conversions.
struct FormatLead {
    std::string_view format, lead;
    char first = '\0';  // the lead's first character; NUL for an empty lead
};

constexpr std::array<FormatLead, std::size(kLogFormats)> format_leads() {
    std::array<FormatLead, std::size(kLogFormats)> leads{};
    for (std::size_t i = 0; i < leads.size(); ++i) {
        const std::string_view format = kLogFormats[i].format;
        const std::string_view lead = format.substr(0, format.find_first_of("%\n"));
        leads[i] = {format, lead, lead.empty() ? '\0' : lead[0]};
    }
    return leads;
}
constexpr auto kLeads = format_leads();

// Whether `body` (the message, or what follows the prefix in it for a
// format printed after the prefix) is the format's line.
bool body_matches(const LogFormat& f, std::string_view body, std::vector<std::string_view>& fields) {
    fields.clear();
    const FormatLead& lead = kLeads[static_cast<std::size_t>(f.msg)];
    if (lead.first != '\0' && (body.empty() || body[0] != lead.first)) return false;
    if (!body.starts_with(lead.lead)) return false;
    // The window head is followed by the slots.
    return match_format(lead.format.substr(lead.lead.size()), body.substr(lead.lead.size()), fields,
                        f.msg == LogMsg::WindowHead);
}

bool matches(const LogFormat& f, std::string_view message, std::vector<std::string_view>& fields) {
    // A format without the prefix before it holds any prefix it has itself.
    if (f.prefixed) {
        if (!message.starts_with(kPrefix)) return false;
        message.remove_prefix(kPrefix.size());
    }
    return body_matches(f, message, fields);
}

}  // namespace

const LogFormat* recognise_line(std::string_view message, std::vector<std::string_view>& fields) {
    const bool prefixed = message.starts_with(kPrefix);
    const std::string_view rest = prefixed ? message.substr(kPrefix.size()) : std::string_view();
    for (const LogFormat& f : kLogFormats) {
        if (f.prefixed && !prefixed) continue;
        if (body_matches(f, f.prefixed ? rest : message, fields)) return &f;
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
