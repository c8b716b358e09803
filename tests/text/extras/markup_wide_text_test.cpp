#include "text/extras/markup_wide_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "text/html_tokens.h"

namespace {

std::vector<uint16> units_of(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::wstring> widen(const std::vector<std::string>& items) {
    std::vector<std::wstring> wide;
    for (const std::string& item : items) {
        wide.emplace_back(item.begin(), item.end());
    }
    return wide;
}

struct split_case {
    const char* name;
    std::string markup;
    std::vector<std::string> items;
};

const split_case split_cases[] = {
    {"tags_and_runs", "a<b>c</b>d", {"a", "<b>", "c", "</b>"}},
    {"pre_body_raw", "<pre>x<y</pre>", {"", "<pre>", "x<y", "</pre>"}},
    {"pre_with_attribute_not_raw", "<pre class=x>a<b>", {"", "<pre class=x>", "a", "<b>"}},
    {"php_block", "<?php a > b ?>", {"", "<?php a > b ?>"}},
    {"script_body_raw", "<script>if(a<b)</script>", {"", "<script>", "if(a<b)", "</script>"}},
    {"lt_last", "a<", {"a"}},
    {"cut_block", "x<% a >", {"x"}},
    {"only_text", "abc", {}},
};

class SplitMarkup : public ::testing::TestWithParam<split_case> {};

// The wide splitter and the narrow one (untrimmed) follow one rule.
TEST_P(SplitMarkup, WideAndNarrowAgree) {
    const split_case& c = GetParam();
    std::vector<uint16> units = units_of(c.markup);
    std::vector<std::wstring> wide;
    EXPECT_EQ(split_markup_utf16(units.data(), static_cast<uint32>(units.size() * 2), wide),
              !c.items.empty());
    EXPECT_EQ(wide, widen(c.items));
    std::vector<std::string> narrow;
    (void)split_html_tokens(c.markup.data(), static_cast<int>(c.markup.size()), narrow, false);
    EXPECT_EQ(narrow, c.items);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitMarkup, ::testing::ValuesIn(split_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SplitMarkupUtf16, OddCountAndOddAddress) {
    const std::string markup = "<b>";
    std::vector<uint8> bytes(1 + markup.size() * 2 + 1, 0);
    for (std::size_t i = 0; i < markup.size(); ++i) {
        bytes[1 + 2 * i] = static_cast<uint8>(markup[i]);
    }
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): only ever copied from
    const auto* units = reinterpret_cast<const uint16*>(bytes.data() + 1);
    std::vector<std::wstring> items;
    EXPECT_TRUE(split_markup_utf16(units, 7, items));  // the odd last byte is not read
    EXPECT_EQ(items, (std::vector<std::wstring>{L"", L"<b>"}));
    items.clear();
    EXPECT_FALSE(split_markup_utf16(nullptr, 8, items));
    EXPECT_FALSE(split_markup_utf16(units, 1, items));
}

struct normalize_case {
    const char* name;
    std::string item;
    std::string normalized;
};

const normalize_case normalize_cases[] = {
    {"unquoted_value", "<IMG   SRC=Pic.PNG>", "<img src=\"Pic.png\">"},
    {"blanks_around_equals_quoted_kept", "<A HREF = \"X  Y\">", "<a href=\"X  Y\">"},
    {"single_quotes_kept", "<A Title='It''S'>", "<a title='It''S'>"},
    {"xml_declaration", "<?xml version=1?>", "<?xml version=1?>"},
    {"asp_block", "<% X=1 %>", "<% X=1 %>"},
    {"text_run", "Some TEXT = 1", "Some TEXT = 1"},
    {"empty", "", ""},
};

class NormalizeTags : public ::testing::TestWithParam<normalize_case> {};

TEST_P(NormalizeTags, WideAndNarrowAgree) {
    const normalize_case& c = GetParam();
    std::vector<std::string> narrow{c.item};
    EXPECT_TRUE(normalize_html_tags(narrow));
    EXPECT_EQ(narrow.front(), c.normalized);
    std::vector<std::wstring> wide = widen({c.item});
    EXPECT_TRUE(normalize_tags_w(wide));
    EXPECT_EQ(wide, widen({c.normalized}));
}

INSTANTIATE_TEST_SUITE_P(Cases, NormalizeTags, ::testing::ValuesIn(normalize_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Only ASCII letters are lowered, as in the narrow normaliser, whatever the process locale.
TEST(NormalizeTagsW, EmptyListAndWideLetters) {
    std::vector<std::wstring> none;
    EXPECT_FALSE(normalize_tags_w(none));
    std::vector<std::wstring> items{L"<\u00C4 X=\u00C4\u00C4A>"};
    EXPECT_TRUE(normalize_tags_w(items));
    EXPECT_EQ(items.front(), L"<\u00C4 x=\"\u00C4\u00C4a\">");
}

TEST(HtmlEscapeW, EntitiesLineEndsAndLowBytes) {
    EXPECT_EQ(html_escape_w(L"a<b>&c\r\n"), L"a&lt;b&gt;&amp;c\r\n");
    // Outside 0x20-0x7E a character is written by its low byte, even above 0xFF.
    EXPECT_EQ(html_escape_w(std::wstring(L"\t") + static_cast<wchar_t>(0x2601)), L"%09%01");
    EXPECT_EQ(html_escape_w(L""), L"");
}

struct xml_case {
    const char* name;
    std::string bytes;
    bool xml;
};

const xml_case xml_cases[] = {
    {"fifteen_bytes", "<?xml version=\"", false},
    {"declaration", "<?xml version=\"1.0\"?>", true},
    {"comment_then_declaration", "<!-- c -->\n<?xml version=\"1.0\"?>", true},
    {"two_comments", "<!-- a --><!-- b -->\n\n<?xml version=\"1.0\"?>", true},
    {"open_comment", "<!-- never closed <?xml version=\"1.0\"?>", false},
    {"text_between", "<!-- c --> x <?xml version=\"1.0\"?>", false},
    {"html", "<html><body>hello</body></html>", false},
    {"cut_after_comment", "<!-- comment --><?xml v", false},
};

class LooksLikeXml : public ::testing::TestWithParam<xml_case> {};

TEST_P(LooksLikeXml, Cases) {
    const xml_case& c = GetParam();
    const std::vector<uint8> bytes(c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(looks_like_xml(bytes.data(), static_cast<uint32>(bytes.size())), c.xml);
}

INSTANTIATE_TEST_SUITE_P(Cases, LooksLikeXml, ::testing::ValuesIn(xml_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace

namespace {

// Every prefix of markup that opens blocks, comments and quotes, in an exact-size copy, so
// the sanitizer build sees any read past the count.
TEST(MarkupReaders, CutAtEveryLength) {
    const std::string markup =
        "<!-- c -->\n<?xml version=\"1.0\"?><A HREF = 'x'><pre>a<b</pre><% x > %><script";
    for (std::size_t n = 0; n <= markup.size(); ++n) {
        const std::vector<uint8> bytes(markup.begin(), markup.begin() + n);
        const std::vector<uint16> units(markup.begin(), markup.begin() + n);
        std::vector<std::wstring> items;
        const bool split =
            split_markup_utf16(units.data(), static_cast<uint32>(units.size() * 2), items);
        EXPECT_EQ(split, !items.empty());
        EXPECT_EQ(normalize_tags_w(items), split);
        EXPECT_EQ(looks_like_xml(bytes.data(), static_cast<uint32>(n)), n >= 19)
            << n;  // through "<?xml ve"
    }
}

}  // namespace
