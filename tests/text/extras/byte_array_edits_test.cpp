#include "text/extras/byte_array_edits.h"

#include <gtest/gtest.h>

namespace {

struct remove_case {
    const char* name;
    byte_array bytes;
    int value;
    byte_array expected;
    int removed;
};

class ByteArrayRemoveValue : public ::testing::TestWithParam<remove_case> {};

TEST_P(ByteArrayRemoveValue, KeepsOtherBytesInOrder) {
    const remove_case& c = GetParam();
    byte_array bytes = c.bytes;
    EXPECT_EQ(byte_array_remove_value(bytes, c.value), c.removed);
    EXPECT_EQ(bytes, c.expected);
}

const remove_case remove_cases[] = {
    {"Zeros", {1, 0, 2, 0}, 0, {1, 2}, 2},
    {"HighByte", {0xff, 1, 0xff}, 0xff, {1}, 2},
    {"AllRemoved", {7, 7}, 7, {}, 2},
    {"Absent", {1, 2}, 3, {1, 2}, 0},
    {"OutOfByteRange", {0xff, 0}, -1, {0xff, 0}, 0},
    {"Empty", {}, 0, {}, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, ByteArrayRemoveValue, ::testing::ValuesIn(remove_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ZeroedByteArray, HoldsCountZeroBytes) {
    EXPECT_EQ(zeroed_byte_array(5), byte_array(5, 0));
    EXPECT_TRUE(zeroed_byte_array(0).empty());
}

}  // namespace
