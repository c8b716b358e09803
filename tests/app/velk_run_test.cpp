// The tool as an examiner runs it: the built binary in a temporary folder, its standard
// output, standard error and exit status captured.

#include "app/velk_run.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/velk_process.h"
#include "app/velk_usage.h"

namespace {

using velk_test::read_file;
using velk_test::run_velk;
using velk_test::split_lines_lf;
using velk_test::temp_dir;
using velk_test::velk_result;

// The program path as the command line shows it: between quote characters when it holds a
// blank.
std::string quoted_program(char quote) {
    const std::string path = VELK_BINARY_PATH;
    return path.find(' ') == std::string::npos ? path : quote + path + quote;
}

// ---- Help ----------------------------------------------------------------------------

struct help_case {
    const char* name;
    std::vector<std::string> args;
};

const help_case help_cases[] = {
    {"ProgramNameAlone", {}},
    {"CapitalHelpAfterDb", {"-db", "x.db", "-HELP"}},
    {"SlashQuestionAfterCsv", {"-csv", "/?"}},
    {"DoubleDashHelp", {"--help"}},
    {"ShortHelpBeforeResultsFile", {"-h", "-out", "r.txt"}},
};

class VelkHelp : public ::testing::TestWithParam<help_case> {};

// Help wins over every other option: nothing is parsed, no banner, no results file.
TEST_P(VelkHelp, PrintsOnlyTheUsageAndSucceeds) {
    const temp_dir dir;
    const velk_result result = run_velk(GetParam().args, dir.path());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, velk_test::golden_usage());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkHelp, ::testing::ValuesIn(help_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(VelkUsage, NamesTheCommandVelkWhateverTheProgramPath) {
    const temp_dir dir;
    const velk_result result =
        velk_test::run_velk_as("/opt/tools/wpn-reader_x64", {"-h"}, dir.path());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, velk_test::golden_usage());
}

TEST(VelkUsage, VersionLineHasTheProgramNameAndVersion) {
    EXPECT_TRUE(std::regex_match(velk_version_line(), std::regex(R"(velk - v[0-9.]+ -)")));
}

// ---- Option failures -----------------------------------------------------------------

struct failure_case {
    const char* name;
    std::vector<std::string> args;
    const char* reason;  // the line before the usage
};

const char* const no_input = "missing -db <file> (or -pipe or -enumdir)\n";
const char* const no_db_value = "missing value for -db\n";

const failure_case failure_cases[] = {
    {"CsvWithoutInput", {"-csv"}, no_input},
    {"DbWithoutValue", {"-db"}, no_db_value},
    {"EmptyDb", {"-db", ""}, no_db_value},
    {"CsvWithoutInputToResultsFile", {"-csv", "-out", "r.txt"}, no_input},
    {"DbWithoutValueToResultsFile", {"-db", "-out", "r.txt"}, no_db_value},
    {"OutWithoutValue", {"-db", "x.db", "-diags", "d.txt", "-out"}, "missing value for -out\n"},
    {"NumberNotANumber",
     {"-enumdir", ".", "-num_subdirs", "abc", "-out", "r.txt"},
     "bad value for -num_subdirs: abc\n"},
    {"EmptySeparator",
     {"-db", "x.db", "-csv_separator", "", "-diags", "d.txt"},
     "bad value for -csv_separator: \"\"\n"},
};

class VelkOptionFailure : public ::testing::TestWithParam<failure_case> {};

// The banner still goes to standard output (even with "-out"), followed by an empty line;
// standard error says what was wrong, then the usage. No file is created or opened.
TEST_P(VelkOptionFailure, WritesBannerAndUsageAndFails) {
    const temp_dir dir;
    const velk_result result = run_velk(GetParam().args, dir.path());
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err, GetParam().reason + velk_test::golden_usage());
    const std::vector<std::string> lines = split_lines_lf(result.out);
    ASSERT_EQ(lines.size(), 4U) << result.out;
    EXPECT_EQ(lines[0], velk_version_line());
    EXPECT_EQ(lines[1].rfind("Run time: ", 0), 0U) << lines[1];
    EXPECT_EQ(lines[2].rfind("\"Command line: ", 0), 0U) << lines[2];
    EXPECT_EQ(lines[3], "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkOptionFailure, ::testing::ValuesIn(failure_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(VelkRun, EmptyArgumentListFailsWithoutOutput) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int32 status = velk_run(0, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(status, run_status_failed);
}

// ---- Banner --------------------------------------------------------------------------

std::string utc_date(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    (void)gmtime_r(&now, &fields);
    char text[32] = {};
    (void)std::strftime(text, sizeof text, format, &fields);
    return text;
}

// Line 2 of the banner; the run date is taken before and after the run, so a run across
// midnight still matches one of them.
void expect_banner_date(const std::vector<std::string>& args, const char* format,
                        const std::string& shape) {
    const temp_dir dir;
    const std::string before = utc_date(format);
    const velk_result result = run_velk(args, dir.path());
    const std::string after = utc_date(format);
    const std::vector<std::string> lines = split_lines_lf(result.out);
    ASSERT_GE(lines.size(), 4U) << result.out;
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(shape))) << lines[1];
    const std::string date = lines[1].substr(std::string("Run time: ").size(), before.size());
    EXPECT_TRUE(date == before || date == after) << lines[1];
}

TEST(VelkBanner, RunDateIsMonthFirstByDefault) {
    expect_banner_date({"-db", "x.db"}, "%m/%d/%Y",
                       R"(Run time: \d\d/\d\d/\d{4} \d\d:\d\d:\d\d \(UTC\); Host: .+; System: .+)");
}

TEST(VelkBanner, RunDateFollowsDateFormat) {
    expect_banner_date({"-db", "x.db", "-dateformat", "yyyy-mm-dd"}, "%Y-%m-%d",
                       R"(Run time: \d{4}-\d\d-\d\d \d\d:\d\d:\d\d \(UTC\); Host: .+; System: .+)");
    // Any one separator, as in the report's dates.
    expect_banner_date(
        {"-db", "x.db", "-dateformat", "dd.mm.yyyy"}, "%d.%m.%Y",
        R"(Run time: \d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d \(UTC\); Host: .+; System: .+)");
}

struct command_line_case {
    const char* name;
    std::vector<std::string> args;
    bool piped;         // "<filelist> ... | " comes first
    std::string shown;  // line 3 after the program path and its blank
};

const command_line_case command_line_cases[] = {
    {"ArgumentWithBlankInSingleQuotes", {"-db", "my db.db"}, false, "-db 'my db.db'"},
    {"PipeAfterOtherOptions", {"-csv", "-PIPE"}, true, "-csv -PIPE"},
};

class VelkBannerCommandLine : public ::testing::TestWithParam<command_line_case> {};

TEST_P(VelkBannerCommandLine, EchoesTheArguments) {
    const temp_dir dir;
    const command_line_case& test = GetParam();
    const velk_result result = run_velk(test.args, dir.path());
    const std::vector<std::string> lines = split_lines_lf(result.out);
    ASSERT_GE(lines.size(), 4U) << result.out;
    const std::string expected = std::string("\"Command line: ") +
                                 (test.piped ? "<filelist> ... | " : "") + quoted_program('\'') +
                                 " " + test.shown + "\"";
    EXPECT_EQ(lines[2], expected);
    EXPECT_EQ(lines[3], "");
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkBannerCommandLine, ::testing::ValuesIn(command_line_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- Results file --------------------------------------------------------------------

// The results file is made anew: the banner and an empty line replace what it held, and
// nothing goes to standard output.
TEST(VelkResultsFile, ReplacesAnExistingFile) {
    const temp_dir dir;
    velk_test::write_file(dir.file("res.txt"), "old content of an earlier run\n");
    const velk_result result = run_velk({"-db", "x.db", "-out", "res.txt"}, dir.path());
    EXPECT_EQ(result.out, "");
    const std::string written = read_file(dir.file("res.txt"));
    EXPECT_EQ(written.find("old content"), std::string::npos);
    const std::vector<std::string> lines = split_lines_lf(written);
    ASSERT_GE(lines.size(), 4U) << written;
    EXPECT_EQ(lines[0], velk_version_line());
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(result.err.find("prob writing results file"), std::string::npos);
}

// A report that never reached the disk must not end in a clean status (the file stops at
// 512 bytes, as on a full disk).
TEST(VelkResultsFile, FailedWriteFailsTheRun) {
    const temp_dir dir;
    std::filesystem::copy_file(std::string(VELK_TEST_DATA_DIR) + "/sample/wpndatabase.db",
                               dir.file("e.db"));
    const int code = velk_test::run_with_file_size_limit(512, [&dir] {
        const velk_result result = run_velk({"-db", "e.db", "-quiet", "-out", "r.txt"}, dir.path());
        const bool said = result.err == "prob writing results file: r.txt\n";
        return result.status == 255 && said && result.out.empty() ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(velk_test::file_size(dir.file("r.txt")), 512);
}

// A file that cannot take a report is refused before anything is opened, with the reason.
TEST(VelkResultsFile, DeviceRefusedBeforeOpening) {
    const temp_dir dir;
    const velk_result result = run_velk({"-db", "x.db", "-out", "/dev/full"}, dir.path());
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err,
              "prob opening file /dev/full for output: it is not a regular file, aborting\n");
    EXPECT_EQ(result.out, "");
}

// ---- Single database -----------------------------------------------------------------

struct unusable_case {
    const char* name;
    const char* content;  // null: the file does not exist
    std::vector<std::string> extra;
};

const unusable_case unusable_cases[] = {
    {"MissingFile", nullptr, {}},
    {"EmptyFile", "", {}},
    {"NotSqlite", "just some notes, no database here\n", {}},
    {"NotSqliteWithSlackCarve", "just some notes, no database here\n", {"-incl_slack"}},
};

class VelkUnusableDatabase : public ::testing::TestWithParam<unusable_case> {};

// A single database that cannot be read gives the examiner nothing: the run must say so
// by its status, after the banner.
TEST_P(VelkUnusableDatabase, FailsTheRun) {
    const temp_dir dir;
    const unusable_case& test = GetParam();
    if (test.content != nullptr) {
        velk_test::write_file(dir.file("in.db"), test.content);
    }
    std::vector<std::string> args{"-db", "in.db"};
    args.insert(args.end(), test.extra.begin(), test.extra.end());
    const velk_result result = run_velk(args, dir.path());
    EXPECT_EQ(result.status, 255);
    const std::vector<std::string> lines = split_lines_lf(result.out);
    ASSERT_GE(lines.size(), 4U) << result.out;
    EXPECT_EQ(lines[0], velk_version_line());
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkUnusableDatabase, ::testing::ValuesIn(unusable_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- End of run ----------------------------------------------------------------------

// The diagnostics file starts with the command line and ends with the elapsed time, which
// "-profile" also prints as the last line of standard error.
TEST(VelkEndOfRun, DiagnosticsAndProfileReportTheElapsedTime) {
    const temp_dir dir;
    const velk_result result = run_velk({"-db", "x.db", "-diags", "d.txt", "-profile"}, dir.path());
    const std::string diags = read_file(dir.file("d.txt"));
    const std::string command_line =
        "->" + quoted_program('"') + " -db x.db -diags d.txt -profile\n";
    EXPECT_EQ(diags.rfind(command_line, 0), 0U) << diags;
    EXPECT_NE(diags.find("->problem selecting tables\n"), std::string::npos) << diags;
    EXPECT_TRUE(std::regex_search(diags, std::regex(R"(\n->[0-9]+ secs$)"))) << diags;
    // The time is the last line; standard error is a file here, so no control codes.
    EXPECT_TRUE(std::regex_search(result.err, std::regex(R"((^|\n)->[0-9]+ secs\n$)")))
        << result.err;
    EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err;
}

}  // namespace
