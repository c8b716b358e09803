#include "text/extras/random_token_text.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(RandomTokenText, HexTextHoldsOnlyLowerHexDigits) {
    const std::string text = random_hex_text(40);
    ASSERT_EQ(text.size(), 40u);
    EXPECT_EQ(text.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
    // 40 draws from 16 characters: a stuck generator would show one or two.
    EXPECT_GT(std::set<char>(text.begin(), text.end()).size(), 3u) << text;
}

TEST(RandomTokenText, UpperTextHoldsOnlyCapitals) {
    const std::string text = random_upper_text(40);
    ASSERT_EQ(text.size(), 40u);
    EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << text;
    EXPECT_GT(std::set<char>(text.begin(), text.end()).size(), 3u) << text;
}

TEST(RandomTokenText, NoCountGivesEmptyText) {
    EXPECT_EQ(random_hex_text(0), "");
    EXPECT_EQ(random_hex_text(-1), "");
    EXPECT_EQ(random_upper_text(0), "");
    EXPECT_EQ(random_upper_text(-1), "");
}

}  // namespace
