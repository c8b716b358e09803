#include "text/extras/text_search_edits.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// One row checks the narrow search and its wide twin on the same text.
struct search_case {
    const char* name;
    const char* text;
    int start;
    const char* needle;
    bool after;  // find_after / wfind_after, else find_at / wfind_at
    bool found;
    int position;
};

const search_case search_cases[] = {
    {"after_from_1", "abcabc", 1, "bc", true, true, 3},
    {"after_second", "abcabc", 2, "bc", true, true, 6},
    {"after_absent", "abcabc", 1, "zz", true, false, -1},
    {"at_from_2", "abcabc", 2, "c", false, true, 2},
    {"at_from_3", "abcabc", 3, "c", false, true, 5},
    {"at_absent", "abcabc", 0, "d", false, false, -1},
    {"empty_needle_at_end", "abc", 3, "", false, false, -1},
    {"empty_needle_inside", "abc", 1, "", true, true, 1},
    {"start_past_end", "abc", 9, "a", true, false, -1},
    {"negative_start", "abc", -1, "a", false, false, -1},
};

class FindTwins : public ::testing::TestWithParam<search_case> {};

TEST_P(FindTwins, NarrowAndWideAgree) {
    const search_case& c = GetParam();
    const std::string text = c.text;
    const std::wstring wide(text.begin(), text.end());
    const std::string needle = c.needle;
    const std::wstring wneedle(needle.begin(), needle.end());
    int pos = 99;
    int wpos = 99;
    const bool found = c.after ? find_after(pos, text, c.start, needle)
                               : find_at(pos, text, c.start, needle.c_str());
    const bool wfound = c.after ? wfind_after(wpos, wide, c.start, wneedle.c_str())
                                : wfind_at(wpos, wide, c.start, wneedle.c_str());
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(pos, c.position);
    EXPECT_EQ(wfound, c.found);
    EXPECT_EQ(wpos, c.position);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindTwins, ::testing::ValuesIn(search_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FindTwins, NullNeedleFindsNothing) {
    int pos = 0;
    EXPECT_FALSE(find_at(pos, "abc", 0, nullptr));
    EXPECT_EQ(pos, -1);
    EXPECT_FALSE(wfind_after(pos, L"abc", 0, nullptr));
}

TEST(FindOptionalNocase, LowerCasesBothInPlaceOnlyWhenAsked) {
    std::string text = "XaBc";
    std::string needle = "bC";
    EXPECT_EQ(find_optional_nocase(text, needle, false), -1);
    EXPECT_EQ(text, "XaBc");
    EXPECT_EQ(find_optional_nocase(text, needle, true), 2);
    EXPECT_EQ(text, "xabc");
    EXPECT_EQ(needle, "bc");
}

TEST(WideErase, FromAndFirstWithAndWithoutCase) {
    std::wstring text = L"a/B/c";
    EXPECT_FALSE(werase_from(text, L"/b", false));
    EXPECT_EQ(text, L"a/B/c");
    EXPECT_TRUE(werase_from(text, L"/b", true));
    EXPECT_EQ(text, L"a");

    text = L"xAbyab";
    EXPECT_TRUE(werase_first(text, L"ab", true));
    EXPECT_EQ(text, L"xyab");
    EXPECT_TRUE(werase_first(text, L"ab", false));
    EXPECT_EQ(text, L"xy");
    EXPECT_FALSE(werase_first(text, L"", true));
    EXPECT_EQ(text, L"xy");
}

TEST(TakeFirstWord, ErasesTheWordAndKeepsTheBlanks) {
    std::string text = "  go  now";
    std::string word;
    EXPECT_TRUE(take_first_word(text, word));
    EXPECT_EQ(word, "go");
    EXPECT_EQ(text, "    now");
    text = "   ";
    EXPECT_FALSE(take_first_word(text, word));
    text.clear();
    EXPECT_FALSE(take_first_word(text, word));
}

TEST(CharacterHelpers, CountsTestsAndReplacements) {
    EXPECT_EQ(without_char("abca", 'a'), "bc");
    EXPECT_EQ(without_char("aaa", 'a'), "");  // nothing left is an empty text, not the input
    EXPECT_EQ(without_char("", 'a'), "");
    EXPECT_EQ(count_char("abca", 'a'), 2U);

    EXPECT_TRUE(is_plain_ascii_text("a\tb\r\n"));
    EXPECT_TRUE(is_plain_ascii_text(" ~"));
    EXPECT_FALSE(is_plain_ascii_text(""));
    EXPECT_FALSE(is_plain_ascii_text("a\x7F"));
    EXPECT_FALSE(is_plain_ascii_text("caf\xC3\xA9"));

    std::string text = "a1-b";
    EXPECT_EQ(letters_or_underscore(text), 4U);
    EXPECT_EQ(text, "a__b");
    text = "\xC3\xA9Z";  // works on bytes: a two-byte character gives two underscores
    EXPECT_EQ(letters_or_underscore(text), 3U);
    EXPECT_EQ(text, "__Z");
}

TEST(EscapeChars, NarrowWideAndUnitsInsertOneBackslashEach) {
    std::string text = "a\"b\\";
    escape_chars(text, {'"', '\\'});
    EXPECT_EQ(text, "a\\\"b\\\\");

    std::wstring wide = L"a\"b\\";
    escape_chars_w(wide, {L'"', L'\\'});
    EXPECT_EQ(wide, L"a\\\"b\\\\");

    std::vector<uint16_t> units = {'a', '"', 'b', '\\'};
    EXPECT_EQ(escape_units(units, {L'"', L'\\'}), 2U);
    EXPECT_EQ(units, (std::vector<uint16_t>{'a', '\\', '"', 'b', '\\', '\\'}));
    EXPECT_EQ(escape_units(units, {}), 0U);
}

TEST(LineStats, CountsLinesAndLongestLine) {
    struct row {
        const char* text;
        int lines;
        int longest;
    };
    for (const row& r : {row{"ab\ncde\n", 3, 3}, row{"", 1, 0}, row{"abcd", 1, 4},
                         row{"a\n\nxyz12", 3, 5}, row{"\n", 2, 0}}) {
        int lines = -1;
        int longest = -1;
        EXPECT_TRUE(line_stats(lines, longest, r.text));
        EXPECT_EQ(lines, r.lines) << r.text;
        EXPECT_EQ(longest, r.longest) << r.text;
    }
}

}  // namespace
