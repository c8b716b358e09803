#include "time/ntp_clock.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include "time/kq_time.h"

namespace {

constexpr int64 seconds_1900_to_1970 = 2208988800;

int64 clock_filetime() {
    timeval clock{};
    (void)gettimeofday(&clock, nullptr);
    return static_cast<int64>(clock.tv_sec) * 10000000 + static_cast<int64>(clock.tv_usec) * 10 +
           116444736000000000;
}

TEST(Clock, NowLiesBetweenTwoClockReadings) {
    const int64 before = clock_filetime();
    const kq::time now = kq::time::now();
    const int64 after = clock_filetime();
    ASSERT_TRUE(now.is_valid);
    EXPECT_LE(before, now.filetime);
    EXPECT_LE(now.filetime, after);
}

TEST(Clock, NtpNowCountsWholeSecondsSince1900) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        timeval before{};
        (void)gettimeofday(&before, nullptr);
        uint64 packed = 0;
        const kq::ntp_time stamp = kq::get_ntp_now(packed);
        const kq::ntp_time again = kq::ntp_now();
        timeval after{};
        (void)gettimeofday(&after, nullptr);
        if (before.tv_sec != after.tv_sec) {
            continue;  // a second boundary fell between the readings: try again
        }
        const kq::ntp_time host = kq::ntp_to_host(stamp);
        EXPECT_EQ(host.fraction, 0u);
        EXPECT_EQ(static_cast<int64>(host.seconds), before.tv_sec + seconds_1900_to_1970);
        EXPECT_EQ(packed, static_cast<uint64>(host.seconds) << 32);
        EXPECT_EQ(kq::ntp_seconds_between(stamp, again), 0.0);
        return;
    }
    GTEST_SKIP() << "the clock crossed a second boundary on every attempt";
}

}  // namespace
