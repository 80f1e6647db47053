// SPDX-License-Identifier: ISC
// The survey table's row parser on any line of bytes: it never reads or
// writes out of bounds, every text it leaves is terminated within its
// buffer, and a row it accepts holds what the table's columns say.
#include <cstring>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "survey/survey.h"
#include "survey/vocabulary.h"

namespace {

template <std::size_t N>
bool terminated(const FixedText<N>& text) {
    return std::memchr(text.buf, '\0', N) != nullptr;
}

// The security normalisation yields survey vocabulary, and no cipher for a
// security text it does not support.
bool is_vocabulary(const SurveyEntry& row) {
    bool auth = false, enc = false;
    for (std::string_view word : {vocab::kAuthOpen, vocab::kAuthWpaPsk, vocab::kAuthWpa2Psk, vocab::kAuthMixed}) {
        auth = auth || row.authMode == word;
    }
    for (std::string_view word :
         {vocab::kEncNone, vocab::kEncWep, vocab::kEncTkipAes, vocab::kEncTkip, vocab::kEncAes, vocab::kEncEmpty}) {
        enc = enc || row.encrypType == word;
    }
    return row.authMode == vocab::kAuthNotSupport ? row.encrypType.empty() : auth && enc;
}

// The characters of a column, up to the first NUL (a C text ends there).
std::string_view column(std::string_view text, std::size_t first, std::size_t width) {
    std::string_view field = field_at(text, first, width);
    return field.substr(0, field.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view line = fuzz_text(data, size);
    SurveyEntry row;
    std::memset(&row, 0x5a, sizeof row);  // whatever was there before
    RowResult result = parse_survey_row(line, row);

    FUZZ_CHECK(terminated(row.ssid) && terminated(row.bssid) && terminated(row.security));
    FUZZ_CHECK(terminated(row.authMode) && terminated(row.encrypType));
    FUZZ_CHECK(terminated(row.wirelessMode) && terminated(row.extCh));
    FUZZ_CHECK(terminated(row.networkType) && terminated(row.extra));
    if (line.size() < 2) FUZZ_CHECK(result == RowResult::TooShort);
    if (result != RowResult::Parsed) return 0;

    // The fields of an accepted row, from their columns of the row's text
    // before its line end.
    std::string_view text = line;
    if (text.back() == '\n') text.remove_suffix(1);
    FUZZ_CHECK(row.channel > 0);
    FUZZ_CHECK(row.channel == parse_int(field_at(text, 0, 3)));
    FUZZ_CHECK(row.ssidLen >= 0 && row.ssidLen <= 32);
    FUZZ_CHECK(row.ssidLen == parse_int(field_at(text, 4, 2)));
    FUZZ_CHECK(row.ssid == column(text, 7, static_cast<std::size_t>(row.ssidLen)));
    FUZZ_CHECK(row.bssid == column(text, 40, 17));
    FUZZ_CHECK(row.security == column(text, 60, 22));
    FUZZ_CHECK(row.extCh == column(text, 100, 5));
    FUZZ_CHECK(!row.networkType.starts_with("Ad"));

    FUZZ_CHECK(is_vocabulary(row));
    return 0;
}
