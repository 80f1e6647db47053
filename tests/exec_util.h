// Running the built daemon as a process. Each run has a directory of its
// own with the store file, the survey table (survey.txt) and the recording
// stand-ins of tests/tools, which log each call to calls.log: the tool's
// name and arguments, each followed by a NUL, then a line end. The daemon
// runs there with the directory first on PATH, its output into out.txt.
// RELAYWATCH_TEST_DAEMON, when set, names the daemon to run instead of the
// one this build made.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/router_text.h"

namespace exec_util {

namespace fs = std::filesystem;
using Call = std::vector<std::string>;  // the tool's name, then its arguments

inline std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The calls logged in `dir`. No logged argument begins with a line end.
inline std::vector<Call> calls_in(const fs::path& dir) {
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

// Checks `done()` every 100 ms until it holds (true) or `seconds` pass.
template <class Done>
bool poll(Done done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
    return true;
}

class ExecTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/relaywatch-exec-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
    }
    void TearDown() override {
        for (const auto& [pid, status] : waits) stop(pid);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path prepare(const std::string& name, const Store& store, const std::string& survey = "") {
        const fs::path dir = root / name;
        fs::create_directories(dir);
        for (const char* tool : {"iwpriv", "ifconfig", "iwgetid"}) {
            fs::copy_file(fs::path(RELAYWATCH_SOURCE_DIR) / "tests" / "tools" / tool, dir / tool);
        }
        std::ofstream file(dir / "nvram", std::ios::binary);
        for (const auto& [key, value] : store) file << key << '=' << value << '\n';
        std::ofstream(dir / "survey.txt", std::ios::binary) << survey;
        return dir;
    }

    // Starts the daemon in `dir`, in a process group of its own so that its
    // tools are stopped with it.
    pid_t launch(const fs::path& dir, std::vector<std::string> args) {
        args.insert(args.begin(), "relaywatch");
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const std::string path = dir.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
        const std::string store = (dir / "nvram").string(), out = (dir / "out.txt").string();
        const char* daemon = std::getenv("RELAYWATCH_TEST_DAEMON");
        if (daemon == nullptr || daemon[0] == '\0') daemon = RELAYWATCH_BIN;
        const pid_t pid = fork();
        if (pid == 0) {
            setpgid(0, 0);
            int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || chdir(dir.c_str()) != 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0) _exit(127);
            setenv("PATH", path.c_str(), 1);
            setenv("RELAYWATCH_NVRAM", store.c_str(), 1);
            execv(daemon, argv.data());
            _exit(127);
        }
        EXPECT_GT(pid, 0);
        setpgid(pid, pid);
        waits[pid] = -1;
        return pid;
    }

    // True once the daemon has ended; its wait status is then in `waits`.
    bool ended(pid_t pid) {
        if (waits[pid] == -1 && waitpid(pid, &waits[pid], WNOHANG) != pid) waits[pid] = -1;
        return waits[pid] != -1;
    }

    void stop(pid_t pid) {
        if (ended(pid)) return;
        kill(-pid, SIGKILL);
        waitpid(pid, &waits[pid], 0);
    }

    fs::path root;
    std::map<pid_t, int> waits;  // -1 while running
};

}  // namespace exec_util
