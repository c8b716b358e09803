#include "text/extras/windows_path_normalize.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct normalize_case {
    const char* name;
    const char* path;
    std::string expected;
};

const normalize_case normalize_cases[] = {
    {"SystemRootDriver", "\\SystemRoot\\System32\\drivers\\X.sys",
     "c:\\windows\\system32\\drivers\\x.sys"},
    {"PercentSystemRootAnyCase", "%SYSTEMROOT%\\Notepad.exe", "c:\\windows\\notepad.exe"},
    // The root keeps its letter case only when it is put in front of "system32".
    {"RelativeSystem32", "System32\\a.sys", "C:\\Windows\\system32\\a.sys"},
    {"NtPrefix", "\\??\\C:\\A.EXE", "c:\\a.exe"},
    {"ServiceGroupCut", "C:\\Windows\\system32\\svchost.exe -K netsvcs",
     "c:\\windows\\system32\\svchost.exe"},
    {"SwitchCut", "C:\\Program Files\\App\\a.exe /Service", "c:\\program files\\app\\a.exe"},
    {"ShadowCopy", "%vss%1\\x", "\\globalroot\\device\\harddiskvolumeshadowcopy1\\x"},
    {"Empty", "", ""},
};

class NormalizeWindowsPath : public ::testing::TestWithParam<normalize_case> {};

TEST_P(NormalizeWindowsPath, GivesAPlainLowerCasePath) {
    const normalize_case& c = GetParam();
    std::string out = "stale";
    ASSERT_TRUE(normalize_windows_path(c.path, out, "C:\\Windows"));
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, NormalizeWindowsPath, ::testing::ValuesIn(normalize_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(NormalizeWindowsPath, NullPathOrRoot) {
    std::string out = "stale";
    EXPECT_FALSE(normalize_windows_path(nullptr, out, "C:\\Windows"));
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(normalize_windows_path("\\SystemRoot\\x", out, nullptr));
    EXPECT_EQ(out, "\\x");
}

struct dots_case {
    const char* name;
    std::string path;
    std::string expected;
};

const dots_case dots_cases[] = {
    {"ParentCancels", "a/b/../c", "a/c"},
    {"DotDropped", "a/./b", "a/b"},
    {"AllCancelled", "a/..", ""},
    {"BackslashesNoDot", "a\\b\\", "a/b/"},
    {"AbsoluteTwoUp", "/a/b/../../c", "/c"},
    // A relative path above its start keeps its ".." parts: dropping them names another file.
    {"RelativeAboveStart", "../../a", "../../a"},
    {"RelativeClimbsOut", "a/../../b", "../b"},
    // Nothing lies above the root.
    {"AboveRoot", "/..", "/"},
    {"AbsoluteClimbsOut", "/a/../../b", "/b"},
    {"PartsTrimmed", " a / . / b ", "a/b"},
    {"InnerEmptyDropped", "a//./b", "a/b"},
    {"SeparatorOnly", "/", "/"},
    {"DotAlone", ".", ""},
};

class ResolveDotSegments : public ::testing::TestWithParam<dots_case> {};

TEST_P(ResolveDotSegments, ResolvesOnAStack) {
    const dots_case& c = GetParam();
    std::string path = c.path;
    ASSERT_TRUE(resolve_dot_segments(path, false));
    EXPECT_EQ(path, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ResolveDotSegments, ::testing::ValuesIn(dots_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ResolveDotSegments, ExpandsVariablesFirst) {
    ASSERT_EQ(setenv("KQT_D", "x/y", 1), 0);
    std::string path = "%KQT_D%/../z";
    EXPECT_TRUE(resolve_dot_segments(path, true));
    unsetenv("KQT_D");
    EXPECT_EQ(path, "x/z");

    std::string empty;
    EXPECT_FALSE(resolve_dot_segments(empty, true));
}

}  // namespace
