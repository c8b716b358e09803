#include "text/extras/packed_string_lists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct list_case {
    const char* name;
    std::vector<char> bytes;
    std::vector<std::string> texts;
    int consumed;
};

const list_case list_cases[] = {
    {"two_byte_count", {'\x80', 2, 1, 'a', 1, 'b'}, {"a", "b"}, 6},
    {"one_byte_count", {2, 1, 'a', 1, 'b'}, {"a", "b"}, 5},
    {"count_above_data", {5, 1, 'a'}, {}, 1},
    {"two_byte_count_cut", {'\x80'}, {}, 0},
    {"count_only", {1}, {}, 1},
    // The data holds three bytes for three strings but the first claims them all: the list
    // keeps its three entries, the unread ones empty.
    {"strings_cut", {3, 2, 'a', 'b'}, {"ab", "", ""}, 4},
    // A string whose length runs past the data takes only its length byte.
    {"length_past_data", {2, 9, 'a', 'b'}, {"", ""}, 3},
};

class UnpackLengthStringList : public ::testing::TestWithParam<list_case> {};

TEST_P(UnpackLengthStringList, ReadsInsideItsCount) {
    const list_case& c = GetParam();
    // A copy of exactly the case's bytes, so ASan sees any read past the count.
    std::vector<char> bytes = c.bytes;
    std::vector<std::string> out{"old"};
    EXPECT_EQ(unpack_length_string_list(out, bytes.data(), static_cast<uint32>(bytes.size())),
              c.consumed);
    EXPECT_EQ(out, c.texts);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnpackLengthStringList, ::testing::ValuesIn(list_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(LengthStringFromBytes, FirstStringOrNothing) {
    std::string out = "old";
    EXPECT_EQ(length_string_from_bytes(out, {2, 'h', 'i', 'x'}), 3);
    EXPECT_EQ(out, "hi");
    EXPECT_EQ(length_string_from_bytes(out, {}), 0);
    EXPECT_TRUE(out.empty());
}

// Every piece, not only the one before the first NUL.
TEST(SplitBytesOnNul, DropsEmptyPieces) {
    std::vector<std::string> out{"old"};
    EXPECT_TRUE(split_bytes_on_nul({'a', 0, 0, 'b', 'c', 0}, out));
    EXPECT_EQ(out, (std::vector<std::string>{"a", "bc"}));
    EXPECT_FALSE(split_bytes_on_nul({}, out));
}

const byte_array ab_c_multi_sz{0x61, 0, 0x62, 0, 0, 0, 0x63, 0, 0, 0, 0, 0};

TEST(MultiSz, RoundTripOnceEach) {
    byte_array bytes{1};
    wide_list_to_multi_sz({L"ab", L"c"}, bytes);
    EXPECT_EQ(bytes, ab_c_multi_sz);
    wide_list_to_multi_sz({}, bytes);
    EXPECT_TRUE(bytes.empty());
    // Only the low 16 bits of a character are kept.
    wide_list_to_multi_sz({std::wstring(1, static_cast<wchar_t>(0x1F600))}, bytes);
    EXPECT_EQ(bytes, (byte_array{0x00, 0xF6, 0, 0, 0, 0}));

    // From an odd address, so every unit load must be a copy.
    std::vector<uint8> shifted(1 + ab_c_multi_sz.size());
    std::memcpy(shifted.data() + 1, ab_c_multi_sz.data(), ab_c_multi_sz.size());
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): never dereferenced as such
    const auto* units = reinterpret_cast<const uint16*>(shifted.data() + 1);
    std::vector<std::wstring> texts{L"old"};
    EXPECT_EQ(multi_sz_to_wide_list(units, texts, 12), 12u);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"ab", L"c"}));
    EXPECT_EQ(multi_sz_to_wide_list(units, texts, 5), 4u);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"ab"}));
    EXPECT_EQ(multi_sz_to_wide_list(nullptr, texts, 12), 0u);
    EXPECT_TRUE(texts.empty());
}

TEST(MultiSz, SurrogatePairsDecode) {
    const uint16 units[] = {0xD83D, 0xDE00, 0, 0x41, 0, 0};
    std::vector<std::wstring> texts;
    EXPECT_EQ(multi_sz_to_wide_list(units, texts, sizeof(units)), 12u);
    EXPECT_EQ(texts,
              (std::vector<std::wstring>{std::wstring(1, static_cast<wchar_t>(0x1F600)), L"A"}));
}

}  // namespace
