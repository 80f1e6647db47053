// SPDX-License-Identifier: ISC
#include "sim/router/shell.h"

#include <string_view>

namespace rwsim {

namespace {

// A command line part way through its split.
struct Splitting {
    std::string_view line;
    std::size_t i = 0;  // the next byte to read
    ShellCommand cmd;
    std::string word;      // the word being read
    bool in_word = false;  // a word has begun (it may still be empty: '')
};

void end_word(Splitting& s) {
    if (s.in_word) s.cmd.stages.back().push_back(s.word);
    s.word.clear();
    s.in_word = false;
}

// A backslash outside quotes: the byte after it as it is; with a line end
// after it, both go (a line continuation); alone at the end, itself.
void read_backslash(Splitting& s) {
    const std::string_view line = s.line;
    const std::size_t i = s.i;
    if (i + 1 >= line.size()) {
        s.word += '\\';
        s.in_word = true;
        ++s.i;
    } else if (line[i + 1] == '\n') {
        s.i += 2;  // line continuation: both go
    } else {
        s.word += line[i + 1];
        s.in_word = true;
        s.i += 2;
    }
}

// '...': every byte as it is, up to the next single quote. "" or what is
// wrong.
std::string read_single_quoted(Splitting& s) {
    const std::size_t close = s.line.find('\'', s.i + 1);
    if (close == std::string_view::npos) return "unterminated single quote";
    s.word.append(s.line.substr(s.i + 1, close - s.i - 1));
    s.in_word = true;
    s.i = close + 1;
    return "";
}

// "...": bytes as they are but for a backslash before $ ` " \ or a line
// end; an expansion inside is reported. "" or what is wrong.
std::string read_double_quoted(Splitting& s) {
    const std::string_view line = s.line;
    s.in_word = true;
    ++s.i;
    while (s.i < line.size()) {
        const char d = line[s.i];
        if (d == '"') {
            ++s.i;
            return "";
        }
        if (d == '$' || d == '`') return std::string("expansion '") + d + "' inside double quotes";
        if (d == '\\' && s.i + 1 < line.size()) {
            const char e = line[s.i + 1];
            if (e == '\n') {
                s.i += 2;
                continue;
            }
            if (e == '$' || e == '`' || e == '"' || e == '\\') {
                s.word += e;
                s.i += 2;
                continue;
            }
        }
        s.word += d;
        ++s.i;
    }
    return "unterminated double quote";
}

// What the shell would make of an unquoted byte beyond a character of a
// word; "" for one it takes as it is.
std::string unquoted_fault(char c, bool in_word) {
    if (c == '\n' || c == ';' || c == '&' || c == '<' || c == '>' || c == '(' || c == ')' || c == '$' || c == '`') {
        return std::string("unquoted shell character '") + (c == '\n' ? std::string("\\n") : std::string(1, c)) + "'";
    }
    if (c == '*' || c == '?' || c == '[') return std::string("unquoted glob character '") + c + "'";
    if ((c == '#' || c == '~') && !in_word) return std::string("unquoted '") + c + "' at the start of a word";
    return "";
}

// The byte at s.i and what follows from it. "" or what is wrong.
std::string read_next(Splitting& s) {
    const char c = s.line[s.i];
    if (c == '\\') {
        read_backslash(s);
        return "";
    }
    if (c == '\'') return read_single_quoted(s);
    if (c == '"') return read_double_quoted(s);
    if (c == ' ' || c == '\t' || c == '|') {
        end_word(s);
        if (c == '|') {
            if (s.cmd.stages.back().empty()) return "empty pipeline stage";
            s.cmd.stages.emplace_back();
        }
        ++s.i;
        return "";
    }
    std::string fault = unquoted_fault(c, s.in_word);
    if (!fault.empty()) return fault;
    s.word += c;
    s.in_word = true;
    ++s.i;
    return "";
}

}  // namespace

ShellCommand shell_split(std::string_view line) {
    Splitting s;
    s.line = line;
    s.cmd.stages.emplace_back();
    std::string fault;
    while (fault.empty() && s.i < line.size()) fault = read_next(s);
    if (fault.empty()) {
        end_word(s);
        if (s.cmd.stages.back().empty()) fault = s.cmd.stages.size() > 1 ? "empty pipeline stage" : "empty command";
    }
    s.cmd.error = fault;
    return s.cmd;
}

}  // namespace rwsim
