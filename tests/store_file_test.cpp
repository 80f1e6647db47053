// SPDX-License-Identifier: ISC
// The stand-in store: a file of KEY=VALUE lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/nvram.h"
#include "platform/nvram_file.h"

namespace {

TEST(StoreFile, LineFormat) {
    const std::pair<const char*, const char*> cases[] = {
        // the file, SSID1's value (nullptr: not there)
        {"SSID1=my net \n", "my net "},
        {"SSID1=home\r\n", "home"},
        {"SSID1=a=b=c\n", "a=b=c"},
        {"SSID1=\n", ""},
        {"SSID1=first\nSSID1=second\n", "second"},
        {"\nno equals sign\nSSID1=no line end", "no line end"},
        {"#SSID1=commented\n", nullptr},
        {"SSID10=x\n", nullptr},
        {" SSID1=x\n", nullptr},
        {"SSID1\n", nullptr},
    };
    for (const auto& [content, expected] : cases) {
        std::string_view value = "<missing>";
        EXPECT_EQ(store_file_lookup(content, "SSID1", value), expected != nullptr) << content;
        EXPECT_EQ(value, expected ? expected : "<missing>") << content;
    }
}

// A file that cannot be read (a directory: it opens, but reading fails; then
// no file at all) reads as nullptr and is warned about once, on standard
// error; once it is back, it is read again, whole: the key found before a
// line of 2 KiB keeps its value, and the last line counts without a line
// end. A key it does not hold reads as the empty text, a value as far as
// a NUL byte in it. With an empty file name, or none, the default file is
// read.
TEST(StoreFile, UnreadableFileIsWarnedAboutOnceAndReadAgainOnceBack) {
    const std::string path = ::testing::TempDir() + "relaywatch-store";
    setenv("RELAYWATCH_NVRAM", path.c_str(), 1);
    std::remove(path.c_str());
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    EXPECT_EQ(nvram_bufget(0, "SSID1"), nullptr);
    rmdir(path.c_str());
    for (const char* key : {"SSID1", "AuthMode"}) EXPECT_EQ(nvram_bufget(0, key), nullptr);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "relaywatch: cannot read store file " + path + "\n");
    std::ofstream(path) << "SSID1=back\n#" << std::string(2025, '-') << '\n' << std::string("Key1=ab\0cd", 10);
    for (const auto& [key, expected] : {std::pair{"SSID1", "back"}, {"HT_BW", ""}, {"Key1", "ab"}}) {
        char* value = nvram_bufget(0, key);
        EXPECT_STREQ(value, expected) << key;
        std::free(value);
    }
    std::remove(path.c_str());
    // No file named (an empty name, then none): the default file, absent here.
    if (access(kDefaultStoreFile, F_OK) != 0) {
        ::testing::internal::CaptureStderr();
        setenv("RELAYWATCH_NVRAM", "", 1);
        EXPECT_EQ(nvram_bufget(0, "SSID1"), nullptr);
        unsetenv("RELAYWATCH_NVRAM");
        EXPECT_EQ(nvram_bufget(0, "SSID1"), nullptr);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  std::string("relaywatch: cannot read store file ") + kDefaultStoreFile + "\n");
    }
    unsetenv("RELAYWATCH_NVRAM");
}

}  // namespace
