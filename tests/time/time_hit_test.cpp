#include "time/time_hit.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "time/kq_time.h"
#include "time/time_test_support.h"

namespace {

using time_test::scoped_tz;
using time_test::utc_text;

constexpr uint64 whole_range_latest = static_cast<uint64>(std::numeric_limits<int64>::max());

std::vector<int32> kinds_of(const kq::time_hit_map& hits) {
    std::vector<int32> kinds;
    for (const auto& [offset, hit] : hits) {
        kinds.push_back(hit.type);
    }
    return kinds;
}

byte_array le_bytes(uint64 value, std::size_t count) {
    byte_array bytes(count);
    for (std::size_t i = 0; i < count && i < 8; ++i) {
        bytes.at(i) = static_cast<uint8>(value >> (8 * i));
    }
    return bytes;
}

// ---------------------------------------------------------------- guess

TEST(GuessTimeType, PicksTheFirstKindInTheWindow) {
    const scoped_tz tz("UTC0");
    uint64 ft = 1;
    uint32 kind = 1;
    ASSERT_TRUE(kq::guess_time_type(ft, kind, 1400000000, 2028, 2004));
    EXPECT_EQ(kind, 8u);
    EXPECT_EQ(ft, 130444736000000000u);
    EXPECT_FALSE(kq::guess_time_type(ft, kind, 0xFFFFFF, 2028, 2004));
    EXPECT_EQ(ft, 0u);
    EXPECT_EQ(kind, 0u);
    // Notification with Order 1 of the published wpndatabase.db.
    ASSERT_TRUE(kq::guess_time_type(ft, kind, 132521874959025799, 2028, 2004));
    EXPECT_EQ(kind, 1u);
    EXPECT_EQ(ft, 132521874959025799u);
    ASSERT_TRUE(kq::guess_time_type(ft, 1400000000, 2028, 2004));
    EXPECT_EQ(ft, 130444736000000000u);
    // The window ends at midnight of 1 January of the last year.
    EXPECT_FALSE(kq::guess_time_type(ft, kind, 1400000000, 2014, 2004));
}

TEST(GuessTimeType, ByteReversedValueFoundBySecondPass) {
    const scoped_tz tz("UTC0");
    const uint64 stored = 133497898775336165;  // 2024-01-15 10:57:57.5336165
    const uint64 reversed = __builtin_bswap64(stored);
    kq::time_hit_map hits;
    EXPECT_FALSE(
        kq::scan_time_8byte(hits, reversed, whole_range_latest, 0, 0, true, true, 0xC004F) &&
        hits.begin()->second.filetime > 0 && hits.begin()->second.filetime < 0x0200000000000000);
    uint64 ft = 0;
    uint32 kind = 0;
    ASSERT_TRUE(kq::guess_time_type(ft, kind, reversed, 2028, 2004));
    EXPECT_EQ(kind, 1u);
    EXPECT_EQ(ft, stored);
}

TEST(GuessTimeType, AnySixtyFourBitValueIsSafe) {
    // Carved columns hand in arbitrary values: none may overflow or convert undefinedly.
    uint64 ft = 0;
    uint32 kind = 0;
    for (const uint64 value :
         {std::numeric_limits<uint64>::max(), uint64{1} << 63, (uint64{1} << 63) - 1,
          uint64{0x0000FFFFFFFFFFFF}, uint64{0xFFFFFFFF}, uint64{0x7FF8000000000000}}) {
        (void)kq::guess_time_type(ft, kind, value, 2028, 2004);
        kq::time_hit_map hits;
        (void)kq::scan_time_8byte(hits, value, whole_range_latest, 0, 0, true, true, 0xFFFFFFFF);
    }
}

// ---------------------------------------------------------------- scan

TEST(ScanTime, EightByteOrder) {
    const scoped_tz tz("UTC0");
    kq::time_hit_map hits;
    // 2 x 10^16 is 1664 as FILETIME (too early), but 2234 as Chrome, 2603 as Firefox 3,
    // 2001 as Safari nanoseconds and 2015 as a snowflake.
    ASSERT_TRUE(kq::scan_time_8byte(hits, 20000000000000000, whole_range_latest, 1, 40, true, true,
                                    0xFFFFFFFF));
    EXPECT_EQ(kinds_of(hits), (std::vector<int32>{2, 4, 0x40000, 0x20000}));
    for (const auto& [offset, hit] : hits) {
        EXPECT_EQ(offset, 40u);
        EXPECT_EQ(hit.size, 8);
        EXPECT_EQ(hit.bytes, le_bytes(20000000000000000, 8));
    }
    // NTP and OLE give no hit from an integer.
    EXPECT_FALSE(kq::scan_time_8byte(hits, 0xBC17C20080000000, whole_range_latest, 1, 0, true, true,
                                     64 | 256));
    EXPECT_TRUE(hits.empty());
}

TEST(ScanTime, FourByteOrderAndStoredBytes) {
    const scoped_tz tz("UTC0");
    const kq::time earliest("01/01/1950", true);
    const kq::time latest("01/01/2050", true);
    kq::time_hit_map hits;
    // 0x582F50A3: Unix 2016-11-18, Unix milliseconds 1970-01-18, DOS 2024-01-15 10:05:06,
    // HFS+ 1950-11-18, Safari 2047-11-19.
    ASSERT_TRUE(kq::scan_time_8byte(hits, 0x582F50A3, static_cast<uint64>(latest.filetime),
                                    static_cast<uint64>(earliest.filetime), 7, false, true,
                                    0xFFFFFFFF));
    EXPECT_EQ(kinds_of(hits), (std::vector<int32>{8, 16, 32, 0x80000, 0x40000}));
    const kq::time_hit& dos = std::next(hits.begin(), 2)->second;
    EXPECT_EQ(utc_text(kq::time(int64(dos.filetime), kq::tt_filetime)), "2024-01-15 10:05:06.000");
    EXPECT_EQ(dos.size, 4);
    EXPECT_EQ(dos.little_endian, 0);
    EXPECT_EQ(dos.bytes, (byte_array{0x58, 0x2F, 0x50, 0xA3}));  // as they stand in the data
    // Without clear_first earlier hits stay and new ones join them.
    ASSERT_TRUE(kq::scan_time_8byte(hits, 0x582F50A3, static_cast<uint64>(latest.filetime),
                                    static_cast<uint64>(earliest.filetime), 7, true, false, 8));
    EXPECT_EQ(hits.size(), 6u);
    EXPECT_EQ(hits.rbegin()->second.bytes, (byte_array{0xA3, 0x50, 0x2F, 0x58}));
}

TEST(TimeHit, KeepsExactlyItsSize) {
    const uint8 raw[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const kq::time_hit sixteen(raw, 5, 6, kq::tt_guid, true, 16);
    EXPECT_EQ(sixteen.bytes.size(), 16u);
    EXPECT_EQ(sixteen.type, 128);
    const kq::time_hit reversed(raw, 5, 6, kq::tt_unix, false, 4);
    EXPECT_EQ(reversed.bytes, (byte_array{4, 3, 2, 1}));
    const kq::time_hit odd(raw, 5, 6, kq::tt_unix, true, 3);
    EXPECT_TRUE(odd.bytes.empty());
    EXPECT_EQ(odd.size, 0);
    EXPECT_EQ(odd.little_endian, 1);
    kq::time_hit cleared = sixteen;
    cleared.clear();
    EXPECT_TRUE(cleared.bytes.empty());
    EXPECT_EQ(cleared.filetime, 0u);
    EXPECT_EQ(cleared.offset, 0u);
    EXPECT_EQ(cleared.type, 0);
    EXPECT_EQ(cleared.little_endian, 1);
}

// ---------------------------------------------------------------- bytes

TEST(FromBytes, WidthFollowsWhatRemains) {
    const scoped_tz tz("UTC0");
    kq::time t;
    ASSERT_TRUE(t.set_from_bytes(le_bytes(1500, 4), 0, kq::tt_unix_ms));
    EXPECT_EQ(t.unix_seconds, 1);
    EXPECT_EQ(t.utc.millisecond, 500);
    const uint64 wide = (uint64{1} << 32) | 1700000000;
    EXPECT_EQ(utc_text(kq::time(le_bytes(wide, 6), kq::tt_unix)), "2023-11-14 22:13:20.000");
    EXPECT_EQ(utc_text(kq::time(le_bytes(wide, 8), kq::tt_unix)), "2159-12-22 04:41:36.000");
    EXPECT_FALSE(t.set_from_bytes(le_bytes(5, 8), 0, kq::tt_vhd));
    EXPECT_EQ(utc_text(kq::time(le_bytes(86400, 4), kq::tt_vhd)), "2000-01-02 17:00:00.000");
    EXPECT_FALSE(t.set_from_bytes(le_bytes(0, 4), 0, kq::tt_unix));
    EXPECT_FALSE(t.set_from_bytes(le_bytes(1700000000, 4), 0, kq::tt_filetime));
    byte_array padded = le_bytes(0, 3);
    const byte_array value = le_bytes(133497867071234567, 8);
    padded.insert(padded.end(), value.begin(), value.end());
    EXPECT_EQ(utc_text(kq::time(padded, 3, kq::tt_filetime)), "2024-01-15 10:05:07.123");
    EXPECT_EQ(utc_text(kq::time(le_bytes(std::bit_cast<uint64>(45306.5), 8), kq::tt_ole)),
              "2024-01-15 12:00:00.000");
    EXPECT_FALSE(kq::time(le_bytes(std::bit_cast<uint64>(std::nan("")), 8), kq::tt_ole).is_valid);
}

TEST(FromBytes, NeverReadsPastTheArray) {
    const byte_array value = le_bytes(133497867071234567, 8);
    kq::time t;
    for (const uint32 offset : {8U, 9U, 0xFFFFFFF8U, 0xFFFFFFFFU}) {
        EXPECT_FALSE(t.set_from_bytes(value, offset, kq::tt_filetime)) << offset;
    }
    for (std::size_t cut = 0; cut < value.size(); ++cut) {
        const byte_array shorter(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(cut));
        for (const kq::type_time kind : {kq::tt_filetime, kq::tt_unix, kq::tt_guid,
                                         kq::tt_systemtime, kq::tt_record16, kq::tt_ole}) {
            (void)t.set_from_bytes(shorter, 0, kind);
        }
        EXPECT_FALSE(t.set_from_bytes(shorter, 0, kq::tt_filetime));
    }
}

TEST(FromBytes, SixteenByteRecords) {
    const scoped_tz tz("CET-1CEST,M3.5.0,M10.5.0/3");
    const uint16 st[8] = {2024, 7, 1, 15, 10, 5, 7, 123};
    byte_array systemtime(16);
    std::memcpy(systemtime.data(), st, sizeof st);
    EXPECT_EQ(utc_text(kq::time(systemtime, kq::tt_systemtime)), "2024-07-15 10:05:07.123");
    EXPECT_EQ(utc_text(kq::time(systemtime, kq::tt_systemtime_local)), "2024-07-15 10:05:07.123");
    EXPECT_FALSE(
        kq::time(byte_array(systemtime.begin(), systemtime.begin() + 15), kq::tt_systemtime)
            .is_valid);

    const byte_array guid = {0xAA, 0xBB, 0xCC, 0x07, 0x62, 0x50, 0x8f, 0x8d, 0xb3, 0xee,
                             0x11, 0x81, 0x23, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    EXPECT_EQ(kq::time(guid, 3, kq::tt_guid).filetime, 133497867071234567);
    EXPECT_FALSE(kq::time(guid, 4, kq::tt_guid).is_valid);

    byte_array record = le_bytes(7, 8);
    const byte_array ft = le_bytes(133497867071234567, 8);
    record.insert(record.end(), ft.begin(), ft.end());
    EXPECT_EQ(kq::time(record, kq::tt_record16).filetime, 133497867071234567);
    record.at(15) = 0x80;  // negative FILETIME
    EXPECT_FALSE(kq::time(record, kq::tt_record16).is_valid);
}

TEST(FromBytes, FractionBelowOneTick) {
    const scoped_tz tz("UTC0");
    const kq::time t(uint64{133497867070000000}, 1234567.25);
    ASSERT_TRUE(t.is_valid);
    EXPECT_EQ(t.filetime, 133497867071234567);
    EXPECT_EQ(t.utc.millisecond, 123);
    EXPECT_EQ(t.utc.microseconds, 123456);
    EXPECT_EQ(t.utc.nanoseconds, 123456725);  // digits below one tick are kept
    EXPECT_FALSE(kq::time(uint64{0}, 0.5).is_valid);
    EXPECT_FALSE(kq::time(uint64{133497867070000000}, std::nan("")).is_valid);
    EXPECT_FALSE(kq::time(uint64{133497867070000000}, -1.0).is_valid);
    EXPECT_FALSE(kq::time(uint64{133497867070000000}, 1e300).is_valid);
    EXPECT_FALSE(kq::time(uint64{94354848000000000}, 0.0).is_valid);  // 1900: negative Unix
    EXPECT_TRUE(kq::time(uint64{116444736000000000}, 5e6).is_valid);  // 1970-01-01 00:00:00.5
    EXPECT_FALSE(kq::time(~uint64{0}, 0.0).is_valid);
}

TEST(CopyBeTail, FillsTheLowOrderEnd) {
    std::array<uint8, 8> record{};
    const byte_array data = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(kq::copy_be_tail8(record, data, 2, 3), 2);
    EXPECT_EQ(record, (std::array<uint8, 8>{0, 0, 0, 0, 0, 0x33, 0x44, 0}));
    EXPECT_EQ(kq::copy_be_tail8(record, data, 0, 9), 1);  // other counts count as 1
    EXPECT_EQ(record.at(7), 0x11);
    EXPECT_EQ(kq::copy_be_tail8(record, data, 4, 2), 0);
    EXPECT_EQ(kq::copy_be_tail8(record, data, -1, 2), 0);
    EXPECT_EQ(kq::copy_be_tail8(record, byte_array(), 0, 2), 0);
    std::array<uint8, 4> word{};
    EXPECT_EQ(kq::copy_be_tail4(word, data, 0, 4), 4);
    EXPECT_EQ(word, (std::array<uint8, 4>{0x11, 0x22, 0x33, 0x44}));
}

}  // namespace
