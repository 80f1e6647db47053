// Fixed-size, zero-filled text buffers and the few text helpers the daemon
// needs. Header-only and free of the C++ runtime: nothing here throws or
// allocates with operator new.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

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
    void assign(std::string_view text) {
        clear();
        std::size_t n = text.size() < capacity ? text.size() : capacity;
        if (n != 0) std::memcpy(buf, text.data(), n);
    }

    const char* c_str() const { return buf; }
    char* data() { return buf; }

    std::size_t size() const { return strnlen(buf, N); }
    bool empty() const { return buf[0] == '\0'; }

    std::string_view view() const { return std::string_view(buf, size()); }

    bool operator==(std::string_view other) const { return view() == other; }
    template <std::size_t M>
    bool operator==(const FixedText<M>& other) const { return view() == other.view(); }

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

template <std::size_t N>
bool FixedText<N>::starts_with(std::string_view prefix) const {
    return has_prefix(view(), prefix);
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
    auto is_space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value <= 2147483648LL) value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value > 2147483647LL) value = 2147483647LL;
    if (value < -2147483648LL) value = -2147483648LL;
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
