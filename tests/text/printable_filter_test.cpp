#include "text/printable_filter.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(PrintableText, ReplacesOrDropsOtherBytes) {
    const std::string input =
        "a\x01"
        "b\xe9"s;
    std::string out;
    ASSERT_TRUE(printable_text(out, input.data(), 4, false, '?'));
    EXPECT_EQ(out, "a?b?");
    ASSERT_TRUE(printable_text(out, input.data(), 4, false, '\0'));
    EXPECT_EQ(out, "ab");

    const std::string lines = "x\r\ny\tz\0after"s;
    ASSERT_TRUE(printable_text(out, lines.data(), static_cast<int>(lines.size()), true, '.'));
    EXPECT_EQ(out, "x\r\ny.z");  // stops at the NUL
    ASSERT_TRUE(printable_text(out, lines.data(), 3, false, '.'));
    EXPECT_EQ(out, "x..");

    out = "stale";
    EXPECT_FALSE(printable_text(out, nullptr, 4, false, '?'));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(printable_text(out, "abc", 0, false, '?'));
    EXPECT_FALSE(printable_text(out, "abc", -2, false, '?'));
}

TEST(PrintablePrefixText, TakesLeadingPrintableUpToCount) {
    std::string out = "stale";
    EXPECT_EQ(printable_prefix_text("abc\x01"
                                    "def",
                                    out, 10),
              3);
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(printable_prefix_text("abcdef", out, 2), 2);
    EXPECT_EQ(out, "ab");
    EXPECT_EQ(printable_prefix_text("", out, 5), 0);
    EXPECT_EQ(printable_prefix_text(nullptr, out, 5), 0);
    EXPECT_EQ(printable_prefix_text("abc", out, 0), 0);
    EXPECT_EQ(out, "");
}

TEST(ByteArrayText, TextTestAndPrintablePrefix) {
    EXPECT_FALSE(byte_array_is_text({}));
    EXPECT_TRUE(byte_array_is_text({'a', '\t', 'b', '\r', '\n'}));
    EXPECT_FALSE(byte_array_is_text({'a', 0x00}));
    EXPECT_FALSE(byte_array_is_text({'a', 0x80}));

    EXPECT_EQ(byte_array_printable_prefix({'a', 'b', '\t', 'c'}), 2);
    EXPECT_EQ(byte_array_printable_prefix({}), 0);
    EXPECT_EQ(byte_array_printable_prefix({' ', '~'}), 2);
}

}  // namespace
