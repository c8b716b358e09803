#include "text/name_list.h"

#include <gtest/gtest.h>

namespace {

std::string name_of(int v) {
    switch (v) {
        case 1:
            return "alpha";
        case 2:
            return "beta";
        case 3:
            return "Gamma";
        case 4:
            return "";
        default:
            return std::string(1, 'x').append(std::to_string(v));
    }
}

struct name_list_case {
    const char* name;
    uint32 flags;
    std::vector<int> values;  // always followed by a 0 entry
    std::string expected;
};

class PrintNameList : public ::testing::TestWithParam<name_list_case> {};

TEST_P(PrintNameList, WritesNamesAsFlagsSay) {
    const name_list_case& c = GetParam();
    std::vector<int> values = c.values;
    values.push_back(0);
    std::stringstream out;
    out << "old";
    print_name_list(out, c.flags, name_of, values.data());
    EXPECT_EQ(out.str(), c.expected);
}

const name_list_case name_list_cases[] = {
    {"CapitaliseEachWithDot", 0x20000000 | 0x01000000 | 2, {1, 2}, "Alpha.Beta"},
    {"CountedUpToZero", 0x00200000, {1, 2, 3}, "alpha|beta|Gamma"},
    {"NoSeparator", 0, {1, 2}, "alphabeta"},
    {"UnderscoreWinsOverOthers", 0x10000000 | 0x80000000 | 0x00200000, {1, 2}, "alpha_beta"},
    {"BlankWinsOverDot", 0x80000000 | 0x01000000, {1, 2}, "alpha beta"},
    {"SlashThenBackslash", 0x02000000 | 0x04000000, {1, 2}, "alpha/beta"},
    {"Backslash", 0x04000000 | 0x00200000, {1, 2}, "alpha\\beta"},
    {"UpperCase", 0x08000000 | 0x00200000, {1, 3}, "ALPHA|GAMMA"},
    {"LowerCase", 0x00800000 | 0x00200000, {1, 3}, "alpha|gamma"},
    {"CapitaliseWinsOverUpper", 0x20000000 | 0x08000000 | 0x00200000, {1, 2}, "Alpha|Beta"},
    {"CapitaliseFirstOnly", 0x40000000 | 0x08000000 | 0x00200000, {1, 2}, "Alpha|BETA"},
    {"EmptyNameKeepsSeparator", 0x20000000 | 0x00200000, {1, 4, 2}, "Alpha||Beta"},
    {"KeepStream", 0x00400000 | 0x00200000, {1}, "oldalpha"},
    {"GivenCountHoldingZero", 0x00200000 | 3, {1, 2}, ""},
    {"NoValues", 0x00200000, {}, ""},
    {"TenCounted",
     0,
     {1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
     "alphaalphaalphaalphaalphaalphaalphaalphaalphaalpha"},
    {"ElevenCounted", 0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, PrintNameList, ::testing::ValuesIn(name_list_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PrintNameListInput, NullValuesWriteNothing) {
    std::stringstream out;
    out << "old";
    print_name_list(out, 0x00200000, name_of, nullptr);
    EXPECT_EQ(out.str(), "");
    // A given count of 2 reads only two values, whatever follows.
    const int values[] = {1, 2, 77};
    print_name_list(out, 2 | 0x01000000, name_of, values);
    EXPECT_EQ(out.str(), "alpha.beta");
}

TEST(SanitizeName, KeepsNameCharactersAndCollapsesRuns) {
    std::string out = "stale";
    EXPECT_EQ(sanitize_name(out, "  my file!.csv "), "my_file_.csv");
    EXPECT_EQ(sanitize_name(out, "a//b::c"), "a_b_c");
    EXPECT_EQ(sanitize_name(out, "-._09AZaz"), "-._09AZaz");
    EXPECT_EQ(sanitize_name(out, "\xc3\xa9t\xc3\xa9"), "t");
    EXPECT_EQ(sanitize_name(out, "!!!"), "");
}

}  // namespace
