// The host platform where the daemon's own runs cannot take it: a pipe that
// cannot be opened, a request the driver refuses, a pause cut short by a
// signal. Linked with popen, pclose and sleep wrapped, so that a test can
// make them fail, count the pipes left open and see each sleep asked for.
#include <gtest/gtest.h>
#include <linux/wireless.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {
bool popenFails = false;
int pipesOpen = 0;
std::vector<unsigned> sleeps;
}  // namespace

extern "C" {
FILE* __real_popen(const char* command, const char* mode);
int __real_pclose(FILE* pipe);

FILE* __wrap_popen(const char* command, const char* mode) {
    FILE* pipe = popenFails ? nullptr : __real_popen(command, mode);
    pipesOpen += pipe != nullptr ? 1 : 0;
    return pipe;
}
int __wrap_pclose(FILE* pipe) {
    --pipesOpen;
    return __real_pclose(pipe);
}
// A signal wakes every sleep halfway: the seconds left are returned.
unsigned __wrap_sleep(unsigned seconds) {
    sleeps.push_back(seconds);
    return seconds / 2;
}
}

namespace {

std::string read_all(const char* command) {
    plat::Output* out = plat::output_open(command);
    if (out == nullptr) return "(no stream)";
    std::string text;
    char buf[3];
    for (std::size_t n; (n = plat::output_read(out, buf, sizeof buf)) > 0;) text.append(buf, n);
    plat::output_close(out);
    return text;
}

TEST(HostPlatform, PipeReadsTheWholeOutputAndFailuresLeaveNoPipeOpen) {
    EXPECT_EQ(read_all("printf 'one\\ntwo'"), "one\ntwo");
    popenFails = true;
    EXPECT_EQ(read_all("echo x"), "(no stream)");
    popenFails = false;
    EXPECT_EQ(pipesOpen, 0);
}

TEST(HostPlatform, RefusedDriverRequestAndAPauseSleptOutAfterEachSignal) {
    const int fd = plat::socket_open();
    ASSERT_GE(fd, 0);
    iwreq request;
    std::memset(&request, 0, sizeof request);
    std::strcpy(request.ifr_name, "nosuch0");
    EXPECT_NE(plat::socket_ioctl(fd, SIOCIWFIRSTPRIV + 1, &request), 0);
    plat::socket_close(fd);
    plat::sleep_seconds(0);
    plat::sleep_seconds(5);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{5, 2, 1}));
}

}  // namespace
