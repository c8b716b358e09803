#include "text/list_helpers.h"

#include <gtest/gtest.h>

namespace {

struct difference_case {
    const char* name;
    std::set<int64> a;
    std::set<int64> b;
    std::vector<int64> missing;
    bool all_found;
};

class Int64SetDifference : public ::testing::TestWithParam<difference_case> {};

TEST_P(Int64SetDifference, ListsValuesOfAMissingFromB) {
    const difference_case& c = GetParam();
    std::vector<int64> out = {99};
    EXPECT_EQ(int64_set_difference(out, c.a, c.b), c.all_found);
    EXPECT_EQ(out, c.missing);
}

const difference_case difference_cases[] = {
    {"SomeMissing", {1, 2, 3}, {2}, {1, 3}, false},
    {"AllFound", {1, 2}, {1, 2, 5}, {}, true},
    {"EmptyB", {1, 2}, {}, {1, 2}, false},
    {"EmptyA", {}, {1}, {}, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, Int64SetDifference, ::testing::ValuesIn(difference_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(UniqueWstringList, KeepsFirstOccurrencesInOrder) {
    std::vector<std::wstring> list = {L"b", L"a", L"b", L"c", L"a", L"A"};
    unique_wstring_list(list);
    EXPECT_EQ(list, (std::vector<std::wstring>{L"b", L"a", L"c", L"A"}));
}

TEST(StringsToCArrays, PointsIntoTheListWithNullForEmptyItems) {
    const std::vector<std::string> list = {"abc", "", "de"};
    std::vector<const char*> pointers = {nullptr};
    std::vector<uint32> lengths = {7, 7};
    ASSERT_TRUE(strings_to_c_arrays(pointers, lengths, list));
    EXPECT_EQ(lengths, (std::vector<uint32>{3, 0, 2}));
    ASSERT_EQ(pointers.size(), 3U);
    EXPECT_EQ(pointers[0], list[0].data());
    EXPECT_EQ(pointers[1], nullptr);
    EXPECT_EQ(pointers[2], list[2].data());

    EXPECT_FALSE(strings_to_c_arrays(pointers, lengths, {}));
    EXPECT_TRUE(pointers.empty());
    EXPECT_TRUE(lengths.empty());
}

TEST(SetNamedLists, FillsOnlyFromMatchingNonEmptyLists) {
    named_lists record;
    EXPECT_FALSE(set_named_lists(record, "pairs", {"a", "b"}, {"1"}));
    EXPECT_FALSE(record.filled);
    EXPECT_FALSE(set_named_lists(record, "pairs", {}, {}));
    EXPECT_FALSE(record.filled);
    EXPECT_FALSE(set_named_lists(record, "pairs", {"a", "b"}, {"1", "2"}));
    EXPECT_TRUE(record.filled);
    EXPECT_EQ(record.name, "pairs");
    EXPECT_EQ(record.first, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(record.second, (std::vector<std::string>{"1", "2"}));
}

}  // namespace
