#include "io/kq_tree_walk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/file_filters.h"
#include "io/io_test_support.h"
#include "io/path_codec.h"

namespace {

struct walk_log {
    std::set<std::string> folders;
    std::set<std::string> files;
};

void record(const std::wstring& path, bool is_folder, void* context, cmd_params* /*options*/) {
    auto* log = static_cast<walk_log*>(context);
    std::string narrow;
    ASSERT_TRUE(uni::wide_path_to_narrow(path, narrow));
    // Folder entries carry a trailing '/'; compare without it.
    while (narrow.size() > 1 && narrow.back() == '/') {
        narrow.pop_back();
    }
    (is_folder ? log->folders : log->files).insert(narrow);
}

class TreeWalk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_dir.path().empty());
        std::filesystem::create_directories(m_dir.file("a/b"));
        velk_test::write_file(m_dir.file("top.db"), "x");
        velk_test::write_file(m_dir.file("top.txt"), "x");
        velk_test::write_file(m_dir.file("a/mid.db"), "x");
        velk_test::write_file(m_dir.file("a/b/deep.db"), "x");
    }

    walk_log walk(const std::string& filter_text, int32 levels, cmd_params* options) {
        std::vector<filter_entry> filters;
        if (!filter_text.empty()) {
            (void)parse_file_filter_list(filters, filter_text);
        }
        walk_log log;
        kqportdir::walk_tree_w(uni::narrow_path_to_wide(m_dir.path()), filters, record, &log,
                               options, levels);
        return log;
    }

    velk_test::temp_dir m_dir;
};

TEST_F(TreeWalk, LevelsBoundWhatIsReported) {
    EXPECT_TRUE(walk("", 0, nullptr).files.empty());
    const walk_log one = walk("", 1, nullptr);
    EXPECT_EQ(one.folders, (std::set<std::string>{m_dir.path()}));
    EXPECT_EQ(one.files, (std::set<std::string>{m_dir.file("top.db"), m_dir.file("top.txt")}));
    const walk_log three = walk("", 3, nullptr);
    EXPECT_EQ(three.folders,
              (std::set<std::string>{m_dir.path(), m_dir.file("a"), m_dir.file("a/b")}));
    EXPECT_EQ(three.files.size(), 4U);
    EXPECT_EQ(three.files.count(m_dir.file("a/b/deep.db")), 1U);
}

TEST_F(TreeWalk, FiltersSelectFilesWithAndWithoutOptions) {
    const std::set<std::string> databases{m_dir.file("top.db"), m_dir.file("a/mid.db"),
                                          m_dir.file("a/b/deep.db")};
    EXPECT_EQ(walk("*.db", 3, nullptr).files, databases);
    cmd_params options(0, false);
    EXPECT_EQ(walk("*.db", 3, &options).files, databases);
}

TEST(StripLongPrefix, KeepsShadowCopyDevicePaths) {
    EXPECT_EQ(kqportdir::strip_long_prefix(L"\\\\?\\C:\\x"), L"C:\\x");
    EXPECT_EQ(kqportdir::strip_long_prefix(L"\\\\?\\"), L"\\\\?\\");
    const std::wstring shadow =
        L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1\\Windows";
    EXPECT_EQ(kqportdir::strip_long_prefix(shadow), shadow);
    EXPECT_EQ(kqportdir::strip_long_prefix(L"/plain/path"), L"/plain/path");
}

}  // namespace
