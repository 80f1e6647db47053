// SPDX-License-Identifier: ISC
// The two driver queries: the connect status through the driver's private
// request, and the channel of ra0 through iwgetid.
#include <linux/wireless.h>

#include <cstdint>
#include <cstring>

#include "platform/io.h"
#include "platform/platform.h"
#include "radio/radio.h"

namespace {

// The driver's private request for the connect status: SIOCIWFIRSTPRIV + 1,
// sub-command 0x060B in the request's flags.
constexpr unsigned long kConnStatusRequest = 0x8BE1;
constexpr unsigned short kConnStatusSubcommand = 0x060B;
static_assert(kConnStatusRequest == SIOCIWFIRSTPRIV + 1);

// A socket for the request, closed on every way out.
struct DriverSocket {
    int fd;
    DriverSocket() : fd(plat::socket_open()) {}
    DriverSocket(const DriverSocket&) = delete;
    DriverSocket& operator=(const DriverSocket&) = delete;
    ~DriverSocket() {
        if (fd >= 0) plat::socket_close(fd);
    }
};

constexpr const char* kChannelQuery = "iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'";

}  // namespace

int getRPStatus(const char* ifname) {
    std::int32_t result = 0;
    DriverSocket sock;
    if (sock.fd < 0) return 0;

    iwreq request;
    std::memset(&request, 0, sizeof request);
    std::strncpy(request.ifr_name, ifname, IFNAMSIZ - 1);  // at most 15 characters, zero-terminated
    request.u.data.pointer = &result;
    request.u.data.length = sizeof result;
    request.u.data.flags = kConnStatusSubcommand;
    if (plat::socket_ioctl(sock.fd, kConnStatusRequest, &request) != 0) return 0;
    return result;
}

int getWlanCurrentChannel() {
    // A query that could not be started reads as an empty output (the
    // stream's reads end at once), and so as no channel: no test of its own.
    CommandOutput pipe(kChannelQuery);
    char line[32];  // one line of at most 31 characters
    read_line(pipe, line, sizeof line);
    return parse_int(static_cast<const char*>(line));
}
