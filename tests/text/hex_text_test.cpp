#include "text/hex_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

TEST(BytesToHexText, SeparatorAndPrefix) {
    const uint8 bytes[] = {0x0A, 0xFF};
    std::string out = "old";
    EXPECT_TRUE(bytes_to_hex_text(out, bytes, 2, ":", true));
    EXPECT_EQ(out, "0x0a:0xff");
    EXPECT_TRUE(bytes_to_hex_text(out, bytes, 2, "", false));
    EXPECT_EQ(out, "0aff");
    EXPECT_FALSE(bytes_to_hex_text(out, nullptr, 2, "", false));
    EXPECT_FALSE(bytes_to_hex_text(out, bytes, 0, "", false));
    EXPECT_EQ(out, "0aff");
    EXPECT_FALSE(byte_array_to_hex_text(out, {}, " ", false));
    EXPECT_EQ(out, "");
    EXPECT_EQ(byte_array_hex_string({0x4d, 0x5a, 0x90}, " "), "4d 5a 90");
    EXPECT_EQ(byte_array_hex_string({}, " "), "");
}

struct byte_list_case {
    const char* name;
    std::string text;
    bool result;
    byte_array expected;
};

void PrintTo(const byte_list_case& c, std::ostream* os) { *os << c.name; }

const byte_list_case byte_list_cases[] = {
    {"BlankSeparated0x", "0x1f 0x20", true, {0x1F, 0x20}},
    {"CommaSeparated", "1f,ff", true, {0x1F, 0xFF}},
    {"ColonSeparated", "de:ad:be:ef", true, {0xDE, 0xAD, 0xBE, 0xEF}},
    {"DashSeparated", "01-02", true, {0x01, 0x02}},
    {"BlankWinsOverComma", "1f,2 3", true, {0x1F, 0x03}},
    {"TwoCharacters", "ff", true, {0xFF}},
    {"ShortWithX", "0x7", true, {0x07}},
    {"LowByteOfLongItem", "0x1234 0x5", true, {0x34, 0x05}},
    {"LongWithXButNoSeparator", "0x1234", false, {0x99}},
    {"EmptyItemsDropped", "1f  20 ", true, {0x1F, 0x20}},
    {"NoSeparatorSixDigits", "1f2030", false, {0x99}},
    {"Empty", "", false, {0x99}},
    {"OnlySeparators", "   ", false, {}},
};

class ParseHexByteList : public ::testing::TestWithParam<byte_list_case> {};

TEST_P(ParseHexByteList, BytesOrFalse) {
    const byte_list_case& c = GetParam();
    byte_array out = {0x99};
    EXPECT_EQ(parse_hex_byte_list(c.text, out), c.result);
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseHexByteList, ::testing::ValuesIn(byte_list_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(HexPairsToBytes, DigitsInPairs) {
    byte_array out;
    EXPECT_TRUE(hex_pairs_to_bytes("1f2030", out));
    EXPECT_EQ(out, (byte_array{0x1F, 0x20, 0x30}));
    EXPECT_TRUE(hex_pairs_to_bytes("abc", out));
    EXPECT_EQ(out, (byte_array{0xAB, 0x0C}));
    EXPECT_FALSE(hex_pairs_to_bytes("", out));
    EXPECT_TRUE(out.empty());
}

TEST(ParseHexBytes, HexAndNumberItems) {
    byte_array buffer = {1};
    EXPECT_EQ(parse_hex_bytes(buffer, "4d 5a 90", ' ', true), (byte_array{0x4D, 0x5A, 0x90}));
    EXPECT_EQ(parse_hex_bytes(buffer, " 0x4d | 1ff |  | zz", '|', true),
              (byte_array{0x4D, 0xFF, 0x00}));
    // Not hex: string_to_int reads "x" hex, "o" octal and signed decimal.
    EXPECT_EQ(parse_hex_bytes(buffer, "77,x41,o17,-1,257", ',', false),
              (byte_array{77, 0x41, 15, 0xFF, 1}));
    EXPECT_TRUE(parse_hex_bytes(buffer, "", ',', true).empty());
}

TEST(ParseHexBytesExact, ExactCountOnly) {
    std::array<uint8, 4> out = {9, 9, 9, 9};
    EXPECT_TRUE(parse_hex_bytes_exact("de:ad:be:ef", out.data(), 4));
    EXPECT_EQ(out, (std::array<uint8, 4>{0xDE, 0xAD, 0xBE, 0xEF}));
    out.fill(9);
    EXPECT_FALSE(parse_hex_bytes_exact("10.20.30", out.data(), 4));
    EXPECT_FALSE(parse_hex_bytes_exact("1-2-3-4-5", out.data(), 4));
    EXPECT_FALSE(parse_hex_bytes_exact(nullptr, out.data(), 4));
    EXPECT_FALSE(parse_hex_bytes_exact("1-2-3-4", nullptr, 4));
    EXPECT_EQ(out, (std::array<uint8, 4>{9, 9, 9, 9}));
    EXPECT_TRUE(parse_hex_bytes_exact("10.20.30.40", out.data(), 4));
    EXPECT_EQ(out, (std::array<uint8, 4>{10, 20, 30, 40}));
}

TEST(NumberTexts, SourceArrayLabelsAndDecimals) {
    std::string out;
    EXPECT_TRUE(byte_array_to_source_array("key", {0x01, 0xAB}, out));
    EXPECT_EQ(out, "const byte key[] = {0x01, 0xab};");
    EXPECT_FALSE(byte_array_to_source_array(nullptr, {0x01}, out));
    EXPECT_FALSE(byte_array_to_source_array("key", {}, out));

    std::ostringstream stream;
    print_labelled_hex(stream, "offset", 0x1000);
    print_labelled_hex(stream, nullptr, 5);
    EXPECT_EQ(stream.str(), "offset: 0x1000/4096");

    EXPECT_TRUE(int_to_text(-2147483647 - 1, out));
    EXPECT_EQ(out, "-2147483648");
    EXPECT_TRUE(uint64_to_decimal_text(18446744073709551615ull, out));
    EXPECT_EQ(out, "18446744073709551615");
}

TEST(ParseUint64InBase, BaseFieldAndRefusals) {
    EXPECT_EQ(parse_uint64_in_base("ff", std::ios::hex), 255u);
    EXPECT_EQ(parse_uint64_in_base(" 17", std::ios::oct), 15u);
    EXPECT_EQ(parse_uint64_in_base("18446744073709551615", std::ios::dec), ~uint64{0});
    EXPECT_EQ(parse_uint64_in_base("18446744073709551616", std::ios::dec), 0u);
    EXPECT_EQ(parse_uint64_in_base("-5", std::ios::dec), 0u);
    EXPECT_EQ(parse_uint64_in_base("zz", std::ios::hex), 0u);
    EXPECT_EQ(parse_uint64_in_base("", std::ios::dec), 0u);
}

}  // namespace
