#include "text/extras/buffer_string_runs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using strings = std::vector<std::string>;
using offsets64 = std::vector<uint64>;

struct runs_case {
    const char* name;
    bool utf16;
    byte_array bytes;
    int32 minimum;
    bool with_whitespace;
    strings found;
    offsets64 at;  // without base
};

class StringsWithOffsets : public ::testing::TestWithParam<runs_case> {};

TEST_P(StringsWithOffsets, FindsRunsAndWhereTheyStart) {
    const runs_case& c = GetParam();
    // Each case runs on an exact-size heap copy, so a read past the length trips ASan.
    const byte_array bytes = c.bytes;
    strings found{"old"};
    offsets64 at{1};
    const uint64 base = 100;
    const auto fn = c.utf16 ? utf16_strings_with_offsets : ascii_strings_with_offsets;
    EXPECT_TRUE(fn(bytes.data(), static_cast<int32>(bytes.size()), c.minimum, found, at, base,
                   false, c.with_whitespace));
    EXPECT_EQ(found, c.found);
    offsets64 expected_at;
    for (const uint64 offset : c.at) {
        expected_at.push_back(base + offset);
    }
    EXPECT_EQ(at, expected_at);
}

const runs_case runs_cases[] = {
    {"Utf16Min2", true, {'a', 0, 'b', 0, 1, 0}, 2, false, {"ab"}, {0}},
    {"Utf16Min3", true, {'a', 0, 'b', 0, 1, 0}, 3, false, {}, {}},
    {"Utf16LeadingBlankSkipped", true, {' ', 0, 'a', 0, 'b', 0}, 2, false, {"ab"}, {2}},
    {"Utf16InnerBlankKept", true, {'a', 0, ' ', 0, 'b', 0}, 2, false, {"a b"}, {0}},
    {"Utf16RunEndsBuffer", true, {1, 'x', 0, 'y', 0}, 2, false, {"xy"}, {1}},
    {"Utf16OddLastByteIgnored", true, {'a', 0, 'b', 0, 'c'}, 2, false, {"ab"}, {0}},
    {"Utf16HighByteBreaks", true, {'a', 0, 'b', 1, 'c', 0, 'd', 0}, 2, false, {"cd"}, {4}},
    {"Utf16WhitespaceWhenAsked", true, {'\t', 0, 'a', 0, '\n', 0}, 3, true, {"\ta\n"}, {0}},
    {"Utf16WhitespaceBreaksOtherwise", true, {'\t', 0, 'a', 0, 'b', 0}, 2, false, {"ab"}, {2}},
    {"Utf16Above7EBreaks", true, {'a', 0, 0x80, 0, 'b', 0, 'c', 0}, 2, false, {"bc"}, {4}},
    {"AsciiBlanks", false, {1, ' ', ' ', 'a', 'b', ' ', 'c', 2, 'x', 'y'}, 2, false,
     {"ab c", "xy"}, {3, 8}},
    {"AsciiHighBytesBreak", false, {'a', 'b', 0xC3, 0xA9, 'c', 'd'}, 2, false, {"ab", "cd"},
     {0, 4}},
    {"AsciiWhitespaceAtStart", false, {'\r', '\n', 'a', 0}, 3, true, {"\r\na"}, {0}},
    // A minimum of 0 reports the empty runs between two non-character bytes as well.
    {"AsciiMinimumZero", false, {1, 2, 'a'}, 0, false, {"", "", "a"}, {0, 1, 2}},
};

INSTANTIATE_TEST_SUITE_P(Cases, StringsWithOffsets, ::testing::ValuesIn(runs_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(StringsWithOffsets, AppendKeepsEarlierResults) {
    const byte_array bytes{'a', 'b', 'c'};
    strings found{"old"};
    offsets64 at{1};
    ASSERT_TRUE(ascii_strings_with_offsets(bytes.data(), 3, 1, found, at, 0, true, false));
    EXPECT_EQ(found, (strings{"old", "abc"}));
    EXPECT_EQ(at, (offsets64{1, 0}));
}

TEST(StringsWithOffsets, NoBytesIsFalse) {
    const uint8 byte = 'a';
    strings found{"old"};
    offsets64 at;
    EXPECT_FALSE(utf16_strings_with_offsets(nullptr, 4, 1, found, at, 0, false, false));
    EXPECT_FALSE(utf16_strings_with_offsets(&byte, 0, 1, found, at, 0, false, false));
    EXPECT_FALSE(ascii_strings_with_offsets(&byte, -1, 1, found, at, 0, false, false));
    EXPECT_EQ(found, strings{"old"});
}

TEST(StringsWithOffsets, EveryCutOfABufferStaysInside) {
    const byte_array whole{'h', 0, 'i', 0, ' ', 0, 1, 'a', 'b', 'c', '\n', 0, 'z', 0};
    for (std::size_t cut = 1; cut <= whole.size(); ++cut) {
        const byte_array bytes(whole.begin(), whole.begin() + static_cast<long>(cut));
        strings found;
        offsets64 at;
        EXPECT_TRUE(utf16_strings_with_offsets(bytes.data(), static_cast<int32>(cut), 1, found,
                                               at, 0, false, true));
        EXPECT_TRUE(ascii_strings_with_offsets(bytes.data(), static_cast<int32>(cut), 1, found,
                                               at, 0, true, true));
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_LE(at[i] + found[i].size(), cut);
        }
    }
}

TEST(FindInAsciiStrings, MatchesDoNotOverlap) {
    const std::string text = "xaaaay";
    const byte_array bytes(text.begin(), text.end());
    std::vector<uint32> at{7};
    EXPECT_TRUE(find_in_ascii_strings("AA", bytes.data(), 6, at, 0, false));
    EXPECT_EQ(at, (std::vector<uint32>{1, 3}));
    EXPECT_TRUE(find_in_ascii_strings("a", bytes.data(), 6, at, 10, true));
    EXPECT_EQ(at, (std::vector<uint32>{1, 3, 11, 12, 13, 14}));
}

TEST(FindInAsciiStrings, RunsAreSearchedApart) {
    // "ab" spans the break between two runs and so is not there.
    const byte_array bytes{'x', 'a', 1, 'b', 'A', 'B'};
    std::vector<uint32> at;
    EXPECT_TRUE(find_in_ascii_strings("ab", bytes.data(), 6, at, 0, false));
    EXPECT_EQ(at, std::vector<uint32>{4});
    EXPECT_FALSE(find_in_ascii_strings("zz", bytes.data(), 6, at, 0, false));
    EXPECT_TRUE(at.empty());
    EXPECT_FALSE(find_in_ascii_strings("", bytes.data(), 6, at, 0, false));
    EXPECT_FALSE(find_in_ascii_strings("ab", nullptr, 6, at, 0, false));
}

TEST(FindInUtf16Strings, OffsetsCountBytes) {
    const byte_array bytes{1, 'K', 0, 'e', 0, 'y', 0, 'k', 0, 'E', 0, 'Y', 0, 'k'};
    std::vector<uint32> at{7};
    EXPECT_TRUE(find_in_utf16_strings("key", bytes.data(), 14, at, 0x100, false));
    EXPECT_EQ(at, (std::vector<uint32>{0x101, 0x107}));
    // True also when nothing matches: the list tells.
    EXPECT_TRUE(find_in_utf16_strings("zzz", bytes.data(), 14, at, 0, false));
    EXPECT_TRUE(at.empty());
    EXPECT_FALSE(find_in_utf16_strings("key", bytes.data(), 0, at, 0, false));
}

TEST(FindInUtf16Strings, MatchOffsetsWrapIn32Bits) {
    const byte_array bytes{'a', 0, 'b', 0};
    std::vector<uint32> at;
    EXPECT_TRUE(find_in_utf16_strings("b", bytes.data(), 4, at, 0xFFFFFFFF, false));
    EXPECT_EQ(at, std::vector<uint32>{1});
}

}  // namespace
