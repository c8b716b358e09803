#include "text/windows_version.h"

#include <gtest/gtest.h>

namespace {

struct version_case {
    const char* name;
    uint32 platform;
    uint32 major;
    uint32 minor;
    bool extended;
    bool server;
    bool ignore_server;
    uint32 build;
    std::string text;
    uint32 code;
};

class WindowsVersionName : public ::testing::TestWithParam<version_case> {};

TEST_P(WindowsVersionName, NamesTheRelease) {
    const version_case& c = GetParam();
    std::string out = "stale";
    EXPECT_EQ(windows_version_name(out, c.platform, c.major, c.minor, c.extended, c.server,
                                   c.ignore_server, c.build),
              c.code);
    EXPECT_EQ(out, c.text);
}

const version_case version_cases[] = {
    {"Win9x", 1, 4, 10, false, false, false, 0, "Win9x", 2},
    {"NT4", 2, 4, 0, false, false, false, 0, "NT4", 0x10},
    {"Win2k", 2, 5, 0, true, true, false, 0, "Win2k", 0x11},
    {"XpPlain", 2, 5, 1, false, false, false, 0, "WinXP", 0x100},
    {"XpServerFlag", 2, 5, 1, true, true, false, 0, "WinXP", 0x102},
    {"Server2003Workstation", 2, 5, 2, true, false, false, 0, "Win03", 0x105},
    {"Server2003Server", 2, 5, 2, true, true, false, 0, "Win03 or WinXP64", 0x106},
    {"VistaServicePack", 2, 6, 0, false, false, false, 6001, "Vista", 0x1004},
    {"VistaServerOtherBuild", 2, 6, 0, true, true, false, 6002, "Vista or Win2008", 0x1006},
    {"VistaWorkstationBuild0", 2, 6, 0, true, false, false, 0, "Vista", 0x1001},
    {"Win7ServicePack", 2, 6, 1, false, false, false, 7601, "Win7", 0x1014},
    {"Win7ServerIgnored", 2, 6, 1, true, true, true, 7601, "Win7", 0x1017},
    {"Win7Server", 2, 6, 1, true, true, false, 0, "Win7 or Win2008/R2", 0x1012},
    {"Win8Server", 2, 6, 2, true, true, false, 0, "Win8 or Win2012/R1", 0x1022},
    {"Win81Workstation", 2, 6, 3, true, false, false, 0, "Win8.1", 0x1029},
    {"Win10Server", 2, 10, 0, true, true, false, 0, "Win10 or Win2016", 0x1032},
    {"PostWin10", 2, 10, 1, false, false, false, 0, "Post Win10", 22000},
    {"Unknown", 2, 6, 4, false, false, false, 0, "<unk>", 1},
};

INSTANTIATE_TEST_SUITE_P(Cases, WindowsVersionName, ::testing::ValuesIn(version_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(WindowsVersionNameSimple, IsAWorkstationWithoutBuild) {
    std::string out;
    EXPECT_EQ(windows_version_name_simple(out, 2, 6, 1, true), 0x1011U);
    EXPECT_EQ(out, "Win7");
    EXPECT_EQ(windows_version_name_simple(out, 2, 5, 2, true), 0x105U);
}

TEST(WindowsVersionFromBuild, RangesOfTheLow16Bits) {
    const std::pair<uint32, uint32> cases[] = {
        {2599, 1},       {2600, 0x100},
        {2601, 0x104},   {3790, 0x104},
        {3791, 0x1000},  {6002, 0x1000},
        {7601, 0x1010},  {9200, 0x1020},
        {9600, 0x1020},  {9601, 0x1030},
        {19044, 0x1030}, {19045, 1},
        {21999, 1},      {22000, 22000},
        {26100, 22000},  {0x10000 + 2600, 0x100},  // only the low 16 bits count
    };
    for (const auto& [build, code] : cases) {
        EXPECT_EQ(windows_version_from_build(build), code) << build;
    }
}

TEST(WindowsVersionFromName, TestsLongerNamesFirstAndLowerCasesInPlace) {
    std::string name = "Microsoft WIN8.1 Pro";
    EXPECT_EQ(windows_version_from_name(name), 0x1028U);
    EXPECT_EQ(name, "microsoft win8.1 pro");
    std::string win8 = "Win8";
    EXPECT_EQ(windows_version_from_name(win8), 0x1020U);
    std::string xp = "WinXP SP3";
    EXPECT_EQ(windows_version_from_name(xp), 0x100U);
    std::string nothing = "Windows Eleven";
    EXPECT_EQ(windows_version_from_name(nothing), 1U);
}

TEST(MacosLibraryPath, WordsInFixedOrder) {
    EXPECT_EQ(macos_library_path(0x1 | 0x20), "Library/Calendars/");
    EXPECT_EQ(macos_library_path(0x8 | 0x20), "Calendars/Safari/");
    EXPECT_EQ(macos_library_path(0x3F),
              "Library/Preferences/SyncedPreferences/Calendars/Safari/SystemConfiguration/");
    EXPECT_EQ(macos_library_path(0), "");
}

}  // namespace
