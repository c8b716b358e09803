#include "text/extras/string_edits.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

// The ASCII test texts widened character by character, so one table drives both twins.
std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::vector<std::wstring> wide(const std::vector<std::string>& items) {
    std::vector<std::wstring> out;
    out.reserve(items.size());
    for (const std::string& item : items) {
        out.push_back(wide(item));
    }
    return out;
}

struct text_case {
    const char* name;
    std::string text;
    std::string expected;
};

class MarkLineBreaksW : public ::testing::TestWithParam<text_case> {};

TEST_P(MarkLineBreaksW, WideMarksAsNarrowDoes) {
    const text_case& c = GetParam();
    std::wstring text = wide(c.text);
    EXPECT_EQ(mark_line_breaks_w(text), wide(c.expected));
    EXPECT_EQ(text, wide(c.expected));
}

const text_case line_break_cases[] = {
    // A CR beside an LF elsewhere in the text must not reach the output raw.
    {"CrInTextWithLf", "a\rb\n", "a[CR]b[LF]"},
    {"LfCrThenLf", "a\n\r\nb", "a[LFCR][LF]b"},
    {"CrLf", "a\r\nb", "a[CRLF]b"},
    {"CrBeforeCrLf", "x\r\r\ny", "x[CR][CRLF]y"},
    {"LoneCr", "a\rb", "a[CR]b"},
    {"NoBreaks", "plain", "plain"},
    {"Empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, MarkLineBreaksW, ::testing::ValuesIn(line_break_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MarkLineBreaksW, CharactersBeyondOneByteStay) {
    std::wstring text = L"\u20ac\r\n\U0001F600";
    EXPECT_EQ(mark_line_breaks_w(text), L"\u20ac[CRLF]\U0001F600");
}

class InsertBeforeChar : public ::testing::TestWithParam<text_case> {};

TEST_P(InsertBeforeChar, EscapesEveryTargetInBothWidths) {
    const text_case& c = GetParam();
    std::string narrow = c.text;
    insert_before_char(narrow, '"', '\\');
    EXPECT_EQ(narrow, c.expected);
    std::wstring text = wide(c.text);
    insert_before_char_w(text, L'"', L'\\');
    EXPECT_EQ(text, wide(c.expected));
}

const text_case insert_cases[] = {
    {"Quotes", "say \"hi\"", "say \\\"hi\\\""},
    {"TargetFirst", "\"a", "\\\"a"},
    {"Adjacent", "\"\"", "\\\"\\\""},
    {"NoTarget", "plain", "plain"},
    {"Empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, InsertBeforeChar, ::testing::ValuesIn(insert_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct join_case {
    const char* name;
    std::vector<std::string> items;
    std::string expected;
    bool result;
};

class JoinItemsQuoted : public ::testing::TestWithParam<join_case> {};

TEST_P(JoinItemsQuoted, QuotesItemsWithBlanksInBothWidths) {
    const join_case& c = GetParam();
    std::string narrow = "stale";
    int count = -1;
    EXPECT_EQ(join_items_quoted(narrow, count, c.items), c.result);
    EXPECT_EQ(narrow, c.expected);
    EXPECT_EQ(count, static_cast<int>(c.items.size()));
    std::wstring text = L"stale";
    count = -1;
    EXPECT_EQ(join_items_quoted_w(text, count, wide(c.items)), c.result);
    EXPECT_EQ(text, wide(c.expected));
    EXPECT_EQ(count, static_cast<int>(c.items.size()));
}

const join_case join_cases[] = {
    {"EmptyFirstItemLeavesNoBlank", {"", "a b", "c"}, "\"a b\" c", true},
    {"QuotedThenPlain", {"a b", "c"}, "\"a b\" c", true},
    {"InnerQuotesKept", {"x", "say \"hi\""}, "x \"say \"hi\"\"", true},
    {"EmptyMiddle", {"a", "", "b"}, "a b", true},
    {"NoItems", {}, "", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, JoinItemsQuoted, ::testing::ValuesIn(join_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(RemoveCharW, RemovesEveryOccurrenceAndCounts) {
    std::wstring text = L"a-b-\u20ac-";
    EXPECT_EQ(remove_char_w(text, L'-'), 3);
    EXPECT_EQ(text, L"ab\u20ac");
    EXPECT_EQ(remove_char_w(text, L'-'), 0);
    EXPECT_EQ(text, L"ab\u20ac");
}

TEST(ReplaceFirstNocaseW, ReplacesFirstMatchInAnyCase) {
    std::wstring text = L"Path PATH path";
    EXPECT_TRUE(replace_first_nocase_w(text, L"pAtH", L"dir"));
    EXPECT_EQ(text, L"dir PATH path");
    EXPECT_FALSE(replace_first_nocase_w(text, L"none", L"x"));
    EXPECT_FALSE(replace_first_nocase_w(text, nullptr, L"x"));
    EXPECT_FALSE(replace_first_nocase_w(text, L"dir", nullptr));
    EXPECT_EQ(text, L"dir PATH path");
}

TEST(ReplacePairs, LaterPairsSeeEarlierResults) {
    std::string text = "a-b-c";
    EXPECT_EQ(replace_pairs(text, {"-", "+b"}, {"+", "B"}), "aB+c");
    std::string unchanged = "a-b";
    EXPECT_EQ(replace_pairs(unchanged, {"-"}, {}), "a-b");
    EXPECT_EQ(replace_pairs(unchanged, {}, {}), "a-b");
}

struct key_case {
    const char* name;
    std::string text;
    const char* key;
    std::string delimiters;
    bool nocase;
    std::string expected;
    std::string delimiters_after;
};

class ValueAfterKey : public ::testing::TestWithParam<key_case> {};

TEST_P(ValueAfterKey, CutsValueFromTheGivenText) {
    const key_case& c = GetParam();
    std::string delimiters = c.delimiters;
    EXPECT_EQ(value_after_key(c.text, c.key, delimiters, c.nocase), c.expected);
    EXPECT_EQ(delimiters, c.delimiters_after);
}

const key_case key_cases[] = {
    {"NocaseKey", "ID=42;x", "id=", ";,", true, "42", ";,"},
    {"ValueKeepsItsCase", "id=AbC,x", "ID=", ";,", true, "AbC", ";,"},
    {"NocaseLowersCallersDelimiters", "k=aXb", "k=", "X", true, "a", "x"},
    {"ExactKeyMissing", "ID=42;x", "id=", ";", false, "", ";"},
    {"ToTheEnd", "name=value", "name=", ";", false, "value", ";"},
    {"FirstDelimiterWins", "k=1,2;3", "k=", ";,", false, "1", ";,"},
    {"EmptyText", "", "k=", ";", false, "", ";"},
    {"NullKey", "k=1", nullptr, ";", true, "", ";"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ValueAfterKey, ::testing::ValuesIn(key_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FindNocase, PointsIntoTheGivenText) {
    const char* text = "Hello World";
    EXPECT_EQ(find_nocase(text, "WORLD"), text + 6);
    EXPECT_EQ(find_nocase(text, "hello"), text);
    EXPECT_EQ(find_nocase(text, "moon"), nullptr);
    EXPECT_EQ(find_nocase(nullptr, "a"), nullptr);
    EXPECT_EQ(find_nocase(text, nullptr), nullptr);
}

TEST(EraseFirstInBuffer, JoinsTheRestAndEndsItWithNul) {
    std::array<char, 8> buffer = {'a', 'b', 'X', 'Y', 'c', 'd', '\0', '#'};
    EXPECT_TRUE(erase_first_in_buffer(buffer.data(), "XY", false));
    EXPECT_STREQ(buffer.data(), "abcd");
    EXPECT_EQ(buffer[4], '\0');

    std::array<char, 8> same = {'a', 'b', 'X', 'Y', 'c', 'd', '\0', '#'};
    const std::array<char, 8> before = same;
    EXPECT_FALSE(erase_first_in_buffer(same.data(), "zz", false));
    EXPECT_FALSE(erase_first_in_buffer(same.data(), "xy", false));
    EXPECT_EQ(same, before);
    EXPECT_TRUE(erase_first_in_buffer(same.data(), "xy", true));
    EXPECT_STREQ(same.data(), "abcd");

    EXPECT_FALSE(erase_first_in_buffer(nullptr, "a", false));
    EXPECT_FALSE(erase_first_in_buffer(same.data(), nullptr, false));
}

TEST(ToLowerCopy, LowersAsciiLettersOnly) {
    std::string out = "stale";
    EXPECT_EQ(to_lower_copy(out, "MiXeD 1\xC3\x84"), "mixed 1\xC3\x84");
    EXPECT_EQ(to_lower_copy(out, nullptr), "");
}

}  // namespace
