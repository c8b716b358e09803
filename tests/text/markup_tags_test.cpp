#include "text/markup_tags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/text_test_support.h"

namespace {

using text_test::named_case_printer;
using text_test::narrow_buffer;
using list = std::vector<std::string>;

// ---- extract_tags / collect_tag_items ----

struct tags_case {
    const char* name;
    std::string_view text;
    list tags;
    std::vector<int> positions;
};

const tags_case tags_cases[] = {
    {"tags_between_text", "a<b>c</b>d", {"<b>", "</b>"}, {2, 6}},
    {"stray_close_is_empty_item", "a > b", {""}, {0}},
    {"lt_inside_tag_is_kept", "<a<b>", {"<a<b>"}, {1}},
    {"unclosed_tag_gives_nothing", "x<b", {}, {}},
    {"tag_at_the_very_end", "<i>", {"<i>"}, {1}},
};

class ExtractTags : public ::testing::TestWithParam<tags_case> {};

TEST_P(ExtractTags, ListsTagsAndPositions) {
    const tags_case& c = GetParam();
    narrow_buffer buffer(c.text);
    list tags;
    EXPECT_EQ(extract_tags(buffer.data(), buffer.length(), tags), !c.tags.empty());
    EXPECT_EQ(tags, c.tags);

    std::vector<tag_item> items;
    EXPECT_EQ(collect_tag_items(buffer.data(), buffer.length(), items), !c.tags.empty());
    ASSERT_EQ(items.size(), c.positions.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].text, c.tags[i]);
        EXPECT_EQ(items[i].position, c.positions[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtractTags, ::testing::ValuesIn(tags_cases), named_case_printer());

TEST(ExtractTags, KeepsEarlierItemsAndRefusesEmptyInput) {
    narrow_buffer buffer(std::string_view("x<y>"));
    list tags = {"old"};
    EXPECT_TRUE(extract_tags(buffer.data(), buffer.length(), tags));
    EXPECT_EQ(tags, (list{"old", "<y>"}));

    // An unclosed tag adds nothing, but the earlier item still makes the result true.
    narrow_buffer open(std::string_view("<y"));
    EXPECT_TRUE(extract_tags(open.data(), open.length(), tags));
    EXPECT_EQ(tags.size(), 2U);

    for (const int length : {0, -1}) {
        EXPECT_FALSE(extract_tags(buffer.data(), length, tags));
        std::vector<tag_item> items;
        EXPECT_FALSE(collect_tag_items(buffer.data(), length, items));
    }
    EXPECT_FALSE(extract_tags(nullptr, 4, tags));
}

// ---- xml_attribute_value ----

TEST(XmlAttributeValue, ReadsBetweenQuotesWithinTheLength) {
    std::string value = "stale";
    narrow_buffer decl(std::string_view("<?xml version=\"1.0\"?>"));
    ASSERT_TRUE(xml_attribute_value(decl.data(), decl.length(), "version", value));
    EXPECT_EQ(value, "1.0");

    // Counted tag texts carry no terminator: every search stops at the length. Here the
    // name, the "=", the opening and the closing quote each lie beyond the given length.
    const std::string_view text = "a=\"1\" version=\"2\"";
    narrow_buffer counted(text);
    for (const int length : {7, 13, 14, 15, 16}) {
        EXPECT_FALSE(xml_attribute_value(counted.data(), length, "version", value)) << length;
        EXPECT_EQ(value, "");
    }
    EXPECT_TRUE(xml_attribute_value(counted.data(), 17, "version", value));
    EXPECT_EQ(value, "2");

    EXPECT_FALSE(xml_attribute_value(nullptr, 5, "a", value));
    EXPECT_FALSE(xml_attribute_value(counted.data(), 0, "a", value));
    EXPECT_FALSE(xml_attribute_value(counted.data(), -3, "a", value));
    EXPECT_FALSE(xml_attribute_value(counted.data(), counted.length(), nullptr, value));
}

// ---- nth_tag_attribute ----

struct nth_case {
    const char* name;
    std::string_view text;
    int n;
    bool ok;
    std::string attribute;
    std::string value;
};

const nth_case nth_cases[] = {
    {"second", "<t a=\"1\" b=\"2\">", 2, true, "b", "2"},
    {"first", "<t a=\"1\" b=\"2\">", 1, true, "a", "1"},
    {"past_the_last", "<t a=\"1\" b=\"2\">", 3, false, "", ""},
    {"blanks_removed_from_name", "<t  a =\"x y\">", 1, true, "a", "x y"},
    {"n_zero", "<t a=\"1\">", 0, false, "", ""},
    {"n_negative", "<t a=\"1\">", -1, false, "", ""},
    {"not_a_tag", "t a=\"1\">", 1, false, "", ""},
    {"blank_after_lt", "< t a=\"1\">", 1, false, "", ""},
    {"no_gt", "<t a=\"1\"", 1, false, "", ""},
    {"quote_after_gt", "<t a=1>\"x\"", 1, false, "", ""},
    {"eq_after_gt", "<t a>=\"x\"", 1, false, "", ""},
    {"unclosed_quote", "<t a=\"1>", 1, false, "", ""},
    {"no_blank", "<t=\"1\">", 1, false, "", ""},
    {"single_char", "<", 1, false, "", ""},
};

class NthTagAttribute : public ::testing::TestWithParam<nth_case> {};

TEST_P(NthTagAttribute, GivesNameAndValue) {
    const nth_case& c = GetParam();
    narrow_buffer buffer(c.text);
    std::string attribute = "stale";
    std::string value = "stale";
    EXPECT_EQ(nth_tag_attribute(buffer.data(), buffer.length(), c.n, attribute, value), c.ok);
    EXPECT_EQ(attribute, c.attribute);
    EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Cases, NthTagAttribute, ::testing::ValuesIn(nth_cases),
                         named_case_printer());

// ---- find_tag_attribute / find_named_value ----

struct attribute_case {
    const char* name;
    std::string text;
    unsigned length;  // 0: the whole text
    const char* attribute;
    bool ok;
    std::string value;
    uint64 offset;  // with a base of 100
    uint64 value_length;
};

const attribute_case attribute_cases[] = {
    {"double_quoted", "<a id=\"7\">", 0, "id", true, "7", 105, 3},
    {"at_index_2", "id=\"7\"", 0, "id", true, "7", 102, 3},
    {"case_blind_single_quotes", "name = 'x y'", 0, "Name", true, "x y", 105, 6},
    {"unquoted_ends_at_blank", "name = x y", 0, "name", true, "x", 105, 2},
    {"unquoted_ends_at_cr", "k=ab\rc", 0, "k", true, "ab", 101, 2},
    {"unquoted_runs_past_lf", "k=a\nb c", 0, "k", true, "a\nb", 101, 3},
    {"other_quote_kind_inside", "k=\"it's\"", 0, "k", true, "it's", 101, 6},
    {"line_ends_in_quotes_dropped", "k=\"a\r\nb\"", 0, "k", true, "ab", 101, 6},
    {"empty_quoted", "k=''", 0, "k", true, "", 101, 2},
    {"unended_first_then_found", "k='x k=y z", 0, "k", true, "y", 106, 1},
    {"unquoted_to_the_end", "k=abc", 0, "k", false, "", 0, 0},
    {"unclosed_quote", "k=\"abc", 0, "k", false, "", 0, 0},
    {"no_eq", "k abc", 0, "k", false, "", 0, 0},
    {"closing_quote_beyond_length", "id=\"7\"", 5, "id", false, "", 0, 0},
    {"name_as_long_as_length", "id", 0, "id", false, "", 0, 0},
    {"length_beyond_text", "id=\"7\"", 900, "id", true, "7", 102, 3},
    {"empty_name", "=1 ", 0, "", false, "", 0, 0},
};

class FindTagAttribute : public ::testing::TestWithParam<attribute_case> {};

TEST_P(FindTagAttribute, GivesValueOffsetAndLength) {
    const attribute_case& c = GetParam();
    const positioned_text text{c.text, 100};
    const unsigned length = c.length == 0 ? static_cast<unsigned>(c.text.size()) : c.length;
    attribute_match found{"stale", 9, 9};
    EXPECT_EQ(find_tag_attribute(text, length, c.attribute, found), c.ok);
    EXPECT_EQ(found.value, c.value);
    EXPECT_EQ(found.offset, c.offset);
    EXPECT_EQ(found.length, c.value_length);

    // The plain-buffer form reads the same value from an unterminated copy.
    const std::string_view shown =
        std::string_view(c.text).substr(0, std::min<std::size_t>(length, c.text.size()));
    narrow_buffer buffer(shown);
    std::string value = "stale";
    EXPECT_EQ(
        find_named_value(buffer.data(), static_cast<unsigned>(buffer.length()), c.attribute, value),
        c.ok);
    EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindTagAttribute, ::testing::ValuesIn(attribute_cases),
                         named_case_printer());

TEST(FindTagAttribute, RefusesNamesOver256Characters) {
    const std::string name(257, 'n');
    const std::string text = name + "=\"v\" ";
    attribute_match found;
    EXPECT_FALSE(
        find_tag_attribute({text, 0}, static_cast<unsigned>(text.size()), name.c_str(), found));
    const std::string longest(256, 'n');
    const std::string fits = longest + "=\"v\" ";
    EXPECT_TRUE(
        find_tag_attribute({fits, 0}, static_cast<unsigned>(fits.size()), longest.c_str(), found));
    EXPECT_EQ(found.value, "v");

    std::string value;
    EXPECT_FALSE(find_named_value(nullptr, 5, "a", value));
    EXPECT_FALSE(find_named_value(fits.c_str(), 5, nullptr, value));
}

}  // namespace
