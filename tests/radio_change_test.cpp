// Change detection: which differences between a surveyed access point and
// the settings in force call for re-programming, and the extension-channel
// rule.
#include <gtest/gtest.h>

#include <string>

#include "radio/radio.h"

namespace {

// The ten arguments, by default a candidate that equals the settings in
// force under the mixed own modes (so every comparison is enabled).
struct Args {
    std::string ownAuth = "WPAPSKWPA2PSK";
    std::string ownEnc = "TKIPAES";
    int candChannel = 6;
    std::string candAuth = "WPA2PSK";
    std::string candEnc = "AES";
    std::string candExtCh = "NONE ";
    int curChannel = 6;
    std::string curAuth = "WPA2PSK";
    std::string curEnc = "AES";
    int curExtCh = 1;
};

int changed(const Args& a) {
    AuthText candAuth, candEnc, curAuth, curEnc;
    ExtChText candExtCh;
    candAuth.assign(a.candAuth);
    candEnc.assign(a.candEnc);
    candExtCh.assign(a.candExtCh);
    curAuth.assign(a.curAuth);
    curEnc.assign(a.curEnc);
    return is_mode_change(a.ownAuth, a.ownEnc, a.candChannel, candAuth, candEnc, candExtCh,
                          a.curChannel, curAuth, curEnc, a.curExtCh);
}

struct ChangeCase {
    const char* what;
    Args args;
    int expected;
};

const ChangeCase kChangeCases[] = {
    {"everything equal", {}, 0},

    // Authentication mode: compared only under own "WPAPSKWPA2PSK", and only
    // towards a single WPA mode.
    {"mixed own mode, WPAPSK over WPA2PSK", {.candAuth = "WPAPSK"}, 1},
    {"mixed own mode, WPA2PSK over WPAPSK", {.curAuth = "WPAPSK"}, 1},
    {"mixed own mode, WPA2PSK over OPEN", {.curAuth = "OPEN"}, 1},
    {"own WPA2PSK does not compare", {.ownAuth = "WPA2PSK", .candAuth = "WPAPSK"}, 0},
    {"own OPEN does not compare", {.ownAuth = "OPEN", .candAuth = "WPAPSK"}, 0},
    {"own mode compared whole", {.ownAuth = "WPAPSKWPA2PSK ", .candAuth = "WPAPSK"}, 0},
    {"own mode case-sensitive", {.ownAuth = "wpapskwpa2psk", .candAuth = "WPAPSK"}, 0},
    {"candidate OPEN is no change", {.candAuth = "OPEN"}, 0},
    {"candidate NotSupport is no change", {.candAuth = "NotSupport"}, 0},
    {"candidate mixed text is no change", {.candAuth = "WPA-PSK/WPA2-PSK"}, 0},
    {"candidate mode compared whole", {.candAuth = "WPAPSK2"}, 0},

    // Cipher: compared only under own "TKIPAES", and only towards TKIP or AES.
    {"own TKIPAES, AES over TKIP", {.curEnc = "TKIP"}, 1},
    {"own TKIPAES, TKIP over AES", {.candEnc = "TKIP"}, 1},
    {"own TKIPAES, AES over empty", {.curEnc = ""}, 1},
    {"own AES does not compare", {.ownEnc = "AES", .curEnc = "TKIP"}, 0},
    {"own WEP does not compare", {.ownEnc = "WEP", .curEnc = "TKIP"}, 0},
    {"candidate TKIP/AES is no change", {.candEnc = "TKIP/AES"}, 0},
    {"candidate TKIP/AES over TKIP is no change", {.candEnc = "TKIP/AES", .curEnc = "TKIP"}, 0},
    {"candidate NONE is no change", {.candEnc = "NONE"}, 0},
    {"candidate empty cipher is no change", {.candEnc = ""}, 0},

    // Channel: always compared.
    {"channel 11 over 6", {.candChannel = 11, .candExtCh = ""}, 1},
    {"channel differs under plain own modes",
     {.ownAuth = "OPEN", .ownEnc = "NONE", .candChannel = 11, .candExtCh = ""},
     1},

    // Extension channel: compared whenever the rule yields a flag.
    {"ABOVE over 1", {.candExtCh = "ABOVE"}, 0},
    {"ABOVE over 0", {.candExtCh = "ABOVE", .curExtCh = 0}, 1},
    {"BELOW over 0", {.candExtCh = "BELOW", .curExtCh = 0}, 0},
    {"BELOW over 1", {.candExtCh = "BELOW"}, 1},
    {"NONE on 6 over 0", {.curExtCh = 0}, 1},
    {"NONE on 48 over 0", {.candChannel = 48, .curChannel = 48, .curExtCh = 0}, 0},
    {"NONE on 36 over 0", {.candChannel = 36, .curChannel = 36, .curExtCh = 0}, 1},
    {"NONE on 140 over 1", {.candChannel = 140, .candExtCh = "NONE", .curChannel = 140}, 1},
    {"a flag of 2 differs from 1", {.curExtCh = 2}, 1},
    {"a flag of -1 differs from 0", {.candExtCh = "BELOW", .curExtCh = -1}, 1},
    {"empty text over 0", {.candExtCh = "", .curExtCh = 0}, 0},
    {"empty text over 7", {.candExtCh = "", .curExtCh = 7}, 0},
    {"plain own modes still compare the flag",
     {.ownAuth = "OPEN", .ownEnc = "NONE", .candExtCh = "BELOW"},
     1},
};

TEST(ChangeDetection, EachComparisonOnItsOwn) {
    for (const ChangeCase& c : kChangeCases) {
        EXPECT_EQ(changed(c.args), c.expected) << c.what;
    }
}

TEST(ChangeDetection, SeveralChangesAtOnceStillReadOne) {
    EXPECT_EQ(changed({.candChannel = 11, .candAuth = "WPAPSK", .candEnc = "TKIP",
                       .candExtCh = "BELOW"}),
              1);
}

TEST(ExtChannelRule, FlagByTextAndChannel) {
    constexpr int N = kNoExtFlag;
    const int channels[] = {36, 40, 48, 140, 144, 153, 161, 6};
    struct Row {
        const char* text;
        int flags[8];  // per channel above
    };
    const Row rows[] = {
        {"ABOVE", {1, 1, 1, 1, 1, 1, 1, 1}},
        {"BELOW", {0, 0, 0, 0, 0, 0, 0, 0}},
        {"NONE", {1, 0, 0, 0, 1, 1, 1, 1}},
        {"NONE ", {1, 0, 0, 0, 1, 1, 1, 1}},
        {"", {N, N, N, N, N, N, N, N}},
        {"NON", {N, N, N, N, N, N, N, N}},
        {"none", {N, N, N, N, N, N, N, N}},
        {" NONE", {N, N, N, N, N, N, N, N}},
        {"ABOVEx", {1, 1, 1, 1, 1, 1, 1, 1}},
        {"BELOW ", {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(ext_channel_flag(row.text, channels[i]), row.flags[i])
                << '"' << row.text << "\" on channel " << channels[i];
        }
    }
}

}  // namespace
