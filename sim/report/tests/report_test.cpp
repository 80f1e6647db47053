// SPDX-License-Identifier: ISC
// relaywatch-sim report: bundles refused, or read as far as they hold with
// every fault said; bundles made of scenario runs give the run's verdicts
// and figures and the right first line; nothing of the bundle reaches the
// page or the terminal raw.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "sim/report/bundle_read.h"
#include "sim/report/report.h"
#include "sim/report/tests/bundle_frame.h"
#include "sim/router/runner.h"
#include "sim/router/survey_table.h"
#include "sim/scenario/air.h"

namespace rwsim {

namespace {

const std::string kWhole = frame({{"router", "kernel: 4.14\n"}, {"log", "x\n"}});

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

TEST(BundleRead, RefusesWhatIsNoBundleAndSaysWhatWasCutOrEdited) {
    const struct {
        std::string bytes;
        const char* refused;  // nullptr: read
        const char* fault;    // nullptr: none
        std::size_t sections;
    } cases[] = {
        {"", "not a field report bundle", nullptr, 0},
        {"kernel: 4.14\n", "not a field report bundle", nullptr, 0},
        {replaced(kWhole, "bundle 1", "bundle 2"), "a bundle of format 2; this reader reads format 1", nullptr, 0},
        {"relaywatch-report bundle 1", "nothing after it", nullptr, 0},
        {kWhole, nullptr, nullptr, 2},
        {kWhole.substr(0, kWhole.size() - 11), nullptr, "line 4: the log section was cut: it holds 1 of its 2 bytes",
         2},
        {kWhole.substr(0, kWhole.size() - 9), nullptr, "no end mark: the bundle was cut after 2 sections", 2},
        {replaced(kWhole, "4.14", "4.19"), nullptr, "the router section's bytes do not match its checksum", 2},
        {replaced(kWhole, "4.14", "4.14.1"), nullptr, "holds 15 bytes before the next mark where its length says 13",
         2},
        {replaced(kWhole, "--- section log", "stray\n--- section log"), nullptr,
         "line 2: the router section holds 19 bytes before the next mark where its length says 13: edited", 2},
        {replaced(kWhole, "--- section router", "stray\n--- section router"), nullptr,
         "line 2: text outside any section: the 6 bytes up to the next mark are not read", 2},
        {replaced(kWhole, "--- section log 2", "--- section log two"), nullptr, "a section mark out of form", 1},
        {frame({{"log", "a\n"}, {"log", "b\n"}}), nullptr, "a second log section: not read", 1},
        {frame({{"router", "a\n"}, {"extra", "b\n"}}), nullptr, "a section extra this reader does not know", 1},
        {replaced(kWhole, "end 2", "end 3"), nullptr, "the end mark counts 3 sections; 2 were read", 2},
        {kWhole + "more\n", nullptr, "5 bytes after the end mark: not read", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const Bundle b = read_bundle(c.bytes);
        if (c.refused != nullptr) {
            EXPECT_NE(b.refused.find(c.refused), std::string::npos) << b.refused;
            continue;
        }
        EXPECT_EQ(b.refused, "");
        EXPECT_EQ(b.sections.size(), c.sections);
        std::string faults;
        for (const std::string& f : b.faults) faults += f + "\n";
        if (c.fault == nullptr) {
            EXPECT_EQ(faults, "");
            EXPECT_TRUE(b.ended && b.sections[0].intact && b.sections[0].text == "kernel: 4.14\n");
        } else {
            EXPECT_NE(faults.find(c.fault), std::string::npos) << faults;
        }
    }
}

struct Made {
    std::string bundle, run_summary;
};

// The bundle relaywatch-report's own code collects at the end of a scenario
// run, with debug; run `runs` times as a loop of restarts a minute apart,
// with the log of them all. `capture`: a survey table in place of the one
// the simulated driver printed.
Made bundle_of(const Scenario& sc, const std::string& capture = "", int runs = 1) {
    std::ostringstream log, summary;
    std::string collected;
    RunOptions options;
    options.args_given = true;
    options.args = {"10", "3", "debug"};
    options.report = &collected;
    options.report_at = sc.end;
    for (int i = 0; i < runs; ++i) {
        const SyslogOut out{&log, 1796680800 + 60L * i, 300 + i};
        options.syslog = &out;
        collected.clear();
        const RunResult result = run_scenario(sc, options);
        syslog_close(out, result.end);
        print_summary(summary, sc, result);
    }
    if (capture.empty() && runs == 1) return {collected, summary.str()};
    Sections sections;
    for (const BundleSection& s : read_bundle(collected).sections) {
        const bool survey = s.name == bundle::kSurvey && !capture.empty(), log_of_all = s.name == bundle::kLog;
        sections.emplace_back(s.name, survey ? capture : log_of_all ? log.str() : s.text);
    }
    return {frame(sections), summary.str()};
}

// The line of a summary that starts so, or "".
std::string line_of(const std::string& text, const std::string& start) {
    const std::size_t at = text.find("\n" + start);
    return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

TEST(Report, GivesTheRunsVerdictsFiguresAndFirstLine) {
    const std::string quiet =
        "name quiet\nend 40m\nstore ApCliSsid=home\nradio channel 6\n"
        "ap home ssid home bssid 00:11:22:33:44:55 channel 6 ext ABOVE security WPA2PSK/AES\n";
    const std::string shifted =
        "Ch  SSID                             BSSID               Security\n"
        "6   home                             00:11:22:33:44:55   WPA2PSK/AES\n";
    Scenario misspelt = parse_scenario(quiet, "misspelt.scn"), loop = misspelt;
    misspelt.store["ApCliSsid"] = "";
    misspelt.store["ApCliSSID"] = "home";  // the collector lists it among the store's other keys
    loop.store["ApCliEnable"] = "0";
    const struct {
        const char* what;
        Made made;
        const char* first_line;
        int explain_status;
    } cases[] = {
        {"healthy", bundle_of(parse_scenario(quiet, "quiet.scn")), "nothing wrong in the 39m 59s the log holds\n", 0},
        {"hidden upstream", bundle_of(load_scenario(RELAYWATCH_SOURCE_DIR "/scenarios/hidden-ssid.scn")),
         "ra0 (the own AP) was off the air for ", 0},
        {"misspelt key", bundle_of(misspelt), "the store's ApCliSSID is not ApCliSsid: relaywatch does not read it", 1},
        {"shifted table", bundle_of(parse_scenario(quiet, "quiet.scn"), shifted),
         "the survey table is not in the layout relaywatch reads", 3},
        {"restart loop", bundle_of(loop, "", 4), "relaywatch ends at start-up with this store (and 1 more below)\n", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Report report = make_report(read_bundle(c.made.bundle), "b");
        std::ostringstream text;
        print_report(text, report);
        EXPECT_EQ(text.str().rfind(c.first_line, 0), 0u) << text.str().substr(0, 300);
        EXPECT_EQ(report.explain_status, c.explain_status);
        for (const char* part : {"\n  apcli0: ", "\nsurvey table b (survey), as relaywatch reads it\n", "\nresult"})
            EXPECT_NE(text.str().find(part), std::string::npos) << part;
        // The run's own ra0 figure, as the replay of its log words it.
        const std::string ra0 = line_of(c.made.run_summary, "own AP (ra0) up");
        if (c.explain_status != 4) {
            const std::size_t from = ra0.find_first_not_of(' ', 15);
            const std::string figure = ra0.substr(from, ra0.find('%') + 1 - from);
            EXPECT_NE(text.str().find("own AP (ra0) up        " + figure + " of the"), std::string::npos) << ra0;
        }
    }
    const Report loop_report = make_report(read_bundle(cases[4].made.bundle), "b");
    EXPECT_NE(loop_report.wrong[1].find("relaywatch started 4 times"), std::string::npos) << loop_report.wrong[1];
}

TEST(Report, LetsNothingOfTheBundleReachThePageOrTheTerminalRaw) {
    const std::string hostile = "<script>alert(1)</script> \x1b[2J \xff\xfe &amp;";
    const Report report =
        make_report(read_bundle(frame({{"router", "name: " + hostile + "\n"}, {hostile, "x"}})), hostile);
    std::ostringstream text, page;
    print_report(text, report);
    write_report_page(page, report);
    for (const std::string& out : {text.str(), page.str()}) {
        EXPECT_EQ(out.find('\x1b'), std::string::npos);
        EXPECT_EQ(out.find('\xff'), std::string::npos);
    }
    EXPECT_EQ(page.str().find("<script"), std::string::npos);
    EXPECT_EQ(page.str().find(" &amp; "), std::string::npos);
    EXPECT_NE(page.str().find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(text.str().find("lacks its sections steps store"), std::string::npos);
}

// The guide shows the sample's first lines as the command prints them.
TEST(Report, TheGuideShowsTheSamplesFirstLines) {
    FILE* pipe =
        popen("cd " RELAYWATCH_SOURCE_DIR " && " RELAYWATCH_SIM_BIN " report samples/field-report.bundle", "r");
    std::string shown;
    for (int c = 0; (c = std::fgetc(pipe)) != EOF;) shown += static_cast<char>(c);
    EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 0);
    std::ifstream guide(RELAYWATCH_SOURCE_DIR "/docs/field-report.md");
    const std::string text((std::istreambuf_iterator<char>(guide)), std::istreambuf_iterator<char>());
    const std::string head = "$ relaywatch-sim report samples/field-report.bundle\n";
    const std::size_t at = text.find(head), end = text.find("...\n```", at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(shown.rfind(text.substr(at + head.size(), end - at - head.size()), 0), 0u);
}

}  // namespace

}  // namespace rwsim
