// scanChannel over any survey output, through the fuzz platform: the first
// byte picks how many starts of the survey command fail, after how many
// allocations memory runs out and whether a second survey follows the
// first; then come three lines (configured SSID, configured BSSID,
// remembered BSSID) and the survey output. Checked: the stream is always
// closed, the candidate buffers hold survey vocabulary or are untouched, the
// hidden-AP list is well formed and freeTable gives all of it back.
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_platform.h"
#include "survey/survey.h"
#include "survey/vocabulary.h"

namespace {

constexpr int kMaxAttempts = 6;
constexpr unsigned kPausePerAttempt = 4;

bool is_auth(const AuthText& text) {
    for (std::string_view word : {vocab::kAuthOpen, vocab::kAuthWpaPsk, vocab::kAuthWpa2Psk,
                                  vocab::kAuthMixed, vocab::kAuthNotSupport}) {
        if (text == word) return true;
    }
    return false;
}

bool is_enc(const AuthText& text) {
    for (std::string_view word : {vocab::kEncNone, vocab::kEncWep, vocab::kEncTkipAes,
                                  vocab::kEncTkip, vocab::kEncAes, vocab::kEncEmpty}) {
        if (text == word) return true;
    }
    return false;
}

// The configured texts as the store hands them over: C texts, so up to the
// first NUL.
std::string c_text(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

// The hidden-AP list: TableSize entries, each a hidden access point, with
// the cursor on one of them; returns the number of entries.
int check_list() {
    int entries = 0;
    bool cursorSeen = currentTable == nullptr;
    for (SurveyEntry* e = headerTable; e != nullptr; e = e->next) {
        FUZZ_CHECK(entries < TableSize);  // also stops a cycle
        ++entries;
        cursorSeen = cursorSeen || e == currentTable;
        FUZZ_CHECK(e->ssidLen == 0 && e->ssid.empty());
        FUZZ_CHECK(e->channel > 0);
        FUZZ_CHECK(is_auth(e->authMode) && is_enc(e->encrypType));
        FUZZ_CHECK(e->extCh.size() <= 5 && e->bssid.size() <= 17);
    }
    FUZZ_CHECK(entries == TableSize);
    FUZZ_CHECK(cursorSeen);
    return entries;
}

void survey_once(const std::string& ssid, const std::string& bssid, bool streamNeverOpens) {
    const std::string_view kUntouched = "untouched";
    AuthText candAuth;
    AuthText candEnc;
    ExtChText candExtCh;
    candAuth.assign(kUntouched);
    candEnc.assign(kUntouched);
    candExtCh.assign("~~~~~");
    const int entriesBefore = TableSize;
    const int triggersBefore = fuzz_platform.survey_triggers;
    const int opensBefore = fuzz_platform.opens_tried;
    const unsigned sleptBefore = fuzz_platform.seconds_slept;

    int channel = scanChannel(ssid.c_str(), bssid.c_str(), candAuth, candEnc, candExtCh);

    FUZZ_CHECK(fuzz_platform.outputs_open == 0);
    FUZZ_CHECK(fuzz_platform.store_texts_live == 0);
    FUZZ_CHECK(fuzz_platform.other_runs == 0);
    int triggers = fuzz_platform.survey_triggers - triggersBefore;
    FUZZ_CHECK(triggers >= 1 && triggers <= kMaxAttempts);
    FUZZ_CHECK(fuzz_platform.opens_tried - opensBefore == triggers);
    FUZZ_CHECK(fuzz_platform.seconds_slept - sleptBefore == kPausePerAttempt * static_cast<unsigned>(triggers));

    if (channel == 0) {
        FUZZ_CHECK(candAuth == kUntouched && candEnc == kUntouched && candExtCh == "~~~~~");
    } else {
        FUZZ_CHECK(channel > 0);
        FUZZ_CHECK(is_auth(candAuth) && is_enc(candEnc));
    }
    if (streamNeverOpens) {
        FUZZ_CHECK(triggers == kMaxAttempts && channel == 0);
        FUZZ_CHECK(TableSize == entriesBefore);
    }
    FUZZ_CHECK(std::memchr(manual_get_BSSID.buf, '\0', sizeof manual_get_BSSID.buf) != nullptr);
    check_list();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    std::string_view rest = fuzz_text(data + 1, size - 1);
    const std::string ssid = c_text(take_line(rest));
    const std::string bssid = c_text(take_line(rest));
    const std::string remembered = c_text(take_line(rest));

    fuzz_platform.reset();
    fuzz_platform.survey = rest;
    fuzz_platform.failing_opens = control & 0x7;
    const int allocBudget = (control >> 3) & 0xf;
    fuzz_platform.allocs_until_failure = allocBudget == 0 ? -1 : allocBudget - 1;
    const bool twice = (control & 0x80) != 0;
    manual_get_BSSID.assign(remembered.empty() ? std::string_view("0") : remembered);
    freeTable();

    survey_once(ssid, bssid, fuzz_platform.failing_opens >= kMaxAttempts);
    if (twice) survey_once(ssid, bssid, false);

    freeTable();
    FUZZ_CHECK(headerTable == nullptr && currentTable == nullptr && TableSize == 0);
    FUZZ_CHECK(fuzz_platform.live_allocations == 0);
    return 0;
}
