// relaywatch's log lines by name, with the daemon's own formats
// (platform/messages.h), for the replay that reads them back out of a log.
#pragma once

#include "platform/messages.h"

namespace rwsim {

enum class LogMsg {
    Usage, LooptimeLow, LooptimeHigh, SleeptimeNegative, NotRepeater, Start, NotEnabled,
    ApEnable, ApDisable, NoWindowMemory, WindowHead, Disconnect,
    Scanning, Current, FoundAp, ModeChanged, Remembered, ModeSame, NotBroadcast, NoHidden,
    HiddenCount, HiddenEntry, HiddenSame, LinkWait, HiddenConnected, HiddenNone,
    StoreUnreadable, InvalidKey, UnsupportedMode,
};

struct LogFormat {
    LogMsg msg;
    bool prefixed;       // printed after RW_LOG_PREFIX
    const char* format;  // as given to printf; the window head is followed by the slots
};

inline constexpr LogFormat kLogFormats[] = {
    {LogMsg::Usage, false, RW_MSG_USAGE},
    {LogMsg::LooptimeLow, true, RW_MSG_LOOPTIME_LOW},
    {LogMsg::LooptimeHigh, true, RW_MSG_LOOPTIME_HIGH},
    {LogMsg::SleeptimeNegative, true, RW_MSG_SLEEPTIME_NEGATIVE},
    {LogMsg::NotRepeater, true, RW_MSG_NOT_REPEATER},
    {LogMsg::Start, true, RW_MSG_START},
    {LogMsg::NotEnabled, true, RW_MSG_NOT_ENABLED},
    {LogMsg::ApEnable, true, RW_MSG_AP_ENABLE},
    {LogMsg::ApDisable, true, RW_MSG_AP_DISABLE},
    {LogMsg::NoWindowMemory, true, RW_MSG_NO_WINDOW_MEMORY},
    {LogMsg::WindowHead, false, RW_MSG_WINDOW_HEAD},
    {LogMsg::Disconnect, true, RW_MSG_DISCONNECT},
    {LogMsg::Scanning, true, RW_MSG_SCANNING},
    {LogMsg::Current, true, RW_MSG_CURRENT},
    {LogMsg::FoundAp, true, RW_MSG_FOUND_AP},
    {LogMsg::ModeChanged, true, RW_MSG_MODE_CHANGED},
    {LogMsg::Remembered, true, RW_MSG_REMEMBERED},
    {LogMsg::ModeSame, true, RW_MSG_MODE_SAME},
    {LogMsg::NotBroadcast, true, RW_MSG_NOT_BROADCAST},
    {LogMsg::NoHidden, true, RW_MSG_NO_HIDDEN},
    {LogMsg::HiddenCount, true, RW_MSG_HIDDEN_COUNT},
    {LogMsg::HiddenEntry, true, RW_MSG_HIDDEN_ENTRY},
    {LogMsg::HiddenSame, true, RW_MSG_HIDDEN_SAME},
    {LogMsg::LinkWait, true, RW_MSG_LINK_WAIT},
    {LogMsg::HiddenConnected, true, RW_MSG_HIDDEN_CONNECTED},
    {LogMsg::HiddenNone, true, RW_MSG_HIDDEN_NONE},
    {LogMsg::StoreUnreadable, true, RW_MSG_STORE_UNREADABLE},
    {LogMsg::InvalidKey, false, RW_MSG_INVALID_KEY},
    {LogMsg::UnsupportedMode, false, RW_MSG_UNSUPPORTED_MODE},
};

}  // namespace rwsim
