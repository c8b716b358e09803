#include "text/extras/long_path_prefix.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string shadow_copy =
    "\\\\?\\globalroot\\device\\harddiskvolumeshadowcopy1\\x";  // 49 characters
const std::string long_drive_path =
    "\\\\?\\C:\\abcdefghij\\abcdefghij\\abcdefghij\\abcdefghij";  // 50 characters

struct prefix_case {
    const char* name;
    std::string text;
    bool drive_check;
    bool global_check;
    std::string result;
};

const prefix_case prefix_cases[] = {
    {"drive_kept", "\\\\?\\D:\\x", true, false, "\\\\?\\D:\\x"},
    {"drive_unchecked", "\\\\?\\D:\\x", false, false, "\\D:\\x"},
    {"unc_with_drive_check", "\\\\?\\UNC\\h\\s", true, false, "\\UNC\\h\\s"},
    {"global_removed", shadow_copy, false, true, shadow_copy.substr(3)},
    {"global_upper_case", "\\\\?\\GLOBALROOT" + shadow_copy.substr(14), false, true,
     "\\GLOBALROOT" + shadow_copy.substr(14)},
    {"global_check_keeps_other", long_drive_path, false, true, long_drive_path},
    {"global_check_short_text", "\\\\?\\C:\\x", false, true, "\\C:\\x"},
    {"drive_check_wins_over_global", shadow_copy, true, true, shadow_copy.substr(3)},
    {"drive_check_wins_keeps_drive", long_drive_path, true, true, long_drive_path},
    {"dot_prefix", "\\\\?.\\x", false, false, ".\\x"},
    // The drive check looks 5 places after the start whichever prefix was found.
    {"dot_prefix_colon_at_5_kept", "\\\\?.C:\\x", true, false, "\\\\?.C:\\x"},
    {"dot_prefix_drive_after_backslash", "\\\\?.\\C:\\x", true, false, ".\\C:\\x"},
    {"prefix_inside", "ab\\\\?\\x", true, false, "ab\\x"},
    {"prefix_alone", "\\\\?\\", true, true, "\\"},
    {"no_prefix", "C:\\x", true, true, "C:\\x"},
};

class StripLongPathPrefix : public ::testing::TestWithParam<prefix_case> {};

TEST_P(StripLongPathPrefix, NarrowAndWideAgree) {
    const prefix_case& c = GetParam();
    std::string text = c.text;
    strip_long_path_prefix(text, c.drive_check, c.global_check);
    EXPECT_EQ(text, c.result);
    std::wstring wide(c.text.begin(), c.text.end());
    strip_long_path_prefix_w(wide, c.drive_check, c.global_check);
    EXPECT_EQ(wide, std::wstring(c.result.begin(), c.result.end()));
}

INSTANTIATE_TEST_SUITE_P(Cases, StripLongPathPrefix, ::testing::ValuesIn(prefix_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(StripLongPathPrefixLengths, FixturesHaveTheLengthsTheChecksLookAt) {
    EXPECT_EQ(shadow_copy.size(), 49U);
    EXPECT_EQ(long_drive_path.size(), 50U);
}

}  // namespace
