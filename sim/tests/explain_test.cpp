// relaywatch-sim explain: a verdict for every line of each shipped sample,
// and the reasons it gives for the lines it skips.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "sim/explain.h"

namespace {

std::string explain_text(const std::string& sample, int& status) {
    ExplainOptions o;
    o.table = RELAYWATCH_SOURCE_DIR "/samples/" + sample;
    o.store = RELAYWATCH_SOURCE_DIR "/samples/nvram-home";
    std::ostringstream out, err;
    status = explain(o, out, err);
    EXPECT_EQ(err.str(), "");
    return out.str();
}

TEST(Explain, EveryLineOfEverySampleHasItsVerdict) {
    const std::pair<const char*, int> samples[] = {  // the line where reading stops, 0: the end
        {"survey-crowded.txt", 14}, {"survey-hidden.txt", 0}, {"survey-junk.txt", 14}};
    for (const auto& [sample, stop] : samples) {
        SCOPED_TRACE(sample);
        int status = -1;
        const std::string text = explain_text(sample, status);
        std::ifstream table(RELAYWATCH_SOURCE_DIR "/samples/" + std::string(sample));
        int lines = 0;
        for (std::string line; std::getline(table, line);) ++lines;
        for (int n = 1; n <= (stop > 0 ? stop : lines); ++n) {
            EXPECT_NE(text.find("\nline " + std::to_string(n) + ": "), std::string::npos) << "line " << n;
        }
        EXPECT_EQ(text.find("\nline " + std::to_string((stop > 0 ? stop : lines) + 1) + ": "), std::string::npos);
        EXPECT_EQ(status, stop > 0 ? 0 : 1);
        EXPECT_NE(text.find("\nresult: "), std::string::npos);
    }
}

TEST(Explain, TellsWhyAJunkLineIsSkipped) {
    int status = -1;
    const std::string text = explain_text("survey-junk.txt", status);
    for (const char* verdict : {
             "\nline 2: heading, skipped\nline 3: blank, skipped with the heading\nline 4: not the upstream",
             "\n        (3 leading blanks went with the heading: its columns count from here)\n",
             "\nline 5: skipped: cut off before its network type (57 characters; a row needs 109)\n"
             "        text \"ra0: site survey still running, results may be incomplete\"\n",
             "\nline 7: skipped: too short (fewer than 2 characters, line end included)\n",
             "\nline 8: skipped: channel 0 or less (the channel column reads \"0  \")\n",
             "\nline 9: skipped: SSID length outside 0..32 (its column reads \"40\")\n",
             "\nline 10: skipped: no BSSID (its column is blank)\n",
             "\nline 11: skipped: an ad hoc network",
             "\nline 12 (read on after 255 characters): skipped: cut off before its network type (36 characters;",
             "\nline 13: not the upstream (another SSID)\n"
             "        channel 11, SSID \"Home\\x1b[7m\" (length 8)",
             "\nline 14: selected by SSID (no BSSID configured): relaywatch remembers its BSSID\n",
             "\nreading stopped at line 14: the upstream is selected; the row after it is not read\n",
         }) {
        EXPECT_NE(text.find(verdict), std::string::npos) << verdict;
    }
}

}  // namespace
