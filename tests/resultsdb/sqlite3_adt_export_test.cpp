#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_test_support.h"
#include "resultsdb/results_db_writer.h"
#include "resultsdb/sqlite3_adt.h"

namespace {

using results_test::connection;
using results_test::text;

cmd_params parsed_options(std::vector<std::string> args) {
    cmd_params options(0, false);
    args.insert(args.begin(), "velk");
    EXPECT_TRUE(options.parse_common_options(args));
    return options;
}

// ---- dump_table --------------------------------------------------------------------------

struct dump_case {
    const char* name;
    std::vector<std::string> args;
    bool raw;
    const char* values_sql;  // the one row of table t (a, b, c, d)
    const char* expected;
};

const dump_case dump_cases[] = {
    {"quoted_csv",
     {"-csv", "-enable_quoted_csv_fields"},
     false,
     "'café', 'a'||char(13,10)||'b', 'x\"y', '{\"k\":1}'",
     "a,b,c,d\nhex={63 61 66 c3 a9},\"a[CRLF]b\",\"x\"\"y\",{\"k\":1}\n"},
    {"quoted_csv_raw",
     {"-csv", "-enable_quoted_csv_fields"},
     true,
     "'café', 'a'||char(13,10)||'b', 'x\"y', '{\"k\":1}'",
     "a,b,c,d\n\"café\",\"a[CRLF]b\",\"x\"\"y\",{\"k\":1}\n"},
    {"json_with_separator_is_quoted",
     {"-csv", "-enable_quoted_csv_fields"},
     false,
     "'{\"k\":1,\"j\":2}', '', 1, NULL",
     "a,b,c,d\n\"{\"\"k\"\":1,\"\"j\"\":2}\",\"\",\"1\",\"\"\n"},
    {"default_delimiter_substituted",
     {},
     false,
     "'p|q', 'x', 'y', 'z'",
     "a | b | c | d\np;q | x | y | z\n"},
    {"csv_comma_substituted", {"-csv"}, false, "'p,q', 'x', 'y', 'z'", "a,b,c,d\np q,x,y,z\n"},
};

class DumpTable : public ::testing::TestWithParam<dump_case> {};

TEST_P(DumpTable, WritesTheTableAsSeparatedText) {
    const dump_case& c = GetParam();
    velk_test::temp_dir dir;
    const std::string path = dir.file("r.db");
    ASSERT_TRUE(connection(path).exec(std::string("create table t (a, b, c, d); "
                                                  "insert into t values(") +
                                      c.values_sql + ");"));
    sqlite3_adt adt;
    ASSERT_TRUE(adt.open(nullptr, path, ""));
    std::ostringstream out;
    ASSERT_TRUE(adt.dump_table(out, "t", parsed_options(c.args), c.raw));
    EXPECT_EQ(out.str(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DumpTable, ::testing::ValuesIn(dump_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DumpTableRefusal, EmptyMissingAndHostileTablesDumpNothing) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("r.db");
    ASSERT_TRUE(
        connection(path).exec("create table empty (a); create table \"x'`\" (a);"
                              "insert into \"x'`\" values(1);"));
    sqlite3_adt adt;
    const cmd_params options(0, false);
    std::ostringstream out;
    EXPECT_FALSE(adt.dump_table(out, "empty", options, false));  // not open
    ASSERT_TRUE(adt.open(nullptr, path, ""));
    EXPECT_FALSE(adt.dump_table(out, "", options, false));
    EXPECT_FALSE(adt.dump_table(out, "empty", options, false));
    EXPECT_FALSE(adt.dump_table(out, "missing", options, false));
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(adt.dump_table(out, "x'`", options, false));
    EXPECT_EQ(out.str(), "a\n1\n");
}

// ---- read_desired_output -----------------------------------------------------------------

struct export_fixture {
    velk_test::temp_dir dir;
    std::string path = dir.file("r.db");
    std::string folder = dir.file("out/runs");
    std::vector<int64> keys;

    // A named table registered first, then two generic runs: (l1, l2) and (l3).
    export_fixture() {
        metadata_record run;
        run.toolname = "velk";
        run.file = "/x/out.txt";
        run.artifact_type = "push notes";
        run.separator = "|";
        run.col_hdrs = "a";
        run.data_tbl_name = "named";
        {
            results_db_writer named;
            EXPECT_TRUE(named.open(path, run, false));
            EXPECT_TRUE(named.begin_run(false));
            (void)named.add_row(line_of("n1"), 0, 0, "", "", 0, 0, 0);
            EXPECT_TRUE(named.flush_rows());
        }
        run.col_hdrs = "h1|h2";
        results_db_writer writer;
        EXPECT_TRUE(writer.open(path, run, true));
        for (const std::vector<std::string>& lines :
             {std::vector<std::string>{"l1", "l2"}, std::vector<std::string>{"l3"}}) {
            EXPECT_TRUE(writer.begin_run(false));
            keys.push_back(writer.run_time());
            for (const std::string& line : lines) {
                (void)writer.add_row(line_of(line), 0, 0, "", "", 0, 0, 0);
            }
            EXPECT_TRUE(writer.flush_rows());
        }
    }
    [[nodiscard]] std::string run_file(int64 key) const {
        return folder + "/velk_out.txt_push_notes_" + text(key) + ".csv";
    }
    static std::ostringstream line_of(const std::string& text) {
        std::ostringstream line;
        line << text;
        return line;
    }
};

TEST(ReadDesiredOutput, WritesOneFilePerRunWithItsCaptionsFirst) {
    export_fixture f;
    results_db_writer writer;
    metadata_record run;
    ASSERT_TRUE(writer.open(f.path, run, true));
    std::vector<std::string> files = {f.run_file(f.keys[0])};  // listed already: not again
    ASSERT_TRUE(writer.export_desired_output(files, f.folder));
    EXPECT_EQ(files, (std::vector<std::string>{f.run_file(f.keys[0]), f.run_file(f.keys[1])}));
    EXPECT_EQ(velk_test::read_file(f.run_file(f.keys[0])), "h1|h2\nl1\nl2\n");
    EXPECT_EQ(velk_test::read_file(f.run_file(f.keys[1])), "h1|h2\nl3\n");
}

TEST(ReadDesiredOutput, UnknownRunStopsOnlyItsOwnTable) {
    export_fixture f;
    const connection db(f.path);
    ASSERT_TRUE(
        db.exec("update generic_data set metaref = 999 where desired_output = 'l3';"
                "create table later (metaref integer, desired_output varchar);"
                "insert into ref values('later', 1, 0);"
                "insert into later values(" +
                text(f.keys[1]) + ", 'from later');"));
    sqlite3_adt adt;
    ASSERT_TRUE(adt.open(nullptr, f.path, ""));
    std::vector<std::string> files;
    ASSERT_TRUE(adt.read_desired_output(files, f.folder));
    EXPECT_EQ(files, (std::vector<std::string>{f.run_file(f.keys[0]), f.run_file(f.keys[1])}));
    EXPECT_EQ(velk_test::read_file(f.run_file(f.keys[1])), "h1|h2\nfrom later\n");
}

TEST(ReadDesiredOutput, RunWhoseFileCannotOpenIsSkippedAndSaidSo) {
    export_fixture f;
    std::filesystem::create_directories(f.run_file(f.keys[0]));  // a folder in the file's place
    sqlite3_adt adt;
    ASSERT_TRUE(adt.open(nullptr, f.path, ""));
    std::vector<std::string> files;
    ::testing::internal::CaptureStderr();
    const bool exported = adt.read_desired_output(files, f.folder);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(exported);
    EXPECT_NE(
        said.find("prob opening " + f.run_file(f.keys[0]) + " for output, skipping this run\n"),
        std::string::npos)
        << said;
    EXPECT_EQ(files, (std::vector<std::string>{f.run_file(f.keys[1])}));
    EXPECT_EQ(velk_test::read_file(f.run_file(f.keys[1])), "h1|h2\nl3\n");
}

TEST(ReadDesiredOutput, SlashesInStoredNamesStayInsideTheFolder) {
    export_fixture f;
    const connection db(f.path);
    ASSERT_TRUE(db.exec("update metadata set toolname = '../up', artifact_type = 'a/b';"));
    sqlite3_adt adt;
    ASSERT_TRUE(adt.open(nullptr, f.path, ""));
    std::vector<std::string> files;
    ASSERT_TRUE(adt.read_desired_output(files, f.folder));
    ASSERT_EQ(files.size(), 2U);
    EXPECT_EQ(files[0], f.folder + "/.._up_out.txt_a_b_" + text(f.keys[0]) + ".csv");
}

TEST(ReadDesiredOutput, DatabaseWithoutRunsExportsNothing) {
    velk_test::temp_dir dir;
    sqlite3_adt adt;
    std::vector<std::string> files;
    EXPECT_FALSE(adt.read_desired_output(files, dir.file("never")));  // not open
    ASSERT_TRUE(adt.open(nullptr, dir.file("r.db"), ""));
    EXPECT_FALSE(adt.read_desired_output(files, dir.file("never")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("never")));
    EXPECT_TRUE(files.empty());
}

}  // namespace
