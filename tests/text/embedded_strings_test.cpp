#include "text/embedded_strings.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace {

byte_array bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

byte_array utf16le_of(const std::string& text) {
    byte_array out;
    for (const char c : text) {
        out.push_back(static_cast<uint8>(c));
        out.push_back(0);
    }
    return out;
}

struct found {
    std::vector<std::string> strings;
    std::vector<uint64> offsets;
};

struct ascii_case {
    const char* name;
    std::string input;
    uint32 minimum;
    bool allow_ws;
    bool skip_punct;
    std::vector<std::string> strings;
    std::vector<uint64> offsets;
};

class ExtractAsciiStrings : public ::testing::TestWithParam<ascii_case> {};

TEST_P(ExtractAsciiStrings, FindsStringsWithOffsets) {
    const ascii_case& c = GetParam();
    const byte_array data = bytes_of(c.input);
    found got;
    ASSERT_TRUE(extract_ascii_strings(data.data(), static_cast<int>(data.size()), c.minimum,
                                      got.strings, got.offsets, c.allow_ws, c.skip_punct));
    EXPECT_EQ(got.strings, c.strings);
    EXPECT_EQ(got.offsets, c.offsets);
}

using namespace std::string_literals;

const ascii_case ascii_cases[] = {
    {"ShortRunDropped", "abc\0defgh"s, 4, false, false, {"defgh"}, {4}},
    {"LeadingBlanksNotPartOfString", "\0  abcd\0"s, 4, false, false, {"abcd"}, {3}},
    {"PunctuationKeptWithoutSkip", "\0--word\0"s, 3, false, false, {"--word"}, {1}},
    {"PunctuationSkipped", "\0--word\0"s, 3, false, true, {"word"}, {3}},
    {"SlashNeverSkipped", "\0/path\0"s, 3, false, true, {"/path"}, {1}},
    {"TabEndsStringWithoutWhiteSpace", "abcd\tefgh"s, 2, false, false, {"abcd", "efgh"}, {0, 5}},
    {"TabBelongsWithWhiteSpace", "abcd\tefgh"s, 2, true, false, {"abcd\tefgh"}, {0}},
    {"BlankRunDroppedInside", "\0\r\n  \0xyz"s, 3, true, false, {"xyz"}, {6}},
    {"BlankRunKeptAtEnd", "\0\r\n  "s, 4, true, false, {"\r\n  "}, {1}},
    {"HighBytesEndStrings", "caf\xe9latte"s, 3, false, false, {"caf", "latte"}, {0, 4}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ExtractAsciiStrings, ::testing::ValuesIn(ascii_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ExtractUtf16Strings, FindsWordsAtOddOffsets) {
    byte_array data = {0xFF, 0x41, 0xFF};
    const byte_array word = utf16le_of("hello");
    data.insert(data.end(), word.begin(), word.end());
    data.push_back(0x7F);  // a lone last byte: the walk stops before it
    found got;
    ASSERT_TRUE(extract_utf16_strings(data.data(), static_cast<int>(data.size()), 4, got.strings,
                                      got.offsets, false, false));
    EXPECT_EQ(got.strings, std::vector<std::string>{"hello"});
    EXPECT_EQ(got.offsets, std::vector<uint64>{3});
}

TEST(ExtractUtf16Strings, SkipsLeadingPunctuationAndAppliesMinimum) {
    byte_array data = utf16le_of("--word");
    data.push_back(0x01);
    const byte_array tail = utf16le_of("ab");
    data.insert(data.end(), tail.begin(), tail.end());
    found got;
    ASSERT_TRUE(extract_utf16_strings(data.data(), static_cast<int>(data.size()), 3, got.strings,
                                      got.offsets, false, true));
    EXPECT_EQ(got.strings, std::vector<std::string>{"word"});
    EXPECT_EQ(got.offsets, std::vector<uint64>{4});
}

TEST(EmbeddedStrings, RefuseEmptyInputAndEmptyTheLists) {
    found got{{"stale"}, {9}};
    const uint8 one = 'a';
    EXPECT_FALSE(extract_ascii_strings(nullptr, 5, 1, got.strings, got.offsets, false, false));
    EXPECT_TRUE(got.strings.empty());
    got.offsets = {9};
    EXPECT_FALSE(extract_utf16_strings(&one, 0, 1, got.strings, got.offsets, false, false));
    EXPECT_TRUE(got.offsets.empty());
    EXPECT_FALSE(extract_ascii_strings(&one, -1, 1, got.strings, got.offsets, false, false));
}

// Each found string must lie inside the n bytes at its offset, one byte per character
// (narrow) or a character and a 0 byte (UTF-16LE).
::testing::AssertionResult strings_lie_in(const byte_array& data, const found& got, bool wide) {
    if (got.strings.size() != got.offsets.size()) {
        return ::testing::AssertionFailure() << "lists of different sizes";
    }
    const std::size_t step = wide ? 2 : 1;
    for (std::size_t i = 0; i < got.strings.size(); ++i) {
        const std::string& s = got.strings[i];
        if (got.offsets[i] + s.size() * step > data.size()) {
            return ::testing::AssertionFailure() << "string " << i << " runs past the data";
        }
        for (std::size_t k = 0; k < s.size(); ++k) {
            const std::size_t at = got.offsets[i] + k * step;
            if (data[at] != static_cast<uint8>(s[k]) || (wide && data[at + 1] != 0)) {
                return ::testing::AssertionFailure() << "string " << i << " differs at " << k;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Both extractors over random bytes cut at every length (the buffer is an exact-size heap
// copy, so the sanitizer build sees any read past it).
TEST(EmbeddedStrings, ReportedStringsLieInsideTheBufferAtTheirOffsets) {
    std::mt19937 rng(1234);
    byte_array source(300);
    for (uint8& b : source) {
        const auto r = rng() % 4;
        b = r == 0 ? 0 : static_cast<uint8>(r == 1 ? 0x20 + rng() % 0x5F : rng() % 256);
    }
    for (std::size_t n = 0; n <= source.size(); ++n) {
        const byte_array data(source.begin(), source.begin() + static_cast<long>(n));
        const int length = static_cast<int>(n);
        found narrow;
        found wide;
        ASSERT_EQ(extract_ascii_strings(data.data(), length, 2, narrow.strings, narrow.offsets,
                                        true, true),
                  n > 0);
        ASSERT_EQ(
            extract_utf16_strings(data.data(), length, 2, wide.strings, wide.offsets, true, true),
            n > 0);
        ASSERT_TRUE(strings_lie_in(data, narrow, false)) << "length " << n;
        ASSERT_TRUE(strings_lie_in(data, wide, true)) << "length " << n;
    }
}

TEST(PrintEmbeddedStrings, WritesHexWithoutStringMode) {
    std::ostringstream out;
    const char bytes[] = {'\x00', '\xab'};
    EXPECT_EQ(print_embedded_strings(out, bytes, 2, false, 4, ","), 1);
    EXPECT_EQ(out.str(), "00 ab");
    EXPECT_EQ(print_embedded_strings(out, nullptr, 2, false, 4, ","), 0);
    EXPECT_EQ(print_embedded_strings(out, bytes, 0, false, 4, ","), 0);
}

TEST(PrintEmbeddedStrings, OneKindCountsOnceBothKindsCountEachString) {
    std::ostringstream out;
    const std::string narrow = "first\0second\0"s;
    EXPECT_EQ(
        print_embedded_strings(out, narrow.data(), static_cast<int>(narrow.size()), true, 4, "|"),
        1);
    EXPECT_EQ(out.str(), "first|second");

    // A UTF-16 word between two narrow ones: all three in offset order.
    std::string mixed = "alpha\x01\x01"s;
    const byte_array word = utf16le_of("wide");
    mixed.append(word.begin(), word.end());
    mixed += "\x01omega"s;
    out.str("");
    EXPECT_EQ(
        print_embedded_strings(out, mixed.data(), static_cast<int>(mixed.size()), true, 4, "|"), 3);
    EXPECT_EQ(out.str(), "alpha|wide|omega");

    out.str("");
    EXPECT_EQ(print_embedded_strings(out, "ab", 2, true, 4, "|"), 0);  // shorter than minimum
    const char junk[] = {'\x01', '\x02', '\x03', '\x04', '\x05'};
    EXPECT_EQ(print_embedded_strings(out, junk, 5, true, 4, "|"), 0);
    EXPECT_EQ(out.str(), "");
}

}  // namespace
