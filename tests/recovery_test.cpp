// The recovery cycle: its four outcomes, the normalisation of the survey's
// mixed texts, and the walk over the access points that hide their SSID.
#include <string>
#include <vector>

#include "tests/supervisor_fixture.h"

namespace {

using namespace supervisor_test;

const char* const kA1 = "00:aa:00:00:00:01";
const char* const kA2 = "00:aa:00:00:00:02";
const char* const kA3 = "00:aa:00:00:00:03";

class Recovery : public SupervisorTest {
protected:
    // Start with looptime 5 and sleeptime 3, a window without a 1 and the
    // cycle due in slot 2.
    void start_due() {
        start(5, 3);
        for (int slot = 0; slot < 5; ++slot) sv.resetTimerArray[slot] = 0;
        sv.timerIndex = 2;
    }

    bool slot_marked() const { return window() == std::vector<int>{0, 0, 1, 0, 0}; }
    bool slot_unmarked() const { return window() == std::vector<int>{0, 0, 0, 0, 0}; }

    // The radio commands, without the survey's own, as the shell hands them
    // to iwpriv: every backslash escape resolved.
    std::vector<std::string> radio_commands() const {
        std::vector<std::string> found;
        for (const std::string& run : fake.runs()) {
            if (run == "iwpriv ra0 set SiteSurvey=1") continue;
            std::string passed;
            for (std::size_t i = 0; i < run.size(); ++i) {
                if (run[i] == '\\' && i + 1 < run.size()) ++i;
                passed += run[i];
            }
            found.push_back(passed);
        }
        return found;
    }

    int count_event(const std::string& event) const {
        int n = 0;
        for (const std::string& e : fake.events) n += e == event ? 1 : 0;
        return n;
    }
};

TEST_F(Recovery, UpstreamWithTheSettingsInForceIsOnlyMarkedAndPaused) {
    fake.push_survey(survey_table({{1, "upstream", "00:11:22:33:44:55", "WPA2PSK/AES"}}));
    start_due();
    recovery_cycle(sv);
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=1 ExtCh=1\n"
              "relaywatch: Found AP upstream[] Ch=1(ABOVE) Mode=WPA2PSK(AES)\n"
              "relaywatch: Mode is not change.\n");
    EXPECT_TRUE(radio_commands().empty());
    EXPECT_TRUE(slot_marked());
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

TEST_F(Recovery, UpstreamWithMixedTextsIsComparedAndAppliedAsWpa2AndAes) {
    fake.store["AuthMode"] = "WPAPSKWPA2PSK";
    fake.store["EncrypType"] = "TKIPAES";
    fake.store["ApCliAuthMode"] = "WPAPSK";
    fake.store["ApCliEncrypType"] = "TKIP";
    fake.push_survey(
        survey_table({{6, "upstream", "00:11:22:33:44:55", "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}}));
    start_due();
    recovery_cycle(sv);
    // The survey's texts as surveyed in the line, normalised in the commands.
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: current Auth=WPAPSK EncrypType=TKIP Ch=1 ExtCh=1\n"
              "relaywatch: Found AP upstream[] Ch=6(BELOW) Mode=WPA-PSK/WPA2-PSK(TKIP/AES)\n"
              "relaywatch: Mode is changed, apply new settings...\n"
              "relaywatch: manual_get_BSSID=00:11:22:33:44:55\n");
    EXPECT_EQ(radio_commands(), (std::vector<std::string>{
                                    "iwpriv apcli0 set ApCliAuthMode=WPA2PSK",
                                    "iwpriv apcli0 set ApCliEncrypType=AES",
                                    "iwpriv ra0 set Channel=6",
                                    "iwpriv ra0 set HtExtcha=0",
                                    "iwpriv ra0 set HtBw=1",
                                    "iwpriv ra0 set WPAPSK=passphrase",
                                    "iwpriv ra0 set SSID=repeater",
                                }));
    EXPECT_EQ(sv.radio.curAuth.view(), "WPA2PSK");
    EXPECT_EQ(sv.radio.curEnc.view(), "AES");
    EXPECT_EQ(sv.radio.curChannel, 6);
    EXPECT_EQ(sv.radio.curExtCh, 0);
    EXPECT_TRUE(slot_marked());
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

TEST_F(Recovery, NoUpstreamAndNoHiddenAccessPointPausesWithoutAMark) {
    fake.push_survey(survey_table({{6, "neighbour", "00:11:22:33:44:66", "WPA2PSK/AES"}}));
    start_due();
    // Left-overs of an earlier cycle are cleared before the survey.
    sv.candAuth.assign("WPAPSK");
    sv.candEnc.assign("TKIP");
    sv.candExtCh.assign("BELOW");
    recovery_cycle(sv);
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: Not found in broadcast SSID list.\n"
              "relaywatch: Not found any hidden SSID, delay 3 seconds.\n");
    EXPECT_TRUE(sv.candAuth.empty());
    EXPECT_TRUE(sv.candEnc.empty());
    EXPECT_TRUE(sv.candExtCh.empty());
    EXPECT_EQ(sv.candChannel, 0);
    EXPECT_TRUE(radio_commands().empty());
    EXPECT_TRUE(slot_unmarked());
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

TEST_F(Recovery, TheFirstHiddenAccessPointThatConnectsEndsTheWalkAtOnce) {
    fake.push_survey(survey_table({{6, "", kA1, "WPA2PSK/AES"},
                                   {11, "", kA2, "WPA1PSKWPA2PSK/TKIPAES"},
                                   {36, "", kA3, "WPA2PSK/AES"}}));
    fake.statuses = {0, 2};  // any non-zero status counts as connected here
    start_due();
    recovery_cycle(sv);
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: Not found in broadcast SSID list.\n"
              "relaywatch: Found 3 hidden SSID AP.\n"
              "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=1 ExtCh=1\n"
              "relaywatch: [1/3] AP(00:aa:00:00:00:01) (WPA2PSK/AES) ch=6\n"
              "relaywatch: Mode is changed, apply new settings...\n"
              "relaywatch: waitlinkstatus=0\n"
              "relaywatch: waitlinkstatus=2\n"
              "relaywatch: Found hidden AP and connected.\n"
              "relaywatch: manual_get_BSSID=00:aa:00:00:00:01\n");
    EXPECT_EQ(manual_get_BSSID.view(), kA1);
    EXPECT_TRUE(slot_marked());
    EXPECT_EQ(count_event("ioctl"), 2);
    EXPECT_EQ(count_event("sleep 3"), 0) << "no pause after a connection";
    EXPECT_EQ(fake.events.back(), "close");
    EXPECT_EQ(sv.radio.curChannel, 6);
    // The entries after the connected one are not looked at.
    ASSERT_EQ(TableSize, 3);
    EXPECT_EQ(headerTable->next->authMode.view(), "WPA-PSK/WPA2-PSK");
    EXPECT_EQ(headerTable->next->encrypType.view(), "TKIP/AES");
}

TEST_F(Recovery, WhenNoHiddenAccessPointConnectsTheRadioKeepsTheLastOneApplied) {
    fake.push_survey(survey_table({{6, "", kA1, "WPA2PSK/AES"},
                                   {6, "", kA2, "WPA2PSK/AES"},  // equal to the first
                                   {11, "", kA3, "WPA1PSKWPA2PSK/TKIPAES", "BELOW"}}));
    start_due();
    recovery_cycle(sv);
    std::string failedWait;
    for (int i = 0; i < 5; ++i) failedWait += "relaywatch: waitlinkstatus=0\n";
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: Not found in broadcast SSID list.\n"
              "relaywatch: Found 3 hidden SSID AP.\n"
              "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=1 ExtCh=1\n"
              "relaywatch: [1/3] AP(00:aa:00:00:00:01) (WPA2PSK/AES) ch=6\n"
              "relaywatch: Mode is changed, apply new settings...\n" +
                  failedWait +
                  "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=1\n"
                  "relaywatch: [2/3] AP(00:aa:00:00:00:02) (WPA2PSK/AES) ch=6\n"
                  "relaywatch: Mode is not change, ignore.\n"
                  "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=1\n"
                  "relaywatch: [3/3] AP(00:aa:00:00:00:03) (WPA-PSK/WPA2-PSK/TKIP/AES) ch=11\n"
                  "relaywatch: Mode is changed, apply new settings...\n" +
                  failedWait + "relaywatch: can't connect to any hiddeh AP, delay 3 seconds.\n");
    std::vector<std::string> channels;
    for (const std::string& command : radio_commands()) {
        if (command.rfind("iwpriv ra0 set Channel=", 0) == 0) channels.push_back(command);
    }
    EXPECT_EQ(channels, (std::vector<std::string>{"iwpriv ra0 set Channel=6",
                                                  "iwpriv ra0 set Channel=11"}));
    EXPECT_EQ(count_event("ioctl"), 10);
    EXPECT_EQ(sv.radio.curChannel, 11);
    EXPECT_EQ(sv.radio.curExtCh, 0);
    EXPECT_EQ(manual_get_BSSID.view(), "0");
    EXPECT_TRUE(slot_unmarked());
    EXPECT_EQ(fake.events.back(), "sleep 3");
    // The tried entry was normalised in place.
    ASSERT_EQ(TableSize, 3);
    EXPECT_EQ(headerTable->next->next->authMode.view(), "WPA2PSK");
    EXPECT_EQ(headerTable->next->next->encrypType.view(), "AES");
}

TEST_F(Recovery, AConnectedHiddenAccessPointIsTheUpstreamOfLaterSurveys) {
    fake.push_survey(survey_table({{6, "", kA1, "WPA2PSK/AES"}}));
    fake.push_survey(survey_table({{11, "", kA2, "WPA2PSK/AES"}, {6, "", kA1, "WPA2PSK/AES"}}));
    fake.statuses = {1};
    start_due();
    recovery_cycle(sv);
    ASSERT_EQ(manual_get_BSSID.view(), kA1);
    freeTable();
    fake.out.clear();
    fake.events.clear();
    for (int slot = 0; slot < 5; ++slot) sv.resetTimerArray[slot] = 0;

    recovery_cycle(sv);
    EXPECT_EQ(fake.out,
              "relaywatch: Scanning...\n"
              "relaywatch: current Auth=WPA2PSK EncrypType=AES Ch=6 ExtCh=1\n"
              "relaywatch: Found AP upstream[] Ch=6(ABOVE) Mode=WPA2PSK(AES)\n"
              "relaywatch: Mode is not change.\n");
    EXPECT_TRUE(slot_marked());
    EXPECT_EQ(fake.events.back(), "sleep 3");
}

TEST_F(Recovery, PrintsNothingWithoutDebug) {
    const std::vector<std::vector<SurveyRow>> surveys = {
        {{6, "upstream", "00:11:22:33:44:55", "WPA2PSK/AES"}},
        {{6, "", kA1, "WPA2PSK/AES"}},
        {},
    };
    start_due();
    debug = 0;
    for (const auto& rows : surveys) {
        fake.push_survey(survey_table(rows));
        recovery_cycle(sv);
        freeTable();
    }
    EXPECT_EQ(fake.out, "");
}

}  // namespace
