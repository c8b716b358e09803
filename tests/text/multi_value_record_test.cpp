#include "text/multi_value_record.h"

#include <gtest/gtest.h>

namespace {

TEST(MultiValueRecord, ClearRestoresANewRecord) {
    multi_value_record record;
    record.m_version = 9;
    record.m_kind = 2;
    record.m_flags = 3;
    record.m_count = 4;
    record.m_numbers = {1};
    record.m_signed_numbers = {-1};
    record.m_reals = {0.5};
    record.m_buffers = {{1, 2}};
    record.m_texts = {"x"};
    record.m_key.fill(0xAB);
    EXPECT_EQ(record.clear(), 0);
    EXPECT_EQ(record.m_version, 1);
    EXPECT_EQ(record.m_kind, 0);
    EXPECT_EQ(record.m_flags, 0u);
    EXPECT_EQ(record.m_count, 0u);
    EXPECT_TRUE(record.m_numbers.empty() && record.m_signed_numbers.empty() &&
                record.m_reals.empty() && record.m_buffers.empty() && record.m_texts.empty());
    EXPECT_EQ(record.m_key, (std::array<uint8, 16>{}));
}

}  // namespace
