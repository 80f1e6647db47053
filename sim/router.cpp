#include "sim/router.h"

#include <algorithm>
#include <cctype>

#include "sim/shell.h"
#include "sim/survey_table.h"

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool all_digits(std::string_view text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool all_hex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool one_of(std::string_view text, std::initializer_list<std::string_view> words) {
    return std::find(words.begin(), words.end(), text) != words.end();
}

// The client authentication modes each kind of access point accepts, by the
// start of its security column; the cipher must be named in the column too,
// except for NONE and WEP, whose cipher is the kind itself.
struct SecurityRule {
    std::string_view prefix;
    std::string_view auths[3];      // empty entries stand for none
    std::string_view fixed_cipher;  // empty: a cipher named in the column
};

constexpr std::string_view kTkip = "TKIP";
constexpr std::string_view kAes = "AES";

constexpr SecurityRule kSecurityRules[] = {
    {"NONE", {"OPEN"}, "NONE"},
    {"WEP", {"OPEN", "SHARED", "WEPAUTO"}, "WEP"},
    {"WPAPSK/", {"WPAPSK"}, ""},
    {"WPA2PSK/", {"WPA2PSK"}, ""},
    {"WPA1PSKWPA2PSK/", {"WPAPSK", "WPA2PSK"}, ""},
};

EventClass event_class(EventKind kind) {
    switch (kind) {
        case EventKind::Add:
        case EventKind::Remove: return EventClass::Presence;
        case EventKind::Move: return EventClass::Channel;
        case EventKind::Hide:
        case EventKind::Show: return EventClass::Visibility;
        case EventKind::Security: return EventClass::Security;
        case EventKind::Signal: return EventClass::Signal;
        case EventKind::LinkDown: return EventClass::Link;
        case EventKind::Store: break;
    }
    return EventClass::Store;
}

}  // namespace

bool security_accepts(std::string_view security, std::string_view auth, std::string_view enc) {
    for (const SecurityRule& rule : kSecurityRules) {
        if (!security.starts_with(rule.prefix)) continue;
        if (auth.empty() || std::find(std::begin(rule.auths), std::end(rule.auths), auth) == std::end(rule.auths)) {
            return false;
        }
        if (!rule.fixed_cipher.empty()) return enc == rule.fixed_cipher;
        return (enc == kTkip || enc == kAes) && security.find(enc) != std::string_view::npos;
    }
    return false;
}

Random::Random(std::uint64_t seed) {
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    state_ = z ^ (z >> 31);
    if (state_ == 0) state_ = 0x2545F4914F6CDD1DULL;
}

std::uint64_t Random::next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1DULL;
}

long Random::between(long lo, long hi) {
    if (hi <= lo) return lo;
    auto span = static_cast<std::uint64_t>(hi - lo) + 1;
    return lo + static_cast<long>(next() % span);
}

Router::Router(const Scenario& scenario, long end, Console& console, Recorder& recorder)
    : sc_(scenario), end_(end), console_(console), recorder_(recorder), rng_(scenario.random.seed) {
    store_.assign(sc_.store.begin(), sc_.store.end());
    air_ = sc_.aps;
    pending_add_.assign(air_.size(), -1);
    radio_.channel = sc_.start_channel;
    radio_.extcha = store_value("HT_EXTCHA") == "0" ? 0 : 1;
    radio_.htbw = store_value("HT_BW");
    radio_.ssid = store_value("SSID1");
    radio_.key_id = store_value("DefaultKeyID");
    radio_.key1 = store_value("Key1Str1");
    radio_.wpapsk = store_value("WPAPSK1");
    radio_.cli_auth = store_value("ApCliAuthMode");
    radio_.cli_enc = store_value("ApCliEncrypType");
    if (sc_.random.enabled) next_random_at_ = rng_.between(sc_.random.min_gap, sc_.random.max_gap);
    refresh();
}

void Router::start() {
    apply_due_events();
    relink();
}

std::string Router::store_value(const char* key) const {
    auto it = std::lower_bound(store_.begin(), store_.end(), std::string_view(key),
                               [](const auto& entry, std::string_view k) { return entry.first < k; });
    return it != store_.end() && it->first == key ? it->second : std::string();
}

// --- the shell and the tools --------------------------------------------------

void Router::run(const char* command) {
    std::string line(command);
    if (now < end_ && command_log != nullptr) command_log->emplace_back(now, line);
    if (transcript != nullptr) transcript->push_back("$ " + line);
    execute(line, false);
}

void Router::read(const char* command, std::string& output) {
    std::string line(command);
    if (now < end_ && command_log != nullptr) command_log->emplace_back(now, line);
    if (transcript != nullptr) transcript->push_back("$ " + line);
    output = execute(line, true);
}

void Router::refuse(const std::string& line, const std::string& why) {
    ++counts_.refused;
    console_.sim_line("driver refused '" + line + "': " + why);
    if (transcript != nullptr) transcript->push_back("== driver refused '" + line + "': " + why);
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
    auto fail = [&](const std::string& why) {
        refuse(line, why);
        ok = false;
        return std::string();
    };
    if (name == "ifconfig") {
        ++counts_.ifconfig;
        if (argv.size() != 3 || argv[1] != "ra0" || (argv[2] != "up" && argv[2] != "down")) {
            return fail("ifconfig takes 'ra0 up' or 'ra0 down' here");
        }
        radio_.ra0_up = argv[2] == "up";
        return std::string();
    }
    if (name == "iwpriv") {
        if (argv.size() == 3 && argv[1] == "ra0" && argv[2] == "get_site_survey") {
            ++counts_.survey_reads;
            if (survey_text != nullptr) return *survey_text;
            std::string table;
            print_survey_table(scanned_, table);
            return table;
        }
        ++counts_.iwpriv_set;
        if (argv.size() != 4 || argv[2] != "set") {
            return fail(argv.size() > 4 ? "iwpriv set takes one KEY=VALUE word (unescaped blank?)"
                                        : "iwpriv takes 'IF set KEY=VALUE' or 'ra0 get_site_survey'");
        }
        std::string why;
        if (!iwpriv_set(argv[1], argv[3], why)) return fail(why);
        return std::string();
    }
    if (name == "iwgetid") {
        ++counts_.channel_queries;
        if (argv.size() != 3 || argv[1] != "-c" || argv[2] != "ra0") return fail("iwgetid takes '-c ra0' here");
        if (!radio_.ra0_up) return std::string();  // a down interface reports nothing
        return "ra0       Channel:" + std::to_string(radio_.channel) + "\n";
    }
    if (name == "sed") {
        // sed -n 's/PATTERN/REPLACEMENT/p' with a plain-text pattern: prints
        // the lines in which the pattern was replaced.
        const std::string* script = argv.size() == 3 && argv[1] == "-n" ? &argv[2] : nullptr;
        if (script == nullptr || script->size() < 4 || (*script)[0] != 's') return fail("sed takes -n 's/A/B/p' here");
        char delim = (*script)[1];
        std::size_t mid = script->find(delim, 2);
        std::size_t last = mid == std::string::npos ? mid : script->find(delim, mid + 1);
        if (last == std::string::npos || script->substr(last + 1) != "p") return fail("sed takes -n 's/A/B/p' here");
        std::string pattern = script->substr(2, mid - 2);
        std::string replacement = script->substr(mid + 1, last - mid - 1);
        if (pattern.empty() || pattern.find_first_of(".[]*^$\\+?(){}|") != std::string::npos ||
            replacement.find_first_of("\\&") != std::string::npos) {
            return fail("sed patterns are plain text here");
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
    ++counts_.other;
    return fail("no such tool on the simulated router");
}

bool Router::iwpriv_set(const std::string& ifname, const std::string& setting, std::string& why) {
    std::size_t eq = setting.find('=');
    if (eq == std::string::npos) {
        why = "set needs KEY=VALUE";
        return false;
    }
    const std::string key = setting.substr(0, eq);
    const std::string value = setting.substr(eq + 1);
    if (ifname == "ra0") {
        if (key == "SiteSurvey") {
            scanned_ = air_;
            recorder_.recovery(now);
            return true;
        }
        if (key == "Channel") {
            if (!all_digits(value) || !is_valid_channel(std::stoi(value))) {
                why = "no such channel";
                return false;
            }
            retune(std::stoi(value));
            return true;
        }
        if (key == "HtExtcha") {
            if (value != "0" && value != "1") {
                why = "HtExtcha takes 0 or 1";
                return false;
            }
            radio_.extcha = value == "1" ? 1 : 0;
            return true;
        }
        if (key == "HtBw") {
            if (!all_digits(value)) {
                why = "HtBw takes a number";
                return false;
            }
            radio_.htbw = value;
            return true;
        }
        if (key == "DefaultKeyID") {
            if (!one_of(value, {"1", "2", "3", "4"})) {
                why = "DefaultKeyID takes 1 to 4";
                return false;
            }
            radio_.key_id = value;
            return true;
        }
        if (key == "Key1") {
            bool ok = value.size() == 5 || value.size() == 13 ||
                      ((value.size() == 10 || value.size() == 26) && all_hex(value));
            if (!ok) {
                why = "a WEP key has 5 or 13 characters, or 10 or 26 hex digits";
                return false;
            }
            radio_.key1 = value;
            return true;
        }
        if (key == "WPAPSK") {
            bool ok = (value.size() >= 8 && value.size() <= 63) || (value.size() == 64 && all_hex(value));
            if (!ok) {
                why = "a passphrase has 8 to 63 characters, or 64 hex digits";
                return false;
            }
            radio_.wpapsk = value;
            return true;
        }
        if (key == "SSID") {
            if (value.size() > 32) {
                why = "an SSID has at most 32 bytes";
                return false;
            }
            radio_.ssid = value;
            return true;
        }
    } else if (ifname == "apcli0") {
        if (key == "ApCliAuthMode" || key == "ApCliEncrypType") {
            bool auth = key == "ApCliAuthMode";
            if (auth ? !one_of(value, {"OPEN", "SHARED", "WEPAUTO", "WPAPSK", "WPA2PSK"})
                     : !one_of(value, {"NONE", "WEP", "TKIP", "AES"})) {
                why = "unknown " + key + " value";
                return false;
            }
            std::string& field = auth ? radio_.cli_auth : radio_.cli_enc;
            if (field != value) {
                const std::string text = "client security re-programmed: " + key + " " + field + " -> " + value;
                console_.sim_line(text);
                recorder_.security_reprogram(now, text);
                field = value;
                // The client re-associates with its new security.
                if (linked_ >= 0) drop_link("client security changed");
                pending_ = -1;
                refresh();
                relink();
            }
            return true;
        }
    } else {
        why = "no such interface";
        return false;
    }
    why = "unknown setting " + key + " for " + ifname;
    return false;
}

// Setting the channel restarts ra0 and with it the client's association,
// also when the channel stays the same.
void Router::retune(int channel) {
    recorder_.reprogram(now);
    if (channel != radio_.channel) {
        console_.sim_line("ra0 re-tuned: channel " + std::to_string(radio_.channel) + " -> " + std::to_string(channel));
    }
    radio_.channel = channel;
    if (linked_ >= 0) drop_link("ra0 re-tuned");
    pending_ = -1;
    relink();
}

bool Router::connect_status(const char* ifname, int& status) {
    if (std::string_view(ifname) != "apcli0") return false;
    status = linked_ >= 0 ? 1 : 0;
    return true;
}

// --- the clock and the events --------------------------------------------------

void Router::sleep(unsigned seconds) {
    for (unsigned i = 0; i < seconds; ++i) {
        if (now >= end_) {
            now += static_cast<long>(seconds - i);  // past the end nothing is recorded
            return;
        }
        recorder_.second(now, linked_ >= 0, radio_.ra0_up, radio_.channel, upstream_channel_);
        ++now;
        apply_due_events();
        relink();
    }
}

void Router::apply_due_events() {
    Event e;
    while (next_event(e)) apply(e);
}

// The next event due by now, from the scenario's list, the outages that
// random events started, and the random generator, in that order.
bool Router::next_event(Event& e) {
    if (next_static_ < sc_.events.size() && sc_.events[next_static_].at <= now) {
        e = sc_.events[next_static_++];
        return true;
    }
    for (std::size_t i = 0; i < pending_add_.size(); ++i) {
        if (pending_add_[i] >= 0 && pending_add_[i] <= now) {
            e = Event{};
            e.at = pending_add_[i];
            e.kind = EventKind::Add;
            e.ap = static_cast<int>(i);
            e.random = true;
            pending_add_[i] = -1;
            return true;
        }
    }
    while (next_random_at_ >= 0 && next_random_at_ <= now) {
        long at = next_random_at_;
        next_random_at_ = at + rng_.between(sc_.random.min_gap, sc_.random.max_gap);
        bool made = false;
        e = make_random_event(at, made);
        if (made) return true;
    }
    return false;
}

Event Router::make_random_event(long at, bool& made) {
    const RandomSpec& plan = sc_.random;
    Event e;
    e.at = at;
    e.random = true;
    RandomKind kind = plan.kinds[static_cast<std::size_t>(rng_.between(0, static_cast<long>(plan.kinds.size()) - 1))];
    int ap = plan.aps[static_cast<std::size_t>(rng_.between(0, static_cast<long>(plan.aps.size()) - 1))];
    const AccessPoint& target = air_[static_cast<std::size_t>(ap)];
    made = false;
    switch (kind) {
        case RandomKind::Move: {
            int channel = plan.channels[static_cast<std::size_t>(rng_.between(0, static_cast<long>(plan.channels.size()) - 1))];
            if (!target.present || channel == target.channel) return e;
            e.kind = EventKind::Move;
            e.ap = ap;
            e.channel = channel;
            e.ext = natural_ext(channel);
            break;
        }
        case RandomKind::Hide:
            if (!target.present || (target.hidden && target.ssid.empty())) return e;
            e.kind = target.hidden ? EventKind::Show : EventKind::Hide;
            e.ap = ap;
            break;
        case RandomKind::LinkDown:
            e.kind = EventKind::LinkDown;
            e.duration = rng_.between(5, 600);
            break;
        case RandomKind::Outage:
            if (!target.present || pending_add_[static_cast<std::size_t>(ap)] >= 0) return e;
            e.kind = EventKind::Remove;
            e.ap = ap;
            pending_add_[static_cast<std::size_t>(ap)] = at + rng_.between(60, 7200);
            break;
    }
    made = true;
    return e;
}

void Router::apply(const Event& e) {
    AccessPoint* ap = e.ap >= 0 ? &air_[static_cast<std::size_t>(e.ap)] : nullptr;
    bool upstream = ap != nullptr && configured_for(*ap);
    bool may_change = true;  // a signal change disturbs nothing
    std::string text;   // the console's line
    bool effective = true;
    switch (e.kind) {
        case EventKind::Add:
            effective = !ap->present;
            ap->present = true;
            text = ap->name + " comes on the air on channel " + std::to_string(ap->channel) +
                   (ap->hidden ? " (SSID hidden)" : "");
            break;
        case EventKind::Remove:
            effective = ap->present;
            ap->present = false;
            text = ap->name + " leaves the air";
            break;
        case EventKind::Move:
            ap->channel = e.channel;
            if (!e.ext.empty()) ap->ext = e.ext;
            text = ap->name + " moves to channel " + std::to_string(ap->channel) + " (ext " + ap->ext + ")";
            break;
        case EventKind::Hide:
            effective = !ap->hidden;
            ap->hidden = true;
            text = ap->name + " hides its SSID";
            break;
        case EventKind::Show:
            effective = ap->hidden;
            ap->hidden = false;
            text = ap->name + " shows its SSID \"" + ap->ssid + "\" again";
            break;
        case EventKind::Security:
            ap->security = e.text;
            text = ap->name + "'s security becomes " + e.text;
            break;
        case EventKind::Signal:
            ap->signal = e.number;
            may_change = false;
            text = ap->name + "'s signal becomes " + std::to_string(e.number) + "%";
            break;
        case EventKind::LinkDown:
            upstream = true;
            forced_until_ = std::max(forced_until_, now + e.duration);
            text = "uplink forced down for " + format_duration(e.duration);
            break;
        case EventKind::Store: {
            auto it = std::lower_bound(store_.begin(), store_.end(), e.text,
                                       [](const auto& entry, const std::string& k) { return entry.first < k; });
            if (it != store_.end() && it->first == e.text) {
                it->second = e.value;
            } else {
                store_.insert(it, {e.text, e.value});
            }
            // The client follows its stored settings, as the router's
            // settings page would set them.
            if (e.text == "ApCliAuthMode") radio_.cli_auth = e.value;
            if (e.text == "ApCliEncrypType") radio_.cli_enc = e.value;
            upstream = one_of(e.text, {"ApCliSsid", "ApCliBssid", "ApCliAuthMode", "ApCliEncrypType"});
            text = "store " + e.text + "=" + e.value;
            break;
        }
    }
    if (e.random) text = "random: " + text;
    if (!effective) text += " (no change: it is so already)";
    console_.sim_line(text);
    recorder_.event(now, event_class(e.kind), text);
    refresh();
    if (ap != nullptr && !upstream) upstream = configured_for(*ap);
    if (upstream && effective && may_change) recorder_.change(now, text);
}

// --- the link ---------------------------------------------------------------

// The client looks for the stored ApCliSsid (a hidden access point answers
// a probe for its real SSID) and, when ApCliBssid is stored, for that BSSID
// only; an access point that hides its SSID is also found by that BSSID.
bool Router::configured_for(const AccessPoint& ap) const {
    if (ap.adhoc) return false;
    const std::string bssid = store_value("ApCliBssid");
    bool bssid_match = !bssid.empty() && lower(bssid) == lower(ap.bssid);
    if (!bssid.empty() && !bssid_match) return false;
    if (ap.ssid == store_value("ApCliSsid")) return true;
    return ap.hidden && bssid_match;
}

void Router::refresh() {
    configured_.assign(air_.size(), 0);
    accepted_.assign(air_.size(), 0);
    upstream_channel_ = 0;
    for (std::size_t i = 0; i < air_.size(); ++i) {
        configured_[i] = configured_for(air_[i]) ? 1 : 0;
        accepted_[i] = security_accepts(air_[i].security, radio_.cli_auth, radio_.cli_enc) ? 1 : 0;
        if (upstream_channel_ == 0 && configured_[i] && air_[i].present) upstream_channel_ = air_[i].channel;
    }
}

bool Router::acceptable(int i) const {
    const AccessPoint& ap = air_[static_cast<std::size_t>(i)];
    return now >= forced_until_ && ap.present && configured_[static_cast<std::size_t>(i)] &&
           ap.channel == radio_.channel && accepted_[static_cast<std::size_t>(i)];
}

std::string Router::drop_reason(int i) const {
    const AccessPoint& ap = air_[static_cast<std::size_t>(i)];
    if (now < forced_until_) return "forced down";
    if (!ap.present) return ap.name + " left the air";
    if (!configured_[static_cast<std::size_t>(i)]) return "the client is no longer set up for " + ap.name;
    if (ap.channel != radio_.channel) {
        return ap.name + " is on channel " + std::to_string(ap.channel) + ", ra0 on " + std::to_string(radio_.channel);
    }
    return ap.name + " (" + ap.security + ") refuses the client's " + radio_.cli_auth + "/" + radio_.cli_enc;
}

void Router::drop_link(const std::string& why) {
    linked_ = -1;
    console_.sim_line("link down: " + why);
}

void Router::relink() {
    if (linked_ >= 0) {
        if (acceptable(linked_)) return;
        drop_link(drop_reason(linked_));
    }
    int candidate = -1;
    for (int i = 0; i < static_cast<int>(air_.size()); ++i) {
        if (acceptable(i)) {
            candidate = i;
            break;
        }
    }
    if (candidate < 0) {
        pending_ = -1;
        return;
    }
    if (pending_ != candidate) {
        pending_ = candidate;
        connect_at_ = now + sc_.connect_delay;
    }
    if (now >= connect_at_) {
        linked_ = candidate;
        pending_ = -1;
        const AccessPoint& ap = air_[static_cast<std::size_t>(candidate)];
        console_.sim_line("link up: " + ap.name + " (" + ap.bssid + ") on channel " + std::to_string(ap.channel));
    }
}
