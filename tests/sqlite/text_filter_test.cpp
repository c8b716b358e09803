#include "sqlite/text_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum class filter_kind { ascii, utf16, utf16be };

struct filter_case {
    const char* name;
    filter_kind kind;
    std::string bytes;
    uint32 flags;
    bool ok;
    std::string out;
};

class WholeFilter : public ::testing::TestWithParam<filter_case> {};

TEST_P(WholeFilter, PassesOrRejectsTheWholeValue) {
    const filter_case& c = GetParam();
    std::string out = "stale";
    const auto* data = reinterpret_cast<const uint8*>(c.bytes.data());
    const auto length = static_cast<uint32>(c.bytes.size());
    const bool ok = c.kind == filter_kind::ascii
                        ? filter_ascii(out, data, length, c.flags)
                        : filter_utf16(out, data, length, c.flags, c.kind == filter_kind::utf16be);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(out, c.out);
}

using std::string_literals::operator""s;
const filter_case whole_cases[] = {
    {"line_feed_not_printable", filter_kind::ascii, "a\nb", filter_printable, false, ""},
    {"line_feed_with_line_breaks", filter_kind::ascii, "a\nb",
     filter_printable | filter_line_breaks, true, "a\nb"},
    {"tab_and_cr_with_line_breaks", filter_kind::ascii, "\ta\r", 0x11, true, "\ta\r"},
    {"ascii_text_as_ascii", filter_kind::ascii, "ABCD", filter_printable, true, "ABCD"},
    {"ascii_text_as_utf16", filter_kind::utf16, "ABCD", filter_printable, false, ""},
    {"utf16_text_as_ascii", filter_kind::ascii, "W\0x\0y\0z\0"s, filter_printable, false, ""},
    {"utf16_text_as_utf16", filter_kind::utf16, "W\0x\0y\0z\0"s, filter_printable, true, "Wxyz"},
    {"utf16_odd_byte_left_out", filter_kind::utf16, "A\0B\0C"s, filter_printable, true, "AB"},
    {"utf16_single_byte", filter_kind::utf16, "A", 0, false, ""},
    {"utf16_non_ascii_unfiltered", filter_kind::utf16, "\xe9\0"s, 0, true, "\xc3\xa9"},
    {"utf16_non_ascii_not_printable", filter_kind::utf16, "\xe9\0"s, filter_printable, false, ""},
    {"utf16_high_unit_no_letter", filter_kind::utf16, "a\x01"s, filter_lower_letter, false, ""},
    {"utf16be_text", filter_kind::utf16be, "\0W\0x\0y"s, filter_printable, true, "Wxy"},
    {"utf16le_text_as_utf16be", filter_kind::utf16be, "W\0x\0"s, filter_printable, false, ""},
    {"utf16be_non_ascii", filter_kind::utf16be, "\0\xe9"s, 0, true, "\xc3\xa9"},
    {"hex_digits", filter_kind::ascii, "0aF9", filter_hex_digit, true, "0aF9"},
    {"not_hex_digit", filter_kind::ascii, "0g", filter_hex_digit, false, ""},
    {"lower_letters", filter_kind::ascii, "abz", filter_lower_letter, true, "abz"},
    {"upper_is_no_lower", filter_kind::ascii, "aBc", filter_lower_letter, false, ""},
    {"hex_letters", filter_kind::ascii, "abcF", filter_hex_letter, true, "abcF"},
    {"digit_is_no_hex_letter", filter_kind::ascii, "ab1", filter_hex_letter, false, ""},
    {"every_bit_adds_a_condition", filter_kind::ascii, "abg",
     filter_lower_letter | filter_hex_letter, false, ""},
    {"no_flags_accept_all", filter_kind::ascii, "\x00\xff"s, 0, true, "\x00\xff"s},
    {"no_bytes", filter_kind::ascii, "", 0, false, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, WholeFilter, ::testing::ValuesIn(whole_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct prefix_case {
    const char* name;
    filter_kind kind;
    std::string bytes;
    uint32 min_length;
    bool ok;
    std::string out;
};

class PrefixFilter : public ::testing::TestWithParam<prefix_case> {};

TEST_P(PrefixFilter, KeepsACleanStart) {
    const prefix_case& c = GetParam();
    std::string out = "stale";
    const auto* data = reinterpret_cast<const uint8*>(c.bytes.data());
    const auto count = static_cast<uint32>(c.bytes.size());
    const bool ok = c.kind == filter_kind::ascii
                        ? filter_ascii_prefix(out, data, c.min_length, count, filter_printable)
                        : filter_utf16_prefix(out, data, c.min_length, count, filter_printable,
                                              c.kind == filter_kind::utf16be);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(out, c.out);
}

const prefix_case prefix_cases[] = {
    // The 8-bit prefix keeps its clean start yet reports the cut.
    {"ascii_all_pass", filter_kind::ascii, "abcde", 2, true, "abcde"},
    {"ascii_start_kept_still_false", filter_kind::ascii,
     "abc\x01"
     "de",
     3, false, "abc"},
    {"ascii_start_too_short", filter_kind::ascii,
     "abc\x01"
     "de",
     4, false, ""},
    {"utf16_all_pass", filter_kind::utf16, "A\0B\0"s, 2, true, "AB"},
    {"utf16_start_long_enough", filter_kind::utf16, "A\0B\0\x01\0C\0"s, 2, true, "AB"},
    {"utf16_start_too_short", filter_kind::utf16, "A\0B\0\x01\0C\0"s, 3, false, ""},
    {"utf16_no_whole_unit", filter_kind::utf16, "A", 0, false, ""},
    {"utf16be_start_long_enough", filter_kind::utf16be, "\0A\0B\x01\0\0C"s, 2, true, "AB"},
};

INSTANTIATE_TEST_SUITE_P(Cases, PrefixFilter, ::testing::ValuesIn(prefix_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TextFilter, NullBytesAreNoText) {
    std::string out = "stale";
    EXPECT_FALSE(filter_ascii(out, nullptr, 4, 0));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(filter_ascii_prefix(out, nullptr, 0, 4, 0));
    EXPECT_FALSE(filter_utf16(out, nullptr, 4, 0));
    EXPECT_FALSE(filter_utf16_prefix(out, nullptr, 0, 4, 0));
    EXPECT_TRUE(out.empty());
}

}  // namespace
