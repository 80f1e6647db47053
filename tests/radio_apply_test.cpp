// Settings application: the command sequences as the platform receives them,
// the store reads, the two error lines, and RadioState afterwards.
#include <string>
#include <vector>

#include "radio/radio.h"
#include "tests/fake_platform.h"

namespace {

using Events = std::vector<std::string>;

// A value as the shell sees it after escaping: a backslash before every
// character (the texts here hold no newline).
std::string esc(const std::string& value) {
    std::string out;
    for (char c : value) {
        out += '\\';
        out += c;
    }
    return out;
}

struct Candidate {
    std::string ownAuth = "OPEN";
    std::string ownEnc = "NONE";
    int channel = 6;
    std::string auth = "WPA2PSK";
    std::string enc = "AES";
    std::string extCh = "NONE ";
};

struct State {
    std::string auth;
    std::string enc;
    int channel;
    int extCh;
    bool operator==(const State&) const = default;
};

std::ostream& operator<<(std::ostream& os, const State& s) {
    return os << "{" << s.auth << ", " << s.enc << ", " << s.channel << ", " << s.extCh << "}";
}

class ApplyChange : public FakeTest {
protected:
    void SetUp() override {
        FakeTest::SetUp();
        fake.store = {{"SSID1", "Home"},      {"HT_BW", "1"},           {"DefaultKeyID", "1"},
                      {"Key1Str1", "abcde"}, {"WPAPSK1", "secret123"}};
    }

    // Applies `c` over `before`; returns RadioState afterwards. Every stored
    // text and every heap text is released by then.
    State apply(const Candidate& c, const State& before = {"WPAPSK", "TKIP", 11, 0}) {
        AuthText candAuth, candEnc, curAuth, curEnc;
        ExtChText candExtCh;
        candAuth.assign(c.auth);
        candEnc.assign(c.enc);
        candExtCh.assign(c.extCh);
        curAuth.assign(before.auth);
        curEnc.assign(before.enc);
        int curChannel = before.channel;
        int curExtCh = before.extCh;
        apply_change(c.ownAuth, c.ownEnc, c.channel, candAuth, candEnc, candExtCh, curChannel,
                     curAuth, curEnc, curExtCh);
        EXPECT_EQ(fake.store_texts_live, 0);
        EXPECT_EQ(fake.live_allocations, 0);
        return {curAuth.c_str(), curEnc.c_str(), curChannel, curExtCh};
    }

    // The events of an OPEN/NONE application on channel 6 up to the key step.
    static Events head() {
        return {"store SSID1", "store HT_BW", "run iwpriv ra0 set Channel=6",
                "run iwpriv ra0 set HtExtcha=1", "run iwpriv ra0 set HtBw=\\1"};
    }
    static Events with(Events events, const Events& more) {
        events.insert(events.end(), more.begin(), more.end());
        return events;
    }
    static constexpr const char* kSsidCommand = "run iwpriv ra0 set SSID=\\H\\o\\m\\e";
};

TEST_F(ApplyChange, OpenNetworkOnChannel6) {
    State after = apply({});
    EXPECT_EQ(fake.events, with(head(), {kSsidCommand}));
    EXPECT_EQ(fake.out, "");
    EXPECT_EQ(after, (State{"WPAPSK", "TKIP", 6, 1}));
}

TEST_F(ApplyChange, KeyStepByOwnSecurity) {
    const Events wep = {"store DefaultKeyID", "store Key1Str1", "run iwpriv ra0 set DefaultKeyID=\\1",
                        "run iwpriv ra0 set Key1=" + esc("abcde")};
    const Events psk = {"store WPAPSK1", "run iwpriv ra0 set WPAPSK=" + esc("secret123")};
    struct Row {
        std::string auth, enc;
        Events keyEvents;
        std::string out;
    };
    const Row rows[] = {
        {"OPEN", "NONE", {}, ""},
        {"OPEN", "WEP", wep, ""},
        {"SHARED", "WEP", wep, ""},
        {"WPA2PSK", "AES", psk, ""},
        {"WPAPSKWPA2PSK", "TKIPAES", psk, ""},
        {"WPA2PSK", "NONE", psk, ""},  // the cipher plays no part
        {"xPSKx", "", psk, ""},        // "PSK" anywhere
        {"OPEN", "TKIP", {}, "Unsupport security mode: OPEN (TKIP).\n"},
        {"SHARED", "NONE", {}, "Unsupport security mode: SHARED (NONE).\n"},
        {"WEPAUTO", "WEP", {}, "Unsupport security mode: WEPAUTO (WEP).\n"},
        {"open", "NONE", {}, "Unsupport security mode: open (NONE).\n"},
        {"psk", "AES", {}, "Unsupport security mode: psk (AES).\n"},
        {"", "", {}, "Unsupport security mode:  ().\n"},
    };
    debug = 0;  // both error lines are printed whatever the debug flag
    for (const Row& row : rows) {
        fake.events.clear();
        fake.out.clear();
        // An open upstream, so the client security stays out of it.
        State after = apply({.ownAuth = row.auth, .ownEnc = row.enc, .auth = "OPEN", .enc = "NONE"});
        EXPECT_EQ(fake.events, with(with(head(), row.keyEvents), {kSsidCommand}))
            << row.auth << "/" << row.enc;
        EXPECT_EQ(fake.out, row.out) << row.auth << "/" << row.enc;
        EXPECT_EQ(after, (State{"WPAPSK", "TKIP", 6, 1})) << row.auth << "/" << row.enc;
    }
}

TEST_F(ApplyChange, WepKeyByLength) {
    const std::string chars = "0123456789abcdefABCDEF!#%+,-./:=@_0123456789";
    for (std::size_t length : {4, 5, 6, 9, 10, 11, 12, 13, 14, 25, 26, 27}) {
        const std::string key = chars.substr(0, length);
        const bool valid = length == 5 || length == 10 || length == 13 || length == 26;
        fake.store["Key1Str1"] = key;
        fake.events.clear();
        fake.out.clear();
        State after = apply({.ownAuth = "SHARED", .ownEnc = "WEP"});

        Events key_events = {"store DefaultKeyID", "store Key1Str1",
                             "run iwpriv ra0 set DefaultKeyID=\\1"};
        if (valid) key_events.push_back("run iwpriv ra0 set Key1=" + esc(key));
        EXPECT_EQ(fake.events, with(with(head(), key_events), {kSsidCommand})) << length;
        EXPECT_EQ(fake.out, valid ? "" : "Invalid Key=" + key + "\n") << length;
        EXPECT_EQ(after, (State{"WPAPSK", "TKIP", 6, 1})) << length;
    }
}

TEST_F(ApplyChange, PassphraseByLength) {
    std::string chars;
    for (int i = 0; i < 70; ++i) chars += "abc def;$"[i % 9];
    for (std::size_t length : {0, 7, 8, 63, 64, 65}) {
        const std::string passphrase = chars.substr(0, length);
        const bool valid = length >= 8 && length <= 64;
        fake.store["WPAPSK1"] = passphrase;
        fake.events.clear();
        fake.out.clear();
        State after = apply({.ownAuth = "WPA2PSK", .ownEnc = "AES"});

        Events key_events = {"store WPAPSK1"};
        if (valid) key_events.push_back("run iwpriv ra0 set WPAPSK=" + esc(passphrase));
        EXPECT_EQ(fake.events, with(with(head(), key_events), {kSsidCommand})) << length;
        EXPECT_EQ(fake.out, valid ? "" : "Invalid Key=" + passphrase + "\n") << length;
        EXPECT_EQ(after, (State{"WPAPSK", "TKIP", 6, 1})) << length;
    }
}

TEST_F(ApplyChange, MixedOwnModesFollowASingleUpstreamSecurity) {
    const Candidate mixed = {.ownAuth = "WPAPSKWPA2PSK", .ownEnc = "TKIPAES"};
    const Events tail = {"run iwpriv ra0 set Channel=6", "run iwpriv ra0 set HtExtcha=1",
                         "run iwpriv ra0 set HtBw=\\1", "store WPAPSK1",
                         "run iwpriv ra0 set WPAPSK=" + esc("secret123"), kSsidCommand};
    struct Row {
        const char* what;
        Candidate cand;
        State before;
        Events apcli;
        State after;
    };
    const Row rows[] = {
        {"both change", mixed, {"WPAPSK", "TKIP", 11, 0},
         {"run iwpriv apcli0 set ApCliAuthMode=WPA2PSK", "run iwpriv apcli0 set ApCliEncrypType=AES"},
         {"WPA2PSK", "AES", 6, 1}},
        {"no security change: the commands run all the same", mixed, {"WPA2PSK", "AES", 11, 0},
         {"run iwpriv apcli0 set ApCliAuthMode=WPA2PSK", "run iwpriv apcli0 set ApCliEncrypType=AES"},
         {"WPA2PSK", "AES", 6, 1}},
        {"WPAPSK/TKIP", {.ownAuth = "WPAPSKWPA2PSK", .ownEnc = "TKIPAES", .auth = "WPAPSK", .enc = "TKIP"},
         {"WPA2PSK", "AES", 11, 0},
         {"run iwpriv apcli0 set ApCliAuthMode=WPAPSK", "run iwpriv apcli0 set ApCliEncrypType=TKIP"},
         {"WPAPSK", "TKIP", 6, 1}},
        {"upstream OPEN/NONE", {.ownAuth = "WPAPSKWPA2PSK", .ownEnc = "TKIPAES", .auth = "OPEN", .enc = "NONE"},
         {"WPAPSK", "TKIP", 11, 0}, {}, {"WPAPSK", "TKIP", 6, 1}},
        {"upstream mixed cipher", {.ownAuth = "WPAPSKWPA2PSK", .ownEnc = "TKIPAES", .enc = "TKIP/AES"},
         {"WPAPSK", "TKIP", 11, 0}, {"run iwpriv apcli0 set ApCliAuthMode=WPA2PSK"},
         {"WPA2PSK", "TKIP", 6, 1}},
        {"own cipher AES: only the mode follows", {.ownAuth = "WPAPSKWPA2PSK", .ownEnc = "AES"},
         {"WPAPSK", "TKIP", 11, 0}, {"run iwpriv apcli0 set ApCliAuthMode=WPA2PSK"},
         {"WPA2PSK", "TKIP", 6, 1}},
        {"own mode WPA2PSK: only the cipher follows", {.ownAuth = "WPA2PSK", .ownEnc = "TKIPAES"},
         {"WPAPSK", "TKIP", 11, 0}, {"run iwpriv apcli0 set ApCliEncrypType=AES"},
         {"WPAPSK", "AES", 6, 1}},
    };
    for (const Row& row : rows) {
        fake.events.clear();
        State after = apply(row.cand, row.before);
        EXPECT_EQ(fake.events, with(with({"store SSID1", "store HT_BW"}, row.apcli), tail)) << row.what;
        EXPECT_EQ(fake.out, "") << row.what;
        EXPECT_EQ(after, row.after) << row.what;
    }
}

TEST_F(ApplyChange, ExtensionChannelAndBandwidthByChannel) {
    struct Row {
        int channel;
        const char* extCh;
        int curExtChBefore;
        Events radio;  // between the channel command and the SSID command
        int curExtChAfter;
    };
    const Row rows[] = {
        {140, "NONE", 1, {"run iwpriv ra0 set HtExtcha=0"}, 0},
        {140, "ABOVE", 0, {"run iwpriv ra0 set HtExtcha=1"}, 1},
        {140, "", 1, {}, 1},
        {36, "", 0, {"run iwpriv ra0 set HtBw=\\1"}, 0},
        {36, "NONE ", 0, {"run iwpriv ra0 set HtExtcha=1", "run iwpriv ra0 set HtBw=\\1"}, 1},
        {40, "NONE ", 1, {"run iwpriv ra0 set HtExtcha=0", "run iwpriv ra0 set HtBw=\\1"}, 0},
        {161, "BELOW", 1, {"run iwpriv ra0 set HtExtcha=0", "run iwpriv ra0 set HtBw=\\1"}, 0},
        {6, "xyz", 5, {"run iwpriv ra0 set HtBw=\\1"}, 5},
    };
    for (const Row& row : rows) {
        fake.events.clear();
        State after = apply({.channel = row.channel, .extCh = row.extCh},
                            {"WPAPSK", "TKIP", 11, row.curExtChBefore});
        Events expected = {"store SSID1", "store HT_BW",
                           "run iwpriv ra0 set Channel=" + std::to_string(row.channel)};
        expected = with(with(expected, row.radio), {kSsidCommand});
        EXPECT_EQ(fake.events, expected) << row.channel << " \"" << row.extCh << '"';
        EXPECT_EQ(after, (State{"WPAPSK", "TKIP", row.channel, row.curExtChAfter}))
            << row.channel << " \"" << row.extCh << '"';
    }
}

TEST_F(ApplyChange, EveryStoredValueOnACommandLineIsEscaped) {
    fake.store["SSID1"] = "a b'c";
    fake.store["HT_BW"] = "1;reboot";
    fake.store["DefaultKeyID"] = "$(x)";
    fake.store["Key1Str1"] = "0123456789";         // hex form
    apply({.ownAuth = "OPEN", .ownEnc = "WEP"});
    EXPECT_EQ(fake.runs(), (std::vector<std::string>{
                               "iwpriv ra0 set Channel=6",
                               "iwpriv ra0 set HtExtcha=1",
                               "iwpriv ra0 set HtBw=\\1\\;\\r\\e\\b\\o\\o\\t",
                               "iwpriv ra0 set DefaultKeyID=\\$\\(\\x\\)",
                               "iwpriv ra0 set Key1=" + esc("0123456789"),
                               "iwpriv ra0 set SSID=\\a\\ \\b\\'\\c",
                           }));

    fake.events.clear();
    fake.store["WPAPSK1"] = std::string(64, '`');  // 64-character form
    apply({.ownAuth = "WPA2PSK", .ownEnc = "AES"});
    EXPECT_EQ(fake.runs().at(3), "iwpriv ra0 set WPAPSK=" + esc(std::string(64, '`')));
}

TEST_F(ApplyChange, LongSsidReachesTheCommandWhole) {
    std::string ssid;
    for (int i = 0; i < 300; ++i) ssid += static_cast<char>('a' + i % 26);
    fake.store["SSID1"] = ssid;
    apply({});
    EXPECT_EQ(fake.runs().back(), "iwpriv ra0 set SSID=" + esc(ssid));
}

}  // namespace
