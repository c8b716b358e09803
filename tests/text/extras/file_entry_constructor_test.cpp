#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "io/file_entry.h"

namespace {

TEST(FileEntryExConstructor, LoadsFromARecordOrThePath) {
    const std::string path = ::testing::TempDir() + "velk_file_entry_ctor.bin";
    {
        std::ofstream file(path, std::ios::binary);
        file << "twelve bytes";
    }
    struct stat64 info {};
    ASSERT_EQ(stat64(path.c_str(), &info), 0);

    const file_entry_ex given(path, &info, "note");
    EXPECT_EQ(given.m_path, path);
    EXPECT_EQ(given.m_size, 12U);
    EXPECT_EQ(given.m_inode, static_cast<uint64>(info.st_ino));
    EXPECT_EQ(given.m_attributes & file_attribute::unix_times, file_attribute::unix_times);
    EXPECT_EQ(given.m_text, "note");

    const file_entry_ex statted(path, nullptr, "");
    EXPECT_EQ(statted.m_size, 12U);
    EXPECT_EQ(statted.m_inode, given.m_inode);
    std::remove(path.c_str());

    const file_entry_ex missing(path, nullptr, "t");
    EXPECT_EQ(missing.m_size, 0U);
    const file_entry_ex unnamed("", &info, "t");
    EXPECT_TRUE(unnamed.m_path.empty());
    EXPECT_EQ(unnamed.m_size, 0U);
}

}  // namespace
