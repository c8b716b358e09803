#include "sqlite/carve_output.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

TEST(CarveOutput, TruncatedFlagAndBlanks) {
    std::ostringstream out;
    carved_record r;
    print_truncated_flag(out, r);
    r.truncated = 1;
    print_truncated_flag(out, r);
    write_blanks(out, 3);
    write_blanks(out, 0);
    write_blanks(out, -2);
    EXPECT_EQ(out.str(), "oktrunc   ");
}

TEST(CarveOutput, LetterPairs) {
    // Byte 5 counts the bytes from offset 6 on.
    const byte_array bytes = {9, 9, 9, 9, 9, 3, 0, 1, 2, 25, 7};
    std::ostringstream out;
    EXPECT_TRUE(write_letter_pairs(out, bytes, 2));
    EXPECT_EQ(out.str(), "abc");
    out.str("");
    EXPECT_TRUE(write_letter_pairs(out, bytes, 4));
    EXPECT_FALSE(write_letter_pairs(out, bytes, 1));
    EXPECT_FALSE(write_letter_pairs(out, byte_array(7, 0), 2));
    const byte_array count_past_end = {0, 0, 0, 0, 0, 200, 0, 1};
    out.str("");
    EXPECT_TRUE(write_letter_pairs(out, count_past_end, 2));
    EXPECT_EQ(out.str(), "ab");
    const byte_array no_count = {0, 0, 0, 0, 0, 0, 5, 5};
    EXPECT_FALSE(write_letter_pairs(out, no_count, 2));
}

TEST(CarveOutput, Hex64) {
    std::ostringstream out;
    write_hex64(out, 0xFFFFFFFF80000001ULL);  // a negative 32-bit value widened
    out << ' ';
    write_hex64(out, 0x0000FFFF80000000ULL);
    out << ' ';
    write_hex64(out, 0xFFFFFFFF7FFFFFFFULL);  // low half positive: all 64 bits
    out << ' ' << 255;                        // decimal again
    EXPECT_EQ(out.str(), "80000001 80000000 ffffffff7fffffff 255");
}

}  // namespace
