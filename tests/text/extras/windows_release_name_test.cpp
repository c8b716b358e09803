#include "text/extras/windows_release_name.h"

#include <gtest/gtest.h>

namespace {

struct release_case {
    const char* name;
    uint32 build;
    const char* expected;
};

class WindowsReleaseName : public ::testing::TestWithParam<release_case> {};

TEST_P(WindowsReleaseName, NamesTheBuildsRange) {
    EXPECT_EQ(windows_release_name(GetParam().build), GetParam().expected);
}

const release_case release_cases[] = {
    {"BelowXp", 2599, "post Win10"},
    {"Xp", 2600, "WinXP"},
    {"Server2003First", 2601, "Win03"},
    {"Server2003Last", 3790, "Win03"},
    {"Vista", 6002, "Vista"},
    {"Win7First", 6003, "Win7"},
    {"Win7Last", 7601, "Win7"},
    {"Win8", 9600, "Win8"},
    {"Win10First", 9601, "Win10"},
    {"Win10Last", 19045, "Win10"},
    {"AfterWin10", 19046, "post Win10"},
    {"Zero", 0, "post Win10"},
    {"Modulo65536", 65536 + 2600, "WinXP"},
};

INSTANTIATE_TEST_SUITE_P(Cases, WindowsReleaseName, ::testing::ValuesIn(release_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
