#include "sqlite/record_header.h"

#include <gtest/gtest.h>

#include <vector>

#include "sqlite/value_code.h"

namespace {

using codes_t = std::vector<uint32>;

TEST(ParseRecordHeaderAll, MapsEverySerialTypeOfTheHeader) {
    // Header of 4 bytes: int8, real, 5-byte text; then content that is not looked at.
    const uint8 bytes[] = {0x04, 0x01, 0x07, 0x17, 0xaa, 0xbb};
    uint32 header_size = 0;
    codes_t codes;
    codes_t sizes;
    ASSERT_TRUE(parse_record_header_all(header_size, codes, sizes, bytes, sizeof bytes));
    EXPECT_EQ(header_size, 4u);
    EXPECT_EQ(codes, (codes_t{value_code::integer, value_code::real, value_code::text}));
    EXPECT_EQ(sizes, (codes_t{1, 8, 5}));
}

TEST(ParseRecordHeaderAll, RefusesWhatHoldsNoSerialType) {
    uint32 header_size = 9;
    codes_t codes{1};
    codes_t sizes{1};
    const uint8 only_size[] = {0x01, 0x05};
    EXPECT_FALSE(parse_record_header_all(header_size, codes, sizes, only_size, 2));
    EXPECT_TRUE(codes.empty());
    EXPECT_FALSE(parse_record_header_all(header_size, codes, sizes, nullptr, 4));
    EXPECT_FALSE(parse_record_header_all(header_size, codes, sizes, only_size, 0));
    // A header size reading negative in its low 32 bits gives no header at all.
    const uint8 negative_size[] = {0x88, 0x80, 0x80, 0x80, 0x00, 0x01};
    EXPECT_FALSE(parse_record_header_all(header_size, codes, sizes, negative_size, 6));
}

TEST(ParseRecordHeaderAll, StopsAtANegativeSerialType) {
    const uint8 bytes[] = {0x08, 0x01, 0x88, 0x80, 0x80, 0x80, 0x00, 0x01, 0x05};
    uint32 header_size = 0;
    codes_t codes;
    codes_t sizes;
    ASSERT_TRUE(parse_record_header_all(header_size, codes, sizes, bytes, sizeof bytes));
    EXPECT_EQ(codes, (codes_t{value_code::integer}));
}

TEST(ParseRecordHeaderAll, HeaderCutByTheDataKeepsWhatIsThere) {
    const uint8 bytes[] = {0x06, 0x01, 0x02};  // claims 5 types, holds 2
    uint32 header_size = 0;
    codes_t codes;
    codes_t sizes;
    ASSERT_TRUE(parse_record_header_all(header_size, codes, sizes, bytes, sizeof bytes));
    EXPECT_EQ(header_size, 6u);
    EXPECT_EQ(sizes, (codes_t{1, 2}));
}

TEST(ParseRecordHeader, NeedsExactlyTheColumnCount) {
    const uint8 two[] = {0x01, 0x0f};
    int32 consumed = 0;
    codes_t codes;
    codes_t sizes;
    EXPECT_FALSE(parse_record_header(consumed, codes, sizes, two, 2, 4096, 3));
    ASSERT_TRUE(parse_record_header(consumed, codes, sizes, two, 2, 4096, 2));
    EXPECT_EQ(consumed, 2);
    EXPECT_EQ(sizes, (codes_t{1, 1}));
    const uint8 wide[] = {0x81, 0x0f, 0x09, 0x00};
    ASSERT_TRUE(parse_record_header(consumed, codes, sizes, wide, 4, 4096, 2));
    EXPECT_EQ(consumed, 3);
    EXPECT_EQ(sizes, (codes_t{(143 - 13) / 2, 0}));
    EXPECT_FALSE(parse_record_header(consumed, codes, sizes, wide, 4, 4096, 0));
}

TEST(CheckPayloadLength, ComparesThePayloadVarintWithTheRecord) {
    // Cell: payload 5, rowid 7, record [03 01 0f aa bb] (header 3, int8, 1-byte text).
    const uint8 cell[] = {0x05, 0x07, 0x03, 0x01, 0x0f, 0xaa, 0xbb};
    const kq::byte_reader view(cell, sizeof cell);
    uint64 payload = 0;
    uint64 sum = 0;
    EXPECT_TRUE(check_payload_length(payload, sum, view, 2, 5, 3));
    EXPECT_EQ(payload, 5u);
    EXPECT_EQ(sum, 5u);
    const uint8 wrong[] = {0x06, 0x07, 0x03, 0x01, 0x0f, 0xaa, 0xbb};
    EXPECT_FALSE(check_payload_length(payload, sum, kq::byte_reader(wrong, 7), 2, 5, 3));
    // A record at the very start has no payload varint before it to agree with.
    EXPECT_FALSE(check_payload_length(payload, sum, view, 0, 7, 5));
}

}  // namespace
