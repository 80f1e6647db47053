// SPDX-License-Identifier: ISC
// relaywatch's lines by kind, with the daemon's own formats
// (platform/messages.h, its RW_MESSAGES list): what the replay, explain and
// the run's console recognise a daemon line by.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"

namespace rwsim {

enum class LogMsg {
#define RWSIM_LOG_MSG(name, prefixed, format) name,
    RW_MESSAGES(RWSIM_LOG_MSG)
#undef RWSIM_LOG_MSG
};

struct LogFormat {
    LogMsg msg;
    const char* name;    // the kind's name, as in LogMsg
    bool prefixed;       // printed after RW_LOG_PREFIX
    const char* format;  // as given to printf; the window head is followed by the slots
};

// In the order lines are tried against them, which is LogMsg's.
inline constexpr LogFormat kLogFormats[] = {
#define RWSIM_LOG_FORMAT(name, prefixed, format) {LogMsg::name, #name, prefixed, format},
    RW_MESSAGES(RWSIM_LOG_FORMAT)
#undef RWSIM_LOG_FORMAT
};

inline constexpr const LogFormat& log_format(LogMsg msg) {
    return kLogFormats[static_cast<std::size_t>(msg)];
}

// Which of the daemon's lines `message` is (its line end, if any, left
// out), its converted values put in `fields` as they stand in it; null for
// none. The usage text's first line counts as the usage text.
const LogFormat* recognise_line(std::string_view message, std::vector<std::string_view>& fields);

// Whether `message` is a line of kind `msg`.
bool is_line(std::string_view message, LogMsg msg);

}  // namespace rwsim
