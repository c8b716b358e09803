#include "text/path_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct split_case {
    const char* name;
    const char* path;
    const char* directory;
    const char* file_name;
};

const split_case split_cases[] = {
    {"AbsolutePath", "/usr/bin/tool", "/usr/bin", "tool"},
    {"BareName", "tool", ".", "tool"},
    {"SlashAtIndexZero", "/tool", ".", "/tool"},
    {"ParentKeptOnFolder", "a/b/..", "a/b//..", "."},
    {"BackslashParent", "a\\b\\..", "a\\b\\..", "."},
    {"WindowsPath", "D:\\dir\\f.db", "D:\\dir", "f.db"},
    {"TrailingSlash", "a/b/", "a/b", ""},
    {"BackslashWinsOverSlash", "x/y\\z/w", "x/y", "z/w"},
    {"SlashIgnoredBesideLeadingBackslash", "\\a/b", ".", "\\a/b"},
};

class SplitPath : public ::testing::TestWithParam<split_case> {};

TEST_P(SplitPath, NarrowAndWideAgree) {
    const split_case& c = GetParam();
    std::string directory;
    std::string file_name;
    ASSERT_TRUE(split_path(c.path, directory, file_name));
    EXPECT_EQ(directory, c.directory);
    EXPECT_EQ(file_name, c.file_name);

    const std::string path(c.path);
    std::wstring wide_directory;
    std::wstring wide_file;
    ASSERT_TRUE(wsplit_path(std::wstring(path.begin(), path.end()), wide_directory, wide_file));
    EXPECT_EQ(wide_directory, std::wstring(directory.begin(), directory.end()));
    EXPECT_EQ(wide_file, std::wstring(file_name.begin(), file_name.end()));
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitPath, ::testing::ValuesIn(split_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

struct file_name_case {
    const char* name;
    const char* path;
    const char* directory;
    const char* base_name;
    const char* extension;
};

const file_name_case file_name_cases[] = {
    {"TwoExtensions", "/x/archive.tar.gz", "/x", "archive.tar", "gz"},
    {"NoExtension", "/x/README", "/x", "README", ""},
    {"DotFile", "/x/.profile", "/x", "", "profile"},
    {"SlashAtIndexZero", "/tool", ".", "/tool", ""},
};

class SplitFileName : public ::testing::TestWithParam<file_name_case> {};

TEST_P(SplitFileName, FolderBaseAndExtension) {
    const file_name_case& c = GetParam();
    std::string directory = "stale";
    std::string base_name = "stale";
    std::string extension = "stale";
    ASSERT_TRUE(split_file_name(c.path, directory, base_name, extension));
    EXPECT_EQ(directory, c.directory);
    EXPECT_EQ(base_name, c.base_name);
    EXPECT_EQ(extension, c.extension);

    const std::string path(c.path);
    std::wstring wide_directory;
    std::wstring wide_base = L"stale";
    std::wstring wide_extension = L"stale";
    ASSERT_TRUE(split_file_name_w(std::wstring(path.begin(), path.end()), wide_directory,
                                  wide_base, wide_extension));
    EXPECT_EQ(wide_base, std::wstring(base_name.begin(), base_name.end()));
    EXPECT_EQ(wide_extension, std::wstring(extension.begin(), extension.end()));
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitFileName, ::testing::ValuesIn(file_name_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(SplitPathInput, EmptyAndNullPaths) {
    std::string directory = "stale";
    std::string file_name = "stale";
    EXPECT_FALSE(split_path("", directory, file_name));
    EXPECT_TRUE(directory.empty() && file_name.empty());
    EXPECT_FALSE(split_path_cstr(nullptr, directory, file_name));
    std::string base;
    std::string extension;
    EXPECT_FALSE(split_file_name(nullptr, directory, base, extension));
    std::wstring wide_directory = L"kept";
    std::wstring wide_base;
    std::wstring wide_extension;
    EXPECT_FALSE(split_file_name_w(L"", wide_directory, wide_base, wide_extension));
    EXPECT_EQ(wide_directory, L"kept");
}

TEST(PathStrip, SlashesAndLineEnds) {
    std::string root = "/";
    EXPECT_FALSE(strip_trailing_slashes(root));
    EXPECT_TRUE(root.empty());
    std::string path = "a/b/\\/";
    EXPECT_TRUE(strip_trailing_slashes(path));
    EXPECT_EQ(path, "a/b");
    std::wstring wide = L"c:\\x\\";
    EXPECT_TRUE(strip_trailing_slashes_w(wide));
    EXPECT_EQ(wide, L"c:\\x");

    std::string line = "a\r\n\r";
    EXPECT_EQ(strip_trailing_newlines(line), 3);
    EXPECT_EQ(line, "a");
    std::string inner = "a\nb";
    EXPECT_EQ(strip_trailing_newlines(inner), 0);
}

TEST(LocaleName, ClassicNamesOnly) {
    EXPECT_TRUE(is_locale_name("C"));
    EXPECT_FALSE(is_locale_name("no_such_locale.XYZ"));
    EXPECT_FALSE(is_locale_name(nullptr));
}

}  // namespace
