#include "cmdline/l2t_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/output_test_support.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_writer.h"
#include "time/type_time.h"

namespace {

using output_test::field_count;
using output_test::parsed_options;
using output_test::split_lines;

// 2020-12-11 19:11:35.9025799 UTC and one minute later.
constexpr uint64 arrival = 132521874959025799ULL;
constexpr uint64 expiry = 132521875559025799ULL;

const std::string combined_header =
    "date/time,timezone,MACB,source,sourcetype,type,user,host,short,desc,version,filename,"
    "inode,notes,format,extra";

void merge(timeline_collector& collector, uint64 filetime, const char* marks,
           const char* description) {
    timeline_event event(filetime, marks, description, "VELK_DB", nullptr, nullptr, nullptr,
                         nullptr, kq::tt_filetime);
    ASSERT_TRUE(collector.merge_event(event));
}

TEST(L2tHeader, CaptionsOfEachLayout) {
    std::ostringstream combined;
    write_l2t_header(combined, ",", false, true);
    EXPECT_EQ(combined.str(), combined_header);

    std::ostringstream separate;
    write_l2t_header(separate, "|", true, false);
    EXPECT_EQ(separate.str(),
              "date|time|timezone|MACB|source|sourcetype|type|user|host|short|desc|version|"
              "filename|inode|notes|format|extra|ref count|extension|size data|inode seqnum|"
              "parent inode|parent seqnum|clusters|header info");
}

TEST(L2tContext, InitFromOptionsTakesTheOutputSettings) {
    cmd_params options = parsed_options(
        {"-csvl2t", "-pair_datetime", "-username", "alice", "-hostname", "box", "-base10"});
    timeline_context context;
    EXPECT_EQ(context.m_format, "-csvl2t");
    context.init_from_options(&options);
    EXPECT_EQ(context.m_format, "velk (vestrel)");
    EXPECT_EQ(context.m_user, "alice");
    EXPECT_EQ(context.m_host, "box");
    EXPECT_EQ(context.m_separator, ",");
    EXPECT_EQ(context.m_replace_from, ',');
    EXPECT_TRUE(context.m_pair_datetime);
    EXPECT_TRUE(context.m_pad);
    EXPECT_FALSE(context.m_hex_numbers);
    EXPECT_EQ(context.m_options, &options);
    context.set_defaults();
    EXPECT_EQ(context.m_options, nullptr);
    EXPECT_EQ(context.m_timezone, "UTC");
    EXPECT_EQ(context.m_format, "-csvl2t");
}

TEST(L2tRows, OneLinePerTimeWithTheHeaderOnce) {
    cmd_params options =
        parsed_options({"-csvl2t", "-pair_datetime", "-username", "alice", "-hostname", "box"});
    timeline_collector collector;
    collector.init_from_options(&options);
    collector.m_sourcetype = "PushNotification artifact";
    collector.m_short = "app (toast)";
    collector.m_notes = "PrimaryID: app";
    collector.m_extra = "db: /tmp/x.db";
    merge(collector, expiry, "C", "ExpiryTime");
    merge(collector, arrival, "B", "ArrivalTime");
    merge(collector, arrival, "C", "ExpiryTime");

    std::ostringstream out;
    EXPECT_EQ(write_l2t_rows(options.m_header_pending, out, collector), 1);
    EXPECT_FALSE(options.m_header_pending);
    const std::string tail =
        ",alice,box,app (toast),,2,,,PrimaryID: app,velk (vestrel),db: /tmp/x.db";
    EXPECT_EQ(split_lines(out.str()),
              (std::vector<std::string>{
                  combined_header,
                  " 2020-12-11 19:11:35.902,UTC,..CB,VELK_DB,PushNotification artifact,"
                  "ExpiryTime; ArrivalTime" +
                      tail,
                  " 2020-12-11 19:12:35.902,UTC,..C.,VELK_DB,PushNotification artifact,"
                  "ExpiryTime" +
                      tail}));

    std::ostringstream again;
    (void)write_l2t_rows(options.m_header_pending, again, collector);
    EXPECT_EQ(split_lines(again.str()).size(), 2U);  // no second header
}

TEST(L2tRows, SeparateDateAndTimeLowerCaseMarksNoLineEnds) {
    timeline_collector collector;  // defaults, no options: pad off
    collector.m_pad = true;
    collector.m_lower_macb = true;
    merge(collector, arrival, "B", "ArrivalTime");
    merge(collector, expiry, "C", "ExpiryTime");
    bool pending = false;
    std::ostringstream out;
    (void)write_l2t_rows(pending, out, collector);
    EXPECT_EQ(out.str(),
              "2020-12-11, 19:11:35.902,UTC,...b,VELK_DB,,ArrivalTime,,,,,2,,,,-csvl2t,\n"
              "2020-12-11, 19:12:35.902,UTC,..c.,VELK_DB,,ExpiryTime,,,,,2,,,,-csvl2t,\n");

    cmd_params options = parsed_options({"-csvl2t"});
    options.m_record_newline = false;
    collector.m_options = &options;
    std::ostringstream joined;
    (void)write_l2t_rows(pending, joined, collector);
    EXPECT_EQ(joined.str().find('\n'), std::string::npos);
}

struct filter_case {
    const char* name;
    uint64 start;
    uint64 end;
    std::size_t lines;  // header included
};

const filter_case filter_cases[] = {
    {"NoFilter", 0, 0, 3},
    {"BothInclusive", arrival, expiry, 3},
    {"FirstOnly", arrival, expiry - 1, 2},
    {"AfterAll", expiry + 1, expiry + 2, 1},
    {"StartWithoutEnd", arrival, 0, 1},
};

class L2tTimeFilter : public ::testing::TestWithParam<filter_case> {};

TEST_P(L2tTimeFilter, WritesOnlyLinesInside) {
    timeline_collector collector;
    merge(collector, arrival, "B", "ArrivalTime");
    merge(collector, expiry, "C", "ExpiryTime");
    collector.m_filter_start = GetParam().start;
    collector.m_filter_end = GetParam().end;
    bool pending = true;
    std::ostringstream out;
    (void)write_l2t_rows(pending, out, collector);
    EXPECT_EQ(split_lines(out.str()).size(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Cases, L2tTimeFilter, ::testing::ValuesIn(filter_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Every text column may carry the separator (a path, a user name, a payload): none may add
// a field to the line.
void fill_with_separators(timeline_collector& collector) {
    collector.m_source = "s,rc";
    collector.m_sourcetype = "type,a";
    collector.m_user = "al,ice";
    collector.m_host = "bo,x";
    collector.m_short = "sh,ort";
    collector.m_desc = "a,b|c";
    collector.m_filename = "f,ile";
    collector.m_inode = "1,2";
    collector.m_notes = "no,tes";
    collector.m_extra = "db: /tmp/a,b/x.db";
    timeline_event event(arrival, "B", "Arr,ival", "", nullptr, nullptr, nullptr, nullptr,
                         kq::tt_filetime);
    event.source = "VE,LK";
    ASSERT_TRUE(collector.merge_event(event));
}

TEST(L2tSeparator, ReplacedInEveryTextColumn) {
    cmd_params options = parsed_options({"-csvl2t", "-pair_datetime"});
    timeline_collector collector;
    collector.init_from_options(&options);
    fill_with_separators(collector);
    std::ostringstream out;
    (void)write_l2t_rows(options.m_header_pending, out, collector);
    const std::vector<std::string> lines = split_lines(out.str());
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(field_count(lines[1], ','), 16U) << lines[1];
    EXPECT_NE(lines[1].find(",db: /tmp/a b/x.db"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(",al ice,bo x,"), std::string::npos) << lines[1];
    EXPECT_EQ(collector.m_short, "sh ort");  // the layout's in-place replacement
}

TEST(L2tSeparator, WithoutDelimiterTheTableWritersRuleHolds) {
    cmd_params options = parsed_options({"-csvl2t", "-enable_quoted_csv_fields"});
    ASSERT_EQ(options.m_delimiter, 0);
    timeline_collector quoted;
    quoted.init_from_options(&options);
    fill_with_separators(quoted);
    std::ostringstream out;
    (void)write_l2t_rows(options.m_header_pending, out, quoted);
    const std::string line = split_lines(out.str()).at(1);
    EXPECT_NE(line.find(",\"db: /tmp/a,b/x.db\""), std::string::npos) << line;

    timeline_collector plain;  // no options: no quoting, separator characters blanked
    plain.m_replace_from = 0;
    fill_with_separators(plain);
    bool pending = false;
    std::ostringstream blanked;
    (void)write_l2t_rows(pending, blanked, plain);
    EXPECT_EQ(field_count(blanked.str(), ','), 17U) << blanked.str();  // date, time apart
    EXPECT_NE(blanked.str().find(",db: /tmp/a b/x.db\n"), std::string::npos);
}

// A column beginning with a double quote would open a quoted field for a CSV reader and
// swallow the columns after it: it is quoted. Under quoted CSV with the separator ":", the
// date and time column holds the separator and is quoted too.
TEST(L2tSeparator, NoColumnOpensAQuoteOrSplitsATime) {
    cmd_params options = parsed_options({"-csvl2t", "-pair_datetime", "-username", "\"x"});
    timeline_collector collector;
    collector.init_from_options(&options);
    merge(collector, arrival, "B", "ArrivalTime");
    std::ostringstream out;
    (void)write_l2t_rows(options.m_header_pending, out, collector);
    EXPECT_NE(split_lines(out.str()).at(1).find(",\"\"\"x\","), std::string::npos) << out.str();

    cmd_params quoted = parsed_options(
        {"-csvl2t", "-pair_datetime", "-csv_separator", ":", "-enable_quoted_csv_fields"});
    timeline_collector colons;
    colons.init_from_options(&quoted);
    merge(colons, arrival, "B", "ArrivalTime");
    std::ostringstream line;
    (void)write_l2t_rows(quoted.m_header_pending, line, colons);
    EXPECT_EQ(split_lines(line.str()).at(1).rfind("\" 2020-12-11 19:11:35.902\":UTC:", 0), 0U)
        << line.str();
}

// Plain CSV: any column holding the separator, a time or a number as well as a text, is
// quoted; so is a caption.
TEST(L2tSeparator, EveryColumnHoldingTheSeparatorIsQuoted) {
    cmd_params colon = parsed_options({"-csvl2t", "-pair_datetime", "-csv_separator", ":"});
    timeline_collector times;
    times.init_from_options(&colon);
    times.m_desc = "a:b";
    merge(times, arrival, "B", "ArrivalTime");
    std::ostringstream line;
    (void)write_l2t_rows(colon.m_header_pending, line, times);
    const std::string row = split_lines(line.str()).at(1);
    EXPECT_EQ(row.rfind("\" 2020-12-11 19:11:35.902\":UTC:", 0), 0U) << row;
    EXPECT_NE(row.find(":a b:2:"), std::string::npos) << row;  // a text's own is blanked

    cmd_params digit = parsed_options({"-csvl2t", "-pair_datetime", "-csv_separator", "2"});
    timeline_collector numbers;
    numbers.init_from_options(&digit);
    merge(numbers, arrival, "B", "ArrivalTime");
    std::ostringstream out;
    (void)write_l2t_rows(digit.m_header_pending, out, numbers);
    EXPECT_NE(split_lines(out.str()).at(1).find("2\"2\"2"), std::string::npos) << out.str();

    std::ostringstream header;
    write_l2t_header(header, "/", false, true);
    EXPECT_EQ(header.str().rfind("\"date/time\"/timezone/", 0), 0U) << header.str();
}

// Terminal controls in any text column are written as visible escapes.
TEST(L2tControls, EscapedInEveryTextColumn) {
    cmd_params options = parsed_options({"-csvl2t"});
    timeline_collector collector;
    collector.init_from_options(&options);
    collector.m_short = "a\x1b[2K";
    collector.m_desc = "p\xc2\x9bq\r\n";
    collector.m_extra = "\x07";
    merge(collector, arrival, "B", "Arr\x7f");
    std::ostringstream out;
    (void)write_l2t_rows(options.m_header_pending, out, collector);
    const std::vector<std::string> lines = split_lines(out.str());
    ASSERT_EQ(lines.size(), 2U) << out.str();
    for (const char* escaped : {",Arr\\x7f,", ",a\\x1b[2K,", ",p\\u009bq[CRLF],", ",\\x07"}) {
        EXPECT_NE(lines[1].find(escaped), std::string::npos) << escaped << " in " << lines[1];
    }
}

// A raw CR or LF in any text column would split the event over several lines.
TEST(L2tLineBreaks, MarkedInEveryTextColumn) {
    cmd_params options = parsed_options({"-csvl2t"});
    timeline_collector collector;
    collector.init_from_options(&options);
    collector.m_short = "a\r\nb";
    collector.m_notes = "PrimaryID: x\ny";
    collector.m_extra = "tag\rz";
    collector.m_desc = "p\n\rq";
    merge(collector, arrival, "B", "Arr\nival");
    std::ostringstream out;
    (void)write_l2t_rows(options.m_header_pending, out, collector);
    const std::vector<std::string> lines = split_lines(out.str());
    ASSERT_EQ(lines.size(), 2U) << out.str();
    EXPECT_EQ(field_count(lines[1], ','), 17U) << lines[1];
    for (const char* marked : {",Arr[LF]ival,", ",a[CRLF]b,", ",p[LFCR]q,",
                               ",PrimaryID: x[LF]y,", ",tag[CR]z"}) {
        EXPECT_NE(lines[1].find(marked), std::string::npos) << marked << " in " << lines[1];
    }
}

TEST(L2tNtfsExtras, HexAndDecimalForms) {
    timeline_collector collector;
    collector.m_ntfs_extras = true;
    collector.m_ref_count = 2;
    collector.m_extension = "txt";
    collector.m_size = 0x1234;
    collector.m_inode_seqnum = 5;
    collector.m_parent_inode = 0x1c;
    collector.m_parent_seqnum = 3;
    collector.m_clusters = "10-12";
    collector.m_header_info = {0x46, 0x05};
    merge(collector, arrival, "B", "Created");
    bool pending = false;
    collector.m_hex_numbers = true;
    std::ostringstream hex;
    (void)write_l2t_rows(pending, hex, collector);
    EXPECT_NE(hex.str().find(",0x0002,txt,0x001234,0x0005,0x0000001c,0x0003,10-12,46 05 \n"),
              std::string::npos)
        << hex.str();
    collector.m_hex_numbers = false;
    std::ostringstream decimal;
    (void)write_l2t_rows(pending, decimal, collector);
    EXPECT_NE(decimal.str().find(",2,txt,4660,5,28,3,10-12,46  5 \n"), std::string::npos)
        << decimal.str();
}

TEST(L2tResultsLog, OpenLogTakesTheLinesInsteadOfTheStream) {
    velk_test::temp_dir dir;
    results_db_writer log;
    ASSERT_TRUE(log.open(nullptr, dir.file("results.db"), ""));
    cmd_params options = parsed_options({"-csvl2t"});
    options.m_results_db = &log;
    timeline_collector collector;
    collector.init_from_options(&options);
    merge(collector, arrival, "B", "ArrivalTime");
    std::ostringstream out;
    (void)write_l2t_rows(options.m_header_pending, out, collector);
    EXPECT_TRUE(out.str().empty());
    EXPECT_FALSE(options.m_header_pending);
    log.close();
    options.m_header_pending = true;
    std::ostringstream closed;  // attached but not open: everything goes to the stream
    (void)write_l2t_rows(options.m_header_pending, closed, collector);
    EXPECT_EQ(split_lines(closed.str()).size(), 2U);
    options.m_results_db = nullptr;
}

}  // namespace
