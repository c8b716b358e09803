#include "text/extras/text_list_merges.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using wide_list = std::vector<std::wstring>;
using range_list = std::vector<std::pair<uint64, uint64>>;

TEST(TakeItemWithPrefix, MovesTheFirstCaseBlindPrefixMatch) {
    wide_list list = {L"a", L"x-o", L"-Out=x", L"-o2"};
    std::wstring out;
    EXPECT_TRUE(take_item_with_prefix("-o", out, list));
    EXPECT_EQ(out, L"-Out=x");
    EXPECT_EQ(list, (wide_list{L"a", L"x-o", L"-o2"}));  // "x-o" holds it, not at its start

    EXPECT_FALSE(take_item_with_prefix("-z", out, list));
    EXPECT_FALSE(take_item_with_prefix("", out, list));  // an empty prefix matches no item
    EXPECT_EQ(list.size(), 3U);
}

TEST(TakePackedFlagW, FindsThePackedWordCaseBlind) {
    constexpr uint64 vmdk = 0x766D646B;  // 'v' 'm' 'd' 'k', v the most significant
    wide_list list = {L"-VMDK"};
    EXPECT_TRUE(take_packed_flag_w(vmdk, list, true));
    EXPECT_EQ(list.size(), 1U);
    EXPECT_TRUE(take_packed_flag_w(vmdk, list, false));
    EXPECT_TRUE(list.empty());
    list = {L"-vmd", L"vmdk"};
    EXPECT_FALSE(take_packed_flag_w(vmdk, list, false));
    EXPECT_EQ(list.size(), 2U);
    EXPECT_FALSE(has_vmdk_option({L"-vmdk"}));
}

TEST(DedupeKeepOrder, KeepsFirstOccurrencesCaseSensitive) {
    std::vector<std::string> list = {"b", "a", "b", "A", "a"};
    dedupe_keep_order(list);
    EXPECT_EQ(list, (std::vector<std::string>{"b", "a", "A"}));
}

TEST(JoinKeys, SkipsEmptyTextsOnlyWhenAsked) {
    std::string out = "stale";
    EXPECT_EQ(join_keys(out, {"", "a", "b"}, ",", true), "a,b");
    EXPECT_EQ(join_keys(out, {"", "a", "b"}, ",", false), ",a,b");
    EXPECT_EQ(join_keys(out, {"a", "b"}, ", ", false), "a, b");
    EXPECT_EQ(join_keys(out, {}, ",", true), "");
    EXPECT_EQ(out, "");
}

TEST(MergeUniqueSorted, AppendsDistinctTextsAscending) {
    std::vector<std::string> out;
    EXPECT_TRUE(merge_unique_sorted({"b", "A"}, {"a"}, out, true));
    EXPECT_EQ(out, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(merge_unique_sorted({"b", "A"}, {"a", "b"}, out, false));
    EXPECT_EQ(out, (std::vector<std::string>{"a", "b", "A", "a", "b"}));
}

TEST(U64SetUnion, TrueWhenTheUnionHoldsValues) {
    std::vector<uint64> out = {9};
    EXPECT_TRUE(u64_set_union(out, {1, 3}, {2}));
    EXPECT_EQ(out, (std::vector<uint64>{1, 2, 3}));
    EXPECT_TRUE(u64_set_union(out, {}, {5}));
    EXPECT_EQ(out, (std::vector<uint64>{5}));
    EXPECT_FALSE(u64_set_union(out, {}, {}));
    EXPECT_TRUE(out.empty());
}

struct ranges_case {
    const char* name;
    const char* text;
    bool result;
    range_list ranges;
};

const ranges_case ranges_cases[] = {
    {"range_and_single", "1-5, 9", true, {{1, 5}, {9, 9}}},
    {"unreadable_piece_skipped", "x-3, 4", true, {{4, 4}}},
    {"hex_and_blanks", " 0x10 - 0x20 ,7", true, {{16, 32}, {7, 7}}},
    {"open_range_skipped", "5-, 6", true, {{6, 6}}},
    {"separators_only", ",,", true, {}},
    {"blank_pieces", " , ", true, {}},
    {"empty", "", false, {}},
};

class ParseU64Ranges : public ::testing::TestWithParam<ranges_case> {};

TEST_P(ParseU64Ranges, ReadsEachPiece) {
    const ranges_case& c = GetParam();
    range_list out = {{7, 7}};
    EXPECT_EQ(parse_u64_ranges(out, c.text, ',', '-'), c.result);
    EXPECT_EQ(out, c.ranges);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseU64Ranges, ::testing::ValuesIn(ranges_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(LoadKeyValueMap, FirstPairOfAKeyWinsAndOnlyTheLineIsTrimmed) {
    const std::string text = "a=1\r\nc\r\na=3\r\nk=v=w\n x = y ";
    const byte_array bytes(text.begin(), text.end());
    std::map<std::string, std::string> out = {{"stale", "1"}};
    EXPECT_TRUE(load_key_value_map(out, bytes));
    EXPECT_EQ(out, (std::map<std::string, std::string>{{"a", "1"}, {"k", "v=w"}, {"x ", " y"}}));

    const std::string none = "no pairs\n";
    EXPECT_FALSE(load_key_value_map(out, byte_array(none.begin(), none.end())));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(load_key_value_map(out, byte_array()));
}

}  // namespace
