// SPDX-License-Identifier: ISC
// What every fuzz target shares: the libFuzzer entry point and a check that
// stops the run at the first broken promise, naming it. A failed check
// aborts, which libFuzzer reports as a crash with the input saved, and which
// fails the corpus run of the plain runner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

[[noreturn]] inline void fuzz_fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond)                                   \
    do {                                                   \
        if (!(cond)) fuzz_fail(#cond, __FILE__, __LINE__); \
    } while (0)

// The input as text (any bytes, NUL included).
inline std::string_view fuzz_text(const std::uint8_t* data, std::size_t size) {
    return size == 0 ? std::string_view() : std::string_view(reinterpret_cast<const char*>(data), size);
}

// Takes the text up to the next line end off the front of `rest` (the line
// end is dropped); all of it when there is none.
inline std::string_view take_line(std::string_view& rest) {
    std::size_t eol = rest.find('\n');
    std::string_view line = rest.substr(0, eol);
    rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
    return line;
}
