// The built daemon end to end: a store file and stand-ins for iwpriv,
// ifconfig and iwgetid (tests/tools/) that record what they are asked. The
// daemon starts, takes ra0 down, surveys, finds the upstream on another
// channel and re-programs the radio; then it is killed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/supervisor_fixture.h"

namespace {

namespace fs = std::filesystem;
using supervisor_test::survey_table;

std::string read_file(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class DaemonEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/relaywatch-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        for (const char* tool : {"iwpriv", "ifconfig", "iwgetid"}) {
            fs::copy_file(fs::path(RELAYWATCH_SOURCE_DIR) / "tests" / "tools" / tool, dir / tool);
            fs::permissions(dir / tool, fs::perms::owner_all | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec);
        }
    }

    void TearDown() override {
        stop();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Starts the daemon with `args`, standard output and error into out.txt,
    // the tool directory first on PATH and the rest of PATH kept.
    void launch(const std::vector<std::string>& args) {
        std::string path = dir.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
        std::string store = (dir / "nvram").string();
        std::string out = (dir / "out.txt").string();
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("relaywatch"));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            setpgid(0, 0);  // its own group, so its tools go with it
            int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || chdir(dir.c_str()) != 0) _exit(127);
            dup2(fd, 1);
            dup2(fd, 2);
            setenv("PATH", path.c_str(), 1);
            setenv("RELAYWATCH_NVRAM", store.c_str(), 1);
            execv(RELAYWATCH_BIN, argv.data());
            _exit(127);
        }
        setpgid(pid, pid);
    }

    // Waits, at most `limit`, until out.txt holds `text`.
    bool wait_for(const std::string& text, std::chrono::seconds limit) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (read_file(dir / "out.txt").find(text) != std::string::npos) return true;
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;  // ended by itself: nothing more will come
                return read_file(dir / "out.txt").find(text) != std::string::npos;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    void stop() {
        if (pid <= 0) return;
        kill(-pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }

    fs::path dir;
    pid_t pid = -1;
};

TEST_F(DaemonEndToEnd, RecoversAndReprogramsTheRadio) {
    std::ofstream(dir / "nvram") << "OperationMode=3\n"
                                    "ApCliEnable=1\n"
                                    "ApCliSsid=upstream\n"
                                    "ApCliBssid=\n"
                                    "ApCliAuthMode=WPAPSK\n"
                                    "ApCliEncrypType=TKIP\n"
                                    "AuthMode=WPAPSKWPA2PSK\n"
                                    "EncrypType=TKIPAES\n"
                                    "HT_EXTCHA=1\n"
                                    "HT_BW=1\n"
                                    "SSID1=my repeater\n"
                                    "WPAPSK1=correct horse battery\n";
    std::ofstream(dir / "survey.txt")
        << survey_table({{11, "neighbour", "00:11:22:33:44:66", "WPA2PSK/AES"},
                         {3, "", "00:11:22:33:44:77", "NONE"},
                         {6, "upstream", "00:11:22:33:44:55", "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}});

    launch({"10", "3", "debug"});
    // First pass: 4 s of survey, 3 s of pause, 1 s of sleep; then sampling
    // passes of a second each. The third pass shows that the loop runs on.
    bool reached = wait_for("relaywatch: resetTimerArray[02]=", std::chrono::seconds(40));
    stop();
    std::string out = read_file(dir / "out.txt");
    ASSERT_TRUE(reached) << out;

    EXPECT_EQ(out.rfind("relaywatch: Start (looptime=10, sleeptime=3)\n"
                        "relaywatch: AP disable\n"
                        "relaywatch: Scanning...\n"
                        "relaywatch: current Auth=WPAPSK EncrypType=TKIP Ch=1 ExtCh=1\n"
                        "relaywatch: Found AP upstream[] Ch=6(BELOW) "
                        "Mode=WPA-PSK/WPA2-PSK(TKIP/AES)\n"
                        "relaywatch: Mode is changed, apply new settings...\n"
                        "relaywatch: manual_get_BSSID=00:11:22:33:44:55\n",
                        0),
              0u)
        << out;
    // Without the driver the status request fails: the uplink reads as down.
    EXPECT_NE(out.find("relaywatch: resetTimerArray[01]=0  [1011111111]\n"
                       "relaywatch: resetTimerArray[02]=0  [1001111111]\n"),
              std::string::npos)
        << out;

    EXPECT_EQ(lines_of(read_file(dir / "calls.log")),
              (std::vector<std::string>{
                  "iwgetid <-c> <ra0>",
                  "ifconfig <ra0> <down>",
                  "iwpriv <ra0> <set> <SiteSurvey=1>",
                  "iwpriv <ra0> <get_site_survey>",
                  "iwpriv <apcli0> <set> <ApCliAuthMode=WPA2PSK>",
                  "iwpriv <apcli0> <set> <ApCliEncrypType=AES>",
                  "iwpriv <ra0> <set> <Channel=6>",
                  "iwpriv <ra0> <set> <HtExtcha=0>",
                  "iwpriv <ra0> <set> <HtBw=1>",
                  "iwpriv <ra0> <set> <WPAPSK=correct horse battery>",
                  "iwpriv <ra0> <set> <SSID=my repeater>",
              }));
}

}  // namespace
