// SPDX-License-Identifier: ISC
// scanChannel over any survey output, through the recording fake platform:
// the first byte picks how many starts of the survey command fail, after how
// many allocations memory runs out and whether a second survey follows the
// first; then come three lines (configured SSID, configured BSSID,
// remembered BSSID) and the survey output. Checked: the stream is always
// closed, the candidate holds survey vocabulary or is untouched, the
// hidden-AP list is well formed and its owner gives all of it back.
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "survey/survey.h"
#include "survey/vocabulary.h"
#include "testing/fake_platform.h"

namespace {

constexpr int kMaxAttempts = 6;
constexpr unsigned kPausePerAttempt = 4;

bool is_auth(const AuthText& text) {
    for (std::string_view word :
         {vocab::kAuthOpen, vocab::kAuthWpaPsk, vocab::kAuthWpa2Psk, vocab::kAuthMixed, vocab::kAuthNotSupport}) {
        if (text == word) return true;
    }
    return false;
}

bool is_enc(const AuthText& text) {
    for (std::string_view word :
         {vocab::kEncNone, vocab::kEncWep, vocab::kEncTkipAes, vocab::kEncTkip, vocab::kEncAes, vocab::kEncEmpty}) {
        if (text == word) return true;
    }
    return false;
}

// The configured texts as the store hands them over: C texts, so up to the
// first NUL.
std::string c_text(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

constexpr const char* kTrigger = "iwpriv ra0 set SiteSurvey=1";
constexpr const char* kRead = "iwpriv ra0 get_site_survey";

// The hidden-AP list: `size` entries in a chain that ends at `tail`, each a
// hidden access point.
void check_list(const HiddenList& hidden) {
    int entries = 0;
    const HiddenAp* last = nullptr;
    for (const HiddenAp* e = hidden.head; e != nullptr; e = e->next) {
        FUZZ_CHECK(entries < hidden.size);  // also stops a cycle
        ++entries;
        last = e;
        FUZZ_CHECK(e->cand.channel > 0);
        FUZZ_CHECK(is_auth(e->cand.auth) && is_enc(e->cand.enc));
        FUZZ_CHECK(e->cand.extCh.size() <= 5 && e->bssid.size() <= 17);
    }
    FUZZ_CHECK(entries == hidden.size);
    FUZZ_CHECK(last == hidden.tail);
}

void survey_once(const std::string& ssid, const std::string& bssid, BssidText& remembered, bool streamNeverOpens) {
    Candidate cand{-1, {}, {}, {}};
    cand.auth.assign("untouched");
    cand.enc.assign("untouched");
    cand.extCh.assign("~~~~~");
    HiddenList hidden;
    fake.events.clear();
    const unsigned sleptBefore = fake.seconds_slept;

    int channel = scanChannel(ssid.c_str(), bssid.c_str(), remembered, cand, hidden);

    FUZZ_CHECK(fake.outputs_open == 0);
    FUZZ_CHECK(fake.store_texts_live == 0);
    const auto triggers = static_cast<int>(fake.runs().size());
    FUZZ_CHECK(triggers >= 1 && triggers <= kMaxAttempts);
    FUZZ_CHECK(fake.runs() == std::vector<std::string>(static_cast<std::size_t>(triggers), kTrigger));
    FUZZ_CHECK(fake.events_of("read ") == std::vector<std::string>(static_cast<std::size_t>(triggers), kRead));
    FUZZ_CHECK(fake.seconds_slept - sleptBefore == kPausePerAttempt * static_cast<unsigned>(triggers));

    if (channel == 0) {
        FUZZ_CHECK(cand.channel == -1 && cand.auth == "untouched" && cand.enc == "untouched" && cand.extCh == "~~~~~");
    } else {
        FUZZ_CHECK(channel > 0 && cand.channel == channel);
        FUZZ_CHECK(is_auth(cand.auth) && is_enc(cand.enc));
    }
    if (streamNeverOpens) FUZZ_CHECK(triggers == kMaxAttempts && channel == 0 && hidden.head == nullptr);
    FUZZ_CHECK(std::memchr(remembered.buf, '\0', sizeof remembered.buf) != nullptr);
    check_list(hidden);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    std::string_view rest = fuzz_text(data + 1, size - 1);
    const std::string ssid = c_text(take_line(rest));
    const std::string bssid = c_text(take_line(rest));
    const std::string remembered = c_text(take_line(rest));

    fake.reset();
    const int failingOpens = control & 0x7;
    auto& starts = fake.outputs[kRead];
    starts.assign(static_cast<std::size_t>(failingOpens), std::nullopt);
    starts.push_back(std::string(rest));
    fake.default_outputs[kRead] = std::string(rest);
    const int allocBudget = (control >> 3) & 0xf;
    fake.allocs_until_failure = allocBudget == 0 ? -1 : allocBudget - 1;
    const bool twice = (control & 0x80) != 0;
    BssidText rememberedBssid;
    rememberedBssid.assign(remembered.empty() ? std::string_view("0") : remembered);

    survey_once(ssid, bssid, rememberedBssid, failingOpens >= kMaxAttempts);
    if (twice) survey_once(ssid, bssid, rememberedBssid, false);

    FUZZ_CHECK(fake.live_allocations == 0);
    return 0;
}
