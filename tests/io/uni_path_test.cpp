#include "io/uni_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "io/io_test_support.h"
#include "io/path_codec.h"

namespace {

using velk_test::temp_dir;

// Runs a test from a chosen current folder and goes back afterwards, so that other tests
// of the same process keep theirs.
class cwd_guard {
public:
    explicit cwd_guard(const std::string& to) : m_back(uni::get_current_dir()) {
        m_moved = ::chdir(to.c_str()) == 0;
    }
    ~cwd_guard() { (void)!::chdir(m_back.c_str()); }
    cwd_guard(const cwd_guard&) = delete;
    cwd_guard& operator=(const cwd_guard&) = delete;
    [[nodiscard]] bool moved() const { return m_moved; }

private:
    std::string m_back;
    bool m_moved = false;
};

struct full_path_case {
    const char* name;
    const char* from;  // sub-folder of T to run in ("" for T itself)
    const char* path;
    const char* expected;  // "T" stands for the temporary folder
};

const full_path_case full_path_cases[] = {
    {"plain_name", "", "file.txt", "T/file.txt"},
    {"dot_slash", "", "./a/b", "T/a/b"},
    {"single_dot", "", ".", "T/"},
    {"absolute_unchanged", "", "/etc//x", "/etc//x"},
    {"double_quoted", "", "\"a b.txt\"", "T/a b.txt"},
    {"single_quoted", "", "'a.txt'", "T/a.txt"},
    {"one_single_quote_kept", "", "it's", "T/it's"},
    {"blanks_trimmed", "", " \tf\r\n", "T/f"},
    {"parent_inside", "", "x/../y", "T/y"},
    {"hidden_folder", "", ".cache/x", "T/.cache/x"},
    {"parent_from_sub", "w", "../x/y", "T/x/y"},
    {"doubled_separators", "", "a//b///c", "T/a/b/c"},
    {"trailing_separator", "", "a/b/", "T/a/b/"},
    {"trailing_parent", "w", "..", "T/"},
    {"dots_inside", "w", "./a/./../b", "T/w/b"},
};

class GetFullPath : public ::testing::TestWithParam<full_path_case> {};

TEST_P(GetFullPath, ResolvesAgainstTheCurrentFolder) {
    const auto& c = GetParam();
    temp_dir tmp;
    ASSERT_EQ(::mkdir(tmp.file("w").c_str(), 0700), 0);
    const std::string from = std::string(c.from).empty() ? tmp.path() : tmp.file(c.from);
    const cwd_guard guard(from);
    ASSERT_TRUE(guard.moved());
    // The temporary folder may itself sit behind a link: compare with what getcwd says.
    std::string root = uni::get_current_dir();
    if (!std::string(c.from).empty()) {
        root = root.substr(0, root.rfind('/'));
    }
    std::string expected = c.expected;
    if (expected.front() == 'T') {
        expected = root + expected.substr(1);
    }
    EXPECT_EQ(uni::get_full_path(c.path, '/'), expected);
    EXPECT_EQ(uni::get_full_path(uni::narrow_path_to_wide(c.path), L'/'),
              uni::narrow_path_to_wide(expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, GetFullPath, ::testing::ValuesIn(full_path_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(GetFullPathEdges, RootEmptyAndBackslashes) {
    const cwd_guard guard("/");
    ASSERT_TRUE(guard.moved());
    EXPECT_EQ(uni::get_full_path("../../x", '/'), "/x");
    EXPECT_EQ(uni::get_full_path("..", '/'), "/");
    EXPECT_EQ(uni::get_full_path("", '/'), "");
    EXPECT_EQ(uni::get_full_path(" \"\" ", '/'), "");
    // A path in backslashes keeps them; with no separator the default decides.
    EXPECT_EQ(uni::get_full_path("a\\..\\b", '/'), "\\b");
    EXPECT_EQ(uni::get_full_path("\\\\srv\\x", '/'), "\\\\srv\\x");
    EXPECT_EQ(uni::get_full_path("f", '\\'), "\\f");
    EXPECT_EQ(uni::get_full_path("C:\\x\\..\\..\\y", '/'), "\\C:\\y");
}

// A folder deeper than any fixed buffer (and than PATH_MAX) still gives its full path.
TEST(GetFullPathEdges, VeryLongCurrentFolder) {
    temp_dir tmp;
    const cwd_guard guard(tmp.path());
    ASSERT_TRUE(guard.moved());
    const std::string part(200, 'd');
    int depth = 0;
    // Made by relative steps: no single call may name a path past PATH_MAX.
    while (depth < 30 && ::mkdir(part.c_str(), 0700) == 0 && ::chdir(part.c_str()) == 0) {
        ++depth;
    }
    const std::string cwd = uni::get_current_dir();
    EXPECT_EQ(depth, 30);
    EXPECT_GT(cwd.size(), 6000U);
    EXPECT_EQ(uni::get_full_path("f", '/'), cwd + "/f");
    EXPECT_EQ(uni::get_current_dir_w(), uni::narrow_path_to_wide(cwd));
    // Taken down the same way, since a remove by full path cannot reach this deep.
    for (; depth > 0; --depth) {
        ASSERT_EQ(::chdir(".."), 0);
        ASSERT_EQ(::rmdir(part.c_str()), 0);
    }
}

// With the current folder gone, a relative path has no absolute form: "" rather than a
// made-up "/f".
TEST(GetFullPathEdges, UnknownCurrentFolderGivesEmpty) {
    temp_dir tmp;
    const std::string gone = tmp.file("gone");
    ASSERT_EQ(::mkdir(gone.c_str(), 0700), 0);
    const cwd_guard guard(gone);
    ASSERT_TRUE(guard.moved());
    ASSERT_EQ(::rmdir(gone.c_str()), 0);
    EXPECT_EQ(uni::get_current_dir(), "");
    EXPECT_EQ(uni::get_full_path("f", '/'), "");
    EXPECT_EQ(uni::get_full_path("/abs/f", '/'), "/abs/f");
}

TEST(GetFullPathEdges, NonUtf8NamesKeepTheirBytes) {
    temp_dir tmp;
    const cwd_guard guard(tmp.path());
    ASSERT_TRUE(guard.moved());
    const std::string name = "n\xff\xc3";
    const std::wstring full = uni::get_full_path(uni::narrow_path_to_wide(name), L'/');
    std::string bytes;
    ASSERT_TRUE(uni::wide_path_to_narrow(full, bytes));
    EXPECT_EQ(bytes, uni::get_current_dir() + "/" + name);
}

}  // namespace
