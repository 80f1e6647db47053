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

TEST(Explain, EveryLineOfEverySampleHasItsVerdictAndTheRecoverysResult) {
    const struct {
        const char* sample;
        int stop;  // the line where reading stops, 0: the end
        const char* result;
    } samples[] = {
        {"survey-crowded.txt", 14, "re-programming with 7 command lines"},
        {"survey-hidden.txt", 0, "hidden walk over 4 entries, assuming none connects (no air here): 3 re-programmed, 1 passed over"},
        {"survey-junk.txt", 14, "re-programming with 7 command lines"},
    };
    for (const auto& [sample, stop, result] : samples) {
        SCOPED_TRACE(sample);
        int status = -1;
        const std::string text = explain_text(sample, status);
        std::ifstream table(RELAYWATCH_SOURCE_DIR "/samples/" + std::string(sample));
        int last = 0;
        for (std::string line; std::getline(table, line);) ++last;
        last = stop > 0 ? stop : last;
        for (int n = 1; n <= last + 1; ++n) {
            EXPECT_EQ(text.find("\nline " + std::to_string(n) + ": ") != std::string::npos, n <= last) << "line " << n;
        }
        EXPECT_EQ(status, stop > 0 ? 0 : 1);
        EXPECT_NE(text.find("\nresult: " + std::string(result)), std::string::npos);
    }
}

// A table that cannot be read: exit status 2, the file and why, nothing else.
TEST(Explain, RefusesATableItCannotRead) {
    ExplainOptions o;
    o.table = "/nonexistent/table";
    std::ostringstream out, err;
    EXPECT_EQ(explain(o, out, err), 2);
    EXPECT_EQ(err.str() + out.str(), "relaywatch-sim explain: /nonexistent/table: cannot read the file: No such file or directory\n");
}

TEST(Explain, TellsWhyAJunkLineIsSkipped) {
    int status = -1;
    const std::string text = explain_text("survey-junk.txt", status);
    for (const char* verdict : {
             "\nline 2: heading, skipped\nline 3: blank, skipped with the heading\nline 4: not the upstream",
             "\n        (3 leading blanks went with the heading: its columns count from here)\n",
             "\nline 5: skipped: cut off before its network type (57 characters; a row needs 109)\n"
             "        text \"ra0: site survey still running, results may be incomplete\"\n",
             "\nline 8: skipped: channel 0 or less (the channel column reads \"0  \")\n",
             "\nline 9: skipped: SSID length outside 0..32 (its column reads \"40\")\n",
             "\nline 10: skipped: no BSSID (its column is blank)\n",
             "\nline 12 (read on after 255 characters): skipped: cut off before its network type (36 characters;",
             "\nline 13: not the upstream (another SSID)\n"
             "        channel 11, SSID \"Home\\x1b[7m\" (length 8)",
             "\nreading stopped at line 14: the upstream is selected; the row after it is not read\n",
         }) {
        EXPECT_NE(text.find(verdict), std::string::npos) << verdict;
    }
}

}  // namespace
