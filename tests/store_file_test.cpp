// The stand-in store: a file of KEY=VALUE lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <algorithm>
#include <string>

#include "platform/nvram.h"
#include "platform/nvram_file.h"

namespace {

std::string lookup(const std::string& content, const std::string& key) {
    std::string_view value;
    if (!store_file_lookup(content, key, value)) return "<missing>";
    return std::string(value);
}

TEST(StoreFile, LineFormat) {
    struct Case {
        const char* content;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"SSID1=home\n", "SSID1", "home"},
        {"SSID1=my net \n", "SSID1", "my net "},           // blanks kept
        {"SSID1=home\r\n", "SSID1", "home"},                // trailing \r dropped
        {"WPAPSK1=a=b=c\n", "WPAPSK1", "a=b=c"},            // after the first '='
        {"SSID1=first\nSSID1=second\n", "SSID1", "second"},  // the last wins
        {"SSID1=\n", "SSID1", ""},
        {"SSID1=last line without end", "SSID1", "last line without end"},
        {"#SSID1=commented\n", "SSID1", "<missing>"},
        {"\n\nSSID1=x\n\n", "SSID1", "x"},
        {"SSID10=x\n", "SSID1", "<missing>"},
        {" SSID1=x\n", "SSID1", "<missing>"},  // keys are exact
        {"SSID1\n", "SSID1", "<missing>"},
        {"", "SSID1", "<missing>"},
    };
    for (const Case& c : cases) EXPECT_EQ(lookup(c.content, c.key), c.value) << c.content;
}

class StoreFileReads : public ::testing::Test {
protected:
    void SetUp() override {
        path = ::testing::TempDir() + "relaywatch-store-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        setenv("RELAYWATCH_NVRAM", path.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("RELAYWATCH_NVRAM");
        std::remove(path.c_str());
    }
    void write(const std::string& content) { std::ofstream(path) << content; }
    static std::string get(const char* key) {
        char* text = nvram_bufget(0, key);
        std::string value = text;
        std::free(text);
        return value;
    }
    std::string path;
};

TEST_F(StoreFileReads, EachReadSeesTheFileAsItIsNow) {
    write("OperationMode=3\nSSID1=before\n");
    EXPECT_EQ(get("SSID1"), "before");
    write("OperationMode=3\nSSID1=after\n");
    EXPECT_EQ(get("SSID1"), "after");
    EXPECT_EQ(get("NoSuchKey"), "");
}

TEST_F(StoreFileReads, UnreadableFileReadsEmptyAndWarnsOnStandardError) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(get("SSID1"), "");
    EXPECT_EQ(get("AuthMode"), "");
    std::string err = ::testing::internal::GetCapturedStderr();
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find(path), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one warning, not one per key";
}

}  // namespace
