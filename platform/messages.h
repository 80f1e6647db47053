// relaywatch's log lines: the one place where their formats are written.
// The daemon's say()/dbg()/print() calls take these (macros, so that each
// stays a string literal the compiler checks against its arguments and
// the binary holds exactly once, as before), and the simulator's log replay
// recognises the daemon's lines by the same formats, through kLogFormats.
// No <string>, <iterator> or iostream here: the daemon includes it.
#pragma once

// What say() and dbg() put in front of every line, and the window line with it.
#define RW_LOG_PREFIX "relaywatch: "

// Start-up (always).
#define RW_MSG_USAGE "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]"
#define RW_MSG_LOOPTIME_LOW "error, looptime must be at least 1 (looptime=%d)\n"
#define RW_MSG_LOOPTIME_HIGH "error, looptime must be at most 86400 (looptime=%d)\n"
#define RW_MSG_SLEEPTIME_NEGATIVE "error, sleeptime must not be negative (sleeptime=%d)\n"
#define RW_MSG_NOT_REPEATER "error, not repeater mode!\n"
#define RW_MSG_START "Start (looptime=%d, sleeptime=%d)\n"
#define RW_MSG_NOT_ENABLED "repeater is not enabled!\n"

// The link watch: the gate (always), the window (debug, printed in pieces
// after this header) and the start of a recovery (debug).
#define RW_MSG_AP_ENABLE "AP enable\n"
#define RW_MSG_AP_DISABLE "AP disable\n"
#define RW_MSG_NO_WINDOW_MEMORY "error, no memory for a window of %d samples\n"
#define RW_MSG_WINDOW_HEAD RW_LOG_PREFIX "resetTimerArray[%02d]=%d  ["
#define RW_MSG_DISCONNECT "Disconnect over %d seconds.\n"

// The recovery cycle (debug).
#define RW_MSG_SCANNING "Scanning...\n"
#define RW_MSG_CURRENT "current Auth=%s EncrypType=%s Ch=%d ExtCh=%d\n"
#define RW_MSG_FOUND_AP "Found AP %s[%s] Ch=%d(%s) Mode=%s(%s)\n"
#define RW_MSG_MODE_CHANGED "Mode is changed, apply new settings...\n"
#define RW_MSG_REMEMBERED "manual_get_BSSID=%s\n"
#define RW_MSG_MODE_SAME "Mode is not change.\n"
#define RW_MSG_NOT_BROADCAST "Not found in broadcast SSID list.\n"
#define RW_MSG_NO_HIDDEN "Not found any hidden SSID, delay %d seconds.\n"
#define RW_MSG_HIDDEN_COUNT "Found %d hidden SSID AP.\n"
#define RW_MSG_HIDDEN_ENTRY "[%d/%d] AP(%s) (%s/%s) ch=%d\n"
#define RW_MSG_HIDDEN_SAME "Mode is not change, ignore.\n"
#define RW_MSG_LINK_WAIT "waitlinkstatus=%d\n"
#define RW_MSG_HIDDEN_CONNECTED "Found hidden AP and connected.\n"
#define RW_MSG_HIDDEN_NONE "can't connect to any hiddeh AP, delay %d seconds.\n"

// Settings application: the store (always, prefixed) and the own key and
// security mode (always, without the prefix).
#define RW_MSG_STORE_UNREADABLE "error, cannot read %s from the settings store, radio left as it was\n"
#define RW_MSG_INVALID_KEY "Invalid Key=%s\n"
#define RW_MSG_UNSUPPORTED_MODE "Unsupport security mode: %.*s (%.*s).\n"

// The lines by name, for a reader of the log.
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
