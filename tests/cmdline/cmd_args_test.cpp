#include "cmdline/cmd_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using string_list = std::vector<std::string>;

struct take_case {
    const char* name;
    string_list args;
    const char* option;
    bool found;
    std::string value;  // expected value ("untouched" when not found)
    string_list after;
};

const take_case take_cases[] = {
    {"CaseBlindWholeArgument", {"prog", "-OUT", "a.txt"}, "-out", true, "a.txt", {"prog"}},
    {"LastArgumentNotTaken", {"prog", "-db"}, "-db", false, "untouched", {"prog", "-db"}},
    {"ValueMayLookLikeOption", {"prog", "-out", "-csv"}, "-out", true, "-csv", {"prog"}},
    {"LongerArgumentNoMatch",
     {"prog", "-outx", "a"},
     "-out",
     false,
     "untouched",
     {"prog", "-outx", "a"}},
    {"ShorterArgumentNoMatch",
     {"prog", "-ou", "a"},
     "-out",
     false,
     "untouched",
     {"prog", "-ou", "a"}},
    {"ScanIncludesEntryZero", {"-x", "v", "prog"}, "-x", true, "v", {"prog"}},
    {"OthersKeptInOrder", {"prog", "-a", "-x", "1", "-b"}, "-x", true, "1", {"prog", "-a", "-b"}},
    {"EmptyList", {}, "-x", false, "untouched", {}},
};

class TakeOptionValue : public ::testing::TestWithParam<take_case> {};

TEST_P(TakeOptionValue, TakesOptionAndValueOnly) {
    const take_case& c = GetParam();
    string_list args = c.args;
    std::string value = "untouched";
    EXPECT_EQ(take_option_value(c.option, value, args), c.found);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(args, c.after);

    // The non-consuming twin answers the same and changes nothing.
    string_list copy = c.args;
    std::string peek = "untouched";
    EXPECT_EQ(get_option_value(c.option, peek, copy, false), c.found);
    EXPECT_EQ(peek, c.value);
    EXPECT_EQ(copy, c.args);
}

INSTANTIATE_TEST_SUITE_P(Cases, TakeOptionValue, ::testing::ValuesIn(take_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TakeOptionValue, RepeatedOptionTakenInTurn) {
    string_list args = {"prog", "-x", "first", "-X", "second"};
    std::string value;
    ASSERT_TRUE(take_option_value("-x", value, args));
    EXPECT_EQ(value, "first");
    ASSERT_TRUE(take_option_value("-x", value, args));
    EXPECT_EQ(value, "second");
    EXPECT_FALSE(take_option_value("-x", value, args));
    EXPECT_EQ(args, string_list{"prog"});
    EXPECT_FALSE(take_option_value(nullptr, value, args));
}

TEST(HasOption, SkipFirstIgnoresProgramName) {
    const string_list args = {"-quiet", "-db", "x"};
    EXPECT_TRUE(has_option("-QUIET", args, false));
    EXPECT_FALSE(has_option("-quiet", args, true));
    EXPECT_TRUE(has_option("-db", args, true));

    std::string value;
    EXPECT_FALSE(get_option_value("-quiet", value, args, true));
    EXPECT_TRUE(get_option_value("-quiet", value, args, false));
    EXPECT_EQ(value, "-db");
}

TEST(TakeFlag, RemovesUnlessKept) {
    string_list args = {"prog", "-CSV", "-quiet"};
    EXPECT_TRUE(take_flag("-csv", args, true));
    EXPECT_EQ(args.size(), 3U);
    EXPECT_TRUE(take_flag("-csv", args, false));
    EXPECT_EQ(args, (string_list{"prog", "-quiet"}));
    EXPECT_FALSE(take_flag("-csv", args, false));
    EXPECT_TRUE(take_flag("prog", args, false));  // lists are searched from entry 0
    EXPECT_EQ(args, string_list{"-quiet"});
}

// Raw arrays: entry 0 never matches, removal shifts later pointers and lowers the count.
TEST(ArgvForms, NeverMatchEntryZeroAndLowerCount) {
    char a0[] = "-out";
    char a1[] = "-Out";
    char a2[] = "r.txt";
    char a3[] = "-csv";
    char* argv[] = {a0, a1, a2, a3};
    int32 count = 4;

    EXPECT_TRUE(has_flag_argv("-csv", &count, argv));
    EXPECT_FALSE(has_flag_argv("-missing", &count, argv));
    std::string value;
    ASSERT_TRUE(get_option_value_argv("-out", value, &count, argv));
    EXPECT_EQ(value, "r.txt");
    EXPECT_EQ(count, 4);

    value.clear();
    ASSERT_TRUE(take_option_value_argv("-OUT", value, &count, argv));
    EXPECT_EQ(value, "r.txt");
    ASSERT_EQ(count, 2);
    EXPECT_EQ(argv[0], a0);
    EXPECT_EQ(argv[1], a3);

    EXPECT_FALSE(take_option_value_argv("-out", value, &count, argv));  // only entry 0 left
    EXPECT_FALSE(take_option_value_argv("-csv", value, &count, argv));  // last: no value
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(find_flag_argv("-csv", &count, argv, false));
    EXPECT_EQ(count, 1);
    EXPECT_FALSE(find_flag_argv("-csv", &count, argv, false));
}

TEST(ArgvForms, NullPointersAndNullEntries) {
    char a0[] = "prog";
    char a2[] = "-x";
    char* argv[] = {a0, nullptr, a2, nullptr};
    int32 count = 4;
    std::string value = "old";
    ASSERT_TRUE(take_option_value_argv("-x", value, &count, argv));
    EXPECT_EQ(value, "");  // a null value entry reads as empty
    EXPECT_EQ(count, 2);
    EXPECT_FALSE(has_flag_argv("-x", nullptr, argv));
    EXPECT_FALSE(has_flag_argv("-x", &count, nullptr));
}

TEST(WideForms, WidenedNameCaseBlind) {
    std::vector<std::wstring> args = {L"-h", L"-DB", L"\u00e9t\u00e9"};
    EXPECT_TRUE(has_option_w("-h", args, false));
    EXPECT_FALSE(has_option_w("-h", args, true));
    EXPECT_TRUE(has_option_w("\xc3\xa9t\xc3\xa9", args, true));
    EXPECT_TRUE(take_flag_w("-db", args, true));
    EXPECT_EQ(args.size(), 3U);
    EXPECT_TRUE(take_flag_w("-db", args, false));
    EXPECT_EQ(args, (std::vector<std::wstring>{L"-h", L"\u00e9t\u00e9"}));
    EXPECT_FALSE(take_flag_w("-db", args, false));
}

TEST(StringListFromArgv, CountZeroNullEntryAndWide) {
    string_list list;
    char* none[] = {nullptr};
    EXPECT_FALSE(string_list_from_argv(list, 0, none));
    EXPECT_TRUE(list.empty());

    char a0[] = "prog";
    char* argv[] = {a0, nullptr};
    EXPECT_TRUE(string_list_from_argv(list, 2, argv));
    EXPECT_EQ(list, (string_list{"prog", ""}));

    wchar_t w0[] = L"caf\u00e9";
    wchar_t* wargv[] = {w0, nullptr};
    string_list wide;
    EXPECT_TRUE(string_list_from_wargv(wide, 2, wargv));
    EXPECT_EQ(wide, (string_list{"caf\xc3\xa9", ""}));
}

}  // namespace
