#include "text/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

namespace {

template <typename Value>
struct parse_case {
    const char* name;
    const char* text;
    bool ok;
    Value value;
};

// One table per parser or formatter, each case named in the test output.
#define NAMED_CASES(suite, cases)                                                                  \
    INSTANTIATE_TEST_SUITE_P(Cases, suite, ::testing::ValuesIn(cases), [](const auto& test_case) { \
        return std::string(test_case.param.name);                                                  \
    })

using uint32_case = parse_case<uint32>;

const uint32_case uint32_cases[] = {
    {"hex_0x", "0x1F", true, 31},
    {"hex_upper_x_prefix", "X1f", true, 31},
    {"octal", "o17", true, 15},
    {"quoted_char", "'A'", true, 65},
    {"decimal", "42", true, 42},
    {"plus", "+7", true, 7},
    // A negative text names no unsigned value: never 2^32 - 1 for "-1".
    {"minus_one_refused", "-1", false, 0},
    {"minus_five_refused", "-5", false, 0},
    {"minus_hex_refused", "0x-5", false, 0},
    {"minus_octal_refused", "o-7", false, 0},
    {"minus_zero_refused", "-0", false, 0},
    {"above_32_bits_clamps", "5000000000", true, 0xFFFFFFFFu},
    {"hex_above_32_bits_clamps", "0x123456789", true, 0xFFFFFFFFu},
    {"negative_above_32_bits_refused", "-5000000000", false, 0},
    {"prefix_without_digits", "0x", true, 0},
    {"trailing_text_ignored", "12abc", true, 12},
    {"leading_blank_refused", " 12", false, 0},
    {"letters_refused", "abc", false, 0},
    {"empty_refused", "", false, 0},
    // The prefix is found on the trimmed copy, the digits read at that offset of the
    // caller's text, which here lands on the 'x' itself.
    {"blank_before_hex_prefix", " 0x1F", true, 0},
};

class ParseUint32 : public ::testing::TestWithParam<uint32_case> {};

TEST_P(ParseUint32, ReadsWith32BitSemantics) {
    const uint32_case& c = GetParam();
    uint32 value = 12345;
    EXPECT_EQ(parse_uint32(c.text, &value), c.ok);
    EXPECT_EQ(value, c.value);
    value = 12345;
    EXPECT_EQ(string_to_uint32(c.text, &value), c.ok);
    EXPECT_EQ(value, c.value);
}

NAMED_CASES(ParseUint32, uint32_cases);

using uint64_case = parse_case<uint64>;

const uint64_case uint64_cases[] = {
    {"hex_0x", "0x1F", true, 31},
    {"hex_x", "x1f", true, 31},
    {"sixteen_hex_digits", "0xffffffffffffffff", true, ~0ull},
    {"seventeen_hex_digits", "0x1ffffffffffffffff", false, 0},
    {"octal", "o17", true, 15},
    {"max_decimal", "18446744073709551615", true, ~0ull},
    {"decimal_beyond_64_bits", "18446744073709551616", false, 0},
    {"twenty_one_digits", "000000000000000000001", false, 0},
    {"octal_beyond_64_bits", "o7777777777777777777777", false, 0},
    {"leading_blanks_skipped", "   12", true, 12},
    {"blank_after_number", "12 ", false, 0},
    {"digits_stop_at_letter", "12abc", true, 12},
    {"no_digits", "xyz", true, 0},
    {"too_short_for_prefix", "x5", true, 0},
    {"only_blanks", "   ", false, 0},
    {"thirty_characters", "                          1234", true, 1234},
    {"over_thirty_characters", "                           1234", false, 0},
    {"empty", "", false, 0},
    {"minus_five_refused", "-5", false, 0},
    {"minus_after_blanks_refused", "  -5", false, 0},
    {"minus_hex_refused", "0x-5", false, 0},
    {"plus_kept", "+5", true, 5},
};

class ParseUint64 : public ::testing::TestWithParam<uint64_case> {};

TEST_P(ParseUint64, ReadsWithDigitLimits) {
    const uint64_case& c = GetParam();
    uint64 value = 12345;
    EXPECT_EQ(parse_uint64(c.text, &value), c.ok);
    EXPECT_EQ(value, c.value);
    value = 12345;
    EXPECT_EQ(string_to_uint64(c.text, &value), c.ok);
    EXPECT_EQ(value, c.value);
}

NAMED_CASES(ParseUint64, uint64_cases);

// Signed 64-bit values (rowids, i64 cells) keep their two's-complement bits; the unsigned
// parsers refuse the same negative texts.
const uint64_case int64_bits_cases[] = {
    {"positive", "5000000000", true, 5000000000ull},
    {"minus_three", "-3", true, 0ull - 3},
    {"minus_after_blanks", "  -3", true, 0ull - 3},
    {"smallest", "-9223372036854775808", true, 0x8000000000000000ull},
    {"below_smallest", "-9223372036854775809", false, 0},
    {"minus_hex", "-0x10", true, 0ull - 16},
    {"minus_alone", "-", false, 0},
    {"blank_after_minus", "- 3", false, 0},
    {"two_minus_signs", "--3", false, 0},
};

class ParseInt64Bits : public ::testing::TestWithParam<uint64_case> {};

TEST_P(ParseInt64Bits, KeepsTheBitsOfNegativeValues) {
    const uint64_case& c = GetParam();
    uint64 value = 12345;
    EXPECT_EQ(parse_int64_bits(c.text, &value), c.ok);
    EXPECT_EQ(value, c.value);
}

NAMED_CASES(ParseInt64Bits, int64_bits_cases);

using int_case = parse_case<int>;

const int_case int_cases[] = {
    {"x_anywhere", "box", true, 0},
    {"o_anywhere", "hello", true, 0},
    {"hex_after_x", "0x1f", true, 31},
    {"hex_kept_bit_for_bit", "0xffffffff", true, -1},
    {"octal_after_o", "o17", true, 15},
    {"negative", "-12", true, -12},
    {"plus", "+7", true, 7},
    {"trimmed_copy", "  42  ", true, 42},
    {"clamped_high", "5000000000", true, std::numeric_limits<int>::max()},
    {"clamped_low", "-5000000000", true, std::numeric_limits<int>::min()},
    {"letters", "abc", false, 0},
    {"empty", "", false, 0},
};

class ParseIntText : public ::testing::TestWithParam<int_case> {};

TEST_P(ParseIntText, Reads) {
    const int_case& c = GetParam();
    int value = 12345;
    EXPECT_EQ(parse_int_text(c.text, &value), c.ok);
    EXPECT_EQ(value, c.value);
    value = 12345;
    EXPECT_EQ(string_to_int(c.text, &value), c.ok);
    EXPECT_EQ(value, c.value);
}

NAMED_CASES(ParseIntText, int_cases);

using int64_case = parse_case<int64>;

const int64_case int64_cases[] = {
    {"hex_beyond_32_bits", "0xffffffff", true, 4294967295LL},
    {"hex_clamped_at_64_bits", "0xffffffffffffffff", true, std::numeric_limits<int64>::max()},
    {"decimal_64_bit", "-9000000000", true, -9000000000LL},
    {"decimal_clamped", "99999999999999999999", true, std::numeric_limits<int64>::max()},
    {"octal", "O777", true, 511},
    {"trimmed", " \t12\r\n", true, 12},
    {"x_anywhere", "box", true, 0},
    {"letters", "abc", false, 0},
    {"blank_only", "   ", false, 0},
    {"empty", "", false, 0},
};

class StringToInt64 : public ::testing::TestWithParam<int64_case> {};

TEST_P(StringToInt64, ReadsSigned64Bit) {
    const int64_case& c = GetParam();
    int64 value = 12345;
    EXPECT_EQ(cstr_to_int64(c.text, &value), c.ok);
    EXPECT_EQ(value, c.value);
    const std::string text(c.text);
    value = 12345;
    EXPECT_EQ(wstring_to_int64(std::wstring(text.begin(), text.end()), &value), c.ok);
    EXPECT_EQ(value, c.value);
}

NAMED_CASES(StringToInt64, int64_cases);

TEST(StringToInt64Edits, CutsCallersTextToItsDigits) {
    std::string text = "  0XFF ";
    int64 value = 0;
    ASSERT_TRUE(string_to_int64(text, &value));
    EXPECT_EQ(value, 255);
    EXPECT_EQ(text, "ff");
}

TEST(WideNumberText, NarrowsOrConvertsFirst) {
    uint32 u = 0;
    ASSERT_TRUE(wide_text_to_uint32(L"0x10", &u));
    EXPECT_EQ(u, 16u);
    // Only the low byte of each character is kept: U+0131 narrows to '1'.
    ASSERT_TRUE(wide_text_to_uint32(L"\u0131\u0132", &u));
    EXPECT_EQ(u, 12u);
    ASSERT_TRUE(wcstr_to_uint32(L"o10", &u));
    EXPECT_EQ(u, 8u);
    EXPECT_FALSE(wcstr_to_uint32(nullptr, &u));

    int i = 5;
    ASSERT_TRUE(wcstr_to_int(L"-33", &i));
    EXPECT_EQ(i, -33);
    EXPECT_FALSE(wcstr_to_int(L"\u00e9", &i));
    EXPECT_EQ(i, 0);

    const std::ios_base::fmtflags hex = std::ios_base::hex;
    EXPECT_EQ(wtext_to_uint64(L"ff", &hex), 255u);
    EXPECT_EQ(wtext_to_uint64(L"123", nullptr), 123u);
    EXPECT_EQ(wtext_to_uint64(L"none", &hex), 0u);  // n is no hex digit
    EXPECT_EQ(wtext_to_uint64(L"99999999999999999999", nullptr), 0u);
    EXPECT_EQ(wtext_to_uint64(L" -5", nullptr), 0u);  // never 2^64 - 5
}

TEST(ParseNumberList, KeepsWordsThatRead) {
    std::vector<int64> values = {7};
    ASSERT_TRUE(parse_number_list("1 0x10 skip -3 \"0x20\"", values));
    EXPECT_EQ(values, (std::vector<int64>{1, 16, -3, 32}));
    EXPECT_FALSE(parse_number_list("skip it", values));
    EXPECT_TRUE(values.empty());
}

TEST(ParseDouble, AtofOfNonEmptyText) {
    double value = 9;
    ASSERT_TRUE(parse_double("12.5e1xyz", &value));
    EXPECT_EQ(value, 125.0);
    ASSERT_TRUE(parse_double("abc", &value));
    EXPECT_EQ(value, 0.0);
    value = 9;
    EXPECT_FALSE(parse_double("", &value));
    EXPECT_EQ(value, 0.0);
    EXPECT_FALSE(parse_double(nullptr, &value));
}

TEST(ParseSeparatedBytes, SeparatorsAndHexDetection) {
    byte_array out;
    ASSERT_TRUE(parse_separated_bytes("de:ad:be:ef", out));
    EXPECT_EQ(out, (byte_array{0xDE, 0xAD, 0xBE, 0xEF}));
    ASSERT_TRUE(parse_separated_bytes("10.20.30.40", out));
    EXPECT_EQ(out, (byte_array{10, 20, 30, 40}));
    ASSERT_TRUE(parse_separated_bytes("0x10-x20-300", out));  // marked hex: the rest decimal
    EXPECT_EQ(out, (byte_array{0x10, 0x20, 300 & 0xFF}));
    EXPECT_FALSE(parse_separated_bytes("1:2:zz:4", out));
    EXPECT_EQ(out, (byte_array{1, 2}));
    EXPECT_FALSE(parse_separated_bytes("12 34", out));
    EXPECT_FALSE(parse_separated_bytes(std::string(81, '1').c_str(), out));
    EXPECT_FALSE(parse_separated_bytes("...", out));
    EXPECT_TRUE(is_hex_digit('F'));
    EXPECT_FALSE(is_hex_digit('g'));
}

struct hex_text_case {
    const char* name;
    uint64 value;
    bool hex;
    int width;
    const char* expected;
};

const hex_text_case hex_text_cases[] = {
    {"fe_two_digits", 0xFE, true, 0, "0xfe"},
    {"ff_four_digits", 255, true, 0, "0x00ff"},
    {"fffe_four_digits", 0xFFFE, true, 0, "0xfffe"},
    {"ffff_six_digits", 0xFFFF, true, 0, "0x00ffff"},
    {"six_digits", 0x10000, true, 0, "0x010000"},
    {"eight_digits", 0xFFFFFF, true, 0, "0x00ffffff"},
    {"beyond_32_bits", 0x100000000ull, true, 0, "0x100000000"},
    {"width_four", 1, true, 4, "0x0001"},
    {"width_is_minimum", 0x12345, true, 2, "0x12345"},
    {"decimal", 255, false, 8, "255"},
    {"decimal_max", ~0ull, false, 0, "18446744073709551615"},
};

class Uint64ToText : public ::testing::TestWithParam<hex_text_case> {};

TEST_P(Uint64ToText, Formats) {
    const hex_text_case& c = GetParam();
    EXPECT_EQ(uint64_to_text(c.value, c.hex, c.width), c.expected);
}

NAMED_CASES(Uint64ToText, hex_text_cases);

struct double_case {
    const char* name;
    double value;
    const char* expected;
};

const double_case double_cases[] = {
    {"half_fraction", 12.5, "12.5"},
    {"whole", 3.0, "3"},
    {"below_one", 0.5, "0.5"},
    {"three_decimals", 1.125, "1.125"},
    {"negative", -2.5, "-2.5"},
    {"negative_below_one", -0.25, "-0.25"},
    {"rounds_up_to_one", 0.999999999, "1"},
    {"carry_into_integer", 41.9999999999, "42"},
    {"tiny_fraction_fixed", 1e-9, "0.000000001"},
    {"small_fraction_fixed", 3.00000025, "3.00000025"},
    {"large_integer_part", 123456789.5, "123456789.5"},
    {"zero", 0.0, "0"},
    {"negative_zero", -0.0, "0"},
};

class DoubleToText : public ::testing::TestWithParam<double_case> {};

TEST_P(DoubleToText, WritesIntegerPartThenFraction) {
    std::string out = "stale";
    EXPECT_EQ(double_to_text(out, GetParam().value, 8), GetParam().expected);
}

NAMED_CASES(DoubleToText, double_cases);

TEST(DoubleToTextOutsideRange, UsesDefaultNotationWithoutCasting) {
    std::string out;
    EXPECT_EQ(double_to_text(out, std::numeric_limits<double>::quiet_NaN(), 8), "nan");
    EXPECT_EQ(double_to_text(out, -std::numeric_limits<double>::infinity(), 8), "-inf");
    EXPECT_EQ(double_to_text(out, 1e30, 8), "1e+30");
    EXPECT_EQ(double_to_text(out, -18446744073709551616.0, 8), "-1.8446744e+19");
    EXPECT_EQ(double_to_text(out, 18446744073709549568.0, 8), "18446744073709549568");
}

TEST(SmallFormatters, RoundPadDashBlank) {
    EXPECT_FLOAT_EQ(static_cast<float>(round_to_hundredths(2.345)), 2.35f);
    EXPECT_FLOAT_EQ(static_cast<float>(round_to_hundredths(-1.004)), -1.0f);
    EXPECT_EQ(round_to_hundredths(1e300), 1e300);
    EXPECT_TRUE(std::isnan(round_to_hundredths(std::nan(""))));

    std::ostringstream stream;
    stream.fill('*');
    EXPECT_EQ(pad_field(stream, 0), nullptr);
    EXPECT_EQ(pad_field(stream, 3), &stream);
    EXPECT_EQ(stream.str(), "   ");
    EXPECT_EQ(stream.fill(), ' ');
    EXPECT_EQ(pad_field(stream, -2), nullptr);

    EXPECT_EQ(dash_line(4), "----");
    EXPECT_EQ(dash_line(-1), "");
    std::string blanks = "x";
    EXPECT_EQ(blank_text(blanks, 2), "  ");
    EXPECT_EQ(blank_text(blanks, 0), "");
}

struct varint_case {
    const char* name;
    byte_array bytes;
    int length;
    bool ok;
    uint64 be;
    uint64 le;
};

const varint_case varint_cases[] = {
    {"one_byte", {0x7F}, 1, true, 127, 127},
    {"two_bytes", {0x81, 0x00}, 2, true, 128, 1},
    {"two_groups_le", {0x81, 0x02}, 2, true, 0x82, 0x101},
    {"nine_bytes_all_set",
     {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
     9,
     true,
     ~0ull,
     0xFFFFFFFFFFFFFFFFull},
    {"stops_at_clear_top_bit", {0x01, 0xFF}, 2, true, 1, 1},
    {"cut_by_length", {0x81, 0x00}, 1, true, 1, 1},
    {"length_beyond_array", {0x81}, 9, true, 1, 1},
    {"zero_length", {0x05}, 0, false, 0, 0},
    {"negative_length", {0x05}, -3, false, 0, 0},
    {"no_bytes", {}, 4, false, 0, 0},
};

class ReadVarintBytes : public ::testing::TestWithParam<varint_case> {};

TEST_P(ReadVarintBytes, DecodesWithinBounds) {
    const varint_case& c = GetParam();
    // An exact-size heap copy: ASan reports any read past the array.
    const byte_array bytes(c.bytes.begin(), c.bytes.end());
    uint64 value = 77;
    EXPECT_EQ(read_varint_be(&value, bytes, c.length), c.ok);
    EXPECT_EQ(value, c.be);
    value = 77;
    EXPECT_EQ(read_varint_le(&value, bytes, c.length), c.ok);
    EXPECT_EQ(value, c.le);
}

NAMED_CASES(ReadVarintBytes, varint_cases);

TEST(StoredIntegers, LittleEndianWordsAndChecksum) {
    const uint8 bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    EXPECT_EQ(read_uint_le(bytes, 2), 0x0201u);
    EXPECT_EQ(read_uint_le(bytes, 9), 0x0807060504030201ull);
    EXPECT_EQ(read_uint_le(nullptr, 4), 0u);
    EXPECT_EQ(read_uint_le(bytes, -1), 0u);
    EXPECT_EQ(byte_array_to_uint_le({0xFF, 0x01}), 0x01FFu);

    const char words[] = {1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3, 4};
    EXPECT_EQ(sum64_checksum(words, 18), 1u + 2u + 3u + 4u);
    EXPECT_EQ(sum64_checksum(words, 7), 1u);
    const char high[] = {'\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', 2};
    EXPECT_EQ(sum64_checksum(high, 9), 1u);  // wraps modulo 2^64
    EXPECT_EQ(sum64_checksum(nullptr, 8), 0u);
}

TEST(UnpackLengthString, ReadsShortAndLongPrefixes) {
    std::string out = "stale";
    EXPECT_EQ(unpack_length_string(out,
                                   "\x03"
                                   "abc",
                                   4),
              4);
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(unpack_length_string(out,
                                   "\x80\x02"
                                   "xy",
                                   4),
              4);
    EXPECT_EQ(out, "xy");
    EXPECT_EQ(unpack_length_string(out,
                                   "\x05"
                                   "ab",
                                   3),
              1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(unpack_length_string(out, "\x80", 1), 0);
    EXPECT_EQ(unpack_length_string(out, "\x02", 1), 1);
    EXPECT_EQ(unpack_length_string(out, "abc", 0), 0);
}

TEST(UnpackLengthString, NeverReadsPastTheCount) {
    const std::string stored = std::string("\x80\x80", 2) + std::string(128, 'q');
    for (uint32 cut = 0; cut <= stored.size(); ++cut) {
        const auto copy = std::make_unique<char[]>(cut + 1);
        std::copy(stored.begin(), stored.begin() + cut, copy.get());
        std::string out;
        const int used = unpack_length_string(out, copy.get(), cut);
        EXPECT_LE(static_cast<uint32>(used), cut);
        EXPECT_EQ(out.size(), cut == stored.size() ? 128u : 0u);
    }
}

}  // namespace
