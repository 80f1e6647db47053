// The two driver queries: the connect-status request and the channel query.
#include <linux/wireless.h>

#include <optional>
#include <string>
#include <vector>

#include "radio/radio.h"
#include "tests/fake_platform.h"

namespace {

const char* const kChannelQuery = "iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'";

using DriverQuery = FakeTest;

TEST_F(DriverQuery, StatusRequestCarriesTheConnectStatusRecord) {
    fake.statuses = {1};
    EXPECT_EQ(getRPStatus("apcli0"), 1);
    EXPECT_EQ(fake.ioctl_ifname, "apcli0");
    EXPECT_EQ(fake.ioctl_request, 0x8BE1u);
    EXPECT_EQ(fake.ioctl_length, 4u);
    EXPECT_EQ(fake.ioctl_flags, 0x060Bu);
    EXPECT_TRUE(fake.ioctl_pointer_set);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"socket", "ioctl", "close"}));
    EXPECT_EQ(fake.sockets_open, 0);
}

TEST_F(DriverQuery, StatusIsTheDriversWord) {
    for (int word : {0, 1, 2, -1}) {
        fake.statuses = {word};
        EXPECT_EQ(getRPStatus("apcli0"), word);
    }
}

TEST_F(DriverQuery, NoSocketMeansNoRequestAndZero) {
    fake.socket_fails = true;
    fake.statuses = {1};
    EXPECT_EQ(getRPStatus("apcli0"), 0);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"socket"}));
}

TEST_F(DriverQuery, RefusedRequestReadsZeroAndClosesTheSocket) {
    fake.ioctl_fails = true;
    fake.default_status = 1;
    EXPECT_EQ(getRPStatus("nosuch0"), 0);
    EXPECT_EQ(fake.events, (std::vector<std::string>{"socket", "ioctl", "close"}));
    EXPECT_EQ(fake.sockets_open, 0);
}

TEST_F(DriverQuery, LongInterfaceNameIsCutToFifteenCharacters) {
    fake.statuses = {0};
    getRPStatus("an-interface-name-far-too-long");
    EXPECT_EQ(fake.ioctl_ifname, "an-interface-na");
}

TEST_F(DriverQuery, ChannelFromTheIwgetidPipeline) {
    const std::pair<std::optional<std::string>, int> cases[] = {
        {"11\n", 11},     {"     11\n", 11}, {" 149 \n", 149}, {"6", 6},
        {"no digits\n", 0}, {"\n", 0},       {"", 0},          {std::nullopt, 0},
        {"  36\n  40\n", 36},
    };
    for (const auto& [output, channel] : cases) {
        fake.outputs[kChannelQuery] = {output};
        EXPECT_EQ(getWlanCurrentChannel(), channel) << output.value_or("(no pipe)");
        EXPECT_EQ(fake.outputs_open, 0);
    }
    EXPECT_EQ(fake.events_of("read ").back(), kChannelQuery);
}

}  // namespace
