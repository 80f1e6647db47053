// SPDX-License-Identifier: ISC
// The simulator's text helpers: letter case, numbers, percentages,
// durations, text from outside as a message shows it, and bounded file
// reads. Used by the scenario reader, explain, the runner, the sweep, the
// timeline and the command line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rwsim {

// The longest duration the simulator reads, and the longest run it makes:
// ten years of virtual time.
inline constexpr long kMaxDurationSeconds = 10L * 366 * 86400;

// `text` in small letters (ASCII).
std::string lower(std::string_view text);

// The length of the valid UTF-8 sequence at text[i] (2 to 4 bytes; no
// overlong form, surrogate or code point beyond U+10FFFF), or 0.
std::size_t utf8_length(std::string_view text, std::size_t i);

// Whether `text` holds a control character (below 0x20, or 0x7f).
bool has_control(std::string_view text);

// The items of a comma-separated list, empty ones included ("a,,b": three).
std::vector<std::string> split_list(std::string_view text);

// A decimal digit.
inline bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A whole number written in 1 to `max_digits` (at most 18) decimal digits
// and nothing else; false for anything else, or a value a long cannot hold.
bool parse_whole(std::string_view text, std::size_t max_digits, long& value);

// `part` of `whole` in percent (0 when `whole` is 0), with `decimals`
// places, right-aligned in `width` characters.
std::string percent(long part, long whole, int decimals, int width = 0);

// `text` with blanks after it up to `width` characters (a longer text as it is).
std::string pad(std::string text, std::size_t width);

// Durations and times: "90", "90s", "15m", "2h", "30d", "1h30m", at most
// kMaxDurationSeconds. Returns false for anything else.
bool parse_duration(std::string_view text, long& seconds);

// "45s", "15m", "2h 5m 3s", "30d".
std::string format_duration(long seconds);

// Why `text` is no duration (for "end time", "time", ...): malformed, or
// longer than the ten years the simulator runs.
std::string duration_error(std::string_view what, std::string_view text);

// Text from outside as a message may show it: bytes that are not printable
// (nor part of valid UTF-8) escaped as \xNN, \t, \n, \r; words longer than
// 60 characters and texts longer than 400 cut with an ellipsis.
std::string shown_text(std::string_view text);

// The same, whole at any length: nothing cut (a line of a report that
// already shows its own words, made safe for a terminal).
std::string whole_text(std::string_view text);

// Bytes exactly, whole at any length, for a command line and what a tool
// receives: printable ASCII and the blank as themselves, every other byte as
// %XX (hex, two digits) and a % itself as %25, so that no byte is hidden,
// cut or mistaken for the shell's backslashes.
std::string exact_bytes(std::string_view text);

// "FILE:LINE: MESSAGE", or "FILE: MESSAGE" when `line` is 0 (the file as a
// whole); file and message shown as shown_text shows them.
std::string located(const std::string& file, int line, const std::string& message);

// A whole file, or why it was not read.
struct FileText {
    std::string text;
    std::string error;  // empty when the file was read
};

// Reads a whole regular file of at most `limit` bytes. A directory, device,
// FIFO or socket is refused by what it is, a larger file before it is read;
// `what` names the expected content in the message ("a scenario file").
FileText read_bounded_file(const std::string& path, std::size_t limit, const char* what);

}  // namespace rwsim
