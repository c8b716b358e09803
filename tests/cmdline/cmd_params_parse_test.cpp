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
     "invalid yyyy/dd/mm, using default format\n",
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
     "invalid YYYY-MM-D, using default format\n",
     [](const cmd_params& p) { EXPECT_EQ(p.m_date_format, "yyyy-mm-dd"); }},
    {"TimeTemplateTooShort",
     {"prog", "-timeformat", "hh:mm"},
     true,
     {"prog"},
     "invalid hh:mm, using default format\n",
     [](const cmd_params& p) { EXPECT_EQ(p.m_time_format, "hh:mm:ss.xxx"); }},
    {"TimeTemplateOfElevenRefused",
     {"prog", "-timeformat", "hh:mm:ss.xx"},
     true,
     {"prog"},
     "invalid hh:mm:ss.xx, using default format\n",
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
    {"WindowStopBeforeStartRefused",
     {"prog", "-cmd_start_time", "2020/02/01", "-cmd_stop_time", "2020/01/31"},
     true,
     {"prog"},
     "invalid stop time, ignoring\n",
     [](const cmd_params& p) {
         EXPECT_TRUE(p.m_start_valid);
         EXPECT_EQ(std::make_tuple(p.m_stop_valid, p.m_stop_filetime, p.m_stop_unix),
                   std::make_tuple(false, 0ULL, 0U));
     }},
    {"WindowDateWithoutSeparatorFails",
     {"prog", "-cmd_start_time", "20200131"},
     false,
     {"prog"},
     "",
     nullptr},
    {"WindowEmptyDateFails",
     {"prog", "-cmd_stop_time", " 2020/01/31"},
     false,
     {"prog"},
     "",
     nullptr},
    {"WindowMonthZeroIgnored",
     {"prog", "-cmd_start_time", "2024-00-10"},
     true,
     {"prog"},
     "invalid start time, ignoring\n",
     [](const cmd_params& p) {
         EXPECT_EQ(std::make_tuple(p.m_start_valid, p.m_start_filetime, p.m_stop_valid),
                   std::make_tuple(false, 0ULL, false));
     }},
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
     {"prog", "-filter_sig", "", "-filter_sig", "|,|", "-filter_sig", "4d|0xffffffffffffffff",
      "-filter", "", "-filter", "|,|", "-filter_skip", " "},
     true,
     {"prog"},
     "",
     [](const cmd_params& p) {
         // "" and " " give no entry; "|,|" gives two "|" items, and as a signature one
         // byte (the first "|" read as a number).
         EXPECT_TRUE(p.m_skip_filters.empty());
         EXPECT_EQ(describe(p.m_filters),
                   texts({"text=|", "text=|", "sig=00@0", "sig=4d@18446744073709551615"}));
     }},
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

// ---- Results-file probe and diagnostics file: real paths ----

class ParseWithFiles : public ::testing::Test {
protected:
    velk_test::temp_dir m_dir;
    cmd_params m_options{start, true};
};

// The probe must never change what is already at the path: the run may still fail before
// it writes its report.
TEST_F(ParseWithFiles, ExistingResultsFileUntouched) {
    const std::string path = m_dir.file("r.txt");
    for (const bool append : {false, true}) {
        velk_test::write_file(path, "earlier report\n");
        cmd_params options(start, true);
        args_t args = {"prog", "-OUT", path, "-append"};
        if (!append) {
            args.pop_back();
        }
        const parse_run run = parse(options, args);
        // "-append" is only looked for: it stays for the entry point.
        EXPECT_EQ(std::make_tuple(run.ok, run.err, options.m_out_path, args.size()),
                  std::make_tuple(true, std::string(), path, append ? 2U : 1U));
        EXPECT_EQ(velk_test::read_file(path), "earlier report\n") << "append " << append;
    }
}

TEST_F(ParseWithFiles, NewResultsFileLeavesNothing) {
    const std::string path = m_dir.file("new.txt");
    args_t args = {"prog", "-outfile", path};
    EXPECT_TRUE(parse(m_options, args).ok);
    EXPECT_EQ(velk_test::file_size(path), -1);
    EXPECT_EQ(m_options.m_out_path, path);
}

TEST_F(ParseWithFiles, UnwritableResultsFileFails) {
    const std::string path = m_dir.file("no/r.txt");
    args_t args = {"prog", "-out", path, "-csv"};
    const parse_run run = parse(m_options, args);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.err, "prob opening file " + path + " for output, aborting\n");
    EXPECT_TRUE(m_options.m_csv);  // options taken before the failure stay
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
    char saved[4096] = {};
    ASSERT_NE(::getcwd(saved, sizeof(saved)), nullptr);
    ASSERT_EQ(::chdir(m_dir.path().c_str()), 0);
    args_t args = {"prog", "-out", "-quiet"};
    const bool ok = parse(m_options, args).ok;
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(m_options.m_out_path, "-quiet");
    EXPECT_TRUE(m_options.m_status_output);
}

TEST_F(ParseWithFiles, DiagsFileLevelAndFirstLine) {
    const std::string path = m_dir.file("d.txt");
    velk_test::write_file(path, "stale\n");
    args_t args = {"prog", "-diags", path, "-l3", "-l2"};
    EXPECT_TRUE(parse(m_options, args).ok);
    EXPECT_TRUE(m_options.m_diag_on);
    EXPECT_EQ(m_options.m_diag_level, 2);  // "-l2" is looked for first
    EXPECT_EQ(args, args_t({"prog", "-l3"}));
    m_options.diag_line("after");
    EXPECT_EQ(velk_test::read_file(path), "->prog -diags " + path + " -l3 -l2\n->after\n");
}

TEST_F(ParseWithFiles, UnopenableDiagsStaysOffSilently) {
    args_t args = {"prog", "-diags", m_dir.file("no/d.txt"), "-l2"};
    const parse_run run = parse(m_options, args);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(m_options.m_diag_on);
    EXPECT_TRUE(m_options.m_diag_path.empty());
    EXPECT_EQ(args, args_t({"prog", "-l2"}));
}

// Whatever no parser took is warned about, one line per argument; "-append", looked for with
// "-out" and left in place, counts as taken then.
TEST(WarnUnusedArguments, OneLinePerArgumentLeft) {
    const struct {
        args_t left;
        bool out_given;
        const char* err;
    } cases[] = {
        {{"prog"}, false, ""},
        {{"prog", "-bogus", "x"},
         false,
         "unknown option ignored: -bogus\nunknown option ignored: x\n"},
        {{"prog", "-Append"}, true, ""},
        {{"prog", "-append"}, false, "unknown option ignored: -append\n"},
    };
    for (const auto& c : cases) {
        cmd_params options(0, false);
        options.m_out_given = c.out_given;
        ::testing::internal::CaptureStderr();
        options.warn_unused_arguments(c.left);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.err);
    }
}

}  // namespace
