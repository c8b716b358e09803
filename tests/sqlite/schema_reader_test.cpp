// The schema reader against the SQLite library (one-page and multi-page schemas, UTF-16,
// views and triggers left out), and its fall-back on the WAL-applied image when page 1 of
// the main file cannot be parsed.

#include "sqlite/schema_reader.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/db_test_support.h"
#include "text/text_replace.h"
#include "real_data.h"

namespace {

using schema_row = std::tuple<std::string, uint64, std::string>;  // name, root page, SQL

struct schema_result {
    bool ok = false;
    std::vector<std::string> names;
    std::vector<std::string> sql;
    std::vector<uint64> roots;
    bool flag_after = false;  // use_wal_image after a call that set it

    std::set<schema_row> rows() const {
        std::set<schema_row> out;
        for (std::size_t i = 0; i < names.size(); ++i) {
            out.emplace(names[i], roots[i], sql[i]);
        }
        return out;
    }
    std::string sql_of(const std::string& name) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) {
                return sql[i];
            }
        }
        return "<absent>";
    }
};

schema_result read(uni::fileio& file, uint32& page_size, const std::string& path,
                   bool& use_wal_image) {
    schema_result r;
    r.ok = read_schema(r.names, r.sql, r.roots, file, page_size, path, use_wal_image);
    EXPECT_EQ(r.names.size(), r.sql.size());
    EXPECT_EQ(r.names.size(), r.roots.size());
    return r;
}

schema_result read_path(const std::string& path) {
    uni::fileio file;
    uint32 page_size = 0;
    bool use_wal_image = true;
    schema_result r = read(file, page_size, path, use_wal_image);
    r.flag_after = use_wal_image;
    return r;
}

// The library's tables and indexes (views and triggers have no b-tree), tabs removed.
std::set<schema_row> library_schema(const std::string& db) {
    std::set<schema_row> out;
    for (const auto& r : library_oracle::connection(db).rows(
             "SELECT 0, name, rootpage, sql FROM sqlite_master WHERE type IN ('table', 'index')")) {
        std::string sql = r.values[2];
        (void)remove_char(sql, '\t');
        out.emplace(r.values[0], std::stoull(r.values[1]), sql);
    }
    return out;
}

TEST(SchemaReader, RealDatabaseEqualsTheLibrary) {
    const std::string path = db_test::real("wpndatabase.db");
    VELK_NEED_REAL_DATA(path);
    const schema_result r = read_path(path);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.flag_after) << "page 1 parsed: the flag is cleared";
    EXPECT_EQ(r.names.size(), 25u);
    EXPECT_EQ(r.rows(), library_schema(path));
    std::size_t autoindexes = 0;
    for (std::size_t i = 0; i < r.names.size(); ++i) {
        if (r.names[i].starts_with("sqlite_autoindex_")) {
            ++autoindexes;
            EXPECT_TRUE(r.sql[i].empty()) << r.names[i];
        }
    }
    EXPECT_EQ(autoindexes, 6u);
}

TEST(SchemaReader, OnePageSchemasInBothEncodings) {
    for (const char* name : {"records/records.db", "records/records_utf16.db"}) {
        const std::string path = db_test::fixture(name);
        const schema_result r = read_path(path);
        ASSERT_TRUE(r.ok) << name;
        EXPECT_EQ(r.rows(), library_schema(path)) << name;  // the view is left out
        EXPECT_EQ(r.sql_of("kind_labels"), "<absent>") << name;
        EXPECT_EQ(r.sql_of("sqlite_autoindex_named_1"), "") << name;
    }
}

// The push schema in each text encoding: its texts (names and CREATE statements) are stored
// in the file's encoding, UTF-16 in either byte order, and span page 1 (an interior page)
// and the leaves below it.
TEST(SchemaReader, SchemaTextsInEveryEncoding) {
    for (const char* name : {"encoding/utf8.db", "encoding/utf16le.db", "encoding/utf16be.db"}) {
        const std::string path = db_test::fixture(name);
        ASSERT_EQ(test_pages::read_file(path).at(100), 5) << name << ": page 1 is not interior";
        const schema_result r = read_path(path);
        ASSERT_TRUE(r.ok) << name;
        EXPECT_EQ(r.names.size(), 20u) << name;
        EXPECT_EQ(r.rows(), library_schema(path)) << name;
        EXPECT_EQ(r.sql_of("byHandlerName"),
                  "CREATE UNIQUE INDEX [byHandlerName] ON [NotificationHandler] ([PrimaryId])")
            << name;
    }
}

// A schema of many tables spills from page 1 into an interior page and leaves below it.
TEST(SchemaReader, MultiPageSchemaWithViewsAndTriggers) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("wide.db");
    sqlite3* con = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &con), SQLITE_OK);
    std::string sql = "PRAGMA page_size=1024; BEGIN;";
    // Each table's statements, "@" standing for its name.
    const std::string statements =
        "CREATE TABLE @ (id INTEGER PRIMARY KEY, name TEXT UNIQUE,\tnote TEXT, "
        "a_rather_long_column_name_to_fill_the_schema_pages_@ INTEGER);"
        "CREATE INDEX @_note ON @ (note);"
        "CREATE VIEW @_v AS SELECT name FROM @;"
        "CREATE TRIGGER @_tr AFTER INSERT ON @ BEGIN SELECT 1; END;";
    for (int i = 0; i < 40; ++i) {
        std::string text = statements;
        replace_all(text, "@", std::string(1, 't').append(std::to_string(i)));
        sql += text;
    }
    sql += "COMMIT;";
    ASSERT_EQ(sqlite3_exec(con, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(con);
    ASSERT_EQ(test_pages::read_file(path).at(100), 5) << "page 1 is not interior";

    const schema_result r = read_path(path);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.names.size(), 120u);  // 40 tables, 40 indexes, 40 automatic indexes
    EXPECT_EQ(r.rows(), library_schema(path));
    EXPECT_EQ(r.sql_of("t7_v"), "<absent>");
    EXPECT_EQ(r.sql_of("t7_tr"), "<absent>");
    EXPECT_EQ(r.sql_of("t3").find('\t'), std::string::npos);
}

TEST(SchemaReader, OpenFileNeedsAPlausiblePageSize) {
    const std::string path = db_test::fixture("records/records.db");
    for (const uint32 bad : {0u, 1u, 256u, 511u, 2048u, 131072u}) {
        uni::fileio file;
        ASSERT_TRUE(file.open(path, false, true, false));
        uint32 page_size = bad;
        bool flag = false;
        EXPECT_FALSE(read(file, page_size, path, flag).ok) << bad;
    }
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, true, false));
    uint32 page_size = 1024;
    bool flag = true;
    EXPECT_TRUE(read(file, page_size, "", flag).ok);  // the open file is enough
    EXPECT_FALSE(flag);
    uni::fileio closed;
    EXPECT_FALSE(read(closed, page_size, "", flag).ok);
}

// Copies of the real database cut short: whatever the cut leaves is read, nothing more.
TEST(SchemaReader, CutCopiesOfTheRealDatabase) {
    const std::string real = db_test::real("wpndatabase.db");
    VELK_NEED_REAL_DATA(real);
    const byte_array whole = test_pages::read_file(real);
    velk_test::temp_dir dir;
    for (const std::size_t cut :
         {100, 511, 512, 4095, 4096, 4097, 6000, 8192, 28000, 60000, 200000}) {
        const std::string path = dir.file("cut.db");
        db_test::write_bytes(
            path, byte_array(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        const schema_result r = read_path(path);
        if (cut < 4096) {
            EXPECT_FALSE(r.ok) << cut;  // page 1 cannot be read whole
        }
        uni::fileio file;
        if (!file.open(path, false, true, false)) {
            continue;
        }
        for (const uint64 root : r.roots) {
            std::vector<table_record> rows;
            (void)read_table_records(rows, file, (root - 1) * 4096, 4096, 0,
                                     std::numeric_limits<uint64>::max(), true, false,
                                     text_encoding::utf8);
            EXPECT_LE(rows.size(), 1632u) << cut;
            for (const table_record& row : rows) {
                EXPECT_LT(row.file_offset, cut) << cut;
            }
        }
    }
}

// Copies of a WAL database with page 1 zeroed and its log beside them.
class WalFallback : public ::testing::Test {
protected:
    std::string zeroed_copy(const std::string& db, uint32 page_size) {
        std::string path = db_test::copy_in(m_dir, db, "zeroed.db", true);
        byte_array bytes = test_pages::read_file(path);
        std::fill(bytes.begin(), bytes.begin() + page_size, 0);
        db_test::write_bytes(path, bytes);
        return path;
    }
    velk_test::temp_dir m_dir;
};

TEST_F(WalFallback, RealWalDatabaseWithPageOneZeroed) {
    const std::string db = db_test::real("wal_database.db");
    VELK_NEED_REAL_DATA(db);
    const std::string path = zeroed_copy(db, 1024);

    // Flag set: the caller's file now holds the image, and the flag stays set.
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, true, false));
    uint32 page_size = 1024;
    bool use_wal_image = true;
    schema_result r = read(file, page_size, path, use_wal_image);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(use_wal_image);
    EXPECT_TRUE(file.in_memory());
    EXPECT_EQ(file.size(), 3072u);
    EXPECT_NE(r.sql_of("MyTable").find(", NewField TEXT)"), std::string::npos);
    EXPECT_NE(r.sql_of("NewTable"), "<absent>");

    // Flag clear: a local image, the caller's file untouched.
    uni::fileio own;
    ASSERT_TRUE(own.open(path, false, true, false));
    use_wal_image = false;
    r = read(own, page_size, path, use_wal_image);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(use_wal_image);
    EXPECT_FALSE(own.in_memory());
    EXPECT_EQ(own.size(), 2048u);

    // A path naming a log never falls back, nor does a file given without a path (which
    // keeps the caller's file even with the flag set), nor a database whose log is missing.
    use_wal_image = false;
    EXPECT_FALSE(read(own, page_size, path + "-wal", use_wal_image).ok);
    use_wal_image = true;
    EXPECT_FALSE(read(own, page_size, "", use_wal_image).ok);
    EXPECT_TRUE(own.is_open());
    EXPECT_FALSE(own.in_memory());
    use_wal_image = false;
    std::filesystem::remove(path + "-wal");
    EXPECT_FALSE(read(own, page_size, path, use_wal_image).ok);
}

// The log holds page 1 and notes' page only: the archive, whose pages exist in the main file
// alone, must still be read from the image.
TEST_F(WalFallback, TablesOutsideTheLogStayInTheImage) {
    const std::string fixture = db_test::fixture("walk/split.db");
    const std::string path = zeroed_copy(fixture, 1024);
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, true, false));
    uint32 page_size = 1024;
    bool use_wal_image = true;
    const schema_result r = read(file, page_size, path, use_wal_image);
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(use_wal_image);
    const std::string applied = db_test::checkpointed_copy(m_dir, fixture, "applied.db");
    EXPECT_EQ(r.rows(), library_schema(applied));
    for (std::size_t i = 0; i < r.names.size(); ++i) {
        std::vector<table_record> rows;
        ASSERT_TRUE(read_table_records(rows, file, (r.roots[i] - 1) * 1024, 1024, 0,
                                       std::numeric_limits<uint64>::max(), true, false,
                                       text_encoding::utf8))
            << r.names[i];
        EXPECT_EQ(db_test::sorted(db_test::as_rows(rows)),
                  db_test::library_rows(applied, r.names[i]))
            << r.names[i];
    }
}

// The schema is read through the log whenever the main file's page 1 gives none: a page 1
// whose type byte alone was lost (its cell pointers still read), and a main file whose
// tables were all created in the log (page 1 an empty leaf).
TEST_F(WalFallback, PageOneThatGivesNoSchemaIsReadThroughTheLog) {
    for (const auto& [name, page_size] :
         {std::pair{"liveimage/wal_page1.db", 4096U}, std::pair{"recovery/wal1024.db", 1024U}}) {
        SCOPED_TRACE(name);
        const std::string path = db_test::copy_in(m_dir, db_test::fixture(name), "in.db", true);
        uni::fileio file;
        ASSERT_TRUE(file.open(path, false, true, false));
        uint32 size = page_size;
        bool use_wal_image = false;
        const schema_result r = read(file, size, path, use_wal_image);
        ASSERT_TRUE(r.ok);
        EXPECT_FALSE(file.in_memory());
        const std::string applied =
            db_test::checkpointed_copy(m_dir, db_test::fixture(name), "applied.db");
        EXPECT_EQ(r.rows(), library_schema(applied));
    }
}

}  // namespace
