// What the link-watch and recovery tests share: a supervisor brought up
// through start-up and the link watch's set-up against the fake platform,
// and survey tables built row by row at the driver's fixed columns.
#pragma once

#include <string>
#include <vector>

#include "supervisor/supervisor.h"
#include "survey/survey.h"
#include "tests/fake_platform.h"

namespace supervisor_test {

inline const char* const kChannelQuery =
    "iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'";
inline const char* const kSurveyRead = "iwpriv ra0 get_site_survey";

// One access point as the driver lists it. An empty `ssid` is a hidden one.
struct SurveyRow {
    int channel;
    std::string ssid;
    std::string bssid;
    std::string security;
    std::string extCh = "ABOVE";
};

inline void put(std::string& line, std::size_t column, const std::string& text) {
    line.replace(column, text.size(), text);
}

inline std::string survey_row(const SurveyRow& row) {
    std::string line(113, ' ');
    put(line, 0, std::to_string(row.channel));
    put(line, 4, std::to_string(row.ssid.size()));
    put(line, 7, row.ssid);
    put(line, 40, row.bssid);
    put(line, 60, row.security);
    put(line, 83, "90");
    put(line, 92, "11b/g/n");
    put(line, 100, row.extCh);
    put(line, 107, "In");
    put(line, 110, "NO");
    return line + "\n";
}

inline std::string survey_table(const std::vector<SurveyRow>& rows) {
    std::string table =
        "ra0       get_site_survey:\n"
        "Ch  SSID                             BSSID               Security               "
        "Siganl(%)W-Mode  ExtCH  NT WPS\n";
    for (const SurveyRow& row : rows) table += survey_row(row);
    return table;
}

// How often `needle` occurs in `haystack`.
inline int count_of(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (std::size_t pos = haystack.find(needle); pos != std::string::npos;
         pos = haystack.find(needle, pos + needle.size())) {
        ++n;
    }
    return n;
}

// A supervisor after start-up and set-up: upstream "upstream" with no BSSID
// configured, client and own security WPA2PSK/AES, ra0 on channel 1 with the
// extension channel above. Nothing recorded before the test's own passes.
class SupervisorTest : public FakeTest {
protected:
    void SetUp() override {
        FakeTest::SetUp();
        fake.store = {{"OperationMode", "3"},       {"ApCliEnable", "1"},
                      {"ApCliSsid", "upstream"},    {"ApCliBssid", ""},
                      {"ApCliAuthMode", "WPA2PSK"}, {"ApCliEncrypType", "AES"},
                      {"AuthMode", "WPA2PSK"},      {"EncrypType", "AES"},
                      {"HT_EXTCHA", "1"},           {"SSID1", "repeater"},
                      {"HT_BW", "1"},               {"WPAPSK1", "passphrase"}};
        fake.default_outputs[kChannelQuery] = "1\n";
    }

    // Start-up with "debug" and the link watch's set-up; then forgets what
    // they recorded.
    void start(int looptime, int sleeptime) {
        std::string loop = std::to_string(looptime);
        std::string pause = std::to_string(sleeptime);
        const char* argv[] = {"relaywatch", loop.c_str(), pause.c_str(), "debug"};
        ASSERT_EQ(startup(4, argv, sv), kRunLinkWatch);
        ASSERT_TRUE(linkwatch_setup(sv));
        fake.events.clear();
        fake.out.clear();
    }

    // One pass with the driver reporting `sample` (the first pass takes none).
    void pass_with(int sample) {
        fake.statuses.push_back(sample);
        linkwatch_pass(sv);
    }

    std::vector<int> window() const {
        return std::vector<int>(sv.resetTimerArray, sv.resetTimerArray + sv.looptime);
    }

    Supervisor sv;
};

}  // namespace supervisor_test
