#include "text/extras/html_tag_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using list = std::vector<std::string>;

TEST(HtmlEscapeFull, EntitiesAndCrLfBreaks) {
    std::string out = "old";
    EXPECT_EQ(html_escape_full(out, "a&b<c>\"d'e\r\nf\ng\rh"),
              "a&amp;b&lt;c&gt;&quot;d&#39;e<br />f\ng\rh");
    EXPECT_EQ(out, "a&amp;b&lt;c&gt;&quot;d&#39;e<br />f\ng\rh");
    // An entity already written is escaped again: the text is taken as plain.
    EXPECT_EQ(html_escape_full(out, "&amp;"), "&amp;amp;");
    EXPECT_EQ(html_escape_full(out, ""), "");
}

TEST(HtmlEscapeBasicAt, EscapesThePointedText) {
    const char* text = "<a & b>";
    EXPECT_EQ(html_escape_basic_at(&text), "&lt;a &amp; b&gt;");
    const char* none = nullptr;
    EXPECT_EQ(html_escape_basic_at(&none), "");
    EXPECT_EQ(html_escape_basic_at(nullptr), "");
}

struct tag_values_case {
    const char* name;
    bool (*fn)(const char*, int32, list&);
    list expected;
};

const std::string page = R"(<a href="x" src="y">text<img src='z'><p class=q>)";

class TagValues : public ::testing::TestWithParam<tag_values_case> {};

TEST_P(TagValues, AppendsTheValuesOfEveryTag) {
    const tag_values_case& c = GetParam();
    list out{"kept"};
    EXPECT_TRUE(c.fn(page.data(), static_cast<int32>(page.size()), out));
    list expected{"kept"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(out, expected);
}

const tag_values_case tag_values_cases[] = {
    {"Href", tag_href_values, {"x"}},
    {"Src", tag_src_values, {"y", "z"}},
    {"LinkPrefersHref", tag_link_values, {"x", "z"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, TagValues, ::testing::ValuesIn(tag_values_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TagValues, NoTagIsFalseEvenWithAFilledList) {
    const std::string text = "no tags at all";
    list out{"kept"};
    EXPECT_FALSE(tag_link_values(text.data(), static_cast<int32>(text.size()), out));
    EXPECT_FALSE(tag_src_values(nullptr, 10, out));
    EXPECT_EQ(out, list{"kept"});
    // Tags without the attribute: true only because of what the list already held.
    const std::string bare = "<p><br>";
    EXPECT_TRUE(tag_href_values(bare.data(), static_cast<int32>(bare.size()), out));
    list empty;
    EXPECT_FALSE(tag_href_values(bare.data(), static_cast<int32>(bare.size()), empty));
}

TEST(TextsBetweenTags, TextAfterTheLastTagIsDropped) {
    const std::string text = "a <b> c <d>   <e> tail";
    list out;
    EXPECT_TRUE(texts_between_tags(text.data(), static_cast<int32>(text.size()), out));
    EXPECT_EQ(out, (list{"a", "c"}));
    // The length bounds the walk: a cut before the second ">" keeps only "a".
    list cut;
    EXPECT_TRUE(texts_between_tags(text.data(), 5, cut));
    EXPECT_EQ(cut, list{"a"});
    EXPECT_FALSE(texts_between_tags(text.data(), 0, cut));
    EXPECT_FALSE(texts_between_tags(nullptr, 5, cut));
    list none;
    EXPECT_FALSE(texts_between_tags("plain", 5, none));
}

struct element_case {
    const char* name;
    const char* text;
    const char* tag;
    bool ok;
    std::string value;
};

class XmlElementText : public ::testing::TestWithParam<element_case> {};

TEST_P(XmlElementText, TextUpToTheClosingTag) {
    const element_case& c = GetParam();
    std::string out = "old";
    EXPECT_EQ(xml_element_text(c.text, 1, c.tag, out), c.ok);
    EXPECT_EQ(out, c.value);
}

const element_case element_cases[] = {
    {"Plain", "<r><name>w</name></r>", "name", true, "w"},
    {"WithAttributes", "<r><name a=\"1\">w v</name></r>", "name", true, "w v"},
    {"LongerNameMatches", "<r><names>w</name></r>", "name", true, "w"},
    {"Empty", "<name></name>", "name", true, ""},
    {"NoClose", "<name>w</names>", "name", false, ""},
    {"NoOpen", "<r>w</name>", "name", false, ""},
    {"OpenNeverEnds", "<name", "name", false, ""},
    {"NullTag", "<name>w</name>", nullptr, false, ""},
    {"NullText", nullptr, "name", false, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, XmlElementText, ::testing::ValuesIn(element_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(XmlElementText, ZeroLengthIsRefused) {
    std::string out = "old";
    EXPECT_FALSE(xml_element_text("<a>b</a>", 0, "a", out));
    EXPECT_EQ(out, "");
}

}  // namespace
