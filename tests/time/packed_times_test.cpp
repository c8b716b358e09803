#include "time/packed_times.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The six ArrivalTimes of the real database's notifications (Order 1 to 6); the last is the
// largest and so the base.
const std::vector<uint64> arrival_times = {
    132521874959025799, 132521874975745484, 132521874989808470,
    132521875017307381, 132521875029962252, 132521875099520261,
};

TEST(PackTimeSet, TwoTimesInTicks) {
    byte_array out = {0xAA};  // the group is appended
    EXPECT_EQ(kq::pack_time_set({1000, 900}, out, false), 10);
    EXPECT_EQ(out, (byte_array{0xAA, 0x01, 0xe8, 0x03, 0, 0, 0, 0, 0, 0, 0x64}));
}

TEST(PackTimeSet, RefusesWithoutAppending) {
    const std::vector<std::vector<uint64>> refused = {
        {},
        {1, 2, 3, 4, 5, 6, 7, 8, 9},
        {1ULL << 60, 5},                        // the base does not fit 60 bits
        {UINT64_MAX, static_cast<uint64>(-5)},  // every time negative: a negative base
        {5, static_cast<uint64>(-1)},           // a negative time below a positive base
    };
    for (const std::vector<uint64>& times : refused) {
        byte_array out = {0x11};
        EXPECT_EQ(kq::pack_time_set(times, out, false), 0) << times.size();
        EXPECT_EQ(kq::pack_time_set(times, out, true), 0) << times.size();
        EXPECT_EQ(out, byte_array{0x11});
    }
}

TEST(PackTimeSet, RealArrivalTimesInTicksRoundTripExactly) {
    byte_array group;
    ASSERT_EQ(kq::pack_time_set(arrival_times, group, false), 29);
    ASSERT_EQ(group.size(), 29u);
    EXPECT_EQ(group[0], 0x2D);  // six times, base index 5
    EXPECT_EQ(group[8], 0x31);  // width 4, base bits 56-59 = 1
    std::vector<uint64> back = {42};
    EXPECT_EQ(kq::decode_packed_times(group.data(), 29, back), 29u);
    EXPECT_EQ(back, arrival_times);
}

TEST(PackTimeSet, RealArrivalTimesInMillisecondsComeBackWithinOneMillisecond) {
    byte_array group;
    ASSERT_EQ(kq::pack_time_set(arrival_times, group, true), 19);
    EXPECT_EQ(group[0], 0x6D);
    EXPECT_EQ(group[8], 0x11);  // width 2
    std::vector<uint64> back;
    ASSERT_EQ(kq::decode_packed_times(group.data(), 19, back), 19u);
    ASSERT_EQ(back.size(), arrival_times.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_LE(arrival_times[i], back[i]) << i;
        EXPECT_LT(back[i], arrival_times[i] + 10000) << i;
    }
}

TEST(PackTimeSet, BaseChoiceAndZeros) {
    const struct {
        std::vector<uint64> times;
        uint8 first_byte;
    } cases[] = {
        {{7, 7}, 0x01},       // first of equal maxima
        {{0, 100, 3}, 0x0A},  // index 1
        {{0, 0, 0}, 0x02},    // all zero: index 0, base 0
        {{12345}, 0x00},      // one time, no distances
        {{1, 2, 3, 4, 5, 6, 7, 8}, 0x3F},
    };
    for (const auto& c : cases) {
        byte_array group;
        const uint16 size = kq::pack_time_set(c.times, group, false);
        ASSERT_EQ(size, 9 + (c.times.size() - 1)) << c.times.size();
        EXPECT_EQ(group[0], c.first_byte);
        std::vector<uint64> back;
        EXPECT_EQ(kq::decode_packed_times(group.data(), size, back), size);
        EXPECT_EQ(back, c.times);
    }
}

struct width_case {
    const char* name;
    uint64 delta;
    bool milliseconds;
    std::size_t width;
};

const width_case width_cases[] = {
    {"ff", 0xFF, false, 1},
    {"100", 0x100, false, 2},
    {"ffff", 0xFFFF, false, 2},
    {"10000", 0x10000, false, 4},
    {"below_2_32", (1ULL << 32) - 1, false, 4},
    {"2_32", 1ULL << 32, false, 6},
    {"below_2_48", (1ULL << 48) - 1, false, 6},
    {"2_48", 1ULL << 48, false, 8},
    {"ms_ff", 0xFF, true, 1},
    {"ms_100", 0x100, true, 2},
    {"ms_10000", 0x10000, true, 4},
    {"ms_2_32", 1ULL << 32, true, 6},
};

class PackedWidth : public ::testing::TestWithParam<width_case> {};

TEST_P(PackedWidth, GrowsAtItsThresholdAndRoundTrips) {
    const width_case& c = GetParam();
    const uint64 base = (1ULL << 59) + 0x123456789;
    const uint64 unit = c.milliseconds ? 10000 : 1;
    // A distance and a zero distance: the wide one sets the width of both.
    const std::vector<uint64> times = {base - c.delta * unit, base, base};
    byte_array group;
    const uint16 size = kq::pack_time_set(times, group, c.milliseconds);
    ASSERT_EQ(size, 9 + 2 * c.width);
    EXPECT_EQ(((group[8] >> 4) & 7) + 1u, c.width);
    EXPECT_EQ(group[8] & 0x80, 0);
    std::vector<uint64> back;
    ASSERT_EQ(kq::decode_packed_times(group.data(), size, back), size);
    EXPECT_EQ(back, times);
}

INSTANTIATE_TEST_SUITE_P(Cases, PackedWidth, ::testing::ValuesIn(width_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DecodePackedTimes, AGroupCutShortGivesNothing) {
    byte_array group;
    ASSERT_EQ(kq::pack_time_set(arrival_times, group, false), 29);
    for (uint32 length = 0; length < 29; ++length) {
        std::vector<uint64> out = {1, 2};
        const byte_array cut(group.begin(), group.begin() + length);
        EXPECT_EQ(kq::decode_packed_times(cut.data(), length, out), 0u) << length;
        EXPECT_TRUE(out.empty()) << length;
    }
    std::vector<uint64> out = {1};
    EXPECT_EQ(kq::decode_packed_times(nullptr, 29, out), 0u);
    EXPECT_TRUE(out.empty());
}

TEST(DecodePackedTimes, ReadsWhatTheWriterNeverWrites) {
    const uint64 base = 0x0F00000000001000;  // 60 bits: bits 56-59 in the top byte
    const struct {
        const char* name;
        byte_array group;
        uint32 consumed;
        std::vector<uint64> times;
    } cases[] = {
        // Width 3: both distances are passed over.
        {"width_3", {0x02, 0x00, 0x10, 0, 0, 0, 0, 0, 0x2F, 1, 0, 0, 2, 0, 0}, 15, {base}},
        // Bit 7 marks milliseconds too.
        {"bit_7_ms", {0x81, 0x00, 0x10, 0, 0, 0, 0, 0, 0x0F, 0x01}, 10, {base, base - 10000}},
        // Base index 5 of two entries: both are distances, no base.
        {"base_past_count",
         {0x29, 0x00, 0x10, 0, 0, 0, 0, 0, 0x0F, 0x01, 0x02},
         11,
         {base - 1, base - 2}},
        {"base_past_count_cut", {0x29, 0x00, 0x10, 0, 0, 0, 0, 0, 0x0F, 0x01}, 0, {}},
        // Width 8 distance above the base wraps modulo 2^64 (no overflow).
        {"wrap",
         {0x01, 0x00, 0x10, 0, 0, 0, 0, 0, 0x7F, 0, 0x20, 0, 0, 0, 0, 0, 0xFF},
         17,
         {base, base - 0xFF00000000002000}},
        {"header_only", {0x00, 1, 0, 0, 0, 0, 0, 0, 0}, 9, {1}},
        {"eight_bytes", {0x00, 1, 0, 0, 0, 0, 0, 0}, 0, {}},
    };
    for (const auto& c : cases) {
        std::vector<uint64> out;
        EXPECT_EQ(kq::decode_packed_times(c.group.data(), static_cast<uint32>(c.group.size()), out),
                  c.consumed)
            << c.name;
        EXPECT_EQ(out, c.times) << c.name;
    }
}

}  // namespace
