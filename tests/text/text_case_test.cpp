#include "text/text_case.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <ostream>
#include <string>

namespace {

// --- Narrow trims: one table, every trim and its result ---

enum class narrow_trim { whitespace, crlf, keep_blanks, drop_blanks, quotes, nuls };

struct trim_case {
    const char* name;
    narrow_trim op;
    std::string input;
    std::string expected;
    bool result;
};

void PrintTo(const trim_case& c, std::ostream* os) { *os << c.name; }

bool run_trim(narrow_trim op, std::string& text) {
    switch (op) {
        case narrow_trim::whitespace:
            return trim_whitespace(text);
        case narrow_trim::crlf:
            trim_crlf(text);
            return true;
        case narrow_trim::keep_blanks:
            return trim_keep_trailing_blanks(text, true);
        case narrow_trim::drop_blanks:
            return trim_keep_trailing_blanks(text, false);
        case narrow_trim::quotes:
            return trim_quotes(text);
        case narrow_trim::nuls:
            return trim_trailing_nuls(text);
    }
    return false;
}

const trim_case trim_cases[] = {
    {"WhitespaceOnlyBecomesEmpty", narrow_trim::whitespace, " \t\r\n", "", false},
    {"WhitespaceEmpty", narrow_trim::whitespace, "", "", false},
    {"WhitespaceInnerBlankStays", narrow_trim::whitespace, "a b", "a b", true},
    {"WhitespaceBothEnds", narrow_trim::whitespace, "\r\n\t x y \n", "x y", true},
    {"CrlfOnlyLineEnds", narrow_trim::crlf, "\r\n a \t\n\r", " a \t", true},
    {"CrlfAllLineEnds", narrow_trim::crlf, "\n\r\n", "", true},
    {"KeepTrailingBlank", narrow_trim::keep_blanks, " x \t", "x ", true},
    {"KeepAllBlankBecomesEmpty", narrow_trim::keep_blanks, "  \t ", "", false},
    {"KeepEmptyIsFalse", narrow_trim::keep_blanks, "", "", false},
    {"DropTrailingBlank", narrow_trim::drop_blanks, " x \t", "x", true},
    {"QuotesAroundBlanks", narrow_trim::quotes, " 'abc\" ", "abc", true},
    {"QuotesLoneQuote", narrow_trim::quotes, "\"", "", true},
    {"QuotesEmptyIsFalse", narrow_trim::quotes, "", "", false},
    {"QuotesAllBlankIsTrue", narrow_trim::quotes, "  ", "", true},
    {"QuotesOnlyOnePerEnd", narrow_trim::quotes, "''a''", "'a'", true},
    {"QuotesFrontOnly", narrow_trim::quotes, "\"a", "a", true},
    {"NulsTrailingGone", narrow_trim::nuls, std::string("a\0b\0\0", 5), std::string("a\0b", 3),
     true},
    {"NulsAllNulStays", narrow_trim::nuls, std::string(3, '\0'), std::string(3, '\0'), true},
};

class NarrowTrim : public ::testing::TestWithParam<trim_case> {};

TEST_P(NarrowTrim, GivesTextAndResult) {
    const auto& c = GetParam();
    std::string text = c.input;
    EXPECT_EQ(run_trim(c.op, text), c.result);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, NarrowTrim, ::testing::ValuesIn(trim_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// --- Wide trim: its six steps run in a fixed order with visible effects ---

struct wtrim_case {
    const char* name;
    std::wstring input;
    std::wstring expected;
    bool result;
};

const wtrim_case wtrim_cases[] = {
    {"Empty", L"", L"", false},
    {"AllBlanks", L"   ", L"", false},
    {"BlanksAroundTab", L" \t ", L"", false},
    {"BlankAfterLeadingTabStays", L"\ta", L"a", true},
    {"TabBlankA", L"\t a", L" a", true},
    {"CrLfKeepsCr", L"a\r\n", L"a\r", true},
    {"LfCrLosesBoth", L"a\n\r", L"a", true},
    {"LeadingLineEndsStay", L"\r\na", L"\r\na", true},
    {"BlanksThenTabs", L"  \t x\t  ", L" x", true},
};

void PrintTo(const wtrim_case& c, std::ostream* os) { *os << c.name; }

class WideTrim : public ::testing::TestWithParam<wtrim_case> {};

TEST_P(WideTrim, RunsStepsInOrder) {
    const auto& c = GetParam();
    std::wstring text = c.input;
    EXPECT_EQ(wtrim_whitespace(text), c.result);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, WideTrim, ::testing::ValuesIn(wtrim_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(EraseLastChars, RemovesUpToAllAndRefusesNothing) {
    std::string text = "abc";
    EXPECT_TRUE(erase_last_chars(text, 1));
    EXPECT_EQ(text, "ab");
    EXPECT_FALSE(erase_last_chars(text, 0));
    EXPECT_FALSE(erase_last_chars(text, -2));
    EXPECT_EQ(text, "ab");
    EXPECT_TRUE(erase_last_chars(text, 5));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(erase_last_chars(text, 1));
    std::wstring wide = L"abc";
    EXPECT_TRUE(werase_last_chars(wide, 2));
    EXPECT_EQ(wide, L"a");
}

// --- Case: only ASCII letters fold ---

TEST(LetterCase, FoldsOnlyAsciiLetters) {
    // C3 84 is the UTF-8 form of A with diaeresis: its bytes must survive lower-casing.
    std::string text = "AbZ\xC3\x84@[`{";
    EXPECT_EQ(&string_to_lower(text), &text);
    EXPECT_EQ(text, "abz\xC3\x84@[`{");
    string_to_upper(text);
    EXPECT_EQ(text, "ABZ\xC3\x84@[`{");

    std::wstring wide = L"Ab\u00C4\u00E4\u0130";
    EXPECT_EQ(wstring_to_lower(wide), L"ab\u00C4\u00E4\u0130");
    wstring_to_upper(wide);
    EXPECT_EQ(wide, L"AB\u00C4\u00E4\u0130");
}

TEST(LetterCase, IgnoresTheProcessLocale) {
    // A library switching the C locale must not change what folds.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous == nullptr ? "C" : previous;
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
        GTEST_SKIP() << "C.UTF-8 locale not available";
    }
    std::wstring wide = L"\u00C4A";
    (void)wstring_to_lower(wide);
    std::string narrow = "\xC4\xC3\x84";
    (void)string_to_lower(narrow);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(wide, L"\u00C4a");
    EXPECT_EQ(narrow, "\xC4\xC3\x84");
}

TEST(LetterCase, BufferAndList) {
    char buffer[] = {'A', 'B', '\0', 'C', 'D'};
    to_lower_buffer(buffer, 4);
    EXPECT_EQ(std::string(buffer, 5), std::string("ab\0cD", 5));
    to_lower_buffer(nullptr, 4);  // nothing to do, and no crash

    std::vector<std::string> list = {"One", "TWO", ""};
    string_list_to_lower(list);
    EXPECT_EQ(list, (std::vector<std::string>{"one", "two", ""}));
}

// --- Comparisons that change their operands ---

TEST(EqualsNocase, LowerCasesBothOnlyWhenLengthsMatch) {
    std::string a = "ABC";
    std::string b = "abd";
    EXPECT_FALSE(equals_nocase(a, b));
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "abd");

    a = "ABC";
    std::string longer = "abcd";
    EXPECT_FALSE(equals_nocase(a, longer));
    EXPECT_EQ(a, "ABC");

    std::string c = "Sqlite";
    std::string d = "SQLITE";
    EXPECT_TRUE(equals_nocase(c, d));
    std::string e = "\xC3\x84";
    std::string f = "\xC3\xA4";
    EXPECT_FALSE(equals_nocase(e, f));

    std::wstring wa = L"Table";
    std::wstring wb = L"TABLE";
    EXPECT_TRUE(wstring_equals_nocase(wa, wb));
    EXPECT_EQ(wb, L"table");
    std::wstring wc = L"X";
    EXPECT_FALSE(wstring_equals_nocase(wa, wc));
    EXPECT_EQ(wc, L"X");
}

TEST(PrefixEqualsNocase, AlwaysLowerCasesAndNeedsNCharacters) {
    std::string month = "Jan";
    std::string full = "JANUARY";
    EXPECT_TRUE(prefix_equals_nocase(month, full, 3));
    EXPECT_EQ(full, "january");
    full = "JANUARY";
    EXPECT_FALSE(prefix_equals_nocase(month, full, 8));
    EXPECT_EQ(full, "january");
    EXPECT_FALSE(prefix_equals_nocase(month, full, 4));
    EXPECT_FALSE(prefix_equals_nocase(month, full, -1));

    std::wstring wa = L"FEB";
    std::wstring wb = L"february";
    EXPECT_TRUE(wprefix_equals_nocase(wa, wb, 3));
    EXPECT_EQ(wa, L"feb");
    EXPECT_FALSE(wprefix_equals_nocase(wa, wb, 4));
}

TEST(BufferPrefixEqualsNocase, ComparesNulsAndLeavesBuffers) {
    const char a[] = {'A', '\0', 'x'};
    const char b[] = {'a', '\0', 'y'};
    EXPECT_TRUE(buffer_prefix_equals_nocase(a, b, 2));
    EXPECT_FALSE(buffer_prefix_equals_nocase(a, b, 3));
    EXPECT_EQ(a[0], 'A');
    const char c[] = {'a', '\1'};
    EXPECT_FALSE(buffer_prefix_equals_nocase(a, c, 2));
    EXPECT_FALSE(buffer_prefix_equals_nocase(nullptr, b, 1));
    EXPECT_FALSE(buffer_prefix_equals_nocase(a, b, -1));
}

TEST(FindNocase, SearchesWithoutRegardToCase) {
    const wchar_t* hay = L"C:\\Users\\Ann\\AppData";
    const wchar_t* at = wcsstr_nocase(hay, L"appdata");
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at, hay + 13);  // a pointer into the caller's text, not into a copy
    EXPECT_EQ(wcsstr_nocase(hay, L"local"), nullptr);
    EXPECT_EQ(wcsstr_nocase(nullptr, L"a"), nullptr);
    EXPECT_EQ(wcsstr_nocase(hay, nullptr), nullptr);

    std::wstring text = L"abcABC";
    std::wstring pattern = L"CA";
    EXPECT_EQ(wfind_optional_nocase(text, pattern, false), -1);
    EXPECT_EQ(text, L"abcABC");
    EXPECT_EQ(wfind_optional_nocase(text, pattern, true), 2);
    EXPECT_EQ(text, L"abcabc");
    EXPECT_EQ(pattern, L"ca");
}

TEST(NullsafeCompare, OrdersNullsFirst) {
    EXPECT_EQ(strcmp_nullsafe(nullptr, nullptr, false), 0);
    EXPECT_EQ(strcmp_nullsafe(nullptr, "a", false), -1);
    EXPECT_EQ(strcmp_nullsafe("a", nullptr, true), 1);
    EXPECT_EQ(strcmp_nullsafe("abc", "ABC", true), 0);
    EXPECT_NE(strcmp_nullsafe("abc", "ABC", false), 0);
    EXPECT_EQ(wcscmp_nullsafe(nullptr, nullptr, true), 0);
    EXPECT_EQ(wcscmp_nullsafe(nullptr, L"a", true), -1);
    EXPECT_EQ(wcscmp_nullsafe(L"a", nullptr, true), 1);
    EXPECT_EQ(wcscmp_nullsafe(L"Name.DB", L"name.db", true), 0);
    EXPECT_LT(wcscmp_nullsafe(L"a", L"b", false), 0);
}

TEST(NocaseCharTraits, CompareAndFind) {
    EXPECT_TRUE(nocase_char_traits::eq('a', 'A'));
    const char x = 'q';
    const char y = 'Q';
    EXPECT_TRUE(nocase_char_traits::eq(&x, &y));
    EXPECT_TRUE(nocase_char_traits::lt('a', 'B'));
    EXPECT_FALSE(nocase_char_traits::lt('b', 'A'));
    EXPECT_EQ(nocase_char_traits::compare("heLLo", "HELLO", 5), 0);
    EXPECT_EQ(nocase_char_traits::compare("abd", "ABC", 3), 1);
    EXPECT_EQ(nocase_char_traits::compare("abc", "ABD", 3), -1);
    EXPECT_EQ(nocase_char_traits::compare("abX", "ABy", 2), 0);
    const char* text = "wal-FILE";
    EXPECT_EQ(nocase_char_traits::find(text, 8, 'f'), text + 4);
    EXPECT_EQ(nocase_char_traits::find(text, 4, 'f'), nullptr);

    EXPECT_TRUE(nocase_char_traits::eq(L'z', L'Z'));
    EXPECT_FALSE(nocase_char_traits::eq(L'\u00E4', L'\u00C4'));
    EXPECT_EQ(nocase_char_traits::compare(L"Journal", L"JOURNAM", 7), -1);
    const wchar_t* wide = L"x-SHM";
    EXPECT_EQ(nocase_char_traits::find(wide, 5, L'h'), wide + 3);
    EXPECT_EQ(nocase_char_traits::find(wide, 5, L'q'), nullptr);
}

// --- Byte keys ---

TEST(ByteKeys, OrderUnsignedFromFirstByte) {
    const uint8 low[16] = {0x01, 0xFF};
    const uint8 high[16] = {0x80};
    EXPECT_TRUE(bytes16_less(low, high));
    EXPECT_FALSE(bytes16_less(high, low));
    EXPECT_FALSE(bytes16_less(low, low));
    const uint8 last_differs[16] = {0x01, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_TRUE(bytes16_less(low, last_differs));

    // Only the common part counts: a prefix and its extension are equivalent keys.
    EXPECT_FALSE(byte_array_less({1, 2}, {1, 2, 3}));
    EXPECT_FALSE(byte_array_less({1, 2, 3}, {1, 2}));
    EXPECT_TRUE(byte_array_less({1, 2, 3}, {1, 0x80}));
    EXPECT_FALSE(byte_array_less({1, 0x80}, {1, 2, 3}));
    EXPECT_FALSE(byte_array_less({}, {}));
}

TEST(FirstMismatch, IndexOrAllOnes) {
    const char a[] = "abcdef";
    const char b[] = "abcXef";
    EXPECT_EQ(first_mismatch64(a, b, 6), 3u);
    EXPECT_EQ(first_mismatch64(a, b, 3), std::numeric_limits<uint64>::max());
    EXPECT_EQ(first_mismatch64(a, nullptr, 3), 0u);
    EXPECT_EQ(first_mismatch64(a, b, 0), 0u);
}

}  // namespace
