#include "sqlite/serial_type.h"

#include <gtest/gtest.h>

#include <string>

#include "sqlite/value_code.h"

namespace {

struct serial_case {
    const char* name;
    uint64 type;
    uint32 code;
    uint32 size;
};

class MapSerialType : public ::testing::TestWithParam<serial_case> {};

TEST_P(MapSerialType, GivesKindAndSize) {
    uint32 code = 0;
    uint32 size = 0;
    map_serial_type(GetParam().type, code, size);
    EXPECT_EQ(code, GetParam().code);
    EXPECT_EQ(size, GetParam().size);
}

const serial_case serial_cases[] = {
    {"null", 0, value_code::null, 0},
    {"int8", 1, value_code::integer, 1},
    {"int24", 3, value_code::integer, 3},
    {"int48", 5, value_code::integer, 6},
    {"int64", 6, value_code::integer, 8},
    {"real", 7, value_code::real, 8},
    {"zero", 8, value_code::zero, 0},
    {"one", 9, value_code::one, 0},
    {"reserved_10", 10, value_code::integer, 10},
    {"reserved_11", 11, value_code::integer, 11},
    {"empty_blob", 12, value_code::blob, 0},
    {"empty_text", 13, value_code::text, 0},
    {"blob_4", 20, value_code::blob, 4},
    {"text_5", 23, value_code::text, 5},
    {"huge_text_saturates", (uint64{1} << 40) + 13, value_code::text, 0xffffffffu},
};

INSTANTIATE_TEST_SUITE_P(Cases, MapSerialType, ::testing::ValuesIn(serial_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SerialTypeContentSize, ReservedTypesHaveNoSize) {
    EXPECT_EQ(serial_type_content_size(10), 0u);
    EXPECT_EQ(serial_type_content_size(11), 0u);
    EXPECT_EQ(serial_type_content_size(6), 8u);
    EXPECT_EQ(serial_type_content_size((uint64{1} << 40) + 13), uint64{1} << 39);
}

TEST(PackSerialTypeCode, FoldsLargeTypesAndAddsTheCount) {
    EXPECT_EQ(pack_serial_type_code(1, false, 0), 1);
    EXPECT_EQ(pack_serial_type_code(20, false, 0), 12);
    EXPECT_EQ(pack_serial_type_code(27, false, 1), 13 + 16);
    EXPECT_EQ(pack_serial_type_code(7, true, 2), 13 + 32);
    EXPECT_EQ(pack_serial_type_code(9, false, 16), 9);  // kept to 8 bits
}

TEST(ConstantValueText, OnlyForValuesWithoutContent) {
    std::string text = "x";
    EXPECT_TRUE(constant_value_text(text, value_code::null));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(constant_value_text(text, value_code::zero | value_code::cut_flag));
    EXPECT_EQ(text, "0");
    EXPECT_TRUE(constant_value_text(text, value_code::one));
    EXPECT_EQ(text, "1");
    EXPECT_FALSE(constant_value_text(text, value_code::integer));
    EXPECT_EQ(text, "1");
}

struct run_case {
    const char* name;
    byte_array bytes;
    int32 count;
    bool text;
    int32 forward;   // serial_type_varint_forward from byte 0
    int32 backward;  // serial_type_varint_backward ending at the last byte
};

class SerialTypeRun : public ::testing::TestWithParam<run_case> {};

TEST_P(SerialTypeRun, ForwardAndBackward) {
    const run_case& c = GetParam();
    EXPECT_EQ(serial_type_varint_forward(c.bytes.data(), static_cast<int32>(c.bytes.size()),
                                         c.count, c.text),
              c.forward);
    const kq::byte_reader view(c.bytes);
    EXPECT_EQ(serial_type_varint_backward(view, c.bytes.size() - 1,
                                          static_cast<int32>(c.bytes.size()), c.count, c.text),
              c.backward);
}

const run_case run_cases[] = {
    // Backward walks need a byte without the continuation bit before the run.
    {"empty_text_matches_text", {13, 0}, 1, true, 1, 0},
    {"empty_blob_matches_blob", {12, 0}, 1, false, 1, 0},
    {"ten_is_neither", {10}, 1, false, 0, 0},
    {"eleven_is_neither", {11}, 1, true, 0, 0},
    {"two_byte_text", {0x81, 0x0f}, 1, true, 2, 0},
    {"two_byte_text_after_header", {0x03, 0x81, 0x0f}, 1, true, 0, -2},
    {"two_texts", {0x81, 0x0f, 0x11}, 2, true, 3, 0},
    {"text_wants_odd", {0x81, 0x10}, 1, true, 0, 0},
    {"blob_after_header", {0x02, 0x14}, 1, false, 0, -1},
    {"small_byte_needs_continuation", {0x00, 0x05, 0x01}, 1, true, 0, 0},
    {"small_last_byte_of_long_varint", {0x20, 0x81, 0x01}, 1, true, 0, -2},
};

INSTANTIATE_TEST_SUITE_P(Cases, SerialTypeRun, ::testing::ValuesIn(run_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
