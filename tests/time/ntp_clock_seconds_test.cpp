#include "time/ntp_clock_seconds.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

constexpr int64 seconds_1900_to_1970 = 2208988800;

TEST(NtpNowFromTime, CountsWholeSecondsSince1900) {
    const std::time_t before = std::time(nullptr);
    const kq::ntp_time stamp = kq::ntp_now_from_time();
    const std::time_t after = std::time(nullptr);
    const kq::ntp_time host = kq::ntp_to_host(stamp);
    EXPECT_EQ(host.fraction, 0u);
    EXPECT_GE(static_cast<int64>(host.seconds), before + seconds_1900_to_1970);
    EXPECT_LE(static_cast<int64>(host.seconds), after + seconds_1900_to_1970);
}

}  // namespace
