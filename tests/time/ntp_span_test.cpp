#include "time/ntp_span.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "time/ntp_time.h"

namespace {

constexpr uint32 quarter = 0x40000000;  // 0.25 s
constexpr uint32 half = 0x80000000;
constexpr uint32 three_quarters = 0xC0000000;

// A span from host-order words, stored big-endian as the library keeps them.
kq::signed_ntp_time span(uint32 seconds, uint32 fraction, bool negative) {
    kq::ntp_time host;
    host.seconds = seconds;
    host.fraction = fraction;
    kq::signed_ntp_time out(kq::ntp_to_host(host));
    out.negative = negative;
    return out;
}

struct span_case {
    const char* name;
    bool add;  // else subtract
    kq::signed_ntp_time a;
    kq::signed_ntp_time b;
    kq::signed_ntp_time expected;
};

const span_case span_cases[] = {
    {"sub_5_7", false, span(5, 0, false), span(7, 0, false), span(2, 0, true)},
    {"sub_neg5_neg7", false, span(5, 0, true), span(7, 0, true), span(2, 0, false)},
    {"sub_neg7_neg5", false, span(7, 0, true), span(5, 0, true), span(2, 0, true)},
    {"sub_neg5_7", false, span(5, 0, true), span(7, 0, false), span(12, 0, true)},
    {"sub_5_neg7", false, span(5, 0, false), span(7, 0, true), span(12, 0, false)},
    {"sub_5_25_5_5_borrow", false, span(5, quarter, false), span(5, half, false),
     span(0, quarter, true)},
    {"sub_6_25_5_5_borrow", false, span(6, quarter, false), span(5, half, false),
     span(0, three_quarters, false)},
    {"sub_equal_is_nonnegative", false, span(5, 0, false), span(5, 0, false), span(0, 0, false)},
    {"sub_equal_negatives", false, span(5, 0, true), span(5, 0, true), span(0, 0, false)},
    {"add_neg5_7", true, span(5, 0, true), span(7, 0, false), span(2, 0, false)},
    {"add_7_neg5", true, span(7, 0, false), span(5, 0, true), span(2, 0, false)},
    {"add_5_neg7", true, span(5, 0, false), span(7, 0, true), span(2, 0, true)},
    {"add_neg5_neg7", true, span(5, 0, true), span(7, 0, true), span(12, 0, true)},
    {"add_carry", true, span(0, three_quarters, false), span(0, half, false),
     span(1, quarter, false)},
    {"add_seconds_wrap", true, span(0xFFFFFFFF, half, false), span(0, half, false),
     span(0, 0, false)},
};

class SignedNtpSpan : public ::testing::TestWithParam<span_case> {};

TEST_P(SignedNtpSpan, ComputesMagnitudeAndSign) {
    const span_case& c = GetParam();
    const kq::signed_ntp_time got =
        c.add ? kq::signed_ntp_add(c.a, c.b) : kq::signed_ntp_subtract(c.a, c.b);
    EXPECT_EQ(got.value.seconds, c.expected.value.seconds);
    EXPECT_EQ(got.value.fraction, c.expected.value.fraction);
    EXPECT_EQ(got.negative, c.expected.negative);
}

INSTANTIATE_TEST_SUITE_P(Cases, SignedNtpSpan, ::testing::ValuesIn(span_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SignedNtpSpanBytes, ResultIsStoredBigEndian) {
    const kq::signed_ntp_time sum =
        kq::signed_ntp_add(span(0x01020304, three_quarters, false), span(0, half, false));
    std::array<uint8, 4> seconds{};
    std::array<uint8, 4> fraction{};
    std::memcpy(seconds.data(), &sum.value.seconds, 4);
    std::memcpy(fraction.data(), &sum.value.fraction, 4);
    EXPECT_EQ(seconds, (std::array<uint8, 4>{0x01, 0x02, 0x03, 0x05}));
    EXPECT_EQ(fraction, (std::array<uint8, 4>{0x40, 0x00, 0x00, 0x00}));
    EXPECT_EQ(kq::ntp_seconds_host(sum.value), 0x01020305u);
    EXPECT_EQ(kq::ntp_fraction_host(sum.value), quarter);
}

TEST(SignedNtpSpanBytes, SwapsReverseTheBytes) {
    EXPECT_EQ(kq::swap16(0x1234), 0x3412);
    EXPECT_EQ(kq::swap32(0x12345678u), 0x78563412u);
}

// 2000-01-01 00:00:00 UTC: FILETIME 125911584000000000, NTP second 0xBC17C200.
constexpr int64 y2000_filetime = 125911584000000000;
constexpr uint32 y2000_ntp = 0xBC17C200;

TEST(SignedNtpFiletime, AddsAndSubtractsTheStampOfAFiletime) {
    const kq::signed_ntp_time later =
        kq::filetime_plus_signed_ntp(span(5, 0, false), y2000_filetime);
    EXPECT_EQ(kq::ntp_seconds_host(later.value), y2000_ntp + 5);
    EXPECT_FALSE(later.negative);
    const kq::signed_ntp_time earlier =
        kq::filetime_plus_signed_ntp(span(5, 0, true), y2000_filetime);
    EXPECT_EQ(kq::ntp_seconds_host(earlier.value), y2000_ntp - 5);
    const kq::signed_ntp_time back =
        kq::signed_ntp_minus_filetime(span(y2000_ntp + 3, 0, false), y2000_filetime);
    EXPECT_EQ(kq::ntp_seconds_host(back.value), 3u);
    EXPECT_FALSE(back.negative);
}

TEST(SignedNtpFiletime, AFiletimeWithoutStampGivesTheZeroSpan) {
    for (const int64 filetime : {int64{-1}, int64{1}, INT64_MIN}) {
        for (const kq::signed_ntp_time& got :
             {kq::filetime_plus_signed_ntp(span(5, 7, true), filetime),
              kq::signed_ntp_minus_filetime(span(5, 7, true), filetime)}) {
            EXPECT_EQ(got.value.seconds, 0u) << filetime;
            EXPECT_EQ(got.value.fraction, 0u) << filetime;
            EXPECT_FALSE(got.negative) << filetime;
        }
    }
}

TEST(SignedNtpSystemtime, AddsAndSubtractsTheStampOfASystemtime) {
    kq::_windows_systemtime s{};
    s.year = 2000;
    s.month = 1;
    s.day = 1;
    s.second = 10;
    const kq::signed_ntp_time sum = kq::systemtime_plus_signed_ntp(span(2, half, true), s);
    EXPECT_EQ(kq::ntp_seconds_host(sum.value), y2000_ntp + 7);
    EXPECT_EQ(kq::ntp_fraction_host(sum.value), half);
    EXPECT_FALSE(sum.negative);
    const kq::signed_ntp_time difference =
        kq::signed_ntp_minus_systemtime(span(y2000_ntp, 0, false), s);
    EXPECT_EQ(kq::ntp_seconds_host(difference.value), 10u);
    EXPECT_TRUE(difference.negative);
}

TEST(NtpJitter, FractionMovesBy257To4095ModuloTwoTo32) {
    for (int i = 0; i < 500; ++i) {
        kq::ntp_time stamp = span(9, 0xFFFFFF00, false).value;
        kq::ntp_jitter_fraction(stamp);
        const uint32 step = kq::ntp_fraction_host(stamp) - 0xFFFFFF00u;
        EXPECT_GE(step, 257u);
        EXPECT_LE(step, 4095u);
        EXPECT_EQ(kq::ntp_seconds_host(stamp), 9u);  // the wrap does not carry
    }
}

TEST(NtpJitter, SecondsMoveForwardBelow128AndBackFrom128ModuloTwoTo32) {
    for (const uint32 start : {1000u, 0u}) {
        for (int i = 0; i < 500; ++i) {
            kq::ntp_time stamp = span(start, 0, false).value;
            kq::ntp_jitter_seconds(stamp);
            const uint32 forward = kq::ntp_seconds_host(stamp) - start;  // modulo 2^32
            const uint32 back = start - kq::ntp_seconds_host(stamp);
            EXPECT_TRUE((forward >= 2 && forward <= 127) || (back >= 128 && back <= 255))
                << start << " became " << kq::ntp_seconds_host(stamp);
        }
    }
}

}  // namespace
