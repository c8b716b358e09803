#include "text/markup_elements.h"

#include <gtest/gtest.h>

#include <string>

#include "text/text_test_support.h"

namespace {

using text_test::named_case_printer;
using text_test::narrow_buffer;
using text_test::wide_buffer;

TEST(TakeXmlElement, MovesTheFirstElementOut) {
    std::string text = "x<item>1</item>y<item>2</item>";
    std::string element = "stale";
    ASSERT_TRUE(take_xml_element(element, text, "item"));
    EXPECT_EQ(element, "<item>1</item>");
    EXPECT_EQ(text, "xy<item>2</item>");

    // A longer name that begins with the tag opens an element too.
    text = "<items>1</item>z";
    ASSERT_TRUE(take_xml_element(element, text, "item"));
    EXPECT_EQ(element, "<items>1</item>");
    EXPECT_EQ(text, "z");

    std::wstring wide = L"x<item>1</item>y";
    std::wstring wide_element;
    ASSERT_TRUE(take_xml_element_w(wide_element, wide, L"item"));
    EXPECT_EQ(wide_element, L"<item>1</item>");
    EXPECT_EQ(wide, L"xy");
}

TEST(TakeXmlElement, LeavesTextAloneWhenAnEndIsMissing) {
    for (const std::string original : {"x<item>1", "x</item><item>", "no tags", ""}) {
        std::string text = original;
        std::string element = "stale";
        EXPECT_FALSE(take_xml_element(element, text, "item")) << original;
        EXPECT_EQ(text, original);
        EXPECT_EQ(element, "");
    }
    std::string text = "<a></a>";
    std::string element;
    EXPECT_FALSE(take_xml_element(element, text, ""));

    std::wstring wide = L"x<item>1";
    std::wstring wide_element;
    EXPECT_FALSE(take_xml_element_w(wide_element, wide, L"item"));
    EXPECT_EQ(wide, L"x<item>1");
}

struct remove_case {
    const char* name;
    std::string_view text;
    const char* tag;
    std::string kept;
};

const remove_case remove_cases[] = {
    {"script", "a<script>x</script>b", "script", "ab"},
    {"case_blind", "a<SCRIPT>x</Script>b", "script", "ab"},
    {"every_element", "1<b>x</b>2<b>y</b>3", "b", "123"},
    {"nested_self_closing", "a<x><y/>z</x>b", "x", "ab"},
    {"closing_tag_ends_at_any_depth", "a<x><y>z</x>b", "x", "ab"},
    {"self_closing_after_attribute", "a<x y/>bcde", "x", "abcde"},
    // Positions are examined only while a whole closing pattern fits after them.
    {"self_closing_too_near_the_end", "a<x y/>b", "x", "a"},
    // The byte after "<b" is skipped unseen, so "/>" is not found: removed to the end.
    {"self_closing_without_blank", "a<b/>c", "b", "a"},
    {"unclosed_removed_to_end", "a<x>never closed here", "x", "a"},
    {"longer_name_matches", "a<bx>1</b>c", "b", "ac"},
    {"nothing_to_remove", "plain text", "x", "plain text"},
    {"shorter_than_closing_pattern", "a<", "x", "a<"},
    {"closing_pattern_at_the_end", "<x>a</x>", "x", ""},
};

class RemoveXmlElement : public ::testing::TestWithParam<remove_case> {};

TEST_P(RemoveXmlElement, KeepsTheRest) {
    const remove_case& c = GetParam();
    narrow_buffer buffer(c.text);
    int length = buffer.length();
    ASSERT_TRUE(remove_xml_element(buffer.data(), &length, c.tag));
    EXPECT_EQ(buffer.text(length), c.kept);

    // The wide form agrees wherever nesting and the skipped byte play no part.
    const std::wstring wide_text(c.text.begin(), c.text.end());
    wide_buffer wide(wide_text);
    int bytes = wide.byte_length();
    const std::string tag(c.tag);
    ASSERT_TRUE(
        wremove_xml_element(wide.data(), &bytes, std::wstring(tag.begin(), tag.end()).c_str()));
    EXPECT_EQ(bytes % static_cast<int>(sizeof(wchar_t)), 0);
    const std::wstring wide_kept = wide.text(bytes / static_cast<int>(sizeof(wchar_t)));
    if (c.text.find("/>") == std::string_view::npos) {
        EXPECT_EQ(wide_kept, std::wstring(c.kept.begin(), c.kept.end()));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoveXmlElement, ::testing::ValuesIn(remove_cases),
                         named_case_printer());

TEST(RemoveXmlElement, WideFormCountsBytesAndKnowsNoNesting) {
    wide_buffer buffer(std::wstring_view(L"a<s>x</s>b"));
    int bytes = buffer.byte_length();
    ASSERT_TRUE(wremove_xml_element(buffer.data(), &bytes, L"s"));
    EXPECT_EQ(bytes, 8);
    EXPECT_EQ(buffer.text(2), L"ab");

    // "/>" does not end a wide element: it runs to its closing tag.
    wide_buffer self_closing(std::wstring_view(L"a<s/>b</s>c"));
    bytes = self_closing.byte_length();
    ASSERT_TRUE(wremove_xml_element(self_closing.data(), &bytes, L"s"));
    EXPECT_EQ(self_closing.text(bytes / 4), L"ac");

    // A byte count that splits a character is refused, the buffer unchanged.
    bytes = 7;
    EXPECT_FALSE(wremove_xml_element(buffer.data(), &bytes, L"s"));
    EXPECT_EQ(bytes, 7);
}

TEST(RemoveXmlElement, RefusesMissingInput) {
    narrow_buffer buffer(std::string_view("a<b>c</b>"));
    for (int length : {0, -4}) {
        EXPECT_FALSE(remove_xml_element(buffer.data(), &length, "b"));
    }
    int length = buffer.length();
    EXPECT_FALSE(remove_xml_element(nullptr, &length, "b"));
    EXPECT_FALSE(remove_xml_element(buffer.data(), nullptr, "b"));
    EXPECT_FALSE(remove_xml_element(buffer.data(), &length, nullptr));
    EXPECT_FALSE(remove_xml_element(buffer.data(), &length, ""));
    EXPECT_EQ(length, buffer.length());
    EXPECT_EQ(buffer.text(length), "a<b>c</b>");

    // A tag name longer than the buffer finds nothing and keeps every byte.
    const std::string long_tag(300, 'b');
    ASSERT_TRUE(remove_xml_element(buffer.data(), &length, long_tag.c_str()));
    EXPECT_EQ(buffer.text(length), "a<b>c</b>");
}

}  // namespace
