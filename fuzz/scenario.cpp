// SPDX-License-Identifier: ISC
// The simulator's scenario parser on any text: it either returns a scenario
// that holds together or throws ScenarioError naming a line of the text;
// any other exception, a crash or undefined behaviour is a finding.
#include <algorithm>
#include <exception>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "sim/scenario/scenario.h"

using namespace rwsim;

namespace {

bool is_ap(int index, const Scenario& sc) {
    return index >= 0 && static_cast<std::size_t>(index) < sc.aps.size();
}

void check_scenario(const Scenario& sc) {
    FUZZ_CHECK(sc.end >= 1);
    FUZZ_CHECK(is_valid_channel(sc.start_channel));
    FUZZ_CHECK(sc.args.size() >= 2 && sc.args.size() <= 3);
    for (std::size_t i = 0; i < sc.aps.size(); ++i) {
        const AccessPoint& ap = sc.aps[i];
        FUZZ_CHECK(is_valid_channel(ap.channel));
        FUZZ_CHECK(ap.ssid.size() <= 32 && ap.bssid.size() == 17 && ap.security.size() <= 22);
        for (std::size_t j = 0; j < i; ++j) FUZZ_CHECK(sc.aps[j].name != ap.name);
    }
    long previous = 0;
    for (const Event& e : sc.events) {
        FUZZ_CHECK(e.at >= previous && e.at < sc.end);
        previous = e.at;
        bool needsAp = e.kind != EventKind::LinkDown && e.kind != EventKind::Store;
        FUZZ_CHECK(needsAp ? is_ap(e.ap, sc) : e.ap == -1);
        if (e.kind == EventKind::Move) FUZZ_CHECK(is_valid_channel(e.channel));
        if (e.kind == EventKind::LinkDown) FUZZ_CHECK(e.duration >= 1);
        if (e.kind == EventKind::Store) FUZZ_CHECK(!e.text.empty());
    }
    if (sc.random.enabled) {
        const RandomSpec& r = sc.random;
        FUZZ_CHECK(r.min_gap >= 1 && r.min_gap <= r.max_gap);
        FUZZ_CHECK(!r.aps.empty() && !r.channels.empty() && !r.kinds.empty());
        FUZZ_CHECK(std::all_of(r.aps.begin(), r.aps.end(), [&](int ap) { return is_ap(ap, sc); }));
        FUZZ_CHECK(std::all_of(r.channels.begin(), r.channels.end(), is_valid_channel));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz_text(data, size);
    const long lines = 1 + std::count(text.begin(), text.end(), '\n');
    try {
        check_scenario(parse_scenario(text, "fuzz.scn"));
    } catch (const ScenarioError& e) {
        FUZZ_CHECK(e.file() == "fuzz.scn");
        FUZZ_CHECK(e.line() >= 0 && e.line() <= lines);
        FUZZ_CHECK(!e.message().empty());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unexpected exception: %s\n", e.what());
        FUZZ_CHECK(!"only ScenarioError may leave the parser");
    }
    return 0;
}
