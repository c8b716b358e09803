#include "time/ntp_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

kq::ntp_time stamp(uint32 seconds, uint32 fraction) {
    kq::ntp_time host;
    host.seconds = seconds;
    host.fraction = fraction;
    return kq::ntp_to_host(host);
}

TEST(PrintNtpTime, WritesWordsAndTheMomentWithNineDigits) {
    std::ostringstream out;
    out << std::dec << std::left;
    kq::print_ntp_time(out, stamp(0xBC17C200, 0x80000000));
    EXPECT_EQ(out.str(), "bc17c200.80000000 : [2000-01-01 00:00:00.500000000 UTC]");
    out << 255;
    EXPECT_EQ(out.str().substr(out.str().size() - 2), "ff");  // left in hexadecimal
}

TEST(PrintNtpTime, StampsBefore1970ShowOnlyTheWords) {
    std::ostringstream out;
    out << stamp(3, 0x10);
    EXPECT_EQ(out.str(), "00000003.00000010");
}

TEST(PrintNtpShort, PartsAndSeconds) {
    kq::ntp_short value;
    value.seconds = 3;
    value.fraction = 32768;
    std::ostringstream parts;
    parts << std::hex;
    kq::print_ntp_short_parts(parts, value);
    EXPECT_EQ(parts.str(), "3 : 32768");
    std::ostringstream seconds;
    kq::print_ntp_short_seconds(seconds, value);
    EXPECT_EQ(seconds.str(), "3.5 secs");
    std::ostringstream streamed;
    streamed << value;
    EXPECT_EQ(streamed.str(), "3.5 secs");
}

}  // namespace
