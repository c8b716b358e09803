#include "text/tab_expand.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

std::string utf16le(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

struct tab_case {
    const char* name;
    std::string text;
    uint32 width;
    std::string expanded;
};

class ExpandTabs : public ::testing::TestWithParam<tab_case> {};

TEST_P(ExpandTabs, ReplacesEveryTab) {
    const tab_case& c = GetParam();
    std::string out = "stale";
    ASSERT_TRUE(
        expand_tabs(c.text.data(), static_cast<uint32>(c.text.size()), c.width, out, false));
    EXPECT_EQ(out, c.expanded);
}

// Tab stops at every multiple of the width, counted from the line start.
const tab_case tab_cases[] = {
    {"LeadingTab", "\tx", 4, "    x"},
    {"TwoLeadingTabs", "\t\tx", 4, std::string(8, ' ') + "x"},
    {"WidthZeroMeansFour", "\tx", 0, "    x"},
    {"MidLineTab", "ab\tc", 4, "ab  c"},
    {"TrailingTab", "ab\t", 4, "ab  "},
    {"TabRightBeforeAStop", "abc\td", 4, "abc d"},
    {"TabOnAStop", "abcd\te", 4, "abcd    e"},
    {"TabsAfterTabs", "a\tb\tc", 4, "a   b   c"},
    {"CrLfLineStart", "x\r\n\ty", 4, "x\r\n    y"},
    // Columns start again on each line.
    {"AdjustmentResetsPerLine", "\tx\n\ty", 4, "    x\n    y"},
    {"SecondLineMidTab", "abcdef\ngh\ti", 4, "abcdef\ngh  i"},
    {"CrOnlyLines", "a\rb\tc", 8, "a\rb" + std::string(7, ' ') + "c"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ExpandTabs, ::testing::ValuesIn(tab_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ExpandTabsInput, TextWithoutTabsLeavesOutAsItWas) {
    std::string out = "stale";
    EXPECT_FALSE(expand_tabs("no tabs", 7, 4, out, false));
    EXPECT_FALSE(expand_tabs(nullptr, 7, 4, out, false));
    EXPECT_FALSE(expand_tabs("\t", 0, 4, out, false));
    EXPECT_EQ(out, "stale");
}

TEST(ExpandTabsInput, Utf16SwitchWritesWideBlanks) {
    const std::string text = utf16le("\tA");
    std::string out;
    ASSERT_TRUE(expand_tabs(text.data(), static_cast<uint32>(text.size()), 4, out, true));
    EXPECT_EQ(out, utf16le("    A"));
    // Without the switch the same bytes are narrow text: the tab byte alone is replaced.
    ASSERT_TRUE(expand_tabs(text.data(), static_cast<uint32>(text.size()), 4, out, false));
    EXPECT_EQ(out, "    \0A\0"s);
}

TEST(ExpandTabsUtf16, FindsWholeUnitsAndKeepsAnOddLastByte) {
    std::string text = utf16le("ab\tc\r\n\td");
    text += '\x7f';
    std::string out;
    ASSERT_TRUE(expand_tabs_utf16(text.data(), static_cast<uint32>(text.size()), 4, out));
    EXPECT_EQ(out, utf16le("ab  c\r\n    d") + "\x7f");
    // A 09 00 pair across two units is no tab.
    const std::string shifted = "A\x09\x00\x42"s;
    EXPECT_FALSE(expand_tabs_utf16(shifted.data(), static_cast<uint32>(shifted.size()), 4, out));
}

}  // namespace
