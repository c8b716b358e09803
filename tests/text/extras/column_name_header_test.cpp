#include "text/extras/column_name_header.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using u32_list = std::vector<uint32>;

struct header_case {
    const char* name;
    std::vector<std::string> names;
    u32_list widths_in;
    std::string separator;
    bool end_line;
    std::string line;
    u32_list positions;
    u32_list widths_out;
};

const header_case header_cases[] = {
    {"own_widths", {"a", "bbb"}, {}, " | ", true, "a | bbb   \n", {0, 4, 10}, {1, 3}},
    {"given_widths_larger_only",
     {"a", "bbb"},
     {4, 2},
     " | ",
     true,
     "a    | bbb   \n",
     {0, 7, 13},
     {4, 3}},
    {"widths_of_other_count_ignored",
     {"a", "bbb"},
     {9},
     " | ",
     false,
     "a | bbb   ",
     {0, 4, 10},
     {1, 3}},
    {"long_separator_keeps_tail", {"ab"}, {}, "<-->", false, "ab   >", {0, 6}, {2}},
    {"short_separator", {"ab", "c"}, {}, ",", false, "ab,c   ", {0, 3, 5}, {2, 1}},
};

class WriteNameHeader : public ::testing::TestWithParam<header_case> {};

TEST_P(WriteNameHeader, PadsNamesAndRecordsColumns) {
    const header_case& c = GetParam();
    std::ostringstream out;
    u32_list positions = {99};
    std::map<std::string, uint32> by_name = {{"stale", 1}};
    u32_list widths = c.widths_in;
    EXPECT_TRUE(
        write_name_header(out, positions, by_name, widths, c.names, c.separator, c.end_line));
    EXPECT_EQ(out.str(), c.line);
    EXPECT_EQ(positions, c.positions);
    EXPECT_EQ(widths, c.widths_out);
    EXPECT_EQ(by_name.size(), c.names.size());
    EXPECT_EQ(by_name.count("stale"), 0U);
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteNameHeader, ::testing::ValuesIn(header_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(WriteNameHeaderMap, KeysAreTrimmedLowerCasedAndKeepTheLargerWidth) {
    std::ostringstream out;
    u32_list positions;
    std::map<std::string, uint32> by_name;
    u32_list widths = {1, 6, 1};
    EXPECT_TRUE(
        write_name_header(out, positions, by_name, widths, {" Ab", "ab", "Cc"}, "|", false));
    EXPECT_EQ(by_name, (std::map<std::string, uint32>{{"ab", 6}, {"cc", 2}}));
}

TEST(WriteNameHeaderMap, NoNamesWritesNothing) {
    std::ostringstream out;
    u32_list positions = {1};
    std::map<std::string, uint32> by_name = {{"x", 1}};
    u32_list widths = {5};
    EXPECT_FALSE(write_name_header(out, positions, by_name, widths, {}, " | ", true));
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(positions.empty());
    EXPECT_TRUE(by_name.empty());
    EXPECT_EQ(widths, u32_list{5});
}

TEST(WriteNameHeaderW, CutsTheLastSeparatorAndWritesUtf8) {
    std::ostringstream out;
    u32_list positions;
    std::map<std::wstring, uint32> by_name;
    u32_list widths;
    EXPECT_TRUE(write_name_header_w(out, positions, by_name, widths, {L"a", L"bbb"}, L" | "));
    EXPECT_EQ(out.str(), "a | bbb\n");
    EXPECT_EQ(positions, (u32_list{0, 4, 10}));
    EXPECT_EQ(widths, (u32_list{1, 3}));
    EXPECT_EQ(by_name, (std::map<std::wstring, uint32>{{L"a", 1}, {L"bbb", 3}}));

    std::ostringstream keyed;
    widths.clear();
    EXPECT_TRUE(write_name_header_w(keyed, positions, by_name, widths, {L" Ab\t", L"ab"}, L","));
    EXPECT_EQ(by_name, (std::map<std::wstring, uint32>{{L"ab", 4}}));

    std::ostringstream accented;
    widths = {4};
    EXPECT_TRUE(write_name_header_w(accented, positions, by_name, widths, {L"\u00C9t"}, L";"));
    EXPECT_EQ(accented.str(), "\xC3\x89t  \n");
}

}  // namespace
