// SPDX-License-Identifier: ISC
// The survey reader's speed: the row parser alone over a 500-row table, and
// scanChannel over a 100-row table read from memory. Both report rows per
// second; scanChannel also reports its allocations, which should be the
// hidden-AP entries and nothing else.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "survey/survey.h"
#include "testing/fake_platform.h"

namespace {

constexpr const char* kSecurities[] = {"NONE",    "WEP", "WPAPSK/TKIP", "WPA2PSK/AES", "WPA1PSKWPA2PSK/TKIPAES",
                                       "WPA2/AES"};
constexpr const char* kExtChs[] = {"ABOVE", "BELOW", "NONE "};

void put(std::string& line, std::size_t column, const std::string& text) {
    if (line.size() < column + text.size()) line.resize(column + text.size(), ' ');
    line.replace(column, text.size(), text);
}

// Row `i` of a table: every tenth hides its SSID.
std::string survey_row(int i, const std::string& ssid) {
    std::string line(113, ' ');
    char bssid[18];
    std::snprintf(bssid, sizeof bssid, "00:1a:2b:%02x:%02x:%02x", (i >> 16) & 0xff, (i >> 8) & 0xff, i & 0xff);
    put(line, 0, std::to_string(i % 13 + 1));
    put(line, 4, std::to_string(ssid.size()));
    put(line, 7, ssid);
    put(line, 40, bssid);
    put(line, 60, kSecurities[i % 6]);
    put(line, 83, std::to_string(i * 7 % 100));
    put(line, 92, "11b/g/n");
    put(line, 100, kExtChs[i % 3]);
    put(line, 107, "In");
    put(line, 110, "NO");
    return line + "\n";
}

std::vector<std::string> survey_rows(int count) {
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) rows.push_back(survey_row(i, i % 10 == 0 ? "" : "net-" + std::to_string(i)));
    return rows;
}

void BM_ParseRow(benchmark::State& state) {
    const std::vector<std::string> rows = survey_rows(500);
    SurveyEntry entry;
    for (auto _ : state) {
        for (const std::string& line : rows) {
            benchmark::DoNotOptimize(parse_survey_row(line, entry));
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(rows.size()));
}
BENCHMARK(BM_ParseRow);

// 100 rows (10 of them hidden), the upstream last, so every row is read.
void BM_ScanChannel(benchmark::State& state) {
    constexpr int kRows = 100;
    std::vector<std::string> rows = survey_rows(kRows - 1);
    rows.push_back(survey_row(kRows - 1, "Home"));
    int hidden = 0;
    for (int i = 0; i < kRows; ++i) hidden += i % 10 == 0 ? 1 : 0;
    std::string table = "ra0       get_site_survey:\nCh  SSID  BSSID  Security  Signal(%)  W-Mode  ExtCH  NT\n";
    for (const std::string& line : rows) table += line;
    fake.reset();
    fake.recording = false;
    fake.default_outputs["iwpriv ra0 get_site_survey"] = table;

    BssidText remembered = {{'0'}};
    long before = fake.allocations;
    for (auto _ : state) {
        Candidate cand{};
        HiddenList list;
        int channel = scanChannel("Home", "", remembered, cand, list);
        benchmark::DoNotOptimize(channel);
        if (channel == 0 || list.size != hidden) state.SkipWithError("upstream not found");
    }
    long allocations = fake.allocations - before;
    long extra = allocations - static_cast<long>(hidden) * static_cast<long>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["allocs/scan"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    state.counters["hidden/scan"] = hidden;
    state.counters["other_allocs"] = static_cast<double>(extra);
}
BENCHMARK(BM_ScanChannel);

}  // namespace

BENCHMARK_MAIN();
