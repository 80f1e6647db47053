// Hostile text and the real /bin/sh: first the escaping on its own, then the
// built daemon against stored settings holding shell metacharacters, quotes,
// UTF-8 and a thousand characters, and survey output that is no survey
// table. Each daemon runs until it has read the survey twice; then it must
// still be running, every value must have reached the tool as the one
// argument it was stored as, no command may have been issued for garbage,
// and no file may have appeared beside the tools (the hostile values try to
// create some).
#include <algorithm>
#include <set>

#include "radio/radio.h"
#include "tests/exec_util.h"
#include "tests/fake_platform.h"

namespace {

using namespace exec_util;
using ShellEscape = ExecTest;

// Each value, escaped and put in the SSID command, reaches the recording
// iwpriv of tests/tools as one unchanged argument; none creates the canary.
TEST_F(ShellEscape, HostileValuesArriveThroughShAsOneUnchangedArgument) {
    fake.reset();
    std::string printable, every_byte;
    for (int i = 0; i < 200; ++i) printable += static_cast<char>(' ' + i % 95);
    for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
    const std::string values[] = {
        "My Home Network", "  leading and trailing  ", "it's", "say \"hi\"", "$(touch canary)", "`touch canary`",
        "a;touch canary", "a|touch canary", "a&touch canary&", "a&&touch canary", "a\ntouch canary\n", "*",
        "back\\slash", "trailing\\", "$HOME ${PATH} $1 $$ $?", "~ # ! {a,b} [x] <in >out 2>&1 %s %n", "tab\there",
        "Café ☕ Straße 中文", std::string(200, 'x'), printable, every_byte, "",
    };
    const fs::path dir = prepare("sh", {});
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        HeapText escaped = TransForShell1(value);
        HeapText line = format_text("cd '%s' && PATH=.:\"$PATH\" iwpriv ra0 set SSID=%s", dir.c_str(), escaped.c_str());
        ASSERT_TRUE(line.ok());
        EXPECT_EQ(std::system(line.c_str()), 0);
        EXPECT_EQ(calls_in(dir).back(), (Call{"iwpriv", "ra0", "set", "SSID=" + value}));
        EXPECT_FALSE(fs::exists(dir / "canary"));
    }
    EXPECT_EQ(calls_in(dir).size(), std::size(values));
}

const Call kTrigger = {"iwpriv", "ra0", "set", "SiteSurvey=1"};
const Call kRead = {"iwpriv", "ra0", "get_site_survey"};

// Repeats `text` until it is `length` bytes long.
std::string filled(const std::string& text, std::size_t length) {
    std::string out;
    while (out.size() < length) out += text;
    return out.substr(0, length);
}

// Each tries to create a file in the daemon's directory, expand to something
// else or split into more arguments. Their lengths also hit the key rules'
// limits (5, 10, 13, 26 characters for a WEP key; 8 to 64 for a pre-shared key).
const std::vector<std::string> kHostile = {
    "$(touch canary)", "`touch canary`", ";touch canary" /* 13 */, "x' ; touch canary ; 'y",
    "\" && touch canary && \"", "|touch canary|", ">cnry" /* 5 */, ">canary #x" /* 10 */,
    filled(">canary;$(touch canary)#", 26), filled("$(touch canary);`touch canary`|", 64), "a\\",
    "* ~ $HOME ${IFS} !! # ? [a]", "Café ☕ ünïcødé 🚀", "\ttab\tand\rreturn", "  padded  ", "%s%n%x%%",
    "-rf /",
    filled("$(touch canary);`touch canary`|>canary2 & '\"\\", 1000),
};

// The calls that re-program the radio to an upstream on `channel` with the
// extension flag `extFlag`, for the own security and keys in `store`; the
// line the daemon prints for an invalid key goes to `out`.
std::vector<Call> apply_calls(const Store& store, int channel, const char* extFlag, std::string& out) {
    auto set = [](const std::string& what) { return Call{"iwpriv", "ra0", "set", what}; };
    std::vector<Call> calls = {set("Channel=" + std::to_string(channel)), set(std::string("HtExtcha=") + extFlag),
                               set("HtBw=" + store.at("HT_BW"))};
    const bool psk = store.at("AuthMode").find("PSK") != std::string::npos;
    if (!psk) calls.push_back(set("DefaultKeyID=" + store.at("DefaultKeyID")));
    const std::string& key = store.at(psk ? "WPAPSK1" : "Key1Str1");
    const std::size_t n = key.size();
    if (psk ? n >= 8 && n <= 64 : n == 5 || n == 10 || n == 13 || n == 26) {
        calls.push_back(set((psk ? "WPAPSK=" : "Key1=") + key));
    } else {
        out = "Invalid Key=" + key + "\n";
    }
    calls.push_back(set("SSID=" + store.at("SSID1")));
    return calls;
}

// The upstream on channel 6 with the extension below, so the first survey
// re-programs the radio (ra0 starts on channel 1).
const std::string kUpstreamTable = survey_table(
    {{"11", "$(touch canary)", "00:11:22:33:44:66"}, {"6", "upstream", "00:11:22:33:44:55", "WPA2PSK/AES", "BELOW"}});

class HostileExec : public ExecTest {
protected:
    struct Run {
        fs::path dir;
        std::vector<Call> applied;  // the first survey's effect
        std::string out;            // a text the output must hold
        pid_t pid;
    };

    // A daemon that re-programs the radio onto `channel` (0: does nothing
    // but survey).
    void add(const std::string& name, const Store& store, const std::string& survey, int channel = 0,
             const char* extFlag = "") {
        Run run{prepare(name, store, survey), {}, "", 0};
        if (channel != 0) run.applied = apply_calls(store, channel, extFlag, run.out);
        runs.push_back(run);
    }

    static int surveys_read(const Run& run) {
        std::vector<Call> calls = calls_in(run.dir);
        return static_cast<int>(std::count(calls.begin(), calls.end(), kRead));
    }

    // Runs every daemon at once, with one slot and no pause (a survey every
    // pass), until each has read the survey twice or ended.
    void run_and_check() {
        for (Run& run : runs) run.pid = launch(run.dir, {"1", "0", "debug"});
        poll([&] {
            return std::all_of(runs.begin(), runs.end(), [&](Run& r) { return ended(r.pid) || surveys_read(r) >= 2; });
        }, 120);
        const std::set<std::string> files = {"iwpriv", "ifconfig", "iwgetid", "nvram", "survey.txt", "calls.log",
                                             "out.txt"};
        for (const Run& run : runs) {
            SCOPED_TRACE(run.dir.filename());
            const std::string out = read_file(run.dir / "out.txt");
            EXPECT_FALSE(ended(run.pid)) << "status " << waits[run.pid] << "\n" << out;
            stop(run.pid);
            EXPECT_GE(surveys_read(run), 2) << out;
            std::vector<Call> expected = {{"iwgetid", "-c", "ra0"}, {"ifconfig", "ra0", "down"}, kTrigger, kRead};
            expected.insert(expected.end(), run.applied.begin(), run.applied.end());
            const std::vector<Call> calls = calls_in(run.dir);
            ASSERT_GE(calls.size(), expected.size());
            EXPECT_EQ(std::vector<Call>(calls.begin(), calls.begin() + expected.size()), expected);
            for (std::size_t n = expected.size(); n < calls.size(); ++n) {  // then only surveys and the gate
                const Call& c = calls[n];
                const bool gate = c == Call{"ifconfig", "ra0", "down"} || c == Call{"ifconfig", "ra0", "up"};
                EXPECT_TRUE(c == kTrigger || c == kRead || gate) << n << ": " << c[0];
            }
            EXPECT_NE(out.find(run.out), std::string::npos) << out;
            std::set<std::string> found;
            for (const auto& entry : fs::directory_iterator(run.dir)) found.insert(entry.path().filename());
            EXPECT_EQ(found, files) << "a command the daemon was not meant to run left a file";
        }
    }

    std::vector<Run> runs;
};

// Every hostile value in every key that reaches a command line, in the
// pre-shared key mode and in the WEP mode: each run gives each key a
// different value, and over the runs each key gets each value.
TEST_F(HostileExec, StoredValuesReachTheToolsAsOneArgumentEach) {
    auto v = [](std::size_t i) { return kHostile[i % kHostile.size()]; };
    for (std::size_t i = 0; i < kHostile.size(); ++i) {
        add("psk" + std::to_string(i), repeater_store({{"SSID1", v(i)}, {"HT_BW", v(i + 1)}, {"WPAPSK1", v(i + 2)}}),
            kUpstreamTable, 6, "0");
        add("wep" + std::to_string(i),
            repeater_store({{"AuthMode", i % 2 == 0 ? "SHARED" : "OPEN"}, {"EncrypType", "WEP"}, {"SSID1", v(i + 3)},
                            {"HT_BW", v(i + 4)}, {"DefaultKeyID", v(i + 5)}, {"Key1Str1", v(i + 6)}}),
            kUpstreamTable, 6, "0");
    }
    run_and_check();
}

// The configured upstream's SSID and BSSID are only compared, never run:
// with a hostile BSSID configured nothing in the table is the upstream, and
// a hostile SSID that the table does show is followed like any other.
TEST_F(HostileExec, HostileUpstreamSettingsAreOnlyCompared) {
    std::vector<Ap> aps;
    for (const std::string& v : kHostile) {
        if (v.size() <= 32) aps.push_back({"11", v, "00:11:22:33:44:66"});
    }
    const std::string table = survey_table(aps);
    for (std::size_t i = 0; i < kHostile.size(); ++i) {
        const Store store = {{"ApCliSsid", kHostile[i]}, {"ApCliBssid", kHostile[(i + 1) % kHostile.size()]}};
        add("client" + std::to_string(i), repeater_store(store), table);
    }
    add("followed", repeater_store({{"ApCliSsid", "$(touch canary)"}}), table, 11, "1");
    run_and_check();
}

// Survey output that is no table: nothing to follow, nothing but the next
// survey issued.
TEST_F(HostileExec, GarbageSurveyOutputIssuesNoCommand) {
    const Ap ap = {.channel = "6", .ssid = "upstream", .extCh = "BELOW"};
    const std::string upstream = survey_row(ap);
    Ap ssid99 = ap, ssidMinus5 = ap;
    ssid99.ssidLen = "99";
    ssidMinus5.ssidLen = "-5";
    std::string binary;
    for (int c = 0; c < 8 * 256; ++c) binary += static_cast<char>(c);
    std::string truncated = kSurveyHeading;
    for (std::size_t cut : {1u, 3u, 5u, 20u, 45u, 59u, 70u}) truncated += upstream.substr(0, cut) + "\n";
    truncated += upstream.substr(0, 30);  // and a last one without its line end

    const std::pair<std::string, std::string> surveys[] = {
        {"header_only", kSurveyHeading},
        {"one_header_line", "ra0       get_site_survey:"},
        {"empty", ""},
        {"long_lines", kSurveyHeading + std::string(10000, 'A') + "\n" +
                           filled("$(touch canary);`x`|>canary&'\"\\", 10000) + "\n" + filled("upstream ", 10000) +
                           "\n"},
        {"binary", kSurveyHeading + binary},
        {"binary_no_header", binary},
        {"ssid_length_99", survey_table({ssid99})},
        {"ssid_length_minus_5", survey_table({ssidMinus5})},
        {"truncated_rows", truncated},
    };
    for (const auto& [name, survey] : surveys) add(name, repeater_store(), survey);
    run_and_check();
}

}  // namespace
