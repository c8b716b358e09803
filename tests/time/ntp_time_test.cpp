#include "time/ntp_time.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int64 ntp_epoch_ticks = 94354848000000000;  // 1900-01-01
constexpr int64 y2000_ticks = 125911584000000000;     // 2000-01-01
constexpr uint32 y2000_ntp_seconds = 0xBC17C200;

std::array<uint8, 4> memory_of(uint32 word) {
    std::array<uint8, 4> bytes{};
    std::memcpy(bytes.data(), &word, bytes.size());
    return bytes;
}

// A stamp built from host-order words, stored the way the wire holds it.
kq::ntp_time stamp_of(uint32 seconds, uint32 fraction) {
    kq::ntp_time host;
    host.seconds = seconds;
    host.fraction = fraction;
    return kq::ntp_to_host(host);  // the swap is its own inverse
}

TEST(FiletimeToNtp, KeepsTwentyEightFractionBitsInNetworkOrder) {
    kq::ntp_time out;
    ASSERT_TRUE(kq::filetime_to_ntp(ntp_epoch_ticks + 5000000, out));
    EXPECT_EQ(kq::ntp_to_host(out).seconds, 0U);
    EXPECT_EQ(kq::ntp_to_host(out).fraction, 0x80000000U);
    EXPECT_EQ(memory_of(out.fraction), (std::array<uint8, 4>{0x80, 0, 0, 0}));
    ASSERT_TRUE(kq::filetime_to_ntp(ntp_epoch_ticks + 10000, out));
    EXPECT_EQ(kq::ntp_to_host(out).fraction, 0x00418930U);
    const kq::ntp_time y2000 = kq::filetime_to_ntp(y2000_ticks);
    EXPECT_EQ(memory_of(y2000.seconds), (std::array<uint8, 4>{0xBC, 0x17, 0xC2, 0x00}));
    // 2^32 seconds after 1900 the field wraps into the next era, as on the wire.
    ASSERT_TRUE(kq::filetime_to_ntp(ntp_epoch_ticks + 42949672960000000, out));
    EXPECT_EQ(kq::ntp_to_host(out).seconds, 0U);
}

TEST(FiletimeToNtp, RefusesMomentsBefore1900AndNullPairs) {
    kq::ntp_time out = stamp_of(1, 1);
    EXPECT_FALSE(kq::filetime_to_ntp(ntp_epoch_ticks - 1, out));
    EXPECT_EQ(out.seconds, 0U);
    EXPECT_EQ(out.fraction, 0U);
    EXPECT_FALSE(kq::filetime_to_ntp(-1, out));
    EXPECT_FALSE(kq::filetime_to_ntp(static_cast<const kq::filetime_pair*>(nullptr), out));
    const kq::filetime_pair pair(static_cast<uint32>(y2000_ticks & 0xFFFFFFFF),
                                 static_cast<uint32>(y2000_ticks >> 32));
    EXPECT_EQ(kq::ntp_to_host(kq::filetime_to_ntp(&pair)).seconds, y2000_ntp_seconds);
    EXPECT_EQ(kq::filetime_to_ntp(int64{5}).seconds, 0U);  // value form: zero on failure
}

TEST(NtpToFiletime, KeepsTheFractionBelowOneTick) {
    int64 filetime = 0;
    int64 seconds_filetime = 0;
    double fraction_ticks = 0.0;
    const kq::ntp_time stamp = stamp_of(y2000_ntp_seconds, 0x80000001);
    EXPECT_TRUE(kq::ntp_to_filetime(stamp, filetime, seconds_filetime, fraction_ticks));
    EXPECT_EQ(seconds_filetime, y2000_ticks);
    EXPECT_EQ(filetime, y2000_ticks + 5000000);
    EXPECT_GT(fraction_ticks, 5000000.0);
    EXPECT_LT(fraction_ticks, 5000000.01);
    kq::systemtime_ex ex;
    ASSERT_TRUE(kq::ntp_to_systemtime_ex(stamp, ex));
    EXPECT_EQ(ex.year, 2000);
    EXPECT_EQ(ex.millisecond, 500);
    EXPECT_EQ(ex.nanoseconds, 500000000);
    EXPECT_TRUE(kq::ntp_value_to_filetime(stamp, filetime));
    EXPECT_EQ(filetime, y2000_ticks + 5000000);
    EXPECT_FALSE(kq::ntp_value_to_filetime(kq::ntp_time(), filetime));
    EXPECT_EQ(filetime, 0);
}

TEST(SystemtimeToNtp, ConvertsUtcFieldsAndGivesZeroBefore1900) {
    kq::_windows_systemtime st(0, 0, 0, 1, 0, 100);
    st.millisecond = 500;
    kq::ntp_time out;
    ASSERT_TRUE(kq::try_systemtime_to_ntp(st, out));
    EXPECT_EQ(kq::ntp_to_host(out).seconds, y2000_ntp_seconds);
    EXPECT_EQ(kq::ntp_to_host(out).fraction, 0x80000000U);
    const kq::_windows_systemtime old(59, 59, 23, 31, 11, -1);  // 1899-12-31 23:59:59
    EXPECT_FALSE(kq::try_systemtime_to_ntp(old, out));
    const kq::ntp_time zero = kq::systemtime_to_ntp(old);
    EXPECT_EQ(zero.seconds, 0U);
    out = stamp_of(3, 3);
    kq::systemtime_to_ntp(old, out);
    EXPECT_EQ(out.seconds, 0U);
    EXPECT_EQ(out.fraction, 0U);
}

TEST(NtpArithmetic, ComparesSubtractsAndMeasures) {
    const kq::ntp_time a = stamp_of(10, 0x80000000);
    const kq::ntp_time b = stamp_of(12, 0);
    EXPECT_DOUBLE_EQ(kq::ntp_seconds_between(a, b), 1.5);
    EXPECT_DOUBLE_EQ(kq::ntp_seconds_between(b, a), 1.5);
    EXPECT_TRUE(kq::ntp_less(a, b));
    EXPECT_FALSE(kq::ntp_less(b, a));
    EXPECT_TRUE(kq::ntp_less(stamp_of(10, 1), stamp_of(10, 2)));
    EXPECT_FALSE(kq::ntp_less(a, a));
    kq::ntp_time c = stamp_of(10, 0x80000000);
    EXPECT_EQ(kq::ntp_to_host(kq::ntp_subtract_seconds(c, 4)).seconds, 6U);
    EXPECT_EQ(kq::ntp_to_host(kq::ntp_subtract_seconds(c, 7)).seconds, 0U);
    EXPECT_EQ(kq::ntp_to_host(c).fraction, 0x80000000U);
}

TEST(NtpArithmetic, DividesWithCarryAndRefusesZero) {
    const kq::ntp_time half = kq::ntp_to_host(kq::ntp_divide(stamp_of(3, 0), 2));
    EXPECT_EQ(half.seconds, 1U);
    EXPECT_EQ(half.fraction, 0x80000000U);
    const kq::ntp_time big = kq::ntp_to_host(kq::ntp_divide(stamp_of(0xFFFFFFFF, 0xFFFFFFFF), 3));
    EXPECT_EQ(big.seconds, 0x55555555U);
    EXPECT_EQ(big.fraction, 0x55555555U);
    const kq::ntp_time by_zero = kq::ntp_divide(stamp_of(3, 7), 0);
    EXPECT_EQ(by_zero.seconds, 0U);
    EXPECT_EQ(by_zero.fraction, 0U);
    kq::signed_ntp_time span(stamp_of(3, 0));
    span.negative = true;
    const kq::signed_ntp_time divided = kq::signed_ntp_divide(span, 2);
    EXPECT_TRUE(divided.negative);
    EXPECT_EQ(kq::signed_ntp_to_host(divided).value.seconds, 1U);
    EXPECT_TRUE(kq::signed_ntp_to_host(divided).negative);
    const kq::signed_ntp_time none = kq::signed_ntp_divide(span, 0);
    EXPECT_FALSE(none.negative);
    EXPECT_EQ(none.value.seconds, 0U);
}

TEST(NtpArithmetic, OrdersSignedSpans) {
    kq::signed_ntp_time minus_two(stamp_of(2, 0));
    minus_two.negative = true;
    kq::signed_ntp_time minus_one(stamp_of(1, 0));
    minus_one.negative = true;
    const kq::signed_ntp_time plus_one(stamp_of(1, 0));
    const kq::signed_ntp_time plus_two(stamp_of(2, 0));
    EXPECT_TRUE(kq::signed_ntp_less(minus_two, minus_one));
    EXPECT_FALSE(kq::signed_ntp_less(minus_one, minus_two));
    EXPECT_TRUE(kq::signed_ntp_less(minus_one, plus_one));
    EXPECT_FALSE(kq::signed_ntp_less(plus_one, minus_two));
    EXPECT_TRUE(kq::signed_ntp_less(plus_one, plus_two));
    EXPECT_FALSE(kq::signed_ntp_less(plus_two, plus_one));
}

TEST(NtpFillBytes, ReadsAndSplitsTheLowBytesOfTheFraction) {
    const kq::ntp_time s = stamp_of(0, 0x11223344);
    EXPECT_EQ(kq::ntp_fill_value(s, 2, false), 0x33440000U);
    EXPECT_EQ(kq::ntp_fill_value(s, 2, true), 0x00004433U);
    EXPECT_EQ(kq::ntp_fill_value(s, 0, false), 0x11223344U);
    uint32 top = 0;
    uint32 fill = 7;
    kq::ntp_split_fraction(s, top, fill, 1);
    EXPECT_EQ(top, 0x11U);
    EXPECT_EQ(memory_of(fill), (std::array<uint8, 4>{0x22, 0x33, 0x44, 0}));
    kq::ntp_split_fraction(s, top, fill, 2);
    EXPECT_EQ(top, 0x11220000U);
    EXPECT_EQ(memory_of(fill), (std::array<uint8, 4>{0x33, 0x44, 0, 0}));
    kq::ntp_split_fraction(s, top, fill, 3);
    EXPECT_EQ(top, 0x11223300U);
    EXPECT_EQ(memory_of(fill), (std::array<uint8, 4>{0x44, 0, 0, 0}));
    kq::ntp_split_fraction(s, top, fill, 9);
    EXPECT_EQ(top, s.fraction);
    EXPECT_EQ(fill, 0U);
    byte_array out;
    kq::ntp_append_fill_bytes(s, out, 2);
    EXPECT_EQ(out, (byte_array{0x33, 0x44}));
    kq::ntp_append_fill_bytes(s, out, 4);
    EXPECT_EQ(out, (byte_array{0x33, 0x44, 0x11, 0x22, 0x33, 0x44}));
    out.clear();
    kq::append_low_bytes({1, 2, 3, 4}, out, 1);
    EXPECT_EQ(out, (byte_array{4}));
}

TEST(NtpFillBytes, WritesTheLowBytesOfTheFraction) {
    kq::ntp_time s = stamp_of(0, 0x11223344);
    const byte_array two = {0xAA, 0xBB};
    kq::ntp_copy_fill_bytes(s, two, 2);
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x1122AABBU);
    kq::ntp_copy_fill_bytes(s, two, 3);  // too few source bytes: nothing changes
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x1122AABBU);
    std::array<uint8, 4> word = {1, 2, 3, 4};
    kq::copy_low_bytes(word, two, 0);  // n outside 1 to 4 counts as 1
    EXPECT_EQ(word, (std::array<uint8, 4>{1, 2, 3, 0xAA}));

    uint32 x = 0;
    const std::array<uint8, 4> x_memory = {0xA1, 0xB2, 0xC3, 0xD4};
    std::memcpy(&x, x_memory.data(), x_memory.size());
    s = stamp_of(0, 0x11223344);
    kq::ntp_set_fill_bytes(s, x, 1, false);
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x112233A1U);
    kq::ntp_set_fill_bytes(s, 0x01020304, 4, true);
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x01020304U);

    s = stamp_of(0, 0x11223344);
    kq::ntp_set(s, 100, x, 2, true);
    EXPECT_EQ(kq::ntp_to_host(s).seconds, 100U);
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x1122A1B2U);
    kq::ntp_set(s, 5, x, 0, true);  // significant outside 1 to 4: all four kept
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x1122A1B2U);
}

TEST(NtpFillBytes, SetsFractionsFromDecimalUnits) {
    kq::ntp_time s;
    kq::ntp_set_fraction_ms(s, 500, 0);
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x80000000U);
    kq::ntp_set_fraction_us(s, 250000, 0);
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x40000000U);
    uint32 fill = 0;
    const std::array<uint8, 4> fill_memory = {0xEE, 0, 0, 0};
    std::memcpy(&fill, fill_memory.data(), fill_memory.size());
    kq::ntp_set_fraction_ns(s, 125000000, fill);
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x200000EEU);
    // Whole seconds in the value are dropped, not multiplied past 32 bits.
    kq::ntp_set_fraction_ms(s, 1500, 0);
    EXPECT_EQ(kq::ntp_to_host(s).fraction, 0x80000000U);
    kq::ntp_time sum = stamp_of(0, 0xFFFFFFFF);
    kq::ntp_add_fraction(sum, 2, true);
    EXPECT_EQ(kq::ntp_to_host(sum).fraction, 1U);
    kq::ntp_add_fraction(sum, stamp_of(0, 0x10).fraction, false);  // x in network order
    EXPECT_EQ(kq::ntp_to_host(sum).fraction, 0x11U);
}

}  // namespace
