#include "text/extras/hex_dump_patterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<uint8> bytes_from(uint8 first, std::size_t count) {
    std::vector<uint8> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8>(first + i);
    }
    return bytes;
}

TEST(BytesToHexPairs, SpacedPlainAndEmpty) {
    const std::array<uint8, 3> bytes = {0x01, 0xab, 0xff};
    std::string out = "old";
    EXPECT_EQ(bytes_to_hex_pairs(out, bytes.data(), bytes.size(), true), "01 ab ff");
    EXPECT_EQ(bytes_to_hex_pairs(out, bytes.data(), bytes.size(), false), "01abff");
    EXPECT_EQ(bytes_to_hex_pairs(out, nullptr, 3, true), "");
    out = "old";
    EXPECT_EQ(bytes_to_hex_pairs(out, bytes.data(), 0, true), "");
}

TEST(AppendHexDump, FullRowShortRowAndFinalBreak) {
    const std::vector<uint8> bytes = bytes_from(0x41, 20);  // "A".."T"
    std::string out = "head\n";
    append_hex_dump(out, bytes.data(), bytes.size(), true);
    EXPECT_EQ(out,
              "head\n"
              "41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50   ABCDEFGHIJKLMNOP\n"
              "51 52 53 54 " +
                  std::string(36, ' ') + "  QRST\n");

    out.clear();
    append_hex_dump(out, bytes.data(), 16, true);
    EXPECT_EQ(out, "41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50   ABCDEFGHIJKLMNOP\n\n");
    out.clear();
    append_hex_dump(out, bytes.data(), 0, true);
    EXPECT_EQ(out, "\n");
    out.clear();
    append_hex_dump(out, nullptr, 40, false);
    EXPECT_EQ(out, "");

    const std::array<uint8, 3> unprintable = {0x1f, 0x7e, 0x7f};
    out.clear();
    append_hex_dump(out, unprintable.data(), unprintable.size(), false);
    EXPECT_EQ(out, "1f 7e 7f " + std::string(39, ' ') + "  .~.");
}

TEST(DumpLines, NumberOrderWidthsAndStreamState) {
    std::ostringstream out;
    EXPECT_EQ(write_dump_line(out, 0x10, 0x200, 8, "lbl", "data"), 4);
    EXPECT_EQ(write_dump_line_based(out, 0x10, 0x200, 8, "lbl", "data"), 4);
    EXPECT_EQ(write_dump_line(out, 0x12345, 0x1234567, 2, "long", ""), 0);
    out << std::setw(4) << 10;  // left hexadecimal, blank fill
    EXPECT_EQ(out.str(),
              "0x010 : 000200 : lbl:    data\n"
              "0x000210 : 010 : lbl:    data\n"
              "0x12345 : 1234567 : long:\n"
              "a   ");

    std::ostringstream row;
    std::array<uint8, 16> sixteen{};
    const std::vector<uint8> high = bytes_from(0xf0, 16);
    std::copy(high.begin(), high.end(), sixteen.begin());
    write_hex_row16(sixteen, row) << std::setw(3) << 5;
    EXPECT_EQ(row.str(), "f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff\n005");
}

struct pattern_case {
    const char* name;
    std::string text;
    bool ok;
    hex_pattern expected;
};

const pattern_case pattern_cases[] = {
    {"WildcardGapAndBytes", "AB ?? *10 CD", true, {0x00AB, 0xFFFF, 0xFFFE, 0x0010, 0x00CD}},
    {"TrailingGapDropped", "AB *10", true, {0x00AB}},
    {"TrailingMixDropped", "ab ?? *5 ??", true, {0x00AB}},
    {"GapWithoutLength", "ab * cd", true, {0x00AB, 0xFFFE, 0x0000, 0x00CD}},
    {"WildcardsOnly", "?? ??", true, {}},
    {"GapBeforeWildcard", "AB *10 ?? CD", false, {0x00AB, 0xFFFE, 0x0010, 0xFFFF, 0x00CD}},
    {"GapBeforeGap", "AB *1 *2 CD", false, {0x00AB, 0xFFFE, 0x0001, 0xFFFE, 0x0002, 0x00CD}},
    {"ThreeDigitByte", "ABC", false, {}},
    {"LongGap", "*100", false, {}},
    {"LaterWordRefusedKeepsEarlier", "01 02 zz 03", false, {0x0001, 0x0002}},
    {"StarAlone", "*", true, {}},
    {"Empty", "", false, {}},
    {"Blanks", " \t\n", false, {}},
};

class ParseHexPattern : public ::testing::TestWithParam<pattern_case> {};

TEST_P(ParseHexPattern, UnitsAndResult) {
    const pattern_case& c = GetParam();
    hex_pattern pattern;
    EXPECT_EQ(parse_hex_pattern(c.text, pattern), c.ok);
    EXPECT_EQ(pattern, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseHexPattern, ::testing::ValuesIn(pattern_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(ParseHexPattern, AppendsToWhatIsThere) {
    hex_pattern pattern = {0x0001};
    EXPECT_TRUE(parse_hex_pattern("02", pattern));
    EXPECT_EQ(pattern, (hex_pattern{0x0001, 0x0002}));
}

TEST(ParseHexBytePattern, BytesWildcardsAndRefusals) {
    byte_array out;
    EXPECT_TRUE(parse_hex_byte_pattern("1 ?? ff", out));
    EXPECT_EQ(out, (byte_array{0x01, 0xff, 0xff, 0xff}));
    EXPECT_TRUE(parse_hex_byte_pattern("", out));
    EXPECT_TRUE(parse_hex_byte_pattern("7z", out));  // leading digits only
    EXPECT_EQ(out, (byte_array{0x01, 0xff, 0xff, 0xff, 0x07}));
    EXPECT_FALSE(parse_hex_byte_pattern("02 100 03", out));
    EXPECT_EQ(out, (byte_array{0x01, 0xff, 0xff, 0xff, 0x07, 0x02}));
}

}  // namespace
