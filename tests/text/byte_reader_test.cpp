#include "text/byte_reader.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const uint8 sample[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};

TEST(ByteReader, ReadsBothByteOrders) {
    kq::byte_reader r(sample, sizeof sample);
    uint16 v16 = 0;
    uint32 v32 = 0;
    uint64 v64 = 0;
    ASSERT_TRUE(r.be16_at(0, v16));
    EXPECT_EQ(v16, 0x0102);
    ASSERT_TRUE(r.le16_at(0, v16));
    EXPECT_EQ(v16, 0x0201);
    ASSERT_TRUE(r.be24_at(1, v32));
    EXPECT_EQ(v32, 0x020304u);
    ASSERT_TRUE(r.be32_at(5, v32));
    EXPECT_EQ(v32, 0x06070809u);
    ASSERT_TRUE(r.be64_at(1, v64));
    EXPECT_EQ(v64, 0x0203040506070809ull);
    ASSERT_TRUE(r.le64_at(0, v64));
    EXPECT_EQ(v64, 0x0807060504030201ull);
}

TEST(ByteReader, RefusesWhatIsNotThereAndLeavesOutput) {
    kq::byte_reader r(sample, sizeof sample);
    uint32 v32 = 77;
    EXPECT_FALSE(r.be32_at(6, v32));
    EXPECT_FALSE(r.be32_at(std::numeric_limits<std::size_t>::max() - 1, v32));
    EXPECT_EQ(v32, 77u);
    EXPECT_TRUE(r.has(9, 0));
    EXPECT_FALSE(r.has(10, 0));
    EXPECT_FALSE(r.has(1, std::numeric_limits<std::size_t>::max()));
    kq::byte_reader part;
    ASSERT_TRUE(r.sub(2, 3, part));
    EXPECT_EQ(part.size(), 3u);
    uint8 b = 0;
    EXPECT_FALSE(part.u8_at(3, b));
    ASSERT_TRUE(part.u8_at(2, b));
    EXPECT_EQ(b, 5);
    EXPECT_FALSE(r.sub(8, 2, part));
    kq::byte_reader null_view(nullptr, 100);
    EXPECT_TRUE(null_view.empty());
}

}  // namespace
