#include "text/extras/number_id_text.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct number_case {
    const char* name;
    std::string text;
    bool hex;
    int width;
    std::string expected;
};

const number_case number_cases[] = {
    {"HexFF", "255", true, 0, "0x00ff"},
    {"HexFE", "254", true, 0, "0xfe"},
    {"HexPast32Bits", "4294967296", true, 0, "0x100000000"},
    {"HexWidth", "0x1F", true, 5, "0x0001f"},
    {"HexNarrowerThanValue", "65536", true, 2, "0x10000"},
    {"DecimalOfHex", "0x1F", false, 0, "31"},
    {"DecimalIgnoresWidth", "7", false, 6, "7"},
    {"DecimalMax", "18446744073709551615", false, 0, "18446744073709551615"},
    {"NotANumber", "abc", true, 0, "NaN"},
    {"NoDigitAfterX", "x5", true, 0, "NaN"},
    {"Zero", "0", true, 0, "0x00"},
    {"HexZero", "0x0", false, 0, "0"},
    {"Empty", "", false, 0, "NaN"},
    {"Negative", "-1", false, 0, "NaN"},
};

class FormatNumberText : public ::testing::TestWithParam<number_case> {};

TEST_P(FormatNumberText, RewritesTheNumber) {
    const number_case& c = GetParam();
    EXPECT_EQ(format_number_text(c.text, c.hex, c.width), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatNumberText, ::testing::ValuesIn(number_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(SetNumberBase, SettingsStayOnTheStream) {
    std::ostringstream out;
    EXPECT_EQ(set_number_base(out, true, 4), "0x");
    out << 255 << ' ';
    out.width(3);
    out << 10 << ' ';
    EXPECT_EQ(set_number_base(out, false, 0), "");
    out.width(4);
    out << 42;
    EXPECT_EQ(out.str(), "00ff 00a   42");
}

struct ipv6_case {
    const char* name;
    std::vector<uint8> bytes;
    std::string expected;
};

std::vector<uint8> units(std::initializer_list<uint16> values) {
    std::vector<uint8> bytes;
    for (uint16 v : values) {
        bytes.push_back(static_cast<uint8>(v >> 8));
        bytes.push_back(static_cast<uint8>(v));
    }
    return bytes;
}

const ipv6_case ipv6_cases[] = {
    {"Documentation", units({0x2001, 0x0db8, 0, 0, 0, 0, 0, 1}), "2001:db8::1"},
    {"AllZero", units({0, 0, 0, 0, 0, 0, 0, 0}), "::"},
    {"Loopback", units({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
    {"LinkLocal", units({0xfe80, 0, 0, 0, 0, 0, 0, 0}), "fe80::"},
    {"OnlyFirstRunShortened", units({1, 0, 1, 0, 0, 1, 1, 1}), "1::1:0:0:1:1:1"},
    {"NoZero", units({1, 2, 3, 4, 5, 6, 7, 0xffff}), "1:2:3:4:5:6:7:ffff"},
    {"OddCountDropsHalfUnit",
     [] {
         std::vector<uint8> b = units({1, 2, 3, 4, 5, 6, 7, 8});
         b.pop_back();
         return b;
     }(),
     "1:2:3:4:5:6:7"},
};

class Ipv6ToText : public ::testing::TestWithParam<ipv6_case> {};

TEST_P(Ipv6ToText, FormatsUnitsHighByteFirst) {
    const ipv6_case& c = GetParam();
    std::string out = "old";
    ASSERT_TRUE(ipv6_to_text(c.bytes.data(), static_cast<uint32>(c.bytes.size()), out));
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Ipv6ToText, ::testing::ValuesIn(ipv6_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(Ipv6ToText, NullOrEmptyLeavesOutput) {
    std::string out = "old";
    const uint8 byte = 1;
    EXPECT_FALSE(ipv6_to_text(nullptr, 16, out));
    EXPECT_FALSE(ipv6_to_text(&byte, 0, out));
    EXPECT_EQ(out, "old");
    EXPECT_TRUE(ipv6_to_text(&byte, 1, out));  // no whole unit: an empty address
    EXPECT_EQ(out, "");
}

guid16 sample_guid() {
    guid16 id;
    id.bytes = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
    return id;
}

TEST(GuidToTextStyled, FourLayouts) {
    const guid16 id = sample_guid();
    std::string out = "old";
    EXPECT_TRUE(guid_to_text_styled(out, id, 1));
    EXPECT_EQ(out, "0x00112233, 0x4455, 0x6677, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff");
    EXPECT_TRUE(guid_to_text_styled(out, id, 2));
    EXPECT_EQ(out, "33 22 11 00 55 44 77 66 88 99 aa bb cc dd ee ff");
    EXPECT_TRUE(guid_to_text_styled(out, id, 3));
    EXPECT_EQ(out,
              "0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xaa, 0xbb, 0xcc, "
              "0xdd, 0xee, 0xff");
    EXPECT_TRUE(guid_to_text_styled(out, id, 0));
    EXPECT_EQ(out, "00112233-4455-6677-8899-aabbccddeeff");
    EXPECT_TRUE(guid_to_text_styled(out, id, 9));
    EXPECT_EQ(out, "00112233-4455-6677-8899-aabbccddeeff");
}

struct id_case {
    const char* name;
    std::string text;
    bool changes;
    std::array<uint8, 16> expected;
};

constexpr std::array<uint8, 16> ascending = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                             0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
constexpr std::array<uint8, 16> unchanged = {0xa5, 0xa5, 0xa5, 0xa5, 0xa5, 0xa5, 0xa5, 0xa5,
                                             0xa5, 0xa5, 0xa5, 0xa5, 0xa5, 0xa5, 0xa5, 0xa5};

const id_case id_cases[] = {
    {"GuidText", "00112233-4455-6677-8899-aabbccddeeff", true, sample_guid().bytes},
    {"HexPairsInTextOrder", "00112233445566778899aabbccddeeff", true, ascending},
    {"SpacedBytes", "00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff", true, ascending},
    {"PairWithoutDigit",
     "zz112233445566778899aabbccddeeff",
     true,
     {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee,
      0xff}},
    {"SpacedFifteenBytes", "00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee   ", false, unchanged},
    {"FortySevenWithoutBlank", std::string(47, 'a'), false, unchanged},
    {"BadGuidText", "0011-22", false, unchanged},
    {"OtherLength", "0011223344", false, unchanged},
};

class TextToId16 : public ::testing::TestWithParam<id_case> {};

TEST_P(TextToId16, ReadsThreeLayouts) {
    const id_case& c = GetParam();
    const std::array<uint8, 16>& want = c.changes ? c.expected : unchanged;
    std::array<uint8, 16> dest = unchanged;
    text_to_id16(dest, c.text);
    EXPECT_EQ(dest, want);
    guid16 id;
    id.bytes = unchanged;
    text_to_id16(id, c.text);
    EXPECT_EQ(id.bytes, want);
    dest = unchanged;
    text_to_id16(dest, c.text.c_str());
    EXPECT_EQ(dest, want);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextToId16, ::testing::ValuesIn(id_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(TextToId16, NullTextAndBytesToId16) {
    std::array<uint8, 16> dest = unchanged;
    text_to_id16(dest, static_cast<const char*>(nullptr));
    EXPECT_EQ(dest, unchanged);

    const byte_array fifteen(ascending.begin(), ascending.end() - 1);
    bytes_to_id16(dest, fifteen);
    EXPECT_EQ(dest, unchanged);
    byte_array seventeen(ascending.begin(), ascending.end());
    seventeen.push_back(0x42);
    bytes_to_id16(dest, seventeen);
    EXPECT_EQ(dest, ascending);
    guid16 id;
    bytes_to_id16(id, seventeen);
    EXPECT_EQ(id.bytes, ascending);
}

struct float_case {
    const char* name;
    std::string text;
    bool ok;
    double expected;
};

const float_case float_cases[] = {
    {"WithExponent", "0x1.8p3", true, 12.0},
    {"Negative", "-0x1.8", true, -1.5},
    {"FractionOnly", "0x.8", true, 0.5},
    {"UpperCase", "0X1P1", true, 2.0},
    {"NegativeExponent", "0x10p-4", true, 1.0},
    {"EmptyExponent", "0x3p", true, 3.0},
    {"NonNumericExponent", "0x3pz", true, 3.0},
    {"HugeExponent", "0x1p999999999999999999", true, std::numeric_limits<double>::infinity()},
    {"HugeNegativeExponent", "0x1p-999999999999999999", true, 0.0},
    {"ManyDigits", "0x" + std::string(300, 'f'), true, std::ldexp(1.0, 1200)},
    {"TooShort", "0x", false, 0},
    {"NotHexDigit", "0x1g", false, 0},
    {"NoPrefix", "1.5", false, 0},
    {"TwoPoints", "0x1.2.3", false, 0},
    {"PrefixAfterSign", "+0x1", false, 0},
};

class ParseHexFloat : public ::testing::TestWithParam<float_case> {};

TEST_P(ParseHexFloat, ReadsHexFloatingPoint) {
    const float_case& c = GetParam();
    double value = 99;
    EXPECT_EQ(parse_hex_float(c.text, value), c.ok);
    if (std::isinf(c.expected)) {
        EXPECT_TRUE(std::isinf(value));
    } else {
        EXPECT_DOUBLE_EQ(value, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseHexFloat, ::testing::ValuesIn(float_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(SmallConversions, FixedTwoBigEndianAndWideInt) {
    EXPECT_EQ(double_to_text_fixed2(3.14159), "3.14");
    EXPECT_EQ(double_to_text_fixed2(2), "2.00");
    EXPECT_EQ(double_to_text_fixed2(-0.005), "-0.01");
    EXPECT_EQ(double_to_text_fixed2(1e300).size(), 304U);

    EXPECT_EQ(to_big_endian16(0x1234), 0x3412);
    EXPECT_EQ(to_big_endian32(0x12345678U), 0x78563412U);
    EXPECT_EQ(to_big_endian64(0x0102030405060708ULL), 0x0807060504030201ULL);
    EXPECT_EQ(big_endian_converters.to16(0x00ff), 0xff00);
    EXPECT_EQ(big_endian_converters.to32(1), 0x01000000U);
    EXPECT_EQ(big_endian_converters.to64(1), 0x0100000000000000ULL);

    int value = 0;
    EXPECT_TRUE(wstring_to_int(L"-42", &value));
    EXPECT_EQ(value, -42);
    EXPECT_FALSE(wstring_to_int(L"zz", &value));
}

}  // namespace
