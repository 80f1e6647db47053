// SPDX-License-Identifier: ISC
// relaywatch-sim explain against relaywatch's own recovery cycle on the
// same captured table, store and channel, run through the tests' fake
// platform: the same selection, the same hidden entries in the same order,
// the same debug lines and the same command lines.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "supervisor/supervisor.h"
#include "testing/fake_platform.h"

namespace rwsim {

namespace {

using Strings = std::vector<std::string>;

std::string file_text(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// What explain printed of the recovery (repeats expanded, commands with "$ ")
// and the BSSIDs of the hidden entries it collected, in order.
struct Explained {
    int status = -1;
    Strings hidden, recovery;
};

Explained run_explain(const std::string& args) {
    Explained e;
    FILE* pipe = popen((std::string(RELAYWATCH_SIM_BIN) + " explain " + args).c_str(), "r");
    std::string out;
    char buf[4096];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    e.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(out.substr(0, out.find("\nresult: ")));
    bool in_recovery = false, hidden_next = false;
    for (std::string line; std::getline(lines, line);) {
        in_recovery = in_recovery || line.rfind("what a recovery would do", 0) == 0;
        if (in_recovery && line.rfind("  ", 0) == 0 && line.rfind("    ", 0) != 0) {
            const std::size_t at = line.rfind("  (");
            const int times = at != 0 && at != std::string::npos ? std::stoi(line.substr(at + 3)) : 1;
            e.recovery.insert(e.recovery.end(), times,
                              line.substr(2, at != 0 && at != std::string::npos ? at - 2 : std::string::npos));
        } else if (hidden_next) {
            e.hidden.push_back(line.substr(line.find("BSSID \"") + 7, 17));
        }
        hidden_next = line.find(": collected as hidden entry ") != std::string::npos;
    }
    return e;
}

TEST(ExplainVsDaemon, SameSelectionHiddenOrderLinesAndCommands) {
    const struct {
        const char *table, *store;
        int channel;
        const char* remembered;
    } cases[] = {
        {"survey-crowded.txt", "nvram-home", 6, "0"},                 // selected by SSID
        {"survey-crowded.txt", "nvram", 1, "0"},                      // not there: a walk over two
        {"survey-hidden.txt", "nvram-home", 6, "0"},                  // a walk over four
        {"survey-hidden.txt", "nvram-home", 6, "00:11:22:33:44:55"},  // by the remembered BSSID
        {"survey-junk.txt", "nvram-home", 11, "0"},                   // past every kind of junk
    };
    for (const auto& c : cases) {
        const std::string dir = RELAYWATCH_SOURCE_DIR "/samples/";
        SCOPED_TRACE(std::string(c.table) + " " + c.store + " " + c.remembered);
        std::string args = dir + c.table;
        args.append(" --store ").append(dir).append(c.store).append(" --channel ");
        args.append(std::to_string(c.channel)).append(" --remembered ").append(c.remembered);
        const Explained e = run_explain(args);

        // The daemon's own cycle on the fake platform, no uplink ever.
        fake.reset();
        std::istringstream store(file_text(dir + c.store));
        for (std::string line; std::getline(store, line);) {
            const std::size_t eq = line.find('=');
            if (line[0] != '#' && eq != std::string::npos) fake.store[line.substr(0, eq)] = line.substr(eq + 1);
        }
        fake.default_outputs["iwgetid -c ra0 | sed -n 's/ra0//p' | sed -n 's/Channel://p'"] =
            std::to_string(c.channel) + "\n";
        fake.push_survey(file_text(dir + c.table));
        Supervisor daemon;
        const char* argv[] = {"relaywatch", "10", "0", "debug"};
        ASSERT_TRUE(startup(4, argv, daemon).runLinkWatch && linkwatch_setup(daemon));
        daemon.manual_get_BSSID.assign(c.remembered);
        fake.events.clear();
        fake.out.clear();
        recovery_cycle(daemon);

        Strings lines, walked, commands, explained_lines, explained_commands;
        std::istringstream printed(fake.out);
        for (std::string line; std::getline(printed, line);) {
            if (line != "relaywatch: Scanning...") lines.push_back(line);
            if (const std::size_t at = line.find("] AP("); at != std::string::npos)
                walked.push_back(line.substr(at + 5, 17));
        }
        for (const std::string& r : fake.runs()) {
            if (r != "iwpriv ra0 set SiteSurvey=1") commands.push_back("$ " + r);
        }
        for (const std::string& line : e.recovery)
            (line.rfind("$ ", 0) == 0 ? explained_commands : explained_lines).push_back(line);
        const bool selected = fake.out.find("relaywatch: Found AP ") != std::string::npos;
        EXPECT_EQ(e.status, selected ? 0 : 1);
        EXPECT_EQ(explained_lines, lines);
        EXPECT_EQ(explained_commands, commands);
        EXPECT_TRUE(selected || e.hidden == walked);
        EXPECT_FALSE(commands.empty() && walked.empty());
    }
}

}  // namespace

}  // namespace rwsim
