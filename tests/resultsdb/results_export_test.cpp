#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "resultsdb/query_table_printer.h"
#include "resultsdb/results_db_builder.h"
#include "resultsdb/sqlite3_adt.h"

namespace {

using namespace results_test;  // NOLINT(google-build-using-namespace): test helpers

cmd_params parsed_options(std::vector<std::string> args) {
    cmd_params options(0, false);
    args.insert(args.begin(), "velk");
    EXPECT_TRUE(options.parse_common_options(args));
    options.m_status_output = false;
    return options;
}

// ---- generic_sql_select ------------------------------------------------------------------

TEST(GenericSqlSelect, ReturnsNamesAndTextRowsAndSaysWhyNot) {
    velk_test::temp_dir dir;
    const std::string db_path = dir.file("r.db");
    ASSERT_TRUE(connection(db_path).exec("create table t (a);"));
    cmd_params options(0, false);
    ASSERT_TRUE(options.open_diag_file(dir.file("diags.txt")));
    sqlite3_adt adt;
    ASSERT_TRUE(adt.open(nullptr, db_path, ""));
    std::vector<std::string> names = {"stale"};
    std::vector<std::vector<std::string>> rows = {{"stale"}};

    ASSERT_TRUE(adt.generic_sql_select(names, rows, "select 1 as a, NULL as b", &options));
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"1", ""}}));

    EXPECT_FALSE(adt.generic_sql_select(names, rows, "", &options));
    EXPECT_TRUE(names.empty() && rows.empty());
    EXPECT_FALSE(adt.generic_sql_select(names, rows, "select 1 where 0", &options));
    EXPECT_FALSE(adt.generic_sql_select(names, rows, "selec 1", &options));
    EXPECT_FALSE(adt.generic_sql_select(names, rows, "select 1 where 0", nullptr));  // no diags
    options.close_diag_file();
    const std::string diags = velk_test::read_file(dir.file("diags.txt"));
    const std::string no_rows = "->sqlite3_adt::generic_sql_select: no rows returned\n";
    const std::string failed = "->sqlite3_adt::generic_sql_select: prob calling sql_transaction\n";
    const std::size_t first_no_rows = diags.find(no_rows);
    ASSERT_NE(first_no_rows, std::string::npos) << diags;
    const std::size_t failure = diags.find(failed, first_no_rows);
    ASSERT_NE(failure, std::string::npos) << diags;
    EXPECT_NE(diags.find("selec 1", failure), std::string::npos) << diags;  // the statement log
    EXPECT_NE(diags.find(no_rows, failure), std::string::npos) << diags;
}

// ---- export_results_tables ---------------------------------------------------------------

constexpr const char* generic_header =
    "c1|c2|c3|c4|c5|c6|c7|c8|tool used|orig runtime|artifact type|csv src|artifact src\n";

// generic_data rows 1-6: run A (key 1000) wrote 1-3, run B (2000) 4-5; row 6 belongs to
// no run. "my table" and "a/b" are registered and empty.
struct export_fixture {
    velk_test::temp_dir dir;
    std::string path = dir.file("r.db");
    std::string folder = dir.file("out/csv");

    explicit export_fixture(const std::string& extra_sql = "") {
        metadata_record b = run_of(2000, 4, 5, "generic_data");
        b.notes = "123456789";
        b.extra_args = "e";
        build_results_db(
            path, {run_of(1000, 1, 3, "generic_data"), b}, {"generic_data", "my table", "a/b"},
            std::string(generic_table_sql) + generic_rows_sql(1000, 1, 3) +
                generic_rows_sql(2000, 4, 6) +
                "create table [my table] (metaref); create table [a/b] (metaref);" + extra_sql);
    }
    [[nodiscard]] bool run_export(bool use_options, cmd_params& options) const {
        sqlite3_adt adt;
        return adt.open(nullptr, path, "") &&
               adt.export_results_tables(folder, use_options, options);
    }
};

TEST(ExportResultsTables, EachRunsRowsCarryItsColumnsAndTheTableEndsWithTheLastRun) {
    export_fixture f;
    cmd_params options = parsed_options({});
    ASSERT_TRUE(f.run_export(false, options));
    EXPECT_EQ(velk_test::read_file(f.folder + "/generic_data.csv"),
              std::string(generic_header) +
                  "1|2|3|4|5|s1|s2|l1|velk|XYZ|push||/x/out.txt\n"
                  "1|2|3|4|5|s1|s2|l2|velk|XYZ|push||/x/out.txt\n"
                  "1|2|3|4|5|s1|s2|l3|velk|XYZ|push||/x/out.txt\n"
                  "1|2|3|4|5|s1|s2|l4|velk||push|e||/x/out.txt\n"
                  "1|2|3|4|5|s1|s2|l5|velk||push|e||/x/out.txt\n");
    // Table names become file names inside the folder; empty tables give empty files.
    EXPECT_EQ(files_in(f.folder),
              (std::vector<std::string>{"a_b.csv", "generic_data.csv", "my_table.csv"}));
    EXPECT_EQ(velk_test::read_file(f.folder + "/my_table.csv"), "");
    EXPECT_EQ(velk_test::read_file(f.folder + "/a_b.csv"), "");
}

TEST(ExportResultsTables, FirstRunWithExtraArgumentsNamesThemInTheCaptions) {
    export_fixture f;
    ASSERT_TRUE(
        connection(f.path).exec("update metadata set extra_args = 'x' where runtime = 1000;"
                                "update metadata set col_hdrs = ' c1 | c2 ';"));
    cmd_params options = parsed_options({"-csv"});
    ASSERT_TRUE(f.run_export(true, options));
    const std::string csv = velk_test::read_file(f.folder + "/generic_data.csv");
    // Trimmed captions joined by the separator, six empty ones for the unnamed values.
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1),
              "c1,c2,,,,,,,tool used,orig runtime,artifact type,extra args,csv src,artifact src\n");
    EXPECT_NE(csv.find("\n1,2,3,4,5,s1,s2,l1,velk,XYZ,push,x,,/x/out.txt\n"), std::string::npos)
        << csv;
}

struct separator_case {
    const char* name;
    std::vector<std::string> args;
    bool use_options;
    const char* expected_row;  // the first data row
};

// A value or run text holding the separator would shift the columns after it.
const separator_case separator_cases[] = {
    {"bar_without_options", {}, false, "a;b|2|3|4|5|s1|s2|l1|v;k|XYZ|push||/x/out.txt\n"},
    {"options_of_bar",
     {"-csv", "-csv_separator", "|"},
     true,
     "a;b|2|3|4|5|s1|s2|l1|v;k|XYZ|push||/x/out.txt\n"},
    {"comma", {"-csv"}, true, "a|b,2,3,4,5,s1,s2,l1,v|k,XYZ,push,,/x/out.txt\n"},
};

class ExportSeparators : public ::testing::TestWithParam<separator_case> {};

TEST_P(ExportSeparators, ValuesNeverShiftTheColumns) {
    const separator_case& c = GetParam();
    export_fixture f(
        "update generic_data set val1 = 'a|b' where rowid = 1;"
        "update generic_data set val2 = 'a,b' where rowid = 2;");
    ASSERT_TRUE(connection(f.path).exec("update metadata set toolname = 'v|k';"));
    cmd_params options = parsed_options(c.args);
    ASSERT_TRUE(f.run_export(c.use_options, options));
    const std::string csv = velk_test::read_file(f.folder + "/generic_data.csv");
    const std::size_t first_row = csv.find('\n') + 1;
    EXPECT_EQ(csv.substr(first_row, csv.find('\n', first_row) + 1 - first_row), c.expected_row);
    if (c.use_options && c.args.size() == 1) {
        EXPECT_NE(csv.find("\n1,a b,3,"), std::string::npos) << csv;
    } else {
        EXPECT_NE(csv.find("\n1|a,b|3|"), std::string::npos) << csv;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportSeparators, ::testing::ValuesIn(separator_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ExportResultsTables, RefusesWhatItCannotReadOrWrite) {
    export_fixture f;
    cmd_params options = parsed_options({});
    sqlite3_adt closed;
    EXPECT_FALSE(closed.export_results_tables(f.folder, false, options));
    sqlite3_adt adt;
    ASSERT_TRUE(adt.open(nullptr, f.path, ""));
    EXPECT_FALSE(adt.export_results_tables("", false, options));
    // A metadata table of another width is not a results database's.
    ASSERT_TRUE(connection(f.path).exec("alter table metadata add column extra21 varchar;"));
    EXPECT_FALSE(adt.export_results_tables(f.folder, false, options));
    EXPECT_FALSE(std::filesystem::exists(f.folder));
}

TEST(ExportResultsTables, FileThatCannotOpenSkipsOnlyItsTable) {
    export_fixture f;
    std::filesystem::create_directories(f.folder + "/my_table.csv");  // a folder in its place
    cmd_params options = parsed_options({});
    ::testing::internal::CaptureStderr();
    const bool exported = f.run_export(false, options);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(exported);
    EXPECT_NE(said.find("prob opening " + f.folder +
                        "/my_table.csv for output, skipping this data table\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(velk_test::read_file(f.folder + "/generic_data.csv").substr(0, 13), "c1|c2|c3|c4|c");
}

// ---- export_table_to_file ----------------------------------------------------------------

TEST(ExportTableToFile, WritesTheRawDumpWithCrLfLineEnds) {
    velk_test::temp_dir dir;
    const std::string db_path = dir.file("r.db");
    ASSERT_TRUE(connection(db_path).exec("create table t (a, b); insert into t values('é', 2);"));
    cmd_params options = parsed_options({"-csv"});
    sqlite3_adt adt;
    ASSERT_TRUE(adt.open(nullptr, db_path, ""));
    ASSERT_TRUE(adt.export_table_to_file(dir.file("t.txt"), "t", options));
    EXPECT_EQ(velk_test::read_file(dir.file("t.txt")), "a,b\r\n\xC3\xA9,2\r\n");

    EXPECT_FALSE(adt.export_table_to_file(dir.file("t.txt"), "", options));
    EXPECT_FALSE(adt.export_table_to_file(dir.file("none.txt"), "missing", options));
    const std::string blocked = dir.file("no/such/folder/t.txt");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(adt.export_table_to_file(blocked, "t", options));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "prob accessing " + blocked + ", aborting\n");
}

// ---- print_query_table -------------------------------------------------------------------

struct print_case {
    const char* name;
    std::vector<std::vector<std::string>> rows;
    uint32 max_width;
    bool cut;
    const char* expected;
};

const print_case print_cases[] = {
    {"fits_widest", {{"1", "xyz"}}, 0, false, "a | bb \n1 | xyz\n"},
    {"capped_and_cut", {{"1", "xyz"}}, 2, true, "a | bb\n1 | xy\n"},
    {"extra_values_ignored",
     {{"1", "xyz", "ignored"}, {"22"}},
     0,
     false,
     "a  | bb \n1  | xyz\n22 | \n"},
};

class PrintQueryTable : public ::testing::TestWithParam<print_case> {};

TEST_P(PrintQueryTable, WritesCaptionsAndRowsInColumnsOfTheWidestValue) {
    const print_case& c = GetParam();
    cmd_params options = parsed_options({});
    std::ostringstream out;
    ASSERT_TRUE(
        print_query_table(out, {"a", "bb"}, c.rows, options, c.max_width, c.cut, nullptr, nullptr));
    EXPECT_EQ(out.str(), c.expected);
    EXPECT_FALSE(options.m_header_pending);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintQueryTable, ::testing::ValuesIn(print_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PrintQueryTableRefusal, NoNamesOrNoRowsWriteNothing) {
    cmd_params options = parsed_options({});
    std::ostringstream out;
    EXPECT_FALSE(print_query_table(out, {"a"}, {}, options, 0, false, nullptr, nullptr));
    EXPECT_FALSE(print_query_table(out, {}, {{"1"}}, options, 0, false, nullptr, nullptr));
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(options.m_header_pending);
}

}  // namespace
