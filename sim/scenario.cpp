#include "sim/scenario.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>

#include "sim/survey_read.h"

namespace {

constexpr long kMaxSeconds = kMaxScenarioSeconds;

// A word of a scenario line, with quotes removed.
struct Word {
    std::string text;
    bool quoted = false;  // some of it stood in quotes
};

// Splits a line into words: blanks separate them, double quotes keep blanks
// (inside them \" and \\ stand for " and \), a word that begins with # starts
// a comment that runs to the line end.
std::vector<Word> split_words(std::string_view line, const std::string& file, int lineno) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size() || line[i] == '#') break;
        Word w;
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
                if (!closed) throw ScenarioError(file, lineno, "unterminated quote");
            } else {
                w.text += line[i++];
            }
        }
        words.push_back(std::move(w));
    }
    return words;
}

bool parse_number(std::string_view text, long& value) {
    if (text.empty() || text.size() > 12) return false;
    long long v = 0;  // 12 digits fit; a 32-bit long may not hold them
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > std::numeric_limits<long>::max()) return false;
    value = static_cast<long>(v);
    return true;
}

bool is_hex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

bool is_bssid(std::string_view text) {
    if (text.size() != 17) return false;
    for (std::size_t i = 0; i < 17; ++i) {
        if (i % 3 == 2 ? text[i] != ':' : !is_hex(text[i])) return false;
    }
    return true;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool has_control(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

std::vector<std::string> split_list(std::string_view text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        items.emplace_back(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return items;
}

// Parses one file; each method reads the words of one directive.
class Parser {
public:
    Parser(std::string_view text, const std::string& file) : text_(text) { sc_.file = file; }

    Scenario run();

private:
    [[noreturn]] void fail(const std::string& message) const {
        throw ScenarioError(sc_.file, line_, message);
    }

    const std::string& word(std::size_t i, const char* what) const {
        if (i >= words_.size()) fail(std::string("missing ") + what + " after '" + words_[i - 1].text + "'");
        return words_[i].text;
    }

    void no_more(std::size_t i) const {
        if (i < words_.size()) fail("unexpected '" + words_[i].text + "' after " + words_[0].text);
    }

    void once(const char* directive) {
        auto [it, fresh] = seen_.emplace(directive, line_);
        if (!fresh) fail(std::string(directive) + " given twice (first on line " + std::to_string(it->second) + ")");
    }

    long duration(const std::string& text, const char* what) const {
        long s = 0;
        if (!parse_duration(text, s)) fail(duration_error(what, text));
        return s;
    }

    int channel(const std::string& text) const {
        long ch = 0;
        if (!parse_number(text, ch) || ch > 1000 || !is_valid_channel(static_cast<int>(ch))) {
            fail("bad channel '" + text + "' (1-14, or a 5 GHz channel such as 36, 149)");
        }
        return static_cast<int>(ch);
    }

    std::string ext(const std::string& text) const {
        if (text != "ABOVE" && text != "BELOW" && text != "NONE") fail("bad extension '" + text + "' (ABOVE, BELOW or NONE)");
        return text;
    }

    std::string security(const std::string& text) const {
        if (text.empty() || text.size() > 22 || has_control(text) || text.find(' ') != std::string::npos) {
            fail("bad security '" + text + "' (the driver's column, at most 22 characters without blanks, e.g. WPA2PSK/AES)");
        }
        return text;
    }

    int signal(const std::string& text) const {
        long v = 0;
        if (!parse_number(text, v) || v > 100) fail("bad signal '" + text + "' (0 to 100)");
        return static_cast<int>(v);
    }

    std::string ssid(const std::string& text) const {
        if (text.size() > 32) fail("SSID '" + text + "' is longer than 32 bytes");
        if (has_control(text)) fail("SSID holds a control character");
        return text;
    }

    int ap_index(const std::string& name) const {
        for (std::size_t i = 0; i < sc_.aps.size(); ++i) {
            if (sc_.aps[i].name == name) return static_cast<int>(i);
        }
        // Captured access points are also known by their BSSID.
        for (std::size_t i = 0; i < sc_.aps.size(); ++i) {
            if (is_bssid(name) && lower(sc_.aps[i].bssid) == lower(name)) return static_cast<int>(i);
        }
        std::string known;
        for (std::size_t i = 0; i < sc_.aps.size() && i < 8; ++i) known += (i == 0 ? "" : ", ") + sc_.aps[i].name;
        if (sc_.aps.size() > 8) known += ", ... " + std::to_string(sc_.aps.size() - 8) + " more";
        fail("unknown access point '" + name + "'" + (known.empty() ? std::string(" (none declared yet)") : " (declared: " + known + ")"));
    }

    void store_pair(const std::string& text, std::string& key, std::string& value) const {
        std::size_t eq = text.find('=');
        if (eq == std::string::npos || eq == 0) fail("store needs KEY=VALUE, got '" + text + "'");
        key = text.substr(0, eq);
        value = text.substr(eq + 1);
        for (char c : key) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') fail("bad store key '" + key + "' (letters, digits and _ only)");
        }
        if (has_control(value)) fail("store value holds a control character");
    }

    void directive();
    void ap();
    void capture();
    void at();
    void random();
    void check_static_events();

    std::string_view text_;
    Scenario sc_;
    int line_ = 0;
    std::vector<Word> words_;
    std::map<std::string, int> seen_;
};

Scenario Parser::run() {
    sc_.store = default_store();
    std::size_t pos = 0;
    while (pos < text_.size()) {
        std::size_t nl = text_.find('\n', pos);
        std::string_view line = text_.substr(pos, nl == std::string_view::npos ? text_.npos : nl - pos);
        ++line_;
        if (std::size_t nul = line.find('\0'); nul != std::string_view::npos) {
            fail("NUL byte at column " + std::to_string(nul + 1) + ": a scenario is text");
        }
        words_ = split_words(line, sc_.file, line_);
        if (!words_.empty()) directive();
        if (nl == std::string_view::npos) break;
        pos = nl + 1;
    }
    int last_line = line_;
    if (sc_.end <= 0) {
        line_ = last_line;
        fail("no end time: add a line such as 'end 15m'");
    }
    for (const Event& e : sc_.events) {
        if (e.at >= sc_.end) {
            line_ = e.line;
            fail("event at " + std::to_string(e.at) + " s lies at or after the end (" + std::to_string(sc_.end) + " s)");
        }
    }
    std::stable_sort(sc_.events.begin(), sc_.events.end(), [](const Event& a, const Event& b) { return a.at < b.at; });
    check_static_events();
    if (sc_.args.empty()) sc_.args = {"10", "3"};
    if (sc_.name.empty()) {
        std::string base = sc_.file.substr(sc_.file.find_last_of('/') + 1);
        sc_.name = base.substr(0, base.rfind('.'));
    }
    return sc_;
}

void Parser::directive() {
    const std::string& d = words_[0].text;
    if (d == "name") {
        once("name");
        std::string name;
        for (std::size_t i = 1; i < words_.size(); ++i) name += (i > 1 ? " " : "") + words_[i].text;
        if (name.empty()) fail("name needs a text");
        sc_.name = name;
    } else if (d == "end") {
        once("end");
        sc_.end = duration(word(1, "end time"), "end time");
        no_more(2);
        if (sc_.end < 1) fail("the end time must be at least 1 s");
    } else if (d == "args") {
        once("args");
        if (words_.size() < 3 || words_.size() > 4) fail("args takes looptime, sleeptime and optionally debug");
        sc_.args.clear();
        for (std::size_t i = 1; i < words_.size(); ++i) sc_.args.push_back(words_[i].text);
    } else if (d == "connect-delay") {
        once("connect-delay");
        sc_.connect_delay = duration(word(1, "delay"), "connect delay");
        no_more(2);
    } else if (d == "radio") {
        once("radio");
        if (word(1, "'channel'") != "channel") fail("radio takes 'channel N'");
        sc_.start_channel = channel(word(2, "channel"));
        no_more(3);
    } else if (d == "store") {
        std::string key, value;
        store_pair(word(1, "KEY=VALUE"), key, value);
        no_more(2);
        sc_.store[key] = value;
    } else if (d == "ap") {
        ap();
    } else if (d == "capture") {
        capture();
    } else if (d == "at") {
        at();
    } else if (d == "random") {
        once("random");
        random();
    } else {
        fail("unknown directive '" + d + "' (name, end, args, connect-delay, radio, store, ap, capture, at, random)");
    }
}

void Parser::ap() {
    AccessPoint ap;
    ap.line = line_;
    ap.name = word(1, "access point name");
    for (const auto& other : sc_.aps) {
        if (other.name == ap.name) fail("access point '" + ap.name + "' declared twice (first on line " + std::to_string(other.line) + ")");
    }
    bool has_ssid = false, has_bssid = false, has_channel = false;
    for (std::size_t i = 2; i < words_.size();) {
        const std::string& key = words_[i].text;
        if (key == "off") {
            ap.present = false;
            ++i;
            continue;
        }
        if (key == "adhoc") {
            ap.adhoc = true;
            ++i;
            continue;
        }
        const std::string& value = word(i + 1, ("value of " + key).c_str());
        if (key == "ssid" || key == "hidden") {
            if (has_ssid) fail("ssid or hidden given twice");
            has_ssid = true;
            ap.hidden = key == "hidden";
            ap.ssid = ssid(value);
            if (!ap.hidden && ap.ssid.empty()) fail("a shown SSID cannot be empty; write 'hidden \"\"' for a hidden one");
        } else if (key == "bssid") {
            if (!is_bssid(value)) fail("bad BSSID '" + value + "' (six hex pairs with colons, e.g. 00:11:22:33:44:55)");
            for (const auto& other : sc_.aps) {
                if (lower(other.bssid) == lower(value)) fail("BSSID " + value + " already belongs to '" + other.name + "'");
            }
            has_bssid = true;
            ap.bssid = value;
        } else if (key == "channel") {
            has_channel = true;
            ap.channel = channel(value);
        } else if (key == "ext") {
            ap.ext = ext(value);
        } else if (key == "security") {
            ap.security = security(value);
        } else if (key == "signal") {
            ap.signal = signal(value);
        } else if (key == "mode") {
            if (value.empty() || value.size() > 7 || has_control(value)) fail("bad mode '" + value + "' (at most 7 characters)");
            ap.mode = value;
        } else {
            fail("unknown access point attribute '" + key + "' (ssid, hidden, bssid, channel, ext, security, signal, mode, adhoc, off)");
        }
        i += 2;
    }
    if (!has_ssid) fail("access point '" + ap.name + "' needs 'ssid TEXT' or 'hidden TEXT'");
    if (!has_bssid) fail("access point '" + ap.name + "' needs 'bssid XX:XX:XX:XX:XX:XX'");
    if (!has_channel) fail("access point '" + ap.name + "' needs 'channel N'");
    sc_.aps.push_back(std::move(ap));
}

// capture FILE [NAME=BSSID ...]: every row of a captured survey table that
// relaywatch's reader takes becomes an access point, named by its BSSID or
// by a name given here. A relative FILE is found beside the scenario.
void Parser::capture() {
    std::string path = word(1, "survey table file");
    std::size_t slash = sc_.file.find_last_of('/');
    if (!path.empty() && path[0] != '/' && slash != std::string::npos) path = sc_.file.substr(0, slash + 1) + path;
    std::vector<std::pair<std::string, std::string>> names;  // name, BSSID
    for (std::size_t i = 2; i < words_.size(); ++i) {
        const std::string& pair = words_[i].text;
        std::size_t eq = pair.find('=');
        if (eq == std::string::npos || eq == 0 || !is_bssid(pair.substr(eq + 1))) {
            fail("capture names access points as NAME=BSSID, got '" + pair + "'");
        }
        names.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
    }
    std::string table;
    try {
        table = read_bounded_file(path, kMaxScenarioBytes, "a survey table");
    } catch (const ScenarioError& e) {
        fail("capture " + path + ": " + e.message());
    }
    const std::size_t first = sc_.aps.size();
    for (const TableRead& r : read_survey_text(table)) {
        if (r.result != RowResult::Parsed) continue;
        const SurveyEntry& row = r.row;
        const std::string where = "capture " + path + " line " + std::to_string(r.line) + ": ";
        AccessPoint ap;
        ap.line = line_;
        ap.bssid = trimmed(row.bssid.view());
        if (!is_bssid(ap.bssid)) fail(where + "BSSID '" + ap.bssid + "' is not six hex pairs with colons");
        if (!is_valid_channel(row.channel)) fail(where + "channel " + std::to_string(row.channel) + " is not one the simulator tunes");
        ap.channel = row.channel;
        ap.hidden = row.ssidLen == 0;
        ap.ssid = std::string(row.ssid.view());
        if (ap.ssid.find('\0') != std::string::npos) fail(where + "the SSID holds a NUL byte");
        ap.ext = trimmed(row.extCh.view());
        if (ap.ext != "ABOVE" && ap.ext != "BELOW" && ap.ext != "NONE") fail(where + "extension channel '" + ap.ext + "' (ABOVE, BELOW or NONE)");
        ap.security = trimmed(row.security.view());
        if (ap.security.empty() || has_control(ap.security) || ap.security.find(' ') != std::string::npos) {
            fail(where + "security '" + ap.security + "' (the driver's column without blanks)");
        }
        ap.signal = std::clamp(row.signal, 0, 100);
        ap.mode = trimmed(row.wirelessMode.view());
        ap.name = ap.bssid;
        for (const auto& [name, bssid] : names) {
            if (lower(bssid) == lower(ap.bssid)) ap.name = name;
        }
        for (const auto& other : sc_.aps) {
            if (lower(other.bssid) == lower(ap.bssid)) fail(where + "BSSID " + ap.bssid + " already belongs to '" + other.name + "'");
            if (other.name == ap.name) fail(where + "access point '" + ap.name + "' declared twice (first on line " + std::to_string(other.line) + ")");
        }
        sc_.aps.push_back(std::move(ap));
    }
    for (const auto& [name, bssid] : names) {
        bool found = false;
        for (std::size_t i = first; i < sc_.aps.size(); ++i) found = found || sc_.aps[i].name == name;
        if (!found) fail("capture " + path + ": no row has BSSID " + bssid + " (for '" + name + "')");
    }
}

void Parser::at() {
    Event e;
    e.line = line_;
    e.at = duration(word(1, "time"), "time");
    const std::string& kind = word(2, "event");
    std::size_t next = 3;
    if (kind == "add" || kind == "remove" || kind == "hide" || kind == "show") {
        e.kind = kind == "add" ? EventKind::Add : kind == "remove" ? EventKind::Remove
               : kind == "hide" ? EventKind::Hide : EventKind::Show;
        e.ap = ap_index(word(3, "access point name"));
        next = 4;
    } else if (kind == "move") {
        e.kind = EventKind::Move;
        e.ap = ap_index(word(3, "access point name"));
        if (word(4, "'channel'") != "channel") fail("move takes 'NAME channel N [ext E]'");
        e.channel = channel(word(5, "channel"));
        next = 6;
        if (next < words_.size()) {
            if (words_[next].text != "ext") fail("move takes 'NAME channel N [ext E]'");
            e.ext = ext(word(next + 1, "extension"));
            next += 2;
        }
    } else if (kind == "security") {
        e.kind = EventKind::Security;
        e.ap = ap_index(word(3, "access point name"));
        e.text = security(word(4, "security"));
        next = 5;
    } else if (kind == "signal") {
        e.kind = EventKind::Signal;
        e.ap = ap_index(word(3, "access point name"));
        e.number = signal(word(4, "signal"));
        next = 5;
    } else if (kind == "linkdown") {
        e.kind = EventKind::LinkDown;
        e.duration = duration(word(3, "duration"), "duration");
        if (e.duration < 1) fail("linkdown needs a duration of at least 1 s");
        next = 4;
    } else if (kind == "store") {
        e.kind = EventKind::Store;
        store_pair(word(3, "KEY=VALUE"), e.text, e.value);
        next = 4;
    } else {
        fail("unknown event '" + kind + "' (add, remove, move, hide, show, security, signal, linkdown, store)");
    }
    no_more(next);
    sc_.events.push_back(std::move(e));
}

void Parser::random() {
    RandomSpec& r = sc_.random;
    r.enabled = true;
    r.line = line_;
    bool has_seed = false, has_every = false;
    for (std::size_t i = 1; i < words_.size(); i += 2) {
        const std::string& key = words_[i].text;
        const std::string& value = word(i + 1, ("value of " + key).c_str());
        if (key == "seed") {
            long s = 0;
            if (!parse_number(value, s)) fail("bad seed '" + value + "' (a whole number of at most 12 digits)");
            r.seed = static_cast<std::uint64_t>(s);
            has_seed = true;
        } else if (key == "every") {
            std::size_t dots = value.find("..");
            if (dots == std::string::npos) fail("every takes MIN..MAX, e.g. 1h..8h");
            r.min_gap = duration(value.substr(0, dots), "gap");
            r.max_gap = duration(value.substr(dots + 2), "gap");
            if (r.min_gap < 1 || r.max_gap < r.min_gap) fail("every needs 1 s <= MIN <= MAX");
            has_every = true;
        } else if (key == "on") {
            for (const std::string& name : split_list(value)) r.aps.push_back(ap_index(name));
        } else if (key == "channels") {
            for (const std::string& ch : split_list(value)) r.channels.push_back(channel(ch));
        } else if (key == "do") {
            for (const std::string& k : split_list(value)) {
                if (k == "move") r.kinds.push_back(RandomKind::Move);
                else if (k == "hide") r.kinds.push_back(RandomKind::Hide);
                else if (k == "linkdown") r.kinds.push_back(RandomKind::LinkDown);
                else if (k == "outage") r.kinds.push_back(RandomKind::Outage);
                else fail("unknown random event '" + k + "' (move, hide, linkdown, outage)");
            }
        } else {
            fail("unknown random attribute '" + key + "' (seed, every, on, channels, do)");
        }
    }
    if (!has_seed) fail("random needs 'seed N'");
    if (!has_every) fail("random needs 'every MIN..MAX'");
    if (r.aps.empty()) {
        if (sc_.aps.empty()) fail("random needs access points: declare them first");
        for (std::size_t i = 0; i < sc_.aps.size(); ++i) r.aps.push_back(static_cast<int>(i));
    }
    if (r.channels.empty()) r.channels = {1, 6, 11};
    if (r.kinds.empty()) r.kinds = {RandomKind::Move, RandomKind::Hide, RandomKind::LinkDown, RandomKind::Outage};
}

// The timed events, taken in order, must make sense for the access points
// they name: no add of one on the air, no change to one off it.
void Parser::check_static_events() {
    std::vector<AccessPoint> air = sc_.aps;
    for (const Event& e : sc_.events) {
        if (e.ap < 0) continue;
        AccessPoint& ap = air[static_cast<std::size_t>(e.ap)];
        line_ = e.line;
        if (std::string fault = air_event_fault(ap, e); !fault.empty()) fail(fault);
        apply_air_event(ap, e);
    }
}

}  // namespace

namespace {

// The length of the valid UTF-8 sequence at text[i], or 0.
std::size_t utf8_length(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    if (c == 0xE0 && byte(i + 1) < 0xA0) return 0;  // overlong
    if (c == 0xED && byte(i + 1) >= 0xA0) return 0;  // surrogate
    if (c == 0xF0 && byte(i + 1) < 0x90) return 0;   // overlong
    if (c == 0xF4 && byte(i + 1) >= 0x90) return 0;  // beyond U+10FFFF
    return n;
}

// "FILE:LINE: MESSAGE", or "FILE: MESSAGE" for the file as a whole.
std::string located(const std::string& file, int line, const std::string& message) {
    std::string text = shown_text(file);
    if (line > 0) {
        text += ':';
        text += std::to_string(line);
    }
    text += ": ";
    text += shown_text(message);
    return text;
}

enum class DurationRead { Ok, Malformed, TooLong };

DurationRead read_duration(std::string_view text, long& seconds) {
    if (text.empty()) return DurationRead::Malformed;
    long total = 0;  // saturates just past the limit
    std::size_t i = 0;
    bool plain = true;
    while (i < text.size()) {
        long n = 0;
        std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            n = std::min(n * 10 + (text[i] - '0'), kMaxSeconds + 1);
            ++i;
        }
        if (i == start) return DurationRead::Malformed;
        long unit = 1;
        if (i < text.size()) {
            switch (text[i]) {
                case 's': unit = 1; break;
                case 'm': unit = 60; break;
                case 'h': unit = 3600; break;
                case 'd': unit = 86400; break;
                default: return DurationRead::Malformed;
            }
            ++i;
        } else if (!plain) {
            return DurationRead::Malformed;  // "1h30" without a unit on the last part
        }
        plain = false;
        total = std::min(total + std::min(n, kMaxSeconds + 1) * unit, kMaxSeconds + 1);
    }
    if (total > kMaxSeconds) return DurationRead::TooLong;
    seconds = total;
    return DurationRead::Ok;
}

}  // namespace

std::string shown_text(std::string_view text) {
    constexpr std::size_t kLongestWord = 60;   // characters of one word shown
    constexpr std::size_t kLongestText = 400;  // characters of a whole message
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    std::size_t word = 0;  // characters of the word being shown
    bool cut = false;      // the rest of this word is left out
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (shown >= kLongestText) {
            out += "\xE2\x80\xA6";  // …
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t n = c >= 0x80 ? utf8_length(text, i) : 1;
        std::string piece;
        if (c == ' ') {
            piece = " ";
        } else if (c >= 0x21 && c < 0x7f) {
            piece = std::string(1, static_cast<char>(c));
        } else if (n > 1) {
            piece = std::string(text.substr(i, n));
        } else {
            n = 1;
            piece = c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        }
        i += n;
        if (c == ' ') {
            word = 0;
            cut = false;
        } else if (cut) {
            continue;
        } else if (++word > kLongestWord) {
            out += "\xE2\x80\xA6";
            cut = true;
            continue;
        }
        out += piece;
        ++shown;
    }
    return out;
}

std::string duration_error(std::string_view what, std::string_view text) {
    long ignored = 0;
    if (read_duration(text, ignored) == DurationRead::TooLong) {
        return std::string(what) + " '" + std::string(text) + "' is longer than ten years (" +
               std::to_string(kMaxScenarioSeconds / 86400) + "d), the longest the simulator runs";
    }
    return "bad " + std::string(what) + " '" + std::string(text) +
           "' (seconds, or a number with s, m, h or d, e.g. 90, 15m, 1h30m)";
}

std::string read_bounded_file(const std::string& path, std::size_t limit, const char* what) {
    auto refuse = [&](const std::string& why) { throw ScenarioError(path, 0, why); };
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) refuse(std::string("cannot read the file: ") + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) refuse(std::string("is a directory, not ") + what);
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) refuse(std::string("is a device, not ") + what);
    if (S_ISFIFO(st.st_mode)) refuse(std::string("is a FIFO (named pipe), not ") + what);
    if (!S_ISREG(st.st_mode)) refuse(std::string("is not a regular file, not ") + what);
    const std::string size = limit % (1024 * 1024) == 0 ? std::to_string(limit / (1024 * 1024)) + " MiB"
                                                        : std::to_string(limit / 1024) + " KiB";
    const std::string too_big = "is larger than " + size + " (" + std::to_string(limit) +
                                " bytes), the most the simulator reads as " + what;
    if (static_cast<unsigned long long>(st.st_size) > limit) refuse(too_big);
    std::ifstream in(path, std::ios::binary);
    if (!in) refuse(std::string("cannot read the file: ") + std::strerror(errno));
    std::string content(limit + 1, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<std::size_t>(in.gcount()));
    if (content.size() > limit) refuse(too_big);  // it grew since
    return content;
}

ScenarioError::ScenarioError(std::string file, int line, std::string message)
    : std::runtime_error(located(file, line, message)),
      file_(std::move(file)),
      line_(line),
      message_(shown_text(message)) {}

const std::map<std::string, std::string>& default_store() {
    static const std::map<std::string, std::string> store = {
        {"OperationMode", "3"},   {"ApCliEnable", "1"},     {"ApCliSsid", "upstream"},
        {"ApCliBssid", ""},       {"ApCliAuthMode", "WPA2PSK"}, {"ApCliEncrypType", "AES"},
        {"AuthMode", "WPA2PSK"},  {"EncrypType", "AES"},    {"HT_EXTCHA", "1"},
        {"HT_BW", "1"},           {"SSID1", "repeater"},    {"WPAPSK1", "correct horse battery"},
        {"DefaultKeyID", "1"},    {"Key1Str1", ""},
    };
    return store;
}

bool parse_duration(std::string_view text, long& seconds) {
    return read_duration(text, seconds) == DurationRead::Ok;
}

Scenario parse_scenario(std::string_view text, const std::string& file) {
    return Parser(text, file).run();
}

Scenario load_scenario(const std::string& path) {
    return parse_scenario(read_bounded_file(path, kMaxScenarioBytes, "a scenario file"), path);
}
