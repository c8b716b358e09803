#include "text/extras/utf16_unit_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/utf16_text.h"

namespace {

struct unit_case {
    const char* name;
    uint16_t unit;
    std::string expected;
};

const unit_case unit_cases[] = {
    {"Ascii", 0x41, "A"},
    {"Nul", 0x00, std::string(1, '\0')},
    {"TwoBytes", 0xE9, "\xC3\xA9"},
    {"LastTwoByte", 0x7FF, "\xDF\xBF"},
    {"FirstThreeByte", 0x800, "\xE0\xA0\x80"},
    {"Euro", 0x20AC, "\xE2\x82\xAC"},
    // Surrogates are encoded alone, never paired.
    {"HighSurrogate", 0xD83D, "\xED\xA0\xBD"},
    {"Top", 0xFFFF, "\xEF\xBF\xBF"},
};

class Utf16UnitToUtf8 : public ::testing::TestWithParam<unit_case> {};

TEST_P(Utf16UnitToUtf8, EncodesOneUnit) {
    EXPECT_EQ(utf16_unit_to_utf8(GetParam().unit), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf16UnitToUtf8, ::testing::ValuesIn(unit_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Latin1ToUtf8, OneByteAgreesWithTheTextForm) {
    EXPECT_EQ(latin1_to_utf8('\x41'), "A");
    EXPECT_EQ(latin1_to_utf8('\xE9'), "\xC3\xA9");
    EXPECT_EQ(latin1_to_utf8('\0'), std::string(1, '\0'));
    for (int b = 1; b < 256; ++b) {
        const uint8_t text[] = {static_cast<uint8_t>(b), 0};
        EXPECT_EQ(latin1_to_utf8(static_cast<char>(b)), latin1_to_utf8(text)) << b;
    }
}

TEST(Utf16ToUtf8WithCount, CountsBytesReadNeverTheNul) {
    const std::vector<uint16_t> units = {0x68, 0xE9, 0, 0x78};
    std::string out = "stale";
    int32 consumed = -7;
    utf16_to_utf8_with_count(units.data(), out, consumed, -1);
    EXPECT_EQ(out, "h\xC3\xA9");
    EXPECT_EQ(consumed, 4);
    utf16_to_utf8_with_count(units.data(), out, consumed, 3);  // odd: one whole unit
    EXPECT_EQ(out, "h");
    EXPECT_EQ(consumed, 2);
    utf16_to_utf8_with_count(nullptr, out, consumed, 8);
    EXPECT_EQ(out, "");
    EXPECT_EQ(consumed, 0);
}

TEST(Utf16ToLowerWstring, StopsAtNulOrTheCap) {
    const std::vector<uint16_t> mixed = {'A', 'b', 'C', 0, 'D'};
    EXPECT_EQ(utf16_to_lower_wstring(mixed.data()), L"abc");
    const std::vector<uint16_t> unterminated(800, 'Q');
    EXPECT_EQ(utf16_to_lower_wstring(unterminated.data()), std::wstring(768, L'q'));
    const std::vector<uint16_t> surrogate = {0xD83D, 0};
    EXPECT_EQ(utf16_to_lower_wstring(surrogate.data()), std::wstring(1, wchar_t{0xD83D}));
    EXPECT_EQ(utf16_to_lower_wstring(nullptr), L"");
}

TEST(Utf16CrlfFromText, LineFeedsBecomeCrLf) {
    std::vector<uint16_t> out = {9, 9};
    const char* text = "a\nb";
    const uint16_t* first = utf16_crlf_from_text(out, &text);
    EXPECT_EQ(out, (std::vector<uint16_t>{'a', 0x0D, 0x0A, 'b', 0}));
    EXPECT_EQ(first, out.data());

    const char* empty = "";
    EXPECT_EQ(utf16_crlf_from_text(out, &empty), nullptr);
    EXPECT_TRUE(out.empty());
    out = {9};
    EXPECT_EQ(utf16_crlf_from_text(out, nullptr), nullptr);
    EXPECT_TRUE(out.empty());
}

}  // namespace
