#include "sqlite/varint.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

struct varint_case {
    const char* name;
    byte_array bytes;
    bool ok;
    uint64 value;
    int32 length;
};

class ReadRecordVarint : public ::testing::TestWithParam<varint_case> {};

TEST_P(ReadRecordVarint, DecodesAsTheFormatSays) {
    const varint_case& c = GetParam();
    uint64 value = 77;
    int32 length = 77;
    EXPECT_EQ(read_varint(value, length, c.bytes.data(), static_cast<int32>(c.bytes.size())),
              c.ok);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(length, c.length);
}

const varint_case varint_cases[] = {
    {"one_byte", {0x7f}, true, 127, 1},
    {"two_bytes", {0x81, 0x00}, true, 128, 2},
    {"stops_at_clear_top_bit", {0x01, 0xff}, true, 1, 1},
    {"nine_ff_is_all_bits", byte_array(9, 0xff), true, std::numeric_limits<uint64>::max(), 9},
    {"ninth_byte_gives_eight_bits", {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0xfe}, true,
     0xfe, 9},
    {"never_more_than_nine", byte_array(12, 0xff), true, std::numeric_limits<uint64>::max(), 9},
    {"cut_reads_what_is_there", {0x81, 0x82}, true, 130, 2},
    {"empty", {}, false, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReadRecordVarint, ::testing::ValuesIn(varint_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ReadRecordVarint, NullAndNegativeAvailableAreEmpty) {
    uint64 value = 5;
    int32 length = 5;
    EXPECT_FALSE(read_varint(value, length, nullptr, 9));
    EXPECT_EQ(value, 0u);
    const uint8 one = 1;
    EXPECT_FALSE(read_varint(value, length, &one, -1));
}

TEST(CountVarints, LooksAtAllButTheLastByte) {
    const uint8 run[] = {0x05, 0x07, 0x09};
    EXPECT_EQ(count_varints(run, 3), 2);
    EXPECT_EQ(count_varints(run, 1), 0);
    EXPECT_EQ(count_varints(nullptr, 3), 0);
    // 0x80000000 reads negative in its low 32 bits: not counted, counting stops.
    const uint8 negative[] = {0x01, 0x88, 0x80, 0x80, 0x80, 0x00, 0x01, 0x00};
    EXPECT_EQ(count_varints(negative, sizeof negative), 1);
}

TEST(ReadLeb128, LeastSignificantGroupFirst) {
    const uint8 bytes[] = {0xe5, 0x8e, 0x26};
    uint64 v64 = 0;
    EXPECT_EQ(read_leb128_u64(v64, bytes, 3), 3);
    EXPECT_EQ(v64, 624485u);
    uint32 v32 = 0;
    EXPECT_EQ(read_leb128_u32(v32, bytes, 3), 3);
    EXPECT_EQ(v32, 624485u);
    v64 = 9;
    EXPECT_EQ(read_leb128_u64(v64, bytes, 2), 0);  // ends inside the varint
    EXPECT_EQ(v64, 0u);
    const byte_array long_run(20, 0xff);
    EXPECT_EQ(read_leb128_u32(v32, long_run.data(), 20), 0);
}

TEST(VarintRunStartBackward, CountsBackOverTheLastVarint) {
    const uint8 bytes[] = {0x05, 0x81, 0x02, 0x07};
    const kq::byte_reader view(bytes, sizeof bytes);
    EXPECT_EQ(varint_run_start_backward(view, 3, 4, 2), -3);
    EXPECT_EQ(varint_run_start_backward(view, 3, 1, 2), 0);  // length below n
    EXPECT_EQ(varint_run_start_backward(view, 1, 4, 3), 0);  // runs off the start
    EXPECT_EQ(varint_run_start_backward(view, 9, 4, 1), 0);  // end outside the view
}

}  // namespace
