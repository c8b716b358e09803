#include "text/random_text.h"

#include <gtest/gtest.h>

#include <set>

namespace {

bool all_in(const std::string& text, char low, char high) {
    for (const char c : text) {
        if (c < low || c > high) {
            return false;
        }
    }
    return true;
}

TEST(RandomInRange, SwapsBoundsAndUsesTheirLowBytes) {
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int v = random_in_range(200, 100);
        ASSERT_GE(v, 100);
        ASSERT_LE(v, 200);
        seen.insert(v);
        ASSERT_EQ(random_in_range(7, 7), 7);
        // 0x105 and 0x203 count as 5 and 3.
        const int low_bytes = random_in_range(0x105, 0x203);
        ASSERT_GE(low_bytes, 3);
        ASSERT_LE(low_bytes, 5);
    }
    EXPECT_GT(seen.size(), 50U);  // the range is really drawn from, not one value
}

TEST(RandomText, DrawsFromTheStatedCharacters) {
    for (int i = 0; i < 50; ++i) {
        const std::string printable = random_printable_text(20);
        ASSERT_EQ(printable.size(), 20U);
        ASSERT_TRUE(all_in(printable, '!', '~'));

        const std::string alnum = random_alnum_text(20);
        ASSERT_EQ(alnum.size(), 20U);
        for (const char c : alnum) {
            ASSERT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
                << alnum;
        }

        const std::string digits = random_digit_text(6);
        ASSERT_EQ(digits.size(), 6U);
        ASSERT_TRUE(all_in(digits, '0', '9'));
        ASSERT_NE(digits[0], '0');
    }
    for (const int n : {0, 1}) {
        const std::string one = random_digit_text(n);
        ASSERT_EQ(one.size(), 1U);
        EXPECT_TRUE(all_in(one, '1', '9'));
    }
    EXPECT_TRUE(random_printable_text(0).empty());
    EXPECT_TRUE(random_alnum_text(-3).empty());
}

TEST(RandomUint32, FillsAllFourBytes) {
    uint32 seen_high = 0;
    for (int i = 0; i < 200; ++i) {
        seen_high |= random_uint32();
    }
    EXPECT_NE(seen_high & 0xFF000000U, 0U);
    EXPECT_NE(seen_high & 0x000000FFU, 0U);
}

}  // namespace
