// The site survey: has the driver survey the air, reads its table row by
// row, collects the access points that hide their SSID and stops at the
// upstream access point.
#include <cstddef>
#include <new>
#include <string_view>

#include "platform/io.h"
#include "platform/platform.h"
#include "survey/survey.h"

SurveyEntry* headerTable = nullptr;
SurveyEntry* currentTable = nullptr;
int TableSize = 0;
BssidText manual_get_BSSID = {{'0'}};

namespace {

constexpr const char* kSurveyTrigger = "iwpriv ra0 set SiteSurvey=1";
constexpr const char* kSurveyTable = "iwpriv ra0 get_site_survey";
constexpr int kSurveyAttempts = 6;
constexpr unsigned kSurveyPauseSeconds = 4;  // the driver's time to survey
constexpr std::size_t kLineBytes = 256;      // one read: at most 255 characters
constexpr int kHeaderLines = 2;

// The access point the client interface is configured to join.
struct Upstream {
    std::string_view ssid;
    BssidText bssid;        // the configured BSSID in small letters; empty when none
    bool bssidTooLong;      // configured, but longer than any BSSID: equals no row's

    bool bssid_configured() const { return !bssid.empty(); }
    bool is_configured_bssid(const FixedText<18>& rowBssid) const {
        return bssid_configured() && !bssidTooLong && rowBssid == bssid;
    }
};

Upstream make_upstream(const char* cfgSsid, const char* cfgBssid) {
    Upstream up{};
    up.ssid = cfgSsid != nullptr ? std::string_view(cfgSsid) : std::string_view();
    std::string_view given = cfgBssid != nullptr ? std::string_view(cfgBssid) : std::string_view();
    char lowered[BssidText::capacity];
    std::size_t n = given.size() < sizeof lowered ? given.size() : sizeof lowered;
    for (std::size_t i = 0; i < n; ++i) {
        char c = given[i];
        lowered[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    up.bssid.assign(std::string_view(lowered, n));
    up.bssidTooLong = given.size() > BssidText::capacity;
    return up;
}

// A: the configured SSID, with the configured BSSID if there is one.
// B: a hidden SSID with the configured or the remembered BSSID; an empty
// BSSID identifies nothing and selects nothing.
bool is_upstream(const SurveyEntry& row, const Upstream& up) {
    bool byName = row.ssid == up.ssid && (!up.bssid_configured() || up.is_configured_bssid(row.bssid));
    bool byBssid = row.ssid.empty() && !row.bssid.empty() &&
                   (up.is_configured_bssid(row.bssid) || row.bssid == manual_get_BSSID);
    return byName || byBssid;
}

// Appends a copy of a hidden row to the list. An entry that cannot be
// allocated is left out; the survey goes on.
void collect(const SurveyEntry& row) {
    void* memory = plat::alloc_zeroed(1, sizeof(SurveyEntry));
    if (memory == nullptr) return;
    SurveyEntry* entry = new (memory) SurveyEntry(row);
    entry->next = nullptr;
    if (headerTable == nullptr) {
        headerTable = entry;
    } else {
        // currentTable is the tail while a survey builds the list; should a
        // cursor still stand elsewhere, the entry goes to the tail all the same.
        SurveyEntry* tail = currentTable != nullptr ? currentTable : headerTable;
        while (tail->next != nullptr) tail = tail->next;
        tail->next = entry;
    }
    currentTable = entry;
    ++TableSize;
}

bool is_white_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Skips the two heading lines: twice, the text up to the line end and then
// all white space after it (blank lines, and the blanks that start the first
// row). A line end met at once ends the skipping with nothing consumed.
void skip_heading(CommandOutput& table) {
    for (int line = 0; line < kHeaderLines; ++line) {
        int c = table.peek();
        if (c < 0 || c == '\n') return;
        while ((c = table.peek()) >= 0 && c != '\n') table.get();
        while (is_white_space(table.peek())) table.get();
    }
}

int read_table(CommandOutput& table, const Upstream& up, AuthText& candAuth, AuthText& candEnc,
               ExtChText& candExtCh) {
    skip_heading(table);
    char line[kLineBytes];
    SurveyEntry row;
    for (;;) {
        std::size_t n = table.read_line(line, sizeof line);
        if (n == 0) return 0;
        if (parse_survey_row(std::string_view(line, n), row) != RowResult::Parsed) continue;
        if (row.ssidLen == 0) collect(row);
        if (!is_upstream(row, up)) continue;

        if (row.ssid == up.ssid && !up.bssid_configured()) manual_get_BSSID.assign(row.bssid.view());
        candAuth.assign(row.authMode.view());
        candEnc.assign(row.encrypType.view());
        candExtCh.assign(row.extCh.view());
        return row.channel;
    }
}

}  // namespace

int scanChannel(const char* cfgSsid, const char* cfgBssid, AuthText& candAuth, AuthText& candEnc,
                ExtChText& candExtCh) {
    const Upstream up = make_upstream(cfgSsid, cfgBssid);
    for (int attempt = 0; attempt < kSurveyAttempts; ++attempt) {
        plat::run(kSurveyTrigger);
        plat::sleep_seconds(kSurveyPauseSeconds);
        CommandOutput table(kSurveyTable);
        if (table.is_open()) return read_table(table, up, candAuth, candEnc, candExtCh);
    }
    return 0;
}

void freeTable() {
    SurveyEntry* entry = headerTable;
    while (entry != nullptr) {
        SurveyEntry* next = entry->next;
        plat::release(entry);
        entry = next;
    }
    headerTable = nullptr;
    currentTable = nullptr;
    TableSize = 0;
}
