#include "text/byte_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct counted_case {
    const char* name;
    std::size_t length;
    bool result;
    byte_array prefix;  // the length bytes written before the text
};

void PrintTo(const counted_case& c, std::ostream* os) { *os << c.name; }

const counted_case counted_cases[] = {
    {"Empty", 0, true, {0x00}},
    {"OneByteMaximum", 127, true, {0x7F}},
    {"TwoByteMinimum", 128, true, {0x80, 0x80}},
    {"TwoByte300", 300, true, {0x81, 0x2C}},
    {"LargestExpressible", 0x7FFF, true, {0xFF, 0xFF}},
    {"TooLong", 0x8000, false, {}},
};

class AppendCountedText : public ::testing::TestWithParam<counted_case> {};

TEST_P(AppendCountedText, LengthFormAndText) {
    const counted_case& c = GetParam();
    const std::string text(c.length, 'q');
    byte_array buffer = {0xEE};
    EXPECT_EQ(append_counted_text(buffer, text, true), c.result);
    byte_array expected = {0xEE};
    if (c.result) {
        for (const uint8 b : c.prefix) {
            expected.push_back(b);
        }
        expected.resize(expected.size() + text.size(), 'q');
    }
    EXPECT_EQ(buffer, expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, AppendCountedText, ::testing::ValuesIn(counted_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(AppendCountedText, WithoutAppendTheBufferIsEmptiedFirst) {
    byte_array buffer = {1, 2, 3};
    EXPECT_TRUE(append_counted_text(buffer, "ab", false));
    EXPECT_EQ(buffer, (byte_array{2, 'a', 'b'}));
}

TEST(AppendCountedTextList, CountThenEachText) {
    byte_array buffer = {9};
    EXPECT_TRUE(append_counted_text_list(buffer, {"a", "", "bc"}, false));
    EXPECT_EQ(buffer, (byte_array{3, 1, 'a', 0, 2, 'b', 'c'}));
    EXPECT_TRUE(append_counted_text_list(buffer, {}, true));
    EXPECT_EQ(buffer.back(), 0);
}

TEST(AppendCountedTextList, RefusesWhatTheFormCannotHoldAndAppendsNothing) {
    byte_array buffer = {9};
    EXPECT_FALSE(append_counted_text_list(buffer, {"a", std::string(0x8000, 'x')}, true));
    EXPECT_EQ(buffer, (byte_array{9}));
    EXPECT_FALSE(append_counted_text_list(buffer, std::vector<std::string>(0x8000), true));
    EXPECT_EQ(buffer, (byte_array{9}));
    const std::vector<std::string> most(0x7FFF);
    EXPECT_TRUE(append_counted_text_list(buffer, most, false));
    EXPECT_EQ(buffer.size(), 2u + 0x7FFF);
}

TEST(ByteArray, AllocAssignEqualAndBlocks) {
    byte_array buffer = {1, 2, 3};
    byte_array_alloc(buffer, 5);
    EXPECT_EQ(buffer, byte_array(5, 0));
    byte_array_alloc_16(buffer);
    EXPECT_EQ(buffer.size(), 16u);
    byte_array_alloc_20(buffer);
    EXPECT_EQ(buffer.size(), 20u);
    byte_array_alloc_32(buffer);
    EXPECT_EQ(buffer.size(), 32u);
    // A size beyond what a vector can hold leaves the buffer empty instead of throwing.
    byte_array_alloc(buffer, static_cast<std::size_t>(-1));
    EXPECT_TRUE(buffer.empty());
#ifndef __SANITIZE_ADDRESS__
    // A size no allocator can give leaves the buffer empty instead of throwing. (The address
    // sanitizer's allocator aborts on such a request instead of throwing, so it is not tried
    // there.)
    byte_array_alloc(buffer, static_cast<std::size_t>(-1) / 2);
    EXPECT_TRUE(buffer.empty());
#endif

    const char source[] = "xyz";
    byte_array_assign(buffer, source, 3);
    EXPECT_EQ(buffer, (byte_array{'x', 'y', 'z'}));
    EXPECT_TRUE(byte_array_equal(buffer, byte_array{'x', 'y', 'z'}));
    EXPECT_FALSE(byte_array_equal(buffer, byte_array{'x', 'y'}));
    EXPECT_FALSE(byte_array_equal(buffer, byte_array{'x', 'y', 'Z'}));
    byte_array_assign(buffer, nullptr, 3);
    EXPECT_TRUE(buffer.empty());

    std::array<uint8, 16> block{};
    std::array<uint8, 16> source16{};
    source16.fill(0xA5);
    block16_copy_or_zero(block, source16.data());
    EXPECT_EQ(block, source16);
    block16_copy_or_zero(block, nullptr);
    EXPECT_EQ(block, (std::array<uint8, 16>{}));
}

}  // namespace
