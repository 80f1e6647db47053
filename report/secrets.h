// SPDX-License-Identifier: ISC
// Secrets never leave the router: a secret value becomes its length and
// alphabet, "[secret: 9 printable]", in the store and in the log, and every
// such removal is listed.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/text.h"
#include "report/text_buffer.h"

namespace report {

// The alphabet a value is drawn from: hex digits only, printable ASCII, or
// anything else.
std::string_view alphabet_of(std::string_view value);

// Appends "[secret: <length> <alphabet>]" for `value`.
void append_secret(TextBuffer& out, std::string_view value);

// Whether a store key's name says it holds a secret: a pre-shared key, a
// pass phrase or password, a WEP key text (Key1Str1, ApCliKey2Str) or a
// RADIUS key. The key index (DefaultKeyID) is not one.
bool is_secret_key(std::string_view name);

// The current secrets: each store key's name and its value.
inline constexpr std::size_t kMaxSecrets = 48;
struct Secrets {
    struct Entry {
        FixedText<64> key;
        TextBuffer value;
    };
    Entry entries[kMaxSecrets];
    std::size_t count = 0;

    // Keeps `value` of `key` (an empty value hides nothing and is not kept;
    // a value kept already under another key is not kept twice).
    void add(std::string_view key, std::string_view value);
};

// Appends log line `line` (without its line end) to `out` redacted: the rest
// of relaywatch's "Invalid Key=" line, and every current secret that stands
// as a whole word; control bytes shown as \xNN. Each removal is noted in `notes` with `lineNumber`.
// Returns the number of removals.
std::size_t redact_line(std::string_view line, const Secrets& secrets, std::size_t lineNumber, TextBuffer& out,
                        TextBuffer& notes);

}  // namespace report
