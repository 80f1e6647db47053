// SPDX-License-Identifier: ISC
// relaywatch-report's collection against the recording fake: secrets kept
// out, steps that fail said, the bundle's sections framed as written.
#include <sstream>
#include <string>

#include "fake_test.h"
#include "platform/report_ops.h"
#include "report/bundle_format.h"
#include "report/collect.h"

namespace {

using report::Bundle;

TEST(ReportSecrets, DescriptionAndKeyNames) {
    const std::pair<const char*, const char*> values[] = {
        {"abcde", "[secret: 5 hex]"},
        {"0123456789ABCDEF", "[secret: 16 hex]"},
        {"pass word!", "[secret: 10 printable]"},
        {"abcdeg", "[secret: 6 printable]"},
        {"caf\xc3\xa9", "[secret: 5 other]"},
        {"tab\there", "[secret: 8 other]"},
    };
    for (const auto& [value, shown] : values) {
        report::TextBuffer out;
        report::append_secret(out, value);
        EXPECT_EQ(out.view(), shown) << value;
    }
    for (const char* key : {"WPAPSK1", "Key1Str1", "Key4Str1", "ApCliKey2Str", "ApCliWPAPSK", "RADIUS_Key1",
                            "wpa_passphrase", "AdminPassword", "Secret"}) {
        EXPECT_TRUE(report::is_secret_key(key)) << key;
    }
    for (const char* key : {"DefaultKeyID", "SSID1", "Key1Type", "KeyStr", "ApCliDefaultKeyID", "HT_BW"}) {
        EXPECT_FALSE(report::is_secret_key(key)) << key;
    }
}

TEST(ReportSecrets, LogLinesRedactedByFormatAndWholeWord) {
    report::Secrets secrets;
    secrets.add("WPAPSK1", "hunter22");
    secrets.add("ApCliWPAPSK", "abc");  // before the longer one it begins
    secrets.add("Key1Str1", "abcde");
    secrets.add("SSID1", "hunter22");  // the same value again is kept once
    const std::tuple<const char*, const char*, std::size_t> lines[] = {
        {"relaywatch[9]: Invalid Key=oldsecret", "relaywatch[9]: Invalid Key=[secret: 9 printable]", 1},
        {"Invalid Key=hunter22", "Invalid Key=[secret: 8 printable]", 1},
        {"x hunter22 y", "x [secret: 8 printable] y", 1},
        {"(hunter22)", "([secret: 8 printable])", 1},
        {"xhunter22 hunter222 hunter22_", "xhunter22 hunter222 hunter22_", 0},
        {"abc abcde", "[secret: 3 hex] [secret: 5 hex]", 2},
        {"abcdef", "abcdef", 0},
        {"secret: abc", "secret: [secret: 3 hex]", 1},
    };
    for (const auto& [line, redacted, count] : lines) {
        report::TextBuffer out, notes;
        EXPECT_EQ(report::redact_line(line, secrets, 7, out, notes), count) << line;
        EXPECT_EQ(out.view(), redacted) << line;
        EXPECT_EQ(notes.view().substr(0, count != 0 ? 12 : 0), count != 0 ? "log line 7: " : "") << line;
    }
}

class ReportCollect : public FakeTest {
protected:
    std::string collect(const report::Options& options = {}) {
        Bundle bundle;
        report::collect(options, bundle);
        EXPECT_TRUE(report::write_bundle(bundle, plat::kStandardOutput));
        return fake.written["-"];
    }
};

// The framing as written: each section's length and checksum match its text.
TEST_F(ReportCollect, SectionsFramedWithLengthAndChecksum) {
    const std::string text = collect();
    ASSERT_EQ(text.rfind(std::string(bundle::kFirstLine) + "\n", 0), 0u);
    std::size_t pos = bundle::kFirstLine.size() + 1, sections = 0;
    while (text.compare(pos, bundle::kSectionMark.size(), bundle::kSectionMark) == 0) {
        const std::size_t eol = text.find('\n', pos);
        std::istringstream head(text.substr(pos + bundle::kSectionMark.size(), eol - pos));
        std::string name;
        std::size_t length = 0;
        unsigned sum = 0;
        ASSERT_TRUE(head >> name >> length >> std::hex >> sum) << text.substr(pos, eol - pos);
        EXPECT_EQ(sum, bundle::checksum(text.data() + eol + 1, length)) << name;
        EXPECT_TRUE(length == 0 || text[eol + length] == '\n') << name;
        pos = eol + 1 + length;
        ++sections;
    }
    EXPECT_EQ(sections, 9u);
    EXPECT_EQ(text.substr(pos), std::string(bundle::kEndMark) + "9\n");
}

TEST_F(ReportCollect, SecretsNeverLeaveAndFailuresAreSaid) {
    fake.store["WPAPSK1"] = "hunter22";
    fake.store["ApCliWPAPSK"] = "clientkey";
    fake.store["SSID1"] = "net $(touch /tmp/x)\x1b[2J";
    fake.store_file = "/etc/relaywatch/nvram";
    fake.files["/etc/relaywatch/nvram"] =
        "no equals sign\n#WPAPSK2=commented\nWPAPSK1=hunter22\nApCliKey1Str=wepcl\r\nSSID2=guest\nSSID2=guest\n"
        "HT_BW=1\nHT_EXTCHA=1\n";
    fake.outputs["iwpriv ra0 get_site_survey"].push_back(std::nullopt);
    fake.exit_statuses["logread"] = 127;
    fake.files["/etc/config/system"] = "config system\n\toption log_file '/overlay/messages'\n";
    fake.files["/overlay/messages"] = "Dec  6 23:59:59 r daemon.info relaywatch[8]: relaywatch: AP enable\n";
    fake.files["/etc/openwrt_release"] = "DISTRIB_ID='OpenWrt'\nDISTRIB_DESCRIPTION='OpenWrt 21.02.3'\n";
    fake.files["/var/log/messages"] =
        "Dec  7 04:00:01 r daemon.info relaywatch[9]: Invalid Key=old-key\n"
        "Dec  7 04:00:02 r kernel: apcli0 joined with wepcl and clientkey\n"
        "Dec  7 04:00:03 r dnsmasq: lease to laptop hunter22\n";
    const std::string text = collect();
    for (const char* secret : {"hunter22", "clientkey", "wepcl", "old-key", "\x1b"}) {
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
    }
    for (const char* said : {"WPAPSK1=[secret: 8 printable]", "SSID1=net $(touch /tmp/x)\\x1b[2J", "\nSSID2\n",
                             "logread: failed", "/var/log/messages: ok", "joined with [secret: 5 printable] and",
                             "log line 2: invalid key [secret: 7 printable]", "survey age: unknown",
                             "\nstore WPAPSK1: [secret: 8 printable]\n", "\nfirmware: 'OpenWrt 21.02.3'\n",
                             "\ndate: 2026-12-07 04:00:00 +0000 UTC\n", "\nkernel: Linux 5.4.0 #1 mips\n",
                             "survey: failed, iwpriv could not be run", "persistent log: ok",
                             "\nDec  6 23:59:59 r daemon.info relaywatch[8]: relaywatch: AP enable\nDec  7 04:00:01"}) {
        EXPECT_NE(text.find(said), std::string::npos) << said;
    }
    EXPECT_EQ(text.find("dnsmasq"), std::string::npos);  // other programs' lines stay
    EXPECT_EQ(text.find("SSID2\nSSID2"), std::string::npos);
    for (const char* read : {"\nHT_BW\n", "\nHT_EXTCHA\n", "#WPAPSK2", "no equals"}) {
        EXPECT_EQ(text.find(read), std::string::npos) << read;  // a key relaywatch reads is no other key
    }
    EXPECT_TRUE(fake.runs().empty());  // nothing run but the constant reads
    EXPECT_EQ(fake.live_allocations, 0);
}

TEST_F(ReportCollect, ScanTriggersTheSurveyAndInstancesComeFromProc) {
    fake.pids = {42, 1};
    fake.files["/proc/1/cmdline"] = std::string("/sbin/procd\0", 12);
    fake.files["/proc/42/cmdline"] = std::string(
        "/usr/sbin/relaywatch\0"
        "10\0"
        "3\0",
        26);
    // A table beyond the section's 64 KiB is cut there.
    fake.push_survey(survey_table({Ap{.ssid = "upstream"}}) + std::string(70000, 'x') + "\n");
    report::Options options;
    options.scan = true;
    const std::string text = collect(options);
    EXPECT_EQ(fake.runs(), std::vector<std::string>{"iwpriv ra0 set SiteSurvey=1"});
    EXPECT_NE(text.find("pid 42: /usr/sbin/relaywatch 10 3\n"), std::string::npos);
    EXPECT_EQ(text.find("procd"), std::string::npos);
    EXPECT_NE(text.find("upstream"), std::string::npos);
    EXPECT_NE(text.find("survey age: 4 s"), std::string::npos);
    EXPECT_LT(text.size(), 68000u);
}

// With none running, the arguments the init settings would give it, read as
// text: the first settings file found, quotes and comments taken off.
TEST_F(ReportCollect, InitArgumentsWhenNoneRuns) {
    fake.files["/etc/default/relaywatch"] = "# LOOPTIME=99\nLOOPTIME=20\nSLEEPTIME='5' # pause\nDEBUG=1\n";
    EXPECT_NE(collect().find("running: none\ninit /etc/default/relaywatch: relaywatch 20 5 debug\n"),
              std::string::npos);
}

}  // namespace
