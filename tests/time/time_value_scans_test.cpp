#include "time/time_value_scans.h"

#include <gtest/gtest.h>

#include <vector>

#include "time/time_bytes_support.h"

namespace {

using time_test::le_bytes;

TEST(ScanUnix32Times, TriesEveryValueThatEndsInsideTheBuffer) {
    std::vector<kq::time> times;
    std::vector<uint32> offsets = {99};
    const byte_array ones(8, 0x01);
    EXPECT_TRUE(kq::scan_unix32_times(ones.data(), 8, times, offsets));
    EXPECT_EQ(offsets, (std::vector<uint32>{0, 1, 2, 3, 4}));
    ASSERT_EQ(times.size(), 5u);
    EXPECT_EQ(times[0].unix_seconds, 0x01010101);

    // The last four bytes alone hold the value (1,400,000,000: 2014-05-13).
    byte_array tail(4, 0);
    const byte_array value = le_bytes(1400000000, 4);
    tail.insert(tail.end(), value.begin(), value.end());
    EXPECT_TRUE(kq::scan_unix32_times(tail.data(), 8, times, offsets));
    EXPECT_EQ(offsets.back(), 4u);
    EXPECT_EQ(times.back().unix_seconds, 1400000000);
}

TEST(ScanUnix32Times, RefusesShortOrMissingBuffers) {
    std::vector<kq::time> times(1);
    std::vector<uint32> offsets = {1};
    const byte_array ones(7, 0x01);
    EXPECT_FALSE(kq::scan_unix32_times(ones.data(), 7, times, offsets));
    EXPECT_FALSE(kq::scan_unix32_times(nullptr, 100, times, offsets));
    EXPECT_TRUE(times.empty());
    EXPECT_TRUE(offsets.empty());
}

TEST(ScanUnixAndFiletime, FindsAFiletimeThatFillsTheBuffer) {
    constexpr uint64 filetime = 133497898775336165;  // 2024-01-16
    std::vector<kq::time> times;
    std::vector<uint32> offsets;
    const byte_array exact = le_bytes(filetime, 8);
    EXPECT_TRUE(kq::scan_unix_and_filetime(exact.data(), 8, times, offsets));
    ASSERT_EQ(offsets, std::vector<uint32>{0});
    EXPECT_EQ(times[0].filetime, static_cast<int64>(filetime));

    byte_array shifted(1, 0);
    shifted.insert(shifted.end(), exact.begin(), exact.end());
    EXPECT_TRUE(kq::scan_unix_and_filetime(shifted.data(), 9, times, offsets));
    EXPECT_EQ(offsets, std::vector<uint32>{1});

    EXPECT_FALSE(kq::scan_unix_and_filetime(exact.data(), 7, times, offsets));
    EXPECT_TRUE(offsets.empty());
}

TEST(ScanUnixAndFiletime, TriesUnixSecondsFirst) {
    std::vector<kq::time> times;
    std::vector<uint32> offsets;
    const byte_array seconds = le_bytes(1400000000, 8);
    EXPECT_TRUE(kq::scan_unix_and_filetime(seconds.data(), 8, times, offsets));
    ASSERT_EQ(offsets, std::vector<uint32>{0});
    EXPECT_EQ(times[0].unix_seconds, 1400000000);
}

TEST(FindValuesInRange, MovesOnByTheStrideAfterAHit) {
    const std::vector<uint64> values = {0, 1, 5, 5, 5, 0, 1ULL << 63};
    const uint32 length = static_cast<uint32>(values.size() * 8);
    std::vector<uint64> offsets = {77};
    EXPECT_TRUE(kq::find_values_in_range(offsets, values.data(), length, 0x1000, 5, 5, 16));
    EXPECT_EQ(offsets, (std::vector<uint64>{0x1010, 0x1020}));
    EXPECT_TRUE(kq::find_values_in_range(offsets, values.data(), length, 0, 5, 5, 8));
    EXPECT_EQ(offsets, (std::vector<uint64>{16, 24, 32}));
    // Unsigned: 2^63 lies inside [1, 2^64 - 1].
    EXPECT_TRUE(kq::find_values_in_range(offsets, values.data(), length, 0, 6, UINT64_MAX, 8));
    EXPECT_EQ(offsets, std::vector<uint64>{48});
}

TEST(FindValuesInRange, RefusesBadArguments) {
    const std::vector<uint64> values = {5, 5};
    std::vector<uint64> offsets = {1};
    EXPECT_FALSE(kq::find_values_in_range(offsets, values.data(), 16, 0, 5, 5, 12));
    EXPECT_FALSE(kq::find_values_in_range(offsets, values.data(), 16, 0, 5, 5, 0));
    EXPECT_FALSE(kq::find_values_in_range(offsets, values.data(), 7, 0, 5, 5, 8));
    EXPECT_FALSE(kq::find_values_in_range(offsets, nullptr, 16, 0, 5, 5, 8));
    EXPECT_FALSE(kq::find_values_in_range(offsets, values.data(), 16, 0, 6, 9, 8));
    EXPECT_TRUE(offsets.empty());
}

TEST(FindValuesInRange, ReadsAMisalignedBufferAndIgnoresAPartialValue) {
    byte_array buffer(1 + 8 + 8 + 5, 0);
    const byte_array value = le_bytes(42, 8);
    std::copy(value.begin(), value.end(), buffer.begin() + 9);
    const auto* values = static_cast<const uint64*>(static_cast<const void*>(buffer.data() + 1));
    std::vector<uint64> offsets;
    EXPECT_TRUE(kq::find_values_in_range(offsets, values, 21, 0, 42, 42, 8));
    EXPECT_EQ(offsets, std::vector<uint64>{8});
}

}  // namespace
