// The built daemon against hostile input: stored settings holding shell
// metacharacters, quotes, UTF-8 and a thousand characters, and survey output
// that is no survey table. Stand-ins for the tools (tests/hostile_tools/)
// record every argument byte for byte. Each daemon runs in a directory of
// its own until it has read the survey twice; then it must still be running,
// every value must have reached the tool as the one argument it was stored
// as, no command may have been issued for garbage, and no file may have
// appeared beside the tools (the hostile values try to create some).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Call = std::vector<std::string>;  // the tool's name, then its arguments
using Store = std::map<std::string, std::string>;

const char* const kTools[] = {"iwpriv", "ifconfig", "iwgetid"};
const std::set<std::string> kExpectedFiles = {"iwpriv",   "ifconfig", "iwgetid", "nvram",
                                              "survey.txt", "calls.log", "out.txt"};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The stand-ins write each argument followed by a NUL and end a call with a
// line end; no recorded value holds a line end (the store's lines cannot).
std::vector<Call> calls_in(const std::string& log) {
    std::vector<Call> calls;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        Call call;
        std::size_t start = 0;
        for (std::size_t nul = line.find('\0'); nul != std::string::npos; nul = line.find('\0', start)) {
            call.push_back(line.substr(start, nul - start));
            start = nul + 1;
        }
        calls.push_back(call);
    }
    return calls;
}

std::string show(const Call& call) {
    std::string text;
    for (const std::string& word : call) text += "<" + word + ">";
    return text;
}

// --- the values ------------------------------------------------------------

// Repeats `text` until it is `length` bytes long.
std::string filled(const std::string& text, std::size_t length) {
    std::string out;
    while (out.size() < length) out += text;
    out.resize(length);
    return out;
}

// Values that a shell would act on if they reached it unquoted: each tries
// to create a file in the daemon's working directory, expand to something
// else or split into more arguments. Their lengths also hit the key rules'
// limits (5, 10, 13, 26 characters for a WEP key; 8 to 64 for a pre-shared
// key).
std::vector<std::string> hostile_values() {
    return {
        "$(touch canary)",
        "`touch canary`",
        ";touch canary",  // 13
        "x' ; touch canary ; 'y",
        "\" && touch canary && \"",
        "|touch canary|",
        ">cnry",           // 5
        ">canary #x",      // 10
        filled(">canary;$(touch canary)#", 26),
        filled("$(touch canary);`touch canary`|", 64),
        "a\\",
        "* ~ $HOME ${IFS} !! # ? [a]",
        "Café ☕ ünïcødé 🚀",
        "\ttab\tand\rreturn",
        "  padded  ",
        "%s%n%x%%",
        "-rf /",
        filled("$(touch canary);`touch canary`|>canary2 & '\"\\", 1000),
    };
}

Store base_store() {
    return {
        {"OperationMode", "3"},     {"ApCliEnable", "1"},      {"ApCliSsid", "upstream"},
        {"ApCliBssid", ""},         {"ApCliAuthMode", "WPA2PSK"}, {"ApCliEncrypType", "AES"},
        {"AuthMode", "WPA2PSK"},    {"EncrypType", "AES"},     {"HT_EXTCHA", "1"},
        {"HT_BW", "1"},             {"SSID1", "repeater"},     {"WPAPSK1", "correct horse battery"},
        {"DefaultKeyID", "1"},      {"Key1Str1", "abcde"},
    };
}

// --- the survey table ------------------------------------------------------

const std::string kSurveyHeader =
    "ra0       get_site_survey:\n"
    "Ch  SSID                             BSSID               Security               "
    "Siganl(%)W-Mode  ExtCH  NT WPS\n";

// A row at the driver's fixed columns; `ssidLen` as printed.
std::string survey_row(int channel, const std::string& ssid, const std::string& bssid,
                       const std::string& security, const std::string& ext, const std::string& ssidLen) {
    std::string line(113, ' ');
    auto put = [&line](std::size_t column, const std::string& text) {
        if (line.size() < column + text.size()) line.resize(column + text.size(), ' ');
        line.replace(column, text.size(), text);
    };
    put(0, std::to_string(channel));
    put(4, ssidLen);
    put(7, ssid);
    put(40, bssid);
    put(60, security);
    put(83, "90");
    put(92, "11b/g/n");
    put(100, ext);
    put(107, "In");
    put(110, "NO");
    return line + "\n";
}

std::string survey_row(int channel, const std::string& ssid, const std::string& bssid,
                       const std::string& security, const std::string& ext) {
    return survey_row(channel, ssid, bssid, security, ext, std::to_string(ssid.size()));
}

// --- one daemon --------------------------------------------------------------

struct DaemonRun {
    std::string name;
    Store store;
    std::string survey;
    std::vector<Call> expected;  // the calls up to the first survey's effect
    std::string expectedOut;     // a text the output must hold ("" for none)

    fs::path dir;
    pid_t pid = -1;
    bool endedByItself = false;
    int status = 0;
};

// The calls of start-up, the link watch's set-up and one survey.
std::vector<Call> startup_and_survey() {
    return {
        {"iwgetid", "-c", "ra0"},
        {"ifconfig", "ra0", "down"},
        {"iwpriv", "ra0", "set", "SiteSurvey=1"},
        {"iwpriv", "ra0", "get_site_survey"},
    };
}

bool is_wep_key(std::size_t n) { return n == 5 || n == 10 || n == 13 || n == 26; }
bool is_psk(std::size_t n) { return n >= 8 && n <= 64; }

// The calls that re-program the radio to an upstream on `channel` with the
// extension flag `extFlag`, for the own security and keys in `store`; the
// key line the daemon prints for an invalid key goes to `out`.
std::vector<Call> apply_calls(const Store& store, int channel, const char* extFlag, std::string& out) {
    std::vector<Call> calls = {
        {"iwpriv", "ra0", "set", "Channel=" + std::to_string(channel)},
        {"iwpriv", "ra0", "set", std::string("HtExtcha=") + extFlag},
        {"iwpriv", "ra0", "set", "HtBw=" + store.at("HT_BW")},
    };
    if (store.at("AuthMode").find("PSK") != std::string::npos) {
        const std::string& psk = store.at("WPAPSK1");
        if (is_psk(psk.size())) {
            calls.push_back({"iwpriv", "ra0", "set", "WPAPSK=" + psk});
        } else {
            out = "Invalid Key=" + psk + "\n";
        }
    } else {
        calls.push_back({"iwpriv", "ra0", "set", "DefaultKeyID=" + store.at("DefaultKeyID")});
        const std::string& key = store.at("Key1Str1");
        if (is_wep_key(key.size())) {
            calls.push_back({"iwpriv", "ra0", "set", "Key1=" + key});
        } else {
            out = "Invalid Key=" + key + "\n";
        }
    }
    calls.push_back({"iwpriv", "ra0", "set", "SSID=" + store.at("SSID1")});
    return calls;
}

// Calls that may follow once the first survey's effect is done: more
// surveys (the radio already matches the upstream) and the gate.
bool is_routine(const Call& call) {
    static const std::vector<Call> routine = {
        {"iwpriv", "ra0", "set", "SiteSurvey=1"},
        {"iwpriv", "ra0", "get_site_survey"},
        {"ifconfig", "ra0", "down"},
        {"ifconfig", "ra0", "up"},
    };
    for (const Call& r : routine) {
        if (call == r) return true;
    }
    return false;
}

// A daemon that is expected to survey and do nothing more.
DaemonRun make_run(const std::string& name, const Store& store, const std::string& survey) {
    DaemonRun run;
    run.name = name;
    run.store = store;
    run.survey = survey;
    run.expected = startup_and_survey();
    return run;
}

void launch(DaemonRun& run, const fs::path& root) {
    run.dir = root / run.name;
    fs::create_directories(run.dir);
    for (const char* tool : kTools) {
        fs::copy_file(fs::path(RELAYWATCH_SOURCE_DIR) / "tests" / "hostile_tools" / tool, run.dir / tool);
        fs::permissions(run.dir / tool, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    }
    {
        std::ofstream store(run.dir / "nvram", std::ios::binary);
        for (const auto& [key, value] : run.store) store << key << '=' << value << '\n';
        std::ofstream(run.dir / "survey.txt", std::ios::binary) << run.survey;
    }

    std::string path = run.dir.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    std::string store = (run.dir / "nvram").string();
    std::string out = (run.dir / "out.txt").string();
    run.pid = fork();
    ASSERT_GE(run.pid, 0);
    if (run.pid == 0) {
        setpgid(0, 0);  // its own group, so its tools go with it
        int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || chdir(run.dir.c_str()) != 0) _exit(127);
        dup2(fd, 1);
        dup2(fd, 2);
        setenv("PATH", path.c_str(), 1);
        setenv("RELAYWATCH_NVRAM", store.c_str(), 1);
        // One slot and no pause: a survey every pass, so two come quickly.
        execl(RELAYWATCH_BIN, "relaywatch", "1", "0", "debug", static_cast<char*>(nullptr));
        _exit(127);
    }
    setpgid(run.pid, run.pid);
}

int surveys_read(const DaemonRun& run) {
    int n = 0;
    for (const Call& call : calls_in(read_file(run.dir / "calls.log"))) {
        if (call == Call{"iwpriv", "ra0", "get_site_survey"}) ++n;
    }
    return n;
}

// Runs every daemon at once until each has read the survey twice (so it
// came through the first survey's effect and kept going), ended by itself,
// or the time is up; then stops them all.
void run_all(std::vector<DaemonRun>& runs, const fs::path& root) {
    for (DaemonRun& run : runs) {
        launch(run, root);
        if (run.pid <= 0) return;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    for (;;) {
        bool allDone = true;
        for (DaemonRun& run : runs) {
            if (run.endedByItself) continue;
            if (waitpid(run.pid, &run.status, WNOHANG) == run.pid) {
                run.endedByItself = true;
                continue;
            }
            if (surveys_read(run) < 2) allDone = false;
        }
        if (allDone || std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (DaemonRun& run : runs) {
        if (run.endedByItself) continue;
        kill(-run.pid, SIGKILL);
        waitpid(run.pid, &run.status, 0);
    }
}

void check(const DaemonRun& run) {
    SCOPED_TRACE(run.name);
    const std::string out = read_file(run.dir / "out.txt");
    EXPECT_FALSE(run.endedByItself) << "status " << run.status << "\n" << out;
    EXPECT_GE(surveys_read(run), 2) << "the daemon did not come round to a second survey\n" << out;

    const std::vector<Call> calls = calls_in(read_file(run.dir / "calls.log"));
    std::size_t n = 0;
    for (; n < run.expected.size() && n < calls.size(); ++n) {
        EXPECT_EQ(show(calls[n]), show(run.expected[n])) << "call " << n;
    }
    EXPECT_GE(calls.size(), run.expected.size());
    for (; n < calls.size(); ++n) EXPECT_TRUE(is_routine(calls[n])) << "call " << n << ": " << show(calls[n]);

    if (!run.expectedOut.empty()) {
        EXPECT_NE(out.find(run.expectedOut), std::string::npos) << out;
    }

    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(run.dir)) files.insert(entry.path().filename().string());
    EXPECT_EQ(files, kExpectedFiles) << "a command the daemon was not meant to run left a file";
}

class HostileExec : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/relaywatch-hostile-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void run_and_check(std::vector<DaemonRun>& runs) {
        run_all(runs, root);
        for (const DaemonRun& run : runs) check(run);
    }

    fs::path root;
};

// The upstream on channel 6 with the extension below, so the first survey
// re-programs the radio (ra0 starts on channel 1).
const std::string kUpstreamTable =
    kSurveyHeader + survey_row(11, "$(touch canary)", "00:11:22:33:44:66", "WPA2PSK/AES", "ABOVE") +
    survey_row(6, "upstream", "00:11:22:33:44:55", "WPA2PSK/AES", "BELOW");

DaemonRun upstream_run(const std::string& name, const Store& store) {
    DaemonRun run = make_run(name, store, kUpstreamTable);
    for (Call& call : apply_calls(store, 6, "0", run.expectedOut)) run.expected.push_back(call);
    return run;
}

// Every hostile value in every key that reaches a command line, in the
// pre-shared key mode and in the WEP mode: each run gives each key a
// different value, and over the runs each key gets each value.
TEST_F(HostileExec, StoredValuesReachTheToolsAsOneArgumentEach) {
    const std::vector<std::string> values = hostile_values();
    const std::size_t n = values.size();
    std::vector<DaemonRun> runs;
    for (std::size_t i = 0; i < n; ++i) {
        Store psk = base_store();
        psk["SSID1"] = values[i];
        psk["HT_BW"] = values[(i + 1) % n];
        psk["WPAPSK1"] = values[(i + 2) % n];
        runs.push_back(upstream_run("psk" + std::to_string(i), psk));

        Store wep = base_store();
        wep["AuthMode"] = i % 2 == 0 ? "SHARED" : "OPEN";
        wep["EncrypType"] = "WEP";
        wep["SSID1"] = values[(i + 3) % n];
        wep["HT_BW"] = values[(i + 4) % n];
        wep["DefaultKeyID"] = values[(i + 5) % n];
        wep["Key1Str1"] = values[(i + 6) % n];
        runs.push_back(upstream_run("wep" + std::to_string(i), wep));
    }
    run_and_check(runs);
}

// The configured upstream's SSID and BSSID are only compared, never run:
// with a hostile BSSID configured nothing in the table is the upstream, and
// a hostile SSID that the table does show is followed like any other.
TEST_F(HostileExec, HostileUpstreamSettingsAreOnlyCompared) {
    const std::vector<std::string> values = hostile_values();
    const std::size_t n = values.size();
    std::string table = kSurveyHeader;
    for (const std::string& v : values) {
        if (v.size() <= 32) table += survey_row(11, v, "00:11:22:33:44:66", "WPA2PSK/AES", "ABOVE");
    }
    std::vector<DaemonRun> runs;
    for (std::size_t i = 0; i < n; ++i) {
        Store store = base_store();
        store["ApCliSsid"] = values[i];
        store["ApCliBssid"] = values[(i + 1) % n];
        runs.push_back(make_run("client" + std::to_string(i), store, table));
    }

    Store found = base_store();
    found["ApCliSsid"] = "$(touch canary)";
    DaemonRun followed = make_run("followed", found, table);
    for (Call& call : apply_calls(found, 11, "1", followed.expectedOut)) followed.expected.push_back(call);
    runs.push_back(followed);
    run_and_check(runs);
}

// Survey output that is no table: the daemon reads it, finds nothing to
// follow and issues nothing but the next survey.
TEST_F(HostileExec, GarbageSurveyOutputIssuesNoCommand) {
    const std::string upstream = survey_row(6, "upstream", "00:11:22:33:44:55", "WPA2PSK/AES", "BELOW");
    std::string binary;
    for (int round = 0; round < 8; ++round) {
        for (int c = 0; c < 256; ++c) binary += static_cast<char>(c);
    }
    std::string truncated = kSurveyHeader;
    for (std::size_t cut : {1u, 3u, 5u, 20u, 45u, 59u, 70u}) truncated += upstream.substr(0, cut) + "\n";
    truncated += upstream.substr(0, 30);  // and a last one without its line end

    const std::vector<std::pair<std::string, std::string>> surveys = {
        {"header_only", kSurveyHeader},
        {"one_header_line", "ra0       get_site_survey:"},
        {"empty", ""},
        {"long_lines", kSurveyHeader + std::string(10000, 'A') + "\n" +
                           filled("$(touch canary);`x`|>canary&'\"\\", 10000) + "\n" +
                           filled("upstream ", 10000) + "\n"},
        {"binary", kSurveyHeader + binary},
        {"binary_no_header", binary},
        {"ssid_length_99", kSurveyHeader + survey_row(6, "upstream", "00:11:22:33:44:55",
                                                      "WPA2PSK/AES", "BELOW", "99")},
        {"ssid_length_minus_5", kSurveyHeader + survey_row(6, "upstream", "00:11:22:33:44:55",
                                                           "WPA2PSK/AES", "BELOW", "-5")},
        {"truncated_rows", truncated},
    };
    std::vector<DaemonRun> runs;
    for (const auto& [name, survey] : surveys) {
        runs.push_back(make_run(name, base_store(), survey));
    }
    run_and_check(runs);
}

}  // namespace
