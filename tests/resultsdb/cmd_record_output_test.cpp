#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "resultsdb/cmd_script_test_support.h"
#include "resultsdb/cmd_record_list.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;
using strings = std::vector<std::string>;

using script_test::check_script;

cmd_record_list check_list() {
    cmd_record_list list;
    EXPECT_TRUE(list.load_text(check_script, false));
    return list;
}

TEST(CmdRecordOutput, FormatRecordPutsDirectivesFirst) {
    const cmd_record_list list = check_list();
    std::string line;
    ASSERT_TRUE(list.format_record(0, line));
    EXPECT_EQ(line, "!cmd, !timeout-30, !repeat-daily, !run-now, \"prog\", \"-x\"");
    cmd_record_list all;
    ASSERT_TRUE(all.load_text("!cmd,a,!spawn-s,!custom-c,!name-n,!comment-m,!dir-d", false));
    ASSERT_TRUE(all.format_record(0, line));
    EXPECT_EQ(line, "!cmd, !spawn-s, !custom-c, !name-n, !comment-m, !dir-d, \"a\"");
    // the "!cmd" items of a list load are not repeated as arguments
    const cmd_record_list listed(strings{"!cmd", "z"});
    ASSERT_TRUE(listed.format_record(0, line));
    EXPECT_EQ(line, "!cmd, \"z\"");
}

TEST(CmdRecordOutput, DumpWritesScheduleAndRunTimesOnStdout) {
    const cmd_record_list list = check_list();
    std::ostringstream out;
    CaptureStdout();
    ASSERT_TRUE(list.dump(out));
    EXPECT_EQ(GetCapturedStdout(), "0x0\n0x0\n0x0\n");
    EXPECT_EQ(out.str(),
              "!cmd, prog, -x, !run-now, !repeat-daily\n"
              "!cmd, , !run-now, !repeat-none\n"
              "!cmd, tool, -name, t1, -comment, t1, !run-now, !repeat-none\n"
              "\n");
    std::ostringstream none;
    EXPECT_FALSE(cmd_record_list().dump(none));
}

struct dump_case {
    const char* name;
    uint64 run_time;
    uint64 interval;
    const char* line;
};

class DumpSchedule : public ::testing::TestWithParam<dump_case> {};

TEST_P(DumpSchedule, OneRecord) {
    const auto& c = GetParam();
    cmd_record_list list(strings{"!cmd", "a"});
    ASSERT_TRUE(list.set_record(0, c.run_time, c.interval, 0, std::string(), "", "", "", ""));
    std::ostringstream out;
    CaptureStdout();
    ASSERT_TRUE(list.dump(out));
    (void)GetCapturedStdout();
    EXPECT_EQ(out.str(), std::string("!cmd, !cmd, a, ") + c.line + "\n\n");
}

const dump_case dump_cases[] = {
    {"hour_is_daily", 0, 36'000'000'000ULL, "!run-now, !repeat-daily"},
    {"under_hour_is_none", 0, 35'999'999'999ULL, "!run-now, !repeat-none"},
    {"two_days_is_weekly", 0, 1'728'000'000'000ULL, "!run-now, !repeat-weekly"},
    {"eight_days_is_monthly", 0, 6'912'000'000'000ULL, "!run-now, !repeat-monthly"},
    {"never", ~0ULL, 0, "!run-never, !repeat-none"},
    {"negative_is_now", 0x8000000000000000ULL, 0, "!run-now, !repeat-none"},
    {"dated", 132521874950000000ULL, 0, "!run-12/11/2020::19:11:35, !repeat-none"},
};

INSTANTIATE_TEST_SUITE_P(Cases, DumpSchedule, ::testing::ValuesIn(dump_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(CmdRecordOutput, WriteFile) {
    velk_test::temp_dir dir;
    const std::string empty_path = dir.file("empty.txt");
    velk_test::write_file(empty_path, "old contents");
    ASSERT_TRUE(cmd_record_list().write_file(empty_path));
    std::ifstream empty(empty_path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(empty), {}), "");

    const std::string path = dir.file("dump.txt");
    CaptureStdout();
    ASSERT_TRUE(check_list().write_file(path));
    (void)GetCapturedStdout();
    std::ifstream in(path, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(text.substr(0, 40), "!cmd, prog, -x, !run-now, !repeat-daily\n");
    EXPECT_FALSE(check_list().write_file(dir.file("no/such/dir/f")));
}

TEST(CmdRecordOutput, CTableLayout) {
    std::ostringstream out;
    ASSERT_TRUE(check_list().write_c_table(out));
    EXPECT_EQ(out.str(),
              "const int NUM_FIELDS_PER_RECORD = 6;\n"
              "\n"
              "const char * reg_cmds[][NUM_FIELDS_PER_RECORD] =\n"
              "{\n"
              "   {\n"
              "      g_record_start_char, g_cmd_terminator_char\n"
              "   },\n"
              "\n"
              "   {\n"
              "      g_record_start_char,\n"
              "     \"prog\",\n"
              "     \"-x\"\n"
              "   },\n"
              "\n"
              "   {\n"
              "      g_record_start_char,\n"
              "     \"\"\n"
              "   },\n"
              "\n"
              "   {\n"
              "      g_record_start_char,\n"
              "     \"tool\",\n"
              "     \"-name\",\n"
              "     \"t1\",\n"
              "     \"-comment\",\n"
              "     \"t1\"\n"
              "   },\n"
              "\n"
              "   { g_cmd_terminator_char }\n"
              "};\n");
    std::ostringstream none;
    EXPECT_FALSE(cmd_record_list().write_c_table(none));
}

// The markers are told apart by address only, so two distinct objects stand for them.
const char start_marker[] = "x";
const char terminator_marker[] = "x";

TEST(CmdRecordOutput, CTableEscapesArgumentsAndLoadsBack) {
    cmd_record_list list;
    ASSERT_TRUE(list.load_text("!cmd,a\"b,c\\d,t\tab,del\x7f", false));
    std::ostringstream out;
    ASSERT_TRUE(list.write_c_table(out));
    EXPECT_NE(out.str().find("     \"a\\\"b\",\n     \"c\\\\d\",\n     \"t\\011ab\",\n"
                             "     \"del\\177\"\n"),
              std::string::npos)
        << out.str();

    // The same table as the compiler builds it from those literals.
    const cmd_table_cell table[] = {start_marker, terminator_marker,
                                    start_marker, "a\"b",
                                    "c\\d",       "t\011ab",
                                    "del\177",    nullptr,
                                    start_marker, "second",
                                    nullptr,      terminator_marker};
    const cmd_record_list loaded(table, false);
    ASSERT_TRUE(loaded.is_loaded());
    ASSERT_EQ(loaded.count(), 2);
    strings args;
    ASSERT_TRUE(loaded.get_args(0, args));
    EXPECT_EQ(args, (strings{"a\"b", "c\\d", "t\tab", "del\x7f"}));
    EXPECT_EQ(loaded.m_max_items, 4);

    int count = 0;
    const cmd_table_cell* first = nullptr;
    ASSERT_TRUE(find_table_record(table, 1, count, first));
    EXPECT_EQ(first, &table[9]);
    EXPECT_EQ(count, 1);
    EXPECT_FALSE(find_table_record(table, 2, count, first));
    EXPECT_FALSE(cmd_record_list(static_cast<const cmd_table_cell*>(nullptr), false).is_loaded());
}

TEST(CmdRecordOutput, WideTableAndEmptyRow) {
    const cmd_table_cell table[] = {start_marker, terminator_marker, start_marker, L"wide",
                                    start_marker, terminator_marker};
    const cmd_record_list loaded(table, true);
    ASSERT_EQ(loaded.count(), 2);
    std::wstring joined;
    ASSERT_TRUE(loaded.join_args(0, joined));
    EXPECT_EQ(joined, L"\"wide\"");
    EXPECT_EQ(loaded.argc(1), 0);
    std::ostringstream out;
    ASSERT_TRUE(loaded.write_c_table(out));
    EXPECT_NE(out.str().find("   {\n      g_record_start_char,\n   },\n"), std::string::npos);
    EXPECT_EQ(out.str().substr(0, 37), "const int NUM_FIELDS_PER_RECORD = 2;\n");
}

TEST(CmdRecordOutput, PrintListsArguments) {
    CaptureStdout();
    EXPECT_TRUE(check_list().print());
    const std::string text = GetCapturedStdout();
    EXPECT_EQ(text.substr(0, 34), "----- record 0 -----\nprog\n-x\n-----");
    EXPECT_FALSE(cmd_record_list().print());
}

}  // namespace
