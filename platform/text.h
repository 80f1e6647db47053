// SPDX-License-Identifier: ISC
// Fixed-size, zero-filled text buffers and the few text helpers the daemon
// needs. Header-only and free of the C++ runtime: nothing here throws or
// allocates with operator new.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string_view>

// Whether two texts are equal: string_view's == without its call into the
// C library (memcmp), for the daemon's short texts.
constexpr bool same_text(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// The work of every FixedText, whatever its size: one copy in the program
// instead of one per buffer size.
namespace fixed_text {

// Clears `bytes` bytes at `buf`, then copies at most `bytes` - 1 of the
// `size` characters at `text`. (A pointer and a length rather than a
// string_view: 32-bit MIPS builds a view passed by value in memory at
// every call.)
[[gnu::noinline]] inline void assign(char* buf, std::size_t bytes, const char* text, std::size_t size) {
    std::memset(buf, 0, bytes);
    std::size_t n = size < bytes - 1 ? size : bytes - 1;
    if (n != 0) std::memcpy(buf, text, n);
}

inline void assign(char* buf, std::size_t bytes, std::string_view text) {
    assign(buf, bytes, text.data(), text.size());
}

// The characters before the first zero byte (all `bytes` when there is none).
[[gnu::noinline]] inline std::size_t length(const char* buf, std::size_t bytes) {
    std::size_t n = 0;
    while (n < bytes && buf[n] != '\0') ++n;
    return n;
}

// Whether the text in `bytes` bytes at `buf` is the `size` characters at
// `other`.
[[gnu::noinline]] inline bool equals_text(const char* buf, std::size_t bytes, const char* other, std::size_t size) {
    return same_text(std::string_view(buf, length(buf, bytes)), std::string_view(other, size));
}

// Whether the text in `bytes` bytes at `buf` is `other`.
inline bool equals(const char* buf, std::size_t bytes, std::string_view other) {
    return equals_text(buf, bytes, other.data(), other.size());
}

}  // namespace fixed_text

// A zero-terminated text in N bytes (at most N - 1 characters). Always
// zero-filled behind the text, so the whole buffer can be compared or handed
// to C code. Copies truncate; nothing overflows.
template <std::size_t N>
struct FixedText {
    static_assert(N >= 1);
    char buf[N];

    static constexpr std::size_t capacity = N - 1;

    void clear() { std::memset(buf, 0, N); }

    // Clears the buffer, then copies at most N - 1 characters of `text`.
    void assign(std::string_view text) { fixed_text::assign(buf, N, text); }

    const char* c_str() const { return buf; }
    char* data() { return buf; }

    std::size_t size() const { return fixed_text::length(buf, N); }
    bool empty() const { return buf[0] == '\0'; }

    std::string_view view() const { return std::string_view(buf, size()); }

    bool operator==(std::string_view other) const { return fixed_text::equals(buf, N, other); }
    // Both always zero-terminated: strcmp, a call into the C library.
    template <std::size_t M>
    bool operator==(const FixedText<M>& other) const {
        return std::strcmp(buf, other.buf) == 0;
    }

    bool starts_with(std::string_view prefix) const;
};

// Whether `text` begins with `prefix`. string_view::starts_with would do, but
// it goes through substr(), which can throw; this cannot.
constexpr bool has_prefix(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (text[i] != prefix[i]) return false;
    }
    return true;
}

// Whether `word` occurs anywhere in `text`.
constexpr bool contains(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        if (has_prefix(std::string_view(text.data() + at, text.size() - at), word)) return true;
    }
    return false;
}

template <std::size_t N>
bool FixedText<N>::starts_with(std::string_view prefix) const {
    return has_prefix(view(), prefix);
}

// A text fixed at compile time, for named constants: it turns into a
// string_view made afresh where it is used, from an address and a length the
// compiler knows, so no copy of the view itself is kept in memory.
struct Word {
    const char* text;
    std::size_t size;

    // Made from a string literal implicitly, as a string_view is from a C
    // text: `constexpr Word kName = "text";`.
    template <std::size_t N>
    // cppcheck-suppress noExplicitConstructor
    consteval Word(const char (&literal)[N]) : text(literal), size(N - 1) {}
    constexpr operator std::string_view() const { return std::string_view(text, size); }
};

// Whether the zero-terminated text at `text` is `word`: strcmp, a call into
// the C library that takes fewer bytes than a loop of our own at each use.
inline bool is_word(const char* text, Word word) {
    return std::strcmp(text, word.text) == 0;
}

// Whether the zero-terminated text at `text` begins with `prefix`, by strncmp.
inline bool begins_with(const char* text, Word prefix) {
    return std::strncmp(text, prefix.text, prefix.size) == 0;
}

// Whether two zero-terminated texts are equal, by strcmp.
inline bool is_same_text(const char* text, const char* other) {
    return std::strcmp(text, other) == 0;
}

// Texts of the survey vocabulary and the client security in force.
using AuthText = FixedText<32>;
using ExtChText = FixedText<6>;
using BssidText = FixedText<18>;

// Decimal integer in the manner of atoi: leading white space, an optional
// sign, then the leading digits; no digits read as 0. Works on a bounded
// field (no terminator needed) and saturates instead of overflowing.
constexpr int parse_int(std::string_view text) {
    std::size_t i = 0;
    // ' ', and '\t', '\n', '\v', '\f', '\r', which follow each other.
    auto is_space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The magnitude in 32 bits: exact up to 2147483649, which then stands for
    // every larger one (both lie beyond any int).
    unsigned value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value < 214748365u ? value * 10 + static_cast<unsigned>(text[i] - '0') : 2147483649u;
    }
    if (negative) return value >= 2147483648u ? -2147483647 - 1 : -static_cast<int>(value);
    return value > 2147483647u ? 2147483647 : static_cast<int>(value);
}

// parse_int's reading of a zero-terminated text of any length, by the C
// library's strtol, which reads the same way (white space, sign, digits;
// saturating), clamped to an int.
[[gnu::noinline]] inline int parse_int(const char* text) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The characters of `text` from `pos`, at most `count` of them; empty when
// `pos` lies beyond the end. Never throws, unlike string_view::substr.
constexpr std::string_view field_at(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos >= text.size()) return std::string_view();
    std::size_t n = text.size() - pos;
    if (n > count) n = count;
    return std::string_view(text.data() + pos, n);
}
