// The recovery cycle: its four outcomes, the normalisation of the survey's
// mixed texts, and the walk over the access points that hide their SSID.
#include <string>
#include <vector>

#include "tests/supervisor_fixture.h"

namespace {

using namespace supervisor_test;

const char *const kA1 = "00:aa:00:00:00:01", *const kA2 = "00:aa:00:00:00:02", *const kA3 = "00:aa:00:00:00:03";

using Strings = std::vector<std::string>;
const char* const kTrigger = "iwpriv ra0 set SiteSurvey=1";

class Recovery : public SupervisorTest {
protected:
    // Start with looptime 5 and sleeptime 3, a window without a 1 and the
    // cycle due in slot 2.
    void start_due() {
        start(5, 3);
        for (int slot = 0; slot < 5; ++slot) sv.resetTimerArray[slot] = 0;
        sv.timerIndex = 2;
    }

    // The start of a walk over three hidden access points, the first on 6.
    const std::string kWalk =
        "relaywatch: Scanning...\n"
        "relaywatch: Not found in broadcast SSID list.\n"
        "relaywatch: Found 3 hidden SSID AP.\n"
        "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=1 ExtCh=1\n"
        "relaywatch: [1/3] AP(00:aa:00:00:00:01) (WPA2PSK/AES) ch=6\n"
        "relaywatch: Mode is changed, apply new settings...\n";
    const std::vector<int> kMarked = {0, 0, 1, 0, 0}, kUnmarked = std::vector<int>(5, 0);
};

TEST_F(Recovery, UpstreamWithTheSettingsInForceIsOnlyMarkedAndPaused) {
    fake.push_survey(survey_table({{"1", "upstream"}}));
    start_due();
    recovery_cycle(sv);
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=1 ExtCh=1\n"
              "relaywatch: Found AP upstream[] Ch=1(ABOVE) Mode=WPA2PSK(AES)\n"
              "relaywatch: Mode is not change.\n");
    EXPECT_EQ(fake.runs(), Strings{kTrigger});
    EXPECT_EQ(window(), kMarked);
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

TEST_F(Recovery, UpstreamWithMixedTextsIsComparedAndAppliedAsWpa2AndAes) {
    fake.store = repeater_store({{"AuthMode", "WPAPSKWPA2PSK"}, {"EncrypType", "TKIPAES"},
                                 {"ApCliAuthMode", "WPAPSK"}, {"ApCliEncrypType", "TKIP"}});
    fake.push_survey(survey_table({{"6", "upstream", "00:11:22:33:44:55", "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}}));
    start_due();
    recovery_cycle(sv);
    // The texts as surveyed in the lines printed (the end-to-end run shows
    // them), normalised in the commands.
    EXPECT_NE(fake.out.find("Mode=WPA-PSK/WPA2-PSK(TKIP/AES)\nrelaywatch: Mode is changed"), std::string::npos);
    EXPECT_EQ(fake.events_of("run iwpriv apcli0 set "), (Strings{"ApCliAuthMode=WPA2PSK", "ApCliEncrypType=AES"}));
    EXPECT_EQ(fake.events_of("run iwpriv ra0 set Channel="), Strings{"6"});
    EXPECT_EQ(radio_state(), "WPA2PSK/AES/6/0");
    EXPECT_EQ(window(), kMarked);
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

TEST_F(Recovery, NoUpstreamAndNoHiddenAccessPointPausesWithoutAMark) {
    fake.push_survey(survey_table({{"6", "neighbour", "00:11:22:33:44:66"}}));
    start_due();
    recovery_cycle(sv);
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: Not found in broadcast SSID list.\n"
              "relaywatch: Not found any hidden SSID, delay 3 seconds.\n");
    EXPECT_EQ(fake.runs(), Strings{kTrigger});
    EXPECT_EQ(window(), kUnmarked);
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

TEST_F(Recovery, TheFirstHiddenAccessPointThatConnectsEndsTheWalkAtOnceAndIsTheUpstreamLater) {
    fake.push_survey(survey_table({{"6", "", kA1}, {"11", "", kA2, "WPA1PSKWPA2PSK/TKIPAES"}, {"36", "", kA3}}));
    fake.push_survey(survey_table({{"11", "", kA2}, {"6", "", kA1}}));
    fake.statuses = {0, 2};  // any non-zero status counts as connected here
    start_due();
    recovery_cycle(sv);
    EXPECT_EQ(fake.out, kWalk +
                            "relaywatch: waitlinkstatus=0\n"
                            "relaywatch: waitlinkstatus=2\n"
                            "relaywatch: Found hidden AP and connected.\n"
                            "relaywatch: manual_get_BSSID=00:aa:00:00:00:01\n");
    EXPECT_EQ(sv.manual_get_BSSID.view(), kA1);
    EXPECT_EQ(window(), kMarked);
    EXPECT_EQ(fake.events.back(), "close") << "no pause after a connection";
    EXPECT_EQ(sv.radio.curChannel, 6);
    EXPECT_EQ(fake.live_allocations, 1) << "only the window: the cycle released its hidden list";

    fake.out.clear();
    recovery_cycle(sv);
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=1\n"
              "relaywatch: Found AP upstream[] Ch=6(ABOVE) Mode=WPA2PSK(AES)\n"
              "relaywatch: Mode is not change.\n");
}

TEST_F(Recovery, WhenNoHiddenAccessPointConnectsTheRadioKeepsTheLastOneApplied) {
    fake.push_survey(survey_table({{"6", "", kA1},
                                   {"6", "", kA2},  // equal to the first
                                   {"11", "", kA3, "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}}));
    start_due();
    recovery_cycle(sv);
    std::string failedWait;
    for (int i = 0; i < 5; ++i) failedWait += "relaywatch: waitlinkstatus=0\n";
    EXPECT_EQ(fake.out, kWalk + failedWait +
                            "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=1\n"
                            "relaywatch: [2/3] AP(00:aa:00:00:00:02) (WPA2PSK/AES) ch=6\n"
                            "relaywatch: Mode is not change, ignore.\n"
                            "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=1\n"
                            "relaywatch: [3/3] AP(00:aa:00:00:00:03) (WPA-PSK/WPA2-PSK/TKIP/AES) ch=11\n"
                            "relaywatch: Mode is changed, apply new settings...\n" +
                            failedWait + "relaywatch: can't connect to any hiddeh AP, delay 3 seconds.\n");
    EXPECT_EQ(fake.events_of("run iwpriv ra0 set Channel="), (Strings{"6", "11"}));
    EXPECT_EQ(radio_state(), "WPA2PSK/AES/11/0");
    EXPECT_EQ(sv.manual_get_BSSID.view(), "0");
    EXPECT_EQ(window(), kUnmarked);
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

// A store that cannot be read leaves the radio as it was: no command and no
// link wait; the walk ends there and the next recovery tries again.
TEST_F(Recovery, AnUnreadableStoreEndsTheWalkWithoutACommand) {
    fake.push_survey(survey_table({{"6", "", kA1}, {"11", "", kA2}, {"36", "", kA3}}));
    start_due();
    fake.store_unreadable = {"WPAPSK1"};
    recovery_cycle(sv);
    EXPECT_EQ(fake.out, kWalk +
                            "relaywatch: error, cannot read WPAPSK1 from the settings store, radio left as it was\n"
                            "relaywatch: can't connect to any hiddeh AP, delay 3 seconds.\n");
    EXPECT_EQ(fake.runs(), Strings{kTrigger});
    EXPECT_TRUE(fake.events_of("ioctl").empty());
    EXPECT_EQ(radio_state(), "WPA2PSK/AES/1/1");
    EXPECT_EQ(window(), kUnmarked);
    EXPECT_EQ(fake.events.back(), "sleep 3");

    fake.store_unreadable.clear();
    fake.push_survey(survey_table({{"6", "", kA1}}));
    recovery_cycle(sv);
    EXPECT_EQ(fake.events_of("run iwpriv ra0 set Channel="), Strings{"6"});
}

}  // namespace
