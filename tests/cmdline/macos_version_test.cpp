#include "cmdline/macos_version.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "io/io_test_support.h"

namespace {

struct version_case {
    const char* name;
    std::string plist;
    bool found;
    std::string text;
    uint32 major;
    uint32 minor;
    uint32 patch;
};

const std::string key =
    "<key>ProductName</key>\n<string>macOS</string>\n<key>ProductVersion</key>\n";

const version_case version_cases[] = {
    {"ThreeNumbers", key + "<string>10.15.7</string>\n</dict>", true, "10.15.7", 10, 15, 7},
    {"TwoNumbers", key + "\t<string>11.2</string>", true, "11.2", 11, 2, 0},
    {"OneNumber", key + "<string>14</string>", true, "14", 14, 0, 0},
    {"ExtraPartsIgnored", key + "<string>1.2.3.4</string>", true, "1.2.3.4", 1, 2, 3},
    {"CutTextRunsToEnd", key + "<string>13.1", true, "13.1", 13, 1, 0},
    {"NotANumber", key + "<string>beta.x</string>", true, "beta.x", 0, 0, 0},
    {"EmptyValue", key + "<string></string>", false, "", 0, 0, 0},
    {"NoValue", key, false, "", 0, 0, 0},
    {"NoKey", "<key>ProductName</key><string>macOS</string>", false, "", 0, 0, 0},
    {"Empty", "", false, "", 0, 0, 0},
};

class ParseMacosVersion : public ::testing::TestWithParam<version_case> {};

TEST_P(ParseMacosVersion, ReadsProductVersion) {
    const version_case& c = GetParam();
    macos_version v;
    EXPECT_EQ(parse_macos_version(c.plist, v), c.found);
    EXPECT_EQ(std::make_tuple(v.m_text, v.m_major, v.m_minor, v.m_patch),
              std::make_tuple(c.text, c.major, c.minor, c.patch));
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseMacosVersion, ::testing::ValuesIn(version_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(ReadMacosVersion, FileOrNothing) {
    const velk_test::temp_dir dir;
    const std::string path = dir.file("SystemVersion.plist");
    macos_version v;
    EXPECT_FALSE(read_macos_version(path, v));
    velk_test::write_file(path, key + "<string>12.6.1</string>");
    ASSERT_TRUE(read_macos_version(path, v));
    EXPECT_EQ(std::make_tuple(v.m_text, v.m_major, v.m_minor, v.m_patch),
              std::make_tuple(std::string("12.6.1"), 12U, 6U, 1U));
}

}  // namespace
