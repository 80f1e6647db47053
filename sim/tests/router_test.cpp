// The simulated router's link model and driver, driven directly and through
// the daemon's own driver queries.
#include <gtest/gtest.h>

#include <string>

#include "radio/radio.h"
#include "sim/router.h"
#include "sim/sim_platform.h"

namespace {

constexpr const char* kAir = R"(end 1h
store ApCliSsid=home
radio channel 6
ap home     ssid home        bssid 00:11:22:33:44:55 channel 6 security WPA2PSK/AES
ap decoy    ssid decoy       bssid 00:11:22:33:44:66 channel 1 security WPA2PSK/AES
ap hidden   hidden home      bssid 02:00:00:00:00:01 channel 11 security WPA2PSK/AES
ap other    hidden elsewhere bssid 02:00:00:00:00:02 channel 3 security WPA2PSK/AES
)";

// A router over a scenario, quiet, attached to the platform for its life.
struct Bench {
    explicit Bench(const std::string& text)
        : scenario(parse_scenario(text, "test.scn")),
          console(nullptr, scenario.end),
          recorder(scenario.end),
          router(scenario, scenario.end, console, recorder) {
        console.set_clock(&router.now);
        sim_platform_attach(&router, &console);
        router.start();
    }
    ~Bench() { sim_platform_detach(); }

    Scenario scenario;
    Console console;
    Recorder recorder;
    Router router;
};

TEST(SecurityRule, WhichClientSecurityAnAccessPointAccepts) {
    const struct {
        const char* security;
        const char* auth;
        const char* enc;
        bool accepted;
    } cases[] = {
        {"NONE", "OPEN", "NONE", true},
        {"NONE", "WPA2PSK", "AES", false},
        {"WEP", "OPEN", "WEP", true},
        {"WEP", "SHARED", "WEP", true},
        {"WEP", "OPEN", "NONE", false},
        {"WPA2PSK/AES", "WPA2PSK", "AES", true},
        {"WPA2PSK/AES", "WPA2PSK", "TKIP", false},
        {"WPA2PSK/AES", "WPAPSK", "AES", false},
        {"WPAPSK/TKIP", "WPAPSK", "TKIP", true},
        {"WPA2PSK/TKIPAES", "WPA2PSK", "TKIP", true},
        {"WPA1PSKWPA2PSK/TKIPAES", "WPAPSK", "TKIP", true},
        {"WPA1PSKWPA2PSK/TKIPAES", "WPA2PSK", "AES", true},
        {"WPA1PSKWPA2PSK/AES", "WPAPSK", "TKIP", false},
        {"WPA1PSKWPA2PSK/TKIPAES", "OPEN", "NONE", false},
        {"WPA2/AES", "WPA2PSK", "AES", false},
        {"WPA2PSK/TKIPAES", "WPA2PSK", "TKIPAES", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(security_accepts(c.security, c.auth, c.enc), c.accepted)
            << c.security << " with " << c.auth << "/" << c.enc;
    }
}

TEST(Router, ConnectsAfterTheDelayAndDropsWhenTheUpstreamMoves) {
    Bench b(std::string(kAir) + "at 20s move home channel 1\n");
    b.router.sleep(2);
    EXPECT_FALSE(b.router.link_up());
    b.router.sleep(1);
    EXPECT_TRUE(b.router.link_up()) << "3 s after start on home's channel";
    b.router.sleep(17);
    EXPECT_FALSE(b.router.link_up()) << "home moved away at 20 s";
    b.router.run("iwpriv ra0 set Channel=1");
    b.router.sleep(2);
    EXPECT_FALSE(b.router.link_up());
    b.router.sleep(1);
    EXPECT_TRUE(b.router.link_up());
    EXPECT_EQ(b.router.linked_ap(), 0) << "home, not the decoy on the same channel";
}

TEST(Router, SettingTheChannelRestartsTheAssociation) {
    Bench b(kAir);
    b.router.sleep(5);
    ASSERT_TRUE(b.router.link_up());
    b.router.run("iwpriv ra0 set Channel=6");
    EXPECT_FALSE(b.router.link_up());
    b.router.sleep(3);
    EXPECT_TRUE(b.router.link_up());
}

TEST(Router, AHiddenAccessPointAnswersForItsRealSsid) {
    Bench b(kAir);
    b.router.run("iwpriv ra0 set Channel=3");
    b.router.sleep(10);
    EXPECT_FALSE(b.router.link_up()) << "the hidden one on 3 is not home";
    b.router.run("iwpriv ra0 set Channel=11");
    b.router.sleep(3);
    EXPECT_TRUE(b.router.link_up());
    EXPECT_EQ(b.router.linked_ap(), 2);
}

TEST(Router, AConfiguredBssidSelectsTheAccessPoint) {
    Bench b(std::string(kAir) + "store ApCliBssid=02:00:00:00:00:02\n");
    b.router.sleep(10);
    EXPECT_FALSE(b.router.link_up()) << "home's SSID fits, its BSSID does not";
    b.router.run("iwpriv ra0 set Channel=3");
    b.router.sleep(3);
    EXPECT_TRUE(b.router.link_up()) << "hidden and found by its BSSID";
}

TEST(Router, ForcedDownAndRefusedSecurityKeepTheLinkDown) {
    Bench b(std::string(kAir) + "at 10s linkdown 20s\nat 40s security home WPAPSK/TKIP\n");
    b.router.sleep(9);
    EXPECT_TRUE(b.router.link_up());
    b.router.sleep(1);
    EXPECT_FALSE(b.router.link_up());
    b.router.sleep(22);
    EXPECT_FALSE(b.router.link_up()) << "forced down until 30 s, then the connect delay";
    b.router.sleep(1);
    EXPECT_TRUE(b.router.link_up());
    b.router.sleep(7);
    EXPECT_FALSE(b.router.link_up()) << "home no longer accepts WPA2PSK/AES";
    b.router.run("iwpriv apcli0 set ApCliAuthMode=WPAPSK");
    b.router.run("iwpriv apcli0 set ApCliEncrypType=TKIP");
    b.router.sleep(3);
    EXPECT_TRUE(b.router.link_up());
}

TEST(Router, AnswersTheDaemonsOwnDriverQueries) {
    Bench b(kAir);
    EXPECT_EQ(getWlanCurrentChannel(), 6);
    b.router.run("iwpriv ra0 set Channel=11");
    EXPECT_EQ(getWlanCurrentChannel(), 11);
    EXPECT_EQ(getRPStatus("apcli0"), 0);
    b.router.sleep(3);
    EXPECT_EQ(getRPStatus("apcli0"), 1);
    EXPECT_EQ(getRPStatus("ra0"), 0) << "the driver answers only for apcli0";
    EXPECT_EQ(sim_platform_holdings().sockets_open, 0);
}

TEST(Router, RefusesWhatTheToolsWouldNotTake) {
    Bench b(kAir);
    const char* refused[] = {
        "iwpriv ra0 set Channel=15",       "iwpriv ra0 set HtExtcha=2",   "iwpriv ra0 set WPAPSK=short",
        "iwpriv ra0 set SSID=my net",      "iwpriv ra0 set Frequency=5",  "iwpriv wlan9 set Channel=6",
        "ifconfig ra0 sideways",           "reboot",                      "iwpriv ra0 set SSID=a;reboot",
        "iwpriv apcli0 set ApCliAuthMode=WPA3",
    };
    for (const char* cmd : refused) b.router.run(cmd);
    EXPECT_EQ(b.router.counts().refused, static_cast<long>(std::size(refused)));
    EXPECT_EQ(b.router.radio().channel, 6);
    EXPECT_EQ(b.router.radio().extcha, 1);

    b.router.run("iwpriv ra0 set HtExtcha=0");
    b.router.run("iwpriv ra0 set SSID=my\\ net");
    b.router.run("ifconfig ra0 down");
    EXPECT_EQ(b.router.radio().extcha, 0);
    EXPECT_EQ(b.router.radio().ssid, "my net");
    EXPECT_FALSE(b.router.radio().ra0_up);
    EXPECT_EQ(b.router.counts().refused, static_cast<long>(std::size(refused)));
}

TEST(Router, RandomEventsComeFromTheSeedAlone) {
    Random a(42), b(42), c(43);
    for (int i = 0; i < 100; ++i) {
        long x = a.between(5, 600);
        EXPECT_EQ(x, b.between(5, 600));
        EXPECT_GE(x, 5);
        EXPECT_LE(x, 600);
    }
    EXPECT_NE(Random(42).next(), c.next());
}

}  // namespace
