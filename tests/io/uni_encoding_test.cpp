#include "io/uni_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Test names and failure messages show the case's own name.
struct named_case_printer {
    template <class Info>
    std::string operator()(const Info& param_info) const {
        return param_info.param.name;
    }
};
const named_case_printer case_name;

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

// ---- UTF-8 decoding ----

struct decode_case {
    const char* name;
    std::string input;
    bool ok;
    std::wstring expected;  // what out holds afterwards, also after a fault
};
void PrintTo(const decode_case& c, std::ostream* os) { *os << c.name; }

class Utf8Decode : public ::testing::TestWithParam<decode_case> {};

TEST_P(Utf8Decode, OutFormKeepsPrefixValueFormAllOrNothing) {
    const decode_case& c = GetParam();
    std::wstring out = L"stale";
    EXPECT_EQ(uni::utf8_decode(out, c.input), c.ok);
    EXPECT_EQ(out, c.expected);

    std::vector<uint32_t> points{99};
    EXPECT_EQ(uni::utf8_to_codepoints(points, c.input), c.ok);
    EXPECT_EQ(std::wstring(points.begin(), points.end()), c.expected);

    const byte_array raw(c.input.begin(), c.input.end());
    std::wstring from_bytes;
    EXPECT_EQ(uni::utf8_bytes_to_wstring(from_bytes, raw), c.ok);
    EXPECT_EQ(from_bytes, c.expected);

    const std::wstring all_or_nothing = c.ok ? c.expected : std::wstring();
    EXPECT_EQ(uni::utf8_to_wstring(c.input), all_or_nothing);
    EXPECT_EQ(uni::utf8_bytes_to_wstring(raw), all_or_nothing);
    EXPECT_EQ(uni::utf8_length(c.input), c.ok ? c.expected.size() : 0u);
}

const decode_case decode_cases[] = {
    {"Empty", "", false, L""},
    {"Ascii", "AB", true, L"AB"},
    {"TwoByte", bytes({0xC3, 0xA9}), true, L"\u00E9"},
    {"LeadAlone", bytes({0xC3}), false, L""},
    {"BadByteInMiddle", bytes({'A', 0xFF, 'B'}), false, L"A"},
    {"StrayContinuation", bytes({'A', 0x80}), false, L"A"},
    {"WrongContinuation", bytes({'x', 0xE2, 0x82, 'A'}), false, L"x"},
    {"CutFourByte", bytes({'x', 0xF0, 0x9F, 0x98}), false, L"x"},
    {"LeadF8", bytes({0xF8, 0x80, 0x80, 0x80}), false, L""},
    {"OverlongNulKept", bytes({0xE0, 0x80, 0x80}), true, std::wstring(1, L'\0')},
    {"SurrogateKept", bytes({0xED, 0xB0, 0x80}), true, std::wstring(1, wchar_t{0xDC00})},
    {"FourByte", bytes({0xF0, 0x9F, 0x98, 0x80}), true, std::wstring(1, wchar_t{0x1F600})},
    {"BeyondUnicodeKept", bytes({0xF7, 0xBF, 0xBF, 0xBF}), true,
     std::wstring(1, wchar_t{0x1FFFFF})},
};
INSTANTIATE_TEST_SUITE_P(Cases, Utf8Decode, ::testing::ValuesIn(decode_cases), case_name);

TEST(Utf8Decode, EveryCutOfValidTextFailsWithWholeCharactersOnly) {
    // "a", U+00E9, U+20AC, U+1F600: cutting inside a sequence must lose only that sequence.
    const std::string text = bytes({'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80});
    const std::size_t boundaries[] = {0, 1, 3, 6, 10};
    const std::wstring chars = {L'a', wchar_t{0xE9}, wchar_t{0x20AC}, wchar_t{0x1F600}};
    for (std::size_t cut = 1; cut <= text.size(); ++cut) {
        std::wstring out;
        const bool ok = uni::utf8_decode(out, text.substr(0, cut));
        std::size_t whole = 0;
        while (whole + 1 < std::size(boundaries) && boundaries[whole + 1] <= cut) {
            ++whole;
        }
        EXPECT_EQ(ok, boundaries[whole] == cut) << "cut " << cut;
        EXPECT_EQ(out, chars.substr(0, whole)) << "cut " << cut;
    }
}

TEST(Utf8ListToWide, AlignsElementsAndKeepsPrefixOfBadOne) {
    std::vector<std::wstring> out{L"stale"};
    EXPECT_FALSE(uni::utf8_list_to_wide(out, {}));
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(uni::utf8_list_to_wide(out, {"a", "", bytes({'b', 0xFF}), bytes({0xC3, 0xA9})}));
    EXPECT_EQ(out, (std::vector<std::wstring>{L"a", L"", L"b", L"\u00E9"}));
}

// ---- UTF-8 encoding ----

struct encode_case {
    const char* name;
    std::vector<uint32_t> points;
    bool ok;
    std::string expected;
};
void PrintTo(const encode_case& c, std::ostream* os) { *os << c.name; }

class Utf8Encode : public ::testing::TestWithParam<encode_case> {};

TEST_P(Utf8Encode, CodepointsAndWideAgree) {
    const encode_case& c = GetParam();
    std::string out = "stale";
    EXPECT_EQ(uni::codepoints_to_utf8(out, c.points), c.ok);
    EXPECT_EQ(out, c.expected);

    const std::wstring wide(c.points.begin(), c.points.end());
    if (wide.empty()) {
        return;  // the wide forms refuse empty input, covered below
    }
    std::string narrow = "stale";
    EXPECT_EQ(uni::wstring_to_utf8(narrow, wide), c.ok);
    EXPECT_EQ(narrow, c.expected);
    // The value form gives the prefix, never "".
    EXPECT_EQ(uni::wstring_to_utf8(wide), c.expected);

    byte_array raw{1};
    EXPECT_EQ(uni::wstring_to_utf8_bytes(raw, wide), c.ok);
    EXPECT_EQ(raw, c.ok ? byte_array(c.expected.begin(), c.expected.end()) : byte_array());
}

const encode_case encode_cases[] = {
    {"Nothing", {}, true, ""},
    {"Ascii", {0x41, 0x7F}, true, "A\x7F"},
    {"TwoByteEdges", {0x80, 0x7FF}, true, bytes({0xC2, 0x80, 0xDF, 0xBF})},
    {"ThreeByteEdges", {0x800, 0xFFFF}, true, bytes({0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF})},
    {"LoneSurrogate", {0xDC00}, true, bytes({0xED, 0xB0, 0x80})},
    {"Emoji", {0x1F600}, true, bytes({0xF0, 0x9F, 0x98, 0x80})},
    {"Largest", {0x10FFFF}, true, bytes({0xF4, 0x8F, 0xBF, 0xBF})},
    {"StopsAboveUnicode", {0x41, 0x110000, 0x42}, false, "A"},
    {"StopsAtTopBit", {0x41, 0x80000000u, 0x42}, false, "A"},
};
INSTANTIATE_TEST_SUITE_P(Cases, Utf8Encode, ::testing::ValuesIn(encode_cases), case_name);

TEST(Utf8Encode, WideFormsRefuseEmptyInput) {
    std::string out = "stale";
    EXPECT_FALSE(uni::wstring_to_utf8(out, L""));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(uni::encode_utf8(out, L""));
    EXPECT_EQ(uni::wstring_to_utf8(L""), "");
    // A negative wchar_t is no character: the encoder stops there.
    EXPECT_FALSE(uni::encode_utf8(out, std::wstring{L'x', static_cast<wchar_t>(-1)}));
    EXPECT_EQ(out, "x");
}

TEST(WideListToUtf8, AlignsElementsAndKeepsPrefixOfBadOne) {
    std::vector<std::string> out{"stale"};
    EXPECT_FALSE(uni::wide_list_to_utf8(out, {}));
    EXPECT_TRUE(out.empty());
    const std::wstring bad{L'q', wchar_t{0x110000}};
    ASSERT_TRUE(uni::wide_list_to_utf8(out, {L"a", L"", bad}));
    EXPECT_EQ(out, (std::vector<std::string>{"a", "", "q"}));
}

TEST(Utf8RoundTrip, EveryScalarValueSurvives) {
    std::vector<uint32_t> points;
    for (uint32_t cp = 1; cp <= 0x10FFFF; cp += 97) {
        points.push_back(cp);
    }
    std::string text;
    ASSERT_TRUE(uni::codepoints_to_utf8(text, points));
    std::vector<uint32_t> back;
    ASSERT_TRUE(uni::utf8_to_codepoints(back, text));
    EXPECT_EQ(back, points);
    EXPECT_EQ(uni::utf8_length(text), points.size());
}

// ---- UTF-16 ----

// The text readers (UTF-8 and wide text out) always convert, writing U+FFFD for a surrogate
// that is not half of a pair; the code-point readers stop with false at an unpaired high
// surrogate and pass a lone low one on.
struct utf16_case {
    const char* name;
    std::vector<uint16_t> units;
    std::string utf8;              // what the text readers give
    bool points_ok;
    std::vector<uint32_t> points;  // code points, also the prefix after a fault
};
void PrintTo(const utf16_case& c, std::ostream* os) { *os << c.name; }

class Utf16Decode : public ::testing::TestWithParam<utf16_case> {};

TEST_P(Utf16Decode, AllReadersAgree) {
    const utf16_case& c = GetParam();
    std::string out = "stale";
    EXPECT_TRUE(uni::utf16_to_utf8(out, c.units));
    EXPECT_EQ(out, c.utf8);
    EXPECT_EQ(uni::utf16_to_utf8(c.units), c.utf8);
    EXPECT_EQ(uni::utf16_to_utf8_text(c.units), c.utf8);

    std::vector<uint32_t> points{7};
    EXPECT_EQ(uni::utf16_to_codepoints(points, c.units), c.points_ok);
    EXPECT_EQ(points, c.points);

    byte_array le;
    for (const uint16_t u : c.units) {
        le.push_back(static_cast<uint8>(u & 0xFF));
        le.push_back(static_cast<uint8>(u >> 8));
    }
    std::vector<uint32_t> from_bytes;
    EXPECT_EQ(uni::utf16le_bytes_to_codepoints(from_bytes, le), c.points_ok);
    EXPECT_EQ(from_bytes, c.points);
    std::string from_string;
    EXPECT_TRUE(uni::utf16le_string_to_utf8(from_string, uni::bytes_to_string(le)));
    EXPECT_EQ(from_string, c.utf8);

    std::wstring wide;
    EXPECT_TRUE(uni::utf16_to_wstring(wide, c.units));
    EXPECT_EQ(wide, uni::utf8_to_wstring(c.utf8));
}

const std::string fffd = bytes({0xEF, 0xBF, 0xBD});

const utf16_case utf16_cases[] = {
    {"Ascii", {0x41, 0x42}, "AB", true, {0x41, 0x42}},
    {"Pair", {0xD83D, 0xDE00}, bytes({0xF0, 0x9F, 0x98, 0x80}), true, {0x1F600}},
    {"HighAlone", {0xD800}, fffd, false, {}},
    {"HighLastAfterText", {0x41, 0xD800}, "A" + fffd, false, {0x41}},
    // Never the three bytes ED A0 80, which are no UTF-8, and never the text cut at the fault.
    {"HighThenText", {0x41, 0xD800, 0x42}, "A" + fffd + "B", false, {0x41}},
    {"HighThenPair", {0xD800, 0xD800, 0xDC00}, fffd + bytes({0xF0, 0x90, 0x80, 0x80}), false, {}},
    {"LowAlone", {0xDC00}, fffd, true, {0xDC00}},
    {"LowBeforeHigh", {0xDC00, 0xD800}, fffd + fffd, false, {0xDC00}},
    {"NulUnit", {0x0000}, std::string(1, '\0'), true, {0}},
};
INSTANTIATE_TEST_SUITE_P(Cases, Utf16Decode, ::testing::ValuesIn(utf16_cases), case_name);

TEST(Utf16Decode, ByteCountIsInBytesAndShortCountsLeaveOutAlone) {
    const uint16_t units[] = {0x41, 0x42, 0x43};
    std::string out = "stale";
    EXPECT_FALSE(uni::utf16le_to_utf8(out, units, 0));
    EXPECT_FALSE(uni::utf16le_to_utf8(out, units, 1));
    EXPECT_FALSE(uni::utf16le_to_utf8(out, nullptr, 6));
    EXPECT_EQ(out, "stale");
    ASSERT_TRUE(uni::utf16le_to_utf8(out, units, 5));  // the odd last byte is ignored
    EXPECT_EQ(out, "AB");
    ASSERT_TRUE(uni::utf16le_to_utf8(out, units, 6));
    EXPECT_EQ(out, "ABC");
}

TEST(Utf16Decode, EmptyAndOddInputsAreRefused) {
    std::string out = "stale";
    EXPECT_FALSE(uni::utf16_to_utf8(out, {}));
    EXPECT_TRUE(out.empty());
    out = "stale";
    EXPECT_FALSE(uni::utf16le_string_to_utf8(out, "A"));
    EXPECT_TRUE(out.empty());
    std::vector<uint32_t> points{1};
    EXPECT_FALSE(uni::utf16le_bytes_to_codepoints(points, {0x41, 0x00, 0x42}));
    EXPECT_TRUE(points.empty());
    EXPECT_FALSE(uni::utf16_to_codepoints(points, {}));
    std::wstring wide = L"stale";
    EXPECT_FALSE(uni::utf16_to_wstring(wide, {}));
    EXPECT_TRUE(wide.empty());
    byte_array raw{9};
    EXPECT_FALSE(uni::utf16_to_utf8_bytes(raw, {}));
    EXPECT_TRUE(raw.empty());
    ASSERT_TRUE(uni::utf16_to_utf8_bytes(raw, {0xD800}));
    EXPECT_EQ(raw, (byte_array{0xEF, 0xBF, 0xBD}));
    ASSERT_TRUE(uni::utf16_to_utf8_bytes(raw, {0xE9}));
    EXPECT_EQ(raw, (byte_array{0xC3, 0xA9}));
}

struct to_utf16_case {
    const char* name;
    std::vector<uint32_t> points;
    bool ok;
    std::vector<uint16_t> units;
};
void PrintTo(const to_utf16_case& c, std::ostream* os) { *os << c.name; }

class CodepointsToUtf16 : public ::testing::TestWithParam<to_utf16_case> {};

TEST_P(CodepointsToUtf16, EncodesAndStops) {
    const to_utf16_case& c = GetParam();
    std::vector<uint16_t> out{1};
    EXPECT_EQ(uni::codepoints_to_utf16(out, c.points), c.ok);
    EXPECT_EQ(out, c.units);
}

const to_utf16_case to_utf16_cases[] = {
    {"Empty", {}, false, {}},
    {"Emoji", {0x1F600}, true, {0xD83D, 0xDE00}},
    {"BmpEdges", {0xD7FF, 0xE000, 0xFFFF}, true, {0xD7FF, 0xE000, 0xFFFF}},
    {"Largest", {0x10FFFF}, true, {0xDBFF, 0xDFFF}},
    {"HighSurrogate", {0x41, 0xD800}, false, {0x41}},
    {"LowSurrogate", {0xDFFF}, false, {}},
    {"AboveUnicode", {0x41, 0x110000}, false, {0x41}},
};
INSTANTIATE_TEST_SUITE_P(Cases, CodepointsToUtf16, ::testing::ValuesIn(to_utf16_cases), case_name);

TEST(Utf8ToUtf16, RoundTripsAndRefusesBadInput) {
    const std::string emoji = bytes({'a', 0xF0, 0x9F, 0x98, 0x80});
    std::vector<uint16_t> units;
    ASSERT_TRUE(uni::utf8_to_utf16(units, emoji));
    EXPECT_EQ(units, (std::vector<uint16_t>{0x61, 0xD83D, 0xDE00}));
    EXPECT_EQ(uni::utf16_to_utf8(units), emoji);

    // A surrogate decoded from UTF-8 cannot be written as UTF-16.
    EXPECT_FALSE(uni::utf8_to_utf16(units, bytes({'a', 0xED, 0xB0, 0x80})));
    EXPECT_EQ(units, (std::vector<uint16_t>{0x61}));
    EXPECT_FALSE(uni::utf8_to_utf16(units, ""));
    EXPECT_TRUE(units.empty());

    ASSERT_TRUE(uni::utf8_bytes_to_utf16(units, {0xC3, 0xA9}));
    EXPECT_EQ(units, (std::vector<uint16_t>{0xE9}));
    // Bytes that do not decode give nothing at all, not a prefix.
    EXPECT_FALSE(uni::utf8_bytes_to_utf16(units, {'a', 0xC3}));
    EXPECT_TRUE(units.empty());
    EXPECT_FALSE(uni::utf8_bytes_to_utf16(units, {}));
}

TEST(BytesToUtf16, PairsLittleEndianAndDropsOddByte) {
    std::vector<uint16_t> out{5, 5};
    ASSERT_TRUE(uni::bytes_to_utf16(out, byte_array{0x41, 0x00, 0x42}));
    EXPECT_EQ(out, (std::vector<uint16_t>{0x0041}));
    const uint8_t raw[] = {0x3D, 0xD8, 0x00, 0xDE};
    ASSERT_TRUE(uni::bytes_to_utf16(out, raw, sizeof raw));
    EXPECT_EQ(out, (std::vector<uint16_t>{0xD83D, 0xDE00}));
    // A single byte makes no unit but is not an error.
    ASSERT_TRUE(uni::bytes_to_utf16(out, raw, 1));
    EXPECT_TRUE(out.empty());
    out = {5};
    EXPECT_FALSE(uni::bytes_to_utf16(out, nullptr, 4));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(uni::bytes_to_utf16(out, raw, 0));
    EXPECT_FALSE(uni::bytes_to_utf16(out, byte_array{}));
}

TEST(Utf16Units, WidenAndNarrowWithoutPairing) {
    EXPECT_EQ(uni::utf16_units_to_wstring({0xD83D, 0xDE00}),
              (std::wstring{wchar_t{0xD83D}, wchar_t{0xDE00}}));
    EXPECT_EQ(uni::utf16_units_to_wstring({}), L"");
    EXPECT_EQ(uni::wstring_to_utf16_units(std::wstring{L'a', wchar_t{0x1F600}}),
              (std::vector<uint16_t>{0x61, 0xF600}));
    EXPECT_TRUE(uni::wstring_to_utf16_units(L"").empty());
}

// ---- Bytes and Latin-1 ----

TEST(Latin1ToUtf8, EveryHighByteBecomesTwoBytes) {
    std::string out = "stale";
    EXPECT_FALSE(uni::latin1_to_utf8(out, ""));
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(uni::latin1_to_utf8(out, bytes({'a', 0xE9, 0x80, 0xFF, 0x00})));
    EXPECT_EQ(out, bytes({'a', 0xC3, 0xA9, 0xC2, 0x80, 0xC3, 0xBF, 0x00}));
    std::wstring back;
    ASSERT_TRUE(uni::utf8_decode(back, out));
    EXPECT_EQ(back, (std::wstring{L'a', wchar_t{0xE9}, wchar_t{0x80}, wchar_t{0xFF}, L'\0'}));
}

TEST(BytesAndStrings, CopyEveryByteIncludingNul) {
    const byte_array raw{0x00, 0xFF, 'a'};
    EXPECT_EQ(uni::bytes_to_string(raw), bytes({0x00, 0xFF, 'a'}));
    EXPECT_EQ(uni::bytes_to_string({}), "");
    byte_array out{7};
    EXPECT_FALSE(uni::string_to_bytes(out, ""));
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(uni::string_to_bytes(out, bytes({0x00, 0xFF, 'a'})));
    EXPECT_EQ(out, raw);
}

// ---- Byte-order marks ----

struct bom_case {
    const char* name;
    bool (*test)(const void*);
    byte_array& (*append)(byte_array&);
    byte_array mark;
};
void PrintTo(const bom_case& c, std::ostream* os) { *os << c.name; }

class ByteOrderMark : public ::testing::TestWithParam<bom_case> {};

TEST_P(ByteOrderMark, TestMatchesOnlyItsMarkAndAppenderKeepsContent) {
    const bom_case& c = GetParam();
    byte_array out{0x41};
    byte_array& same = c.append(out);
    EXPECT_EQ(&same, &out);
    byte_array expected{0x41};
    expected.insert(expected.end(), c.mark.begin(), c.mark.end());
    EXPECT_EQ(out, expected);

    byte_array probe = c.mark;
    probe.push_back(0x00);
    EXPECT_TRUE(c.test(probe.data()));
    // Each byte of the mark counts, the last one included.
    for (std::size_t i = 0; i < c.mark.size(); ++i) {
        byte_array damaged = probe;
        damaged[i] ^= 0x01;
        EXPECT_FALSE(c.test(damaged.data())) << "byte " << i;
    }
}

const bom_case bom_cases[] = {
    {"UtfEbcdic", uni::is_bom_utf_ebcdic, uni::append_utf_ebcdic_bom, {0xDD, 0x73, 0x66, 0x73}},
    {"Utf7", uni::is_bom_utf7, uni::append_utf7_bom, {0x2B, 0x2F, 0x76}},
    {"Bocu1", uni::is_bom_bocu1, uni::append_bocu1_bom, {0xFB, 0xEE, 0x28}},
    {"Scsu", uni::is_bom_scsu, uni::append_scsu_bom, {0x0E, 0xFE, 0xFF}},
    {"Utf32be", uni::is_bom_utf32be, uni::append_utf32be_bom, {0x00, 0x00, 0xFE, 0xFF}},
    {"Utf32le", uni::is_bom_utf32le, uni::append_utf32le_bom, {0xFF, 0xFE, 0x00, 0x00}},
    {"Utf16be", uni::is_bom_utf16be, uni::append_utf16be_bom, {0xFE, 0xFF}},
    {"Utf16le", uni::is_bom_utf16le, uni::append_utf16le_bom, {0xFF, 0xFE}},
    {"Utf8", uni::is_bom_utf8, uni::append_utf8_bom, {0xEF, 0xBB, 0xBF}},
};
INSTANTIATE_TEST_SUITE_P(Cases, ByteOrderMark, ::testing::ValuesIn(bom_cases), case_name);

TEST(ByteOrderMark, Utf16leMarkIsAlsoTheStartOfUtf32le) {
    // Readers that test UTF-32LE after UTF-16LE would never see it: both match these bytes.
    const byte_array utf32le{0xFF, 0xFE, 0x00, 0x00};
    EXPECT_TRUE(uni::is_bom_utf16le(utf32le.data()));
    EXPECT_TRUE(uni::is_bom_utf32le(utf32le.data()));
    EXPECT_FALSE(uni::is_bom_utf8(nullptr));
}

TEST(Utf8Locale, GlobalInstanceStartsZeroed) {
    EXPECT_EQ(uni::g_utf8_locale.first_field(), 0u);
    EXPECT_EQ(uni::g_utf8_locale.second_field(), 0u);
}

}  // namespace
