// SPDX-License-Identifier: ISC
#include "sim/common/text.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace rwsim {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// The decimal digits from text[from] on, their value saturated at `cap`;
// returns where they end.
std::size_t read_digits(std::string_view text, std::size_t from, long long cap, long long& value) {
    value = 0;
    std::size_t i = from;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (cap - digit) / 10 ? cap : value * 10 + digit;
    }
    return i;
}

enum class DurationRead { Ok, Malformed, TooLong };

DurationRead read_duration(std::string_view text, long& seconds) {
    constexpr long kBeyond = kMaxDurationSeconds + 1;  // a total saturates here
    if (text.empty()) return DurationRead::Malformed;
    long total = 0;
    std::size_t i = 0;
    bool plain = true;
    while (i < text.size()) {
        long long n = 0;
        const std::size_t start = i;
        i = read_digits(text, i, kBeyond, n);
        if (i == start) return DurationRead::Malformed;
        long unit = 1;
        if (i < text.size()) {
            switch (text[i]) {
                case 's': unit = 1; break;
                case 'm': unit = 60; break;
                case 'h': unit = 3600; break;
                case 'd': unit = 86400; break;
                default: return DurationRead::Malformed;
            }
            ++i;
        } else if (!plain) {
            return DurationRead::Malformed;  // "1h30" without a unit on the last part
        }
        plain = false;
        total = std::min(total + static_cast<long>(n) * unit, kBeyond);
    }
    if (total > kMaxDurationSeconds) return DurationRead::TooLong;
    seconds = total;
    return DurationRead::Ok;
}

// A byte that is not shown as itself: \t, \n, \r or \xNN.
std::string escaped_byte(unsigned char c) {
    if (c == '\t') return "\\t";
    if (c == '\n') return "\\n";
    if (c == '\r') return "\\r";
    return std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
}

}  // namespace

std::size_t utf8_length(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    if (c == 0xE0 && byte(i + 1) < 0xA0) return 0;   // overlong
    if (c == 0xED && byte(i + 1) >= 0xA0) return 0;  // surrogate
    if (c == 0xF0 && byte(i + 1) < 0x90) return 0;   // overlong
    if (c == 0xF4 && byte(i + 1) >= 0x90) return 0;  // beyond U+10FFFF
    return n;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool has_control(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

std::vector<std::string> split_list(std::string_view text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        items.emplace_back(
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return items;
}

bool parse_whole(std::string_view text, std::size_t max_digits, long& value) {
    if (text.empty() || text.size() > std::min<std::size_t>(max_digits, 18)) return false;
    long long v = 0;  // 18 digits fit; a 32-bit long may not hold them
    if (read_digits(text, 0, LLONG_MAX, v) != text.size() || v > LONG_MAX) return false;
    value = static_cast<long>(v);
    return true;
}

std::string percent(long part, long whole, int decimals, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%*.*f", width, decimals,
                  whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
    return buf;
}

std::string pad(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

bool parse_duration(std::string_view text, long& seconds) {
    return read_duration(text, seconds) == DurationRead::Ok;
}

std::string duration_error(std::string_view what, std::string_view text) {
    long ignored = 0;
    if (read_duration(text, ignored) == DurationRead::TooLong) {
        return std::string(what) + " '" + std::string(text) + "' is longer than ten years (" +
               std::to_string(kMaxDurationSeconds / 86400) + "d), the longest the simulator runs";
    }
    return "bad " + std::string(what) + " '" + std::string(text) +
           "' (seconds, or a number with s, m, h or d, e.g. 90, 15m, 1h30m)";
}

namespace {

// Text as a message shows it, words longer than `longest_word` characters
// and texts longer than `longest_text` cut.
std::string shown(std::string_view text, std::size_t longest_word, std::size_t longest_text) {
    std::string out;
    std::size_t word = 0;  // characters of the word being shown
    bool cut = false;      // the rest of this word is left out
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (shown >= longest_text) {
            out += "\xE2\x80\xA6";  // …
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t n = c >= 0x80 ? utf8_length(text, i) : 1;
        const bool c1 = n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;  // U+0080-U+009F
        std::string piece;
        if (c == ' ') {
            piece = " ";
        } else if (c >= 0x21 && c < 0x7f) {
            piece = std::string(1, static_cast<char>(c));
        } else if (n > 1 && !c1) {
            piece = std::string(text.substr(i, n));
        } else {
            n = c1 ? 2 : 1;
            for (std::size_t k = 0; k < n; ++k) piece += escaped_byte(static_cast<unsigned char>(text[i + k]));
        }
        i += n;
        if (c == ' ') {
            word = 0;
            cut = false;
        } else if (cut) {
            continue;
        } else if (++word > longest_word) {
            out += "\xE2\x80\xA6";
            cut = true;
            continue;
        }
        out += piece;
        ++shown;
    }
    return out;
}

}  // namespace

std::string shown_text(std::string_view text) {
    constexpr std::size_t kLongestWord = 60;   // characters of one word shown
    constexpr std::size_t kLongestText = 400;  // characters of a whole message
    return shown(text, kLongestWord, kLongestText);
}

std::string whole_text(std::string_view text) {
    return shown(text, std::string_view::npos, std::string_view::npos);
}

std::string exact_bytes(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7f && c != '%') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string located(const std::string& file, int line, const std::string& message) {
    std::string text = shown_text(file);
    if (line > 0) {
        text += ':';
        text += std::to_string(line);
    }
    text += ": ";
    text += shown_text(message);
    return text;
}

FileText read_bounded_file(const std::string& path, std::size_t limit, const char* what) {
    FileText file;
    auto refuse = [&](const std::string& why) {
        file.error = why;
        return file;
    };
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return refuse(std::string("cannot read the file: ") + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) return refuse(std::string("is a directory, not ") + what);
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return refuse(std::string("is a device, not ") + what);
    if (S_ISFIFO(st.st_mode)) return refuse(std::string("is a FIFO (named pipe), not ") + what);
    if (!S_ISREG(st.st_mode)) return refuse(std::string("is not a regular file, not ") + what);
    constexpr std::size_t kMiB = std::size_t{1024} * 1024;
    const std::string size =
        limit % kMiB == 0 ? std::to_string(limit / kMiB) + " MiB" : std::to_string(limit / 1024) + " KiB";
    const std::string too_big =
        "is larger than " + size + " (" + std::to_string(limit) + " bytes), the most the simulator reads as " + what;
    if (static_cast<unsigned long long>(st.st_size) > limit) return refuse(too_big);
    std::ifstream in(path, std::ios::binary);
    if (!in) return refuse(std::string("cannot read the file: ") + std::strerror(errno));
    file.text.assign(limit + 1, '\0');
    in.read(file.text.data(), static_cast<std::streamsize>(file.text.size()));
    file.text.resize(static_cast<std::size_t>(in.gcount()));
    if (file.text.size() > limit) {  // it grew since
        file.text.clear();
        return refuse(too_big);
    }
    return file;
}

std::string format_duration(long s) {
    if (s < 60) return std::to_string(s) + "s";
    static constexpr struct {
        long size;
        const char* unit;
    } kUnits[] = {{86400, "d"}, {3600, "h"}, {60, "m"}, {1, "s"}};
    std::string out;
    for (const auto& u : kUnits) {
        if (s >= u.size) {
            if (!out.empty()) out += ' ';
            out += std::to_string(s / u.size);
            out += u.unit;
            s %= u.size;
        }
    }
    return out;
}

}  // namespace rwsim
