#include "sim/router/shell.h"

#include <string_view>

namespace rwsim {

ShellCommand shell_split(std::string_view line) {
    ShellCommand cmd;
    cmd.stages.emplace_back();
    std::string word;
    bool in_word = false;
    auto end_word = [&] {
        if (in_word) cmd.stages.back().push_back(word);
        word.clear();
        in_word = false;
    };
    auto fail = [&](std::string message) {
        cmd.error = std::move(message);
        return cmd;
    };
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == '\\') {
            if (i + 1 >= line.size()) {
                word += '\\';
                in_word = true;
                ++i;
            } else if (line[i + 1] == '\n') {
                i += 2;  // line continuation: both go
            } else {
                word += line[i + 1];
                in_word = true;
                i += 2;
            }
        } else if (c == '\'') {
            std::size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos) return fail("unterminated single quote");
            word.append(line.substr(i + 1, close - i - 1));
            in_word = true;
            i = close + 1;
        } else if (c == '"') {
            in_word = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i];
                if (d == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (d == '$' || d == '`') return fail(std::string("expansion '") + d + "' inside double quotes");
                if (d == '\\' && i + 1 < line.size()) {
                    char e = line[i + 1];
                    if (e == '\n') {
                        i += 2;
                        continue;
                    }
                    if (e == '$' || e == '`' || e == '"' || e == '\\') {
                        word += e;
                        i += 2;
                        continue;
                    }
                }
                word += d;
                ++i;
            }
            if (!closed) return fail("unterminated double quote");
        } else if (c == ' ' || c == '\t') {
            end_word();
            ++i;
        } else if (c == '|') {
            end_word();
            if (cmd.stages.back().empty()) return fail("empty pipeline stage");
            cmd.stages.emplace_back();
            ++i;
        } else if (c == '\n' || c == ';' || c == '&' || c == '<' || c == '>' || c == '(' || c == ')' ||
                   c == '$' || c == '`') {
            return fail(std::string("unquoted shell character '") + (c == '\n' ? std::string("\\n") : std::string(1, c)) + "'");
        } else if (c == '*' || c == '?' || c == '[') {
            return fail(std::string("unquoted glob character '") + c + "'");
        } else if ((c == '#' || c == '~') && !in_word) {
            return fail(std::string("unquoted '") + c + "' at the start of a word");
        } else {
            word += c;
            in_word = true;
            ++i;
        }
    }
    end_word();
    if (cmd.stages.back().empty()) return fail(cmd.stages.size() > 1 ? "empty pipeline stage" : "empty command");
    return cmd;
}

}  // namespace rwsim
