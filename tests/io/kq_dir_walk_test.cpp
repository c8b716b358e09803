#include "io/kq_dir_walk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

#include "io/io_test_support.h"
#include "io/path_codec.h"

namespace {

using velk_test::temp_dir;
using velk_test::write_file;

// Tree a/b/c with one file in each folder, and a link in a/b back to a.
class DirTree : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* d : {"a", "a/b", "a/b/c"}) {
            ASSERT_EQ(::mkdir(m_tmp.file(d).c_str(), 0700), 0);
        }
        write_file(m_tmp.file("a/fa.txt"), "1");
        write_file(m_tmp.file("a/b/fb.log"), "2");
        write_file(m_tmp.file("a/b/c/fc.txt"), "3");
        ASSERT_EQ(::symlink(m_tmp.file("a").c_str(), m_tmp.file("a/b/loop").c_str()), 0);
    }
    [[nodiscard]] std::set<std::string> listed(const std::string& pattern, int32 levels) const {
        std::vector<std::string> out;
        kqportdir::list_dir_recursive(out, m_tmp.file("a"), pattern, levels);
        return {out.begin(), out.end()};
    }

    temp_dir m_tmp;
};

TEST_F(DirTree, LevelsBoundTheWalk) {
    EXPECT_TRUE(listed("", 0).empty());
    EXPECT_EQ(listed("", 1), (std::set<std::string>{m_tmp.file("a/fa.txt")}));
    // The link back to a is a file entry: listed, never descended.
    EXPECT_EQ(listed("", 2),
              (std::set<std::string>{m_tmp.file("a/fa.txt"), m_tmp.file("a/b/fb.log"),
                                     m_tmp.file("a/b/loop")}));
    EXPECT_EQ(listed("*.txt", 10),
              (std::set<std::string>{m_tmp.file("a/fa.txt"), m_tmp.file("a/b/c/fc.txt")}));
}

TEST_F(DirTree, WideFormAppends) {
    std::vector<std::wstring> out = {L"kept"};
    kqportdir::list_files_recursive_w(out, uni::narrow_path_to_wide(m_tmp.file("a")), L"*.log", 5);
    EXPECT_EQ(out, (std::vector<std::wstring>{L"kept",
                                              uni::narrow_path_to_wide(m_tmp.file("a/b/fb.log"))}));
}

TEST(DirWalk, MissingFolderListsNothing) {
    std::vector<std::string> out;
    kqportdir::list_dir_recursive(out, "/no/such/folder", "", 3);
    EXPECT_TRUE(out.empty());
}

}  // namespace
