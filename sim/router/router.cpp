// SPDX-License-Identifier: ISC
#include "sim/router/router.h"

#include <algorithm>

#include "sim/common/text.h"

namespace rwsim {

namespace {

// The store keys that set up the client: a change to one is an upstream
// change.
constexpr std::string_view kClientKeys[] = {"ApCliSsid", "ApCliBssid", "ApCliAuthMode", "ApCliEncrypType"};

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

Router::Router(const Scenario& scenario, long end, Console& console, Recorder& recorder, const RouterTaps& taps)
    : sc_(scenario), end_(end), console_(console), recorder_(recorder), taps_(taps), rng_(scenario.random.seed) {
    store_.assign(sc_.store.begin(), sc_.store.end());
    air_.aps = sc_.aps;
    pending_add_.assign(air_.aps.size(), -1);
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

// Setting the channel restarts ra0 and with it the client's association,
// also when the channel stays the same.
void Router::retune(int channel) {
    recorder_.reprogram(now_);
    if (channel != radio_.channel) {
        console_.sim_line("ra0 re-tuned: channel " + std::to_string(radio_.channel) + " -> " + std::to_string(channel));
    }
    radio_.channel = channel;
    if (linked_ >= 0) drop_link("ra0 re-tuned");
    pending_ = -1;
    relink();
}

bool Router::connect_status(const char* ifname, int& status) const {
    if (std::string_view(ifname) != "apcli0") return false;
    status = linked_ >= 0 ? 1 : 0;
    return true;
}

// --- the clock and the events --------------------------------------------------

void Router::sleep(unsigned seconds) {
    check_remembered_bssid();
    for (unsigned i = 0; i < seconds; ++i) {
        if (now_ >= end_) {
            now_ += static_cast<long>(seconds - i);  // past the end nothing is recorded
            return;
        }
        recorder_.second(now_, linked_ >= 0, radio_.ra0_up, radio_.channel, upstream_channel_);
        ++now_;
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
    if (next_static_ < sc_.events.size() && sc_.events[next_static_].at <= now_) {
        e = sc_.events[next_static_++];
        return true;
    }
    for (std::size_t i = 0; i < pending_add_.size(); ++i) {
        if (pending_add_[i] >= 0 && pending_add_[i] <= now_) {
            e = Event{};
            e.at = pending_add_[i];
            e.kind = EventKind::Add;
            e.ap = static_cast<int>(i);
            e.random = true;
            pending_add_[i] = -1;
            return true;
        }
    }
    while (next_random_at_ >= 0 && next_random_at_ <= now_) {
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
    const AccessPoint& target = air_.aps[static_cast<std::size_t>(ap)];
    made = false;
    switch (kind) {
        case RandomKind::Move: {
            int channel =
                plan.channels[static_cast<std::size_t>(rng_.between(0, static_cast<long>(plan.channels.size()) - 1))];
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
    AccessPoint* ap = e.ap >= 0 ? &air_.aps[static_cast<std::size_t>(e.ap)] : nullptr;
    bool upstream = ap != nullptr && configured_for(*ap);
    AirChange change;
    if (e.kind == EventKind::LinkDown) {
        upstream = true;
        forced_until_ = std::max(forced_until_, now_ + e.duration);
        change.text = "uplink forced down for " + format_duration(e.duration);
    } else if (e.kind == EventKind::Store) {
        set_store(e.text, e.value);
        // The client follows its stored settings, as the router's settings
        // page would set them.
        if (e.text == "ApCliAuthMode") radio_.cli_auth = e.value;
        if (e.text == "ApCliEncrypType") radio_.cli_enc = e.value;
        upstream = std::find(std::begin(kClientKeys), std::end(kClientKeys), e.text) != std::end(kClientKeys);
        change.text = "store " + e.text + "=" + e.value;
    } else {
        change = apply_air_event(*ap, e);
    }
    std::string text = std::move(change.text);  // the console's line
    if (e.random) text = "random: " + text;
    if (!change.effective) text += " (no change: it is so already)";
    console_.sim_line(text);
    recorder_.event(now_, event_class(e.kind), text);
    refresh();
    if (ap != nullptr && !upstream) upstream = configured_for(*ap);
    const ChangeKind kind = e.kind == EventKind::LinkDown || e.kind == EventKind::Remove ? ChangeKind::LinkDrop
                            : e.kind == EventKind::Move                                  ? ChangeKind::ChannelMove
                                                                                         : ChangeKind::Other;
    if (upstream && change.effective && change.disturbs) recorder_.change(now_, text, kind);
}

void Router::set_store(const std::string& key, const std::string& value) {
    auto it = std::lower_bound(store_.begin(), store_.end(), key,
                               [](const auto& entry, const std::string& k) { return entry.first < k; });
    if (it != store_.end() && it->first == key) {
        it->second = value;
    } else {
        store_.insert(it, {key, value});
    }
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
    configured_.assign(air_.aps.size(), 0);
    accepted_.assign(air_.aps.size(), 0);
    upstream_channel_ = 0;
    for (std::size_t i = 0; i < air_.aps.size(); ++i) {
        configured_[i] = configured_for(air_.aps[i]) ? 1 : 0;
        accepted_[i] = security_accepts(air_.aps[i].security, radio_.cli_auth, radio_.cli_enc) ? 1 : 0;
        if (upstream_channel_ == 0 && configured_[i] && air_.aps[i].present) upstream_channel_ = air_.aps[i].channel;
    }
}

bool Router::acceptable(int i) const {
    const AccessPoint& ap = air_.aps[static_cast<std::size_t>(i)];
    return now_ >= forced_until_ && ap.present && configured_[static_cast<std::size_t>(i)] &&
           ap.channel == radio_.channel && accepted_[static_cast<std::size_t>(i)];
}

std::string Router::drop_reason(int i) const {
    const AccessPoint& ap = air_.aps[static_cast<std::size_t>(i)];
    if (now_ < forced_until_) return "forced down";
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
    for (int i = 0; i < static_cast<int>(air_.aps.size()); ++i) {
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
        connect_at_ = now_ + sc_.connect_delay;
    }
    if (now_ >= connect_at_) {
        linked_ = candidate;
        last_joined_ = candidate;
        pending_ = -1;
        const AccessPoint& ap = air_.aps[static_cast<std::size_t>(candidate)];
        console_.sim_line("link up: " + ap.name + " (" + ap.bssid + ") on channel " + std::to_string(ap.channel));
        check_remembered_bssid();
    }
}

void Router::check_remembered_bssid() {
    const std::string text = check_remembered(remembered_, air_.aps, linked_);
    if (text.empty()) return;
    console_.sim_line(text);
    recorder_.mismatch(now_, text);
}

}  // namespace rwsim
