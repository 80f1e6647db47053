// The radio: the two driver queries, change detection (which differences
// between a surveyed access point and the settings in force call for
// re-programming) and the settings application (the command sequences as the
// platform receives them, the store reads, the error lines, and RadioState
// afterwards).
#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "radio/radio.h"
#include "tests/fake_test.h"

namespace {

using Events = std::vector<std::string>;

// --- the driver queries ------------------------------------------------------

const char* const kChannelQuery = "iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'";

using DriverQuery = FakeTest;

TEST_F(DriverQuery, StatusRequestCarriesTheConnectStatusRecord) {
    for (int word : {1, 0, 2, -1}) {
        fake.events.clear();
        fake.statuses = {word};
        EXPECT_EQ(getRPStatus("apcli0"), word);
        EXPECT_EQ(fake.ioctl_ifname, "apcli0");
        EXPECT_TRUE(fake.ioctl_request == 0x8BE1u && fake.ioctl_length == 4u && fake.ioctl_flags == 0x060Bu &&
                    fake.ioctl_pointer_set);
        EXPECT_EQ(fake.events, (Events{"socket", "ioctl", "close"}));
        EXPECT_EQ(fake.sockets_open, 0);
    }
    getRPStatus("an-interface-name-far-too-long");
    EXPECT_EQ(fake.ioctl_ifname, "an-interface-na");
}

TEST_F(DriverQuery, FailuresReadZero) {
    fake.default_status = 1;
    fake.socket_fails = true;  // no socket: no request
    EXPECT_EQ(getRPStatus("apcli0"), 0);
    EXPECT_EQ(fake.events, (Events{"socket"}));
    fake.events.clear();
    fake.socket_fails = false;
    fake.ioctl_fails = true;  // refused: the socket is closed all the same
    EXPECT_EQ(getRPStatus("nosuch0"), 0);
    EXPECT_EQ(fake.events, (Events{"socket", "ioctl", "close"}));
    EXPECT_EQ(fake.sockets_open, 0);
}

TEST_F(DriverQuery, ChannelFromTheIwgetidPipeline) {
    const std::pair<std::optional<std::string>, int> cases[] = {
        {"11\n", 11}, {"     11\n", 11}, {" 149 \n", 149}, {"6", 6},           {"no digits\n", 0},
        {"\n", 0},    {"", 0},           {std::nullopt, 0}, {"  36\n  40\n", 36},
    };
    for (const auto& [output, channel] : cases) {
        fake.outputs[kChannelQuery] = {output};
        EXPECT_EQ(getWlanCurrentChannel(), channel) << output.value_or("(no pipe)");
        EXPECT_EQ(fake.outputs_open, 0);
    }
    EXPECT_EQ(fake.events_of("read ").back(), kChannelQuery);
}

// --- change detection ------------------------------------------------------------

// The ten arguments of change detection and of the settings application. By
// default a candidate that equals the settings in force under the mixed own
// modes (every comparison enabled).
struct Args {
    std::string ownAuth = "WPAPSKWPA2PSK", ownEnc = "TKIPAES";
    int candChannel = 6;
    std::string candAuth = "WPA2PSK", candEnc = "AES", candExtCh = "NONE ";
    int curChannel = 6;
    std::string curAuth = "WPA2PSK", curEnc = "AES";
    int curExtCh = 1;
};

template <class Text>
Text text(const std::string& value) {
    Text t;
    t.assign(value);
    return t;
}

Candidate cand_of(const Args& a) {
    return {a.candChannel, text<AuthText>(a.candAuth), text<AuthText>(a.candEnc), text<ExtChText>(a.candExtCh)};
}

RadioState radio_of(const Args& a) {
    return {text<AuthText>(a.curAuth), text<AuthText>(a.curEnc), a.curChannel, a.curExtCh};
}

int changed(const Args& a) { return is_mode_change({a.ownAuth, a.ownEnc}, cand_of(a), radio_of(a)); }

TEST(ChangeDetection, EachComparisonOnItsOwn) {
    const std::pair<Args, int> cases[] = {
        {{}, 0},
        // Authentication mode: compared only under own "WPAPSKWPA2PSK" (whole,
        // case-sensitive), and only towards a single WPA mode.
        {{.candAuth = "WPAPSK"}, 1}, {{.curAuth = "WPAPSK"}, 1}, {{.curAuth = "OPEN"}, 1},
        {{.ownAuth = "WPA2PSK", .candAuth = "WPAPSK"}, 0}, {{.ownAuth = "OPEN", .candAuth = "WPAPSK"}, 0},
        {{.ownAuth = "WPAPSKWPA2PSK ", .candAuth = "WPAPSK"}, 0},
        {{.ownAuth = "wpapskwpa2psk", .candAuth = "WPAPSK"}, 0},
        {{.candAuth = "OPEN"}, 0}, {{.candAuth = "NotSupport"}, 0}, {{.candAuth = "WPA-PSK/WPA2-PSK"}, 0},
        {{.candAuth = "WPAPSK2"}, 0},
        // Cipher: compared only under own "TKIPAES", and only towards TKIP or AES.
        {{.curEnc = "TKIP"}, 1}, {{.candEnc = "TKIP"}, 1}, {{.curEnc = ""}, 1},
        {{.ownEnc = "AES", .curEnc = "TKIP"}, 0}, {{.ownEnc = "WEP", .curEnc = "TKIP"}, 0},
        {{.candEnc = "TKIP/AES"}, 0}, {{.candEnc = "TKIP/AES", .curEnc = "TKIP"}, 0},
        {{.candEnc = "NONE"}, 0}, {{.candEnc = ""}, 0},
        // Channel: always compared.
        {{.candChannel = 11, .candExtCh = ""}, 1},
        {{.ownAuth = "OPEN", .ownEnc = "NONE", .candChannel = 11, .candExtCh = ""}, 1},
        // Extension channel: compared whenever the rule yields a flag.
        {{.candExtCh = "ABOVE"}, 0}, {{.candExtCh = "ABOVE", .curExtCh = 0}, 1},
        {{.candExtCh = "BELOW", .curExtCh = 0}, 0},
        {{.candExtCh = "BELOW"}, 1}, {{.curExtCh = 0}, 1}, {{.candChannel = 48, .curChannel = 48, .curExtCh = 0}, 0},
        {{.candChannel = 36, .curChannel = 36, .curExtCh = 0}, 1},
        {{.candChannel = 140, .candExtCh = "NONE", .curChannel = 140}, 1}, {{.curExtCh = 2}, 1},
        {{.candExtCh = "BELOW", .curExtCh = -1}, 1}, {{.candExtCh = "", .curExtCh = 0}, 0},
        {{.candExtCh = "", .curExtCh = 7}, 0}, {{.ownAuth = "OPEN", .ownEnc = "NONE", .candExtCh = "BELOW"}, 1},
        // Several at once still read 1.
        {{.candChannel = 11, .candAuth = "WPAPSK", .candEnc = "TKIP", .candExtCh = "BELOW"}, 1},
    };
    for (const auto& [a, expected] : cases) {
        EXPECT_EQ(changed(a), expected)
            << "own " << a.ownAuth << "/" << a.ownEnc << ", candidate " << a.candChannel << "/" << a.candAuth << "/"
            << a.candEnc << "/\"" << a.candExtCh << "\", in force " << a.curChannel << "/" << a.curAuth << "/"
            << a.curEnc << "/" << a.curExtCh;
    }
}

TEST(ExtChannelRule, FlagByTextAndChannel) {
    constexpr int N = kNoExtFlag;
    const int channels[] = {36, 40, 48, 140, 144, 153, 161, 6};
    const struct {
        const char* text;
        int flags[8];  // per channel above
    } rows[] = {
        {"ABOVE", {1, 1, 1, 1, 1, 1, 1, 1}}, {"BELOW", {0, 0, 0, 0, 0, 0, 0, 0}},
        {"NONE", {1, 0, 0, 0, 1, 1, 1, 1}},  {"NONE ", {1, 0, 0, 0, 1, 1, 1, 1}},
        {"", {N, N, N, N, N, N, N, N}},      {"NON", {N, N, N, N, N, N, N, N}},
        {"none", {N, N, N, N, N, N, N, N}},  {" NONE", {N, N, N, N, N, N, N, N}},
        {"ABOVEx", {1, 1, 1, 1, 1, 1, 1, 1}}, {"BELOW ", {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(ext_channel_flag(row.text, channels[i]), row.flags[i])
                << '"' << row.text << "\" on channel " << channels[i];
        }
    }
}

// --- the settings application ------------------------------------------------

const char* const kSet = "run iwpriv ra0 set ";
const std::string kSsidCommand = kSet + ("SSID=" + shell_escaped("repeater"));

// What apply_change issues for channel 6 with "NONE ": every store read
// first, then the client security, the radio, the key step, the SSID.
Events sequence(const Events& apcli, const Events& keyStep) {
    Events all = {"store SSID1", "store HT_BW"};
    for (const std::string& e : keyStep) {
        if (e.rfind("store ", 0) == 0) all.push_back(e);
    }
    all.insert(all.end(), apcli.begin(), apcli.end());
    for (const char* radio : {"Channel=6", "HtExtcha=1", "HtBw=\\1"}) all.push_back(std::string(kSet) + radio);
    for (const std::string& e : keyStep) {
        if (e.rfind("store ", 0) != 0) all.push_back(e);
    }
    all.push_back(kSsidCommand);
    return all;
}

class ApplyChange : public FakeTest {
protected:
    // Applies `a` from scratch; returns RadioState afterwards as
    // "auth/enc/channel/flag". Every stored and heap text is released by then.
    std::string apply(const Args& a, bool applied = true) {
        fake.events.clear();
        fake.out.clear();
        RadioState radio = radio_of(a);
        EXPECT_EQ(apply_change({a.ownAuth, a.ownEnc}, cand_of(a), radio), applied);
        EXPECT_EQ(fake.store_texts_live, 0);
        EXPECT_EQ(fake.live_allocations, 0);
        return std::string(radio.curAuth.view()) + "/" + std::string(radio.curEnc.view()) + "/" +
               std::to_string(radio.curChannel) + "/" + std::to_string(radio.curExtCh);
    }
};

// The client security stays out of these: the own modes are not mixed, or
// the upstream is open.
TEST_F(ApplyChange, KeyStepByOwnSecurity) {
    const Events wep = {"store DefaultKeyID", "store Key1Str1", "run iwpriv ra0 set DefaultKeyID=\\1",
                        "run iwpriv ra0 set Key1=" + shell_escaped("abcde")};
    const Events psk = {"store WPAPSK1", "run iwpriv ra0 set WPAPSK=" + shell_escaped("passphrase")};
    const struct { std::string auth, enc; Events keyStep; bool unsupported = false; } rows[] = {
        {"OPEN", "NONE", {}}, {"OPEN", "WEP", wep}, {"SHARED", "WEP", wep}, {"WPA2PSK", "AES", psk},
        {"WPAPSKWPA2PSK", "TKIPAES", psk}, {"WPA2PSK", "NONE", psk} /* the cipher plays no part */,
        {"xPSKx", "", psk} /* "PSK" anywhere */, {"OPEN", "TKIP", {}, true}, {"SHARED", "NONE", {}, true},
        {"WEPAUTO", "WEP", {}, true}, {"open", "NONE", {}, true}, {"psk", "AES", {}, true}, {"", "", {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.auth + "/" + row.enc);
        EXPECT_EQ(apply({.ownAuth = row.auth, .ownEnc = row.enc, .candAuth = "OPEN", .candEnc = "NONE"}),
                  "WPA2PSK/AES/6/1");
        EXPECT_EQ(fake.events, sequence({}, row.keyStep));
        // Printed whatever the debug flag.
        EXPECT_EQ(fake.out, row.unsupported ? "Unsupport security mode: " + row.auth + " (" + row.enc + ").\n" : "");
    }
}

TEST_F(ApplyChange, KeysAreCheckedByLength) {
    std::string chars;
    for (int i = 0; i < 70; ++i) chars += "0123456789abc def;$!#%+"[i % 23];
    const struct {
        std::string auth, enc, key;
        Events before;
        std::string command;
        std::vector<std::size_t> lengths;
        std::set<std::size_t> valid;
    } kinds[] = {
        {"SHARED", "WEP", "Key1Str1", {"store DefaultKeyID", "store Key1Str1", "run iwpriv ra0 set DefaultKeyID=\\1"},
         "run iwpriv ra0 set Key1=", {4, 5, 6, 9, 10, 11, 12, 13, 14, 25, 26, 27}, {5, 10, 13, 26}},
        {"WPA2PSK", "AES", "WPAPSK1", {"store WPAPSK1"}, "run iwpriv ra0 set WPAPSK=", {0, 7, 8, 63, 64, 65},
         {8, 63, 64}},
    };
    for (const auto& kind : kinds) {
        for (std::size_t length : kind.lengths) {
            SCOPED_TRACE(kind.key + " of " + std::to_string(length));
            const std::string key = chars.substr(0, length);
            const bool valid = kind.valid.count(length) != 0;
            fake.store[kind.key] = key;
            EXPECT_EQ(apply({.ownAuth = kind.auth, .ownEnc = kind.enc}), "WPA2PSK/AES/6/1");
            Events keyStep = kind.before;
            if (valid) keyStep.push_back(kind.command + shell_escaped(key));
            EXPECT_EQ(fake.events, sequence({}, keyStep));
            EXPECT_EQ(fake.out, valid ? "" : "Invalid Key=" + key + "\n");
        }
    }
}

TEST_F(ApplyChange, MixedOwnModesFollowASingleUpstreamSecurity) {
    const std::string mode = "run iwpriv apcli0 set ApCliAuthMode=", cipher = "run iwpriv apcli0 set ApCliEncrypType=";
    const Events psk = {"store WPAPSK1", "run iwpriv ra0 set WPAPSK=" + shell_escaped("passphrase")};
    const Args wpa = {.curAuth = "WPAPSK", .curEnc = "TKIP"};  // in force before
    const struct { Args args; Events apcli; std::string after; } rows[] = {
        {wpa, {mode + "WPA2PSK", cipher + "AES"}, "WPA2PSK/AES/6/1"},
        {{}, {mode + "WPA2PSK", cipher + "AES"}, "WPA2PSK/AES/6/1"},  // no change: the commands run all the same
        {{.candAuth = "WPAPSK", .candEnc = "TKIP"}, {mode + "WPAPSK", cipher + "TKIP"}, "WPAPSK/TKIP/6/1"},
        {{.candAuth = "OPEN", .candEnc = "NONE", .curAuth = "WPAPSK", .curEnc = "TKIP"}, {}, "WPAPSK/TKIP/6/1"},
        {{.candEnc = "TKIP/AES", .curAuth = "WPAPSK", .curEnc = "TKIP"}, {mode + "WPA2PSK"}, "WPA2PSK/TKIP/6/1"},
        // Only one of the own modes mixed: only that one follows.
        {{.ownEnc = "AES", .curAuth = "WPAPSK", .curEnc = "TKIP"}, {mode + "WPA2PSK"}, "WPA2PSK/TKIP/6/1"},
        {{.ownAuth = "WPA2PSK", .curAuth = "WPAPSK", .curEnc = "TKIP"}, {cipher + "AES"}, "WPAPSK/AES/6/1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.after);
        EXPECT_EQ(apply(row.args), row.after);
        EXPECT_EQ(fake.events, sequence(row.apcli, psk));
        EXPECT_EQ(fake.out, "");
    }
}

TEST_F(ApplyChange, ExtensionChannelAndBandwidthByChannel) {
    const std::string x0 = "run iwpriv ra0 set HtExtcha=0", x1 = "run iwpriv ra0 set HtExtcha=1",
                      bw = "run iwpriv ra0 set HtBw=\\1";
    // `radio`: the commands between the channel command and the SSID command.
    const struct { int channel; const char* extCh; int flagBefore; Events radio; int flagAfter; } rows[] = {
        {140, "NONE", 1, {x0}, 0},    {140, "ABOVE", 0, {x1}, 1},     {140, "", 1, {}, 1},
        {36, "", 0, {bw}, 0},         {36, "NONE ", 0, {x1, bw}, 1},  {40, "NONE ", 1, {x0, bw}, 0},
        {161, "BELOW", 1, {x0, bw}, 0}, {6, "xyz", 5, {bw}, 5},
    };
    for (const auto& row : rows) {
        const std::string channel = std::to_string(row.channel);
        SCOPED_TRACE(channel + " \"" + row.extCh + '"');
        EXPECT_EQ(apply({.ownAuth = "OPEN", .ownEnc = "NONE", .candChannel = row.channel, .candExtCh = row.extCh,
                         .curExtCh = row.flagBefore}),
                  "WPA2PSK/AES/" + channel + "/" + std::to_string(row.flagAfter));
        Events expected = {"store SSID1", "store HT_BW", "run iwpriv ra0 set Channel=" + channel};
        expected.insert(expected.end(), row.radio.begin(), row.radio.end());
        expected.push_back(kSsidCommand);
        EXPECT_EQ(fake.events, expected);
    }
}

// A setting that cannot be read stops the re-programming before its first
// command; one that reads empty does not.
TEST_F(ApplyChange, AnUnreadableSettingLeavesTheRadioAsItWas) {
    const Events reads = {"store SSID1", "store HT_BW"};
    const struct { const char *auth, *enc, *key, *keyStepRead; } cases[] = {
        {"WPAPSKWPA2PSK", "TKIPAES", "SSID1", nullptr},
        {"OPEN", "NONE", "HT_BW", nullptr},
        {"SHARED", "WEP", "DefaultKeyID", nullptr},
        {"OPEN", "WEP", "Key1Str1", "store DefaultKeyID"},
        {"WPAPSKWPA2PSK", "TKIPAES", "WPAPSK1", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        fake.store_unreadable = {c.key};
        EXPECT_EQ(apply({.ownAuth = c.auth, .ownEnc = c.enc, .candChannel = 11, .candAuth = "WPAPSK",
                         .candEnc = "TKIP", .candExtCh = "BELOW"},
                        false),
                  "WPA2PSK/AES/6/1");
        Events expected(reads.begin(), std::find(reads.begin(), reads.end(), std::string("store ") + c.key));
        if (c.keyStepRead != nullptr) expected.push_back(c.keyStepRead);
        expected.push_back(std::string("store ") + c.key);
        EXPECT_EQ(fake.events, expected);
        EXPECT_EQ(fake.out, std::string("relaywatch: error, cannot read ") + c.key +
                                " from the settings store, radio left as it was\n");
    }
    fake.store_unreadable.clear();
    fake.store["SSID1"] = fake.store["HT_BW"] = "";
    EXPECT_EQ(apply({.ownAuth = "OPEN", .ownEnc = "NONE"}), "WPA2PSK/AES/6/1");
    EXPECT_EQ(fake.runs(), (Events{"iwpriv ra0 set Channel=6", "iwpriv ra0 set HtExtcha=1", "iwpriv ra0 set HtBw=",
                                   "iwpriv ra0 set SSID="}));
}

}  // namespace
