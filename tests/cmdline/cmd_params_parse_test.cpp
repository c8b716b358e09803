// The common option parser: argument list in, record fields, remaining arguments and
// standard-error text out.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "text/hex_text.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;
using args_t = std::vector<std::string>;

constexpr uint64 start = 0x01D9000000000000ULL;

struct parse_run {
    bool ok = false;
    std::string err;
};

parse_run parse(cmd_params& options, args_t& args) {
    CaptureStderr();
    const bool ok = options.parse_common_options(args);
    return {ok, GetCapturedStderr()};
}

void expect_separator(const cmd_params& p, const std::string& separator, char delimiter,
                      char substitute) {
    EXPECT_EQ(std::make_tuple(p.m_separator, p.m_delimiter, p.m_delimiter_substitute),
              std::make_tuple(separator, delimiter, substitute));
}

// xml, csv, csvl2t, csvgen, bodyfile, multiline.
using forms_t = std::tuple<bool, bool, bool, bool, bool, bool>;
forms_t forms(const cmd_params& p) {
    return {p.m_xml, p.m_csv, p.m_csvl2t, p.m_csvgen, p.m_bodyfile, p.m_multiline};
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (const wchar_t c : text) {
        out += static_cast<char>(c);
    }
    return out;
}

// "text=<item>" or "sig=<hex>@<offset>", then " path=<folder>/<length>" when one was applied.
std::vector<std::string> describe(const std::vector<filter_entry>& list) {
    std::vector<std::string> out;
    for (const filter_entry& e : list) {
        std::ostringstream d;
        if (e.m_signature.empty()) {
            d << "text=" << narrow(e.m_text);
        } else {
            d << "sig=" << byte_array_hex_string(e.m_signature, "") << "@" << e.m_offset;
        }
        if (e.m_path_len != 0) {
            d << " path=" << narrow(e.m_path) << "/" << e.m_path_len;
        }
        out.push_back(d.str());
    }
    return out;
}

using texts = std::vector<std::string>;

struct parse_case {
    const char* name;
    args_t args;
    bool ok;
    args_t rest;
    std::string err;
    std::function<void(const cmd_params&)> check;
};

const parse_case parse_cases[] = {
    {"NameMatchIsWholeArgumentAnyCase",
     {"prog", "-Csv", "-outx", "y", "-db"},
     true,
     {"prog", "-outx", "y", "-db"},
     "",
     [](const cmd_params& p) {
         EXPECT_TRUE(p.m_csv);
         EXPECT_FALSE(p.m_out_given);
     }},
    {"ValueOptionLastIsNotTaken",
     {"prog", "-out", "-csv"},
     true,
     {"prog", "-out"},
     "",
     [](const cmd_params& p) {
         EXPECT_TRUE(p.m_csv);
         EXPECT_FALSE(p.m_out_given);
         EXPECT_TRUE(p.m_out_path.empty());
     }},
    {"BodyfileBeforeCsvInTableOrder",
     {"prog", "-bodyfile", "-csv"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(forms(p), forms_t(false, false, false, false, true, false));
         expect_separator(p, "|", '|', ';');
         EXPECT_TRUE(p.m_header_pending);
     }},
    {"CsvClearsWhitespace",
     {"prog", "-csv"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(forms(p), forms_t(false, true, false, false, false, false));
         expect_separator(p, ",", ',', ' ');
         EXPECT_TRUE(p.m_no_whitespace);
     }},
    {"CsvWithPairKeepsWhitespace",
     {"prog", "-csv", "-pair_datetime"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_FALSE(p.m_no_whitespace);
         EXPECT_TRUE(p.m_pair_datetime);
         EXPECT_TRUE(p.m_time_spec.time_flags & time_display_spec::pair_flag);
     }},
    {"CsvgenClearsCsv",
     {"prog", "-csv", "-csvgen"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(forms(p), forms_t(false, false, false, true, false, false));
         EXPECT_TRUE(p.m_no_whitespace);
     }},
    {"CsvgenStaysBesideCsvl2t",
     {"prog", "-csvl2t", "-csvgen"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(forms(p), forms_t(false, false, true, true, false, false));
         EXPECT_TRUE(p.m_header_pending);
         expect_separator(p, ",", ',', ' ');
     }},
    {"XmlEmptiesSeparatorAndHeader",
     {"prog", "-xml"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(forms(p), forms_t(true, false, false, false, false, false));
         expect_separator(p, "", 0, 0);
         EXPECT_FALSE(p.m_header_pending);
     }},
    {"MultilineTestedAfterXml",
     {"prog", "-multiline", "-xml"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(forms(p), forms_t(false, false, false, false, false, true));
         expect_separator(p, "", 0, 0);
         EXPECT_TRUE(p.m_header_pending);
     }},
    {"NoWhitespaceDropsBlanks",
     {"prog", "-no_whitespace"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         expect_separator(p, "|", '|', ';');
         EXPECT_TRUE(p.m_no_whitespace);
         EXPECT_FALSE(p.m_pad);
     }},
    {"CsvSeparatorTab",
     {"prog", "-csv_separator", "TAB"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) { expect_separator(p, "\t", 0, 0); }},
    {"CsvSeparatorBackslashT",
     {"prog", "-csv_separator", "\\t"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) { expect_separator(p, "\t", 0, 0); }},
    {"CsvSeparatorSemicolon",
     {"prog", "-csv_separator", ";"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) { expect_separator(p, ";", 0, 0); }},
    {"QuotedCsvTrimsSeparator",
     {"prog", "-enable_quoted_csv_fields", "-csv_separator", " , "},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         expect_separator(p, ",", 0, ' ');
         EXPECT_TRUE(p.m_quoted_csv);
         EXPECT_FALSE(p.m_pad);
     }},
    {"DateTemplateLowerCased",
     {"prog", "-dateformat", "MM/DD/YYYY"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(p.m_date_format, "mm/dd/yyyy");
         EXPECT_EQ(p.m_time_spec.separator, '/');
     }},
    {"DateTemplateWithoutOrderRefused",
     {"prog", "-dateformat", "yyyy/dd/mm"},
     true,
     {"prog"},
     "bad value for -dateformat: yyyy/dd/mm, using default format\n",
     [](const cmd_params& p) { EXPECT_EQ(p.m_date_format, "yyyy-mm-dd"); }},
    {"ShortYearDateTemplateKept",
     {"prog", "-dateformat", "dd/mm/yy"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) { EXPECT_EQ(p.m_date_format, "dd/mm/yy"); }},
    {"DateTemplateWithoutSeparatorKept",
     {"prog", "-dateformat", "yyyymmdd"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) { EXPECT_EQ(p.m_date_format, "yyyymmdd"); }},
    {"DateTemplateOfNineRefused",
     {"prog", "-dateformat", "YYYY-MM-D"},
     true,
     {"prog"},
     "bad value for -dateformat: YYYY-MM-D, using default format\n",
     [](const cmd_params& p) { EXPECT_EQ(p.m_date_format, "yyyy-mm-dd"); }},
    {"TimeTemplateTooShort",
     {"prog", "-timeformat", "hh:mm"},
     true,
     {"prog"},
     "bad value for -timeformat: hh:mm, using default format\n",
     [](const cmd_params& p) { EXPECT_EQ(p.m_time_format, "hh:mm:ss.xxx"); }},
    {"TimeTemplateOfElevenRefused",
     {"prog", "-timeformat", "hh:mm:ss.xx"},
     true,
     {"prog"},
     "bad value for -timeformat: hh:mm:ss.xx, using default format\n",
     [](const cmd_params& p) { EXPECT_EQ(p.m_time_format, "hh:mm:ss.xxx"); }},
    {"TimeTemplateMicroseconds",
     {"prog", "-timeformat", "HH:MM:SS.XXXXXX"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(p.m_time_format, "hh:mm:ss.xxxxxx");
         EXPECT_EQ(p.m_time_spec.fraction_digits(), 6U);
     }},
    {"DefaultTemplatesCompiled",
     {"prog"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(std::make_tuple(p.m_time_spec.separator, p.m_time_spec.date_flags,
                                   p.m_time_spec.fraction_digits()),
                   std::make_tuple('-', uint8{0x86}, 3U));
         EXPECT_TRUE(p.m_os_version.empty());  // no macOS version file here
     }},
    {"WindowStartOpensEnd",
     {"prog", "-cmd_start_time", "2020/01/31"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(std::make_tuple(p.m_start_valid, p.m_start_filetime, p.m_start_unix),
                   std::make_tuple(true, 132249024000000000ULL, 1580428800U));
         EXPECT_EQ(std::make_tuple(p.m_stop_valid, p.m_stop_filetime, p.m_stop_unix),
                   std::make_tuple(true, ~0ULL, ~0U));
     }},
    {"WindowStopEndOfDay",
     {"prog", "-cmd_stop_time", "2020/02/01"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_FALSE(p.m_start_valid);
         EXPECT_EQ(std::make_tuple(p.m_stop_valid, p.m_stop_filetime, p.m_stop_unix),
                   std::make_tuple(true, 132250751990000000ULL, 1580601599U));
     }},
    {"WindowStartWithTime",
     {"prog", "-cmd_start_time", "2020-01-31 12:00:00", "-cmd_stop_time", "2020-01-31 12:00:00"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(p.m_start_unix, 1580472000U);
         EXPECT_TRUE(p.m_stop_valid);  // an end equal to the start stands
         EXPECT_EQ(p.m_stop_unix, 1580472000U);
     }},
    // The 32-bit Unix bounds cover 1970 to 2106; a window end outside them is clamped, never
    // cut to another year.
    {"WindowUnixBoundsClamped",
     {"prog", "-cmd_start_time", "1950/01/01", "-cmd_stop_time", "2200/01/01"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(std::make_tuple(p.m_start_valid, p.m_start_unix, p.m_stop_valid, p.m_stop_unix),
                   std::make_tuple(true, 0U, true, 0xFFFFFFFFU));
         EXPECT_LT(p.m_start_filetime, 116444736000000000ULL);
     }},
    // A window value that cannot be read, or an end before the start, stops the run with
    // the option's message: going on would report files from outside the period asked for.
    {"WindowStopBeforeStartRefused",
     {"prog", "-cmd_start_time", "2020/02/01", "-cmd_stop_time", "2020/01/31"},
     false,
     {"prog"},
     "invalid stop time\n",
     nullptr},
    {"WindowDateWithoutSeparatorFails",
     {"prog", "-cmd_start_time", "20200131"},
     false,
     {"prog"},
     "bad value for -cmd_start_time: 20200131\n",
     nullptr},
    {"WindowEmptyDateFails",
     {"prog", "-cmd_stop_time", " 2020/01/31"},
     false,
     {"prog"},
     "bad value for -cmd_stop_time:  2020/01/31\n",
     nullptr},
    {"WindowMonthZeroRefused",
     {"prog", "-cmd_start_time", "2024-00-10"},
     false,
     {"prog"},
     "invalid start time\n",
     nullptr},
    {"WindowDayBeyondMonthRefused",
     {"prog", "-cmd_start_time", "2023-02-29"},
     false,
     {"prog"},
     "invalid start time\n",
     nullptr},
    {"WindowTimeTypoRefused",
     {"prog", "-cmd_stop_time", "2024-01-10 25:99:99"},
     false,
     {"prog"},
     "invalid stop time\n",
     nullptr},
    {"AliasOddListFails",
     {"prog", "-alias", "a|b|c"},
     false,
     {"prog"},
     "imbalanced alias to true pathfiles, aborting\n",
     nullptr},
    {"AliasPairsLowerCasedFirstKept",
     {"prog", "-alias", "C:|/mnt/c|c:|/other"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         ASSERT_EQ(p.m_aliases.size(), 1U);
         EXPECT_EQ(p.m_aliases.at("c:"), "/mnt/c");
     }},
    {"AliasPathPair",
     {"prog", "-aliaspath", "E:/Img/|\"F:/Data/\""},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         ASSERT_EQ(p.m_alias_paths.size(), 1U);
         EXPECT_EQ(p.m_alias_paths.at("e:/img"), "F:/Data");
     }},
    {"AliasPathSingleFails",
     {"prog", "-aliaspath", "E:/Img/"},
     false,
     {"prog"},
     "imbalanced alias to true pathfiles, aborting\n",
     nullptr},
    {"AliasPathEmptyIsStar",
     {"prog", "-aliaspath", ""},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         ASSERT_EQ(p.m_alias_paths.count("*"), 1U);
         EXPECT_EQ(p.m_alias_paths.at("*"), "");
     }},
    {"SignatureOneToken",
     {"prog", "-filter_sig", "4d5a"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) { EXPECT_EQ(describe(p.m_filters), texts({"sig=5a@0"})); }},
    {"SignaturesWithOffsetsRepeat",
     {"prog", "-filter_sig", "4d 5a|0x200", "-filter_sig", "53 51 4c,512", "-filter_sig", "zz"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         // "zz" is no hexadecimal number, but still gives its one byte.
         EXPECT_EQ(describe(p.m_filters), texts({"sig=4d5a@512", "sig=53514c@512", "sig=00@0"}));
     }},
    {"HostileListValues",
     {"prog", "-filter_sig", "", "-filter_sig", "4d|0xffffffffffffffff", "-filter", "", "-filter",
      "|,|", "-filter_skip", " "},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         // "" and " " give no entry; "|,|" gives two "|" items.
         EXPECT_TRUE(p.m_skip_filters.empty());
         EXPECT_EQ(describe(p.m_filters),
                   texts({"text=|", "text=|", "sig=4d@18446744073709551615"}));
     }},
    // As a signature, "|,|" gives the items "|" and "|": the second is no offset.
    {"SignatureOfSeparatorsOnly",
     {"prog", "-filter_sig", "|,|"},
     false,
     {"prog"},
     "bad value for -filter_sig: |,|\n",
     nullptr},
    {"FilterPathGoesToFirstFilledList",
     {"prog", "-filter", "b.db", "-filter_skip", "A.db,c.db", "-filter_path", "/Mnt/X"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(describe(p.m_skip_filters),
                   texts({"text=a.db path=/mnt/x/6", "text=c.db path=/mnt/x/6"}));
         EXPECT_EQ(describe(p.m_filters), texts({"text=b.db"}));
     }},
    {"FilterRepeatsAppend",
     {"prog", "-filter", "a.db", "-filter", "*.db|x"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(describe(p.m_filters), texts({"text=a.db", "text=*.db", "text=x"}));
     }},
    {"SqliteKeepsLineEnds",
     {"prog", "-sqlite", "x.db", "-sqlite_log", "l.db"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(std::make_tuple(p.m_sqlite, p.m_sqlite_path, p.m_sqlite_log_path,
                                   p.m_record_newline, p.m_results_db == nullptr),
                   std::make_tuple(true, std::string("x.db"), std::string("l.db"), true, true));
     }},
    {"ProgramNameAndCommandLine",
     {"/opt/velk.bin", "-db", "a b.db"},
     true,
     {"/opt/velk.bin", "-db", "a b.db"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(p.m_program_name, "velk");
         EXPECT_EQ(p.m_command_line, "/opt/velk.bin -db \"a b.db\"");
     }},
    {"VerboseHidesShortForm",
     {"prog", "-verbose", "-v", "-quiet"},
     true,
     {"prog", "-v"},
     "",
     [](const cmd_params& p) {
         EXPECT_TRUE(p.m_verbose);
         EXPECT_FALSE(p.m_status_output);
     }},
    {"LevelFlagsOnlyWithDiags",
     {"prog", "-l2", "-l3", "-append"},
     true,
     {"prog", "-l2", "-l3", "-append"},
     "",
     [](const cmd_params& p) { EXPECT_EQ(p.m_diag_level, 0); }},
    // Option values are checked: a wrong value must stop the run, not become a setting.
    {"NumberNotANumber",
     {"prog", "-num_subdirs", "abc"},
     false,
     {"prog"},
     "bad value for -num_subdirs: abc\n",
     nullptr},
    {"NumberNegative",
     {"prog", "-num_subdirs", "-1"},
     false,
     {"prog"},
     "bad value for -num_subdirs: -1\n",
     nullptr},
    {"NumberPastItsType",
     {"prog", "-num_subdirs", "4294967296"},
     false,
     {"prog"},
     "bad value for -num_subdirs: 4294967296\n",
     nullptr},
    {"NumberWithATail",
     {"prog", "-threads", "12abc"},
     false,
     {"prog"},
     "bad value for -threads: 12abc\n",
     nullptr},
    {"NumberInHexAndAtTheEndOfItsType",
     {"prog", "-num_subdirs", "4294967295", "-cpuinst", "0xFF", "-threads", "2147483647"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(std::make_tuple(p.m_num_subdirs, p.m_cpu_instance, p.m_threads),
                   std::make_tuple(4294967295U, 255U, 2147483647));
     }},
    {"SignatureOffsetNotANumber",
     {"prog", "-filter_sig", "4d 5a|twelve"},
     false,
     {"prog"},
     "bad value for -filter_sig: 4d 5a|twelve\n",
     nullptr},
    {"EmptySeparatorRefused",
     {"prog", "-csv_separator", ""},
     false,
     {"prog"},
     "bad value for -csv_separator: \"\"\n",
     nullptr},
    {"QuoteInSeparatorRefused",
     {"prog", "-csv_separator", "a\"b"},
     false,
     {"prog"},
     "bad value for -csv_separator: a\"b\n",
     nullptr},
    {"LineBreakSeparatorRefusedAndShownEscaped",
     {"prog", "-csv_separator", "\r\n"},
     false,
     {"prog"},
     "bad value for -csv_separator: \\x0d\\x0a\n",
     nullptr},
    {"BlankSeparatorKeptUnderQuotingAndNoWhitespace",
     {"prog", "-csv_separator", " ", "-enable_quoted_csv_fields", "-no_whitespace"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) { EXPECT_EQ(p.m_separator, " "); }},
    {"SeparatorBlanksDroppedUnderQuotingAndNoWhitespace",
     {"prog", "-csv_separator", " ; ", "-enable_quoted_csv_fields", "-no_whitespace"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) { EXPECT_EQ(p.m_separator, ";"); }},
    {"EmptyResultsPathRefused",
     {"prog", "-out", ""},
     false,
     {"prog"},
     "missing value for -out\n",
     nullptr},
    {"EmptyOutfileRefused",
     {"prog", "-outfile", ""},
     false,
     {"prog"},
     "missing value for -outfile\n",
     nullptr},
    {"EmptyDiagnosticsPathRefused",
     {"prog", "-diags", ""},
     false,
     {"prog"},
     "missing value for -diags\n",
     nullptr},
    {"EmptyWalkFolderRefused",
     {"prog", "-enumdir", ""},
     false,
     {"prog"},
     "missing value for -enumdir\n",
     nullptr},
    // Any one separator between the date fields; mixed ones cannot be written.
    {"DateTemplateWithDots",
     {"prog", "-dateformat", "DD.MM.YYYY"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(p.m_date_format, "dd.mm.yyyy");
         EXPECT_EQ(std::make_tuple(p.m_time_spec.separator, p.m_time_spec.date_flags),
                   std::make_tuple('.', uint8{0x26}));
     }},
    {"DateTemplateWithMixedSeparatorsRefused",
     {"prog", "-dateformat", "dd.mm_yyyy"},
     true,
     {"prog"},
     "bad value for -dateformat: dd.mm_yyyy, using default format\n",
     [](const cmd_params& p) { EXPECT_EQ(p.m_date_format, "yyyy-mm-dd"); }},
    {"StoredSettings",
     {"prog",
      "-threads",
      "4",
      "-cpuinst",
      "0x10",
      "-cpu",
      "3",
      "-fragment_files",
      "5",
      "-gzip",
      "-zlibex",
      "x9",
      "-hostname",
      "H",
      "-username",
      "U",
      "-split_pathfile",
      "-signal",
      "done",
      "-num_subdirs",
      "2",
      "-profile",
      "-pipe",
      "-base10"},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         EXPECT_EQ(std::make_tuple(p.m_threads, p.m_cpu_instance, p.m_cpu, p.m_fragment_count,
                                   p.m_separate_files, p.m_num_subdirs),
                   std::make_tuple(4, 16U, 3U, 5U, true, 2U));
         EXPECT_EQ(std::make_tuple(p.m_compress, p.m_gzip, p.m_zlib, p.m_zlibex, p.m_zlibex_text),
                   std::make_tuple(true, true, false, true, std::string("x9")));
         EXPECT_EQ(std::make_tuple(p.m_host_name, p.m_host_given, p.m_user_name, p.m_user_given,
                                   p.m_split_pathfile, p.m_signal_text),
                   std::make_tuple(std::string("H"), true, std::string("U"), true, true,
                                   std::string("done")));
         EXPECT_EQ(std::make_tuple(p.m_profile, p.m_pipe, p.m_base16),
                   std::make_tuple(true, true, false));
     }},
};

class ParseCommonOptions : public ::testing::TestWithParam<parse_case> {};

TEST_P(ParseCommonOptions, FillsRecordAndLeavesRest) {
    const parse_case& c = GetParam();
    cmd_params options(start, true);
    args_t args = c.args;
    const parse_run run = parse(options, args);
    EXPECT_EQ(run.ok, c.ok);
    EXPECT_EQ(args, c.rest);
    EXPECT_EQ(run.err, c.err);
    if (c.check) {
        c.check(options);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseCommonOptions, ::testing::ValuesIn(parse_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(ParseCommonOptionsEdges, EmptyListFails) {
    cmd_params options(start, true);
    args_t args;
    EXPECT_FALSE(parse(options, args).ok);
}

// Folders named on the command line expand %VAR% references.
TEST(ParseCommonOptionsEdges, FoldersExpandVariables) {
    ASSERT_EQ(::setenv("VELK_PARSE_DIR", "/cases/7", 1), 0);
    cmd_params options(start, true);
    args_t args = {"prog", "-outdir", "%VELK_PARSE_DIR%/out", "-enumdir", "%VELK_PARSE_DIR%\\in"};
    EXPECT_TRUE(parse(options, args).ok);
    EXPECT_EQ(
        std::make_tuple(options.m_out_dir, options.m_outdir_given, options.m_enum_dir,
                        options.m_enum_dir_given),
        std::make_tuple(std::string("/cases/7/out"), true, std::string("/cases/7\\in"), true));
    ::unsetenv("VELK_PARSE_DIR");
}

// ---- Results and diagnostics files: named, never opened ----

class ParseWithFiles : public ::testing::Test {
protected:
    velk_test::temp_dir m_dir;
    cmd_params m_options{start, true};
};

// Parsing changes nothing on disk: the entry point checks both files and opens them only
// when the whole command line is accepted, so a run that fails later leaves them as they were.
TEST_F(ParseWithFiles, FilesAreNamedNotOpened) {
    const std::string report = m_dir.file("r.txt");
    const std::string diags = m_dir.file("d.txt");
    velk_test::write_file(report, "earlier report\n");
    velk_test::write_file(diags, "earlier diagnostics\n");
    args_t args = {"prog", "-OUT", report, "-append", "-diags", diags, "-l3"};
    const parse_run run = parse(m_options, args);
    EXPECT_EQ(std::make_tuple(run.ok, run.err, m_options.m_out_path, m_options.m_out_given),
              std::make_tuple(true, std::string(), report, true));
    EXPECT_EQ(std::make_tuple(m_options.m_diag_path, m_options.m_diag_on, m_options.m_diag_level),
              std::make_tuple(diags, false, 3));
    EXPECT_EQ(args, args_t({"prog", "-append"}));  // only looked for beside "-out"
    EXPECT_EQ(velk_test::read_file(report), "earlier report\n");
    EXPECT_EQ(velk_test::read_file(diags), "earlier diagnostics\n");
}

// A folder that does not exist is the entry point's to refuse; nothing is created here.
TEST_F(ParseWithFiles, MissingFoldersCreateNothing) {
    args_t args = {"prog", "-outfile", m_dir.file("no/r.txt"), "-diags", m_dir.file("no/d.txt")};
    EXPECT_TRUE(parse(m_options, args).ok);
    EXPECT_EQ(m_options.m_out_path, m_dir.file("no/r.txt"));
    EXPECT_EQ(velk_test::file_size(m_dir.file("no")), -1);
}

TEST_F(ParseWithFiles, OutIsTakenBeforeOutfile) {
    const std::string first = m_dir.file("a.txt");
    const std::string second = m_dir.file("b.txt");
    args_t args = {"prog", "-out", first, "-outfile", second};
    EXPECT_TRUE(parse(m_options, args).ok);
    EXPECT_EQ(m_options.m_out_path, first);
    EXPECT_EQ(args, args_t({"prog", "-outfile", second}));
}

TEST_F(ParseWithFiles, ResultsPathExpandedWithForwardSlashes) {
    ASSERT_EQ(::setenv("VELK_PARSE_OUT", m_dir.path().c_str(), 1), 0);
    args_t args = {"prog", "-out", "%VELK_PARSE_OUT%\\Out.txt"};
    EXPECT_TRUE(parse(m_options, args).ok);
    EXPECT_EQ(m_options.m_out_path, m_dir.path() + "/Out.txt");
    EXPECT_EQ(velk_test::file_size(m_dir.file("Out.txt")), -1);
    ::unsetenv("VELK_PARSE_OUT");
}

// A value that starts with '-' is still the value: "-quiet" names the results file here.
TEST_F(ParseWithFiles, DashValueIsTheResultsPath) {
    args_t args = {"prog", "-out", "-quiet"};
    EXPECT_TRUE(parse(m_options, args).ok);
    EXPECT_EQ(m_options.m_out_path, "-quiet");
    EXPECT_TRUE(m_options.m_status_output);
}

// Opened by the entry point, the diagnostics file starts with the command line.
TEST_F(ParseWithFiles, DiagnosticsFileOpenedAfterParsing) {
    const std::string path = m_dir.file("d.txt");
    velk_test::write_file(path, "stale\n");
    args_t args = {"prog", "-diags", path, "-l3", "-l2"};
    EXPECT_TRUE(parse(m_options, args).ok);
    EXPECT_EQ(m_options.m_diag_level, 2);  // "-l2" is looked for first
    EXPECT_EQ(args, args_t({"prog", "-l3"}));
    ASSERT_TRUE(m_options.open_diag_file(m_options.m_diag_path));
    m_options.diag_line("after");
    EXPECT_EQ(velk_test::read_file(path), "->prog -diags " + path + " -l3 -l2\n->after\n");
}

}  // namespace
