#include "text/text_escape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/text_test_support.h"

namespace {

using text_test::exact_buffer;
using text_test::named_case_printer;
using list = std::vector<std::string>;
using wlist = std::vector<std::wstring>;

const list html_matches = {"<", ">", "&"};
const list html_replacements = {"&lt;", "&gt;", "&amp;"};

struct escape_case {
    const char* name;
    std::string_view text;
    list matches;
    list replacements;
    bool nocase;
    bool percent;
    std::string escaped;
};

const escape_case escape_cases[] = {
    {"html_table_with_percent", "a<b&c\x01", html_matches, html_replacements, true, true,
     "a&lt;b&amp;c%01"},
    {"line_ends_pass", "a\r\nb\x7f", html_matches, html_replacements, true, true, "a\r\nb%7f"},
    {"high_bytes_without_percent", "\xE9<", html_matches, html_replacements, false, false,
     "\xE9&lt;"},
    {"first_match_in_list_order", "aab", {"ab", "a"}, {"X", "Y"}, false, false, "YX"},
    {"case_blind", "A<B", {"a"}, {"1"}, true, false, "1<B"},
    {"case_kept", "A<B", {"a"}, {"1"}, false, false, "A<B"},
    {"match_longer_than_rest", "xa", {"ab"}, {"!"}, false, false, "xa"},
    {"empty_match_never_matches", "ab", {"", "b"}, {"?", "B"}, false, false, "aB"},
};

class EscapeByTable : public ::testing::TestWithParam<escape_case> {};

TEST_P(EscapeByTable, WritesReplacements) {
    const escape_case& c = GetParam();
    exact_buffer<uint8> buffer(reinterpret_cast<const uint8*>(c.text.data()), c.text.size());
    std::string out = "stale";
    ASSERT_TRUE(escape_by_table(buffer.data(), buffer.length(), c.matches, c.replacements, out,
                                c.nocase, c.percent));
    EXPECT_EQ(out, c.escaped);
}

INSTANTIATE_TEST_SUITE_P(Cases, EscapeByTable, ::testing::ValuesIn(escape_cases),
                         named_case_printer());

TEST(EscapeByTable, RefusesMissingOrUnequalLists) {
    const uint8 text[] = {'a', '<'};
    std::string out = "stale";
    EXPECT_FALSE(escape_by_table(text, 2, {"<"}, {}, out, false, false));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(escape_by_table(text, 2, {}, {}, out, false, false));
    EXPECT_FALSE(escape_by_table(text, 0, html_matches, html_replacements, out, false, false));
    EXPECT_FALSE(escape_by_table(text, -2, html_matches, html_replacements, out, false, false));
    out = "stale";
    EXPECT_FALSE(escape_by_table(nullptr, 2, html_matches, html_replacements, out, false, false));
    EXPECT_EQ(out, "");
}

TEST(EscapeByTable, WideFormJudgesTheLowByte) {
    const std::wstring_view text = L"\u0101<\u0141\r\u010D";
    exact_buffer<wchar_t> buffer(text);
    std::wstring out;
    ASSERT_TRUE(
        wescape_by_table(buffer.data(), buffer.length(), {L"<"}, {L"&lt;"}, out, true, true));
    // U+0101 and U+010D have low bytes 01 and 0D; U+0141 has 41 ("A") and stays whole.
    EXPECT_EQ(out, L"%01&lt;\u0141\r%0d");

    EXPECT_FALSE(wescape_by_table(buffer.data(), buffer.length(), {L"<"}, {}, out, true, true));
    EXPECT_EQ(out, L"");
    EXPECT_FALSE(wescape_by_table(buffer.data(), 0, {L"<"}, {L"&lt;"}, out, true, true));
}

TEST(HtmlEscapeBasic, EscapesEntitiesAndNonPrintingBytes) {
    const uint8 text[] = {'x', 0xC3, 0xA9, '<', '\r', '\n', '&', 0};
    EXPECT_EQ(html_escape_basic(text), "x%c3%a9&lt;\r\n&amp;");
    const uint8 empty[] = {0};
    EXPECT_EQ(html_escape_basic(empty), "");
    EXPECT_EQ(html_escape_basic(nullptr), "");
}

struct decode_case {
    const char* name;
    std::string text;
    char special;
    std::string replacement;
    bool ok;
    std::string decoded;
};

const decode_case decode_cases[] = {
    {"escape_between_text", "a%41b", 0, "", true, "aAb"},
    {"escape_alone", "%41", 0, "", true, "A"},
    {"not_hex_kept", "a%zzb", 0, "", true, "a%zzb"},
    {"percent_at_end", "a%", 0, "", true, "a%"},
    {"one_char_after_percent", "a%4", 0, "", true, "a%4"},
    {"no_percent", "abc", 0, "", false, ""},
    {"empty", "", 0, "", false, ""},
    {"escaped_percent_escapes_again", "%2541", 0, "", true, "A"},
    {"escaped_percent_twice", "%252541x", 0, "", true, "Ax"},
    {"escaped_percent_at_end", "%25", 0, "", true, "%"},
    {"escaped_percent_then_not_hex", "%25zz", 0, "", true, "%zz"},
    {"control_left_as_written", "%0A", 0, "", true, "%0A"},
    {"high_left_as_written", "%E9", 0, "", true, "%E9"},
    {"del_decoded", "%7f", 0, "", true, "\x7f"},
    {"special_replaced", "a%2Fb", '/', "_", true, "a_b"},
    {"special_written_plainly_stays", "a/b%41", '/', "_", true, "a/bA"},
};

class UrlPercentDecode : public ::testing::TestWithParam<decode_case> {};

TEST_P(UrlPercentDecode, Decodes) {
    const decode_case& c = GetParam();
    std::string out = "stale";
    EXPECT_EQ(url_percent_decode(out, c.text, c.special, c.replacement), c.ok);
    EXPECT_EQ(out, c.decoded);
}

INSTANTIATE_TEST_SUITE_P(Cases, UrlPercentDecode, ::testing::ValuesIn(decode_cases),
                         named_case_printer());

}  // namespace
