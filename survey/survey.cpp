// SPDX-License-Identifier: ISC
// The site survey: has the driver survey the air, reads its table row by
// row, collects the access points that hide their SSID and stops at the
// upstream access point.
#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/io.h"
#include "platform/platform.h"
#include "survey/survey.h"

namespace {

constexpr std::size_t kLineBytes = 256;  // one read: at most 255 characters

// A candidate's bytes up to the end of its last member (no padding), and
// a hidden entry's up to the end of its candidate's; a survey row holds
// the same members at the same places.
constexpr std::size_t kCandidateBytes = offsetof(Candidate, extCh) + sizeof(Candidate::extCh);
constexpr std::size_t kHiddenBytes = offsetof(HiddenAp, cand) + kCandidateBytes;
static_assert(offsetof(SurveyEntry, bssid) == offsetof(HiddenAp, bssid) &&
              offsetof(SurveyEntry, channel) == offsetof(HiddenAp, cand) + offsetof(Candidate, channel) &&
              offsetof(SurveyEntry, authMode) == offsetof(HiddenAp, cand) + offsetof(Candidate, auth) &&
              offsetof(SurveyEntry, encrypType) == offsetof(HiddenAp, cand) + offsetof(Candidate, enc) &&
              offsetof(SurveyEntry, extCh) == offsetof(HiddenAp, cand) + offsetof(Candidate, extCh) &&
              offsetof(SurveyEntry, ssidLen) >= kHiddenBytes);

// Appends a hidden row (its BSSID and settings) to the list. An entry that
// cannot be allocated is left out; the survey goes on.
void collect(HiddenList& hidden, const SurveyEntry& row) {
    void* memory = plat::alloc_zeroed(1, sizeof(HiddenAp));
    if (memory == nullptr) return;
    // Zero-filled memory: `next` is already null. The row's first members
    // are the entry's, in one copy.
    auto* entry = static_cast<HiddenAp*>(memory);
    std::memcpy(entry, &row, kHiddenBytes);
    if (hidden.tail == nullptr) {
        hidden.head = entry;
    } else {
        hidden.tail->next = entry;
    }
    hidden.tail = entry;
    ++hidden.size;
}

int read_table(CommandOutput& table, const Upstream& up, BssidText& remembered, Candidate& out, HiddenList& hidden) {
    skip_heading(table);
    char line[kLineBytes];
    SurveyEntry row;
    for (;;) {
        std::size_t n = read_line(table, line, sizeof line);
        if (n == 0) return 0;
        if (parse_survey_row(std::string_view(line, n), row) != RowResult::Parsed) continue;
        if (row.ssidLen == 0) collect(hidden, row);
        Selection selection = select_upstream(row, up, remembered);
        if (selection == Selection::None) continue;

        if (selection == Selection::BySsid) remembered = row.bssid;
        std::memcpy(&out, &row.channel, kCandidateBytes);  // the row's settings, in one copy
        return row.channel;
    }
}

}  // namespace

HiddenList::~HiddenList() {
    while (head != nullptr) {
        HiddenAp* next = head->next;
        plat::release(head);
        head = next;
    }
}

Upstream make_upstream(const char* cfgSsid, std::string_view cfgBssid) {
    // Not zeroed first: every member is set below (the BSSID's whole buffer
    // by assign()).
    Upstream up;
    up.ssid = cfgSsid;
    up.bssid.assign(cfgBssid);
    // Up to its terminator, which the buffer always holds: zeros after it.
    for (char* c = up.bssid.data(); *c != '\0'; ++c) {
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
    }
    up.bssidTooLong = cfgBssid.size() > BssidText::capacity;
    // cppcheck-suppress uninitvar ; it does not see assign() write the BSSID
    return up;
}

Upstream make_upstream(const char* cfgSsid, const char* cfgBssid) {
    return make_upstream(cfgSsid != nullptr ? cfgSsid : "",
                         cfgBssid != nullptr ? std::string_view(cfgBssid) : std::string_view());
}

// By name: the configured SSID, with the configured BSSID if there is one.
// By BSSID: a hidden SSID with the configured or the remembered BSSID; an
// empty BSSID identifies nothing and selects nothing.
Selection select_upstream(const SurveyEntry& row, const Upstream& up, const BssidText& remembered) {
    const bool named = is_same_text(row.ssid.c_str(), up.ssid);
    if (up.bssid.empty()) {
        if (named) return Selection::BySsid;
    } else if (!up.bssidTooLong && row.bssid == up.bssid) {
        if (named) return Selection::BySsidAndBssid;
        return row.ssid.empty() ? Selection::ByConfiguredBssid : Selection::None;
    }
    if (!row.ssid.empty() || row.bssid.empty()) return Selection::None;
    return row.bssid == remembered ? Selection::ByRememberedBssid : Selection::None;
}

int scanChannel(const char* cfgSsid, std::string_view cfgBssid, BssidText& remembered, Candidate& out,
                HiddenList& hidden) {
    const Upstream up = make_upstream(cfgSsid, cfgBssid);
    for (int attempt = 0; attempt < kSurveyAttempts; ++attempt) {
        plat::run(kSurveyTrigger);
        plat::sleep_seconds(kSurveyPauseSeconds);
        CommandOutput table(kSurveyTable);
        if (table.is_open()) return read_table(table, up, remembered, out, hidden);
    }
    return 0;
}
