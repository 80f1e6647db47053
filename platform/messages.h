// relaywatch's log lines: the one place where their formats are written.
// The daemon's say()/dbg()/print() calls take these (macros, so that each
// stays a string literal the compiler checks against its arguments and
// the binary holds exactly once, as before), and the simulator's log replay
// recognises the daemon's lines by the same formats (sim/log_formats.h).
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
