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
#include "tests/supervisor_fixture.h"

namespace {

using Strings = std::vector<std::string>;

std::string file_text(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

struct Explained {
    int status = -1;
    Strings hidden;     // the BSSIDs of the hidden entries, in order
    Strings recovery;   // the daemon's lines and commands, repeats expanded
};

Explained run_explain(const std::string& args) {
    Explained e;
    FILE* pipe = popen((std::string(RELAYWATCH_SIM_BIN) + " explain " + args).c_str(), "r");
    if (pipe == nullptr) return e;
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    int status = pclose(pipe);
    e.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(out);
    bool in_recovery = false, hidden_next = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("what a recovery would do", 0) == 0) in_recovery = true;
        if (line.rfind("result:", 0) == 0) in_recovery = false;
        if (in_recovery && line.rfind("  ", 0) == 0) {
            line = line.substr(2);
            int times = 1;
            if (std::size_t at = line.rfind("  ("); at != std::string::npos && line.back() == ')') {
                times = std::stoi(line.substr(at + 3));
                line.resize(at);
            }
            for (int i = 0; i < times; ++i) e.recovery.push_back(line);
        } else if (hidden_next) {
            std::size_t at = line.find("BSSID \"");
            e.hidden.push_back(at == std::string::npos ? "?" : line.substr(at + 7, 17));
        }
        hidden_next = line.find(": collected as hidden entry ") != std::string::npos;
    }
    return e;
}

class ExplainVsDaemon : public supervisor_test::SupervisorTest {};

TEST_F(ExplainVsDaemon, SameSelectionHiddenOrderAndCommands) {
    const struct {
        const char* table;
        const char* store;
        int channel;
        const char* remembered;
    } cases[] = {
        {"survey-crowded.txt", "nvram-home", 6, "0"},     // selected by SSID
        {"survey-crowded.txt", "nvram", 1, "0"},          // not there: a walk over two
        {"survey-hidden.txt", "nvram-home", 6, "0"},      // a walk over four
        {"survey-hidden.txt", "nvram-home", 6, "00:11:22:33:44:55"},  // by the remembered BSSID
        {"survey-junk.txt", "nvram-home", 11, "0"},       // past every kind of junk
    };
    for (const auto& c : cases) {
        const std::string dir = RELAYWATCH_SOURCE_DIR "/samples/";
        SCOPED_TRACE(std::string(c.table) + " " + c.store + " " + c.remembered);
        const Explained e = run_explain(dir + c.table + " --store " + dir + c.store + " --channel " +
                                        std::to_string(c.channel) + " --remembered " + c.remembered);

        fake.reset();
        fake.store.clear();
        std::istringstream store(file_text(dir + c.store));
        for (std::string line; std::getline(store, line);) {
            if (!line.empty() && line[0] != '#' && line.find('=') != std::string::npos) {
                fake.store[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
            }
        }
        fake.default_outputs[supervisor_test::kChannelQuery] = std::to_string(c.channel) + "\n";
        fake.push_survey(file_text(dir + c.table));
        Supervisor daemon;
        const char* argv[] = {"relaywatch", "10", "0", "debug"};
        ASSERT_TRUE(startup(4, argv, daemon).runLinkWatch);
        ASSERT_TRUE(linkwatch_setup(daemon));
        daemon.manual_get_BSSID.assign(c.remembered);
        fake.events.clear();
        fake.out.clear();
        recovery_cycle(daemon);

        Strings expected, walked;
        std::istringstream printed(fake.out);
        for (std::string line; std::getline(printed, line);) {
            if (line != "relaywatch: Scanning...") expected.push_back(line);
            if (std::size_t at = line.find("] AP("); at != std::string::npos) walked.push_back(line.substr(at + 5, 17));
        }
        // The commands in the order the daemon ran them among its lines.
        Strings runs = fake.runs(), commands;
        for (const std::string& r : runs) {
            if (r != "iwpriv ra0 set SiteSurvey=1") commands.push_back("$ " + r);
        }
        Strings explained_commands, explained_lines;
        for (const std::string& line : e.recovery) (line.rfind("$ ", 0) == 0 ? explained_commands : explained_lines).push_back(line);

        const bool selected = fake.out.find("relaywatch: Found AP ") != std::string::npos;
        EXPECT_EQ(e.status, selected ? 0 : 1);
        EXPECT_EQ(explained_lines, expected);
        EXPECT_EQ(explained_commands, commands);
        if (!selected) {
            EXPECT_EQ(e.hidden, walked);
        }
        EXPECT_FALSE(commands.empty() && walked.empty() && !selected) << "a case that shows nothing";
    }
}

}  // namespace
