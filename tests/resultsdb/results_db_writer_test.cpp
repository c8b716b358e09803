#include "resultsdb/results_db_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/output_record.h"
#include "cmdline/record_writer.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_test_support.h"

namespace vt = variant_type;

namespace {

using results_test::connection;
using results_test::frozen_clock;
using results_test::table;
using results_test::text;

std::ostringstream line_of(const std::string& text) {
    std::ostringstream line;
    line << text;
    return line;
}

void add_plain_row(results_db_writer& writer, const std::string& line) {
    (void)writer.add_row(line_of(line), 1, 2, "s1", "s2", 3, 4, 5);
}

// A writer open on a new file, its run record kept for inspection.
struct open_writer {
    explicit open_writer(bool generic, const std::string& col_hdrs = "") {
        run.col_hdrs = col_hdrs;
        EXPECT_TRUE(writer.open(path, run, generic));
    }
    [[nodiscard]] table rows(const std::string& sql) const { return connection(path).rows(sql); }

    velk_test::temp_dir dir;
    std::string path = dir.file("r.db");
    metadata_record run;
    results_db_writer writer;
};

const std::string run_columns =
    "select runtime, chunk, parent, output_option, row_data_start, row_data_end from metadata "
    "order by rowid";

TEST(ResultsWriter, RunsKeepTheirRowsAndBookkeepingInStep) {
    open_writer w(true);
    results_db_writer& writer = w.writer;
    ASSERT_TRUE(writer.begin_run(false));
    const int64 k = writer.run_time();
    for (const char* line : {"l1", "l2", "l3"}) {
        add_plain_row(writer, line);
    }
    ASSERT_TRUE(writer.flush_rows());
    EXPECT_EQ(writer.pending_count(), 0U);
    EXPECT_EQ(w.rows("select * from generic_data order by rowid"),
              (table{{text(k), "1", "2", "3", "4", "5", "s1", "s2", "l1"},
                     {text(k), "1", "2", "3", "4", "5", "s1", "s2", "l2"},
                     {text(k), "1", "2", "3", "4", "5", "s1", "s2", "l3"}}));
    EXPECT_EQ(w.rows(run_columns), (table{{text(k), "0", "0", "261", "1", "3"}}));
    EXPECT_EQ(w.rows("select table_name, last_rowid from ref order by rowid"),
              (table{{"metadata", "1"}, {"generic_data", "3"}}));

    ASSERT_TRUE(writer.begin_run(false));
    const int64 k2 = writer.run_time();
    add_plain_row(writer, "l4");
    add_plain_row(writer, "l5");
    ASSERT_TRUE(writer.flush_rows());
    ASSERT_TRUE(writer.begin_run(true));
    const int64 k3 = writer.run_time();
    add_plain_row(writer, "l6");
    ASSERT_TRUE(writer.flush_rows());
    ASSERT_TRUE(writer.begin_run(true));
    const int64 k4 = writer.run_time();
    add_plain_row(writer, "l7");
    ASSERT_TRUE(writer.flush_rows());
    EXPECT_EQ(w.rows(run_columns), (table{{text(k), "0", "0", "261", "1", "3"},
                                          {text(k2), "0", "0", "261", "4", "5"},
                                          {text(k3), "1", text(k2), "261", "6", "6"},
                                          {text(k4), "1", text(k2), "261", "7", "7"}}));
    EXPECT_EQ(w.rows("select last_rowid from ref where table_name='generic_data'"), (table{{"7"}}));
}

TEST(ResultsWriter, RunKeysStayDistinctUnderAStandingClock) {
    open_writer w(true);
    const frozen_clock clock(results_test::frozen_time);
    std::vector<int64> keys;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(w.writer.begin_run(false));
        keys.push_back(w.writer.run_time());
    }
    EXPECT_EQ(keys, (std::vector<int64>{keys[0], keys[0] + 1, keys[0] + 2}));
}

TEST(ResultsWriter, FlushWithoutARunGivesEachBatchAKeyOfItsOwn) {
    open_writer w(true);
    add_plain_row(w.writer, "a");
    ASSERT_TRUE(w.writer.flush_rows());
    add_plain_row(w.writer, "b");
    ASSERT_TRUE(w.writer.flush_rows());
    EXPECT_EQ(w.writer.run_time(), 0);
    const table runs = w.rows("select runtime, row_data_start, row_data_end from metadata");
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_NE(runs[0][0], "0");
    EXPECT_NE(runs[0][0], runs[1][0]);
    EXPECT_EQ((table{{runs[0][1], runs[0][2]}, {runs[1][1], runs[1][2]}}),
              (table{{"1", "1"}, {"2", "2"}}));
    EXPECT_EQ(w.rows("select metaref from generic_data"), (table{{runs[0][0]}, {runs[1][0]}}));
}

TEST(ResultsWriter, ReopenedDatabaseStartsTheNewRunAfterTheStoredRows) {
    open_writer w(true);
    ASSERT_TRUE(w.writer.begin_run(false));
    add_plain_row(w.writer, "a");
    add_plain_row(w.writer, "b");
    ASSERT_TRUE(w.writer.flush_rows());
    results_db_writer again;
    metadata_record run;
    ASSERT_TRUE(again.open(w.path, run, true));
    ASSERT_TRUE(again.begin_run(false));
    add_plain_row(again, "c");
    ASSERT_TRUE(again.flush_rows());
    EXPECT_EQ(w.rows("select row_data_start, row_data_end from metadata order by rowid"),
              (table{{"1", "2"}, {"3", "3"}}));
}

TEST(ResultsWriter, ClosedWriterCollectsRowsButDescribesAndWritesNothing) {
    results_db_writer writer;
    add_plain_row(writer, "a");
    writer.set_col_hdrs("x|y");
    writer.set_notes("n");
    EXPECT_EQ(writer.pending_count(), 1U);
    EXPECT_TRUE(writer.metadata().col_hdrs.empty());
    EXPECT_TRUE(writer.metadata().notes.empty());
    EXPECT_FALSE(writer.flush_rows());
    EXPECT_EQ(writer.pending_count(), 1U);
    EXPECT_FALSE(writer.begin_run(false));
    EXPECT_EQ(writer.pending_count(), 0U);  // a new run drops what was pending
}

TEST(ResultsWriter, BatchesWaitForTheirSizeAndTextSplitsIntoLines) {
    open_writer w(true);
    ASSERT_TRUE(w.writer.begin_run(false));
    EXPECT_FALSE(w.writer.add_text_rows(line_of(""), 1, 2, "s"));
    ASSERT_TRUE(w.writer.add_text_rows(line_of(" a \r\nb\r\n"), 1, 2, "s"));
    EXPECT_FALSE(w.writer.flush_rows_if(3));
    EXPECT_EQ(w.writer.pending_count(), 2U);
    add_plain_row(w.writer, "c|d\n");
    EXPECT_TRUE(w.writer.flush_rows_if(3));
    EXPECT_EQ(w.rows("select val1, val2, str1, desired_output from generic_data"),
              (table{{"1", "2", "s", "a"}, {"1", "2", "s", "b"}, {"1", "2", "s1", "c|d\n"}}));
}

TEST(ResultsWriter, NamedTableTakesItsColumnsFromTheCaptions) {
    open_writer w(false, "Date|Time Zone|");
    EXPECT_EQ(w.run.data_tbl_name, "data");
    EXPECT_EQ(w.writer.metadata().data_tbl_name, "data");
    EXPECT_EQ(w.rows("select sql from sqlite_master where name='data'"),
              (table{{"CREATE TABLE [data] ([metaref] integer, [1-Date] varchar, "
                      "[2-Time_Zon] varchar, [3-] varchar)"}}));
    ASSERT_TRUE(w.writer.begin_run(false));
    const int64 k = w.writer.run_time();
    cmd_params options(0, false);
    options.m_sqlite = true;
    EXPECT_FALSE(results_db_add_list_row(9, {"x"}, options));  // no writer attached
    options.m_results_db = &w.writer;
    EXPECT_TRUE(results_db_add_list_row(9, {"x"}, options));
    add_plain_row(w.writer, "p|q|r|s");
    ASSERT_TRUE(w.writer.flush_rows());
    EXPECT_EQ(w.rows("select *, typeof([2-Time_Zon]) from data order by rowid"),
              (table{{text(k), "x", "0", "0", "text"}, {text(k), "p", "q", "r", "text"}}));
    options.m_results_db = nullptr;
}

TEST(ResultsWriter, NamedColumnsFollowTheNameFlags) {
    struct flag_case {
        bool long_names;
        bool numbered;
        const char* expected;
    };
    for (const flag_case& c :
         {flag_case{true, true, "([metaref] integer, [1-Date] varchar, [2-Time_Zone] varchar)"},
          flag_case{false, false, "([metaref] integer, [Date] varchar, [Time_Zon] varchar)"}}) {
        velk_test::temp_dir dir;
        metadata_record run;
        run.col_hdrs = "Date|Time Zone";
        run.long_column_names = c.long_names;
        run.numbered_columns = c.numbered;
        results_db_writer writer;
        ASSERT_TRUE(writer.open(dir.file("r.db"), run, false));
        EXPECT_EQ(
            connection(dir.file("r.db")).rows("select sql from sqlite_master where name='data'"),
            (table{{std::string("CREATE TABLE [data] ") + c.expected}}));
    }
}

TEST(ResultsWriter, HostileTableNamesAreWrittenRegisteredAndCounted) {
    for (const std::string name : {"x'];drop table metadata;--", "q`t"}) {
        velk_test::temp_dir dir;
        const std::string path = dir.file("r.db");
        metadata_record run;
        run.col_hdrs = "a|b";
        run.data_tbl_name = name;
        results_db_writer writer;
        ASSERT_TRUE(writer.open(path, run, false));
        ASSERT_TRUE(writer.begin_run(false));
        add_plain_row(writer, "1|2");
        ASSERT_TRUE(writer.flush_rows()) << name;
        EXPECT_EQ(writer.select_max_rowid(name), 1) << name;
        EXPECT_EQ(writer.get_last_rowid(name), 1) << name;
        const connection db(path);
        const std::string quoted =
            name.find(']') != std::string::npos ? "`" + name + "`" : "[" + name + "]";
        EXPECT_EQ(db.rows("select name, sql from sqlite_master where type='table' and "
                          "name not in ('ref', 'metadata')"),
                  (table{{name, "CREATE TABLE " + quoted +
                                    " ([metaref] integer, [1-a] varchar, [2-b] varchar)"}}));
        EXPECT_EQ(db.rows("select count(*) from metadata"), (table{{"1"}}));
    }
}

TEST(ResultsWriter, RefusedRowKeepsTheWholeBatchPendingAndUnwritten) {
    open_writer w(true);
    results_db_writer& writer = w.writer;
    ASSERT_TRUE(writer.begin_run(false));
    add_plain_row(writer, "first");
    ASSERT_TRUE(writer.flush_rows());
    const connection db(w.path);
    const table bookkeeping_before = w.rows(
        "select (select last_rowid from ref where table_name='generic_data'), "
        "(select row_data_end from metadata)");
    EXPECT_EQ(bookkeeping_before, (table{{"1", "1"}}));
    for (const char* action : {"abort", "rollback"}) {
        ASSERT_TRUE(db.exec(std::string("create trigger refuse before insert on generic_data "
                                        "when new.str1='bad' begin select raise(") +
                            action + ", 'refused'); end;"));
        writer.clear_rows();
        (void)writer.add_row(line_of("l1"), 0, 0, "ok", "", 0, 0, 0);
        (void)writer.add_row(line_of("l2"), 0, 0, "bad", "", 0, 0, 0);
        (void)writer.add_row(line_of("l3"), 0, 0, "ok", "", 0, 0, 0);
        EXPECT_FALSE(writer.flush_rows()) << action;
        EXPECT_EQ(writer.pending_count(), 3U) << action;
        EXPECT_EQ(db.rows("select count(*) from generic_data"), (table{{"1"}})) << action;
        EXPECT_EQ(w.rows("select (select last_rowid from ref where table_name='generic_data'), "
                         "(select row_data_end from metadata)"),
                  bookkeeping_before)
            << action;
        ASSERT_TRUE(db.exec("drop trigger refuse;"));
    }
    ASSERT_TRUE(writer.flush_rows());
    EXPECT_EQ(db.rows("select desired_output from generic_data order by rowid"),
              (table{{"first"}, {"l1"}, {"l2"}, {"l3"}}));
    EXPECT_EQ(w.rows("select row_data_end from metadata"), (table{{"4"}}));
}

TEST(ResultsWriter, WriterOutlivesAnotherConnectionOpenedAndClosed) {
    open_writer w(true);
    ASSERT_TRUE(w.writer.begin_run(false));
    {
        sqlite_wrapper other;
        ASSERT_TRUE(other.open(nullptr, w.dir.file("other.db"), ""));
        other.close();
    }
    add_plain_row(w.writer, "still");
    ASSERT_TRUE(w.writer.flush_rows());
    EXPECT_EQ(w.rows("select desired_output from generic_data"), (table{{"still"}}));
}

TEST(ResultsWriter, TableWriterHandsItsCaptionsAndRowsOver) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("r.db");
    cmd_params options(0, false);
    std::vector<std::string> args = {"velk", "-sqlite", path, "-csv"};
    ASSERT_TRUE(options.parse_common_options(args));
    options.m_columns = {kq_variant_lite("when", 0), kq_variant_lite("what", 0)};
    constexpr uint64 when = 132521874959025799ULL;
    output_record row(2, false);
    ASSERT_EQ(row.set_num(0, when, vt::filetime, 0x01), 1);
    ASSERT_EQ(row.set_str(1, "a,b", vt::text, 0x20), 1);

    cmd_params plain = options;  // no writer: everything reaches the stream
    output_record plain_row = row;
    std::ostringstream expected;
    write_record(expected, plain_row, plain);
    const std::string header = expected.str().substr(0, expected.str().find('\n'));
    std::string line = expected.str().substr(header.size() + 1);
    ASSERT_EQ(line.back(), '\n');
    line.pop_back();

    metadata_record run;
    run.fill_from_options(options);
    EXPECT_EQ(run.output_option, 258);
    results_db_writer writer;
    ASSERT_TRUE(writer.open(path, run, true));
    options.m_results_db = &writer;
    std::ostringstream out;
    write_record(out, row, options);
    EXPECT_EQ(out.str(), "");
    ASSERT_TRUE(writer.flush_rows());
    const connection db(path);
    EXPECT_EQ(db.rows("select col_hdrs, output_option from metadata"), (table{{header, "258"}}));
    EXPECT_EQ(db.rows("select val1, str1, desired_output from generic_data"),
              (table{{text(static_cast<int64>(when)), "a b", line}}));
    options.m_results_db = nullptr;
}

}  // namespace
