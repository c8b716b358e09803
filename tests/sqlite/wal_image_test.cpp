// The WAL-applied image: the whole main file overlaid by the winning pages, given the
// database's path or the log's; the logged pages alone without a main file; the size cap;
// and the image as a memory-mode file.

#include "sqlite/wal_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/db_test_support.h"
#include "sqlite/page_builder.h"
#include "sqlite/schema_reader.h"
#include "sqlite/table_walk.h"
#include "sqlite/wal_frames.h"
#include "real_data.h"

namespace {

constexpr uint64 all_bits = std::numeric_limits<uint64>::max();

std::vector<table_record> table_rows(uni::fileio& file, const std::string& table,
                                     uint32 page_size) {
    std::vector<std::string> names;
    std::vector<std::string> sql;
    std::vector<uint64> roots;
    bool flag = false;
    std::vector<table_record> out;
    if (!read_schema(names, sql, roots, file, page_size, "", flag)) {
        return out;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == table) {
            (void)read_table_records(out, file, (roots[i] - 1) * page_size, page_size, 0, all_bits,
                                     true, false, text_encoding::utf8);
        }
    }
    return out;
}

byte_array page_of(const byte_array& bytes, uint32 page_size, uint32 page) {
    const auto at = static_cast<std::ptrdiff_t>(std::size_t{page - 1} * page_size);
    return {bytes.begin() + at, bytes.begin() + at + page_size};
}

TEST(WalImage, RealDatabaseGivenEitherPath) {
    const std::string db = db_test::real("wal_database.db");
    VELK_NEED_REAL_DATA(db);
    byte_array from_db;
    byte_array from_log;
    ASSERT_TRUE(build_wal_image(from_db, db));
    ASSERT_TRUE(build_wal_image(from_log, db + "-wal"));
    EXPECT_EQ(from_db.size(), 3072u);
    EXPECT_EQ(from_db, from_log);

    uni::fileio image(from_db, false, false);
    std::vector<std::string> names;
    std::vector<std::string> sql;
    std::vector<uint64> roots;
    uint32 page_size = 1024;
    bool flag = false;
    ASSERT_TRUE(read_schema(names, sql, roots, image, page_size, "", flag));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              (std::set<std::string>{"MyTable", "NewTable"}));
    EXPECT_NE(sql[0].find(", NewField TEXT"), std::string::npos);

    // The library with the log applied reports NewField as NULL; no record holds it.
    velk_test::temp_dir dir;
    const std::string applied = db_test::checkpointed_copy(dir, db, "applied.db");
    std::vector<library_oracle::row> expected = db_test::library_rows(applied, "MyTable");
    for (library_oracle::row& r : expected) {
        ASSERT_EQ(r.values.size(), 4u);
        EXPECT_EQ(r.values.back(), "");
        r.values.pop_back();
    }
    const std::vector<table_record> walked = table_rows(image, "MyTable", 1024);
    EXPECT_EQ(db_test::sorted(db_test::as_rows(walked)), expected);
    ASSERT_EQ(walked.size(), 11u);
    std::set<int64> ids;
    for (const table_record& r : walked) {
        ids.insert(r.rowid);
        EXPECT_EQ(r.values.size(), 3u);
        if (r.rowid == 4) {
            EXPECT_EQ(r.values[0], "Modified Committed Text 3");
        }
    }
    EXPECT_EQ(ids, (std::set<int64>{1, 2, 4, 5, 7, 8, 9, 10, 11, 12, 13}));

    // The main file alone still holds the rows the log deleted.
    uni::fileio main;
    ASSERT_TRUE(main.open(db, false, true, false));
    const std::vector<table_record> before = table_rows(main, "MyTable", 1024);
    ASSERT_EQ(before.size(), 10u);
    EXPECT_EQ(before[2].rowid, 3);
    EXPECT_EQ(before[2].values[0], "Deleted Text 1");
}

TEST(WalImage, WithoutMainFileTheLoggedPagesAlone) {
    const std::string db = db_test::real("wal_database.db");
    VELK_NEED_REAL_DATA(db);
    velk_test::temp_dir dir;
    std::filesystem::copy_file(db + "-wal", dir.file("alone.db-wal"));
    byte_array from_log;
    byte_array from_db;
    ASSERT_TRUE(build_wal_image(from_log, dir.file("alone.db-wal")));
    ASSERT_TRUE(build_wal_image(from_db, dir.file("alone.db")));
    EXPECT_EQ(from_log.size(), 3072u);
    EXPECT_EQ(from_log, from_db);
    byte_array full;
    ASSERT_TRUE(build_wal_image(full, db));
    EXPECT_EQ(from_log, full);  // every page of this database is in its log
}

// Main file of five 512-byte pages filled 0x10 + page; the log rewrites page 2 and page 9.
class SyntheticImage : public ::testing::Test {
protected:
    static constexpr uint32 ps = 512;
    void SetUp() override {
        for (uint32 page = 1; page <= 5; ++page) {
            m_main.insert(m_main.end(), ps, static_cast<uint8>(0x10 + page));
        }
        (void)m_log.frame(2, 0, {}, 0xA2);
        (void)m_log.frame(9, 9, {}, 0xA9);
    }
    bool build(byte_array& image, bool with_main, uint64 cap) {
        uni::fileio main(m_main, false, false);
        uni::fileio wal(m_log.bytes(), false, false);
        return build_wal_image(image, with_main ? &main : nullptr, wal, cap);
    }
    byte_array m_main;
    db_test::wal_builder m_log{ps};
};

TEST_F(SyntheticImage, MainFileOverlaidByWinningPages) {
    byte_array image;
    ASSERT_TRUE(build(image, true, max_wal_image_size));
    ASSERT_EQ(image.size(), 9u * ps);
    EXPECT_EQ(page_of(image, ps, 1), byte_array(ps, 0x11));
    EXPECT_EQ(page_of(image, ps, 2), byte_array(ps, 0xA2));
    EXPECT_EQ(page_of(image, ps, 5), byte_array(ps, 0x15));
    EXPECT_EQ(page_of(image, ps, 7), byte_array(ps, 0));
    EXPECT_EQ(page_of(image, ps, 9), byte_array(ps, 0xA9));

    ASSERT_TRUE(build(image, false, max_wal_image_size));
    ASSERT_EQ(image.size(), 9u * ps);
    EXPECT_EQ(page_of(image, ps, 1), byte_array(ps, 0));
    EXPECT_EQ(page_of(image, ps, 2), byte_array(ps, 0xA2));
}

TEST_F(SyntheticImage, PagesPastTheCapAreNotApplied) {
    byte_array image;
    ASSERT_TRUE(build(image, true, uint64{6} * ps));
    ASSERT_EQ(image.size(), 5u * ps);  // page 9 would end past the cap
    EXPECT_EQ(page_of(image, ps, 2), byte_array(ps, 0xA2));
    ASSERT_TRUE(build(image, true, uint64{3} * ps));
    ASSERT_EQ(image.size(), 3u * ps);  // the main file is cut at the cap too
    EXPECT_EQ(page_of(image, ps, 3), byte_array(ps, 0x13));
    EXPECT_FALSE(build(image, false, ps));  // nothing fits
    EXPECT_TRUE(image.empty());
}

TEST_F(SyntheticImage, HugePageNumberDoesNotInflateTheImage) {
    (void)m_log.frame(0xFFFFFFFF, 0xFFFFFFFF, {}, 0xFF);
    byte_array image;
    ASSERT_TRUE(build(image, true, max_wal_image_size));
    EXPECT_EQ(image.size(), 9u * ps);
}

TEST_F(SyntheticImage, NoWinningFrameNoImage) {
    db_test::wal_builder uncommitted(ps);
    (void)uncommitted.frame(2, 0, {}, 0xA2);
    uni::fileio main(m_main, false, false);
    uni::fileio wal(uncommitted.bytes(), false, false);
    byte_array image(3, 1);
    EXPECT_FALSE(build_wal_image(image, &main, wal, max_wal_image_size));
    EXPECT_TRUE(image.empty());
    byte_array none;
    EXPECT_FALSE(build_wal_image(none, ""));
    EXPECT_FALSE(build_wal_image(none, "/nonexistent/velk.db"));
}

TEST(WalImage, SplitFixtureKeepsTablesOutsideTheLog) {
    const std::string db = db_test::fixture("walk/split.db");
    const byte_array main = test_pages::read_file(db);
    byte_array image;
    ASSERT_TRUE(build_wal_image(image, db));
    ASSERT_EQ(image.size(), main.size());
    // Pages 1 and 2 come from the log, every other page from the main file.
    EXPECT_NE(page_of(image, 1024, 1), page_of(main, 1024, 1));
    EXPECT_NE(page_of(image, 1024, 2), page_of(main, 1024, 2));
    for (uint32 page = 3; page <= main.size() / 1024; ++page) {
        EXPECT_EQ(page_of(image, 1024, page), page_of(main, 1024, page)) << page;
    }
}

// The third commit's frame fails its checksum: the image holds the second commit's page,
// as SQLite reads it, and the third frame is superseded, never current.
TEST(WalImage, FrameWithABrokenChecksumIsNotApplied) {
    const std::string db = db_test::fixture("edge/wal_checksum.db");
    const byte_array wal = test_pages::read_file(db + "-wal");
    constexpr uint32 ps = 4096;
    constexpr uint32 notification_leaf = 7;
    ASSERT_EQ(wal.size(), 32u + 3 * (24 + ps));
    byte_array image;
    ASSERT_TRUE(build_wal_image(image, db));
    const byte_array leaf = page_of(image, ps, notification_leaf);
    const byte_array second(wal.begin() + 32 + (24 + ps) + 24, wal.begin() + 32 + 2 * (24 + ps));
    EXPECT_EQ(leaf, second);
    const std::string text(leaf.begin(), leaf.end());
    EXPECT_EQ(text.find("VELK-EDGE-CHECKSUM-3"), std::string::npos);

    uni::fileio log(wal, false, false);
    region_map overwritten;
    wal_frame_map winning;
    region_map superseded;
    region_map slack;
    ASSERT_TRUE(read_wal_frames(overwritten, winning, superseded, slack, log));
    EXPECT_EQ(winning, (wal_frame_map{{notification_leaf, 32 + (24 + ps)}}));
    EXPECT_EQ(superseded, (region_map{{32 + 24, ps}, {32 + 2 * (24 + ps) + 24, ps}}));
}

TEST(WalImage, OpenAsMemoryFile) {
    const std::string db = db_test::fixture("walk/split.db");
    uni::fileio file;
    ASSERT_TRUE(file.open(db, false, true, false));
    ASSERT_TRUE(open_wal_image(file, db + "-wal"));
    EXPECT_TRUE(file.in_memory());
    EXPECT_EQ(file.size(), 24u * 1024);
    byte_array built;
    ASSERT_TRUE(build_wal_image(built, db));
    byte_array read;
    ASSERT_TRUE(file.read_at(read, file.size(), 0));
    EXPECT_EQ(read, built);
    EXPECT_EQ(table_rows(file, "archive", 1024).size(), 300u);

    EXPECT_FALSE(open_wal_image(file, "/nonexistent/velk.db"));
    EXPECT_FALSE(file.is_open());  // a failed image leaves nothing half-built
}

// The live view is the whole database with its log applied, or nothing: a log named as
// the database, or a log without its main file, gives no live image.
TEST(WalImage, LiveImageNeedsTheMainFileBesideItsLog) {
    const velk_test::temp_dir dir;
    const std::string db = db_test::copy_in(dir, db_test::fixture("walk/split.db"), "s.db", true);
    uni::fileio file;
    ASSERT_TRUE(open_live_image(file, db));
    byte_array built;
    ASSERT_TRUE(build_wal_image(built, db));
    EXPECT_EQ(file.size(), built.size());
    EXPECT_FALSE(open_live_image(file, db + "-wal"));
    EXPECT_FALSE(file.is_open());
    std::filesystem::rename(db, dir.file("moved.db"));
    EXPECT_TRUE(open_wal_image(file, db));  // the logged pages alone
    EXPECT_FALSE(open_live_image(file, db));
}

// The winning frames a reader of the log already found lay the same live view as the
// log's own walk; an empty list lays none.
TEST(WalImage, LiveImageFromKnownWinningFrames) {
    const velk_test::temp_dir dir;
    const std::string db = db_test::copy_in(dir, db_test::fixture("walk/split.db"), "s.db", true);
    uni::fileio log;
    ASSERT_TRUE(log.open(db + "-wal", false, false, false));
    region_map overwritten;
    wal_frame_map winning;
    region_map superseded;
    region_map slack;
    ASSERT_TRUE(read_wal_frames(overwritten, winning, superseded, slack, log));
    uni::fileio walked;
    uni::fileio given;
    ASSERT_TRUE(open_live_image(walked, db));
    ASSERT_TRUE(open_live_image(given, db, &winning));
    ASSERT_EQ(given.size(), walked.size());
    byte_array want;
    byte_array got;
    ASSERT_TRUE(walked.read_at(want, walked.size(), 0));
    ASSERT_TRUE(given.read_at(got, given.size(), 0));
    EXPECT_EQ(got, want);
    const wal_frame_map none;
    EXPECT_FALSE(open_live_image(given, db, &none));
    EXPECT_FALSE(given.is_open());
}

TEST(WalPaths, LogPathEndsWithWal) {
    EXPECT_TRUE(is_wal_path("/cases/wpndatabase.db-wal"));
    EXPECT_FALSE(is_wal_path("/cases/wpndatabase.db"));
    EXPECT_FALSE(is_wal_path("/cases/ann-walsh/wpndatabase.db"));  // "-wal" inside a folder
    std::string main;
    std::string wal;
    wal_companion_paths(main, wal, "/cases/ann-walsh/wpndatabase.db");
    EXPECT_EQ(main, "/cases/ann-walsh/wpndatabase.db");
    EXPECT_EQ(wal, "/cases/ann-walsh/wpndatabase.db-wal");
    wal_companion_paths(main, wal, "x.db-wal");
    EXPECT_EQ(main, "x.db");
    EXPECT_EQ(wal, "x.db-wal");
}

}  // namespace
