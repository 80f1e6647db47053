// Shell escaping: the escaped text itself, and what the real /bin/sh hands a
// driver tool when a command line is formed the way the settings application
// forms it.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "radio/radio.h"
#include "tests/fake_platform.h"

namespace {

std::string escaped(const std::string& text) { return std::string(TransForShell1(text).view()); }

using ShellEscape = FakeTest;

TEST_F(ShellEscape, BackslashBeforeEveryCharacter) {
    EXPECT_EQ(escaped("ab 1"), "\\a\\b\\ \\1");
    EXPECT_EQ(escaped("\\"), "\\\\");
    EXPECT_EQ(escaped("'\"$"), "\\'\\\"\\$");
}

TEST_F(ShellEscape, EmptyTextStaysEmptyButIsThere) {
    HeapText text = TransForShell1("");
    EXPECT_TRUE(text.ok());
    EXPECT_EQ(text.view(), "");
}

TEST_F(ShellEscape, NewlineIsSingleQuotedNotBackslashed) {
    // A backslash before a newline would be a line continuation.
    EXPECT_EQ(escaped("a\nb"), "\\a'\n'\\b");
}

TEST_F(ShellEscape, AnyLengthWhole) {
    const std::string text(5000, 'x');
    HeapText out = TransForShell1(text);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.length, 10000u);
    EXPECT_EQ(std::strlen(out.c_str()), 10000u);
}

TEST_F(ShellEscape, NoMemoryGivesNoText) {
    fake.allocs_until_failure = 0;
    EXPECT_FALSE(TransForShell1("abc").ok());
}

// Runs command lines through the real /bin/sh with a recording `iwpriv`
// first on PATH. The recorder writes each argument followed by a NUL byte.
class ShellEscapeThroughSh : public FakeTest {
protected:
    void SetUp() override {
        FakeTest::SetUp();
        char tmpl[] = "/tmp/relaywatch-escape-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        record = dir + "/record";
        canary = dir + "/canary";
        std::ofstream(dir + "/iwpriv")
            << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\000' \"$a\"; done > '" << record << "'\n";
        chmod((dir + "/iwpriv").c_str(), 0755);
        const char* path = std::getenv("PATH");
        oldPath = path != nullptr ? path : "/usr/bin:/bin";
        setenv("PATH", (dir + ":" + oldPath).c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", oldPath.c_str(), 1);
        std::system(("rm -rf '" + dir + "'").c_str());
        FakeTest::TearDown();
    }

    // Escapes `value`, forms the command line from `pattern` and runs it;
    // returns the arguments the recorder received.
    std::vector<std::string> run(const char* pattern, const std::string& value) {
        std::remove(record.c_str());
        HeapText text = TransForShell1(value);
        HeapText line = format_text(pattern, text.c_str());
        EXPECT_TRUE(line.ok());
        EXPECT_EQ(std::system(line.c_str()), 0) << line.c_str();

        std::ifstream in(record, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        std::vector<std::string> args;
        std::string arg;
        for (char c : all.str()) {
            if (c == '\0') {
                args.push_back(arg);
                arg.clear();
            } else {
                arg += c;
            }
        }
        return args;
    }

    bool canary_made() const {
        struct stat st;
        return stat(canary.c_str(), &st) == 0;
    }

    std::string dir, record, canary, oldPath;
};

TEST_F(ShellEscapeThroughSh, HostileValuesArriveAsOneUnchangedArgument) {
    std::string printable;
    for (int i = 0; i < 200; ++i) printable += static_cast<char>(' ' + i % 95);
    std::string every_byte;
    for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);

    const std::string touch = "touch '" + canary + "'";
    const std::vector<std::string> values = {
        "My Home Network",
        "  leading and trailing  ",
        "it's",
        "say \"hi\"",
        "$(" + touch + ")",
        "`" + touch + "`",
        "a;" + touch,
        "a|" + touch,
        "a&" + touch + "&",
        "a&&" + touch,
        "a\n" + touch + "\n",
        "*",
        "back\\slash",
        "trailing\\",
        "$HOME ${PATH} $1 $$ $?",
        "~ # ! {a,b} [x] <in >out 2>&1 %s %n",
        "tab\there",
        "Café ☕ Straße 中文",
        std::string(200, 'x'),
        printable,
        every_byte,
        "",
    };
    for (const std::string& value : values) {
        EXPECT_EQ(run("iwpriv ra0 set SSID=%s", value),
                  (std::vector<std::string>{"ra0", "set", "SSID=" + value}))
            << value;
        EXPECT_FALSE(canary_made()) << value;
    }
}

TEST_F(ShellEscapeThroughSh, EveryEscapedCommandOfTheSettingsApplication) {
    const std::string value = "1; touch '" + canary + "' $(touch '" + canary + "')";
    const std::pair<const char*, const char*> commands[] = {
        {"iwpriv ra0 set HtBw=%s", "HtBw="},
        {"iwpriv ra0 set DefaultKeyID=%s", "DefaultKeyID="},
        {"iwpriv ra0 set Key1=%s", "Key1="},
        {"iwpriv ra0 set WPAPSK=%s", "WPAPSK="},
        {"iwpriv ra0 set SSID=%s", "SSID="},
    };
    for (const auto& [pattern, setting] : commands) {
        EXPECT_EQ(run(pattern, value), (std::vector<std::string>{"ra0", "set", setting + value}))
            << pattern;
        EXPECT_FALSE(canary_made()) << pattern;
    }
}

}  // namespace
