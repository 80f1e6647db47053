// SPDX-License-Identifier: ISC
#include "sim/scenario/scenario_words.h"

#include <algorithm>
#include <cctype>

#include "sim/capture/survey_read.h"
#include "sim/common/text.h"

namespace rwsim {

namespace {

[[noreturn]] void fail(const WordsAt& at, const std::string& message) {
    throw ScenarioError(at.file, at.line, message);
}

}  // namespace

std::vector<ScenarioWord> split_words(std::string_view line, const WordsAt& at) {
    std::vector<ScenarioWord> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size() || line[i] == '#') break;
        ScenarioWord w;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            if (line[i] == '"') {
                w.quoted = true;
                ++i;
                bool closed = false;
                while (i < line.size()) {
                    char c = line[i++];
                    if (c == '"') {
                        closed = true;
                        break;
                    }
                    if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) c = line[i++];
                    w.text += c;
                }
                if (!closed) fail(at, "unterminated quote");
            } else {
                w.text += line[i++];
            }
        }
        words.push_back(std::move(w));
    }
    return words;
}

long duration_word(const WordsAt& at, const std::string& text, const char* what) {
    long s = 0;
    if (!parse_duration(text, s)) fail(at, duration_error(what, text));
    return s;
}

int channel_word(const WordsAt& at, const std::string& text) {
    long ch = 0;
    if (!parse_whole(text, 12, ch) || ch > 1000 || !is_valid_channel(static_cast<int>(ch))) {
        fail(at, "bad channel '" + text + "' (1-14, or a 5 GHz channel such as 36, 149)");
    }
    return static_cast<int>(ch);
}

std::string ext_word(const WordsAt& at, const std::string& text) {
    if (text != "ABOVE" && text != "BELOW" && text != "NONE")
        fail(at, "bad extension '" + text + "' (ABOVE, BELOW or NONE)");
    return text;
}

std::string security_word(const WordsAt& at, const std::string& text) {
    if (text.empty() || text.size() > 22 || has_control(text) || text.find(' ') != std::string::npos) {
        fail(at, "bad security '" + text +
                     "' (the driver's column, at most 22 characters without blanks, e.g. WPA2PSK/AES)");
    }
    return text;
}

int signal_word(const WordsAt& at, const std::string& text) {
    long v = 0;
    if (!parse_whole(text, 12, v) || v > 100) fail(at, "bad signal '" + text + "' (0 to 100)");
    return static_cast<int>(v);
}

std::string ssid_word(const WordsAt& at, const std::string& text) {
    if (text.size() > 32) fail(at, "SSID '" + text + "' is longer than 32 bytes");
    if (has_control(text)) fail(at, "SSID holds a control character");
    return text;
}

void store_pair(const WordsAt& at, const std::string& text, std::string& key, std::string& value) {
    std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) fail(at, "store needs KEY=VALUE, got '" + text + "'");
    key = text.substr(0, eq);
    value = text.substr(eq + 1);
    for (char c : key) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            fail(at, "bad store key '" + key + "' (letters, digits and _ only)");
    }
    if (has_control(value)) fail(at, "store value holds a control character");
}

AccessPoint captured_ap(const WordsAt& at, const std::string& where, const SurveyEntry& row) {
    AccessPoint ap;
    ap.line = at.line;
    ap.bssid = trimmed(row.bssid.view());
    if (!is_bssid(ap.bssid)) fail(at, where + "BSSID '" + ap.bssid + "' is not six hex pairs with colons");
    if (!is_valid_channel(row.channel))
        fail(at, where + "channel " + std::to_string(row.channel) + " is not one the simulator tunes");
    ap.channel = row.channel;
    ap.hidden = row.ssidLen == 0;
    ap.ssid = std::string(row.ssid.view());
    if (ap.ssid.find('\0') != std::string::npos) fail(at, where + "the SSID holds a NUL byte");
    ap.ext = trimmed(row.extCh.view());
    if (ap.ext != "ABOVE" && ap.ext != "BELOW" && ap.ext != "NONE")
        fail(at, where + "extension channel '" + ap.ext + "' (ABOVE, BELOW or NONE)");
    ap.security = trimmed(row.security.view());
    if (ap.security.empty() || has_control(ap.security) || ap.security.find(' ') != std::string::npos) {
        fail(at, where + "security '" + ap.security + "' (the driver's column without blanks)");
    }
    ap.signal = std::clamp(row.signal, 0, 100);
    ap.mode = trimmed(row.wirelessMode.view());
    return ap;
}

}  // namespace rwsim
