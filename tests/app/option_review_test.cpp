// What parsing says about options the run does not act on, and the value options left
// without a value.

#include "app/option_review.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/velk_options.h"

namespace {

using texts = std::vector<std::string>;

struct review_case {
    const char* name;
    texts args;  // after the program name
    texts notes;
    const char* err;  // standard error of parsing; "" for an accepted run
};

const char* const chunk_reason = " (-parse_chunk reads page chunks)";

const review_case review_cases[] = {
    {"NothingToSay", {"-db", "f", "-csv", "-quiet"}, {}, ""},
    {"UnimplementedTakenOutWithTheirValues",
     {"-db", "f", "-sqlite", "x.sqlite", "-XML", "-gzip", "-SQLITE", "y", "-csv"},
     {"option ignored by velk: -sqlite", "option ignored by velk: -xml",
      "option ignored by velk: -gzip"},
     ""},
    // A value is never an option name, whichever parser would look for either first.
    {"OptionNameAsValueOfACommonOption",
     {"-db", "f", "-out", "-incl_slack"},
     {},
     "missing value for -out\n"},
    {"OptionNameAsValueOfAnUnimplementedOption",
     {"-db", "f", "-sqlite", "-quiet"},
     {},
     "missing value for -sqlite\n"},
    {"OptionNameInAnyCase", {"-OUT", "-CSV", "-db", "f"}, {}, "missing value for -out\n"},
    {"ValueOptionAsValue",
     {"-csvl2t", "-username", "-db", "f"},
     {},
     "missing value for -username\n"},
    {"OptionNameAsDb", {"-db", "-carve"}, {}, "missing value for -db\n"},
    {"WalkFolderNamedAsAnOption", {"-enumdir", "-pipe"}, {}, "missing value for -enumdir\n"},
    {"ValueStartingWithADash", {"-db", "f", "-username", "-report.txt", "-csvl2t"}, {}, ""},
    {"NegativeNumberStaysABadValue",
     {"-enumdir", "d", "-num_subdirs", "-1"},
     {},
     "bad value for -num_subdirs: -1\n"},
    {"RepeatedAppliedOptionsSaidNothing",
     {"-csv", "-db", "f", "-CSV", "-all_fields", "-all_fields", "-db", "f", "-quiet", "-quiet"},
     {},
     ""},
    {"RepeatedValueOptionWithAnotherValue",
     {"-db", "a.db", "-db", "b.db"},
     {"option not used: -db b.db (the first -db is used)"},
     ""},
    {"CarveOptionsBesideParseChunk",
     {"-parse_chunk", "-carve", "-incl_slack", "-incl_settings", "-db", "f"},
     {std::string("option not used: -carve") + chunk_reason,
      std::string("option not used: -incl_slack") + chunk_reason,
      std::string("option not used: -incl_settings") + chunk_reason},
     ""},
    {"DbBesidePipe",
     {"-pipe", "-db", "f"},
     {"option not used: -db f (-pipe names the inputs)"},
     ""},
    {"DbBesideEnumdir",
     {"-enumdir", "d", "-db", "f"},
     {"option not used: -db f (-enumdir names the inputs)"},
     ""},
    {"WalkBesidePipe",
     {"-pipe", "-enumdir", "d", "-num_subdirs", "2"},
     {"option not used: -enumdir d (-pipe names the inputs)",
      "option not used: -num_subdirs 2 (no -enumdir walk)"},
     ""},
    {"LevelsWithoutDiagnostics",
     {"-db", "f", "-l2", "-l3"},
     {"option not used: -l2 (no -diags file)", "option not used: -l3 (no -diags file)"},
     ""},
    {"SecondLevelBesideTheFirst",
     {"-db", "f", "-diags", "d.txt", "-l3", "-l2"},
     {"option not used: -l3 (-l2 given)"},
     ""},
    {"ShortVerboseBesideVerbose",
     {"-db", "f", "-verbose", "-v"},
     {"option not used: -v (-verbose given)",
      "option not used: -verbose (progress is shown unless -quiet)"},
     ""},
    {"PairedDateAndTimeAlways",
     {"-db", "f", "-pair_datetime"},
     {"option not used: -pair_datetime (date and time always share one cell)"},
     ""},
    {"LayoutOptionsBesideMultiline",
     {"-db", "f", "-multiline", "-csv_separator", ";", "-no_whitespace",
      "-enable_quoted_csv_fields", "-dateformat", "dd.mm.yyyy"},
     {"option not used: -csv_separator ; (-multiline writes one value a line)",
      "option not used: -no_whitespace (-multiline writes one value a line)",
      "option not used: -enable_quoted_csv_fields (-multiline writes one value a line)"},
     ""},
    {"LayoutAndTimeOptionsBesideBodyfile",
     {"-db", "f", "-bodyfile", "-timeformat", "hh:mm:ss", "-enable_quoted_csv_fields"},
     {"option not used: -timeformat hh:mm:ss (-bodyfile writes times as Unix seconds)",
      "option not used: -enable_quoted_csv_fields (-bodyfile writes fixed fields between "
      "bars)"},
     ""},
    {"NoWhitespaceBesideCsvgen",
     {"-db", "f", "-csvgen", "-no_whitespace"},
     {"option not used: -no_whitespace (-csvgen writes no padding)"},
     ""},
    {"LayoutOptionsActedOnInCsv",
     {"-db", "f", "-csv", "-csv_separator", ";", "-no_whitespace", "-dateformat", "dd.mm.yyyy"},
     {},
     ""},
    {"OutfileBesideOut",
     {"-db", "f", "-outfile", "b.txt", "-out", "a.txt"},
     {"option not used: -outfile b.txt (-out given)"},
     ""},
    {"AppendStillWritesAnew",
     {"-db", "f", "-out", "r.txt", "-append"},
     {"option not used: -append (the results file is always written anew)"},
     ""},
    {"FormsThatLost",
     {"-db", "f", "-csv", "-bodyfile", "-csvl2t"},
     {"option not used: -csv (-bodyfile given)", "option not used: -csvl2t (-bodyfile given)"},
     ""},
    {"FixedColumnForms",
     {"-db", "f", "-csvl2t", "-all_fields", "-incl_settings"},
     {"option not used: -all_fields (-csvl2t and -bodyfile write fixed columns)",
      "option not used: -incl_settings (-csvl2t and -bodyfile write fixed columns)"},
     ""},
    {"TimelineNamesWithoutTimeline",
     {"-db", "f", "-hostname", "h"},
     {"option not used: -hostname h (only -csvl2t writes it)"},
     ""},
    {"FiltersOfASingleDatabase",
     {"-db", "f", "-filter", "*.db"},
     {"option not used: -filter *.db (it chooses among -pipe and -enumdir inputs)"},
     ""},
    {"VerifyWithoutCarving",
     {"-db", "f", "-verify"},
     {"option not used: -verify (nothing is carved without -incl_slack, -carve or "
      "-parse_chunk)"},
     ""},
    {"UnknownArguments",
     {"-db", "f", "-bogus", "x", "-bogus"},
     {"unknown option ignored: -bogus", "unknown option ignored: x"},
     ""},
    // A value option standing last has no value, wherever the parsers would look for it.
    {"OutWithoutValue", {"-db", "f", "-out"}, {}, "missing value for -out\n"},
    {"OutWithoutValueAndNoInput", {"-csv", "-out"}, {}, "missing value for -out\n"},
    {"RepeatWithoutValue", {"-db", "f", "-out", "a", "-out"}, {}, "missing value for -out\n"},
    {"UnimplementedWithoutValue", {"-db", "f", "-sqlite"}, {}, "missing value for -sqlite\n"},
    {"DbWithoutValueBesidePipe", {"-pipe", "-db"}, {}, "missing value for -db\n"},
    {"EmptyDb", {"-db", ""}, {}, "missing value for -db\n"},
    {"NoInput", {"-csv"}, {}, "missing -db <file> (or -pipe or -enumdir)\n"},
};

class VelkOptionReview : public ::testing::TestWithParam<review_case> {};

TEST_P(VelkOptionReview, SaysWhatTheRunDoesNotActOn) {
    const review_case& c = GetParam();
    texts args{"velk"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    velk_options options;
    ::testing::internal::CaptureStderr();
    const bool accepted = options.parse(args);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.err);
    EXPECT_EQ(accepted, *c.err == '\0');
    if (accepted) {
        EXPECT_EQ(options.m_option_notes, c.notes);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkOptionReview, ::testing::ValuesIn(review_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// An option velk does not implement leaves the report as without it: "-xml" would have won
// over "-csv" and emptied the separator.
TEST(VelkOptionReview, UnimplementedOptionHasNoEffect) {
    texts args{"velk", "-db", "f", "-csv", "-xml", "-sqlite", "r.sqlite", "-outdir", "o"};
    velk_options options;
    ASSERT_TRUE(options.parse(args));
    EXPECT_TRUE(options.m_csv);
    EXPECT_FALSE(options.m_xml);
    EXPECT_EQ(options.m_separator, ",");
    EXPECT_FALSE(options.m_sqlite);
    EXPECT_TRUE(options.m_out_dir.empty());
    EXPECT_EQ(args, texts{"velk"});
}

}  // namespace
