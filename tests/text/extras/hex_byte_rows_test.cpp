#include "text/extras/hex_byte_rows.h"

#include <gtest/gtest.h>

#include <array>
#include <iomanip>
#include <sstream>

namespace {

TEST(WriteHexBytes16, WritesSixteenPairsAndLeavesStreamInHex) {
    std::array<uint8, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8>(i);
    }
    std::ostringstream out;
    write_hex_bytes16(bytes, out) << ' ' << 255;
    EXPECT_EQ(out.str(), "00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f ff");
    out.str("");
    out << std::setw(4) << 10;
    EXPECT_EQ(out.str(), "000a");
}

TEST(WriteBytesHex, BlankSeparatedPairs) {
    std::ostringstream out;
    write_bytes_hex({0x00, 0xab, 0x7f}, out);
    EXPECT_EQ(out.str(), "00 ab 7f");
    out.str("");
    write_bytes_hex({}, out);
    EXPECT_EQ(out.str(), "");
}

}  // namespace
