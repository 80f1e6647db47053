// The stand-in store: a file of KEY=VALUE lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/nvram.h"
#include "platform/nvram_file.h"

namespace {

TEST(StoreFile, LineFormat) {
    const std::pair<const char*, const char*> cases[] = {  // the file, SSID1's value (nullptr: not there)
        {"SSID1=my net \n", "my net "}, {"SSID1=home\r\n", "home"}, {"SSID1=a=b=c\n", "a=b=c"}, {"SSID1=\n", ""},
        {"SSID1=first\nSSID1=second\n", "second"}, {"\nno equals sign\nSSID1=no line end", "no line end"},
        {"#SSID1=commented\n", nullptr}, {"SSID10=x\n", nullptr}, {" SSID1=x\n", nullptr}, {"SSID1\n", nullptr},
    };
    for (const auto& [content, expected] : cases) {
        std::string_view value = "<missing>";
        EXPECT_EQ(store_file_lookup(content, "SSID1", value), expected != nullptr) << content;
        EXPECT_EQ(value, expected ? expected : "<missing>") << content;
    }
}

// Through the store's own read: each read sees the file as it is now; a file
// that cannot be read reads as nullptr and is warned about once, on standard
// error.
TEST(StoreFile, Reads) {
    const std::string path = ::testing::TempDir() + "relaywatch-store";
    setenv("RELAYWATCH_NVRAM", path.c_str(), 1);
    auto get = [](const char* key) {
        char* text = nvram_bufget(0, key);
        std::string value = text != nullptr ? text : "<unreadable>";
        std::free(text);
        return value;
    };
    std::ofstream(path) << "SSID1=before\n";
    EXPECT_EQ(get("SSID1"), "before");
    std::ofstream(path) << "OperationMode=3\nSSID1=after\n";
    EXPECT_EQ(get("SSID1") + get("NoSuchKey"), "after");

    std::remove(path.c_str());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(get("SSID1") + get("AuthMode"), "<unreadable><unreadable>");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(path), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one warning, not one per key";
    unsetenv("RELAYWATCH_NVRAM");
}

}  // namespace
