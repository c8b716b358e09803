#include "resultsdb/sqlite3_adt.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "resultsdb/results_db_test_support.h"
#include "resultsdb/results_db_writer.h"

namespace {

using results_test::connection;
using results_test::frozen_clock;
using results_test::table;
using results_test::text;

const std::string ref_create =
    "CREATE TABLE `ref` (`table_name` varchar primary key  not null, `last_rowid` integer, "
    "`last_update` integer)";
const std::string metadata_create =
    "CREATE TABLE `metadata` (`runtime` integer, `chunk` integer, `parent` integer, `cmdline` "
    "varchar, `gen_hdrs` varchar, `col_hdrs` varchar, `col_types` varchar, `extra_args` "
    "varchar, `host` varchar, `user` varchar, `file` varchar, `file_other` varchar, "
    "`output_option` integer, `separator` varchar, `notes` varchar, `toolname` varchar, "
    "`artifact_type` varchar, `data_tbl_name` varchar, `row_data_start` integer, "
    "`row_data_end` integer)";
const std::string generic_create =
    "CREATE TABLE [generic_data] (`metaref` integer, `val1` integer, `val2` integer, `val3` "
    "integer, `val4` integer, `val5` integer, `str1` varchar, `str2` varchar, `desired_output` "
    "varchar)";

// An open bookkeeping layer with its two tables on a new file.
struct open_adt {
    velk_test::temp_dir dir;
    std::string path = dir.file("r.db");
    sqlite3_adt adt;
    open_adt() {
        EXPECT_TRUE(adt.open(nullptr, path, ""));
        EXPECT_TRUE(adt.create_ref_table());
        EXPECT_TRUE(adt.create_metadata_table());
    }
};

TEST(ResultsSchema, NewGenericDatabaseHoldsExactlyTheThreeTablesAndTheirRegister) {
    const frozen_clock clock(results_test::frozen_time);
    velk_test::temp_dir dir;
    const std::string path = dir.file("a/b/r.db");
    results_db_writer writer;
    metadata_record run;
    ASSERT_TRUE(writer.open(path, run, true));
    EXPECT_EQ(run.data_tbl_name, "generic_data");
    EXPECT_EQ(writer.metadata().data_tbl_name, "generic_data");
    EXPECT_EQ(writer.run_time(), 0);
    const connection db(path);
    EXPECT_EQ(db.rows("select type, name, sql from sqlite_master order by rowid"),
              (table{{"table", "ref", ref_create},
                     {"index", "sqlite_autoindex_ref_1", "<null>"},
                     {"table", "metadata", metadata_create},
                     {"table", "generic_data", generic_create}}));
    const std::string f = text(results_test::frozen_time);
    EXPECT_EQ(db.rows("select * from ref order by rowid"),
              (table{{"metadata", "0", f}, {"generic_data", "0", f}}));
    EXPECT_EQ(db.rows("select count(*) from metadata"), (table{{"0"}}));
}

TEST(ResultsSchema, CreatingTablesAgainSucceedsAndRegistersNothingTwice) {
    open_adt fixture;
    sqlite3_adt& adt = fixture.adt;
    EXPECT_TRUE(adt.create_ref_table());
    EXPECT_TRUE(adt.create_metadata_table());
    ref_row again;
    again.table_name = "metadata";
    again.last_rowid = 9;
    EXPECT_FALSE(adt.insert_ref(again));  // registered already: the name is the key
    EXPECT_EQ(connection(fixture.path).rows("select table_name, last_rowid from ref"),
              (table{{"metadata", "0"}}));
    EXPECT_TRUE(adt.table_registered("metadata"));
    EXPECT_FALSE(adt.table_registered("nothing"));
}

TEST(ResultsSchema, ClosedDatabaseAnswersEverythingWithFalseOrZero) {
    sqlite3_adt adt;
    metadata_record run;
    ref_row row;
    int64 key = 7;
    int64 rowid = 5;
    std::vector<std::string> names;
    std::map<std::string, int64> register_map;
    std::map<int64, metadata_record> runs;
    EXPECT_FALSE(adt.create_ref_table() || adt.create_metadata_table() || adt.insert_ref(row) ||
                 adt.update_ref("x", 1) || adt.insert_metadata(run) ||
                 adt.update_metadata(1, 2, run) || adt.set_row_data_start(1, 1) ||
                 adt.set_row_data_end(1, 1, true) || adt.start_run(key, 0, run, false) ||
                 adt.metadata_exists(1) || adt.read_ref_last_rowid(rowid, "x") ||
                 adt.read_ref_tables(names) || adt.read_ref_map(register_map) ||
                 adt.read_metadata(runs));
    EXPECT_EQ(adt.get_row_data_end(1) + adt.get_last_rowid("x") + adt.select_max_rowid("x"), 0);
    EXPECT_EQ(key, 7);  // start_run changed nothing
}

TEST(ResultsRuns, KeysStayDistinctWhenTheClockStands) {
    open_adt fixture;
    const frozen_clock clock(results_test::frozen_time);
    metadata_record run;
    int64 first = 0;
    ASSERT_TRUE(fixture.adt.start_run(first, 0, run, false));
    int64 second = 0;
    ASSERT_TRUE(fixture.adt.start_run(second, first, run, false));
    int64 third = 0;
    ASSERT_TRUE(fixture.adt.start_run(third, second, run, false));
    EXPECT_GE(first, results_test::frozen_time);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(third, first + 2);
    EXPECT_EQ(fixture.adt.run_time(), third);
}

TEST(ResultsRuns, ContinuationOfAClosedRunKeepsItsFirstParent) {
    open_adt fixture;
    sqlite3_adt& adt = fixture.adt;
    metadata_record run;
    run.data_tbl_name = "t";
    run.runtime = results_clock::next_run_key();
    const int64 first_key = run.runtime;
    ASSERT_TRUE(adt.insert_metadata(run));
    ASSERT_TRUE(adt.set_row_data_end(first_key, 4, true));
    int64 second = 0;
    ASSERT_TRUE(adt.start_run(second, first_key, run, true));
    EXPECT_EQ(std::make_tuple(run.chunk, run.parent, run.runtime),
              std::make_tuple(int64{1}, first_key, second));
    ASSERT_TRUE(adt.set_row_data_end(second, 9, true));
    int64 third = 0;
    ASSERT_TRUE(adt.start_run(third, second, run, true));
    EXPECT_EQ(run.parent, first_key);
    const table rows =
        connection(fixture.path).rows("select runtime, chunk, parent from metadata order by rowid");
    EXPECT_EQ(rows, (table{{text(first_key), "0", "0"},
                           {text(second), "1", text(first_key)},
                           {text(third), "1", text(first_key)}}));
}

TEST(ResultsRuns, UpdateMovesARunAndNeverTouchesItsEnd) {
    open_adt fixture;
    sqlite3_adt& adt = fixture.adt;
    metadata_record run;
    run.runtime = 100;
    ASSERT_TRUE(adt.insert_metadata(run));
    ASSERT_TRUE(adt.set_row_data_end(100, 8, true));
    run.notes = "moved";
    run.row_data_start = 3;
    run.row_data_end = 99;
    ASSERT_TRUE(adt.update_metadata(100, 200, run));
    EXPECT_FALSE(adt.metadata_exists(100));
    EXPECT_TRUE(adt.metadata_exists(200));
    EXPECT_EQ(adt.get_row_data_end(200), 8);
    EXPECT_EQ(connection(fixture.path).rows("select notes, row_data_start from metadata"),
              (table{{"moved", "3"}}));
}

TEST(ResultsReads, RegisterAndMaxRowidReadBack) {
    open_adt fixture;
    sqlite3_adt& adt = fixture.adt;
    const connection db(fixture.path);
    ASSERT_TRUE(db.exec("create table t (a); insert into ref values('t', 'junk', 0);"));
    EXPECT_EQ(adt.select_max_rowid("t"), 0);  // MAX of an empty table is NULL
    ASSERT_TRUE(db.exec("insert into t values(1); insert into t values(2);"));
    EXPECT_EQ(adt.select_max_rowid("t"), 2);
    int64 last = -1;
    EXPECT_TRUE(adt.read_ref_last_rowid(last, "t"));  // registered, value unreadable
    EXPECT_EQ(last, 0);
    ASSERT_TRUE(adt.update_ref("t", 0x10));
    EXPECT_EQ(adt.get_last_rowid("t"), 16);
    std::vector<std::string> names;
    ASSERT_TRUE(adt.read_ref_tables(names));
    EXPECT_EQ(names, (std::vector<std::string>{"metadata", "t"}));
    std::map<std::string, int64> register_map;
    ASSERT_TRUE(adt.read_ref_map(register_map));
    EXPECT_EQ(register_map, (std::map<std::string, int64>{{"metadata", 0}, {"t", 16}}));
}

TEST(ResultsReads, MetadataRowsParseWithDamagedNumbersAsZero) {
    open_adt fixture;
    const connection db(fixture.path);
    ASSERT_TRUE(
        db.exec("insert into metadata (runtime, chunk, parent, toolname, row_data_end) "
                "values(5, 'abc', NULL, 'velk', '0x10');"
                "insert into metadata (runtime, toolname) values(5, 'second');"));
    std::map<int64, metadata_record> runs;
    ASSERT_TRUE(fixture.adt.read_metadata(runs));
    ASSERT_EQ(runs.size(), 1U);
    const metadata_record& run = runs.at(5);
    EXPECT_EQ(std::make_tuple(run.chunk, run.parent, run.toolname, run.row_data_end),
              std::make_tuple(int64{0}, int64{0}, std::string("velk"), int64{16}));
}

TEST(ResultsReads, MetadataTableOfTheWrongWidthIsRefused) {
    open_adt fixture;
    const connection db(fixture.path);
    ASSERT_TRUE(
        db.exec("alter table metadata add column extra integer;"
                "insert into metadata (runtime) values(5);"));
    std::map<int64, metadata_record> runs;
    EXPECT_FALSE(fixture.adt.read_metadata(runs));
    EXPECT_TRUE(runs.empty());
}

TEST(ResultsWrites, RefusedWritesReportFalse) {
    open_adt fixture;
    sqlite3_adt& adt = fixture.adt;
    const connection db(fixture.path);
    ASSERT_TRUE(
        db.exec("create trigger no_runs before insert on metadata begin "
                "select raise(abort, 'refused'); end;"));
    metadata_record run;
    EXPECT_FALSE(adt.insert_metadata(run));
    EXPECT_EQ(db.rows("select count(*) from metadata"), (table{{"0"}}));
    EXPECT_EQ(db.rows("select last_rowid from ref"), (table{{"0"}}));  // nothing recorded
    ASSERT_TRUE(db.exec("drop trigger no_runs;"));
    EXPECT_TRUE(adt.insert_metadata(run));
    EXPECT_EQ(db.rows("select last_rowid from ref"), (table{{"1"}}));
}

TEST(ResultsWrites, HostileNamesStayIdentifiersAndValues) {
    open_adt fixture;
    sqlite3_adt& adt = fixture.adt;
    const connection db(fixture.path);
    for (const std::string name : {"x'];drop table metadata;--", "q`t", "a]]b"}) {
        ASSERT_TRUE(db.exec("create table " + std::string("\"") + name + "\" (a); insert into \"" +
                            name + "\" values(1);"));
        ref_row row;
        row.table_name = name;
        EXPECT_TRUE(adt.insert_ref(row)) << name;
        EXPECT_TRUE(adt.table_registered(name)) << name;
        EXPECT_TRUE(adt.update_ref(name, 3)) << name;
        EXPECT_EQ(adt.get_last_rowid(name), 3) << name;
        EXPECT_EQ(adt.select_max_rowid(name), 1) << name;
    }
    EXPECT_EQ(db.rows("select count(*) from metadata"), (table{{"0"}}));
    EXPECT_EQ(db.rows("select count(*) from ref"), (table{{"4"}}));
}

}  // namespace
