#include "text/env_expand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "io/path_codec.h"

namespace {

const std::string vss_prefix = "\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy";

class ExpandEnvVars : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("HOME", "/home/u", 1);
        ::setenv("C", "%HOME%/c", 1);
        ::setenv("A", "%B%", 1);
        ::setenv("B", "%A%", 1);
        ::setenv("S", "a%S%b", 1);
        ::setenv("LONG", std::string(4100, 'x').c_str(), 1);
        ::unsetenv("NOPE");
        ::unsetenv("VSS");
        ::unsetenv("vss");
        ::unsetenv("vSs");
    }
};

struct expand_case {
    const char* name;
    std::string text;
    bool allow_vss;
    std::string expected;
};

const expand_case expand_cases[] = {
    {"Simple", "%HOME%/x", false, "/home/u/x"},
    {"ValueReferringToAnother", "%C%", false, "/home/u/c"},
    {"UnsetStays", "%NOPE%/x", true, "%NOPE%/x"},
    {"TrailingPercent", "50%", true, "50%"},
    {"SinglePercentInside", "a%b", true, "a%b"},
    {"EmptyName", "%%", true, "%%"},
    {"UnmatchedAfterReference", "%HOME%%x", false, "/home/u%x"},
    {"VssAllowed", "%VSS%1", true, vss_prefix + "1"},
    {"VssAnyCase", "%vSs%1\\x", true, vss_prefix + "1\\x"},
    {"VssNotAllowed", "%VSS%1", false, "%VSS%1"},
    {"MutualLoopEnds", "%A%", false, "%A%"},
    {"LoopDoesNotStopOthers", "%A%/%HOME%", false, "%A%//home/u"},
    {"SelfLoopEnds", "%S%", false, "a%S%b"},
    // A path of 600 bytes is expanded: the limit is the system's longest path, not less.
    {"LongPathExpands", std::string(600, '.') + "%HOME%", false, std::string(600, '.') + "/home/u"},
    {"TooLongStays", std::string(4090, '.') + "%HOME%", false, std::string(4090, '.') + "%HOME%"},
    {"GrowthPastLimitStops", "%LONG%%HOME%", false, std::string(4100, 'x') + "%HOME%"},
};

class ExpandEnvVarsCases : public ExpandEnvVars,
                           public ::testing::WithParamInterface<expand_case> {};

TEST_P(ExpandEnvVarsCases, ExpandsInPlaceAndReturnsACopy) {
    const expand_case& c = GetParam();
    std::string text = c.text;
    EXPECT_EQ(expand_env_vars(text, c.allow_vss), c.expected);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExpandEnvVarsCases, ::testing::ValuesIn(expand_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST_F(ExpandEnvVars, SetVssVariableWinsOverThePrefix) {
    ::setenv("VSS", "/mnt/shadow", 1);
    std::string text = "%VSS%1";
    EXPECT_EQ(expand_env_vars(text, true), "/mnt/shadow1");
    ::unsetenv("VSS");
}

// A value that is not UTF-8 must not empty the caller's wide path.
TEST_F(ExpandEnvVars, WideTextKeepsBytesThatAreNotUtf8) {
    ::setenv("BAD", "\xff", 1);
    std::wstring text = L"%BAD%/%HOME%/%VSS%";
    const std::wstring expected = std::wstring(1, static_cast<wchar_t>(0xDCFF)) + L"//home/u/%VSS%";
    EXPECT_EQ(wexpand_env_vars(text), expected);
    EXPECT_EQ(text, expected);
}

TEST(VssPrefix, FormsAndLength) {
    EXPECT_EQ(vss_device_prefix(false, true), vss_prefix);
    EXPECT_EQ(vss_prefix_length(), 46);
    EXPECT_EQ(vss_device_prefix(false, true).size(), 46U);
    EXPECT_EQ(vss_device_prefix(false, false), "\\Device\\HarddiskVolumeShadowCopy");
    EXPECT_EQ(vss_device_prefix(true, false), "\\device\\harddiskvolumeshadowcopy");
}

}  // namespace
