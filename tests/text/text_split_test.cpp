#include "text/text_split.h"

#include <gtest/gtest.h>

namespace {

using list = std::vector<std::string>;

struct split_case {
    const char* name;
    std::string text;
    bool trim;
    bool keep_empty;
    list expected;
};

const split_case split_cases[] = {
    {"inner_empty_dropped", "a,,b", false, false, {"a", "b"}},
    {"inner_empty_kept", "a,,b", false, true, {"a", "", "b"}},
    {"edges_dropped", ",a,", false, false, {"a"}},
    {"edges_kept", ",a,", false, true, {"", "a", ""}},
    {"only_separators_kept", ",,", false, true, {"", "", ""}},
    {"blank_items_trimmed_away", " , ", true, false, {}},
    {"blank_items_trimmed_kept", " , ", true, true, {"", ""}},
    {"untrimmed_blanks_stay", " a , b", false, false, {" a ", " b"}},
    {"trim_takes_tabs_and_line_ends", "\ta\r\n,b ", true, false, {"a", "b"}},
    {"no_separator_one_item", "abc", false, false, {"abc"}},
    {"nul_ends_text", std::string("a,b\0,c", 6), false, true, {"a", "b"}},
};

class SplitOnChar : public ::testing::TestWithParam<split_case> {};

TEST_P(SplitOnChar, GivesItems) {
    const split_case& c = GetParam();
    list items = {"stale"};
    ASSERT_TRUE(split_on_char(c.text, ',', items, c.trim, c.keep_empty, false));
    EXPECT_EQ(items, c.expected);

    // The wide twin agrees where its trim does (it keeps a CR before a final LF) and the
    // text holds no NUL.
    if (c.text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) {
        std::vector<std::wstring> wide;
        ASSERT_TRUE(wsplit_on_char(std::wstring(c.text.begin(), c.text.end()), L',', wide, c.trim,
                                   c.keep_empty));
        ASSERT_EQ(wide.size(), c.expected.size());
        for (std::size_t i = 0; i < wide.size(); ++i) {
            EXPECT_EQ(wide[i], std::wstring(c.expected[i].begin(), c.expected[i].end()));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitOnChar, ::testing::ValuesIn(split_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

TEST(SplitOnCharEdges, EmptyTextIsFalseAndAppendKeepsList) {
    list items = {"x"};
    EXPECT_FALSE(split_on_char("", ',', items, false, true, false));
    EXPECT_TRUE(items.empty());
    items = {"x"};
    ASSERT_TRUE(split_on_char("a,b", ',', items, false, false, true));
    EXPECT_EQ(items, (list{"x", "a", "b"}));
}

TEST(SplitOnFirstSeparator, TakesCandidatesInTheirOrder) {
    list items;
    EXPECT_EQ(split_on_first_separator(items, "a;b,c", false, false, ",;"), ',');
    EXPECT_EQ(items, (list{"a;b", "c"}));
    EXPECT_EQ(split_on_first_separator(items, "a b", false, false, ",;"), 0);
    EXPECT_EQ(items, (list{"a b"}));
    EXPECT_EQ(split_on_first_separator(items, "", false, false, ","), 0);
    EXPECT_TRUE(items.empty());
    // A NUL among the candidates ends them.
    EXPECT_EQ(split_on_first_separator(items, "a;b", false, false, std::string(",\0;", 3)), 0);
    EXPECT_EQ(items, (list{"a;b"}));
}

TEST(SplitOnCharQuoted, KeepsQuotedRunTogether) {
    list items;
    ASSERT_TRUE(split_on_char_quoted("a, \"b, c\", d", ',', items, true, false));
    EXPECT_EQ(items, (list{"a", "\"b, c\"", " d"}));

    ASSERT_TRUE(split_on_char_quoted("x,\"p,q,r\",y", ',', items, false, false));
    EXPECT_EQ(items, (list{"x", "\"p,q,r\"", "y"}));

    ASSERT_TRUE(split_on_char_quoted(" \"whole\" ,z", ',', items, true, false));
    EXPECT_EQ(items, (list{"\"whole\"", "z"}));
}

TEST(SplitOnCharQuoted, DropsUnclosedRunAndLeavesUnquotedTextUntrimmed) {
    list items;
    ASSERT_TRUE(split_on_char_quoted("a,\"b,c", ',', items, true, false));
    EXPECT_EQ(items, (list{"a"}));
    ASSERT_TRUE(split_on_char_quoted(" a , b ", ',', items, true, false));
    EXPECT_EQ(items, (list{" a ", " b "}));
    EXPECT_FALSE(split_on_char_quoted("", ',', items, true, false));
}

TEST(SplitCommandLine, RejoinsQuotedWordsAndAppends) {
    list words = {"prior"};
    EXPECT_EQ(split_command_line("velk  -db \"my file.db\"\t-q", 0, words, true), 5);
    EXPECT_EQ(words, (list{"prior", "velk", "-db", "my file.db", "-q"}));

    words.clear();
    EXPECT_EQ(split_command_line("a \"b c", 0, words, true), 3);
    EXPECT_EQ(words, (list{"a"}));  // the run never closes

    words.clear();
    EXPECT_EQ(split_command_line("\"one\" \" x\"", 0, words, true), 3);
    EXPECT_EQ(words, (list{"one", "x"}));

    words.clear();
    EXPECT_EQ(split_command_line("a b c d", 2, words, false), 2);
    EXPECT_EQ(words, (list{"a", "b"}));
    EXPECT_EQ(split_command_line(nullptr, 0, words, true), 0);

    words.clear();
    EXPECT_EQ(split_command_line("\"single\"", 0, words, true), 1);  // one word: as read
    EXPECT_EQ(words, (list{"\"single\""}));
}

TEST(SplitWords, WordsAndFirstWord) {
    list words;
    EXPECT_FALSE(split_words("", words));
    EXPECT_FALSE(split_words(" \t ", words));
    ASSERT_TRUE(split_words("1 \"2 3\" 4", words));
    EXPECT_EQ(words, (list{"1", "2 3", "4"}));

    std::string word = "kept";
    EXPECT_FALSE(first_word("", word));
    ASSERT_TRUE(first_word("   ", word));
    EXPECT_EQ(word, "kept");
    ASSERT_TRUE(first_word("\t alpha beta", word));
    EXPECT_EQ(word, "alpha");
}

TEST(SplitBuffer, CountsSeparatorsAppendsAndTreatsNulAsText) {
    list items = {"x"};
    int count = -1;
    const char buffer[] = {'a', '|', '\0', 'b', '|', '|', ' ', 'c', ' ', '|'};
    EXPECT_EQ(split_buffer_on_char(buffer, 10, '|', items, &count, true), 10);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(items, (list{"x", "a", std::string("\0b", 2), "c"}));
    EXPECT_EQ(split_buffer_on_char(nullptr, 3, '|', items, &count, false), 0);
    EXPECT_EQ(count, 0);

    std::vector<std::wstring> wide;
    const wchar_t wbuffer[] = {L'p', L';', L';', L'q'};
    EXPECT_EQ(wsplit_buffer_on_char(wbuffer, 4, L';', wide, &count, false), 4);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(wide, (std::vector<std::wstring>{L"p", L"q"}));
}

TEST(MultiStrings, SplitAtNulsDroppingEmptyOnes) {
    std::vector<std::wstring> out;
    const std::vector<wchar_t> chars = {L'a', L'b', 0, L'c', 0, 0};
    ASSERT_TRUE(split_wide_multistring(chars, out));
    EXPECT_EQ(out, (std::vector<std::wstring>{L"ab", L"c"}));

    const byte_array bytes = {'x', 0, 0, 0, 'y', 0, 0xE9, 0, 0, 0, 0x7A};  // odd last byte
    ASSERT_TRUE(split_utf16_multistring(bytes, out));
    EXPECT_EQ(out, (std::vector<std::wstring>{L"x", L"y\u00e9"}));
    EXPECT_FALSE(split_utf16_multistring({}, out));
    EXPECT_TRUE(out.empty());
}

}  // namespace
