#include "sqlite/results_text_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "resultsdb/results_db_builder.h"

namespace {

using namespace results_test;  // NOLINT(google-build-using-namespace): test helpers

// ---- export_generic_data_text ------------------------------------------------------------

// generic_data rows 1-4 on one leaf page: K1 wrote 1-3, K2 row 4 alone, K3 is still open.
struct generic_fixture {
    velk_test::temp_dir dir;
    std::string path = dir.file("r.db");
    std::string folder = dir.file("out/text");

    generic_fixture() {
        metadata_record k1 = run_of(1001, 1, 3, "generic_data");
        k1.col_hdrs = "c|h";
        build_results_db(
            path, {k1, run_of(1002, 4, 4, "generic_data"), run_of(1003, 5, 0, "generic_data")},
            {"generic_data"},
            std::string(generic_table_sql) + generic_rows_sql(1001, 1, 3) +
                generic_rows_sql(1002, 4, 5));
    }
};

TEST(ExportGenericDataText, EachRunGetsItsOwnRowsOnly) {
    generic_fixture f;
    EXPECT_EQ(export_generic_data_text(f.folder, f.path), 0);
    EXPECT_EQ(files_in(f.folder), (std::vector<std::string>{"velk_out.txt_push_1001.txt",
                                                            "velk_out.txt_push_1002.txt"}));
    EXPECT_EQ(velk_test::read_file(f.folder + "/velk_out.txt_push_1001.txt"), "c|h\nl1\nl2\nl3\n");
    // Row 4 shares the leaf with rows 1-3: only it belongs to the one-row run.
    EXPECT_EQ(velk_test::read_file(f.folder + "/velk_out.txt_push_1002.txt"),
              "c1|c2|c3|c4|c5|c6|c7|c8\nl4\n");
}

TEST(ExportGenericDataText, RunsOverManyPagesKeepTheirBoundaries) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("r.db");
    // 600 rows of 100-byte lines fill some twenty leaves under an interior page.
    std::string sql = generic_table_sql;
    for (int k = 1; k <= 600; ++k) {
        sql += "insert into generic_data values(" + std::to_string(k <= 250 ? 1 : 2) +
               ", 0, 0, 0, 0, 0, '', '', printf('%03d', " + std::to_string(k) +
               ") || substr(hex(zeroblob(50)), 1, 97));";
    }
    metadata_record second = run_of(2, 251, 600, "generic_data");
    second.file.clear();
    build_results_db(path, {run_of(1, 1, 250, "generic_data"), second}, {"generic_data"}, sql);
    EXPECT_EQ(export_generic_data_text(dir.file("out"), path), 0);
    ASSERT_EQ(files_in(dir.file("out")),
              (std::vector<std::string>{"velk_out.txt_push_1.txt", "velk_push_2.txt"}));
    for (const auto& [file, first, last] :
         {std::tuple{"velk_out.txt_push_1.txt", 1, 250}, std::tuple{"velk_push_2.txt", 251, 600}}) {
        const std::string text = velk_test::read_file(dir.file("out/") + file);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), last - first + 2) << file;
        char first_line[8];
        std::snprintf(first_line, sizeof first_line, "\n%03d", first);
        EXPECT_EQ(text.find(first_line), text.find('\n')) << file;
        std::snprintf(first_line, sizeof first_line, "\n%03d", last);
        EXPECT_NE(text.find(first_line), std::string::npos) << file;
    }
}

// ---- export_data_tables_csv --------------------------------------------------------------

// A named table "data" (a, b): K1 wrote rows 1-2, K2 row 3.
struct data_fixture {
    velk_test::temp_dir dir;
    std::string path = dir.file("r.db");
    std::string folder = dir.file("out/csv");

    explicit data_fixture(const std::string& first_captions = "a|b") {
        metadata_record k1 = run_of(1001, 1, 2, "data");
        k1.col_hdrs = first_captions;
        metadata_record k2 = run_of(1002, 3, 3, "data");
        k2.col_hdrs = "a|b";
        k2.notes = "short";
        k2.extra_args = "e";
        build_results_db(path, {k1, k2}, {"data"},
                         "create table data ([metaref] integer, a varchar, b varchar);"
                         "insert into data values(1001, 'x1', 'y1');"
                         "insert into data values(1001, 'x2', 'y2');"
                         "insert into data values(1002, 'x3', 'y3');");
    }
};

constexpr const char* data_rows =
    "x1|y1|velk|XYZ|push|\n"
    "x2|y2|velk|XYZ|push|\n"
    "x3|y3|velk||push|e|\n";

TEST(ExportDataTablesCsv, RunsAppendTheirRowsUnderOneCaptionLine) {
    data_fixture f;
    ASSERT_TRUE(export_data_tables_csv(f.folder, f.path, false));
    const std::string header = "a|b|tool used|orig runtime|artifact type|\n";
    EXPECT_EQ(velk_test::read_file(f.folder + "/data.csv"), header + data_rows);
    ASSERT_TRUE(export_data_tables_csv(f.folder, f.path, false));  // appends, no new captions
    EXPECT_EQ(velk_test::read_file(f.folder + "/data.csv"), header + data_rows + data_rows);
    EXPECT_EQ(files_in(f.folder), (std::vector<std::string>{"data.csv"}));
}

TEST(ExportDataTablesCsv, ShortCaptionListIsPaddedToTheValues) {
    data_fixture f("a");
    ASSERT_TRUE(export_data_tables_csv(f.folder, f.path, false));
    EXPECT_EQ(velk_test::read_file(f.folder + "/data.csv"),
              std::string("a||tool used|orig runtime|artifact type|\n") + data_rows);
}

TEST(ExportDataTablesCsv, BarsInsideValuesBecomeSemicolons) {
    data_fixture f;
    ASSERT_TRUE(
        connection(f.path).exec("update data set a = 'p|q' where rowid = 1;"
                                "update metadata set toolname = 'v|k', extra_args = 'e|f';"));
    ASSERT_TRUE(export_data_tables_csv(f.folder, f.path, false));
    const std::string csv = velk_test::read_file(f.folder + "/data.csv");
    EXPECT_NE(csv.find("\np;q|y1|v;k|XYZ|push|e;f|\n"), std::string::npos) << csv;
}

TEST(ExportDataTablesCsv, RunOfAnotherTableInBetweenDoesNotLendItsPages) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("r.db");
    // "other" has a row, but none in its run's range: its pages are read, nothing written.
    build_results_db(path,
                     {run_of(1, 1, 2, "data"), run_of(2, 50, 60, "other"), run_of(3, 3, 3, "data")},
                     {"data", "other"},
                     "create table data (metaref, a); create table other (metaref, a);"
                     "insert into other values(2, 'o1');"
                     "insert into data values(1, 'x1'); insert into data values(1, 'x2');"
                     "insert into data values(3, 'x3');");
    ASSERT_TRUE(export_data_tables_csv(dir.file("out"), path, false));
    EXPECT_EQ(files_in(dir.file("out")), (std::vector<std::string>{"data.csv"}));
    const std::string csv = velk_test::read_file(dir.file("out/data.csv"));
    EXPECT_NE(csv.find("\nx2|"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\nx3|velk|XYZ|push|\n"), std::string::npos) << csv;
}

// ---- Hostile and damaged inputs ----------------------------------------------------------

TEST(ResultsTextExport, StoredNamesNeverLeaveTheFolder) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("r.db");
    metadata_record run = run_of(7, 1, 1, "a/b");
    run.toolname = "../../evil";
    run.artifact_type = "../x";
    run.file = "/x/../ y";
    metadata_record generic = run;
    generic.data_tbl_name = "generic_data";
    build_results_db(path, {run, generic}, {"a/b", "generic_data"},
                     std::string(generic_table_sql) + generic_rows_sql(7, 1, 1) +
                         "create table [a/b] (metaref, v); insert into [a/b] values(7, 'v');");
    const std::string folder = dir.file("deep/er/out");
    EXPECT_EQ(export_generic_data_text(folder, path), 0);
    ASSERT_TRUE(export_data_tables_csv(folder, path, false));
    EXPECT_EQ(files_in(folder), (std::vector<std::string>{".._.._evil__y_.._x_7.txt", "a_b.csv",
                                                          "generic_data.csv"}));
    EXPECT_EQ(files_in(dir.file("deep")), (std::vector<std::string>{"er"}));
    EXPECT_EQ(files_in(dir.file("deep/er")), (std::vector<std::string>{"out"}));
}

// Damage only shortens the export: a file cut inside page 1 gives nothing, a longer cut
// gives no line that the whole file does not give.
TEST(ResultsTextExport, CutDatabasesExportNoMoreThanTheWholeFile) {
    data_fixture f;
    ASSERT_TRUE(export_data_tables_csv(f.folder, f.path, false));
    const std::string full = velk_test::read_file(f.folder + "/data.csv");
    const std::string whole = velk_test::read_file(f.path);
    constexpr std::size_t page_size = 4096;  // SQLite's default, which the fixture keeps
    ASSERT_GT(whole.size(), page_size);
    const std::string cut = f.dir.file("cut.db");
    const std::string folder = f.dir.file("cut_out");
    for (std::size_t length = 0; length < whole.size(); length += 61) {
        velk_test::write_file(cut, whole.substr(0, length));
        std::filesystem::remove_all(folder);
        EXPECT_EQ(export_generic_data_text(folder, cut), 0) << length;
        const bool exported = export_data_tables_csv(folder, cut, false);
        if (length <= page_size) {
            EXPECT_FALSE(exported) << length;
            EXPECT_TRUE(files_in(folder).empty()) << length;
            continue;
        }
        std::istringstream lines(std::filesystem::exists(folder + "/data.csv")
                                     ? velk_test::read_file(folder + "/data.csv")
                                     : "");
        for (std::string line; std::getline(lines, line);) {
            EXPECT_NE(full.find(line + "\n"), std::string::npos) << length << ": " << line;
        }
    }
    EXPECT_FALSE(export_data_tables_csv(f.folder, f.dir.file("missing.db"), false));
}

}  // namespace
