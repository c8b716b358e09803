#include "resultsdb/results_db_open.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cmdline/bodyfile_record.h"
#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_test_support.h"

namespace {

using results_test::connection;
using results_test::table;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// Options parsed from a command line, as the tool's own run would have them.
struct parsed_options {
    explicit parsed_options(std::vector<std::string> args) {
        EXPECT_TRUE(options.parse_common_options(args));
    }
    cmd_params options{0, false};
};

TEST(OpenResultsDb, WithoutSqliteOnlyAttachesTheWriter) {
    parsed_options p({"velk", "-csv"});
    cmd_params& options = p.options;
    const std::string separator = options.m_separator;
    const bool pad = options.m_pad;
    results_db_writer writer;
    EXPECT_TRUE(open_results_db(writer, "gen", options));
    EXPECT_EQ(options.m_results_db, &writer);
    EXPECT_EQ(options.m_separator, separator);
    EXPECT_EQ(options.m_pad, pad);
    EXPECT_FALSE(writer.is_open());
}

TEST(OpenResultsDb, BodyFileOutputGoesToTheGenericTable) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("r.db");
    parsed_options p({"velk", "-sqlite", path, "-bodyfile"});
    cmd_params& options = p.options;
    options.m_header_pending = false;
    results_db_writer writer;
    ASSERT_TRUE(open_results_db(writer, "gen headers", options));
    EXPECT_EQ(options.m_results_db, &writer);
    EXPECT_EQ(options.m_separator, "|");
    EXPECT_TRUE(options.m_no_whitespace);
    EXPECT_FALSE(options.m_pad);
    EXPECT_TRUE(options.m_header_pending);
    EXPECT_EQ(writer.metadata().col_hdrs,
              "md5|name|inode|mode as string|uid|gid|size|access time|modify time|mft time|"
              "create time");
    EXPECT_EQ(writer.metadata().gen_hdrs, "gen headers");
    EXPECT_EQ(writer.metadata().data_tbl_name, "generic_data");

    bodyfile_record record;
    record.m_name = "evil.exe";
    record.m_times.modified = 1;
    record.m_times.accessed = 2;
    record.m_times.changed = 3;
    record.m_times.created = 4;
    record.m_results_db = options.m_results_db;
    record.m_options = &options;
    std::ostringstream out;
    (void)write_bodyfile_record(options.m_header_pending, out, record);
    ASSERT_TRUE(writer.flush_rows());
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(connection(path).rows("select val1, val2, val3, val4, str1 from generic_data"),
              (table{{"1", "2", "3", "4", "evil.exe"}}));
}

struct form_case {
    const char* name;
    bool cmd_params_settings::*form;
    bool header_pending;
    const char* col_hdrs;
    const char* gen_hdrs;
    const char* data_tbl_name;
};

const form_case form_cases[] = {
    {"csv", &cmd_params_settings::m_csv, true, "", "gen", "generic_data"},
    {"l2t", &cmd_params_settings::m_csvl2t, true,
     "date|time|timezone|MACB|source|sourcetype|type|user|host|short|desc|version|filename|"
     "inode|notes|format|extra",
     "gen", "generic_data"},
    {"extra_a", &cmd_params_settings::m_extra_form_a, true, "", "", "unk"},
    // A plain open: the writer's run record is left as it was.
    {"extra_b", &cmd_params_settings::m_extra_form_b, false, "", "", ""},
};

class OpenResultsDbForms : public ::testing::TestWithParam<form_case> {};

TEST_P(OpenResultsDbForms, FormDecidesTheRunsColumns) {
    velk_test::temp_dir dir;
    cmd_params options(0, false);
    options.m_sqlite = true;
    options.m_sqlite_path = dir.file("r.db");
    options.*GetParam().form = true;
    options.m_header_pending = false;
    results_db_writer writer;
    ASSERT_TRUE(open_results_db(writer, "gen", options));
    EXPECT_TRUE(writer.is_open());
    EXPECT_FALSE(writer.is_read_only());
    EXPECT_EQ(options.m_header_pending, GetParam().header_pending);
    EXPECT_EQ(writer.metadata().col_hdrs, GetParam().col_hdrs);
    EXPECT_EQ(writer.metadata().gen_hdrs, GetParam().gen_hdrs);
    EXPECT_EQ(writer.metadata().data_tbl_name, GetParam().data_tbl_name);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenResultsDbForms, ::testing::ValuesIn(form_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(OpenResultsDb, WithoutAFormAnExistingFileIsOpenedForReading) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("r.db");
    ASSERT_TRUE(connection(path).exec("create table x (a);"));
    cmd_params options(0, false);
    options.m_sqlite = true;
    options.m_sqlite_path = path;
    results_db_writer writer;
    ASSERT_TRUE(open_results_db(writer, "gen", options));
    EXPECT_TRUE(writer.is_read_only());
    EXPECT_EQ(connection(path).rows("select count(*) from sqlite_master"), (table{{"1"}}));
}

struct failed_open_case {
    const char* name;
    const char* form;  // nullptr: none of the forms
    const char* message;
};

const failed_open_case failed_open_cases[] = {
    {"read_only_missing", nullptr, "Issue opening db for read, aborting\n"},
    {"csv_unwritable", "-csv", "Issue with initializing SQLite, aborting\n"},
};

class OpenResultsDbFails : public ::testing::TestWithParam<failed_open_case> {};

TEST_P(OpenResultsDbFails, ReportsOnceAndDetachesTheWriter) {
    velk_test::temp_dir dir;
    velk_test::write_file(dir.file("plain"), "x");
    const bool read_only = GetParam().form == nullptr;
    // A folder that is a file cannot be created, whoever runs the test.
    const std::string path = read_only ? dir.file("missing.db") : dir.file("plain/r.db");
    std::vector<std::string> args = {"velk", "-sqlite", path};
    if (!read_only) {
        args.emplace_back(GetParam().form);
    }
    parsed_options p(args);
    cmd_params& options = p.options;
    results_db_writer writer;
    CaptureStderr();
    EXPECT_FALSE(open_results_db(writer, "gen", options));
    EXPECT_EQ(GetCapturedStderr(), GetParam().message);
    EXPECT_EQ(options.m_results_db, nullptr);
    EXPECT_EQ(options.m_separator, "|");  // the output stays switched
    EXPECT_FALSE(writer.is_open());
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenResultsDbFails, ::testing::ValuesIn(failed_open_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(OpenResultsDb, EmptySqlitePathFailsBeforeAnyChange) {
    cmd_params options(0, false);
    options.m_sqlite = true;
    results_db_writer writer;
    EXPECT_FALSE(open_results_db(writer, "gen", options));
    EXPECT_EQ(options.m_results_db, nullptr);
    EXPECT_EQ(options.m_separator, " | ");
}

TEST(FillResultsMetadata, DescribesTheTableAndItsOutput) {
    cmd_params options(0, false);
    options.m_separator = "|";
    table_layout layout;
    layout.name = "t";
    layout.add_column("metaref", "integer");
    layout.add_column("a", "varchar");
    struct file_case {
        const char* out_path;
        const char* out_dir;
        const char* folder;
        const char* file;
    };
    for (const file_case& c : std::vector<file_case>{{"/o/r.txt", "/o", "/x", "/o/r.txt [output]"},
                                                     {"", "/o", "/x", "/o [output]"},
                                                     {"", "", "/x", "/x [folder analyzed]"},
                                                     {"", "", "", ""}}) {
        options.m_out_path = c.out_path;
        options.m_out_dir = c.out_dir;
        options.m_analyzed_folder = c.folder;
        metadata_record run;
        int64 key = 0;
        fill_results_metadata(run, key, options, layout, 7);
        EXPECT_EQ(run.file, c.file);
        EXPECT_EQ(run.col_hdrs, "metaref|a");
        EXPECT_EQ(run.col_types, "integer|varchar");
        EXPECT_EQ(run.gen_hdrs, "not used");
        EXPECT_EQ(run.data_tbl_name, "t");
        EXPECT_EQ(run.row_data_start, 8);
        EXPECT_EQ(key, run.runtime);
        EXPECT_NE(key, 0);
    }
    options.m_compress = true;
    metadata_record run;
    int64 key = 0;
    fill_results_metadata(run, key, options, layout, 0);
    EXPECT_EQ(run.file_other, "gzip requested");
}

}  // namespace
