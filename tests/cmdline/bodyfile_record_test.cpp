#include "cmdline/bodyfile_record.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_writer.h"
#include "time/type_time.h"

namespace {

const std::string body_header =
    "md5|name|inode|mode as string|uid|gid|size|access time|modify time|mft time|create time";

// 2020-12-11 19:11:35.9025799 UTC as FILETIME.
constexpr int64 arrival = 132521874959025799LL;

TEST(BodyfileRecord, EmptyRecordWritesZeroFields) {
    bodyfile_record record;
    EXPECT_EQ(record.m_times.time_type, kq::tt_unix);
    EXPECT_EQ(record.m_timezone, "UTC");
    bool pending = false;
    std::ostringstream out;
    EXPECT_EQ(write_bodyfile_record(pending, out, record), 1);
    EXPECT_EQ(out.str(), "0||0||0|0|0|0|0|0|0\n");
}

TEST(BodyfileRecord, FieldsInLayoutOrderWithTimesAMCB) {
    bodyfile_record record;
    record.m_md5 = "d41d8cd98f00b204e9800998ecf8427e";
    record.m_name = "a,b|c";
    record.m_inode = 68;
    record.m_mode = "r/rrwxrwxrwx";
    record.m_uid = 1000;
    record.m_gid = 100;
    record.m_size = 4096;
    record.m_times.set_times(1, 2, 3, 4, kq::tt_unix);
    bool pending = true;
    std::ostringstream out;
    (void)write_bodyfile_record(pending, out, record);
    EXPECT_FALSE(pending);
    EXPECT_EQ(out.str(), body_header +
                             "\nd41d8cd98f00b204e9800998ecf8427e|a,b;c|68|r/rrwxrwxrwx|"
                             "1000|100|4096|2|1|3|4\n");
    EXPECT_EQ(record.m_name, "a,b;c");  // the record keeps the written name
}

// mactime reads one entry per line: a raw line break would cut the entry in two.
TEST(BodyfileRecord, LineBreaksBecomeMarkers) {
    bodyfile_record record;
    record.m_md5 = "d4\n1d";
    record.m_name = "PrimaryID: a\r\nb; Tag: c\rd|e\nf\n\rg";
    record.m_mode = "r/\r";
    bool pending = false;
    std::ostringstream out;
    (void)write_bodyfile_record(pending, out, record);
    EXPECT_EQ(out.str(),
              "d4[LF]1d|PrimaryID: a[CRLF]b; Tag: c[CR]d;e[LF]f[LFCR]g|0|r/[CR]|0|0|0|0|0|0|0\n");
    EXPECT_EQ(record.m_name, "PrimaryID: a[CRLF]b; Tag: c[CR]d;e[LF]f[LFCR]g");
}

// A body file is read in terminals too: no field may carry a control to it.
TEST(BodyfileRecord, ControlsBecomeEscapes) {
    bodyfile_record record;
    record.m_md5 = "\x07";
    record.m_name = "a\x1b[1Ab|c\xc2\x9b\r";
    record.m_mode = "\x7f";
    bool pending = false;
    std::ostringstream out;
    (void)write_bodyfile_record(pending, out, record);
    EXPECT_EQ(out.str(), "\\x07|a\\x1b[1Ab;c\\u009b[CR]|0|\\x7f|0|0|0|0|0|0|0\n");
}

TEST(BodyfileRecord, ArrivalAsFiletimeComesOutAsUnixCreateTime) {
    bodyfile_record record;
    record.m_times.set_unix(0, 0, 0, arrival, kq::tt_filetime);
    bool pending = false;
    std::ostringstream out;
    (void)write_bodyfile_record(pending, out, record);
    EXPECT_EQ(out.str(), "0||0||0|0|0|0|0|0|1607713895\n");
}

// mactime drops a negative time and takes 0 for none: a moment before 1970 is written as 0,
// never as the wrapped 18446744073709551615.
TEST(BodyfileRecord, TimeBefore1970IsWrittenAsZero) {
    bodyfile_record record;
    record.m_times.set_unix(116444735990000000LL, 0, 0, 116444735990000000LL, kq::tt_filetime);
    ASSERT_EQ(record.m_times.created, -1);
    bool pending = false;
    std::ostringstream out;
    (void)write_bodyfile_record(pending, out, record);
    EXPECT_EQ(out.str(), "0||0||0|0|0|0|0|0|0\n");
}

TEST(BodyfileRecord, HeaderOnceAndOptionsFlagsFollowed) {
    cmd_params options(0, false);
    std::vector<std::string> args{"velk", "-bodyfile"};
    ASSERT_TRUE(options.parse_common_options(args));
    ASSERT_TRUE(options.m_header_pending);
    bodyfile_record record;
    record.m_options = &options;
    std::ostringstream out;
    (void)write_bodyfile_record(options.m_header_pending, out, record);
    (void)write_bodyfile_record(options.m_header_pending, out, record);
    EXPECT_EQ(out.str(), body_header + "\n0||0||0|0|0|0|0|0|0\n0||0||0|0|0|0|0|0|0\n");

    options.m_record_newline = false;
    std::ostringstream joined;
    (void)write_bodyfile_record(options.m_header_pending, joined, record);
    (void)write_bodyfile_record(options.m_header_pending, joined, record);
    EXPECT_EQ(joined.str(), "0||0||0|0|0|0|0|0|00||0||0|0|0|0|0|0|0");
}

TEST(BodyfileRecord, OpenLogTakesTheLinesInsteadOfTheStream) {
    velk_test::temp_dir dir;
    results_db_writer log;
    ASSERT_TRUE(log.open(nullptr, dir.file("results.db"), ""));
    cmd_params options(0, false);
    bodyfile_record record;
    record.m_options = &options;
    record.m_results_db = &log;
    std::ostringstream out;
    (void)write_bodyfile_record(options.m_header_pending, out, record);
    EXPECT_TRUE(out.str().empty());
    EXPECT_FALSE(options.m_header_pending);
    log.close();
    options.m_header_pending = true;
    (void)write_bodyfile_record(options.m_header_pending, out, record);
    EXPECT_EQ(out.str(), body_header + "\n0||0||0|0|0|0|0|0|0\n");
}

}  // namespace
