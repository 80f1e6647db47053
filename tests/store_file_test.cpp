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
    const struct {
        const char *content, *value;  // of SSID1; nullptr: not there
    } cases[] = {
        {"SSID1=home\n", "home"}, {"SSID1=my net \n", "my net "} /* blanks kept */, {"SSID1=home\r\n", "home"},
        {"SSID1=a=b=c\n", "a=b=c"} /* after the first '=' */, {"SSID1=first\nSSID1=second\n", "second"},
        {"SSID1=\n", ""}, {"SSID1=last line without end", "last line without end"}, {"\n\nSSID1=x\n\n", "x"},
        {"#SSID1=commented\n", nullptr}, {"SSID10=x\n", nullptr}, {" SSID1=x\n", nullptr} /* keys are exact */,
        {"SSID1\n", nullptr}, {"", nullptr},
    };
    for (const auto& c : cases) {
        std::string_view value = "<missing>";
        EXPECT_EQ(store_file_lookup(c.content, "SSID1", value), c.value != nullptr) << c.content;
        EXPECT_EQ(value, c.value ? c.value : "<missing>") << c.content;
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
    std::ofstream(path) << "OperationMode=3\nSSID1=before\n";
    EXPECT_EQ(get("SSID1"), "before");
    std::ofstream(path) << "OperationMode=3\nSSID1=after\n";
    EXPECT_EQ(get("SSID1"), "after");
    EXPECT_EQ(get("NoSuchKey"), "");

    std::remove(path.c_str());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(get("SSID1"), "<unreadable>");
    EXPECT_EQ(get("AuthMode"), "<unreadable>");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(err.find(path), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one warning, not one per key";
    unsetenv("RELAYWATCH_NVRAM");
}

}  // namespace
