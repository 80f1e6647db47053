// The built daemon as a process: start-up paths and exit statuses, with a
// store file and a fake iwgetid on PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

class StartupExec : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/relaywatch-exec-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        std::ofstream(dir + "/iwgetid") << "#!/bin/sh\necho \"ra0       Channel:6\"\n";
        chmod((dir + "/iwgetid").c_str(), 0755);
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    // Runs the daemon with `args`; returns its exit status and fills `out`.
    int run(const std::string& store, const std::string& args, std::string& out) {
        std::ofstream(dir + "/nvram") << store;
        std::string command = "cd '" + dir + "' && RELAYWATCH_NVRAM='" + dir + "/nvram' PATH='" + dir +
                              "':\"$PATH\" timeout 10 " + RELAYWATCH_BIN + " " + args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return -1;
        out.clear();
        char buf[256];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
        int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir;
};

TEST_F(StartupExec, PathsAndExitStatuses) {
    struct Case {
        const char* store;
        const char* args;
        int status;
        const char* out;
    };
    const Case cases[] = {
        {"OperationMode=3\nApCliEnable=1\n", "10", 255,
         "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]"},
        {"OperationMode=3\nApCliEnable=1\n", "10 3 debug extra", 255,
         "Usage:\n\trelaywatch (looptime) (sleeptime) [debug]"},
        {"OperationMode=1\nApCliEnable=1\n", "10 3", 0, "relaywatch: error, not repeater mode!\n"},
        {"OperationMode=3abc\nApCliEnable=0\n", "10 3 debug", 0,
         "relaywatch: Start (looptime=10, sleeptime=3)\nrelaywatch: repeater is not enabled!\n"},
        {"OperationMode=3\nApCliEnable=1\n", "0 3", 255,
         "relaywatch: error, looptime must be at least 1 (looptime=0)\n"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(run(c.store, c.args, out), c.status) << c.args;
        EXPECT_EQ(out, c.out) << c.args;
    }
}

TEST_F(StartupExec, MissingStoreFileWarnsOnStandardErrorOnly) {
    std::string out;
    std::string command = "RELAYWATCH_NVRAM='" + dir + "/none' PATH='" + dir + "':\"$PATH\" " +
                          RELAYWATCH_BIN + " 10 3 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buf[256];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    int status = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(out, "relaywatch: error, not repeater mode!\n");
}

}  // namespace
