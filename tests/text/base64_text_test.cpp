#include "text/base64_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct decode_case {
    const char* name;
    std::string text;
    std::string expected;
};

void PrintTo(const decode_case& c, std::ostream* os) { *os << c.name; }

const decode_case decode_cases[] = {
    {"WholeGroup", "TWFu", "Man"},
    {"OnePad", "TWE=", "Ma"},
    {"TwoPads", "TQ==", "M"},
    {"LineBreaksAndBlanksIgnored", "TW\r\nFu IE1h\tbg==\n", "Man Man"},
    {"ThreeLeftReadAsPadded", "TWE", "Ma"},
    {"TwoLeftReadAsPadded", "TWFuTQ", "ManM"},
    {"LoneLastCharacterIgnored", "TWFuT", "Man"},
    {"NulEndsTheText", std::string("TWFu\0TWFu", 9), "Man"},
    {"SlashAndPlus", "+/8=", "\xfb\xff"},
    {"OnlyJunk", "!!**", ""},
    // Padding alone carries no bits: nothing, never a byte made of the padding.
    {"PaddingAlone", "=====", ""},
    {"FourPads", "====", ""},
    {"PadSecond", "T===", ""},
    {"PaddingBetweenGroups", "TQ======TQ==", "MM"},
};

class Base64Decode : public ::testing::TestWithParam<decode_case> {};

TEST_P(Base64Decode, Bytes) {
    const decode_case& c = GetParam();
    byte_array out = {0xEE};
    ASSERT_TRUE(base64_decode(c.text.data(), c.text.size(), out));
    EXPECT_EQ(std::string(out.begin(), out.end()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Base64Decode, ::testing::ValuesIn(decode_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Base64Decode, LengthBoundsTheTextAndEmptyIsRefused) {
    byte_array out = {1};
    const std::string text = "TWFuTWFu";
    ASSERT_TRUE(base64_decode(text.data(), 4, out));
    EXPECT_EQ(out, (byte_array{'M', 'a', 'n'}));
    EXPECT_FALSE(base64_decode(text.data(), 0, out));
    EXPECT_FALSE(base64_decode(nullptr, 4, out));
    EXPECT_EQ(out, (byte_array{'M', 'a', 'n'}));
}

// Every byte value, at every cut of the text, from an exactly sized buffer.
TEST(Base64Decode, AnyTextAtAnyLength) {
    std::string text;
    for (int i = 0; i < 256; ++i) {
        text += static_cast<char>(i);
    }
    for (std::size_t n = 1; n <= text.size(); ++n) {
        const std::vector<char> cut(text.begin(), text.begin() + static_cast<long>(n));
        byte_array out;
        EXPECT_TRUE(base64_decode(cut.data(), cut.size(), out));
        EXPECT_LE(out.size(), n);
    }
}

TEST(Base64CharValue, AlphabetAndEverythingElse) {
    EXPECT_EQ(base64_char_value('A'), 0);
    EXPECT_EQ(base64_char_value('Z'), 25);
    EXPECT_EQ(base64_char_value('a'), 26);
    EXPECT_EQ(base64_char_value('z'), 51);
    EXPECT_EQ(base64_char_value('0'), 52);
    EXPECT_EQ(base64_char_value('9'), 61);
    EXPECT_EQ(base64_char_value('+'), 62);
    EXPECT_EQ(base64_char_value('/'), 63);
    EXPECT_EQ(base64_char_value('='), 63);
    EXPECT_EQ(base64_char_value('\xff'), 63);
}

TEST(Base64TextCheck, ShapeAndCharacters) {
    EXPECT_FALSE(base64_text_check(nullptr, 4, false));
    EXPECT_FALSE(base64_text_check("TWE", 3, false));
    EXPECT_FALSE(base64_text_check("TWFu", 4, true));       // 4 % 3 == 1: "=" wanted at the end
    EXPECT_FALSE(base64_text_check("TWFuTWFu", 8, false));  // 8 % 3 == 2: '=' last wanted
    EXPECT_TRUE(base64_text_check("TWFuTWE=", 8, true));
    EXPECT_TRUE(base64_text_check("TQ==", 4, true));
    EXPECT_TRUE(base64_text_check("TWFuTW", 6, true));  // 6 % 3 == 0: no '=' needed
    EXPECT_FALSE(base64_text_check("TW!uTW", 6, true));
    EXPECT_TRUE(base64_text_check("TW!uTW", 6, false));
}

}  // namespace
