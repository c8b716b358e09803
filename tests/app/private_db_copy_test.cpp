// The SQLite library only ever sees this copy: the copy must hold the database and its
// companions byte for byte, and nothing of it may outlive the input.

#include "app/private_db_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "io/io_test_support.h"

namespace {

namespace fs = std::filesystem;

std::string fixture(const std::string& name) {
    return std::string(VELK_TEST_DATA_DIR) + "/" + name;
}

TEST(PrivateDbCopy, CopiesTheDatabaseAndItsLogThenRemovesThem) {
    const std::string db = fixture("sample/wpndatabase.db");
    std::string folder;
    {
        private_db_copy copy;
        ASSERT_TRUE(copy.make(db));
        ASSERT_FALSE(copy.path().empty());
        EXPECT_EQ(fs::path(copy.path()).filename(), "wpndatabase.db");
        EXPECT_NE(fs::path(copy.path()).parent_path(), fs::path(db).parent_path());
        EXPECT_EQ(velk_test::read_file(copy.path()), velk_test::read_file(db));
        EXPECT_EQ(velk_test::read_file(copy.path() + "-wal"), velk_test::read_file(db + "-wal"));
        EXPECT_FALSE(fs::exists(copy.path() + "-journal"));
        folder = fs::path(copy.path()).parent_path().string();
        // Whatever the library adds beside the copy goes with it.
        velk_test::write_file(copy.path() + "-shm", "index");
    }
    EXPECT_FALSE(fs::exists(folder));
}

TEST(PrivateDbCopy, CopiesAHotJournal) {
    const std::string db = fixture("journal/wpndatabase.db");
    private_db_copy copy;
    ASSERT_TRUE(copy.make(db));
    EXPECT_EQ(velk_test::read_file(copy.path() + "-journal"),
              velk_test::read_file(db + "-journal"));
    EXPECT_FALSE(fs::exists(copy.path() + "-wal"));
    const std::string folder = fs::path(copy.path()).parent_path().string();
    copy.remove();
    EXPECT_TRUE(copy.path().empty());
    EXPECT_FALSE(fs::exists(folder));
}

TEST(PrivateDbCopy, ReadOnlyOriginalGivesAWritableCopy) {
    velk_test::temp_dir dir;
    const std::string db = dir.file("evidence.db");
    velk_test::write_file(db, "SQLite format 3");
    fs::permissions(db, fs::perms::owner_read | fs::perms::group_read);
    private_db_copy copy;
    ASSERT_TRUE(copy.make(db));
    EXPECT_NE(fs::status(copy.path()).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(fs::status(db).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST(PrivateDbCopy, NothingToCopyLeavesNothing) {
    velk_test::temp_dir dir;
    private_db_copy copy;
    EXPECT_FALSE(copy.make(dir.file("missing.db")));
    EXPECT_FALSE(copy.make(dir.path()));  // a folder is no database
    EXPECT_FALSE(copy.make(""));
    EXPECT_TRUE(copy.path().empty());
}

}  // namespace
