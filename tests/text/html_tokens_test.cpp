#include "text/html_tokens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/text_test_support.h"

namespace {

using text_test::named_case_printer;
using text_test::narrow_buffer;
using list = std::vector<std::string>;

struct split_case {
    const char* name;
    std::string_view text;
    list untrimmed;
    list trimmed;
};

const split_case split_cases[] = {
    {"tags_and_runs", "<p>Hi</p>", {"", "<p>", "Hi", "</p>"}, {"<p>", "Hi", "</p>"}},
    {"text_after_last_tag_dropped", "x<b>tail", {"x", "<b>"}, {"x", "<b>"}},
    {"blank_runs", "<a> <b>\n", {"", "<a>", " ", "<b>"}, {"<a>", "<b>"}},
    {"runs_trimmed", " a <b>", {" a ", "<b>"}, {"a", "<b>"}},
    {"pre_body_whole",
     "<pre> a<b> </pre>",
     {"", "<pre>", " a<b> ", "</pre>"},
     {"<pre>", "a<b>", "</pre>"}},
    {"script_body_whole",
     "<SCRIPT type=x>if(a<b)c()</script>",
     {"", "<SCRIPT type=x>", "if(a<b)c()", "</script>"},
     {"<SCRIPT type=x>", "if(a<b)c()", "</script>"}},
    {"pre_with_attributes_is_no_block",
     "<pre class=x>a<b>",
     {"", "<pre class=x>", "a", "<b>"},
     {"<pre class=x>", "a", "<b>"}},
    // The run before a server block is added as it stands, even empty and when trimming.
    {"server_block_whole",
     "<? if a>b ?>x<p>",
     {"", "<? if a>b ?>", "x", "<p>"},
     {"", "<? if a>b ?>", "x", "<p>"}},
    {"asp_block_with_lt", " <%= a<b %>", {" ", "<%= a<b %>"}, {" ", "<%= a<b %>"}},
    {"unclosed_tag_given_up", "<a <b>", {"", "", "<b>"}, {"<b>"}},
    {"stray_gt_in_run", "a>b<i>", {"a>b", "<i>"}, {"a>b", "<i>"}},
    {"only_text", "no markup", {}, {}},
};

class SplitHtmlTokens : public ::testing::TestWithParam<split_case> {};

TEST_P(SplitHtmlTokens, GivesTagsAndRuns) {
    const split_case& c = GetParam();
    narrow_buffer buffer(c.text);
    list items;
    EXPECT_EQ(split_html_tokens(buffer.data(), buffer.length(), items, false),
              !c.untrimmed.empty());
    EXPECT_EQ(items, c.untrimmed);
    items.clear();
    EXPECT_EQ(split_html_tokens(buffer.data(), buffer.length(), items, true), !c.trimmed.empty());
    EXPECT_EQ(items, c.trimmed);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitHtmlTokens, ::testing::ValuesIn(split_cases),
                         named_case_printer());

TEST(SplitHtmlTokens, RefusesMissingInput) {
    list items;
    EXPECT_FALSE(split_html_tokens(nullptr, 3, items, false));
    narrow_buffer buffer(std::string_view("<a>"));
    EXPECT_FALSE(split_html_tokens(buffer.data(), 0, items, false));
    EXPECT_FALSE(split_html_tokens(buffer.data(), -1, items, true));
    EXPECT_TRUE(items.empty());
}

struct normalize_case {
    const char* name;
    std::string item;
    std::string normalized;
};

const normalize_case normalize_cases[] = {
    {"unquoted_value_quoted", "<A  HREF = X.Html>", "<a href=\"X.html\">"},
    {"quoted_values_kept", "<IMG SRC='A B.PNG' ALT=\"Q R\">", "<img src='A B.PNG' alt=\"Q R\">"},
    {"several_values", "<a b=C d=EF>", "<a b=\"C\" d=\"Ef\">"},
    {"value_ended_by_tab", "<a b=Cd\te>", "<a b=\"Cd\"\te>"},
    {"space_runs_and_tabs", "<a \t b\t>", "<a b\t>"},
    {"line_ends_after_eq_dropped", "<a b=\r\nX>", "<a b=\"X\">"},
    {"empty_value", "<a b=>", "<a b=>"},
    {"value_without_gt", "<a b=X", "<a b=\"X\""},
    {"server_block_untouched", "<?XML A=B?>", "<?XML A=B?>"},
    {"asp_block_untouched", "<%= X %>", "<%= X %>"},
    {"text_untouched", "Some TEXT = X", "Some TEXT = X"},
    {"empty_item", "", ""},
};

class NormalizeHtmlTags : public ::testing::TestWithParam<normalize_case> {};

TEST_P(NormalizeHtmlTags, RewritesTagsOnly) {
    const normalize_case& c = GetParam();
    list items = {c.item};
    EXPECT_TRUE(normalize_html_tags(items));
    EXPECT_EQ(items, list{c.normalized});
}

INSTANTIATE_TEST_SUITE_P(Cases, NormalizeHtmlTags, ::testing::ValuesIn(normalize_cases),
                         named_case_printer());

TEST(NormalizeHtmlTags, EmptyListIsFalse) {
    list items;
    EXPECT_FALSE(normalize_html_tags(items));
}

}  // namespace
