#include "time/time_hit_recorders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// 2020-12-11 19:11:35.9025799 UTC, the real database's first ArrivalTime.
constexpr int64 arrival = 132521874959025799;
constexpr uint64 from_2020 = 132223104000000000;
constexpr uint64 to_2022 = 132854688000000000;
constexpr uint64 guid_ticks_before_1601 = 5748192000000000;

std::array<uint8, 16> le_record(uint64 first_word, uint64 second_word) {
    std::array<uint8, 16> bytes{};
    for (std::size_t i = 0; i < 8; ++i) {
        bytes.at(i) = static_cast<uint8>(first_word >> (8 * i));
        bytes.at(8 + i) = static_cast<uint8>(second_word >> (8 * i));
    }
    return bytes;
}

// A version-1 GUID of the moment: the 60-bit timestamp with version 1 in its top nibble.
std::array<uint8, 16> v1_guid(int64 filetime) {
    const uint64 stamp = static_cast<uint64>(filetime) + guid_ticks_before_1601;
    return le_record(stamp | (1ULL << 60), 0x0123456789AB0180ULL);
}

void expect_single_hit(const kq::time_hit_map& hits, uint64 offset, int32 kind, int32 size,
                       int64 filetime) {
    ASSERT_EQ(hits.size(), 1u);
    const kq::time_hit& hit = hits.begin()->second;
    EXPECT_EQ(hits.begin()->first, offset);
    EXPECT_EQ(hit.offset, offset);
    EXPECT_EQ(hit.type, kind);
    EXPECT_EQ(hit.size, size);
    EXPECT_EQ(hit.bytes.size(), static_cast<std::size_t>(size));
    EXPECT_EQ(hit.little_endian, 1);
    EXPECT_EQ(hit.filetime, static_cast<uint64>(filetime));
}

TEST(RecordGuidHit, VersionOneGuidAndFiletimeRecordBothGiveKind128) {
    for (const std::array<uint8, 16>& bytes : {v1_guid(arrival), le_record(0, arrival)}) {
        kq::time_hit_map hits;
        EXPECT_TRUE(kq::record_guid_hit(hits, bytes.data(), to_2022, from_2020, 0x40, false));
        expect_single_hit(hits, 0x40, kq::tt_guid, 16, arrival);
        EXPECT_EQ(hits.begin()->second.bytes, byte_array(bytes.begin(), bytes.end()));
    }
}

TEST(RecordGuidHit, NeitherFormOrOutsideTheWindowIsNoHit) {
    kq::time_hit_map hits;
    const std::array<uint8, 16> nothing = le_record(0, 0);
    EXPECT_FALSE(kq::record_guid_hit(hits, nothing.data(), to_2022, from_2020, 0, false));
    const std::array<uint8, 16> guid = v1_guid(arrival);
    EXPECT_FALSE(kq::record_guid_hit(hits, guid.data(), from_2020, from_2020, 0, false));
    EXPECT_FALSE(kq::record_guid_hit(hits, nullptr, to_2022, from_2020, 0, false));
    EXPECT_TRUE(hits.empty());
}

TEST(RecordSnowflakeHit, IdentifierOf2024) {
    // 2024-01-01 00:00:00 UTC: 283,996,800,000 ms after the 2015 epoch.
    const uint64 id = 283996800000ULL << 22;
    kq::time_hit_map hits;
    EXPECT_TRUE(kq::record_snowflake_hit(hits, &id, UINT64_MAX >> 1, 0, 8, false));
    expect_single_hit(hits, 8, kq::tt_snowflake, 8, 133485408000000000);
    EXPECT_FALSE(kq::record_snowflake_hit(hits, &id, to_2022, from_2020, 8, false));
    EXPECT_EQ(hits.size(), 1u);
}

TEST(RecordOleHit, DaysSince1899) {
    kq::time_hit_map hits;
    EXPECT_TRUE(kq::record_ole_hit(hits, 44176.5, to_2022, from_2020, 3, false));
    expect_single_hit(hits, 3, kq::tt_ole, 8, 132521616000000000);
    for (const double hostile : {std::nan(""), std::numeric_limits<double>::infinity(),
                                 -std::numeric_limits<double>::infinity(), 1e300, -1e300, 0.0}) {
        EXPECT_FALSE(kq::record_ole_hit(hits, hostile, UINT64_MAX >> 1, 0, 3, false)) << hostile;
    }
    EXPECT_EQ(hits.size(), 1u);
}

TEST(Recorders, AddBesideAnExistingHitAndClearFirstEmptiesTheMap) {
    kq::time_hit_map hits;
    const std::array<uint8, 16> guid = v1_guid(arrival);
    ASSERT_TRUE(kq::record_ole_hit(hits, 44176.5, to_2022, from_2020, 5, false));
    ASSERT_TRUE(kq::record_guid_hit(hits, guid.data(), to_2022, from_2020, 5, false));
    ASSERT_EQ(hits.count(5), 2u);
    EXPECT_EQ(hits.begin()->second.type, kq::tt_ole);  // in the order found
    EXPECT_EQ(std::next(hits.begin())->second.type, kq::tt_guid);
    EXPECT_FALSE(kq::record_ole_hit(hits, 1.0, to_2022, from_2020, 5, true));
    EXPECT_TRUE(hits.empty());
}

TEST(Recorders, CompareTheWindowSigned) {
    // A latest bound above 2^63 reads as negative: nothing fits.
    kq::time_hit_map hits;
    EXPECT_FALSE(kq::record_ole_hit(hits, 44176.5, UINT64_MAX, 0, 0, false));
    EXPECT_TRUE(hits.empty());
}

// 2020-12-11 19:11:35.902 as SYSTEMTIME words (a Friday).
std::array<uint8, 16> systemtime_bytes() {
    const uint16 words[8] = {2020, 12, 5, 11, 19, 11, 35, 902};
    std::array<uint8, 16> bytes{};
    for (std::size_t i = 0; i < 8; ++i) {
        bytes.at(2 * i) = static_cast<uint8>(words[i] & 0xFF);
        bytes.at(2 * i + 1) = static_cast<uint8>(words[i] >> 8);
    }
    return bytes;
}

TEST(ScanSystemtime16, ReadsForwardAndReversed) {
    const std::array<uint8, 16> forward = systemtime_bytes();
    std::array<uint8, 16> backward = forward;
    std::reverse(backward.begin(), backward.end());
    const std::array<uint8, 16>& reversed = backward;
    const int64 expected = 132521874959020000;
    for (const std::array<uint8, 16>* bytes : {&forward, &reversed}) {
        kq::time_hit_map hits;
        EXPECT_TRUE(kq::scan_systemtime16(hits, bytes->data(), to_2022, from_2020, 7, false));
        expect_single_hit(hits, 7, kq::tt_systemtime, 8, expected);
        EXPECT_EQ(hits.begin()->second.bytes, byte_array(forward.begin(), forward.begin() + 8));
    }
    kq::time_hit_map hits;
    EXPECT_FALSE(kq::scan_systemtime16(hits, forward.data(), from_2020, from_2020, 7, false));
    EXPECT_FALSE(kq::scan_systemtime16(hits, nullptr, to_2022, from_2020, 7, false));
    EXPECT_TRUE(hits.empty());
}

}  // namespace
