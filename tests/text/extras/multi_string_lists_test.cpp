#include "text/extras/multi_string_lists.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using wide_list = std::vector<std::wstring>;

// Units or bytes in a heap block of exactly their size, so that the sanitizer catches a read
// past the end.
template <typename Unit>
std::unique_ptr<Unit[]> exact(const std::vector<Unit>& items) {
    auto block = std::make_unique<Unit[]>(items.size());
    std::copy(items.begin(), items.end(), block.get());
    return block;
}

const std::vector<uint16_t> a_nul_nul_b_nul = {'a', 0, 0, 'b', 0};

struct wlist_case {
    const char* name;
    std::vector<uint16_t> units;
    int32 byte_count;
    bool stop_at_empty;
    wide_list expected;
};

const wlist_case wlist_cases[] = {
    {"SkipsEmptyItems", a_nul_nul_b_nul, 10, false, {L"a", L"b"}},
    {"EmptyItemStops", a_nul_nul_b_nul, 10, true, {L"a"}},
    {"OddCountReadsWholeUnits", a_nul_nul_b_nul, 9, false, {L"a", L"b"}},
    {"FirstStringOnly", a_nul_nul_b_nul, -1, false, {L"a"}},
    {"LeadingNulGivesEmptyItem", {0, 'a', 0}, 6, false, {L"", L"a"}},
    {"NoFinalNul", {'a', 0, 'b', 'c'}, 8, false, {L"a", L"bc"}},
    {"CountZero", a_nul_nul_b_nul, 0, false, {}},
    {"OtherNegativeCount", a_nul_nul_b_nul, -2, false, {}},
    {"SurrogatesNotPaired", {0xD83D, 0xDE00, 0}, 6, false, {{wchar_t{0xD83D}, wchar_t{0xDE00}}}},
};

class Utf16MultiToWlist : public ::testing::TestWithParam<wlist_case> {};

TEST_P(Utf16MultiToWlist, ListsTheStrings) {
    const wlist_case& c = GetParam();
    const auto block = exact(c.units);
    wide_list out = {L"stale"};
    utf16_multi_to_wlist(block.get(), out, c.byte_count, c.stop_at_empty);
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf16MultiToWlist, ::testing::ValuesIn(wlist_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Utf16MultiToWlist, FirstStringOnlyWithoutNulGivesNothing) {
    // -1 measures the first string with the capped length, which finds no NUL here.
    const std::vector<uint16_t> units(600, 'x');
    wide_list out;
    utf16_multi_to_wlist(units.data(), out, -1, false);
    EXPECT_TRUE(out.empty());
}

TEST(Utf16MultiToWlistAll, KeepsEveryItem) {
    const auto block = exact(a_nul_nul_b_nul);
    wide_list out;
    EXPECT_TRUE(utf16_multi_to_wlist_all(out, block.get(), 10));
    EXPECT_EQ(out, (wide_list{L"a", L"", L"b"}));
    EXPECT_TRUE(utf16_multi_to_wlist_all(out, block.get(), 0xFFFFFFFF));
    EXPECT_EQ(out, (wide_list{L"a"}));
    EXPECT_FALSE(utf16_multi_to_wlist_all(out, block.get(), 0));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(utf16_multi_to_wlist_all(out, nullptr, 10));
}

TEST(Utf16MultiToWlist, NoByteCountReadsPastItsUnits) {
    const std::vector<uint16_t> units = {'a', 0, 0, 'b', 'c', 0, 'd'};
    for (uint32 bytes = 0; bytes <= 2 * units.size(); ++bytes) {
        const auto block = exact(std::vector<uint16_t>(units.begin(), units.begin() + bytes / 2));
        wide_list out;
        for (const bool stop : {false, true}) {
            utf16_multi_to_wlist(block.get(), out, static_cast<int32>(bytes), stop);
            EXPECT_LE(out.size(), 3U);
        }
        (void)utf16_multi_to_wlist_all(out, block.get(), bytes);  // the bounds are the test
        EXPECT_LE(out.size(), 4U);
    }
}

TEST(MultiStringToList, AppendsEveryItemWithHighBytes) {
    const std::vector<uint8> bytes = {'a', 0, 0xE9, 'b', 0};
    const auto block = exact(bytes);
    std::vector<std::string> out = {"x"};
    multi_string_to_list(block.get(), out, 5);
    EXPECT_EQ(out, (std::vector<std::string>{"x", "a", "\xE9" "b"}));
    out.clear();
    multi_string_to_list(block.get(), out, -1);
    EXPECT_EQ(out, (std::vector<std::string>{"a"}));
}

TEST(MultiStringToList, EmptyItemsKeptAndNoFinalNulNeeded) {
    const auto doubled = exact(std::vector<uint8>{'a', 0, 0});
    std::vector<std::string> out;
    multi_string_to_list(doubled.get(), out, 3);
    EXPECT_EQ(out, (std::vector<std::string>{"a", ""}));
    const auto open = exact(std::vector<uint8>{'a', 0, 'b'});
    out.clear();
    multi_string_to_list(open.get(), out, 3);
    EXPECT_EQ(out, (std::vector<std::string>{"a", "b"}));
    multi_string_to_list(open.get(), out, 0);
    multi_string_to_list(nullptr, out, 3);
    multi_string_to_list(open.get(), out, -9);
    EXPECT_EQ(out.size(), 2U);
}

}  // namespace
