#include "io/kq_dir_node.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cwchar>
#include <string>

#include "io/io_test_support.h"
#include "io/path_codec.h"

namespace {

using velk_test::temp_dir;
using velk_test::write_file;

TEST(DirNodeStl, FromPathSplitsFilesAndFolders) {
    temp_dir tmp;
    ASSERT_EQ(::mkdir(tmp.file("docs").c_str(), 0700), 0);
    write_file(tmp.file("Report.Final.TXT"), "12345");

    kqportdir::_DIR_NODE_STL node;
    ASSERT_TRUE(kqportdir::_DIR_NODE_STL::from_path(tmp.file("docs").c_str(), node));
    EXPECT_EQ(node.m_dir, tmp.path());
    EXPECT_EQ(node.m_name, "docs.");
    EXPECT_EQ(node.m_ext, "");
    EXPECT_TRUE(node.is_dir());

    ASSERT_TRUE(kqportdir::_DIR_NODE_STL::from_path(tmp.file("Report.Final.TXT").c_str(), node));
    EXPECT_EQ(node.m_name, "Report.Final");
    EXPECT_EQ(node.m_ext, "TXT");
    EXPECT_EQ(node.m_size, 5U);
    std::string lower = tmp.file("report.final.txt");
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(node.m_lower_path, lower);
    EXPECT_FALSE(node.is_dir());
    EXPECT_NE(node.m_altered, 0U);

    EXPECT_FALSE(kqportdir::_DIR_NODE_STL::from_path(tmp.file("missing").c_str(), node));
    EXPECT_TRUE(node.m_name.empty());
    EXPECT_EQ(node.m_size, 0U);
    EXPECT_FALSE(kqportdir::_DIR_NODE_STL::from_path(nullptr, node));
}

// mode < 9 is a flag value with bit 1 meaning folder; otherwise st_mode bits.
TEST(DirNode, IsDirRule) {
    kqportdir::_DIR_NODE_STL narrow;
    kqportdir::_DIR_NODE wide;
    const std::pair<uint32, bool> cases[] = {{2, true},       {4, false},     {3, true},
                                             {0, false},      {040755, true}, {0100644, false},
                                             {0140777, false}};
    for (const auto& [mode, expected] : cases) {
        narrow.m_mode = mode;
        wide.m_mode = mode;
        EXPECT_EQ(narrow.is_dir(), expected) << mode;
        EXPECT_EQ(wide.is_dir(), expected) << mode;
    }
}

TEST(DirNodeDeathTest, StModeWithoutTheFlagIsABrokenInvariant) {
    kqportdir::_DIR_NODE_STL node;
    node.m_mode = 040755;
    node.m_using_st_mode_flags = false;
    EXPECT_DEATH((void)node.is_dir(),
                 "m_using_st_mode_flags.*_DIR_NODE_STL::is_dir.*kq_portable_dir");
}

// Parts of 512 characters or more are cut to 511 and terminated.
TEST(DirNodeWide, LongFolderPartIsCutAndTerminated) {
    temp_dir tmp;
    std::string deep = tmp.path();
    while (deep.size() < 600) {
        deep += "/" + std::string(200, 'p');
        ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
    }
    write_file(deep + "/f.txt", "x");

    kqportdir::_DIR_NODE node;
    node.m_dir.fill(L'#');
    node.m_name.fill(L'#');
    ASSERT_TRUE(kqportdir::_DIR_NODE::from_path((deep + "/f.txt").c_str(), node));
    EXPECT_EQ(std::wcslen(node.m_dir.data()), 511U);
    EXPECT_EQ(node.m_dir[511], L'\0');
    EXPECT_EQ(std::wstring(node.m_dir.data()), uni::narrow_path_to_wide(deep.substr(0, 511)));
    EXPECT_EQ(std::wstring(node.m_name.data()), L"f");
    EXPECT_EQ(node.m_ext, L"txt");

    const std::wstring wide_path = uni::narrow_path_to_wide(deep + "/f.txt");
    ASSERT_TRUE(kqportdir::_DIR_NODE::from_path(wide_path.c_str(), node));
    EXPECT_EQ(node.m_dir[511], L'\0');
    EXPECT_EQ(node.m_size, 1U);
}

TEST(DirNodeWide, FolderNamesAndFields) {
    temp_dir tmp;
    ASSERT_EQ(::mkdir(tmp.file("v1.2").c_str(), 0700), 0);
    kqportdir::_DIR_NODE node;
    ASSERT_TRUE(kqportdir::_DIR_NODE::from_path(tmp.file("v1.2").c_str(), node));
    EXPECT_EQ(std::wstring(node.m_name.data()), L"v1.2");
    EXPECT_TRUE(node.m_ext.empty());
    // The wide-path form keeps a folder's extension apart.
    const std::wstring wide = uni::narrow_path_to_wide(tmp.file("v1.2"));
    ASSERT_TRUE(kqportdir::_DIR_NODE::from_path(wide.c_str(), node));
    EXPECT_EQ(std::wstring(node.m_name.data()), L"v1");
    EXPECT_EQ(node.m_ext, L"2");
    EXPECT_FALSE(kqportdir::_DIR_NODE::from_path(L"/no/such", node));

    kqportdir::_DIR_NODE::from_fields(node, L"Setup.LOG", 7, 100, 2, 10, 20, 30, 40, 0644);
    EXPECT_EQ(std::wstring(node.m_name.data()), L"Setup.LOG");
    EXPECT_EQ(node.m_ext, L"LOG");
    EXPECT_EQ(node.m_index, 7U);
    EXPECT_EQ(node.m_dir[0], L'\0');
    EXPECT_TRUE(node.is_dir());
    const std::wstring too_long(512, L'n');
    kqportdir::_DIR_NODE::from_fields(node, too_long.c_str(), 100, 8, 10, 20, 30, 40, 0);
    EXPECT_EQ(node.m_name[0], L'\0');
    EXPECT_EQ(node.m_index, 0U);
}

TEST(DirNodeWide, OrderAndNames) {
    kqportdir::_DIR_NODE a;
    kqportdir::_DIR_NODE b;
    kqportdir::_DIR_NODE::from_fields(a, L"ABC.txt", 0, 0, 10, 0, 0, 0, 0);
    kqportdir::_DIR_NODE::from_fields(b, L"abc.TXT", 0, 0, 20, 0, 0, 0, 0);
    EXPECT_TRUE(kqportdir::node_names_equal(a, b));
    EXPECT_TRUE(kqportdir::node_created_before(a, b));
    EXPECT_FALSE(kqportdir::node_created_before(b, a));
    kqportdir::_DIR_NODE::from_fields(b, L"abd", 0, 0, 0, 0, 0, 0, 0);
    EXPECT_TRUE(kqportdir::node_name_less(a, b));
    EXPECT_FALSE(kqportdir::node_name_less(b, a));
}

TEST(DirNodeStl, FieldsAndAssign) {
    const kqportdir::_DIR_NODE_STL node(L"C:\\Data\\Mail.PST", 9, 5, 3, 0100644, 1, 2, 3, 4, 7);
    EXPECT_EQ(node.m_path, "C:\\Data\\Mail.PST");
    EXPECT_EQ(node.m_lower_path, "c:\\data\\mail.pst");
    EXPECT_EQ(node.m_dir, "C:\\Data");
    EXPECT_EQ(node.m_name, "Mail.PST");
    EXPECT_EQ(node.m_ext, "PST");
    EXPECT_EQ(node.m_sequence, 3U);
    EXPECT_EQ(node.m_index, 5U);

    const kqportdir::_DIR_NODE_STL no_index(std::string("/x/y"), 9, 5, 0100644, 1, 2, 3, 4, 7);
    EXPECT_EQ(no_index.m_index, 0U);
    EXPECT_EQ(no_index.m_sequence, 0U);
    EXPECT_EQ(no_index.m_name, "y.");

    kqportdir::_DIR_NODE wide;
    kqportdir::_DIR_NODE::from_fields(wide, L"Log.Txt", 11, 12, 0100600, 1, 2, 3, 4, 5);
    wide.m_dir[0] = L'D';
    wide.m_dir[1] = L'\0';
    kqportdir::_DIR_NODE_STL narrow;
    kqportdir::_DIR_NODE_STL::assign(narrow, wide);
    EXPECT_EQ(narrow.m_path, "D\\Log.Txt.Txt");
    EXPECT_EQ(narrow.m_lower_path, "d\\log.txt.txt");
    EXPECT_EQ(narrow.m_size, 12U);
    EXPECT_EQ(narrow.m_index, 11U);
    EXPECT_EQ(narrow.m_permissions, 5U);
}

TEST(DirNodeStl, Dump) {
    kqportdir::_DIR_NODE_STL node(L"/d/file.bin", 0x1234, 0, 0, 040755, 86400, 0, 0, 0, 0x1ed);
    std::string out = "head\n";
    kqportdir::dump_dir_node(node, out);
    EXPECT_EQ(out,
              "head\n"
              "path:         /d/file.bin\n"
              "filename:     file.bin\n"
              "ext:          bin\n"
              "file size     00001234\n"
              "flags:        41ed [directory]\n"
              "created:      0000000000015180 [70-01-02 00:00:00]\n"
              "altered:      0000000000000000 [00/00/00 00:00:00]\n"
              "mft changed:  0000000000000000 [00/00/00 00:00:00]\n"
              "accessed:     0000000000000000 [00/00/00 00:00:00]\n"
              "permissions:  000001ed\n");
}

}  // namespace
