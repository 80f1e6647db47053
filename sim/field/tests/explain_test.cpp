// SPDX-License-Identifier: ISC
// relaywatch-sim explain: a verdict for every line of each shipped sample,
// and the reasons it gives for the lines it skips.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "sim/field/explain.h"
#include "sim/router/survey_table.h"
#include "sim/scenario/scenario.h"

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
        int last = stop;
        for (std::string line; stop == 0 && std::getline(table, line);) ++last;
        for (int n = 1; n <= last + 1; ++n) {
            EXPECT_EQ(text.find("\nline " + std::to_string(n) + ": ") != std::string::npos, n <= last) << "line " << n;
        }
        EXPECT_EQ(status, stop > 0 ? 0 : 1);
        EXPECT_NE(text.find("\nresult: " + std::string(result)), std::string::npos);
    }
}

std::string sample_text(const std::string& name) {
    std::ifstream in(RELAYWATCH_SOURCE_DIR "/samples/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A table (and a store: empty for the home store) written for a test.
std::string explain_written(const std::string& name, const std::string& table, int& status, std::string* err_text,
                            const std::string& store = "") {
    const std::string path = testing::TempDir() + "explain-" + name;
    std::ofstream(path, std::ios::binary) << table;
    ExplainOptions o;
    o.table = path;
    o.store = RELAYWATCH_SOURCE_DIR "/samples/nvram-home";
    if (!store.empty()) {
        o.store = path + ".store";
        std::ofstream(o.store, std::ios::binary) << store;
    }
    std::ostringstream out, err;
    status = explain(o, out, err);
    if (err_text != nullptr) *err_text = err.str();
    return out.str();
}

// Keys of a length relaywatch refuses, told with the line it logs; a
// redacted key is judged by the length it gives, not the form's own.
TEST(Explain, JudgesTheStoresKeysByTheLengthsRelaywatchTakes) {
    const std::string home = sample_text("nvram-home");
    const std::string base = home.substr(0, home.find("WPAPSK1="));
    const struct {
        const char* keys;
        const char* finding;  // nullptr: none
    } cases[] = {
        {"WPAPSK1=seven77\n",
         "WPAPSK1 is 7 characters: relaywatch sets a pre-shared key of 8 to 64 characters only; for this one it logs "
         "\"Invalid Key=seven77\" and leaves the key unset"},
        {"WPAPSK1=eight888\n", nullptr},
        {"WPAPSK1=0123456789012345678901234567890123456789012345678901234567890123\n", nullptr},
        {"WPAPSK1=01234567890123456789012345678901234567890123456789012345678901234\n", "WPAPSK1 is 65 characters"},
        {"WPAPSK1=[secret: 7 hex]\n", "WPAPSK1 (redacted) is 7 characters: "},
        {"WPAPSK1=[secret: 63 printable]\nKey1Str1=[secret: 6 other]\n", "Key1Str1 (redacted) is 6 characters"},
        {"DefaultKeyID=1\n",
         "the key relaywatch reads only for an own AP with a pre-shared key, which the store lacks"},
        {"WPAPSK1=eight888\nKey1Str2=abcde\n", "Key1Str2 is not Key1Str1 (it differs by one character)"},
        {"WPAPSK1=x\nKey1Str1=[secret: 9 printable]\n",
         "Key1Str1 (redacted) is 9 characters: relaywatch sets a WEP key of 5 or 13 characters (text) or 10 or 26 "
         "(hex digits) only; for this one it logs \"Invalid Key=[secret: 9 printable]\""},
        {"WPAPSK1=[secret: 64 hex]\nKey1Str1=[secret: 5 printable]\n", nullptr},
        {"WPAPSK1=eight888\nKey1Str1=[secret: x hex]\n", "Key1Str1 is 15 characters"},
    };
    for (const auto& [keys, finding] : cases) {
        SCOPED_TRACE(keys);
        int status = -1;
        const std::string text =
            explain_written("keys", sample_text("survey-crowded.txt"), status, nullptr, base + keys);
        if (finding == nullptr) {
            EXPECT_EQ(text.find("Invalid Key"), std::string::npos) << text;
        } else {
            EXPECT_NE(text.find("\n              " + std::string(finding)), std::string::npos) << text;
        }
    }
}

// With the stronger row pinned, it is taken and the weaker one needs the pin.
TEST(Explain, WeighsTheNetworksRowsAgainstAPinnedBssid) {
    std::string store = sample_text("nvram-home");
    store.replace(store.find("ApCliBssid="), 11, "ApCliBssid=00:11:22:33:44:55");
    int status = -1;
    const std::string text = explain_written("pinned", sample_text("survey-two-upstreams.txt"), status, nullptr, store);
    EXPECT_NE(text.find("  line 4: channel 1, signal 18 %, BSSID \"00:11:22:33:44:01\"\n"
                        "    passed over: its BSSID is not the configured one\n"
                        "    to have relaywatch take it: ApCliBssid=00:11:22:33:44:01 (pinned"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  line 6: channel 11, signal 84 %, BSSID \"00:11:22:33:44:55\"\n"
                        "    taken: its BSSID is the configured one\n"),
              std::string::npos);
    EXPECT_EQ(text.find("stronger"), std::string::npos);
    // Passed over and stronger by 19 points: not named; by 20: named.
    for (const auto& [signal, named] : {std::pair{"37", false}, std::pair{"38", true}}) {
        std::string table = sample_text("survey-two-upstreams.txt");
        table.replace(table.find("84       "), 2, signal);
        const std::string weighed = explain_written("twenty", table, status, nullptr);
        EXPECT_EQ(weighed.find(" points of Signal(%) stronger than line 4 ") != std::string::npos, named) << signal;
    }
    // One row of it: nothing to weigh.
    const std::string crowded = sample_text("survey-crowded.txt");
    const std::size_t third = crowded.find('\n', crowded.find('\n') + 1) + 1;
    const std::string one = crowded.substr(0, third) + crowded.substr(crowded.find("11  4  home"), 114);
    EXPECT_EQ(explain_written("one", one, status, nullptr).find("the upstream's network"), std::string::npos);
    EXPECT_EQ(status, 0);
}

// BSSIDs in capitals never match a configured BSSID: said of the table.
TEST(Explain, SaysWhenTheTablesBssidsAreInCapitals) {
    std::string table = sample_text("survey-crowded.txt");
    int status = -1;
    EXPECT_EQ(explain_written("lower", table, status, nullptr).find("in capitals"), std::string::npos);
    for (const auto& [from, to] :
         {std::pair{"00:25:45:e0:0b:11", "00:25:45:E0:0B:11"}, std::pair{"00:1a:2b:3c:4d:0a", "00:1A:2B:3C:4D:0A"}}) {
        table.replace(table.find(from), 17, to);
    }
    std::string store = sample_text("nvram-home");
    store.replace(store.find("ApCliBssid="), 11, "ApCliBssid=00:25:45:E0:0B:11");
    const std::string text = explain_written("capitals", table, status, nullptr, store);
    EXPECT_NE(
        text.find("\ntable: 2 rows have their BSSIDs in capitals (the first on line 13): relaywatch lower-cases "
                  "ApCliBssid before comparing, so it never matches such a row; the configured one is line 13's\n"),
        std::string::npos)
        << text;
}

// A table that cannot be read, or an empty capture: exit status 2, the file
// and why, nothing else; a capture that stops within a line is said to end
// there, whatever the line holds.
TEST(Explain, RefusesAnUnreadableOrEmptyCaptureAndSaysOneEndsMidLine) {
    ExplainOptions o;
    o.table = "/nonexistent/table";
    std::ostringstream out, error;
    EXPECT_EQ(explain(o, out, error), 2);
    EXPECT_EQ(error.str() + out.str(),
              "relaywatch-sim explain: /nonexistent/table: cannot read the file: No such file or directory\n");
    int status = -1;
    std::string err;
    EXPECT_EQ(explain_written("empty", "", status, &err), "");
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find(": the capture is empty: the driver printed nothing, or the capture failed\n"),
              std::string::npos);
    const std::string whole = explain_written("heading", "ra0       get_site_survey:\nCh  Ln SSID\n", status, &err);
    EXPECT_EQ(whole.find("the capture ends"), std::string::npos);
    const std::string cut = explain_written("cut", "ra0       get_site_survey:\nCh  Ln SSID\n1   4  Ho", status, &err);
    const std::size_t end = cut.find("\nthe capture ends in the middle of line 3 ");
    EXPECT_NE(end, std::string::npos) << cut;
    EXPECT_LT(end, cut.find("\nline 3: "));
    // A line more above the heading: the heading is read as a row.
    const std::string above =
        explain_written("above", "$ iwpriv ra0 get_site_survey\n" + sample_text("survey-crowded.txt"), status, &err);
    EXPECT_NE(
        above.find("\nlayout: the table's heading is not where relaywatch skips it\n        line 3, a heading, is "
                   "read as a row\n"),
        std::string::npos)
        << above;
    EXPECT_EQ(status, 3);
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
    std::string table_store;  // the sample table, a blank, the sample store
    int status;
    std::vector<std::string> shown, absent = {};
    const char* remembered = "0";
};

void expect_told(const std::vector<Told>& cases) {
    for (const Told& c : cases) {
        SCOPED_TRACE(c.table_store);
        const std::size_t blank = c.table_store.find(' ');
        int status = -1;
        const std::string text =
            explain_text(c.table_store.substr(0, blank), status, c.table_store.substr(blank + 1), c.remembered);
        EXPECT_EQ(status, c.status);
        for (const std::string& s : c.shown) EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
        for (const std::string& s : c.absent) EXPECT_EQ(text.find(s), std::string::npos) << s;
    }
}

// Columns away from where relaywatch reads them (exit status 3); odd rows
// or line ends alone are no layout of their own.
TEST(Explain, TellsWhereAStrangersTableLayoutDiffers) {
    expect_told({
        {"survey-narrow.txt nvram-home",
         3,
         {"\nlayout: the table is not in the layout relaywatch reads\n        rows from line 3 (20 of 20 with a "
          "BSSID): \"BSSID\" 1 character left of relaywatch's column, \"Security\" to \"WPS\" 2 characters left of "
          "relaywatch's columns\n"
          "        on a router printing this table relaywatch misreads every such row: it misses its upstream or "
          "re-tunes",
          "\nline 3: not the upstream", "\nresult, on the rows as misread: re-programming with "},
         {"heading (", "the upstream's network"}},
        {"survey-no-ln.txt nvram-home",
         3,
         {"\n        heading (line 2): no \"Ln\"; \"SSID\" to \"WPS\" 3 characters left of relaywatch's columns\n"
          "        rows from line 3 (20 of 20 with a BSSID): \"BSSID\" to \"WPS\" 3 characters left"}},
        {"survey-wide-ln.txt nvram-home", 3, {"(20 of 20 with a BSSID): \"BSSID\" to \"WPS\" 1 character right"}},
        {"survey-added.txt nvram-home",
         3,
         {"no column for: \"Rate\" at character 61\n        rows from line 3 (6 of 6 with a BSSID): more words after "
          "the BSSID than"}},
        {"survey-two-upstreams.txt nvram-home",
         0,
         {"\nthe upstream's network \"home\": 2 rows carry its SSID\n"
          "  line 4: channel 1, signal 18 %, BSSID \"00:11:22:33:44:01\"\n"
          "    taken: the first row that matches; relaywatch reads no further\n",
          "    passed over: relaywatch takes the first row that matches, in table order\n"
          "    66 points of Signal(%) stronger than line 4 (as this one survey read them)\n",
          ": line 6 carries it but shows its SSID; it selects only a row that hides its SSID\n"
          "    next recovery with this table: relaywatch remembers line 4's \"00:11:22:33:44:01\" and takes that row",
          "\nresult: no change: the radio already matches the upstream\n"},  // ra0 on channel 1 by default
         {},
         "00:11:22:33:44:55"},
        // Rows hiding their SSID: walked in table order when no row is the
        // upstream, the one carrying the remembered BSSID taken at once.
        {"survey-hidden.txt nvram-home",
         1,
         {": no row carries its SSID, 4 rows hide theirs",
          "entry 2 of 4, tried in table order on channel 6: its settings",
          "on channel 11: ra0 re-programmed for it (its channel and settings set anew), then up to 5 s",
          "none connecting: 3 re-programmings of ra0 and up to 15 s",
          "next recovery with this table: the hidden entry that connects is remembered"}},
        {"survey-hidden.txt nvram-home",
         0,
         {"\n    collected, not tried: relaywatch walks", "\n    taken: its BSSID is the remembered one\n",
          ": line 5 hides its SSID and carries it: taken by it\n    next recovery with this table: relaywatch keeps"},
         {"hidden entry 3"},
         "02:11:22:33:44:9a"},
        {"survey-crowded.txt nvram-home",
         0,
         {"\n    not read: reading stops at the upstream's row, line 14\n",
          ": line 20 hides its SSID and carries it, but"},
         {},
         "02:11:22:33:44:aa"},
        {"survey-no-first-line.txt nvram-home",
         3,
         {"\nlayout: the table's heading is not where relaywatch skips it\n        line 2, an access point's row "
          "(BSSID 00:1a:2b:3c:4d:01), is skipped as the heading\n        either the capture was cut by hand",
          "\nline 2: heading, skipped\n"}},
        {"survey-crlf.txt nvram-home", 1, {"\nline 7: collected as hidden entry 3\n"}, {"layout"}},
        {"survey-cut.txt nvram-home",
         1,
         {"\nthe capture ends in the middle of line 10 (the driver ends every line, the capture stopped there)",
          "\nline 10: skipped: cut off before its network type (75 characters"},
         {"layout"}},
        {"survey-junk.txt nvram-home", 0, {}, {"layout"}},  // odd rows, each told of its own
    });
}

// A configured SSID or BSSID that no row matches as relaywatch compares them,
// and which row it selects instead.
TEST(Explain, TellsWhyTheStoresUpstreamMatchesOrMissesARow) {
    expect_told({
        {"survey-crowded.txt nvram-blank-bssid",
         1,
         {"ApCliBssid \"00:11:22:33:44:55 \" (has a trailing blank: its 18 characters never match a BSSID's 17)\n",
          "\nline 14: not the upstream: the configured SSID, but ApCliBssid \"00:11:22:33:44:55 \" has a trailing",
          "\nline 4: not the upstream: its SSID differs from ApCliSsid only in letter case\n"},
         {"compared as", "capitals"}},
        {"survey-crowded.txt nvram-blank-ssid",
         1,
         {"\nline 14: not the upstream: ApCliSsid has a leading blank that its SSID has not (the row's is 4 "
          "characters, ApCliSsid 5)"}},
        {"survey-crowded.txt nvram-hidden-bssid",
         0,
         {"\nline 9: collected as hidden entry 1; selected by the configured BSSID (its SSID hidden)\n"}},
        {"survey-crowded.txt nvram-home-5g",
         1,
         {"\nline 14: not the upstream: its SSID is the start of ApCliSsid (the row's is 4 characters, ApCliSsid 7)"}},
        {"survey-crowded.txt nvram-misspelt",
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
        {"survey-hidden.txt nvram-home",
         1,
         {"in capitals it matches no row: relaywatch compares it exactly, and the driver prints small letters (line 8 "
          "holds it so)",
          "\n  the remembered BSSID \"02:11:22:33:44:AA\": no row carries it, it selects nothing here\n"},
         {},
         "02:11:22:33:44:AA"},
    });
}

// A store relaywatch refuses at start-up (exit status 4): it never surveys.
TEST(Explain, TellsWhenRelaywatchEndsAtStartUpAndShowsLongValuesEscaped) {
    expect_told({
        {"survey-crowded.txt nvram-not-repeater",
         4,
         {"  relaywatch: error, not repeater mode!\n  exit status 0: it never surveys, so no row below is selected\n",
          "\nline 14: the configured upstream's row, not selected: relaywatch ends at start-up\n",
          "\nresult: relaywatch ends at start-up with this store (exit status 0): no survey, no recovery\n"},
         {"selected by", "what a recovery"}},
        {"survey-narrow.txt nvram-disabled",
         4,
         {"  relaywatch: repeater is not enabled!\n", "\nlayout: "},
         {"selected by"}},

        // Long values with characters the shell would read: the commands as
        // relaywatch escapes them, each followed by the value the driver gets.
        {"survey-crowded.txt nvram-long",
         0,
         {"\n  $ iwpriv ra0 set WPAPSK=\\T\\r\\0\\u\\b\\4\\d\\o\\r\\&\\3\\ \\i\\s\\ \\n\\o\\t\\ \\a\\ \\g\\o\\o\\d\\ "
          "\\p\\a\\s\\s\\p\\h\\r\\a\\s\\e\\ "
          "\\1\\0\\0\\%25\\ \\o\\f\\ \\w\\o\\r\\d\\s\\!\n    \xE2\x9F\xA8WPAPSK=Tr0ub4dor&3 is not a good passphrase "
          "100%25 of words!\xE2\x9F\xA9\n",
          "\n    \xE2\x9F\xA8SSID=Zo%c3%ab's caf%c3%a9 repeater 5GHz \\ up!\xE2\x9F\xA9\n"},
         {"\\x"}},
    });
}

// --remembered takes six hex pairs or 0; --channel a channel relaywatch
// could be on.
TEST(Explain, RememberedIsSixHexPairsOrZeroAndChannelAValidOne) {
    const struct {
        const char *option, *given;
        bool taken;
    } cases[] = {
        {"--remembered", "0", true},
        {"--remembered", "00:0C:43:76:20:01", true},
        {"--remembered", "zz", false},
        {"--remembered", "00:0c:43:76:20:0g", false},
        {"--remembered", "00:0c:43:76:20:01 ", false},
        {"--channel", "11", true},
        {"--channel", "15", false},
    };
    for (const auto& [option, given, taken] : cases) {
        ExplainOptions o;
        std::string why;
        EXPECT_EQ(parse_explain_args({"t", option, given}, o, why), taken) << given;
        EXPECT_EQ(why.empty(), taken) << why;
    }
}

// A one-letter SSID is no hidden one: shown with its length, told apart
// from an ApCliSsid with a trailing blank, and a row that shows it cannot be
// selected by the remembered BSSID.
TEST(Explain, AOneLetterSsidIsShownNotHidden) {
    const Scenario sc = parse_scenario(
        "end 1m\nap x ssid x bssid 00:11:22:33:44:55 channel 6\nap h hidden h bssid 02:00:00:00:00:01 channel 11\n",
        "x.scn");
    std::string table;
    print_survey_table(sc.aps, table);
    std::ifstream home(RELAYWATCH_SOURCE_DIR "/samples/nvram-home");
    const std::string store((std::istreambuf_iterator<char>(home)), std::istreambuf_iterator<char>());
    const std::pair<const char*, const char*> cases[] = {
        {"ApCliSsid=x ", "ApCliSsid has a trailing blank that its SSID has not"},
        {"ApCliSsid=x", "line 3 carries it but shows its SSID"},
    };
    for (const auto& [ssid, said] : cases) {
        ExplainOptions o;
        o.remembered = "00:11:22:33:44:55";
        std::string with = store;
        with.replace(with.find("ApCliSsid=home"), 14, ssid);
        std::ostringstream out;
        explain_texts(o, table, &with, out);
        EXPECT_NE(out.str().find("SSID \"x\" (length 1)"), std::string::npos);
        EXPECT_NE(out.str().find(said), std::string::npos) << said << "\n" << out.str();
    }
}

}  // namespace

}  // namespace rwsim
