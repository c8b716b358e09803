#include "text/extras/html_to_text.h"

#include <gtest/gtest.h>

#include <string>

#include "io/io_test_support.h"

namespace {

using velk_test::read_file;
using velk_test::temp_dir;
using velk_test::write_file;

struct text_case {
    const char* name;
    std::string html;
    std::string text;
};

const text_case text_cases[] = {
    {"numbered_list", "<ol><li>a<li>b</ol>", "1. a2. b"},
    {"bulleted_list", "<ul><li>a</ul>", "*a"},
    {"lists_start_bulleted", "<li>a<li>b<x>", "*a*b"},
    {"ol_count_restarts", "<ol><li>a<ol><li>b<x>", "1. a1. b"},
    {"close_ol_keeps_numbering", "<ol><li>a</ol><li>b<x>", "1. a2. b"},
    {"heading_paragraph_bold", "<h2>T</h2><p>x <B>y</B>", "==T==\nx _y_"},
    {"h_without_number", "<html><head>a<hr>b<x>", "ab"},
    // HTML stops at level 6: a huge level must not turn a few bytes into a gigabyte.
    {"heading_level_capped", "<h7>a</h1000000000>", "======a======"},
    {"heading_level_past_int", "<h99999999999>a<x>", "======a"},
    {"pre_before_p", "<pre>ab</pre>", "[%ab%]"},
    {"image_src_alt", "<img src=\"i.png\" alt=\"I\">", "[i.png, I]"},
    {"image_without_attributes", "<img border=0>", "[]"},
    {"emphasis_quote_code", "<i>a</i><strong>b</strong><blockquote>c</blockquote><code>d</code>",
     "*a**b*[\"c\"]%d%"},
    {"sup_sub_br", "<sup>2</sup><sub>3</sub><br/>", "^2^~3~// "},
    // A raw body holding "<" is judged as a tag from that "<", like any item with one.
    {"raw_run_with_lt", "<script>if(a<b)</script>", ""},
    {"text_only", "no markup here", ""},
};

class HtmlToText : public ::testing::TestWithParam<text_case> {};

TEST_P(HtmlToText, Converts) {
    const text_case& c = GetParam();
    const temp_dir dir;
    write_file(dir.file("in.html"), c.html);
    EXPECT_EQ(html_to_text(dir.file("in.html"), dir.file("out.txt")), 0);
    EXPECT_EQ(read_file(dir.file("out.txt")), c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, HtmlToText, ::testing::ValuesIn(text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(HtmlToTextFiles, MissingInputEmptyOutput) {
    const temp_dir dir;
    write_file(dir.file("out.txt"), "old");
    EXPECT_EQ(html_to_text(dir.file("absent.html"), dir.file("out.txt")), 0);
    EXPECT_EQ(velk_test::file_size(dir.file("out.txt")), 0);
}

// The input is read whole before anything is written, so converting a file onto itself
// gives its text instead of an emptied file.
TEST(HtmlToTextFiles, OutputNamingInputConvertsIt) {
    const temp_dir dir;
    write_file(dir.file("page.html"), "<p>hello <b>there</b>");
    EXPECT_EQ(html_to_text(dir.file("page.html"), dir.file("page.html")), 0);
    EXPECT_EQ(read_file(dir.file("page.html")), "\nhello _there_");
}

TEST(HtmlToTextFiles, UnwritableOutputLeavesNothing) {
    const temp_dir dir;
    write_file(dir.file("in.html"), "<p>x");
    EXPECT_EQ(html_to_text(dir.file("in.html"), dir.file("missing/out.txt")), 0);
    EXPECT_EQ(velk_test::file_size(dir.file("missing/out.txt")), -1);
}

}  // namespace
