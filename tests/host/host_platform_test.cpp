// SPDX-License-Identifier: ISC
// The host platform where the daemon's own runs cannot take it: a pipe that
// cannot be opened, a request the driver refuses, a pause cut short by a
// signal, a write to standard output cut short. Linked with popen, pclose,
// sleep and write wrapped, so that a test can make them fail, count the
// pipes left open, see each sleep asked for and take the output piecewise.
#include <gtest/gtest.h>
#include <linux/wireless.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {
bool popenFails = false;
int pipesOpen = 0;
std::vector<unsigned> sleeps;
bool takeOutput = false;  // standard output taken in pieces into `output`
std::string output;
}  // namespace

// The linker's --wrap gives these their names: __wrap_X stands in for X and
// __real_X is the C library's X.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
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
// While `takeOutput` is set, standard output is a pipe that takes at most
// three bytes a write and is interrupted by a signal before every piece.
ssize_t __real_write(int fd, const void* data, size_t len);
ssize_t __wrap_write(int fd, const void* data, size_t len) {
    if (!takeOutput || fd != STDOUT_FILENO) return __real_write(fd, data, len);
    static bool interrupt = true;
    if ((interrupt = !interrupt)) {
        errno = EINTR;
        return -1;
    }
    const size_t n = len < 3 ? len : 3;
    output.append(static_cast<const char*>(data), n);
    return static_cast<ssize_t>(n);
}
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

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
    int type = 0;
    socklen_t typeLength = sizeof type;
    ASSERT_EQ(getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength), 0);
    EXPECT_EQ(type, SOCK_DGRAM);
    iwreq request;
    std::memset(&request, 0, sizeof request);
    std::strcpy(request.ifr_name, "nosuch0");
    EXPECT_NE(plat::socket_ioctl(fd, SIOCIWFIRSTPRIV + 1, &request), 0);
    plat::socket_close(fd);
    plat::sleep_seconds(0);
    plat::sleep_seconds(5);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{5, 2, 1}));
}

TEST(HostPlatform, ALineWrittenPiecewiseAndInterruptedComesOutWhole) {
    takeOutput = true;
    plat::write_out("relaywatch: AP enable\n", 22);
    takeOutput = false;
    EXPECT_EQ(output, "relaywatch: AP enable\n");
}

}  // namespace
