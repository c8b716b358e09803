#include "cmdline/mft_csv_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/output_test_support.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_test_support.h"
#include "resultsdb/results_db_writer.h"

namespace {

using output_test::field_count;
using output_test::parsed_options;
using output_test::split_lines;

// 2020-12-11 19:11:35.902 UTC and one minute later.
constexpr uint64 t1 = 132521874959025799ULL;
constexpr uint64 t2 = 132521875559025799ULL;

const std::string separate_header =
    "mft entry|mft seqnum|parent mft|par seqnum|type|ext|ref|size data|date|time-utc|MACB|"
    "data type|other info|name|path|various data types";
const std::string long_line =
    "0x00000028|3|0x00000005|0|file|txt|1|0x00001000|2020-12-11|19:11:35.902|si:[macb]|||"
    "a.txt||";
const std::string short_line =
    "0x00000028|3|0x00000005|0|file (FN 8.3)|txt|1|0x00001000|2020-12-11|19:11:35.902|"
    "si:[macb]; fn8.3[m...]|||A~1.TXT||";

// A record with every si time at t1, a long name and a short name's m time at t1.
struct mft_report {
    explicit mft_report(std::vector<std::string> args) : options(parsed_options(std::move(args))) {
        context.init_from_options(&options);
        context.set_ntfs_extras(1, 0x0000FFFFFFFFFFFFULL, 7, 3, 4096, "txt", nullptr);
        context.set_inode(40);
        context.m_notes = "file";
        timeline_add_macb_times(timeline, 1, t1, t1, t1, t1, L"a.txt", false);
        timeline_add_macb_times(timeline, 3, t1, 0, 0, 0, L"A~1.TXT", true);
    }
    std::string write() {
        std::ostringstream out;
        EXPECT_EQ(write_mft_csv(options.m_header_pending, out, timeline, context), 1);
        return out.str();
    }

    cmd_params options;
    timeline_context context;
    mft_timeline timeline;
};

TEST(MftCsv, LongAndShortNameLinesAfterTheHeader) {
    mft_report report({"-no_whitespace"});
    EXPECT_EQ(report.write(), separate_header + "\n" + long_line + "\n" + short_line + "\n");
    EXPECT_FALSE(report.options.m_header_pending);
    EXPECT_EQ(report.options.m_columns.size(), 16U);

    // Without a pending header the rows alone.
    EXPECT_EQ(report.write(), long_line + "\n" + short_line + "\n");
}

TEST(MftCsv, PairedDateAndTimeShareOneColumn) {
    mft_report report({"-no_whitespace", "-pair_datetime"});
    EXPECT_EQ(split_lines(report.write()),
              (std::vector<std::string>{
                  "mft entry|mft seqnum|parent mft|par seqnum|type|ext|ref|size data|"
                  "date/time-utc|MACB|data type|other info|name|path|various data types",
                  "0x00000028|3|0x00000005|0|file|txt|1|0x00001000|2020-12-11 19:11:35.902|"
                  "si:[macb]|||a.txt||",
                  "0x00000028|3|0x00000005|0|file (FN 8.3)|txt|1|0x00001000|"
                  "2020-12-11 19:11:35.902|si:[macb]; fn8.3[m...]|||A~1.TXT||"}));
}

TEST(MftCsv, PaddedTableWidthsAndThePadBlankOfTheTimeCaption) {
    mft_report report({});
    report.context.m_desc = "$DATA";
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0],
              "mft entry  | mft seqnum | parent mft | par seqnum | type    | ext       | ref | "
              "size data  | date       |  time-utc     | MACB                              | "
              "data type      | other info     | name            | "
              "path                                                         | "
              "various data types                                                                 "
              "                 ");
    EXPECT_EQ(lines[1],
              "0x00000028 |          3 | 0x00000005 |          0 | file    | txt       |   1 | "
              "0x00001000 | 2020-12-11 |  19:11:35.902 | si:[macb]                         | "
              "$DATA          |                | a.txt           | "
              "                                                             | "
              "                                                                                 "
              "                   ");
}

TEST(MftCsv, MomentsWithoutNamesOrOutsideTheFilterGiveNoLine) {
    mft_report report({"-no_whitespace"});
    timeline_add_macb_times(report.timeline, 1, t2, 0, 0, 0, nullptr, false);
    EXPECT_EQ(split_lines(report.write()).size(), 3U);  // nothing for t2

    report.options.m_header_pending = true;
    report.context.m_filter_start = t2;
    report.context.m_filter_end = t2;
    EXPECT_EQ(report.write(), separate_header + "\n");

    report.context.m_filter_start = t1;
    report.context.m_filter_end = 0;  // a start with no end lets nothing through
    EXPECT_EQ(report.write(), "");
    report.context.m_filter_end = t1;
    EXPECT_EQ(split_lines(report.write()).size(), 2U);
}

TEST(MftCsv, StreamNameAndPathOnLongNameLines) {
    mft_report report({"-no_whitespace"});
    macb_flags& entry = report.timeline.at(t1);
    entry.m_stream_name = "Zone.Identifier";
    entry.m_path = "/Users/a";
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_NE(lines[1].find("|a.txt:Zone.Identifier|/Users/a|"), std::string::npos);
    EXPECT_NE(lines[2].find("|A~1.TXT|/Users/a|"), std::string::npos);
}

TEST(MftCsv, WithoutOptionsNothingIsWritten) {
    timeline_context context;
    mft_timeline timeline;
    timeline_add_macb_times(timeline, 1, t1, 0, 0, 0, L"a.txt", false);
    bool pending = true;
    std::ostringstream out;
    EXPECT_EQ(write_mft_csv(pending, out, timeline, context), 1);
    EXPECT_FALSE(pending);
    EXPECT_EQ(out.str(), "");
}

struct column_case {
    const char* name;
    bool no_size_data;
    bool clusters;
    bool hashes;
    bool extracted_path;
    bool header_info;
    const char* header;
};

const column_case column_cases[] = {
    {"no_size_data", true, true, false, false, false,
     "mft entry|mft seqnum|parent mft|par seqnum|type|ext|ref|date|time-utc|MACB|other info|"
     "name|path|various data types"},
    {"clusters", false, true, false, false, false,
     "mft entry|mft seqnum|parent mft|par seqnum|type|ext|ref|size data|date|time-utc|MACB|"
     "data type|other info|name|path|clusters/relevant data"},
    {"hashes_twice_sha1", false, false, true, false, false,
     "mft entry|mft seqnum|parent mft|par seqnum|type|ext|ref|size data|date|time-utc|MACB|"
     "data type|other info|MD5 hash|SHA1 hash|SHA1 hash|name|path|various data types"},
    {"extracted_path_wins", false, false, false, true, true,
     "mft entry|mft seqnum|parent mft|par seqnum|type|ext|ref|size data|date|time-utc|MACB|"
     "data type|other info|name|path|various data types|extracted path/file"},
    {"header_info", false, false, false, false, true,
     "mft entry|mft seqnum|parent mft|par seqnum|type|ext|ref|size data|date|time-utc|MACB|"
     "data type|other info|name|path|various data types|header info"},
};

class MftCsvColumns : public ::testing::TestWithParam<column_case> {};

TEST_P(MftCsvColumns, CaptionsFollowTheContextsChoices) {
    const column_case& c = GetParam();
    mft_report report({"-no_whitespace"});
    timeline_context& context = report.context;
    context.m_no_size_data = c.no_size_data;
    context.m_clusters_column = c.clusters;
    context.m_md5_column = c.hashes;
    context.m_sha1_column = c.hashes;
    context.m_sha1_second_column = c.hashes;
    context.m_extracted_path_column = c.extracted_path;
    context.m_header_info_column = c.header_info;
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0], c.header);
    EXPECT_EQ(field_count(lines[1], '|'), field_count(lines[0], '|'));
    EXPECT_EQ(field_count(lines[2], '|'), field_count(lines[0], '|'));
}

INSTANTIATE_TEST_SUITE_P(Cases, MftCsvColumns, ::testing::ValuesIn(column_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MftCsv, ContextTextsFillTheirCells) {
    mft_report report({"-no_whitespace"});
    timeline_context& context = report.context;
    context.m_md5_column = true;
    context.m_sha1_column = true;
    context.m_sha1_second_column = true;
    context.m_clusters_column = true;
    context.m_extracted_path_column = true;
    context.m_desc = "$DATA";
    context.m_extra = "resident";
    context.m_md5_text = "md5";
    context.m_sha1_text = "sha1";
    context.m_sha1_second_text = "sha1b";
    context.set_ntfs_extras(1, 0x0000FFFFFFFFFFFFULL, 7, 3, 4096, "txt", "100-107");
    context.m_extracted_path = "/out/a.txt";
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[1],
              "0x00000028|3|0x00000005|0|file|txt|1|0x00001000|2020-12-11|19:11:35.902|"
              "si:[macb]|$DATA|resident|md5|sha1|sha1b|a.txt||100-107|/out/a.txt");
}

struct header_info_case {
    const char* name;
    std::vector<uint8> bytes;
    bool string_mode;
    const char* cell;  // the last cell of the long-name line
};

const header_info_case header_info_cases[] = {
    {"empty", {}, false, ""},
    {"one_byte_hex", {0x41}, false, "41"},
    {"odd_hex", {0x46, 0x49, 0x4C}, false, "46 49 4c"},
    {"text_strings",
     {'F', 'I', 'L', 'E', '0', 0, 'N', 'a', 'm', 'e', 's', '!'},
     true,
     "FILE0; Names!"},
    {"short_text_nothing", {'F', 'I', 'L'}, true, ""},
    {"one_byte_strings", {0xFF}, true, ""},
    {"all_ff_strings", std::vector<uint8>(301, 0xFF), true, ""},
    {"utf16_strings", {'a', 0, 'b', 0, 'c', 0, 'd', 0, 'e', 0}, true, "abcde"},
};

class MftCsvHeaderInfo : public ::testing::TestWithParam<header_info_case> {};

TEST_P(MftCsvHeaderInfo, BytesAsStringsOrHex) {
    const header_info_case& c = GetParam();
    mft_report report({"-no_whitespace"});
    report.context.m_header_info_column = true;
    report.context.m_header_info = c.bytes;
    report.context.m_string_mode = c.string_mode;
    report.options.m_header_pending = false;
    report.options.m_columns.resize(17);  // the list the header would have made
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 2U);
    const std::string& line = lines[0];
    EXPECT_EQ(line.substr(line.rfind('|') + 1), c.cell);
}

INSTANTIATE_TEST_SUITE_P(Cases, MftCsvHeaderInfo, ::testing::ValuesIn(header_info_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MftCsv, AllFfHeaderInfoInHexIsWrittenWhole) {
    mft_report report({"-no_whitespace"});
    report.context.m_header_info_column = true;
    report.context.m_header_info.assign(301, 0xFF);
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    const std::string last = lines[1].substr(lines[1].rfind('|') + 1);
    EXPECT_EQ(last.size(), 301U * 3 - 1);
    EXPECT_EQ(last.substr(0, 6), "ff ff ");
}

TEST(MftCsv, RowsTakeOnlyAsManyCellsAsTheOptionsHaveColumns) {
    mft_report report({"-no_whitespace"});
    report.options.m_header_pending = false;  // the column list is not rebuilt
    report.options.m_columns.resize(3);
    EXPECT_EQ(report.write(), "0x00000028|3|0x00000005\n0x00000028|3|0x00000005\n");
    report.options.m_columns.clear();
    EXPECT_EQ(report.write(), "");
    report.options.m_columns.resize(300);
    EXPECT_EQ(report.write(), "");
}

// Each value is quoted once, by the table writer and only when it needs it: a value quoted
// when the row is built as well would read back with the quotes inside it.
TEST(MftCsv, QuotedCsvFieldsReadBackAsTheirValues) {
    mft_report report({"-csv", "-enable_quoted_csv_fields"});
    report.context.m_extra = "a,b \"c\"";
    report.context.m_desc = "plain";
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[1],
              "0x00000028,3,0x00000005,0,file,txt,1,0x00001000,2020-12-11,19:11:35.902,"
              "si:[macb],plain,\"a,b \"\"c\"\"\",a.txt,,");
}

// A results log attached to the options takes the header and the rows instead of the
// stream, told that val1 holds the moment, val3 the size and str1 the MACB letters.
TEST(MftCsv, AttachedResultsLogTakesTheLines) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("results.db");
    metadata_record run;
    results_db_writer writer;
    ASSERT_TRUE(writer.open(path, run, true));
    mft_report report({"-no_whitespace"});
    report.options.m_sqlite = true;
    report.options.m_results_db = &writer;
    report.context.m_results_db = &writer;
    report.context.m_filename = "kept out";
    writer.set_file("before");

    EXPECT_EQ(report.write(), "");
    EXPECT_EQ(writer.metadata().gen_hdrs, "date|null|size data|null|null|MACB|path|output");
    EXPECT_EQ(writer.metadata().file, "");
    EXPECT_EQ(writer.metadata().col_hdrs, separate_header);
    ASSERT_EQ(writer.pending_count(), 2U);
    ASSERT_TRUE(writer.flush_rows());
    writer.close();
    EXPECT_EQ(results_test::connection(path).rows(
                  "select val1, val3, str1, str2, desired_output from generic_data order by rowid"),
              (results_test::table{
                  {std::to_string(t1), "4096", "si:[macb]", "", long_line},
                  {std::to_string(t1), "4096", "si:[macb]; fn8.3[m...]", "", short_line}}));
}

}  // namespace
