#include "time/time_conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "time/time_epochs.h"

namespace {

constexpr int64 unix_epoch = 116444736000000000;
constexpr int64 jan15_2024_ft = 133497867071234567;  // 2024-01-15 10:05:07.1234567 UTC

TEST(UnixConversions, CountBackwardBefore1970) {
    int64 out = 0;
    ASSERT_TRUE(kq::filetime_to_unix(94354848000000000, out));  // 1900-01-01
    EXPECT_EQ(out, -2208988800);
    ASSERT_TRUE(kq::filetime_to_unix(unix_epoch - 5000000, out));  // 1969-12-31 23:59:59.5
    EXPECT_EQ(out, -1);
    ASSERT_TRUE(kq::filetime_to_unix(jan15_2024_ft, out));
    EXPECT_EQ(out, 1705313107);
    out = 42;
    EXPECT_FALSE(kq::filetime_to_unix(-1, out));
    EXPECT_EQ(out, 42);
    ASSERT_TRUE(kq::unix_to_filetime(1705313107, out));
    EXPECT_EQ(out, 133497867070000000);
    ASSERT_TRUE(kq::unix_to_filetime(-1, out));
    EXPECT_EQ(out, unix_epoch - 10000000);
    EXPECT_FALSE(kq::unix_to_filetime(std::numeric_limits<int64>::max() / 1000, out));
}

TEST(UnixConversions, FiletimePairs) {
    kq::filetime_pair pair;
    ASSERT_TRUE(kq::unix_to_filetime_pair(1705313107, pair));
    EXPECT_EQ(pair.low, static_cast<uint32>(133497867070000000));
    EXPECT_EQ(pair.high, static_cast<uint32>(133497867070000000 >> 32));
    ASSERT_TRUE(kq::value_to_filetime_pair(pair, jan15_2024_ft, kq::tt_filetime));
    EXPECT_EQ(pair.low, static_cast<uint32>(jan15_2024_ft));
    ASSERT_TRUE(kq::value_to_filetime_pair(pair, 1, kq::tt_unix));
    EXPECT_EQ(pair.low, static_cast<uint32>(unix_epoch + 10000000));
    const kq::filetime_pair before = pair;
    EXPECT_FALSE(kq::value_to_filetime_pair(pair, 5, kq::tt_chrome));
    EXPECT_FALSE(kq::value_to_filetime_pair(pair, ~uint64{0} >> 1, kq::tt_unix));
    EXPECT_EQ(pair.low, before.low);
    EXPECT_EQ(pair.high, before.high);
    EXPECT_STREQ(kq::type_time_name(kq::tt_unix_ms), "unix millisec time");
    EXPECT_STREQ(kq::type_time_name(kq::tt_systemtime_local), "system time");
    EXPECT_STREQ(kq::type_time_name(kq::tt_none), "");
}

TEST(BrowserConversions, ChromeAndFirefox) {
    int64 out = 0;
    ASSERT_TRUE(kq::chrome_to_filetime(13349786707123456, out));
    EXPECT_EQ(out, 133497867071234560);
    EXPECT_EQ(kq::filetime_to_chrome(jan15_2024_ft), 13349786707123456u);
    ASSERT_TRUE(kq::chrome_to_unix(13349786707123456, out));
    EXPECT_EQ(out, 1705313107);
    EXPECT_FALSE(kq::chrome_to_filetime(std::numeric_limits<uint64>::max() / 5, out));
    ASSERT_TRUE(kq::firefox3_to_filetime(-1500000, out));
    EXPECT_EQ(out, unix_epoch - 15000000);
    ASSERT_TRUE(kq::firefox3_to_unix(-1500000, out));
    EXPECT_EQ(out, -2);
    ASSERT_TRUE(kq::firefox3_to_unix(1705313107123456, out));
    EXPECT_EQ(out, 1705313107);
    EXPECT_FALSE(kq::firefox3_to_unix(std::numeric_limits<int64>::min(), out));
}

TEST(OtherEpochs, VhdDotnetSnowflakeSafari) {
    int64 out = 0;
    ASSERT_TRUE(kq::vhd_to_filetime(0, out));
    EXPECT_EQ(out, 125912196000000000);
    EXPECT_EQ(kq::filetime_to_vhd(125912196000000000 + 70000000), 7u);
    ASSERT_TRUE(kq::dotnet_ticks_to_filetime(638409099071234567, out));
    EXPECT_EQ(out, jan15_2024_ft);
    EXPECT_FALSE(kq::dotnet_ticks_to_filetime(504911231999999999, out));
    EXPECT_FALSE(kq::dotnet_ticks_to_filetime(std::numeric_limits<uint64>::max(), out));
    ASSERT_TRUE(kq::snowflake_to_filetime(int64{1000} << 22 | 0x3FFFFF, out));
    EXPECT_EQ(out, 130645440000000000 + 10000000);
    ASSERT_TRUE(kq::snowflake_to_filetime(-(int64{1000} << 22), out));  // shifts arithmetically
    EXPECT_EQ(out, 130645440000000000 - 10000000);
    EXPECT_EQ(kq::filetime_to_snowflake_ms(130645440000000000 + 10000000), 1000u);
    ASSERT_TRUE(kq::safari_to_unix(0, out));
    EXPECT_EQ(out, 978307200);
    ASSERT_TRUE(kq::safari_to_unix(727009077500000000, out));  // nanoseconds
    EXPECT_EQ(out, 1705316277);
    ASSERT_TRUE(kq::safari_to_filetime(uint64{727009077}, out));
    EXPECT_EQ(out, 133497898770000000);
    ASSERT_TRUE(kq::safari_to_filetime(uint64{727009077500000123}, out));
    EXPECT_EQ(out, 133497898775000001);
    ASSERT_TRUE(kq::safari_to_filetime(727009077.5, out));
    EXPECT_EQ(out, 133497898775000000);
    ASSERT_TRUE(kq::safari_double_to_unix(727009077.9, out));
    EXPECT_EQ(out, 1705316277);
    EXPECT_FALSE(kq::safari_to_filetime(std::nan(""), out));
    EXPECT_FALSE(kq::safari_to_filetime(std::numeric_limits<double>::infinity(), out));
    EXPECT_FALSE(kq::safari_to_filetime(1e18, out));
    EXPECT_FALSE(kq::safari_double_to_unix(-std::numeric_limits<double>::infinity(), out));
}

TEST(TickUnits, DivideAndSaturate) {
    EXPECT_EQ(kq::ticks_to_seconds(25000000), 2u);
    EXPECT_EQ(kq::ticks_to_milliseconds(25000), 2u);
    EXPECT_EQ(kq::seconds_to_ticks(-3), -30000000);
    EXPECT_EQ(kq::milliseconds_to_ticks(3), 30000);
    EXPECT_EQ(kq::seconds_to_ticks(std::numeric_limits<int64>::max()),
              std::numeric_limits<int64>::max());
    EXPECT_EQ(kq::milliseconds_to_ticks(std::numeric_limits<int64>::min()),
              std::numeric_limits<int64>::min());
}

// A version-1 GUID of 2024-01-15 10:05:07.1234567 UTC, clock sequence 0x0123 (variant bits
// 10), node 01-02-03-04-05-06.
std::array<uint8, 16> v1_guid() {
    return {0x07, 0x62, 0x50, 0x8f, 0x8d, 0xb3, 0xee, 0x11,
            0x81, 0x23, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
}

TEST(GuidTimestamp, VersionOneConverts) {
    int64 ft = 0;
    uint16 sequence = 0;
    byte_array node;
    ASSERT_TRUE(kq::guid_to_filetime(ft, sequence, node, v1_guid()));
    EXPECT_EQ(ft, jan15_2024_ft);
    EXPECT_EQ(sequence, 0x0123);
    EXPECT_EQ(node, (byte_array{1, 2, 3, 4, 5, 6}));

    auto random = v1_guid();
    random.at(7) = 0x41;  // version 4
    EXPECT_FALSE(kq::guid_to_filetime(ft, sequence, node, random));
    EXPECT_EQ(ft, 0);
    EXPECT_EQ(sequence, 0);
    EXPECT_TRUE(node.empty());

    // The 60-bit timestamp of 1601-01-01 exactly.
    const std::array<uint8, 16> start{0x00, 0xC0, 0x42, 0x3E, 0xF3, 0x6B, 0x14, 0x10};
    ASSERT_TRUE(kq::guid_to_filetime(ft, sequence, node, start));
    EXPECT_EQ(ft, 0);
    auto before = start;
    before.at(0) = 0xFF;
    before.at(1) = 0xBF;
    EXPECT_FALSE(kq::guid_to_filetime(ft, sequence, node, before));
}

TEST(GuidTimestamp, BufferFormFindsTheGuidAndStaysInside) {
    int64 ft = 0;
    uint16 sequence = 0;
    byte_array node;
    const auto guid = v1_guid();
    byte_array braced;
    braced.reserve(1 + guid.size());  // no growth inside insert: GCC 12 -Warray-bounds alarm
    braced.push_back('{');
    braced.insert(braced.end(), guid.begin(), guid.end());
    ASSERT_TRUE(kq::guid_to_filetime(ft, sequence, node, braced, 0));
    EXPECT_EQ(ft, jan15_2024_ft);
    byte_array padded;
    padded.reserve(4 + guid.size());
    padded.assign(4, 0xAA);
    padded.insert(padded.end(), guid.begin(), guid.end());
    ASSERT_TRUE(kq::guid_to_filetime(ft, sequence, node, padded, 4));
    EXPECT_EQ(ft, jan15_2024_ft);
    EXPECT_FALSE(kq::guid_to_filetime(ft, sequence, node, padded, 5));  // 15 bytes left
    EXPECT_FALSE(kq::guid_to_filetime(ft, sequence, node, padded, 0xFFFFFFF0));
    EXPECT_FALSE(kq::guid_to_filetime(ft, sequence, node, byte_array(7, 0x11), 0));
    const byte_array exact(guid.begin(), guid.end());
    ASSERT_TRUE(kq::guid_to_filetime(ft, sequence, node, exact, 0));
    for (std::size_t cut = 0; cut < exact.size(); ++cut) {
        const byte_array shorter(exact.begin(), exact.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(kq::guid_to_filetime(ft, sequence, node, shorter, 0)) << cut;
    }
}

}  // namespace
