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

// Appends a hidden row (its settings and BSSID) to the list. An entry that
// cannot be allocated is left out; the survey goes on.
void collect(HiddenList& hidden, const Candidate& cand, const BssidText& bssid) {
    void* memory = plat::alloc_zeroed(1, sizeof(HiddenAp));
    if (memory == nullptr) return;
    // Zero-filled memory: `next` is already null.
    auto* entry = static_cast<HiddenAp*>(memory);
    entry->cand = cand;
    entry->bssid = bssid;
    if (hidden.tail == nullptr) {
        hidden.head = entry;
    } else {
        hidden.tail->next = entry;
    }
    hidden.tail = entry;
    ++hidden.size;
}

// A candidate's bytes up to the end of its last member (no padding), and
// where a survey row holds the same members.
constexpr std::size_t kCandidateBytes = offsetof(Candidate, extCh) + sizeof(Candidate::extCh);
static_assert(offsetof(SurveyEntry, authMode) == offsetof(Candidate, auth) &&
              offsetof(SurveyEntry, encrypType) == offsetof(Candidate, enc) &&
              offsetof(SurveyEntry, extCh) == offsetof(Candidate, extCh) &&
              offsetof(SurveyEntry, ssid) >= kCandidateBytes);

int read_table(CommandOutput& table, const Upstream& up, BssidText& remembered, Candidate& out, HiddenList& hidden) {
    skip_heading(table);
    char line[kLineBytes];
    SurveyEntry row;
    for (;;) {
        std::size_t n = read_line(table, line, sizeof line);
        if (n == 0) return 0;
        if (parse_survey_row(std::string_view(line, n), row) != RowResult::Parsed) continue;
        // The row's settings, copied once for the hidden list and the result:
        // the row begins with a candidate's members in their order, so they
        // are copied as one block instead of member by member.
        Candidate cand;
        std::memcpy(&cand, &row, kCandidateBytes);
        if (row.ssidLen == 0) collect(hidden, cand, row.bssid);
        Selection selection = select_upstream(row, up, remembered);
        if (selection == Selection::None) continue;

        if (selection == Selection::BySsid) remembered = row.bssid;
        out = cand;
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

Upstream make_upstream(const char* cfgSsid, const char* cfgBssid) {
    Upstream up{};
    up.ssid = cfgSsid != nullptr ? cfgSsid : "";
    std::string_view given = cfgBssid != nullptr ? std::string_view(cfgBssid) : std::string_view();
    up.bssid.assign(given);
    for (char& c : up.bssid.buf) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    up.bssidTooLong = given.size() > BssidText::capacity;
    return up;
}

// By name: the configured SSID, with the configured BSSID if there is one.
// By BSSID: a hidden SSID with the configured or the remembered BSSID; an
// empty BSSID identifies nothing and selects nothing.
Selection select_upstream(const SurveyEntry& row, const Upstream& up, const BssidText& remembered) {
    const bool bssidConfigured = !up.bssid.empty();
    const bool configuredBssid = bssidConfigured && !up.bssidTooLong && row.bssid == up.bssid;
    if (is_same_text(row.ssid.c_str(), up.ssid) && (!bssidConfigured || configuredBssid)) {
        return bssidConfigured ? Selection::BySsidAndBssid : Selection::BySsid;
    }
    if (!row.ssid.empty() || row.bssid.empty()) return Selection::None;
    if (configuredBssid) return Selection::ByConfiguredBssid;
    return row.bssid == remembered ? Selection::ByRememberedBssid : Selection::None;
}

int scanChannel(const char* cfgSsid, const char* cfgBssid, BssidText& remembered, Candidate& out, HiddenList& hidden) {
    const Upstream up = make_upstream(cfgSsid, cfgBssid);
    for (int attempt = 0; attempt < kSurveyAttempts; ++attempt) {
        plat::run(kSurveyTrigger);
        plat::sleep_seconds(kSurveyPauseSeconds);
        CommandOutput table(kSurveyTable);
        if (table.is_open()) return read_table(table, up, remembered, out, hidden);
    }
    return 0;
}
