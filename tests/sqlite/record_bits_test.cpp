#include "sqlite/record_bits.h"

#include <gtest/gtest.h>

namespace {

TEST(CountMaskBits, OnlyTheLowSixtyBitsAreColumns) {
    EXPECT_EQ(count_mask_bits(0), 0);
    EXPECT_EQ(count_mask_bits(0b1011), 3);
    EXPECT_EQ(count_mask_bits((uint64{1} << 60) - 1), 60);
    EXPECT_EQ(count_mask_bits(~uint64{0}), 60);
    EXPECT_EQ(count_mask_bits(uint64{0xf} << 60), 0);
}

TEST(BitTextToBytes, MostSignificantBitFirst) {
    byte_array bytes{0x55};
    ASSERT_TRUE(bit_text_to_bytes(bytes, "1000000101111111"));
    EXPECT_EQ(bytes, (byte_array{0x81, 0x7f}));
    // Ten characters: the first byte takes 8 - 10 % 8 = 6 of them, the last 4 stay a
    // partly filled byte; any character but '1' is a zero bit.
    ASSERT_TRUE(bit_text_to_bytes(bytes, "111111x011"));
    EXPECT_EQ(bytes, (byte_array{0x3f, 0x03}));
    ASSERT_TRUE(bit_text_to_bytes(bytes, ""));
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
