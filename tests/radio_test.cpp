// SPDX-License-Identifier: ISC
// The radio: the status request, change detection and the settings
// application (the command sequences as the platform receives them, the
// error lines, RadioState afterwards).
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "radio/radio.h"
#include "tests/fake_test.h"

namespace {

using Events = std::vector<std::string>;
using DriverQuery = FakeTest;

TEST_F(DriverQuery, StatusRequestCarriesTheConnectStatusRecordAndFailuresReadZero) {
    fake.socket_fd = 0;  // as for a daemon started with its standard input closed
    for (int word : {1, 2, -1}) {
        fake.statuses = {word};
        EXPECT_EQ(getRPStatus("apcli0"), word);
    }
    EXPECT_EQ(fake.ioctl, "apcli0 8be1 4 60b buffer");
    getRPStatus("an-interface-name-far-too-long");
    EXPECT_EQ(fake.ioctl, "an-interface-na 8be1 4 60b buffer");
    fake.events.clear();
    fake.default_status = 1;
    fake.ioctl_fails = true;  // refused: the socket is closed all the same
    EXPECT_EQ(getRPStatus("nosuch0"), 0);
    fake.socket_fails = true;  // no socket: no request
    EXPECT_EQ(getRPStatus("apcli0"), 0);
    EXPECT_EQ(fake.events, (Events{"socket", "ioctl", "close", "socket"}));
}

// A channel query that cannot be started reads as no channel.
TEST_F(DriverQuery, ChannelQueryThatCannotStartReadsZero) {
    fake.outputs["iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'"] = {"36\n", std::nullopt};
    EXPECT_EQ(getWlanCurrentChannel(), 36);
    EXPECT_EQ(getWlanCurrentChannel(), 0);
    EXPECT_EQ(fake.outputs_open, 0);
}

// The own security, the candidate and the settings in force. By default a
// candidate that equals the settings in force under the mixed own modes
// (every comparison enabled).
struct Args {
    std::string ownAuth = "WPAPSKWPA2PSK", ownEnc = "TKIPAES";
    int candChannel = 6;
    std::string candAuth = "WPA2PSK", candEnc = "AES", candExtCh = "NONE ";
    int curChannel = 6;
    std::string curAuth = "WPA2PSK", curEnc = "AES";
    int curExtCh = 1;

    Candidate cand() const { return {candChannel, text<32>(candAuth), text<32>(candEnc), text<6>(candExtCh)}; }
    RadioState radio() const { return {text<32>(curAuth), text<32>(curEnc), curChannel, curExtCh}; }
    template <std::size_t N>
    static FixedText<N> text(const std::string& value) {
        FixedText<N> t;
        t.assign(value);
        return t;
    }
};

TEST(ChangeDetection, EachComparisonOnItsOwn) {
    const std::pair<Args, int> cases[] = {
        {{}, 0},
        // Authentication mode: compared only under own "WPAPSKWPA2PSK" (whole,
        // case-sensitive), and only towards a single WPA mode.
        {{.candAuth = "WPAPSK"}, 1},
        {{.curAuth = "OPEN"}, 1},
        {{.ownAuth = "WPA2PSK", .candAuth = "WPAPSK"}, 0},
        {{.ownAuth = "wpapskwpa2psk", .curAuth = "OPEN"}, 0},
        {{.candAuth = "WPA-PSK/WPA2-PSK"}, 0},
        // Cipher: compared only under own "TKIPAES", and only towards TKIP or AES.
        {{.curEnc = "TKIP"}, 1},
        {{.candEnc = "TKIP"}, 1},
        {{.ownEnc = "AES", .curEnc = "TKIP"}, 0},
        {{.candEnc = "TKIP/AES", .curEnc = "TKIP"}, 0},
        // Channel: always compared.
        {{.ownAuth = "OPEN", .ownEnc = "NONE", .candChannel = 11, .candExtCh = ""}, 1},
        // Extension channel: compared whenever the rule yields a flag.
        {{.candExtCh = "ABOVE", .curExtCh = 0}, 1},
        {{.candExtCh = "BELOW", .curExtCh = 0}, 0},
        {{.candExtCh = "BELOW"}, 1},
        {{.curExtCh = 2}, 1},
        {{.candExtCh = "", .curExtCh = 7}, 0},
    };
    int n = 0;
    for (const auto& [a, expected] : cases) {
        EXPECT_EQ(is_mode_change({a.ownAuth, a.ownEnc}, a.cand(), a.radio()), expected) << "case " << n++;
    }
}

TEST(ExtChannelRule, FlagByTextAndChannel) {
    // "NONE" takes the extension below on these channels, above on all others
    // (168 too, one past the last bit the rule can hold).
    const std::set<int> below = {40, 48, 56, 64, 104, 112, 120, 128, 136, 140};
    for (int channel : {1, 6, 13, 36, 40, 44, 48, 56, 64, 104, 112, 120, 128, 132, 136, 140, 144, 149, 161, 168}) {
        const int none = below.contains(channel) ? 0 : 1;
        const std::pair<const char*, int> rows[] = {
            {"NONE", none}, {"NONE ", none}, {"ABOVEx", 1}, {"BELOW ", 0}, {"", kNoExtFlag}, {" NONE", kNoExtFlag},
        };
        for (const auto& [text, flag] : rows) EXPECT_EQ(ext_channel_flag(text, channel), flag) << text << channel;
    }
}

const std::string kSet = "run iwpriv ra0 set ";
// Stored values as escaped for the shell: a backslash before every character.
const std::string kPsk = kSet + "WPAPSK=\\p\\a\\s\\s\\p\\h\\r\\a\\s\\e", kSsid = "SSID=\\r\\e\\p\\e\\a\\t\\e\\r";

class ApplyChange : public FakeTest {
protected:
    // Applies `a` from scratch; returns RadioState afterwards as
    // "auth/enc/channel/flag". Every stored and heap text is released by then.
    std::string apply(const Args& a, bool applied = true) {
        fake.events.clear();
        fake.out.clear();
        RadioState radio = a.radio();
        EXPECT_EQ(apply_change({a.ownAuth, a.ownEnc}, a.cand(), radio), applied);
        EXPECT_EQ(fake.store_texts_live + fake.live_allocations, 0);
        return std::string(radio.curAuth.view()) + "/" + std::string(radio.curEnc.view()) + "/" +
               std::to_string(radio.curChannel) + "/" + std::to_string(radio.curExtCh);
    }
};

// Every store read first, then the client security, the radio, the key step
// chosen by the own security, the SSID. An open upstream: no client commands.
TEST_F(ApplyChange, CommandSequenceAndKeyStepByOwnSecurity) {
    const Events wep = {kSet + "DefaultKeyID=\\1", kSet + "Key1=\\a\\b\\c\\d\\e"};
    const Events wepReads = {"DefaultKeyID", "Key1Str1"};
    const struct {
        std::string auth, enc;
        Events reads, keyStep;
        bool unsupported = false;
    } rows[] = {
        {"OPEN", "NONE", {}, {}},
        {"OPEN", "WEP", wepReads, wep},
        {"SHARED", "WEP", wepReads, wep},
        {"WPAPSKWPA2PSK", "TKIPAES", {"WPAPSK1"}, {kPsk}},
        {"xPSKx", "", {"WPAPSK1"}, {kPsk}} /* "PSK" anywhere */,
        {"OPEN", "TKIP", {}, {}, true},
        {"SHARED", "NONE", {}, {}, true},
        {"psk", "AES", {}, {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.auth + "/" + row.enc);
        EXPECT_EQ(apply({.ownAuth = row.auth, .ownEnc = row.enc, .candAuth = "OPEN", .candEnc = "NONE"}),
                  "WPA2PSK/AES/6/1");
        Events expected = {"store SSID1", "store HT_BW"};
        for (const std::string& key : row.reads) expected.push_back("store " + key);
        for (const char* radio : {"Channel=6", "HtExtcha=1", "HtBw=\\1"}) expected.push_back(kSet + radio);
        expected.insert(expected.end(), row.keyStep.begin(), row.keyStep.end());
        expected.push_back(kSet + kSsid);
        EXPECT_EQ(fake.events, expected);
        // Printed whatever the debug flag.
        EXPECT_EQ(fake.out, row.unsupported ? "Unsupport security mode: " + row.auth + " (" + row.enc + ").\n" : "");
    }
}

TEST_F(ApplyChange, KeysAreCheckedByLength) {
    const struct {
        std::string auth, key, command;
        std::set<std::size_t> lengths, valid;
    } kinds[] = {
        {"SHARED", "Key1Str1", "Key1=", {4, 5, 6, 9, 10, 11, 12, 13, 14, 25, 26, 27}, {5, 10, 13, 26}},
        {"WPA2PSK", "WPAPSK1", "WPAPSK=", {0, 7, 8, 63, 64, 65}, {8, 63, 64}},
    };
    for (const auto& kind : kinds) {
        for (std::size_t length : kind.lengths) {
            SCOPED_TRACE(kind.key + " of " + std::to_string(length));
            const std::string key(length, 'k');
            const bool valid = kind.valid.contains(length);
            fake.store[kind.key] = key;
            apply({.ownAuth = kind.auth, .ownEnc = kind.auth == "SHARED" ? "WEP" : "AES"});
            EXPECT_EQ(fake.events_of(kSet + kind.command).size(), valid ? 1u : 0u);
            EXPECT_EQ(fake.out, valid ? "" : "Invalid Key=" + key + "\n");
        }
    }
}

// Channel 140 takes no bandwidth command; "NONE" puts its extension below.
TEST_F(ApplyChange, NoBandwidthOnChannel140) {
    EXPECT_EQ(apply({.ownAuth = "OPEN", .ownEnc = "NONE", .candChannel = 140, .candExtCh = "NONE"}),
              "WPA2PSK/AES/140/0");
    EXPECT_EQ(fake.runs(),
              (Events{"iwpriv ra0 set Channel=140", "iwpriv ra0 set HtExtcha=0", "iwpriv ra0 set " + kSsid}));
}

// A setting that cannot be read stops the re-programming before its first
// command; one that reads empty does not.
TEST_F(ApplyChange, AnUnreadableSettingLeavesTheRadioAsItWas) {
    const struct {
        const char *auth, *enc, *key;
        Events reads;
    } cases[] = {
        {"WPAPSKWPA2PSK", "TKIPAES", "SSID1", {}},
        {"OPEN", "WEP", "Key1Str1", {"SSID1", "HT_BW", "DefaultKeyID"}},
        {"WPAPSKWPA2PSK", "TKIPAES", "WPAPSK1", {"SSID1", "HT_BW"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        fake.store_unreadable = {c.key};
        EXPECT_EQ(apply({.ownAuth = c.auth,
                         .ownEnc = c.enc,
                         .candChannel = 11,
                         .candAuth = "WPAPSK",
                         .candEnc = "TKIP",
                         .candExtCh = "BELOW"},
                        false),
                  "WPA2PSK/AES/6/1");
        Events expected;
        for (const std::string& key : c.reads) expected.push_back("store " + key);
        expected.push_back(std::string("store ") + c.key);
        EXPECT_EQ(fake.events, expected);
        EXPECT_EQ(fake.out, std::string("relaywatch: error, cannot read ") + c.key +
                                " from the settings store, radio left as it was\n");
    }
    fake.store_unreadable.clear();
    fake.store["SSID1"] = fake.store["HT_BW"] = "";
    EXPECT_EQ(apply({.ownAuth = "OPEN", .ownEnc = "NONE"}), "WPA2PSK/AES/6/1");
    EXPECT_EQ(fake.runs(), (Events{"iwpriv ra0 set Channel=6", "iwpriv ra0 set HtExtcha=1",
                                   "iwpriv ra0 set HtBw=", "iwpriv ra0 set SSID="}));
}

}  // namespace
