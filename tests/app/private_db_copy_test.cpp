// The SQLite library only ever sees this copy: the copy must hold the database and its
// companions byte for byte, and nothing of it may outlive the input.

#include "app/private_db_copy.h"

#include <gtest/gtest.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): setenv is POSIX

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
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

// A copy handed over for removal is gone once the next one has been handed over, or once
// the removal is waited for; nothing handed over is nothing to wait for.
TEST(PrivateDbCopy, RemovedInTheBackgroundOneAtATime) {
    const std::string db = fixture("sample/wpndatabase.db");
    auto first = std::make_unique<private_db_copy>();
    auto second = std::make_unique<private_db_copy>();
    ASSERT_TRUE(first->make(db));
    ASSERT_TRUE(second->make(db));
    const std::string first_folder = first->folder();
    const std::string second_folder = second->folder();
    remove_in_background(std::move(first));
    remove_in_background(std::move(second));
    EXPECT_FALSE(fs::exists(first_folder));
    finish_background_removal();
    EXPECT_FALSE(fs::exists(second_folder));
    remove_in_background(nullptr);
    remove_in_background(std::make_unique<private_db_copy>());
    finish_background_removal();
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

// The copy is made inside the kernel where it can, and by read and write for the rest:
// bytes spanning many blocks and ending off a block come over whole, and so does a file
// whose size its file system reports as 0 (a kernel copy ends early there).
TEST(PrivateDbCopy, CopiesEveryByteWhateverTheFileSystemReports) {
    velk_test::temp_dir dir;
    const std::string db = dir.file("big.db");
    std::string bytes((std::size_t{3} << 20U) + 7, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 4096) & 0xFFU);
    }
    velk_test::write_file(db, bytes);
    velk_test::write_file(db + "-wal", bytes.substr(5));
    private_db_copy copy;
    ASSERT_TRUE(copy.make(db));
    EXPECT_EQ(velk_test::read_file(copy.path()), bytes);
    EXPECT_EQ(velk_test::read_file(copy.path() + "-wal"), bytes.substr(5));

    const std::string reported_empty = "/proc/version";
    ASSERT_EQ(velk_test::file_size(reported_empty), 0);
    ASSERT_TRUE(copy.make(reported_empty));
    EXPECT_EQ(velk_test::read_file(copy.path()), velk_test::read_file(reported_empty));
    EXPECT_FALSE(velk_test::read_file(copy.path()).empty());
}

// A temporary folder that cannot take the copy is named with the system's reason, and the
// part already copied goes.
TEST(PrivateDbCopy, AFullTargetFailsWithTheSystemsReason) {
    velk_test::temp_dir dir;
    const std::string db = dir.file("evidence.db");
    velk_test::write_file(db, std::string(std::size_t{1} << 20U, 'x'));
    const std::string temp = dir.file("tmp");
    fs::create_directory(temp);
    const int status = velk_test::run_with_file_size_limit(rlim_t{64} * 1024, [&] {
        ::setenv("TMPDIR", temp.c_str(), 1);  // in the child alone
        private_db_copy copy;
        if (copy.make(db)) {
            return 1;
        }
        const copy_failure& failure = copy.failure();
        if (failure.fault != copy_fault::target || failure.suffix != "" ||
            failure.reason != std::strerror(EFBIG)) {
            return 2;
        }
        return copy.path().empty() ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::is_empty(temp));
}

}  // namespace
