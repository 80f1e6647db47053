// SPDX-License-Identifier: ISC
// Hostile input harms nothing: no input written over, outputs put in place
// only by a run that succeeds, no raw control byte on the terminal, and an
// SVG that stays well-formed XML whatever the log's bytes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "sim/common/tests/clean_text.h"
#include "sim/common/text.h"
#include "sim/draw/svg.h"
#include "sim/tracks/record.h"

namespace rwsim {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// relaywatch-sim run in `dir` with `args`; its exit status.
int sim(const std::string& dir, const std::string& args) {
    const std::string cmd = "cd " + dir + " && " RELAYWATCH_SIM_BIN " " + args + " >out 2>err";
    return WEXITSTATUS(std::system(cmd.c_str()));
}

const std::string kHostile =
    "\x1b[2J\rA\xC2\x9B"
    "1m\xEF\xBF\xBF\xFF\xC3<&\"";

TEST(Hostile, NoInputIsWrittenOverAndRefusedRunsKeepEveryFile) {
    const std::string dir = testing::TempDir() + "hostile-out";
    ASSERT_EQ(std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
    const std::string log = "Mon Dec  7 18:31:53 2026 daemon.info relaywatch[7]: relaywatch: AP disable\n";
    put(dir + "/a.log", log);
    put(dir + "/old.svg", "old");
    ASSERT_EQ(std::system(("cp " RELAYWATCH_SOURCE_DIR "/scenarios/flapping.scn " + dir + "/x.scn").c_str()), 0);
    ASSERT_EQ(std::system(("ln " + dir + "/a.log " + dir + "/hard.log").c_str()), 0);
    const std::string scn = slurp(dir + "/x.scn");
    const char* const refused[] = {
        "replay a.log --timeline a.log",
        "replay a.log --timeline hard.log",
        "replay - --timeline a.log <a.log",
        "replay missing.log --timeline old.svg",
        "--timeline x.scn x.scn",
        "--syslog x.scn x.scn",
        "--csv x.scn --sweep 5 0 x.scn",
        "--syslog old.svg --timeline old.svg x.scn",
        "--timeline old.svg missing.scn",
        "replay a.log --json hard.log",
        "replay missing.log --json old.svg",
        "replay a.log --timeline old.svg --json old.svg",
    };
    for (const char* args : refused) {
        EXPECT_EQ(sim(dir, args), 2) << args;
        EXPECT_EQ(slurp(dir + "/a.log"), log) << args;
        EXPECT_EQ(slurp(dir + "/x.scn"), scn) << args;
        EXPECT_EQ(slurp(dir + "/old.svg"), "old") << args;
    }
    EXPECT_EQ(sim(dir, "replay a.log --timeline old.svg"), 0);
    EXPECT_EQ(slurp(dir + "/old.svg").rfind("<svg", 0), 0u) << "a run that succeeds puts its output in place";
    EXPECT_EQ(sim(dir, "replay a.log --json old.svg"), 0);
    EXPECT_EQ(slurp(dir + "/old.svg").rfind("{\n  \"log\": \"a.log\"", 0), 0u) << slurp(dir + "/old.svg");
    EXPECT_EQ(std::system(("ls " + dir + " | grep -q tmp").c_str()) >> 8, 1) << "no temporary file left";
}

TEST(Hostile, TerminalTextHasNoRawControlByte) {
    const std::string shown = shown_text(kHostile + std::string(70, '\xC3'));
    EXPECT_TRUE(clean_text(shown)) << shown;
    EXPECT_NE(shown.find("\\x1b[2J\\rA\\xc2\\x9b1m"), std::string::npos) << shown;
    EXPECT_TRUE(clean_text(shown_text(std::string(500, 'a') + "\xC3\xA9"))) << "cut at a character's boundary";

    const std::string dir = testing::TempDir() + "hostile-term";
    ASSERT_EQ(std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
    put(dir + "/k.log", "Mon Dec  7 18:31:53 2026 daemon.info relaywatch[7]: relaywatch: Invalid Key=" + kHostile +
                            "\nMon Dec  7 18:31:54 2026 daemon.info relaywatch[7]: " + kHostile + "\n");
    put(dir + "/t.txt",
        "SSID  Ch BSSID Security " + kHostile + "\n home 6 00:11:22:33:44:55 WPA2PSK/AES 90 11b/g/n NONE\n");
    for (const char* args :
         {"replay k.log", "replay missing\x1b[2J.log", "explain t.txt", "explain t.txt --channel \x9b"}) {
        sim(dir, args);
        EXPECT_TRUE(clean_text(slurp(dir + "/out"))) << args;
        EXPECT_TRUE(clean_text(slurp(dir + "/err"))) << args;
    }
}

TEST(Hostile, TheSvgStaysWellFormed) {
    const std::string escaped = svg_escape(kHostile + "\xED\xA0\x80");
    EXPECT_TRUE(clean_text(escaped, true)) << escaped;
    EXPECT_EQ(escaped.find_first_of("<\"\r"), std::string::npos) << escaped;
    EXPECT_NE(escaped.find("&lt;&amp;&quot;"), std::string::npos);

    // A line cut at 160 bytes keeps whole characters.
    Recorder rec(10);
    rec.daemon_line(0, std::string(159, 'a') + "\xC3\xA9");
    EXPECT_EQ(rec.bins().front().daemon_line, std::string(159, 'a'));

    // The title's file name: not UTF-8.
    const std::string dir = testing::TempDir() + "hostile-svg";
    ASSERT_EQ(std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
    put(dir + "/n\xFF.log",
        "Mon Dec  7 18:31:53 2026 daemon.info relaywatch[7]: relaywatch: AP disable\n"
        "Mon Dec  7 18:31:54 2026 daemon.info relaywatch[7]: relaywatch: current Auth=WPA2PSK EncrypType=AES "
        "Ch=65547 ExtCh=0\n"
        "Mon Dec  7 18:31:58 2026 daemon.info relaywatch[7]: relaywatch: AP enable\n");
    EXPECT_EQ(sim(dir, "replay n\xFF.log --timeline n.svg"), 0);
    const std::string svg = slurp(dir + "/n.svg");
    EXPECT_TRUE(clean_text(svg, true));
    EXPECT_NE(svg.find("n\xEF\xBF\xBD.log"), std::string::npos);
    EXPECT_NE(svg.find("ch 65547"), std::string::npos) << "a channel at full width";
}

// A stretch of one state is recorded as its seconds one by one would be
// (the replay draws a span of decades stretch by stretch; 60 years is as
// long as a 32-bit long holds).
TEST(Hostile, AStretchIsRecordedAsItsSeconds) {
    const long end = 60L * 365 * 86400;
    Recorder by_stretch(end), by_second(end);
    const long from = 3 * by_second.bin_width() - 2, to = from + 2 * by_second.bin_width() + 5;
    by_stretch.stretch(from, to, true, false, 65547, 0);
    for (long t = from; t < to; ++t) by_second.second(t, true, false, 65547, 0);
    EXPECT_EQ(by_stretch.seconds, by_second.seconds);
    EXPECT_EQ(by_stretch.link_seconds, by_second.link_seconds);
    ASSERT_EQ(by_stretch.bins().size(), by_second.bins().size());
    for (std::size_t i = 2; i < 6; ++i) {
        const Bin &a = by_stretch.bins()[i], &b = by_second.bins()[i];
        EXPECT_EQ(std::tie(a.seconds, a.link_up, a.ra0_up, a.upstream_absent, a.ra0_first, a.ra0_max),
                  std::tie(b.seconds, b.link_up, b.ra0_up, b.upstream_absent, b.ra0_first, b.ra0_max))
            << "bin " << i;
    }
}

}  // namespace
}  // namespace rwsim
