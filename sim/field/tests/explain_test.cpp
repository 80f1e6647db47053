// SPDX-License-Identifier: ISC
// relaywatch-sim explain: a verdict for every line of each shipped sample,
// and the reasons it gives for the lines it skips.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/field/explain.h"

namespace rwsim {

namespace {

std::string explain_text(const std::string& sample, int& status, const std::string& store = "nvram-home",
                         const std::string& remembered = "0") {
    ExplainOptions o;
    o.table = RELAYWATCH_SOURCE_DIR "/samples/" + sample;
    o.store = RELAYWATCH_SOURCE_DIR "/samples/" + store;
    o.remembered = remembered;
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
        {"survey-hidden.txt", 0,
         "hidden walk over 4 entries, assuming none connects (no air here): 3 re-programmed, 1 passed over"},
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
    EXPECT_EQ(err.str() + out.str(),
              "relaywatch-sim explain: /nonexistent/table: cannot read the file: No such file or directory\n");
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

// Tables and stores written outside the project: what differs from what
// relaywatch reads is told, with the exit status of the first that applies.
struct Told {
    const char *table, *store, *remembered;
    int status;
    std::vector<std::string> shown, absent;
};

void expect_told(const std::vector<Told>& cases) {
    for (const Told& c : cases) {
        SCOPED_TRACE(std::string(c.table) + " " + c.store);
        int status = -1;
        const std::string text = explain_text(c.table, status, c.store, c.remembered);
        EXPECT_EQ(status, c.status);
        for (const std::string& s : c.shown) EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
        for (const std::string& s : c.absent) EXPECT_EQ(text.find(s), std::string::npos) << s;
    }
}

// Columns away from where relaywatch reads them (exit status 3); odd rows
// or line ends alone are no layout of their own.
TEST(Explain, TellsWhereAStrangersTableLayoutDiffers) {
    expect_told({
        {"survey-narrow.txt",
         "nvram-home",
         "0",
         3,
         {"\nlayout: the table is not in the layout relaywatch reads\n        rows from line 3 (20 of 20 with a "
          "BSSID): \"BSSID\" 1 "
          "character left of relaywatch's column, \"Security\" to \"WPS\" 2 characters left of relaywatch's columns\n"
          "        on a router printing this table relaywatch misreads every such row: it misses its upstream or "
          "re-tunes",
          "\nline 3: not the upstream", "\nresult, on the rows as misread: re-programming with "},
         {"heading ("}},
        {"survey-no-ln.txt",
         "nvram-home",
         "0",
         3,
         {"\n        heading (line 2): no \"Ln\"; \"SSID\" to \"WPS\" 3 characters left of relaywatch's columns\n"
          "        rows from line 3 (20 of 20 with a BSSID): \"BSSID\" to \"WPS\" 3 characters left"},
         {}},
        {"survey-wide-ln.txt",
         "nvram-home",
         "0",
         3,
         {"(20 of 20 with a BSSID): \"BSSID\" to \"WPS\" 1 character right"},
         {}},
        {"survey-added.txt",
         "nvram-home",
         "0",
         3,
         {"no column for: \"Rate\" at character 61\n        rows from line 3 (6 of 6 with a BSSID): more words after "
          "the BSSID than"},
         {}},
        {"survey-crlf.txt", "nvram-home", "0", 1, {"\nline 7: collected as hidden entry 3\n"}, {"layout"}},
        {"survey-cut.txt",
         "nvram-home",
         "0",
         1,
         {"\nline 10: skipped: cut off before its network type (75 characters"},
         {"layout"}},
        {"survey-junk.txt",
         "nvram-home",
         "0",
         0,
         {"\nline 9: skipped: SSID length outside 0..32"},
         {"layout"}},  // one odd row
    });
}

// A configured SSID or BSSID that no row matches as relaywatch compares them,
// and which row it selects instead.
TEST(Explain, TellsWhyTheStoresUpstreamMatchesOrMissesARow) {
    expect_told({
        {"survey-crowded.txt",
         "nvram-blank-bssid",
         "0",
         1,
         {"ApCliBssid \"00:11:22:33:44:55 \" (has a trailing blank: its 18 characters never match a BSSID's 17)\n",
          "\nline 14: not the upstream: the configured SSID, but ApCliBssid \"00:11:22:33:44:55 \" has a trailing "
          "blank",
          "\nline 4: not the upstream: its SSID differs from ApCliSsid only in letter case\n"},
         {"compared as", "capitals"}},
        {"survey-crowded.txt",
         "nvram-blank-ssid",
         "0",
         1,
         {"\nline 14: not the upstream: ApCliSsid has a leading blank that its SSID has not (the row's is 4 "
          "characters, ApCliSsid 5)"},
         {}},
        {"survey-crowded.txt",
         "nvram-hidden-bssid",
         "0",
         0,
         {"\nline 9: collected as hidden entry 1; selected by the configured BSSID (its SSID hidden)\n"},
         {}},
        {"survey-crowded.txt",
         "nvram-home-5g",
         "0",
         1,
         {"\nline 14: not the upstream: its SSID is the start of ApCliSsid (the row's is 4 characters, ApCliSsid 7)"},
         {}},
        {"survey-crowded.txt",
         "nvram-misspelt",
         "0",
         0,
         {"\n              ApCliSsid is empty: relaywatch takes the first row with a hidden SSID as its upstream\n"
          "              keys relaywatch reads that the store lacks (read as empty): ApCliSsid HT_BW\n"
          "              keys relaywatch reads only for an own AP with WEP, which the store lacks: DefaultKeyID "
          "Key1Str1\n"
          "              ApCliSSID is not ApCliSsid (it differs only in letter case; keys are case-sensitive): "
          "relaywatch does not read it\n"
          "              HTBW is not HT_BW (it differs by one character): relaywatch does not read it\n",
          "\nline 9: collected as hidden entry 1; selected by SSID, the first hidden row: its empty SSID equals the "
          "empty ApCliSsid"},
         {"SSID2"}},
        {"survey-hidden.txt",
         "nvram-home",
         "02:11:22:33:44:AA",
         1,
         {"in capitals it matches no row: relaywatch compares it exactly, and the driver prints small letters (line 8 "
          "holds it so)"},
         {}},
    });
}

// A store relaywatch refuses at start-up (exit status 4): it never surveys.
TEST(Explain, TellsWhenRelaywatchEndsAtStartUp) {
    expect_told({
        {"survey-crowded.txt",
         "nvram-not-repeater",
         "0",
         4,
         {"  relaywatch: error, not repeater mode!\n  exit status 0: it never surveys, so no row below is selected\n",
          "\nline 14: the configured upstream's row, not selected: relaywatch ends at start-up\n",
          "\nresult: relaywatch ends at start-up with this store (exit status 0): no survey, no recovery\n"},
         {"selected by", "what a recovery"}},
        {"survey-narrow.txt",
         "nvram-disabled",
         "0",
         4,
         {"  relaywatch: repeater is not enabled!\n", "\nlayout: "},
         {"selected by"}},
    });
}

// Long values with characters the shell would read: the commands as
// relaywatch escapes them, each followed by the value the driver gets.
TEST(Explain, ShowsLongValuesEscapedAsTheCommandsCarryThem) {
    expect_told({
        {"survey-crowded.txt",
         "nvram-long",
         "0",
         0,
         {"\n  $ iwpriv ra0 set WPAPSK=\\T\\r\\0\\u\\b\\4\\d\\o\\r\\&\\3\\ \\i\\s\\ \\n\\o\\t\\ \\a\\ \\g\\o\\o\\d\\ "
          "\\p\\a\\s\\s\\p\\h\\r\\a\\s\\e\\ "
          "\\1\\0\\0\\%25\\ \\o\\f\\ \\w\\o\\r\\d\\s\\!\n    \xE2\x9F\xA8WPAPSK=Tr0ub4dor&3 is not a good passphrase "
          "100%25 of words!\xE2\x9F\xA9\n",
          "\n    \xE2\x9F\xA8SSID=Zo%c3%ab's caf%c3%a9 repeater 5GHz \\ up!\xE2\x9F\xA9\n"},
         {"\\x"}},
    });
}

TEST(Explain, RememberedIsSixHexPairsOrZero) {
    for (const auto& [given, taken] : std::vector<std::pair<std::string, bool>>{{"0", true},
                                                                                {"00:0C:43:76:20:01", true},
                                                                                {"zz", false},
                                                                                {"00:0c:43:76:20:0g", false},
                                                                                {"00:0c:43:76:20:01 ", false}}) {
        ExplainOptions o;
        std::string why;
        EXPECT_EQ(parse_explain_args({"t", "--remembered", given}, o, why), taken) << given;
        EXPECT_EQ(why.empty(), taken) << why;
    }
}

}  // namespace

}  // namespace rwsim
