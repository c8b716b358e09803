#include "sqlite/sqlite_wrapper.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "real_data.h"
#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"
#include "sqlite/sqlite_test_support.h"

namespace {

namespace fs = std::filesystem;
using velk_test::copy_database;
using velk_test::exec_rows;
using velk_test::temp_dir;

struct api_entry {
    const char* name;
    std::size_t offset;
    bool filled;
    bool from_library;
};

// Each entry with its place in the table, whether it is set, and whether it holds the
// linked library's function of that name.
#define VELK_API_ENTRY(fn)                                                                        \
    api_entry {                                                                                   \
#fn, offsetof(sqlite_api_table, fn), g_sqlite_api.fn != nullptr, g_sqlite_api.fn == &::fn \
    }

std::vector<api_entry> api_entries() {
    return {VELK_API_ENTRY(sqlite3_exec),
            VELK_API_ENTRY(sqlite3_open),
            VELK_API_ENTRY(sqlite3_open_v2),
            VELK_API_ENTRY(sqlite3_close),
            VELK_API_ENTRY(sqlite3_prepare_v2),
            VELK_API_ENTRY(sqlite3_bind_blob),
            VELK_API_ENTRY(sqlite3_bind_double),
            VELK_API_ENTRY(sqlite3_bind_int),
            VELK_API_ENTRY(sqlite3_bind_int64),
            VELK_API_ENTRY(sqlite3_bind_text),
            VELK_API_ENTRY(sqlite3_step),
            VELK_API_ENTRY(sqlite3_finalize),
            VELK_API_ENTRY(sqlite3_column_count),
            VELK_API_ENTRY(sqlite3_column_name),
            VELK_API_ENTRY(sqlite3_column_type),
            VELK_API_ENTRY(sqlite3_column_bytes),
            VELK_API_ENTRY(sqlite3_column_int64),
            VELK_API_ENTRY(sqlite3_column_double),
            VELK_API_ENTRY(sqlite3_column_text),
            VELK_API_ENTRY(sqlite3_column_blob),
            VELK_API_ENTRY(sqlite3_last_insert_rowid),
            VELK_API_ENTRY(sqlite3_errmsg),
            VELK_API_ENTRY(sqlite3_reset),
            VELK_API_ENTRY(sqlite3_clear_bindings)};
}
#undef VELK_API_ENTRY

std::size_t filled_entries() {
    std::size_t count = 0;
    for (const api_entry& e : api_entries()) {
        count += e.filled ? 1 : 0;
    }
    return count;
}

std::vector<std::string> folder_listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) {
        names.push_back(item.path().filename().string());
    }
    return names;
}

TEST(SqliteApiTable, EntriesKeepTheirFixedOrder) {
    const std::vector<api_entry> entries = api_entries();
    ASSERT_EQ(entries.size(), sqlite_api_entry_count);
    EXPECT_EQ(sizeof(sqlite_api_table), sqlite_api_entry_count * sizeof(void (*)()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].offset, i * sizeof(void (*)())) << entries[i].name;
    }
}

// A read-only open of a copy of the real database.
class RealDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
        m_path = copy_database(velk_test::real_wpndatabase(), m_folder);
        ASSERT_FALSE(m_path.empty());
        ASSERT_TRUE(m_db.open_readonly(m_path, ""));
    }

    temp_dir m_folder;
    std::string m_path;
    sqlite_wrapper m_db;
};

TEST_F(RealDatabase, OpenKeepsPathAndFlags) {
    EXPECT_TRUE(m_db.is_open());
    EXPECT_TRUE(m_db.is_read_only());
    EXPECT_EQ(m_db.db_path(), m_path);
    EXPECT_FALSE(m_db.has_library());
}

TEST_F(RealDatabase, OpenFillsEveryEntryFromTheLinkedLibrary) {
    for (const api_entry& e : api_entries()) {
        EXPECT_TRUE(e.from_library) << e.name;
    }
    EXPECT_EQ(g_sqlite_vfs_api.sqlite3_vfs_find, &::sqlite3_vfs_find);
    EXPECT_EQ(g_sqlite_vfs_api.sqlite3_vfs_register, &::sqlite3_vfs_register);
    EXPECT_EQ(g_sqlite_vfs_api.sqlite3_vfs_unregister, &::sqlite3_vfs_unregister);
}

TEST_F(RealDatabase, ExecThroughTheTableReadsKnownValues) {
    EXPECT_EQ(exec_rows(m_db, "select count(*) from HandlerSettings"),
              (std::vector<std::vector<std::string>>{{"1632"}}));
    EXPECT_EQ(exec_rows(m_db, "select PrimaryId from NotificationHandler where RecordId=68"),
              (std::vector<std::vector<std::string>>{
                  {"windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows."
                   "immersivecontrolpanel"}}));
}

TEST_F(RealDatabase, CloseEmptiesTheTableAndASecondCloseDoesNothing) {
    m_db.close();
    EXPECT_FALSE(m_db.is_open());
    EXPECT_EQ(m_db.handle(), nullptr);
    EXPECT_EQ(m_db.db_path(), "");
    EXPECT_EQ(filled_entries(), 0U);
    EXPECT_EQ(g_sqlite_vfs_api.sqlite3_vfs_find, nullptr);
    EXPECT_EQ(g_sqlite_vfs_api.sqlite3_vfs_register, nullptr);
    EXPECT_EQ(g_sqlite_vfs_api.sqlite3_vfs_unregister, nullptr);
    m_db.close();
    EXPECT_FALSE(m_db.is_open());
    EXPECT_EQ(filled_entries(), 0U);
}

// Closing one connection must not pull the entry points from under another one.
TEST(SqliteWrapper, TableStaysFilledUntilTheLastOpenWrapperCloses) {
    temp_dir first_folder;
    temp_dir second_folder;
    const std::string first_path = copy_database(velk_test::sample_wpndatabase(), first_folder);
    const std::string second_path = copy_database(velk_test::sample_wpndatabase(), second_folder);
    ASSERT_FALSE(first_path.empty());
    ASSERT_FALSE(second_path.empty());
    sqlite_wrapper first;
    sqlite_wrapper second;
    ASSERT_TRUE(first.open_readonly(first_path, ""));
    ASSERT_TRUE(second.open_readonly(second_path, ""));

    first.close();
    EXPECT_EQ(filled_entries(), sqlite_api_entry_count);
    // The sample's -wal adds notifications 14 and 15 and deletes 11: 11 rows.
    EXPECT_EQ(exec_rows(second, "select count(*) from Notification"),
              (std::vector<std::vector<std::string>>{{"11"}}));

    // A failed open while another wrapper is open leaves the table alone too.
    EXPECT_FALSE(first.open_readonly(first_folder.file("missing.db"), ""));
    EXPECT_EQ(filled_entries(), sqlite_api_entry_count);
    EXPECT_EQ(exec_rows(second, "select count(*) from Metadata"),
              (std::vector<std::vector<std::string>>{{"7"}}));

    second.close();
    EXPECT_EQ(filled_entries(), 0U);
}

TEST(SqliteWrapper, ReopeningAnOpenWrapperSwitchesDatabases) {
    temp_dir folder;
    const std::string sample = copy_database(velk_test::sample_wpndatabase(), folder);
    ASSERT_FALSE(sample.empty());
    sqlite_wrapper db;
    ASSERT_TRUE(db.open(nullptr, folder.file("made.db"), ""));
    EXPECT_FALSE(db.is_read_only());
    ASSERT_TRUE(db.open_readonly(sample, "ignored"));
    EXPECT_EQ(db.db_path(), sample);
    EXPECT_EQ(exec_rows(db, "select count(*) from NotificationHandler"),
              (std::vector<std::vector<std::string>>{{"12"}}));
    db.close();
    EXPECT_EQ(filled_entries(), 0U);
}

TEST(SqliteWrapper, FailedReadonlyOpensCreateNothingAndEmptyTheTable) {
    temp_dir folder;
    sqlite_wrapper db;
    const std::string missing = folder.file("missing.db");
    EXPECT_FALSE(db.open_readonly(missing, ""));
    EXPECT_FALSE(db.is_open());
    EXPECT_EQ(db.handle(), nullptr);
    EXPECT_TRUE(folder_listing(folder.path()).empty());
    EXPECT_EQ(filled_entries(), 0U);

    EXPECT_FALSE(db.open_readonly("", ""));
    EXPECT_EQ(filled_entries(), 0U);

    // A file that exists but is no database: SQLite opens lazily, so the open itself
    // succeeds and the first statement fails.
    velk_test::write_file(folder.file("text.db"), std::string(4096, 'x'));
    ASSERT_TRUE(db.open_readonly(folder.file("text.db"), ""));
    sql_result_set result;
    EXPECT_FALSE(sql_transaction(&result, &db, {"select 1 from sqlite_master"}, nullptr));
    db.close();
    EXPECT_EQ(filled_entries(), 0U);
}

TEST(SqliteWrapper, ReadWriteOpenCreatesMissingFoldersAndTheFile) {
    temp_dir folder;
    const std::string path = folder.file("a/b/c/results.db");
    sqlite_wrapper db;
    ASSERT_TRUE(db.open(nullptr, path, ""));
    EXPECT_TRUE(fs::is_directory(folder.file("a/b/c")));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(filled_entries(), sqlite_api_entry_count);
    db.close();
    EXPECT_EQ(filled_entries(), 0U);

    EXPECT_FALSE(db.open(nullptr, "", ""));
    // A folder that cannot be made (a file holds its name) makes the open fail.
    velk_test::write_file(folder.file("plain"), "x");
    EXPECT_FALSE(db.open(nullptr, folder.file("plain/sub/results.db"), ""));
    EXPECT_FALSE(db.is_open());
    EXPECT_EQ(filled_entries(), 0U);
}

TEST(SqliteWrapper, RunTimeAndPathAreResetByEveryInit) {
    temp_dir folder;
    sqlite_wrapper db;
    ASSERT_TRUE(db.open(nullptr, folder.file("run.db"), ""));
    db.set_run_time(133232596135897932);
    EXPECT_EQ(db.run_time(), 133232596135897932);
    db.close();
    EXPECT_EQ(db.run_time(), 0);
    EXPECT_EQ(db.db_path(), "");
}

// A wrapper destroyed while open closes its connection and, being the last, empties the
// table; LeakSanitizer checks that the connection is gone.
TEST(SqliteWrapper, DestructorClosesAnOpenDatabase) {
    temp_dir folder;
    {
        sqlite_wrapper db;
        ASSERT_TRUE(db.open(nullptr, folder.file("gone.db"), ""));
    }
    EXPECT_EQ(filled_entries(), 0U);
}

TEST(SqliteWrapper, SelectColumnsReadsRowsAndColumnNames) {
    temp_dir folder;
    const std::string path = copy_database(velk_test::sample_wpndatabase(), folder);
    ASSERT_FALSE(path.empty());
    sqlite_wrapper db;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> columns{"RecordId", "HandlerType"};
    EXPECT_FALSE(db.select_columns(rows, columns, "NotificationHandler"));  // not open
    ASSERT_TRUE(db.open_readonly(path, ""));
    EXPECT_FALSE(db.select_columns(rows, columns, ""));

    ASSERT_TRUE(db.select_columns(rows, columns, "NotificationHandler"));
    ASSERT_EQ(rows.size(), 12U);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "app:system"}));
    EXPECT_EQ(columns, (std::vector<std::string>{"RecordId", "HandlerType"}));

    std::vector<std::string> star{"*"};
    ASSERT_TRUE(db.select_columns(rows, star, "Metadata"));
    EXPECT_EQ(rows.size(), 7U);
    EXPECT_EQ(star, (std::vector<std::string>{"Key", "Value"}));
    ASSERT_EQ(rows[0].size(), 2U);

    std::vector<std::string> unknown{"NoSuchColumn"};
    EXPECT_FALSE(db.select_columns(rows, unknown, "Metadata"));
    EXPECT_TRUE(rows.empty());
}

// Names a URI would misread unless every byte is escaped: its separators, an escape that
// must not be decoded, the scheme itself as a name, blanks and bytes that are not UTF-8.
const char* const odd_names[] = {
    "plain.db", "with blank.db", "ask?immutable=0.db", "hash#frag.db", "percent%41.db",
    "file:x.db", "semi;amp&eq=.db", "\xff\xfe latin\xe9.db", "utf8 \xc3\xa9\xe2\x82\xac.db",
};

// A database whose header says WAL: a plain read-only open would make a "-wal" and a
// "-shm" beside it. In place and immutable, nothing appears, whatever the name.
TEST(SqliteWrapper, ImmutableOpenReadsInPlaceUnderAnyNameAndWritesNothing) {
    temp_dir made;
    const std::string source = made.file("source.db");
    {
        sqlite_wrapper writer;
        ASSERT_TRUE(writer.open(nullptr, source, ""));
        ASSERT_EQ(exec_rows(writer, "pragma journal_mode=wal; create table t (a);"
                                    "insert into t values (1), (2), (3);"),
                  (std::vector<std::vector<std::string>>{{"wal"}}));
    }
    const std::string bytes = velk_test::read_file(source);
    for (const char* name : odd_names) {
        SCOPED_TRACE(name);
        temp_dir folder;
        const std::string path = folder.file(std::string("odd ?#%25 dir/") + name);
        fs::create_directories(fs::path(path).parent_path());
        velk_test::write_file(path, bytes);
        sqlite_wrapper db;
        ASSERT_TRUE(db.open_immutable(path));
        EXPECT_TRUE(db.is_read_only());
        EXPECT_EQ(db.db_path(), path);
        EXPECT_EQ(exec_rows(db, "select count(*) from t"),
                  (std::vector<std::vector<std::string>>{{"3"}}));
        db.close();
        EXPECT_EQ(folder_listing(fs::path(path).parent_path().string()),
                  (std::vector<std::string>{name}));
        EXPECT_EQ(velk_test::read_file(path), bytes);
    }
}

TEST(SqliteWrapper, ImmutableOpenOfAMissingFileFailsAndCreatesNothing) {
    temp_dir folder;
    sqlite_wrapper db;
    EXPECT_FALSE(db.open_immutable(folder.file("missing.db")));
    EXPECT_FALSE(db.open_immutable(""));
    EXPECT_FALSE(db.is_open());
    EXPECT_TRUE(folder_listing(folder.path()).empty());
    EXPECT_EQ(filled_entries(), 0U);
}

}  // namespace
