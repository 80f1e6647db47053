// SPDX-License-Identifier: ISC
// The simulated router's shell and wireless tools: each command line the
// daemon runs is split as /bin/sh would split it (sim/router/shell.cpp) and each
// stage of it handed to ifconfig, iwpriv, iwgetid or sed, which take what
// the real tools on the router take and refuse the rest.
#include <algorithm>
#include <cctype>

#include "sim/common/text.h"
#include "sim/router/router.h"
#include "sim/router/shell.h"
#include "sim/router/survey_table.h"

namespace rwsim {

namespace {

// The driver's numbers: 1 to 9 decimal digits.
bool driver_number(std::string_view text, long& value) {
    return parse_whole(text, 9, value);
}

bool all_hex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

// What a value of an iwpriv setting must be.
enum class Rule {
    None,
    Channel,     // a channel the driver tunes
    Digits,      // a number
    OneOf,       // one of the setting's words
    WepKey,      // 5 or 13 characters, or 10 or 26 hex digits
    Passphrase,  // 8 to 63 characters, or 64 hex digits
    Ssid,        // at most 32 bytes
};

// What a setting that is taken does.
enum class Effect {
    Scan,            // the air as the next survey shows it
    Retune,          // ra0 to the channel
    Extcha,          // the extension channel, 0 or 1
    Field,           // the driver keeps the value
    ClientSecurity,  // apcli0 re-associates with the new value
};

struct IwprivSetting {
    std::string_view ifname;
    std::string_view key;
    Rule rule;
    std::string_view words[5];  // Rule::OneOf; empty entries stand for none
    std::string_view refusal;   // when the value breaks the rule
    Effect effect;
    std::string RadioModel::*field = nullptr;
};

constexpr IwprivSetting kIwprivSettings[] = {
    {"ra0", "SiteSurvey", Rule::None, {}, "", Effect::Scan},
    {"ra0", "Channel", Rule::Channel, {}, "no such channel", Effect::Retune},
    {"ra0", "HtExtcha", Rule::OneOf, {"0", "1"}, "HtExtcha takes 0 or 1", Effect::Extcha},
    {"ra0", "HtBw", Rule::Digits, {}, "HtBw takes a number", Effect::Field, &RadioModel::htbw},
    {"ra0",
     "DefaultKeyID",
     Rule::OneOf,
     {"1", "2", "3", "4"},
     "DefaultKeyID takes 1 to 4",
     Effect::Field,
     &RadioModel::key_id},
    {"ra0",
     "Key1",
     Rule::WepKey,
     {},
     "a WEP key has 5 or 13 characters, or 10 or 26 hex digits",
     Effect::Field,
     &RadioModel::key1},
    {"ra0",
     "WPAPSK",
     Rule::Passphrase,
     {},
     "a passphrase has 8 to 63 characters, or 64 hex digits",
     Effect::Field,
     &RadioModel::wpapsk},
    {"ra0", "SSID", Rule::Ssid, {}, "an SSID has at most 32 bytes", Effect::Field, &RadioModel::ssid},
    {"apcli0",
     "ApCliAuthMode",
     Rule::OneOf,
     {"OPEN", "SHARED", "WEPAUTO", "WPAPSK", "WPA2PSK"},
     "unknown ApCliAuthMode value",
     Effect::ClientSecurity,
     &RadioModel::cli_auth},
    {"apcli0",
     "ApCliEncrypType",
     Rule::OneOf,
     {"NONE", "WEP", "TKIP", "AES"},
     "unknown ApCliEncrypType value",
     Effect::ClientSecurity,
     &RadioModel::cli_enc},
};

bool follows(const IwprivSetting& s, std::string_view value) {
    long number = 0;
    switch (s.rule) {
        case Rule::None: return true;
        case Rule::Channel: return driver_number(value, number) && is_valid_channel(static_cast<int>(number));
        case Rule::Digits: return driver_number(value, number);
        case Rule::OneOf:
            return !value.empty() && std::find(std::begin(s.words), std::end(s.words), value) != std::end(s.words);
        case Rule::WepKey:
            return value.size() == 5 || value.size() == 13 ||
                   ((value.size() == 10 || value.size() == 26) && all_hex(value));
        case Rule::Passphrase:
            return (value.size() >= 8 && value.size() <= 63) || (value.size() == 64 && all_hex(value));
        case Rule::Ssid: return value.size() <= 32;
    }
    return false;
}

// sed -n 's/PATTERN/REPLACEMENT/p' with a plain-text pattern: prints the
// lines in which the pattern was replaced. `why` is set when the script is
// not of that kind.
std::string sed(const std::vector<std::string>& argv, const std::string& input, std::string& why) {
    const std::string* script = argv.size() == 3 && argv[1] == "-n" ? &argv[2] : nullptr;
    if (script == nullptr || script->size() < 4 || (*script)[0] != 's') {
        why = "sed takes -n 's/A/B/p' here";
        return std::string();
    }
    char delim = (*script)[1];
    std::size_t mid = script->find(delim, 2);
    std::size_t last = mid == std::string::npos ? mid : script->find(delim, mid + 1);
    if (last == std::string::npos || script->substr(last + 1) != "p") {
        why = "sed takes -n 's/A/B/p' here";
        return std::string();
    }
    std::string pattern = script->substr(2, mid - 2);
    std::string replacement = script->substr(mid + 1, last - mid - 1);
    if (pattern.empty() || pattern.find_first_of(".[]*^$\\+?(){}|") != std::string::npos ||
        replacement.find_first_of("\\&") != std::string::npos) {
        why = "sed patterns are plain text here";
        return std::string();
    }
    std::string out;
    std::size_t pos = 0;
    while (pos < input.size()) {
        std::size_t nl = input.find('\n', pos);
        std::string row = input.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? input.size() : nl + 1;
        std::size_t at = row.find(pattern);
        if (at == std::string::npos) continue;
        row.replace(at, pattern.size(), replacement);
        out += row;
        out += '\n';
    }
    return out;
}

}  // namespace

void Router::run(const char* command) {
    execute(logged(command), false);
}

void Router::read(const char* command, std::string& output) {
    output = execute(logged(command), true);
}

std::string Router::logged(const char* command) {
    std::string line(command);
    if (now_ < end_ && taps_.command_log != nullptr) taps_.command_log->emplace_back(now_, line);
    if (taps_.transcript != nullptr) taps_.transcript->push_back("$ " + line);
    return line;
}

void Router::refuse(const std::string& line, const std::string& why) {
    ++counts_.refused;
    console_.sim_line("driver refused '" + line + "': " + why);
    if (taps_.transcript != nullptr) taps_.transcript->push_back("== driver refused '" + line + "': " + why);
}

std::string Router::execute(const std::string& line, bool with_output) {
    ShellCommand cmd = shell_split(line);
    if (!cmd.error.empty()) {
        ++counts_.other;
        refuse(line, cmd.error);
        return std::string();
    }
    std::string data;
    for (const auto& argv : cmd.stages) {
        bool ok = true;
        data = tool(argv, line, data, ok);
        if (!ok) return std::string();
    }
    return with_output ? data : std::string();
}

// One stage of a pipeline: `input` is the previous stage's output.
std::string Router::tool(const std::vector<std::string>& argv, const std::string& line, const std::string& input,
                         bool& ok) {
    const std::string& name = argv[0];
    std::string why, output;
    if (name == "ifconfig") {
        output = ifconfig(argv, why);
    } else if (name == "iwpriv") {
        output = iwpriv(argv, why);
    } else if (name == "iwgetid") {
        output = iwgetid(argv, why);
    } else if (name == "sed") {
        output = sed(argv, input, why);
    } else {
        ++counts_.other;
        why = "no such tool on the simulated router";
    }
    if (why.empty()) return output;
    refuse(line, why);
    ok = false;
    return std::string();
}

std::string Router::ifconfig(const std::vector<std::string>& argv, std::string& why) {
    ++counts_.ifconfig;
    if (argv.size() != 3 || argv[1] != "ra0" || (argv[2] != "up" && argv[2] != "down")) {
        why = "ifconfig takes 'ra0 up' or 'ra0 down' here";
        return std::string();
    }
    radio_.ra0_up = argv[2] == "up";
    return std::string();
}

std::string Router::iwpriv(const std::vector<std::string>& argv, std::string& why) {
    if (argv.size() == 3 && argv[1] == "ra0" && argv[2] == "get_site_survey") {
        ++counts_.survey_reads;
        if (taps_.survey_text != nullptr) return *taps_.survey_text;
        std::string table;
        print_survey_table(air_.scanned, table);
        return table;
    }
    ++counts_.iwpriv_set;
    if (argv.size() != 4 || argv[2] != "set") {
        why = argv.size() > 4 ? "iwpriv set takes one KEY=VALUE word (unescaped blank?)"
                              : "iwpriv takes 'IF set KEY=VALUE' or 'ra0 get_site_survey'";
        return std::string();
    }
    iwpriv_set(argv[1], argv[3], why);
    return std::string();
}

std::string Router::iwgetid(const std::vector<std::string>& argv, std::string& why) {
    ++counts_.channel_queries;
    if (argv.size() != 3 || argv[1] != "-c" || argv[2] != "ra0") {
        why = "iwgetid takes '-c ra0' here";
        return std::string();
    }
    if (!radio_.ra0_up) return std::string();  // a down interface reports nothing
    return "ra0       Channel:" + std::to_string(radio_.channel) + "\n";
}

bool Router::iwpriv_set(const std::string& ifname, const std::string& setting, std::string& why) {
    std::size_t eq = setting.find('=');
    if (eq == std::string::npos) {
        why = "set needs KEY=VALUE";
        return false;
    }
    const std::string key = setting.substr(0, eq);
    const std::string value = setting.substr(eq + 1);
    const IwprivSetting* const s =
        std::find_if(std::begin(kIwprivSettings), std::end(kIwprivSettings),
                     [&](const IwprivSetting& x) { return x.ifname == ifname && x.key == key; });
    if (s == std::end(kIwprivSettings)) {
        why = ifname == "ra0" || ifname == "apcli0" ? "unknown setting " + key + " for " + ifname : "no such interface";
        return false;
    }
    if (!follows(*s, value)) {
        why = s->refusal;
        return false;
    }
    switch (s->effect) {
        case Effect::Scan:
            air_.scanned = air_.aps;
            recorder_.recovery(now_);
            break;
        case Effect::Retune: {
            long channel = 0;
            driver_number(value, channel);
            retune(static_cast<int>(channel));
            break;
        }
        case Effect::Extcha: radio_.extcha = value == "1" ? 1 : 0; break;
        case Effect::Field: radio_.*(s->field) = value; break;
        case Effect::ClientSecurity: {
            std::string& field = radio_.*(s->field);
            if (field == value) break;
            const std::string text = "client security re-programmed: " + key + " " + field + " -> " + value;
            console_.sim_line(text);
            recorder_.security_reprogram(now_, text);
            field = value;
            // The client re-associates with its new security.
            if (linked_ >= 0) drop_link("client security changed");
            pending_ = -1;
            refresh();
            relink();
            break;
        }
    }
    return true;
}

}  // namespace rwsim
