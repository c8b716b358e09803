#include "resultsdb/sql_select_spec.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cmdline/output_test_support.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_test_support.h"
#include "resultsdb/word_list.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;
using output_test::parsed_options;
using output_test::split_lines;
using strings = std::vector<std::string>;

const std::string dashes = " " + std::string(67, '-') + " ";

// A database file holding the given SQL, and the select specs of a script.
struct select_fixture {
    velk_test::temp_dir dir;
    std::string db_path = dir.file("in.db");
    sqlite_wrapper db;
    std::vector<sql_select_spec> specs;

    select_fixture(const std::string& sql, const std::string& script) {
        {
            const results_test::connection setup(db_path);
            EXPECT_TRUE(setup.exec(sql));
        }
        const std::string script_path = dir.file("selects.txt");
        velk_test::write_file(script_path, script);
        EXPECT_TRUE(load_sql_selects(specs, script_path));
        EXPECT_TRUE(db.open_readonly(db_path, ""));
    }

    std::string printed(const strings& args) {
        EXPECT_TRUE(run_sql_selects(specs, &db));
        cmd_params options = parsed_options(args);
        std::ostringstream out;
        print_sql_selects(specs, out, options);
        return out.str();
    }
};

const std::string time_table =
    "create table t(a, b); insert into t values ('x', 132521874959025799);";

TEST(SqlSelectSpec, OptionFileGivesQuotedStatementAndTypes) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("o.txt");
    velk_test::write_file(path,
                          "!cmd,-sqlite_select,-name,t,a,b|FILETIME\n"
                          "!cmd,no select here,-name,x\n"
                          "!cmd,-sqlite_select,-name,we]ird,c`q\n");
    std::vector<sql_select_spec> list;
    ASSERT_TRUE(load_sql_selects(list, path));
    ASSERT_EQ(list.size(), 2U);
    EXPECT_EQ(list[0].m_sql, "select `a`,`b` from [t];");
    EXPECT_EQ(list[0].m_col_types, (strings{"text", "filetime"}));
    EXPECT_EQ(list[0].m_comment, "t");
    EXPECT_EQ(list[0].m_col_widths, (std::vector<uint32>{0, 0}));
    EXPECT_TRUE(all_sql_selects_valid(list));
    // a bracket in the table name and a backquote in a column name stay inside the quotes
    EXPECT_EQ(list[1].m_sql, "select `c``q` from `we]ird`;");
    EXPECT_FALSE(all_sql_selects_valid({}));
}

TEST(SqlSelectSpec, RecordWithoutColumnsIsNotValid) {
    select_fixture f(time_table, "!cmd,-sqlite_select,-name,t\n!cmd,-sqlite_select,-name,t,a\n");
    ASSERT_EQ(f.specs.size(), 2U);
    EXPECT_EQ(f.specs[0].m_sql, "select  from [t];");
    EXPECT_FALSE(f.specs[0].is_valid());
    EXPECT_FALSE(f.specs[0].run(&f.db, sql_select_row_callback_counted));
    EXPECT_FALSE(run_sql_selects(f.specs, &f.db));
    EXPECT_TRUE(f.specs[1].m_rows.empty());  // nothing ran
    strings items{"-name", "t", "a"};
    EXPECT_FALSE(f.specs[1].parse(items));
}

TEST(SqlSelectSpec, PairedTimeRendersOneCell) {
    select_fixture f(time_table, "!cmd,-sqlite_select,-name,t,a,b|FILETIME\n");
    const strings lines = split_lines(f.printed({"-pair_datetime"}));
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[0], dashes);
    EXPECT_EQ(lines[1], "SQL statement: select `a`,`b` from [t];");
    EXPECT_EQ(lines[2], "a | " + std::string("b") + std::string(22, ' '));
    EXPECT_EQ(lines[3], "x |  2020-12-11 19:11:35.902");
}

TEST(SqlSelectSpec, UnpairedTimeTakesTwoCells) {
    select_fixture f(time_table, "!cmd,-sqlite_select,-name,t,a,b|filetime\n");
    const strings lines = split_lines(f.printed({}));
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[2], "a | b [date]   | b [time]    ");
    EXPECT_EQ(lines[3], "x | 2020-12-11 |  19:11:35.902");
}

TEST(SqlSelectSpec, GuidAndDigestsKeepZeroBytes) {
    select_fixture f(
        "create table g(id, sum, other);"
        "insert into g values (x'00112233445566778899aabbccddeeff',"
        " x'd41d8cd98f00b204e9800998ecf8427e', 'y');",
        "!cmd,-sqlite_select,-name,g,id|guid,sum|MD5\n");
    const strings lines = split_lines(f.printed({}));
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[2], "id" + std::string(34, ' ') + " | sum" + std::string(29, ' '));
    EXPECT_EQ(lines[3].substr(0, 39), "33221100-5544-7766-8899-aabbccddeeff | ");
    EXPECT_NE(lines[3].find("d4"), std::string::npos);
    EXPECT_EQ(f.specs[0].m_rows[0][0].size(), 16U);
}

TEST(SqlSelectSpec, BodyfileAndCsvgenPrintHeaderOnly) {
    for (const char* form : {"-bodyfile", "-csvgen"}) {
        select_fixture f(time_table, "!cmd,-sqlite_select,-name,t,a\n");
        const strings lines = split_lines(f.printed({form}));
        ASSERT_EQ(lines.size(), 3U) << form;
        EXPECT_EQ(lines[1], "SQL statement: select `a` from [t];");
    }
}

TEST(SqlSelectSpec, FailingSpecIsReportedOnStderr) {
    select_fixture f(time_table,
                     "!cmd,-sqlite_select,-name,missing,a\n!cmd,-sqlite_select,-name,t,a\n");
    CaptureStderr();
    EXPECT_TRUE(run_sql_selects(f.specs, &f.db));
    EXPECT_EQ(GetCapturedStderr(), "probs with select select `a` from [missing];\n");
    EXPECT_EQ(f.specs[0].m_error,
              "no such table: missing [Prob calling cmd: select `a` from [missing];]");
    EXPECT_EQ(f.specs[1].m_rows.size(), 1U);
    // rows gather over runs until the spec is reset
    EXPECT_TRUE(f.specs[1].run(&f.db, sql_select_row_callback_counted));
    EXPECT_EQ(f.specs[1].m_rows.size(), 2U);
    EXPECT_FALSE(f.specs[1].run(nullptr, sql_select_row_callback_counted));
}

TEST(SqlSelectSpec, ExtraValuesNeverIndexPastTheColumns) {
    sql_select_spec spec;
    strings items{"-sqlite_select", "-name", "t", "a|dostime"};
    ASSERT_TRUE(spec.parse(items));
    EXPECT_TRUE(items.empty());
    char v0[] = "1363290704";  // 0x51422A50: 2020-10-02 05:18:32 in DOS words
    char v1[] = "extra";
    char* values[] = {v0, v1, nullptr};
    EXPECT_EQ(sql_select_row_callback(&spec, 3, values, nullptr), 0);
    EXPECT_EQ(spec.m_rows[0], (strings{"1363290704"}));
    ASSERT_EQ(spec.m_col_widths.size(), 1U);
    char bad[] = "99999999999";
    char* invalid[] = {bad};
    EXPECT_EQ(sql_select_row_callback(&spec, 1, invalid, nullptr), 0);
    EXPECT_EQ(sql_select_row_callback(nullptr, 1, invalid, nullptr), 1);

    cmd_params options = parsed_options({"-pair_datetime"});
    options.m_header_pending = true;
    std::ostringstream out;
    spec.render(out, options);
    const strings lines = split_lines(out.str());
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[2], " 2020-10-02 05:18:32.000");
    EXPECT_EQ(lines[3], std::string(24, ' '));  // no valid moment: the filler
}

TEST(SqlSelectSpec, WithoutHeaderEveryColumnIsText) {
    sql_select_spec spec;
    strings items{"-sqlite_select", "-name", "t", "a|filetime"};
    ASSERT_TRUE(spec.parse(items));
    char v0[] = "132521874959025799";
    char* values[] = {v0};
    ASSERT_EQ(sql_select_row_callback(&spec, 1, values, nullptr), 0);
    cmd_params options = parsed_options({});
    options.m_columns.emplace_back("a", 1);
    options.m_header_pending = false;
    std::ostringstream out;
    spec.render(out, options);
    EXPECT_EQ(out.str(), "SQL statement: select `a` from [t];\n132521874959025799\n");
}

TEST(LoadWordList, LettersOnlyAndSizeLimit) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("words.txt");
    velk_test::write_file(path, "9lives\nlives\na.b\n");
    std::set<std::string> words{"stale"};
    ASSERT_TRUE(load_word_list(path, words, 1000, 3, true));
    EXPECT_EQ(words, (std::set<std::string>{"lives"}));
    ASSERT_TRUE(load_word_list(path, words, 1000, 3, false));
    EXPECT_EQ(words, (std::set<std::string>{"9lives", "lives"}));
    EXPECT_FALSE(load_word_list(path, words, 5, 3, true));
    EXPECT_TRUE(words.empty());
    EXPECT_FALSE(load_word_list(dir.file("missing"), words, 1000, 3, true));
}

}  // namespace
