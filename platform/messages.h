// SPDX-License-Identifier: ISC
// relaywatch's lines, on standard output and standard error: the one place
// where their formats are written. The daemon's say()/dbg()/print() calls
// take these (macros, so that each stays a string literal the compiler
// checks against its arguments and the binary holds exactly once, as
// before), and the simulator prints, recognises and classifies the daemon's
// lines by the same formats, through RW_MESSAGES below
// (sim/common/daemon_lines.h).
// No <string>, <iterator> or iostream here: the daemon includes it.
#pragma once

// What say() and dbg() put in front of every line, and the window line with it.
#define RW_LOG_PREFIX "relaywatch: "
// What an error line begins with, after the prefix.
#define RW_MSG_ERROR "error, "

// Start-up (always).
#define RW_MSG_USAGE "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]"
#define RW_MSG_LOOPTIME_LOW RW_MSG_ERROR "looptime must be at least 1 (looptime=%d)\n"
#define RW_MSG_LOOPTIME_HIGH RW_MSG_ERROR "looptime must be at most 86400 (looptime=%d)\n"
#define RW_MSG_SLEEPTIME_NEGATIVE RW_MSG_ERROR "sleeptime must not be negative (sleeptime=%d)\n"
#define RW_MSG_NOT_REPEATER RW_MSG_ERROR "not repeater mode!\n"
#define RW_MSG_START "Start (looptime=%d, sleeptime=%d)\n"
#define RW_MSG_NOT_ENABLED "repeater is not enabled!\n"

// The link watch: the gate (always), the window (debug, printed in pieces
// after this header) and the start of a recovery (debug).
#define RW_MSG_AP_ENABLE "AP enable\n"
#define RW_MSG_AP_DISABLE "AP disable\n"
#define RW_MSG_NO_WINDOW_MEMORY RW_MSG_ERROR "no memory for a window of %d samples\n"
#define RW_MSG_WINDOW_HEAD RW_LOG_PREFIX "resetTimerArray[%02d]=%d  ["
// Each slot's value after the head, run together, and the character that
// closes the slots before the line end.
#define RW_MSG_WINDOW_SLOT "%d"
#define RW_MSG_WINDOW_CLOSE ']'
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
#define RW_MSG_STORE_UNREADABLE RW_MSG_ERROR "cannot read %s from the settings store" RW_MSG_RADIO_KEPT
// What the store's error says follows from it.
#define RW_MSG_RADIO_KEPT ", radio left as it was\n"
#define RW_MSG_INVALID_KEY "Invalid Key=%s\n"
#define RW_MSG_UNSUPPORTED_MODE "Unsupport security mode: %.*s (%.*s).\n"

// The stand-in store's warning on standard error, prefixed in its own text
// and followed by the file's name and the line end.
#define RW_MSG_STORE_FILE_UNREADABLE RW_LOG_PREFIX "cannot read store file "

// Every line above once, for the simulator: X(Name, prefixed, format), with
// `prefixed` when the line is printed after RW_LOG_PREFIX (say(), dbg())
// and the format as printf is given it. The window head is followed by its
// slots; the store file's warning by the file's name. The daemon itself
// does not use this list.
#define RW_MESSAGES(X)                                    \
    X(Usage, false, RW_MSG_USAGE)                         \
    X(LooptimeLow, true, RW_MSG_LOOPTIME_LOW)             \
    X(LooptimeHigh, true, RW_MSG_LOOPTIME_HIGH)           \
    X(SleeptimeNegative, true, RW_MSG_SLEEPTIME_NEGATIVE) \
    X(NotRepeater, true, RW_MSG_NOT_REPEATER)             \
    X(Start, true, RW_MSG_START)                          \
    X(NotEnabled, true, RW_MSG_NOT_ENABLED)               \
    X(ApEnable, true, RW_MSG_AP_ENABLE)                   \
    X(ApDisable, true, RW_MSG_AP_DISABLE)                 \
    X(NoWindowMemory, true, RW_MSG_NO_WINDOW_MEMORY)      \
    X(WindowHead, false, RW_MSG_WINDOW_HEAD)              \
    X(Disconnect, true, RW_MSG_DISCONNECT)                \
    X(Scanning, true, RW_MSG_SCANNING)                    \
    X(Current, true, RW_MSG_CURRENT)                      \
    X(FoundAp, true, RW_MSG_FOUND_AP)                     \
    X(ModeChanged, true, RW_MSG_MODE_CHANGED)             \
    X(Remembered, true, RW_MSG_REMEMBERED)                \
    X(ModeSame, true, RW_MSG_MODE_SAME)                   \
    X(NotBroadcast, true, RW_MSG_NOT_BROADCAST)           \
    X(NoHidden, true, RW_MSG_NO_HIDDEN)                   \
    X(HiddenCount, true, RW_MSG_HIDDEN_COUNT)             \
    X(HiddenEntry, true, RW_MSG_HIDDEN_ENTRY)             \
    X(HiddenSame, true, RW_MSG_HIDDEN_SAME)               \
    X(LinkWait, true, RW_MSG_LINK_WAIT)                   \
    X(HiddenConnected, true, RW_MSG_HIDDEN_CONNECTED)     \
    X(HiddenNone, true, RW_MSG_HIDDEN_NONE)               \
    X(StoreUnreadable, true, RW_MSG_STORE_UNREADABLE)     \
    X(InvalidKey, false, RW_MSG_INVALID_KEY)              \
    X(UnsupportedMode, false, RW_MSG_UNSUPPORTED_MODE)    \
    X(StoreFileUnreadable, false, RW_MSG_STORE_FILE_UNREADABLE "%s\n")
