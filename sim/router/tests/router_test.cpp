// SPDX-License-Identifier: ISC
// The simulated router's shell, link model and driver, driven directly and
// through the daemon's own escaping and driver queries.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <tuple>

#include <linux/wireless.h>

#include "platform/platform.h"
#include "radio/radio.h"
#include "sim/router/run_context.h"
#include "sim/router/shell.h"

namespace rwsim {

namespace {

const std::string kAir = R"(end 1h
store ApCliSsid=home
radio channel 6
ap home     ssid home        bssid 00:11:22:33:44:55 channel 6 security WPA2PSK/AES
ap decoy    ssid decoy       bssid 00:11:22:33:44:66 channel 1 security WPA2PSK/AES
ap hidden   hidden home      bssid 02:00:00:00:00:01 channel 11 security WPA2PSK/AES
ap other    hidden elsewhere bssid 02:00:00:00:00:02 channel 3 security WPA2PSK/AES
)";

// A router over a scenario, quiet, in a run of its own.
struct Bench {
    explicit Bench(const std::string& text)
        : scenario(parse_scenario(text, "test.scn")), run(scenario, scenario.end, &console) {}

    std::ostringstream console;
    Scenario scenario;
    SimRun run;
    Router& router = run.router();
};

TEST(Air, WhichClientSecurityAnAccessPointAccepts) {
    const struct {
        const char *security, *auth, *enc;
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
        EXPECT_EQ(security_accepts(c.security, c.auth, c.enc), c.accepted) << c.security << ' ' << c.auth << c.enc;
    }
}

// One access point through events: what the scenario reader would refuse of
// each (empty: nothing), and what each does to the air, as the router applies it.
TEST(Air, EventsAsTheReaderChecksThemAndTheRouterAppliesThem) {
    AccessPoint ap;
    ap.name = ap.ssid = "home";
    ap.channel = 6;
    const struct {
        EventKind kind;
        const char* fault;
        bool effective;
        const char* text;
    } steps[] = {
        {EventKind::Add, "add home: it is on the air already", false, "home comes on the air on channel 6"},
        {EventKind::Show, "show home: it shows its SSID already", false, "home shows its SSID \"home\" again"},
        {EventKind::Hide, "", true, "home hides its SSID"},
        {EventKind::Hide, "hide home: it hides its SSID already", false, "home hides its SSID"},
        {EventKind::Remove, "", true, "home leaves the air"},
        {EventKind::Move, "home is off the air at that time", true, "home moves to channel 11 (ext NONE)"},
        {EventKind::Add, "", true, "home comes on the air on channel 11 (SSID hidden)"},
        {EventKind::Signal, "", true, "home's signal becomes 40%"},
        {EventKind::Show, "", true, "home shows its SSID \"home\" again"},
    };
    Event e;
    e.channel = 11;
    e.number = 40;
    for (const auto& step : steps) {
        e.kind = step.kind;
        const std::string fault = air_event_fault(ap, e);
        EXPECT_TRUE(*step.fault != '\0' ? fault.starts_with(step.fault) : fault.empty()) << step.text << ": " << fault;
        const AirChange change = apply_air_event(ap, e);
        EXPECT_EQ(change.text, step.text);
        EXPECT_EQ(change.effective, step.effective) << step.text;
        EXPECT_EQ(change.disturbs, step.kind != EventKind::Signal) << step.text;
    }
    ap.ssid.clear();
    ap.hidden = true;
    EXPECT_EQ(air_event_fault(ap, e), "show home: it has no real SSID to show");  // e: the last step's show
}

TEST(Air, ChannelsTheDriverTunesAndTheExtensionThatSuitsThem) {
    std::string seen;  // per channel: - when not tuned, else its extension's first letter
    for (int ch : {0, 1, 7, 8, 14, 15, 36, 38, 40, 100, 104, 144, 148, 149, 151, 153, 165, 169}) {
        seen += is_valid_channel(ch) ? natural_ext(ch)[0] : '-';
    }
    EXPECT_EQ(seen, "-AABB-A-BABB-A-BN-");
}

// Each case adds to kAir and plays steps: "+N" sleeps N seconds, "up" and
// "down" check the link, "linked N" the access point linked, anything else
// is a command.
TEST(Router, LinkModel) {
    const struct {
        const char* what;
        std::string more;
        std::vector<std::string> steps;
    } cases[] = {
        {"connects after the delay on home's channel, drops when home moves away",
         "at 20s move home channel 1\n",
         {"+2", "down", "+1", "up", "+17", "down", "iwpriv ra0 set Channel=1", "+2", "down", "+1", "up", "linked 0"}},
        {"a hidden access point answers for its real SSID; setting the channel restarts the association",
         "",
         {"iwpriv ra0 set Channel=3", "+10", "down", "iwpriv ra0 set Channel=11", "+3", "up", "linked 2",
          "iwpriv ra0 set Channel=11", "down", "+3", "up"}},
        {"a configured BSSID selects the access point",
         "store ApCliBssid=02:00:00:00:00:02\n",
         {"+10", "down", "iwpriv ra0 set Channel=3", "+3", "up"}},
        {"forced down until 30 s; then home no longer accepts WPA2PSK/AES",
         "at 10s linkdown 20s\nat 40s security home WPAPSK/TKIP\n",
         {"+9", "up", "+1", "down", "+22", "down", "+1", "up", "+7", "down", "iwpriv apcli0 set ApCliAuthMode=WPAPSK",
          "iwpriv apcli0 set ApCliEncrypType=TKIP", "+3", "up"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b(kAir + c.more);
        for (const std::string& step : c.steps) {
            if (step[0] == '+') {
                b.router.sleep(static_cast<unsigned>(std::stoi(step.substr(1))));
            } else if (step == "up" || step == "down") {
                EXPECT_EQ(b.router.link_up(), step == "up") << "at " << b.router.now() << " s";
            } else if (step.rfind("linked ", 0) == 0) {
                EXPECT_EQ(b.router.linked_ap(), std::stoi(step.substr(7)));
            } else {
                b.router.run(step.c_str());
            }
        }
    }
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
    EXPECT_EQ(b.run.holdings().sockets_open, 0);
    std::string out;
    b.router.read("iwgetid -c ra0 | sed -n 's/Channel:/on /p'", out);
    EXPECT_EQ(out, "ra0       on 11\n");
}

// The connect-status request is answered only as the daemon makes it: the
// private request, its sub-command, room for the 32-bit word.
TEST(Router, AnswersOnlyTheWholeConnectStatusRequest) {
    Bench b(kAir);
    b.router.sleep(3);
    const int fd = plat::socket_open();
    std::int32_t word = -7;
    iwreq req{};
    std::strncpy(req.ifr_name, "apcli0", IFNAMSIZ);
    req.u.data.pointer = &word;
    for (const auto& [flags, length, answered] :
         {std::tuple{0x060B, 4, true}, {0x060C, 4, false}, {0x060B, 2, false}}) {
        req.u.data.flags = static_cast<std::uint16_t>(flags);
        req.u.data.length = static_cast<std::uint16_t>(length);
        word = -7;
        EXPECT_EQ(plat::socket_ioctl(fd, 0x8BE1, &req) == 0, answered) << flags << " " << length;
        EXPECT_EQ(word, answered ? 1 : -7) << flags << " " << length;
    }
    EXPECT_NE(plat::socket_ioctl(fd, 0x8BE2, &req), 0);
    plat::socket_close(fd);
}

TEST(Router, RefusesWhatTheToolsWouldNotTake) {
    Bench b(kAir);
    const char* refused[] = {"iwpriv ra0 set Channel=15",    "iwpriv ra0 set HtExtcha=2",
                             "iwpriv ra0 set WPAPSK=short",  "iwpriv ra0 set SSID=my net",
                             "iwpriv ra0 set Frequency=5",   "iwpriv wlan9 set Channel=6",
                             "ifconfig ra0 sideways",        "reboot",
                             "iwpriv ra0 set SSID=a;reboot", "iwpriv apcli0 set ApCliAuthMode=WPA3"};
    for (const char* cmd : refused) b.router.run(cmd);
    EXPECT_TRUE(b.router.radio().channel == 6 && b.router.radio().extcha == 1);
    for (const char* cmd : {"iwpriv ra0 set HtExtcha=0", "iwpriv ra0 set SSID=my\\ net", "ifconfig ra0 down"})
        b.router.run(cmd);
    EXPECT_TRUE(b.router.radio().extcha == 0 && !b.router.radio().ra0_up);
    EXPECT_EQ(b.router.radio().ssid, "my net");
    EXPECT_EQ(b.router.counts().refused, static_cast<long>(std::size(refused)));
    EXPECT_NE(b.console.str().find("driver refused 'reboot': "), std::string::npos);
}

TEST(Shell, EscapedValuesArriveUnchanged) {
    for (const std::string value : {"home", "my net", "it's \"quoted\"", "$(reboot); rm -rf /", "back\\slash",
                                    "tab\there", "new\nline", "\n", "*?[glob]", "#hash", "~tilde", "", "|pipe|"}) {
        HeapText escaped = TransForShell1(value);
        ShellCommand cmd = shell_split("iwpriv ra0 set SSID=" + std::string(escaped.view()));
        EXPECT_EQ(cmd.error, "") << value;
        EXPECT_EQ(cmd.stages, (std::vector<std::vector<std::string>>{{"iwpriv", "ra0", "set", "SSID=" + value}}));
    }
}

TEST(Shell, SplitsWordsQuotesAndPipelines) {
    ShellCommand cmd = shell_split("iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n \"s/Channel://p\"");
    EXPECT_EQ(cmd.error, "");
    EXPECT_EQ(cmd.stages, (std::vector<std::vector<std::string>>{
                              {"iwgetid", "-c", "ra0"}, {"sed", "-n", "s/ra0//p"}, {"sed", "-n", "s/Channel://p"}}));
    EXPECT_EQ(shell_split("echo \"a b\" c").stages[0], (std::vector<std::string>{"echo", "a b", "c"}));
    EXPECT_EQ(shell_split("echo \"a\\\"b\\\\c\\$d\\x\\\ne\"").stages[0][1], "a\"b\\c$d\\xe")
        << "escapes in double quotes";
}

TEST(Shell, ReportsWhatItWouldNotPassOn) {
    const std::pair<const char*, const char*> cases[] = {
        {"iwpriv ra0 set SSID=a;b", "unquoted shell character ';'"},
        {"iwpriv ra0 set SSID=a*", "unquoted glob character '*'"},
        {"ifconfig ra0 #up", "unquoted '#' at the start of a word"},
        {"iwpriv ra0 set SSID='open", "unterminated single quote"},
        {"iwpriv ra0 set SSID=\"$x\"", "expansion '$' inside double quotes"},
        {"ifconfig ra0 up |", "empty pipeline stage"},
        {"", "empty command"},
    };
    for (const auto& [line, error] : cases) EXPECT_EQ(shell_split(line).error, error) << line;
}

}  // namespace

}  // namespace rwsim
