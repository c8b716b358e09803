#include "io/file_entry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "io/io_test_support.h"

namespace {

using velk_test::temp_dir;
using velk_test::write_file;

TEST(FileEntry, NewAndClearedRecordsAreEmpty) {
    file_entry_ex entry;
    EXPECT_TRUE(entry.m_path.empty());
    EXPECT_EQ(entry.m_time_kind, 0U);
    EXPECT_EQ(entry.m_attributes, 0U);

    entry.m_path = "x";
    entry.m_size = 9;
    entry.m_time_kind = 8;
    entry.m_dir_row = true;
    entry.m_offset_high = 3;
    entry.m_text = "note";
    entry.m_attributes = 0x80;
    entry.m_status = 2;
    entry.m_attr_names = {"a"};
    entry.m_attr_values = {"b"};
    entry.clear();
    EXPECT_TRUE(entry.m_path.empty());
    EXPECT_TRUE(entry.m_text.empty());
    EXPECT_EQ(entry.m_size, 0U);
    EXPECT_EQ(entry.m_time_kind, 0U);
    EXPECT_FALSE(entry.m_dir_row);
    EXPECT_EQ(entry.m_offset_high, 0U);
    EXPECT_EQ(entry.m_attributes, 0U);
    EXPECT_EQ(entry.m_status, 0);
    EXPECT_TRUE(entry.m_attr_names.empty());
    EXPECT_TRUE(entry.m_attr_values.empty());
}

TEST(FileEntryLoadPath, FileAndFolderBitsAndText) {
    temp_dir tmp;
    write_file(tmp.file("f.bin"), "12345");

    file_entry_ex file;
    ASSERT_TRUE(file.load_path(tmp.file("f.bin"), "tag"));
    EXPECT_EQ(file.m_path, tmp.file("f.bin"));
    EXPECT_EQ(file.m_size, 5U);
    EXPECT_EQ(file.m_attributes, 2U);
    EXPECT_EQ(file.m_time_kind, 8U);
    EXPECT_EQ(file.m_text, "tag");

    file_entry_ex folder;
    ASSERT_TRUE(folder.load_path(tmp.path(), ""));
    EXPECT_TRUE(folder.m_is_dir);
    EXPECT_EQ(folder.m_attributes, 10U);
    EXPECT_TRUE(folder.m_text.empty());
}

TEST(FileEntryLoadPath, BitsAreAddedAndKeptOnFailure) {
    temp_dir tmp;
    write_file(tmp.file("f"), "1");
    file_entry_ex entry;
    entry.m_attributes = 0x80;
    entry.m_status = 7;
    entry.m_attr_names = {"n"};
    ASSERT_TRUE(entry.load_path(tmp.file("f"), ""));
    EXPECT_EQ(entry.m_attributes, 0x82U);
    // A second load without clearing adds again: the callers' duty to clear.
    ASSERT_TRUE(entry.load_path(tmp.file("f"), ""));
    EXPECT_EQ(entry.m_attributes, 0x84U);

    EXPECT_FALSE(entry.load_path(tmp.file("missing"), "t"));
    EXPECT_TRUE(entry.m_path.empty());
    EXPECT_EQ(entry.m_size, 0U);
    EXPECT_EQ(entry.m_time_kind, 0U);
    EXPECT_EQ(entry.m_attributes, 0x84U);
    EXPECT_EQ(entry.m_status, 7);
    EXPECT_EQ(entry.m_attr_names.size(), 1U);
}

// A time before 1970 stays Unix seconds, negative: kind 16 would mean milliseconds.
TEST(FileEntryLoadPath, NegativeModifiedTimeStaysUnixSeconds) {
    temp_dir tmp;
    const std::string path = tmp.file("old");
    write_file(path, "x");
    const struct timespec times[2] = {{-86400, 0}, {-86400, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    file_entry_ex entry;
    ASSERT_TRUE(entry.load_path(path, ""));
    EXPECT_EQ(entry.m_modified, -86400);
    EXPECT_EQ(entry.m_time_kind, 8U);
    EXPECT_EQ(entry.m_attributes, 2U);
}

TEST(FileEntryLoadStat, UsesTheGivenRecord) {
    temp_dir tmp;
    struct stat64 info {};
    ASSERT_EQ(::stat64(tmp.path().c_str(), &info), 0);

    file_entry_ex entry;
    entry.m_attributes = 0x80;
    // The path need not exist: the record describes it.
    ASSERT_TRUE(entry.load_stat(std::string("/no/such/dir"), &info, ""));
    EXPECT_EQ(entry.m_path, "/no/such/dir");
    EXPECT_TRUE(entry.m_is_dir);
    EXPECT_EQ(entry.m_attributes, 10U);
    EXPECT_EQ(entry.m_time_kind, 0U);
    EXPECT_EQ(entry.m_inode, static_cast<uint64>(info.st_ino));
    EXPECT_TRUE(entry.m_text.empty());
}

TEST(FileEntryLoadStat, WithoutRecordLoadsThePathAndEmptyPathFails) {
    temp_dir tmp;
    write_file(tmp.file("f"), "abc");
    file_entry_ex entry;
    ASSERT_TRUE(entry.load_stat(tmp.file("f"), nullptr, "t"));
    EXPECT_EQ(entry.m_size, 3U);
    EXPECT_EQ(entry.m_attributes, 2U);
    EXPECT_EQ(entry.m_time_kind, 8U);

    entry.m_status = 4;
    EXPECT_FALSE(entry.load_stat(std::string(), nullptr, "t"));
    EXPECT_EQ(entry.m_status, 0);
    EXPECT_TRUE(entry.m_path.empty());
    EXPECT_EQ(entry.m_attributes, 0U);
}

}  // namespace
