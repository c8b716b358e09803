#include "text/text_lines.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using list = std::vector<std::string>;

// A heap copy of exactly the text's bytes, so ASan catches any read past the count.
std::unique_ptr<char[]> exact(const std::string& text) {
    auto copy = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), copy.get());
    return copy;
}

int length_of(const std::string& text) { return static_cast<int>(text.size()); }

struct marker_case {
    const char* name;
    std::string text;
    std::string expected;
};

const marker_case marker_cases[] = {
    {"crlf", "a\r\nb", "a[CRLF]b"},
    {"lfcr_then_lf", "a\n\r\nb", "a[LFCR][LF]b"},
    {"lone_cr_without_lf", "a\rb", "a[CR]b"},
    {"lone_cr_beside_lf_text", "a\rb\n", "a[CR]b[LF]"},
    {"cr_before_crlf", "x\r\r\ny", "x[CR][CRLF]y"},
    {"crlf_then_cr", "x\r\n\ry", "x[CRLF][CR]y"},
    {"breaks_only", "\n\n", "[LF][LF]"},
    {"no_breaks", "plain text", "plain text"},
    {"empty", "", ""},
};

class MarkLineBreaks : public ::testing::TestWithParam<marker_case> {};

TEST_P(MarkLineBreaks, WritesMarkers) {
    std::string text = GetParam().text;
    EXPECT_EQ(mark_line_breaks(text), GetParam().expected);
    EXPECT_EQ(text, GetParam().expected);
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, MarkLineBreaks, ::testing::ValuesIn(marker_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

struct ending_case {
    const char* name;
    std::string text;
    int expected;
};

const ending_case ending_cases[] = {
    {"mixed", "a\r\nb\nc", line_ending::mixed},
    {"final_lf_not_examined", "a\r\nb\n", line_ending::crlf},
    {"lfcr", "a\n\rb", line_ending::lfcr},
    {"lone_cr", "a\rb\rc", line_ending::cr},
    {"lone_lf", "a\nb\nc", line_ending::lf},
    {"none", "abc", line_ending::none},
    {"only_final_break", "abc\n", line_ending::none},
    {"empty", "", line_ending::none},
};

class DetectLineEnding : public ::testing::TestWithParam<ending_case> {};

TEST_P(DetectLineEnding, ClassifiesNarrowAndUtf16Alike) {
    const std::string& text = GetParam().text;
    const auto bytes = exact(text);
    EXPECT_EQ(detect_line_ending(bytes.get(), length_of(text)), GetParam().expected);
    const std::vector<uint16> units(text.begin(), text.end());
    EXPECT_EQ(detect_line_ending_utf16(units.data(), static_cast<uint32>(2 * units.size())),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectLineEnding, ::testing::ValuesIn(ending_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

TEST(SplitLines, SplitsByDetectedBreak) {
    list lines;
    ASSERT_TRUE(split_lines("a\nb\n", 4, lines));
    EXPECT_EQ(lines, (list{"a", "b"}));
    ASSERT_TRUE(split_lines("a \r\n\r\n  \r\nb", 11, lines));
    // An empty CR LF line keeps its CR until trimmed, so it stays as an empty item too.
    EXPECT_EQ(lines, (list{"a", "", "", "b"}));
    ASSERT_TRUE(split_lines("x\ry\r", 4, lines));
    EXPECT_EQ(lines, (list{"x", "y"}));
    ASSERT_TRUE(split_lines("p\n\rq r\n\r", 8, lines));
    EXPECT_EQ(lines, (list{"p", "q r"}));
    EXPECT_FALSE(split_lines(nullptr, 4, lines));
    EXPECT_FALSE(split_lines("\n\n", 2, lines));
    EXPECT_TRUE(lines.empty());
}

TEST(SplitLines, KeepsTextWithoutOrWithMixedBreaks) {
    list lines;
    ASSERT_TRUE(split_lines(" single line ", 13, lines));
    EXPECT_EQ(lines, (list{"single line"}));
    ASSERT_TRUE(split_lines("last\n", 5, lines));  // the only break is the final character
    EXPECT_EQ(lines, (list{"last"}));
    ASSERT_TRUE(split_lines("a\r\nb\nc", 6, lines));
    EXPECT_EQ(lines, (list{"a", "b", "c"}));

    // The first break lies beyond the probed head of the buffer.
    std::string text(1500, 'x');
    text += "\ry";
    ASSERT_TRUE(split_lines(text.data(), length_of(text), lines));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "y");
}

TEST(SplitTextLines, TakesCompleteLinesAndReportsConsumed) {
    list lines = {"stale"};
    uint32 consumed = 99;
    ASSERT_TRUE(split_text_lines(&consumed, lines, "a\nb", 3, false, false));
    EXPECT_EQ(lines, (list{"a"}));
    EXPECT_EQ(consumed, 2u);

    ASSERT_TRUE(split_text_lines(&consumed, lines, "\r\rx\r\n\n y \r\ntail", 15, true, true));
    EXPECT_EQ(lines, (list{"x", "y"}));
    EXPECT_EQ(consumed, 11u);

    ASSERT_TRUE(split_text_lines(&consumed, lines, "\n", 1, false, false));
    EXPECT_EQ(lines, (list{""}));
    EXPECT_FALSE(split_text_lines(&consumed, lines, "no break", 8, false, false));
    EXPECT_EQ(consumed, 0u);

    consumed = 7;
    EXPECT_FALSE(split_text_lines(&consumed, lines, "x", 0, false, false));
    EXPECT_EQ(consumed, 7u);
}

TEST(SplitBufferLines, SingleByteTextEndsAtNul) {
    list lines;
    const std::string text("ab\r\n\n c \n\0d\n", 12);
    const auto bytes = exact(text);
    ASSERT_TRUE(split_buffer_lines(lines, bytes.get(), length_of(text), true, false));
    EXPECT_EQ(lines, (list{"ab", "", "c", ""}));
    ASSERT_TRUE(split_buffer_lines(lines, bytes.get(), length_of(text), false, true));
    EXPECT_EQ(lines, (list{"ab", " c "}));
    EXPECT_FALSE(split_buffer_lines(lines, "x", 1, false, false));
}

// The lines split_buffer_lines finds in the UTF-16LE bytes of text, given an exactly sized
// buffer.
list utf16_buffer_lines(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    const auto exact_bytes = exact(bytes);
    list lines;
    EXPECT_TRUE(split_buffer_lines(lines, exact_bytes.get(), length_of(bytes), false, false));
    return lines;
}

TEST(SplitBufferLines, Utf16TextBecomesUtf8) {
    EXPECT_EQ(utf16_buffer_lines(std::u16string(u"caf\u00e9\r\n\nx\0y\ntail", 15)),
              (list{"caf\xC3\xA9", "", std::string("x\0y", 3)}));
    // A pair becomes one 4-byte character and a lone surrogate U+FFFD: never the 3-byte
    // forms of the surrogates, which are no UTF-8.
    EXPECT_EQ(utf16_buffer_lines(std::u16string(u"A\xD800" u"B\n\xD83D\xDE00\n", 7)),
              (list{"A\xEF\xBF\xBD" "B", "\xF0\x9F\x98\x80"}));
}

TEST(ByteArrayToLines, KeepsEveryLineAndAnyTail) {
    list lines;
    ASSERT_TRUE(byte_array_to_lines({'a', '\n', 'b'}, lines));
    EXPECT_EQ(lines, (list{"a", "b"}));
    ASSERT_TRUE(byte_array_to_lines({'a', '\n', 'b', 'c'}, lines));
    EXPECT_EQ(lines, (list{"a", "bc"}));
    ASSERT_TRUE(byte_array_to_lines({'\r', 'a', '\r', '\n', '\n'}, lines));
    EXPECT_EQ(lines, (list{"a", ""}));
    ASSERT_TRUE(byte_array_to_lines({' ', 'z', ' '}, lines));
    EXPECT_EQ(lines, (list{"z"}));
    EXPECT_FALSE(byte_array_to_lines({}, lines));
}

TEST(Utf16BytesToWlines, LinesEndAtLfUnits) {
    std::vector<std::wstring> lines;
    const byte_array bytes = {'\r', 0, 'a', 0, ' ', 0, '\n', 0, '\n', 0, 'b', 0, 'c'};
    ASSERT_TRUE(utf16_bytes_to_wlines(bytes, lines));
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"a", L""}));
    EXPECT_FALSE(utf16_bytes_to_wlines({'a'}, lines));
}

TEST(LfToCrlf, ConvertsOnlyLoneLfText) {
    std::string out = "untouched";
    ASSERT_TRUE(lf_to_crlf("a\nb\n", 4, out));
    EXPECT_EQ(out, "a\r\nb\r\n");
    out = "untouched";
    EXPECT_FALSE(lf_to_crlf("a\r\nb\n", 5, out));
    EXPECT_FALSE(lf_to_crlf("ab", 2, out));
    EXPECT_EQ(out, "untouched");
}

}  // namespace
