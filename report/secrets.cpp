// SPDX-License-Identifier: ISC
#include "report/secrets.h"

#include "platform/messages.h"
#include "report/bundle_format.h"

namespace report {

namespace {

// What relaywatch prints in front of an invalid key: its format up to the
// key's conversion.
constexpr std::string_view lead_of(std::string_view format) {
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] == '%' && format[i + 1] == 's') return std::string_view(format.data(), i);
    }
    return format;
}
constexpr std::string_view kInvalidKeyLead = lead_of(RW_MSG_INVALID_KEY);
static_assert(!kInvalidKeyLead.empty() && kInvalidKeyLead.size() < std::string_view(RW_MSG_INVALID_KEY).size());

constexpr char lower_of(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool is_word_char(char c) {
    return is_digit(c) || lower_of(c) != c || (c >= 'a' && c <= 'z') || c == '_';
}

// Where `word` (lower case) starts in `text`, letter case ignored, from `from`; npos when nowhere.
std::size_t find_folded(std::string_view text, std::string_view word, std::size_t from = 0) {
    for (std::size_t at = from; at + word.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < word.size() && lower_of(text[at + i]) == word[i]) ++i;
        if (i == word.size()) return at;
    }
    return std::string_view::npos;
}

// Whether `text` holds "key", digits, then "str" (Key1Str1, ApCliKey3Str).
bool names_wep_key(std::string_view text) {
    for (std::size_t at = find_folded(text, "key"); at != std::string_view::npos;
         at = find_folded(text, "key", at + 1)) {
        std::size_t i = at + 3;
        if (i >= text.size() || !is_digit(text[i])) continue;
        while (i < text.size() && is_digit(text[i])) ++i;
        if (find_folded(field_at(text, i, 3), "str") == 0) return true;
    }
    return false;
}

void note_removal(TextBuffer& notes, std::size_t lineNumber, std::string_view what, std::string_view value) {
    notes.appendf("log line %zu: ", lineNumber);
    notes.append(what);
    notes.append(' ');
    append_secret(notes, value);
    notes.append('\n');
}

// The secret whose value stands at `at` in `line` as a whole word (the
// longest, when several do), or nullptr.
const Secrets::Entry* secret_at(std::string_view line, std::size_t at, const Secrets& secrets) {
    if (at > 0 && is_word_char(line[at - 1])) return nullptr;
    const Secrets::Entry* found = nullptr;
    for (std::size_t s = 0; s < secrets.count; ++s) {
        const std::string_view value = secrets.entries[s].value.view();
        if (value.size() > line.size() - at || field_at(line, at, value.size()) != value) continue;
        const std::size_t end = at + value.size();
        if (end < line.size() && is_word_char(line[end])) continue;
        if (found == nullptr || value.size() > found->value.size) found = &secrets.entries[s];
    }
    return found;
}

}  // namespace

std::string_view alphabet_of(std::string_view value) {
    bool hex = !value.empty();
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) return bundle::kAlphabetOther;
        if (!is_digit(c) && !(lower_of(c) >= 'a' && lower_of(c) <= 'f')) hex = false;
    }
    return hex ? bundle::kAlphabetHex : bundle::kAlphabetPrintable;
}

void append_secret(TextBuffer& out, std::string_view value) {
    out.append(bundle::kSecretOpen);
    out.appendf("%zu ", value.size());
    out.append(alphabet_of(value));
    out.append(']');
}

bool is_secret_key(std::string_view name) {
    for (std::string_view word : {"psk", "pass", "secret", "radius_key"}) {
        if (find_folded(name, word) != std::string_view::npos) return true;
    }
    return names_wep_key(name);
}

void Secrets::add(std::string_view key, std::string_view value) {
    if (value.empty() || count == kMaxSecrets) return;
    for (std::size_t i = 0; i < count; ++i) {
        if (entries[i].value.view() == value) return;
    }
    entries[count].key.assign(key);
    entries[count].value.append(value);
    if (!entries[count].value.failed) ++count;
}

std::size_t redact_line(std::string_view line, const Secrets& secrets, std::size_t lineNumber, TextBuffer& out,
                        TextBuffer& notes) {
    std::size_t keyAt = line.size();
    for (std::size_t at = 0; at + kInvalidKeyLead.size() <= line.size(); ++at) {
        if (field_at(line, at, kInvalidKeyLead.size()) == kInvalidKeyLead) {
            keyAt = at + kInvalidKeyLead.size();
            break;
        }
    }
    std::size_t removed = 0;
    for (std::size_t at = 0; at < keyAt;) {
        const Secrets::Entry* secret = secret_at(field_at(line, 0, keyAt), at, secrets);
        if (secret == nullptr) {
            append_shown(out, field_at(line, at++, 1));
            continue;
        }
        append_secret(out, secret->value.view());
        note_removal(notes, lineNumber, secret->key.view(), secret->value.view());
        at += secret->value.size;
        ++removed;
    }
    if (keyAt < line.size()) {
        const std::string_view key = field_at(line, keyAt, line.size());
        append_secret(out, key);
        note_removal(notes, lineNumber, "invalid key", key);
        ++removed;
    }
    return removed;
}

}  // namespace report
