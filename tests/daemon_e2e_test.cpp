// SPDX-License-Identifier: ISC
// The built daemon as a process, end to end, in a directory of its own with
// the store file, the survey table (survey.txt) and the recording stand-ins
// of tests/tools, which log each call to calls.log (the tool's name and
// arguments, each followed by a NUL, then a line end), its output in out.txt.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fake_test.h"

namespace {

namespace fs = std::filesystem;
using Call = std::vector<std::string>;  // the tool's name, then its arguments

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The calls logged in `dir`. No logged argument begins with a line end.
std::vector<Call> calls_in(const fs::path& dir) {
    const std::string log = read_file(dir / "calls.log");
    std::vector<Call> calls(1);
    for (std::size_t start = 0, nul; (nul = log.find('\0', start)) != std::string::npos; start = nul + 1) {
        calls.back().push_back(log.substr(start, nul - start));
        if (log.compare(nul + 1, 1, "\n") == 0) {
            calls.emplace_back();
            ++nul;
        }
    }
    calls.pop_back();
    return calls;
}

class DaemonProcess : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/relaywatch-exec-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path prepare(const std::string& name, const Store& store, const std::string& survey = "") {
        fs::path dir = root / name;
        fs::create_directories(dir);
        for (const auto& tool : fs::directory_iterator(fs::path(RELAYWATCH_SOURCE_DIR) / "tests" / "tools")) {
            fs::copy_file(tool, dir / tool.path().filename());
        }
        std::ofstream file(dir / "nvram", std::ios::binary);
        for (const auto& [key, value] : store) file << key << '=' << value << '\n';
        std::ofstream(dir / "survey.txt", std::ios::binary) << survey;
        return dir;
    }

    // Runs the daemon in `dir` until it ends or has run `seconds` (then it is
    // killed); returns the exit status the shell reports (137: killed).
    // RELAYWATCH_TEST_DAEMON, when set, names the daemon to run instead of
    // the one this build made (the musl and store-library checks use it).
    static int run(const fs::path& dir, const std::string& args, int seconds, const char* output = ">out.txt 2>&1") {
        const char* other = std::getenv("RELAYWATCH_TEST_DAEMON");
        const std::string daemon = other != nullptr && other[0] != '\0' ? other : RELAYWATCH_BIN;
        const std::string command = "cd '" + dir.string() +
                                    "' && PATH=.:\"$PATH\" RELAYWATCH_NVRAM=nvram timeout -s KILL " +
                                    std::to_string(seconds) + " '" + daemon + "' " + args + " " + output;
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path root;
};

const Call kTrigger = {"iwpriv", "ra0", "set", "SiteSurvey=1"}, kRead = {"iwpriv", "ra0", "get_site_survey"};

Call set(const std::string& what) {
    return {"iwpriv", "ra0", "set", what};
}

// Each stored value reaches its tool through /bin/sh as the one argument it
// was stored as; the configured SSID is only compared. None may leave a file.
TEST_F(DaemonProcess, RecoversAndReprogramsTheRadioWithHostileStoredValues) {
    const std::string upstream = "up $(touch canary)", ssid = "Café ☕ `touch canary`;touch canary|>canary&",
                      bandwidth = "1 >canary", key = "x' ; touch canary ; 'y\\ \"&& $HOME * #";
    const Store store = repeater_store({{"ApCliAuthMode", "WPAPSK"},
                                        {"ApCliEncrypType", "TKIP"},
                                        {"AuthMode", "WPAPSKWPA2PSK"},
                                        {"EncrypType", "TKIPAES"},
                                        {"ApCliSsid", upstream},
                                        {"SSID1", ssid},
                                        {"HT_BW", bandwidth},
                                        {"WPAPSK1", key}});
    fs::path dir = prepare("e2e", store,
                           survey_table({{"11", "neighbour", "00:11:22:33:44:66"},
                                         {"3", "", "00:11:22:33:44:77", "NONE"},
                                         {"6", upstream, "00:11:22:33:44:55", "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}}));
    EXPECT_EQ(run(dir, "10 0 debug", 10), 137);  // 4 s of survey, then passes until it is killed
    std::vector<Call> calls = calls_in(dir);
    calls.resize(11);  // the first recovery's
    EXPECT_EQ(calls, (std::vector<Call>{{"iwgetid", "-c", "ra0"},
                                        {"ifconfig", "ra0", "down"},
                                        kTrigger,
                                        kRead,
                                        {"iwpriv", "apcli0", "set", "ApCliAuthMode=WPA2PSK"},
                                        {"iwpriv", "apcli0", "set", "ApCliEncrypType=AES"},
                                        set("Channel=6"),
                                        set("HtExtcha=0"),
                                        set("HtBw=" + bandwidth),
                                        set("WPAPSK=" + key),
                                        set("SSID=" + ssid)}));
    EXPECT_FALSE(fs::exists(dir / "canary"));
}

// Its line written exactly once; with its standard output closed, the
// daemon loses the line, not its way.
TEST_F(DaemonProcess, EndsAtStartUpWithItsOutputOpenOrClosed) {
    const fs::path dir = prepare("closed", repeater_store({{"OperationMode", "1"}}), "");
    EXPECT_EQ(run(dir, "10 3", 10), 0);
    EXPECT_EQ(read_file(dir / "out.txt"), "relaywatch: error, not repeater mode!\n");
    EXPECT_EQ(run(dir, "10 3", 10, ">&- 2>&-"), 0);
}

}  // namespace
