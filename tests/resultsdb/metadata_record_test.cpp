#include "resultsdb/metadata_record.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "resultsdb/generic_data_row.h"
#include "resultsdb/results_db_test_support.h"

namespace {

using results_test::frozen_clock;

std::vector<std::string> twenty_values() {
    return {"7",    "1",     "0x10", "cmd", "gen",   "col",  "types", "extra", "host", "user",
            "file", "other", "258",  "|",   "notes", "velk", "art",   "tbl",   "x",    "9"};
}

TEST(MetadataRecord, ClearTakesTheDefaultsAndTheCurrentTime) {
    const frozen_clock clock(results_test::frozen_time);
    metadata_record run;
    run.notes = "n";
    run.column_names = {"[1-a]"};
    run.numbered_columns = false;
    run.clear();
    EXPECT_EQ(
        std::make_tuple(run.runtime, run.output_option, run.notes.empty(), run.column_names.empty(),
                        run.numbered_columns, run.long_column_names),
        std::make_tuple(results_test::frozen_time, int64{261}, true, true, true, false));
}

TEST(MetadataRecord, RowOfTwentyValuesFillsTheColumnsInOrder) {
    metadata_record run;
    ASSERT_TRUE(run.parse_row(twenty_values(), false));
    EXPECT_EQ(
        std::make_tuple(run.runtime, run.chunk, run.parent, run.cmdline, run.separator,
                        run.output_option, run.data_tbl_name, run.row_data_start, run.row_data_end),
        std::make_tuple(int64{7}, int64{1}, int64{16}, std::string("cmd"), std::string("|"),
                        int64{258}, std::string("tbl"), int64{0}, int64{9}));
    std::vector<std::string> short_row = twenty_values();
    short_row.pop_back();
    EXPECT_FALSE(run.parse_row(short_row, true));
    EXPECT_EQ(run.cmdline, "cmd");  // kept
    EXPECT_FALSE(run.parse_row(short_row, false));
    EXPECT_EQ(run.cmdline, "");  // cleared
}

TEST(MetadataRecord, ExecRowNeedsTwentyNamesAndValuesAndReadsNullAsEmpty) {
    std::vector<std::string> names(20, "c");
    std::array<const char*, 20> values{};
    values[0] = "5";
    values[3] = "cmd";
    values[12] = "bad";
    metadata_record run;
    ASSERT_TRUE(run.parse_values(names, 20, values.data()));
    EXPECT_EQ(std::make_tuple(run.runtime, run.cmdline, run.output_option, run.host),
              std::make_tuple(int64{5}, std::string("cmd"), int64{0}, std::string()));
    EXPECT_FALSE(run.parse_values(names, 19, values.data()));
    names.pop_back();
    EXPECT_FALSE(run.parse_values(names, 20, values.data()));
}

TEST(MetadataRecord, OptionsGiveTheRunItsDescription) {
    struct form_case {
        bool csv, csvl2t, bodyfile, xml;
        int64 expected;
    };
    for (const form_case& c :
         {form_case{true, true, true, true, 258}, form_case{false, true, true, true, 259},
          form_case{false, false, true, true, 260}, form_case{false, false, false, true, 257},
          form_case{false, false, false, false, 261}}) {
        cmd_params options(0, false);
        std::vector<std::string> args = {"velk", "-username", "alice", "-hostname", "box"};
        ASSERT_TRUE(options.parse_common_options(args));
        options.m_artifact_type = "push";
        options.m_csv = c.csv;
        options.m_csvl2t = c.csvl2t;
        options.m_bodyfile = c.bodyfile;
        options.m_xml = c.xml;
        metadata_record run;
        run.fill_from_options(options);
        EXPECT_EQ(std::make_tuple(run.output_option, run.user, run.host, run.toolname,
                                  run.artifact_type, run.separator),
                  std::make_tuple(c.expected, std::string("alice"), std::string("box"),
                                  std::string("velk"), std::string("push"), options.m_separator))
            << c.expected;
    }
    cmd_params no_host(0, false);
    metadata_record run;
    run.fill_from_options(no_host);
    EXPECT_FALSE(run.host.empty());  // the machine's own name, or "<unk>"
}

TEST(GenericDataRow, RowOfNineValuesFillsNumbersThenTexts) {
    generic_data_row row;
    ASSERT_TRUE(row.parse_row({"9", "1", "2", "3", "4", "x", "s1", "s2", "out"}));
    EXPECT_EQ(std::make_tuple(row.metaref, row.val1, row.val4, row.val5, row.str1, row.str2,
                              row.desired_output),
              std::make_tuple(int64{9}, int64{1}, int64{4}, int64{0}, std::string("s1"),
                              std::string("s2"), std::string("out")));
    EXPECT_FALSE(row.parse_row({"9"}));
    EXPECT_EQ(row.metaref, 0);
}

}  // namespace
