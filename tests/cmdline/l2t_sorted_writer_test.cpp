#include "cmdline/l2t_sorted_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/output_test_support.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_test_support.h"
#include "resultsdb/results_db_writer.h"
#include "time/type_time.h"

namespace {

using output_test::field_count;
using output_test::parsed_options;
using output_test::split_lines;

// 2020-12-11 19:11:35.902 UTC and one minute later.
constexpr uint64 t1 = 132521874959025799ULL;
constexpr uint64 t2 = 132521875559025799ULL;
// The same two moments cut to whole seconds, as Unix seconds and as FILETIME.
constexpr int64 s1_unix = 1607713895;
constexpr int64 s2_unix = 1607713955;
constexpr uint64 s1 = 132521874950000000ULL;
constexpr uint64 s2 = 132521875550000000ULL;

const std::string header =
    "date,time,timezone,MACB,source,sourcetype,type,user,host,short,desc,version,filename,"
    "inode,notes,format,extra";

// M, A and C at t1, B at t2, default labels, an extra and a desc holding the separator and
// line breaks.
struct sorted_report {
    explicit sorted_report(std::vector<std::string> args)
        : options(parsed_options(std::move(args))) {
        context.init_from_options(&options);
        context.set_times(static_cast<int64>(t1), static_cast<int64>(t1), static_cast<int64>(t1),
                          static_cast<int64>(t2), kq::tt_filetime);
        context.set_default_labels();
        context.m_extra = "a,b\r\nc";
        context.m_desc = "x\ny";
    }
    std::string write() {
        std::ostringstream out;
        EXPECT_EQ(write_l2t_rows_sorted(options.m_header_pending, out, context), 1);
        return out.str();
    }

    cmd_params options;
    timeline_context context;
};

TEST(L2tSorted, OneLinePerMomentInTimeOrderWithTheHeaderOnce) {
    sorted_report report({"-csvl2t"});
    const std::string tail = ",,,,x[LF]y,2,,,,velk (vestrel),a b[CRLF]c";
    EXPECT_EQ(split_lines(report.write()),
              (std::vector<std::string>{header,
                                        "2020-12-11, 19:11:35.902,UTC,MAC.,,,"
                                        "Last Modified; Last Access; Metadata Changed" +
                                            tail,
                                        "2020-12-11, 19:12:35.902,UTC,...B,,,Created" + tail}));
    EXPECT_FALSE(report.options.m_header_pending);
    // The context's texts now hold what the lines show; writing again changes nothing.
    EXPECT_EQ(report.context.m_extra, "a b[CRLF]c");
    EXPECT_EQ(report.context.m_desc, "x[LF]y");
    const std::vector<std::string> again = split_lines(report.write());
    ASSERT_EQ(again.size(), 2U);
    EXPECT_NE(again[0].find(",x[LF]y,2,"), std::string::npos) << again[0];
}

TEST(L2tSorted, ContextTypeReplacesEveryLinesType) {
    sorted_report report({"-csvl2t"});
    report.context.m_type = "file";
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_NE(lines[1].find(",MAC.,,,file,"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(",...B,,,file,"), std::string::npos) << lines[2];
}

// Every text column may carry the separator (a label, a user name, a path): none may add a
// field to the line.
TEST(L2tSorted, SeparatorsInEveryTextColumnAreNeutralised) {
    sorted_report report({"-csvl2t", "-username", "al,ice", "-hostname", "bo,x"});
    timeline_context& context = report.context;
    context.set_labels("Last, Modified", "Last Access", "Metadata Changed", "Created");
    context.m_source = "s,rc";
    context.m_sourcetype = "type,a";
    context.m_short = "sh,ort";
    context.m_filename = "f,ile";
    context.m_inode = "1,2";
    context.m_notes = "no,tes";
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[1],
              "2020-12-11, 19:11:35.902,UTC,MAC.,s rc,type a,"
              "Last  Modified; Last Access; Metadata Changed,al ice,bo x,sh ort,x[LF]y,2,f ile,"
              "1 2,no tes,velk (vestrel),a b[CRLF]c");
    EXPECT_EQ(field_count(lines[2], ','), field_count(header, ','));
    EXPECT_EQ(context.m_short, "sh ort");
    EXPECT_EQ(context.m_filename, "f ile");
    EXPECT_EQ(context.m_notes, "no tes");
}

TEST(L2tSorted, WithoutDelimiterValuesAreQuoted) {
    sorted_report report({"-csvl2t", "-enable_quoted_csv_fields"});
    ASSERT_EQ(report.options.m_delimiter, 0);
    report.context.set_labels("Last, Modified", "", "", "");
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_NE(lines[1].find(",\"Last, Modified\","), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(",\"a,b[CRLF]c\""), std::string::npos) << lines[1];
    EXPECT_EQ(report.context.m_extra, "a,b[CRLF]c");  // no replacement without a delimiter
}

TEST(L2tSorted, NtfsColumnsEndEveryLine) {
    sorted_report report({"-csvl2t"});
    report.context.set_ntfs_extras(1, 0x0000FFFFFFFFFFFFULL, 7, 3, 4096, "txt", nullptr);
    report.context.m_header_info = {0x41, 0x42};
    const std::vector<std::string> lines = split_lines(report.write());
    ASSERT_EQ(lines.size(), 3U);
    const std::string header_tail =
        ",ref count,extension,size data,inode seqnum,parent inode,parent seqnum,clusters,"
        "header info";
    EXPECT_EQ(lines[0], header + header_tail);
    const std::string line_tail = ",0x0001,txt,0x001000,0x0003,0x00000005,0x0000,,41 42 ";
    EXPECT_TRUE(lines[1].ends_with(line_tail)) << lines[1];
    EXPECT_TRUE(lines[2].ends_with(line_tail)) << lines[2];
}

struct filter_case {
    const char* name;
    uint64 start;
    uint64 end;
    std::size_t lines;  // header included
};

const filter_case filter_cases[] = {
    {"no_filter", 0, 0, 3},           {"both_inclusive", s1, s2, 3},
    {"first_only", s1, s2 - 1, 2},    {"second_only", s1 + 1, s2, 2},
    {"after_all", s2 + 1, s2 + 2, 1}, {"start_without_end", s1, 0, 1},
};

class L2tSortedFilter : public ::testing::TestWithParam<filter_case> {};

// The filter is in FILETIME whatever unit the times are kept in.
TEST_P(L2tSortedFilter, WritesOnlyMomentsInside) {
    const filter_case& c = GetParam();
    sorted_report report({"-csvl2t"});
    report.context.set_times(s2_unix, s1_unix, 0, 0, kq::tt_unix);
    report.context.m_filter_start = c.start;
    report.context.m_filter_end = c.end;
    const std::vector<std::string> lines = split_lines(report.write());
    EXPECT_EQ(lines.size(), c.lines);
    if (lines.size() > 1) {
        EXPECT_EQ(lines[1].substr(0, 24),
                  c.start > s1 ? "2020-12-11, 19:12:35.000" : "2020-12-11, 19:11:35.000");
    }
    // Texts change only once a line is written.
    EXPECT_EQ(report.context.m_desc, c.lines > 1 ? "x[LF]y" : "x\ny");
}

INSTANTIATE_TEST_SUITE_P(Cases, L2tSortedFilter, ::testing::ValuesIn(filter_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(L2tSorted, NoTimesWriteTheHeaderOnly) {
    timeline_context context;
    bool pending = true;
    std::ostringstream out;
    EXPECT_EQ(write_l2t_rows_sorted(pending, out, context), 1);
    EXPECT_FALSE(pending);
    EXPECT_EQ(out.str(), header + "\n");
}

// An open results log takes the lines keyed by the moment's FILETIME, also when the times
// are kept in another unit.
TEST(L2tSorted, ResultsLogGetsTheMomentAsFiletime) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("results.db");
    metadata_record run;
    results_db_writer writer;
    ASSERT_TRUE(writer.open(path, run, true));
    sorted_report report({"-csvl2t"});
    report.context.m_results_db = &writer;
    report.context.m_sourcetype = "MFT";
    report.context.set_times(s2_unix, s1_unix, 0, 0, kq::tt_unix);
    EXPECT_EQ(report.write(), "");
    ASSERT_TRUE(writer.flush_rows());
    writer.close();
    EXPECT_EQ(results_test::connection(path).rows(
                  "select val1, str1, str2 from generic_data order by rowid"),
              (results_test::table{{std::to_string(s1), ".A..", "MFT"},
                                   {std::to_string(s2), "M...", "MFT"}}));
}

}  // namespace
