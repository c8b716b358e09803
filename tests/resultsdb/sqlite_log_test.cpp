#include "resultsdb/sqlite_log.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_test_support.h"

namespace {

using results_test::connection;
using results_test::frozen_clock;
using results_test::frozen_time;
using results_test::table;
using results_test::text;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr int64 F = frozen_time;

// A log open (without options) on a new file in its own folder.
struct open_log {
    open_log() { EXPECT_TRUE(log->open_with_options(path, nullptr, nullptr, false)); }
    [[nodiscard]] table rows(const std::string& sql) const { return connection(path).rows(sql); }

    velk_test::temp_dir dir;
    std::string path = dir.file("l/log.db");
    std::unique_ptr<sqlite_log> log = std::make_unique<sqlite_log>();
};

std::vector<std::string> values_of(int k) { return {"a" + std::to_string(k), "b" + std::to_string(k)}; }

TEST(ResultsLog, OpenWithOptionsDescribesEveryFileTable) {
    frozen_clock clock(F);
    velk_test::temp_dir dir;
    const std::string path = dir.file("l/log.db");
    cmd_params options(0, false);
    options.m_separator = "|";
    options.m_out_path = "/o/r.txt";
    const std::map<std::string, uint64> tables = {{"files", 0x3F}};
    sqlite_log log;
    ASSERT_TRUE(log.open_with_options(path, &options, &tables, true));
    EXPECT_TRUE(log.ready());
    connection db(path);
    EXPECT_EQ(db.rows("select sql from sqlite_master where name='files'"),
              (table{{"CREATE TABLE `files` (`metaref` integer, `path` varchar, `name` varchar, "
                      "`extension` varchar, `is_dir` integer, `size` integer, `modified` "
                      "varchar)"}}));
    EXPECT_EQ(db.rows("select count(*) from sqlite_master where name in ('ref','metadata')"),
              (table{{"2"}}));
    const table run = db.rows(
        "select data_tbl_name, gen_hdrs, col_hdrs, col_types, file, row_data_start, "
        "row_data_end, runtime from metadata");
    ASSERT_EQ(run.size(), 1U);
    EXPECT_EQ(run[0][0], "files");
    EXPECT_EQ(run[0][1], "not used");
    EXPECT_EQ(run[0][2], "metaref|path|name|extension|is_dir|size|modified");
    EXPECT_EQ(run[0][3], "integer|varchar|varchar|varchar|integer|integer|varchar");
    EXPECT_EQ(run[0][4], "/o/r.txt [output]");
    EXPECT_EQ(run[0][5], "1");
    EXPECT_EQ(run[0][6], "0");
    EXPECT_EQ(run[0][7], text(log.layouts().at("files").run_key));

    options.m_out_path.clear();
    ASSERT_TRUE(log.open_with_options(dir.file("l/other.db"), &options, &tables, true));
    EXPECT_EQ(connection(dir.file("l/other.db")).rows("select file from metadata"),
              (table{{""}}));
}

TEST(ResultsLog, NamedTableIsCreatedOnceAndFlushesOnThe257thRow) {
    frozen_clock clock(F);
    open_log l;
    sqlite_log& log = *l.log;
    bool existed = true;
    ASSERT_TRUE(log.create_named_table(existed, "notes", {"key", "a", "b"}));
    EXPECT_FALSE(existed);
    EXPECT_EQ(l.rows("select sql from sqlite_master where name='notes'"),
              (table{{"CREATE TABLE `notes` (`key` varchar, `a` varchar, `b` varchar)"}}));
    EXPECT_EQ(log.table_flags().at("notes"), named_table_kind);
    ASSERT_TRUE(log.create_named_table(existed, "notes", {"other"}));
    EXPECT_TRUE(existed);
    EXPECT_EQ(log.layouts().at("notes").columns.size(), 3U);

    for (int k = 0; k < 256; ++k) {
        ASSERT_TRUE(log.queue_row("notes", values_of(k)));
    }
    EXPECT_EQ(l.rows("select count(*) from notes"), (table{{"0"}}));
    ASSERT_TRUE(log.queue_row("notes", values_of(256)));
    const table rows = l.rows("select key, typeof(key), a, b from notes order by rowid");
    ASSERT_EQ(rows.size(), 257U);
    for (int k = 0; k < 257; ++k) {
        EXPECT_EQ(rows[k], (std::vector<std::string>{text(F + k), "text", values_of(k)[0],
                                                     values_of(k)[1]}));
    }
    EXPECT_EQ(l.rows("select last_rowid from ref where table_name='notes'"), (table{{"257"}}));
    EXPECT_EQ(log.queued_text_rows("notes"), 0U);
}

TEST(ResultsLog, RowsOfOtherLengthsAndUnknownTables) {
    open_log l;
    sqlite_log& log = *l.log;
    bool existed = false;
    ASSERT_TRUE(log.create_named_table(existed, "notes", {"key", "a", "b"}));
    EXPECT_FALSE(log.queue_row("unknown", {"x"}));
    EXPECT_FALSE(log.queue_row("notes", {}));
    EXPECT_FALSE(log.queue_result_rows("notes", {{"ok"}, {}}));
    EXPECT_EQ(log.queued_text_rows("notes"), 0U);
    ASSERT_TRUE(log.queue_row("notes", {"x"}));
    ASSERT_TRUE(log.queue_result_rows("notes", {{"x", "y", "z"}}));
    ASSERT_TRUE(log.flush());
    EXPECT_EQ(l.rows("select a, b from notes order by rowid"),
              (table{{"x", "<null>"}, {"x", "y"}}));
}

// Each trigger fails the insert once in a different way: ABORT fails the step but leaves the
// transaction open, ROLLBACK ends the transaction as well.
class ResultsLogFailedFlush : public ::testing::TestWithParam<const char*> {};

TEST_P(ResultsLogFailedFlush, KeepsEveryRowAndWritesThemOnceLater) {
    open_log l;
    sqlite_log& log = *l.log;
    bool existed = false;
    ASSERT_TRUE(log.create_named_table(existed, "t", {"key", "a"}));
    connection db(l.path);
    ASSERT_TRUE(db.exec(std::string("create trigger fail before insert on t when new.a = 'bad' "
                                    "begin select raise(") +
                        GetParam() + ", 'no'); end;"));
    for (const char* value : {"one", "bad", "three"}) {
        ASSERT_TRUE(log.queue_row("t", {value}));
    }
    EXPECT_FALSE(log.flush());
    EXPECT_EQ(log.queued_text_rows("t"), 3U);
    EXPECT_EQ(db.rows("select count(*) from t"), (table{{"0"}}));
    EXPECT_EQ(db.rows("select last_rowid from ref where table_name='t'"), (table{{"0"}}));

    ASSERT_TRUE(db.exec("drop trigger fail"));
    EXPECT_TRUE(log.flush());
    EXPECT_EQ(db.rows("select a from t order by rowid"), (table{{"one"}, {"bad"}, {"three"}}));
    EXPECT_EQ(log.queued_text_rows("t"), 0U);
}

INSTANTIATE_TEST_SUITE_P(Triggers, ResultsLogFailedFlush, ::testing::Values("ABORT", "ROLLBACK"));

TEST(ResultsLog, DestructorReportsAFailedFlush) {
    open_log l;
    bool existed = false;
    ASSERT_TRUE(l.log->create_named_table(existed, "t", {"key", "a"}));
    ASSERT_TRUE(connection(l.path).exec(
        "create trigger fail before insert on t begin select raise(ABORT, 'no'); end;"));
    ASSERT_TRUE(l.log->queue_row("t", {"v"}));
    CaptureStderr();
    l.log.reset();
    EXPECT_EQ(GetCapturedStderr(), "prob writing queued rows to " + l.path + "\n");
}

TEST(ResultsLog, ThreadsQueueingIntoOneTableLoseNoRow) {
    open_log l;
    bool existed = false;
    ASSERT_TRUE(l.log->create_named_table(existed, "t", {"key", "thread", "index"}));
    constexpr int threads = 4;
    constexpr int per_thread = 1000;
    std::vector<std::thread> producers;
    for (int t = 0; t < threads; ++t) {
        producers.emplace_back([&l, t] {
            for (int k = 0; k < per_thread; ++k) {
                EXPECT_TRUE(l.log->queue_row("t", {std::to_string(t), std::to_string(k)}));
            }
        });
    }
    for (std::thread& producer : producers) {
        producer.join();
    }
    l.log.reset();
    EXPECT_EQ(l.rows("select count(*), count(distinct thread || '/' || `index`) from t"),
              (table{{"4000", "4000"}}));
}

TEST(ResultsLog, DestructorClosesEveryRunRow) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("log.db");
    cmd_params options(0, false);
    const std::map<std::string, uint64> tables = {{"files", 0x3}, {"empty", 0x3}};
    {
        frozen_clock clock(F);
        sqlite_log log;
        ASSERT_TRUE(log.open_with_options(path, &options, &tables, true));
        for (const char* name : {"a", "b", "c"}) {
            velk_test::write_file(dir.file(name), "x");
            file_entry_ex record;
            record.m_path = dir.file(name);
            ASSERT_TRUE(log.queue_file_row("files", record, 0, nullptr));
        }
    }
    EXPECT_EQ(connection(path).rows("select data_tbl_name, row_data_start, row_data_end from "
                                    "metadata order by data_tbl_name"),
              (table{{"empty", "0", "0"}, {"files", "1", "3"}}));
}

TEST(ResultsLog, TableNamesAreQuotedInEveryStatement) {
    for (const std::string name : {"x'];drop table metadata;--", "q`t"}) {
        velk_test::temp_dir dir;
        const std::string path = dir.file("log.db");
        cmd_params options(0, false);
        const std::map<std::string, uint64> files = {{name + "f", 0x3}};
        {
            sqlite_log log;
            ASSERT_TRUE(log.open_with_options(path, &options, &files, true));
            bool existed = false;
            ASSERT_TRUE(log.create_named_table(existed, name, {"key", "a"}));
            ASSERT_TRUE(log.queue_row(name, {"v"}));
            velk_test::write_file(dir.file("f"), "x");
            file_entry_ex record;
            record.m_path = dir.file("f");
            ASSERT_TRUE(log.queue_file_row(name + "f", record, 0, nullptr));
            ASSERT_TRUE(log.flush());
        }
        connection db(path);
        EXPECT_EQ(db.rows("select count(*) from metadata"), (table{{"1"}})) << name;
        EXPECT_EQ(db.rows("select table_name, last_rowid from ref where table_name like '%" +
                          std::string(name == "q`t" ? "q`t" : "x''];drop") + "%' order by 1"),
                  (table{{name, "1"}, {name + "f", "1"}}))
            << name;
    }
}

TEST(ResultsLog, FailedCreationsLeaveNoTrace) {
    open_log l;
    sqlite_log& log = *l.log;
    bool existed = false;
    EXPECT_FALSE(log.create_named_table(existed, "t", {}));
    EXPECT_FALSE(log.create_keyed_table(existed, "k", std::map<std::string, int>{}));
    EXPECT_FALSE(log.create_file_table(existed, "f", 0));
    EXPECT_FALSE(log.create_file_table(existed, "attrs", 0x100000));
    // A column named twice fails in SQLite itself.
    EXPECT_FALSE(log.create_named_table(existed, "dup", {"key", "a", "a"}));
    EXPECT_TRUE(log.layouts().empty());
    EXPECT_TRUE(log.table_flags().empty());
    EXPECT_FALSE(log.create_named_table(existed, "dup", {"key", "a", "a"}));
    EXPECT_FALSE(existed);
}

TEST(ResultsLog, TablesAlreadyInTheFileCountAsExisting) {
    open_log l;
    ASSERT_TRUE(connection(l.path).exec(
        "create table n (x); create table k (x); create table f (metaref, path);"
        "insert into f values (1, 'p'); insert into f values (2, 'q');"
        "insert into ref values ('f', 0, 0);"));
    sqlite_log& log = *l.log;
    log.reset();
    bool existed = false;
    ASSERT_TRUE(log.create_keyed_table(existed, "k", std::map<std::string, int>{{"key", 0}, {"a", 0}}));
    EXPECT_TRUE(existed);
    EXPECT_FALSE(log.ready());
    EXPECT_EQ(log.table_flags().at("k"), keyed_table_kind);
    ASSERT_TRUE(log.create_named_table(existed, "n", {"key", "a"}));
    EXPECT_TRUE(existed);
    EXPECT_TRUE(log.ready());

    const std::map<std::string, uint64> files = {{"f", 0x1}};
    ASSERT_TRUE(log.open_with_options(l.path, nullptr, &files, false));
    EXPECT_EQ(log.layouts().count("n"), 0U);
    EXPECT_EQ(l.rows("select last_rowid from ref where table_name='f'"), (table{{"2"}}));
}

TEST(ResultsLog, UncreatableFileTableFailsTheOpen) {
    velk_test::temp_dir dir;
    sqlite_log log;
    const std::map<std::string, uint64> files = {{"bad", 0x100000}};
    CaptureStderr();
    EXPECT_FALSE(log.open_with_options(dir.file("log.db"), nullptr, &files, false));
    EXPECT_EQ(GetCapturedStderr(), "prob creating table bad\n");
    EXPECT_FALSE(log.ready());
    EXPECT_FALSE(log.open_with_options("", nullptr, nullptr, false));
}

TEST(ResultsLog, RowSinkEntryPoints) {
    open_log l;
    sqlite_log& log = *l.log;
    bool existed = false;
    ASSERT_TRUE(log.create_named_table(existed, "t", {"key", "a"}));
    const std::string table_name = "t";
    std::vector<std::string> row = {"r"};
    std::vector<std::vector<std::string>> rows = {{"r1"}, {"r2"}};
    int32 mode_rows = 1;
    int32 mode_row = 2;
    int32 mode_flush = 4;
    int32 mode_other = 3;
    EXPECT_EQ(sqlite_log_row_sink(nullptr, &table_name, &row, nullptr, nullptr, &mode_row), -1);
    EXPECT_EQ(sqlite_log_row_sink(&log, nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(sqlite_log_row_sink(&log, nullptr, &row, nullptr, nullptr, &mode_row), -1);
    EXPECT_EQ(sqlite_log_row_sink(&log, &table_name, &row, nullptr, nullptr, &mode_other), -1);
    EXPECT_EQ(sqlite_log_row_sink(&log, &table_name, &row, nullptr, nullptr, &mode_row), 0);
    EXPECT_EQ(sqlite_log_row_sink(&log, &table_name, &rows, nullptr, nullptr, &mode_rows), 0);
    EXPECT_EQ(sqlite_log_queue_row(&log, &table_name, nullptr), -1);
    EXPECT_EQ(sqlite_log_queue_result_rows(&log, nullptr, &rows), -1);
    EXPECT_EQ(sqlite_log_row_sink(&log, &table_name, nullptr, nullptr, nullptr, &mode_flush), -1);
    EXPECT_EQ(l.rows("select a from t order by rowid"), (table{{"r"}, {"r1"}, {"r2"}}));
}

}  // namespace
