#include "text/extras/byte_buffer_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/kq_variant_lite.h"

namespace {

TEST(IsAllZero, EmptyWordSizedAndOddSized) {
    EXPECT_TRUE(is_all_zero({}));
    EXPECT_TRUE(is_all_zero(byte_array(16, 0)));
    EXPECT_TRUE(is_all_zero(byte_array(7, 0)));
    for (const std::size_t size : {16u, 13u}) {
        byte_array bytes(size, 0);
        bytes[9] = 1;
        EXPECT_FALSE(is_all_zero(bytes)) << size;
        bytes[9] = 0;
        bytes.back() = 0x80;
        EXPECT_FALSE(is_all_zero(bytes)) << size;
    }
}

TEST(TrimTrailingZeros, BytesUnitsAndChars) {
    byte_array bytes{1, 0, 0};
    EXPECT_TRUE(trim_trailing_zero_bytes(bytes));
    EXPECT_EQ(bytes, (byte_array{1}));
    bytes = {0, 0};
    EXPECT_TRUE(trim_trailing_zero_bytes(bytes));
    EXPECT_TRUE(bytes.empty());
    std::vector<uint16> units{0, 7, 0};
    EXPECT_TRUE(trim_trailing_zero_units(units));
    EXPECT_EQ(units, (std::vector<uint16>{0, 7}));
    std::wstring text(3, L'\0');
    EXPECT_TRUE(trim_trailing_nul_chars(text));
    EXPECT_TRUE(text.empty());
}

TEST(ByteArrayCopies, TextDigestsAndErase) {
    byte_array out{9, 9, 9, 9, 9};
    EXPECT_EQ(string_to_byte_array(out, std::string("a\0b", 3)), (byte_array{'a', 0, 'b'}));
    byte_array digest(32);
    for (std::size_t i = 0; i < digest.size(); ++i) {
        digest[i] = static_cast<uint8>(i);
    }
    byte_array bytes;
    byte_array_assign32(bytes, digest.data());
    EXPECT_EQ(bytes, digest);
    byte_array_assign20(bytes, digest.data());
    EXPECT_EQ(bytes, byte_array(digest.begin(), digest.begin() + 20));
    byte_array_assign16(bytes, digest.data());
    EXPECT_EQ(bytes, byte_array(digest.begin(), digest.begin() + 16));
    byte_array_assign16(bytes, nullptr);
    EXPECT_TRUE(bytes.empty());
    bytes = {0, 1, 0, 2, 0};
    byte_array_erase_value(bytes, 0);
    EXPECT_EQ(bytes, (byte_array{1, 2}));
}

TEST(KqVariantLiteBytes, CopiesBytesUnderType) {
    const uint8 raw[] = {1, 2, 3};
    const kq_variant_lite cell(raw, 3, 28);
    EXPECT_EQ(cell.m_type, 28);
    EXPECT_EQ(cell.m_bytes, (byte_array{1, 2, 3}));
    EXPECT_EQ(cell.m_value, 0u);
    EXPECT_TRUE(cell.m_text.empty());
    EXPECT_TRUE(kq_variant_lite(nullptr, 5, 28).m_bytes.empty());
}

}  // namespace
