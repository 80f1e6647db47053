// SPDX-License-Identifier: ISC
// TransForShell1 against the shell's own rule: its result is one shell word
// whose every character is quoted, and undoing the quoting the way the shell
// does gives back the input byte for byte. The input is a C text (stored
// values are), so it ends at its first NUL. The plain runner also hands each
// corpus result to /bin/sh itself and compares what printf receives.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "radio/radio.h"

namespace {

// Characters that mean nothing to the shell in an unquoted word.
bool is_plain_word_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("_./,:@%+=-", c) != nullptr;
}

// Undoes the shell's quoting of one word made of backslash-escaped
// characters, single-quoted runs and plain characters. Nothing else may
// appear: any other unquoted character would be read by the shell (a blank
// splits the word, `$` expands, `;` ends the command ...). A backslash before
// a newline is a line continuation, removed together with the newline.
std::optional<std::string> shell_unquote(std::string_view word) {
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c == '\\') {
            if (++i == word.size()) return std::nullopt;  // a lone backslash at the end
            if (word[i] != '\n') out += word[i];
        } else if (c == '\'') {
            std::size_t close = word.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            out.append(word.substr(i + 1, close - i - 1));
            i = close;
        } else if (is_plain_word_char(c)) {
            out += c;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

#ifdef RELAYWATCH_FUZZ_PLAIN
// What /bin/sh passes as the one argument of printf '%s' WORD.
std::string through_the_shell(const char* word) {
    std::string command = std::string("printf '%s' ") + word;
    FILE* pipe = popen(command.c_str(), "r");
    FUZZ_CHECK(pipe != nullptr);
    std::string out;
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    FUZZ_CHECK(pclose(pipe) == 0);
    return out;
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz_text(data, size);
    text = text.substr(0, text.find('\0'));

    HeapText escaped = TransForShell1(text);
    FUZZ_CHECK(escaped.ok());
    FUZZ_CHECK(std::strlen(escaped.c_str()) == escaped.count);
    FUZZ_CHECK(escaped.count >= text.size());

    std::optional<std::string> unquoted = shell_unquote(escaped.view());
    FUZZ_CHECK(unquoted.has_value());
    FUZZ_CHECK(*unquoted == text);
#ifdef RELAYWATCH_FUZZ_PLAIN
    FUZZ_CHECK(through_the_shell(escaped.c_str()) == text);
#endif
    return 0;
}
