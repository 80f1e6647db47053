// SPDX-License-Identifier: ISC
#include "sim/scenario/scenario.h"

#include <algorithm>

#include "sim/capture/survey_layout.h"
#include "sim/capture/survey_read.h"
#include "sim/common/text.h"
#include "sim/scenario/default_store.h"
#include "sim/scenario/scenario_words.h"

namespace rwsim {

namespace {

// Parses one file; each method reads the words of one directive.
class Parser {
public:
    Parser(std::string_view text, const std::string& file) : text_(text) { sc_.file = file; }

    Scenario run();

private:
    [[noreturn]] void fail(const std::string& message) const { throw ScenarioError(sc_.file, line_, message); }

    WordsAt here() const { return {sc_.file, line_}; }

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
        fail("unknown access point '" + name + "'" +
             (known.empty() ? std::string(" (none declared yet)") : " (declared: " + known + ")"));
    }

    void directive();
    // The attributes an access point must be given.
    struct ApGiven {
        bool ssid = false, bssid = false, channel = false;
    };
    void ap_line();
    void ap_attribute(AccessPoint& ap, const std::string& key, const std::string& value, ApGiven& given);
    void capture();
    void at();
    void random();
    void check_static_events();

    std::string_view text_;
    Scenario sc_;
    int line_ = 0;
    std::vector<ScenarioWord> words_;
    std::map<std::string, int> seen_;
};

Scenario Parser::run() {
    sc_.store = default_store();
    std::size_t pos = 0;
    while (pos < text_.size()) {
        std::size_t nl = text_.find('\n', pos);
        std::string_view line = text_.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        ++line_;
        if (std::size_t nul = line.find('\0'); nul != std::string_view::npos) {
            fail("NUL byte at column " + std::to_string(nul + 1) + ": a scenario is text");
        }
        words_ = split_words(line, here());
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
            fail("event at " + std::to_string(e.at) + " s lies at or after the end (" + std::to_string(sc_.end) +
                 " s)");
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
        sc_.end = duration_word(here(), word(1, "end time"), "end time");
        no_more(2);
        if (sc_.end < 1) fail("the end time must be at least 1 s");
    } else if (d == "args") {
        once("args");
        if (words_.size() < 3 || words_.size() > 4) fail("args takes looptime, sleeptime and optionally debug");
        sc_.args.clear();
        for (std::size_t i = 1; i < words_.size(); ++i) sc_.args.push_back(words_[i].text);
    } else if (d == "connect-delay") {
        once("connect-delay");
        sc_.connect_delay = duration_word(here(), word(1, "delay"), "connect delay");
        no_more(2);
    } else if (d == "radio") {
        once("radio");
        if (word(1, "'channel'") != "channel") fail("radio takes 'channel N'");
        sc_.start_channel = channel_word(here(), word(2, "channel"));
        no_more(3);
    } else if (d == "store") {
        std::string key, value;
        store_pair(here(), word(1, "KEY=VALUE"), key, value);
        no_more(2);
        sc_.store[key] = value;
    } else if (d == "ap") {
        ap_line();
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

void Parser::ap_line() {
    AccessPoint ap;
    ap.line = line_;
    ap.name = word(1, "access point name");
    for (const auto& other : sc_.aps) {
        if (other.name == ap.name)
            fail("access point '" + ap.name + "' declared twice (first on line " + std::to_string(other.line) + ")");
    }
    ApGiven given;
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
        ap_attribute(ap, key, word(i + 1, ("value of " + key).c_str()), given);
        i += 2;
    }
    if (!given.ssid) fail("access point '" + ap.name + "' needs 'ssid TEXT' or 'hidden TEXT'");
    if (!given.bssid) fail("access point '" + ap.name + "' needs 'bssid XX:XX:XX:XX:XX:XX'");
    if (!given.channel) fail("access point '" + ap.name + "' needs 'channel N'");
    sc_.aps.push_back(std::move(ap));
}

// One attribute of an access point that takes a value.
void Parser::ap_attribute(AccessPoint& ap, const std::string& key, const std::string& value, ApGiven& given) {
    if (key == "ssid" || key == "hidden") {
        if (given.ssid) fail("ssid or hidden given twice");
        given.ssid = true;
        ap.hidden = key == "hidden";
        ap.ssid = ssid_word(here(), value);
        if (!ap.hidden && ap.ssid.empty()) fail("a shown SSID cannot be empty; write 'hidden \"\"' for a hidden one");
    } else if (key == "bssid") {
        if (!is_bssid(value)) fail("bad BSSID '" + value + "' (six hex pairs with colons, e.g. 00:11:22:33:44:55)");
        for (const auto& other : sc_.aps) {
            if (lower(other.bssid) == lower(value)) fail("BSSID " + value + " already belongs to '" + other.name + "'");
        }
        given.bssid = true;
        ap.bssid = value;
    } else if (key == "channel") {
        given.channel = true;
        ap.channel = channel_word(here(), value);
    } else if (key == "ext") {
        ap.ext = ext_word(here(), value);
    } else if (key == "security") {
        ap.security = security_word(here(), value);
    } else if (key == "signal") {
        ap.signal = signal_word(here(), value);
    } else if (key == "mode") {
        if (value.empty() || value.size() > 7 || has_control(value))
            fail("bad mode '" + value + "' (at most 7 characters)");
        ap.mode = value;
    } else {
        fail("unknown access point attribute '" + key +
             "' (ssid, hidden, bssid, channel, ext, security, signal, mode, adhoc, off)");
    }
}

// capture FILE [NAME=BSSID[/SSID] ...]: every row of a captured survey
// table that relaywatch's reader takes becomes an access point, named by
// its BSSID or by a name given here; a row that hides its SSID may be given
// its real SSID, which the client finds it by. A relative FILE is found
// beside the scenario.
void Parser::capture() {
    std::string path = word(1, "survey table file");
    std::size_t slash = sc_.file.find_last_of('/');
    if (!path.empty() && path[0] != '/' && slash != std::string::npos) path = sc_.file.substr(0, slash + 1) + path;
    struct Named {
        std::string name, bssid;
        bool with_ssid;
        std::string ssid;
    };
    std::vector<Named> names;
    for (std::size_t i = 2; i < words_.size(); ++i) {
        const std::string& pair = words_[i].text;
        std::size_t eq = pair.find('=');
        const bool with_ssid = eq != std::string::npos && pair.size() > eq + 18 && pair[eq + 18] == '/';
        if (eq == std::string::npos || eq == 0 || !is_bssid(pair.substr(eq + 1, 17)) ||
            (pair.size() != eq + 18 && !with_ssid)) {
            fail("capture names access points as NAME=BSSID, or NAME=BSSID/SSID for a row that hides its SSID, got '" +
                 pair + "'");
        }
        const std::string ssid = with_ssid ? ssid_word(here(), pair.substr(eq + 19)) : "";
        if (with_ssid && ssid.empty()) fail("capture: an empty real SSID in '" + pair + "'");
        names.push_back({pair.substr(0, eq), pair.substr(eq + 1, 17), with_ssid, ssid});
    }
    const FileText table = read_bounded_file(path, kMaxScenarioBytes, "a survey table");
    if (!table.error.empty()) fail("capture " + path + ": " + shown_text(table.error));
    if (table.text.empty()) fail("capture " + path + ": " + kEmptyCapture);
    const std::vector<TableRead> reads = read_survey_text(table.text);
    const LayoutFinding layout = check_layout(reads);
    if (!layout.lines.empty()) fail("capture: " + one_line(layout));
    const std::size_t first = sc_.aps.size();
    for (const TableRead& r : reads) {
        if (r.result != RowResult::Parsed) continue;
        const SurveyEntry& row = r.row;
        const std::string where = "capture " + path + " line " + std::to_string(r.line) + ": ";
        AccessPoint ap = captured_ap(here(), where, row);
        ap.name = ap.bssid;
        for (const Named& n : names) {
            if (lower(n.bssid) != lower(ap.bssid)) continue;
            ap.name = n.name;
            if (n.with_ssid && !ap.hidden)
                fail(where + "'" + n.name + "' shows its SSID; only a row that hides it takes a real SSID");
            if (n.with_ssid) ap.ssid = n.ssid;
        }
        for (const auto& other : sc_.aps) {
            if (lower(other.bssid) == lower(ap.bssid))
                fail(where + "BSSID " + ap.bssid + " already belongs to '" + other.name + "'");
            if (other.name == ap.name)
                fail(where + "access point '" + ap.name + "' declared twice (first on line " +
                     std::to_string(other.line) + ")");
        }
        sc_.aps.push_back(std::move(ap));
    }
    for (const Named& n : names) {
        bool found = false;
        for (std::size_t i = first; i < sc_.aps.size(); ++i) found = found || sc_.aps[i].name == n.name;
        if (!found) fail("capture " + path + ": no row has BSSID " + n.bssid + " (for '" + n.name + "')");
    }
}

void Parser::at() {
    Event e;
    e.line = line_;
    e.at = duration_word(here(), word(1, "time"), "time");
    const std::string& kind = word(2, "event");
    std::size_t next = 3;
    if (kind == "add" || kind == "remove" || kind == "hide" || kind == "show") {
        e.kind = kind == "add"      ? EventKind::Add
                 : kind == "remove" ? EventKind::Remove
                 : kind == "hide"   ? EventKind::Hide
                                    : EventKind::Show;
        e.ap = ap_index(word(3, "access point name"));
        next = 4;
    } else if (kind == "move") {
        e.kind = EventKind::Move;
        e.ap = ap_index(word(3, "access point name"));
        if (word(4, "'channel'") != "channel") fail("move takes 'NAME channel N [ext E]'");
        e.channel = channel_word(here(), word(5, "channel"));
        next = 6;
        if (next < words_.size()) {
            if (words_[next].text != "ext") fail("move takes 'NAME channel N [ext E]'");
            e.ext = ext_word(here(), word(next + 1, "extension"));
            next += 2;
        }
    } else if (kind == "security") {
        e.kind = EventKind::Security;
        e.ap = ap_index(word(3, "access point name"));
        e.text = security_word(here(), word(4, "security"));
        next = 5;
    } else if (kind == "signal") {
        e.kind = EventKind::Signal;
        e.ap = ap_index(word(3, "access point name"));
        e.number = signal_word(here(), word(4, "signal"));
        next = 5;
    } else if (kind == "linkdown") {
        e.kind = EventKind::LinkDown;
        e.duration = duration_word(here(), word(3, "duration"), "duration");
        if (e.duration < 1) fail("linkdown needs a duration of at least 1 s");
        next = 4;
    } else if (kind == "store") {
        e.kind = EventKind::Store;
        store_pair(here(), word(3, "KEY=VALUE"), e.text, e.value);
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
            if (!parse_whole(value, 12, s)) fail("bad seed '" + value + "' (a whole number of at most 12 digits)");
            r.seed = static_cast<std::uint64_t>(s);
            has_seed = true;
        } else if (key == "every") {
            std::size_t dots = value.find("..");
            if (dots == std::string::npos) fail("every takes MIN..MAX, e.g. 1h..8h");
            r.min_gap = duration_word(here(), value.substr(0, dots), "gap");
            r.max_gap = duration_word(here(), value.substr(dots + 2), "gap");
            if (r.min_gap < 1 || r.max_gap < r.min_gap) fail("every needs 1 s <= MIN <= MAX");
            has_every = true;
        } else if (key == "on") {
            for (const std::string& name : split_list(value)) r.aps.push_back(ap_index(name));
        } else if (key == "channels") {
            for (const std::string& ch : split_list(value)) r.channels.push_back(channel_word(here(), ch));
        } else if (key == "do") {
            for (const std::string& k : split_list(value)) {
                if (k == "move")
                    r.kinds.push_back(RandomKind::Move);
                else if (k == "hide")
                    r.kinds.push_back(RandomKind::Hide);
                else if (k == "linkdown")
                    r.kinds.push_back(RandomKind::LinkDown);
                else if (k == "outage")
                    r.kinds.push_back(RandomKind::Outage);
                else
                    fail("unknown random event '" + k + "' (move, hide, linkdown, outage)");
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

ScenarioError::ScenarioError(std::string file, int line, const std::string& message)
    : std::runtime_error(located(file, line, message)),
      file_(std::move(file)),
      line_(line),
      message_(shown_text(message)) {}

Scenario parse_scenario(std::string_view text, const std::string& file) {
    return Parser(text, file).run();
}

Scenario load_scenario(const std::string& path) {
    const FileText file = read_bounded_file(path, kMaxScenarioBytes, "a scenario file");
    if (!file.error.empty()) throw ScenarioError(path, 0, file.error);
    return parse_scenario(file.text, path);
}

}  // namespace rwsim
