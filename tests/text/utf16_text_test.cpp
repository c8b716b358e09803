#include "text/utf16_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct named_case_printer {
    template <class Info>
    std::string operator()(const Info& param_info) const {
        return param_info.param.name;
    }
};
const named_case_printer case_name;

std::vector<uint16_t> units_of(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

std::vector<uint16_t> buffer_units(const _UNICODE_STRING_EX& s) {
    return {s.buffer(), s.buffer() + s.length_bytes() / 2};
}

// ---- _UNICODE_STRING_EX ----

TEST(UnicodeStringEx, OwnedBufferStartsEmptyAndGrowsByWholeTexts) {
    const _UNICODE_STRING_EX ten(10);
    EXPECT_EQ(ten.max_length_bytes(), 20);
    EXPECT_EQ(ten.length_bytes(), 0);
    ASSERT_TRUE(ten.owns_buffer());
    EXPECT_EQ(ten.buffer()[0], 0);

    _UNICODE_STRING_EX two(2);
    two.append("ab");
    EXPECT_EQ(buffer_units(two), (std::vector<uint16_t>{'a', 'b', 0}));
    EXPECT_EQ(two.length_bytes(), 6);
    EXPECT_EQ(two.max_length_bytes(), 6);

    // Each append counts its own NUL, which then stands between the texts.
    two.append(L"c");
    EXPECT_EQ(buffer_units(two), (std::vector<uint16_t>{'a', 'b', 0, 'c', 0}));
    EXPECT_EQ(two.length_bytes(), 10);
}

TEST(UnicodeStringEx, BorrowedBufferNeverGrows) {
    uint16_t storage[2] = {0x7777, 0x7777};
    _UNICODE_STRING_EX fits(storage, 4);
    EXPECT_EQ(storage[0], 0);
    fits.append("a");
    EXPECT_EQ(fits.length_bytes(), 4);
    EXPECT_EQ(storage[0], 'a');
    EXPECT_EQ(storage[1], 0);

    uint16_t other[2] = {0x7777, 0x7777};
    _UNICODE_STRING_EX too_small(other, 4);
    too_small.append("ab");
    EXPECT_EQ(too_small.length_bytes(), 0);
    EXPECT_EQ(too_small.max_length_bytes(), 4);
    EXPECT_EQ(too_small.buffer(), other);
    EXPECT_FALSE(too_small.owns_buffer());

    _UNICODE_STRING_EX as_is(other, 2, 4);
    EXPECT_EQ(other[0], 0);  // the NUL of the first constructor; the failed append wrote none
    EXPECT_EQ(as_is.length_bytes(), 2);
    as_is.clear();
    EXPECT_EQ(as_is.buffer(), nullptr);
    EXPECT_EQ(as_is.max_length_bytes(), 0);
    as_is.append("a");  // no buffer, none of its own to grow
    EXPECT_EQ(as_is.length_bytes(), 0);
}

TEST(UnicodeStringEx, ClearKeepsOwnedBufferZeroed) {
    _UNICODE_STRING_EX s(4);
    s.append("xyz");
    s.clear();
    EXPECT_EQ(s.length_bytes(), 0);
    ASSERT_NE(s.buffer(), nullptr);
    EXPECT_EQ(std::vector<uint16_t>(s.buffer(), s.buffer() + 4), std::vector<uint16_t>(4, 0));
    s.append("q");
    EXPECT_EQ(buffer_units(s), (std::vector<uint16_t>{'q', 0}));
}

TEST(UnicodeStringEx, WidensNarrowSignedAndWideToLowBits) {
    _UNICODE_STRING_EX s(1);
    s.append("\xE9");
    s.append(std::wstring{wchar_t{0x1F600}}.c_str());
    EXPECT_EQ(buffer_units(s), (std::vector<uint16_t>{0xFFE9, 0, 0xF600, 0}));
}

TEST(UnicodeStringEx, AppendPastSixteenBitLengthsChangesNothing) {
    // The byte lengths are 16-bit fields: a result above 0xFFFF bytes would wrap them and let
    // later appends overwrite the text.
    _UNICODE_STRING_EX s(0x10);
    const std::string big(32766, 'x');  // 2 x 32767 = 65534 bytes with its NUL
    s.append(big.c_str());
    ASSERT_EQ(s.length_bytes(), 65534);
    s.append("a");
    EXPECT_EQ(s.length_bytes(), 65534);
    EXPECT_EQ(s.max_length_bytes(), 65534);
    EXPECT_EQ(s.buffer()[32765], 'x');
    EXPECT_EQ(s.buffer()[32766], 0);

    _UNICODE_STRING_EX fresh(1);
    const std::string huge(40000, 'y');
    fresh.append(huge.c_str());
    EXPECT_EQ(fresh.length_bytes(), 0);
    EXPECT_EQ(fresh.max_length_bytes(), 2);
}

TEST(UnicodeStringEx, OwnedBufferIsNotTrustedBeyondItsAllocation) {
    // A maximum set larger than the allocation must not let clear or append write past it
    // (the sanitizer build catches any such write).
    _UNICODE_STRING_EX s(2);
    s.set_maximum_length(400).set_length(0);
    s.clear();
    s.append("abcdef");
    EXPECT_EQ(buffer_units(s), (std::vector<uint16_t>{'a', 'b', 'c', 'd', 'e', 'f', 0}));
    EXPECT_EQ(s.max_length_bytes(), 14);
}

TEST(UnicodeStringEx, ZeroCapacityOwnsNothing) {
    _UNICODE_STRING_EX s(static_cast<uint16_t>(0));
    EXPECT_EQ(s.buffer(), nullptr);
    EXPECT_EQ(s.max_length_bytes(), 0);
    EXPECT_FALSE(s.owns_buffer());
    s.append("a");
    s.append(static_cast<const char*>(nullptr));
    EXPECT_EQ(s.length_bytes(), 0);
}

// ---- Measuring ----

TEST(Utf16Length, CapStopsAtFiveHundredTwelve) {
    std::vector<uint16_t> units(512, 'a');
    units.push_back(0);
    EXPECT_EQ(utf16_length_capped(units.data()), 512);
    EXPECT_EQ(utf16_length(units.data()), 512);
    units.insert(units.begin(), 'a');
    EXPECT_EQ(utf16_length_capped(units.data()), 0);
    EXPECT_EQ(utf16_length(units.data()), 513);
    EXPECT_EQ(utf16_length_capped(nullptr), 0);
    EXPECT_EQ(utf16_length(nullptr), 0);
}

TEST(Utf16VectorLength, TrailingNuls) {
    const std::vector<uint16_t> padded{'a', 'b', 0, 0};
    EXPECT_EQ(utf16_vector_byte_length(padded), 4);
    EXPECT_EQ(utf16_vector_length(padded), 3);
    EXPECT_EQ(utf16_vector_byte_length({0, 0}), 0);
    EXPECT_EQ(utf16_vector_length({0, 0}), 1);
    EXPECT_EQ(utf16_vector_byte_length({}), 0);
    EXPECT_EQ(utf16_vector_length({}), 0);
    EXPECT_EQ(utf16_vector_byte_length({0, 'a'}), 4);
}

struct line_break_case {
    const char* name;
    std::string text;
    int count;  // units offered, may be fewer than the text holds
    bool found;
    int offset;  // where the position ends up
};
void PrintTo(const line_break_case& c, std::ostream* os) { *os << c.name; }

class Utf16FindLineBreak : public ::testing::TestWithParam<line_break_case> {};

TEST_P(Utf16FindLineBreak, MovesPositionAndCount) {
    const line_break_case& c = GetParam();
    // Exactly count units on the heap, so a read past the count shows in the sanitizer build.
    const std::vector<uint16_t> all = units_of(c.text);
    const std::vector<uint16_t> units(all.begin(), all.begin() + c.count);
    const uint16_t* position = units.data();
    int count = c.count;
    EXPECT_EQ(utf16_find_line_break(&position, &count), c.found);
    EXPECT_EQ(position - units.data(), c.offset);
    EXPECT_EQ(count, c.count - c.offset);
}

const line_break_case line_break_cases[] = {
    {"CrLfSkipped", "a\r\nb", 4, true, 3},
    {"LfKeptUnderPosition", "ab\nc", 4, true, 2},
    {"LoneCrSkipsNextUnit", "a\rb\nc", 5, true, 3},
    {"CrCrLfSkipsSecondCr", "\r\r\nx", 4, true, 2},
    {"CrLfCutByCount", "a\r\n", 2, false, 0},
    {"NoBreak", "abc", 3, false, 0},
    {"LeadingLf", "\nab", 3, true, 0},
};
INSTANTIATE_TEST_SUITE_P(Cases, Utf16FindLineBreak, ::testing::ValuesIn(line_break_cases),
                         case_name);

TEST(Utf16FindLineBreak, RefusesMissingInput) {
    int count = 3;
    const uint16_t* none = nullptr;
    EXPECT_FALSE(utf16_find_line_break(&none, &count));
    EXPECT_FALSE(utf16_find_line_break(nullptr, &count));
    const uint16_t unit = '\n';
    const uint16_t* position = &unit;
    EXPECT_FALSE(utf16_find_line_break(&position, nullptr));
    count = 0;
    EXPECT_FALSE(utf16_find_line_break(&position, &count));
}

// ---- Reading UTF-16 ----

struct read_case {
    const char* name;
    std::vector<uint16_t> units;
    int byte_count;
    bool count_terminator;
    std::string utf8;
    int result;
};
void PrintTo(const read_case& c, std::ostream* os) { *os << c.name; }

class Utf16ToString : public ::testing::TestWithParam<read_case> {};

TEST_P(Utf16ToString, TextAndByteCount) {
    const read_case& c = GetParam();
    std::string out = "stale";
    EXPECT_EQ(utf16_to_string(c.units.data(), out, c.byte_count, c.count_terminator), c.result);
    EXPECT_EQ(out, c.utf8);
}

const read_case read_cases[] = {
    {"Counted", {'A', 'B', 0}, 6, false, "AB", 4},
    {"CountedWithTerminator", {'A', 'B', 0}, 6, true, "AB", 6},
    {"TerminatorOutsideCount", {'A', 'B', 0}, 5, true, "AB", 4},
    {"UncountedWithTerminator", {'A', 'B', 0}, -1, true, "AB", 4},
    {"OddCountDropsHalfUnit", {'A', 'B', 'C'}, 5, false, "AB", 4},
    {"SurrogatePair", {0xD83D, 0xDE00, 0}, -1, false, "\xF0\x9F\x98\x80", 4},
    // A surrogate that is not half of a pair becomes U+FFFD: the report gets well-formed
    // UTF-8 (never 41 ED A0 80 42) and the text after it.
    {"UnpairedHighKeepsAll",
     {'A', 0xD800, 'B', 0},
     -1,
     false,
     "A\xEF\xBF\xBD"
     "B",
     6},
    {"LoneLow", {0xDC00, 0}, -1, true, "\xEF\xBF\xBD", 2},
    {"EmptyText", {0, 'A'}, 4, true, "", 0},
    {"ZeroCount", {'A', 0}, 0, false, "", 0},
    {"NegativeCount", {'A', 0}, -4, false, "", 0},
};
INSTANTIATE_TEST_SUITE_P(Cases, Utf16ToString, ::testing::ValuesIn(read_cases), case_name);

TEST(Utf16ToString, NeverReadsPastTheCount) {
    // Exactly the counted units, with no NUL after them: a read past the count shows in the
    // sanitizer build.
    for (int units = 1; units <= 4; ++units) {
        const std::vector<uint16_t> text(static_cast<std::size_t>(units), 'z');
        std::string out;
        EXPECT_EQ(utf16_to_string(text.data(), out, 2 * units + 1, true), 2 * units);
        EXPECT_EQ(out, std::string(static_cast<std::size_t>(units), 'z'));
    }
    const std::vector<uint16_t> high{'a', 0xD800};
    std::string out;
    EXPECT_EQ(utf16_to_string(high.data(), out, 4, false), 4);
    EXPECT_EQ(out, "a\xEF\xBF\xBD");
}

TEST(Utf16ToWstring, UncountedReadStopsAfterFiveHundredUnits) {
    const std::vector<uint16_t> text(500, 'q');  // no NUL anywhere
    std::wstring out;
    EXPECT_EQ(utf16_to_wstring(text.data(), out, -1), 1000);
    EXPECT_EQ(out, std::wstring(500, L'q'));
    EXPECT_EQ(utf16_to_wstring(nullptr, out, 10), 0);
    EXPECT_TRUE(out.empty());
}

TEST(Utf16zToString, ReadsUpToNul) {
    const std::vector<uint16_t> text{'h', 0xE9, 0, 'x'};
    EXPECT_EQ(utf16z_to_string(text.data()), "h\xC3\xA9");
    std::string out = "stale";
    EXPECT_EQ(&utf16z_to_string_into(text.data(), out), &out);
    EXPECT_EQ(out, "h\xC3\xA9");
    EXPECT_EQ(utf16z_to_string(nullptr), "");
}

// ---- Writing UTF-16 ----

TEST(WideToUtf16Crlf, LfBecomesCrLfAndNoNul) {
    std::vector<uint16_t> out{9};
    const std::wstring text{L'a', L'\n', L'b', wchar_t{0x1F600}};
    const uint16_t* first = wide_to_utf16_crlf(out, text.c_str());
    EXPECT_EQ(out, (std::vector<uint16_t>{'a', '\r', '\n', 'b', 0xF600}));
    EXPECT_EQ(first, out.data());
    EXPECT_EQ(wide_to_utf16_crlf(out, L""), nullptr);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(wide_to_utf16_crlf(out, nullptr), nullptr);
}

TEST(AsciiToUtf16Crlf, LinesJoinedByCrLfAndNulEnded) {
    std::vector<uint16_t> out{9};
    const uint16_t* first = ascii_to_utf16_crlf(out, "ab\ncd\xE9");
    EXPECT_EQ(out, (std::vector<uint16_t>{'a', 'b', '\r', '\n', 'c', 'd', 0xFFE9, 0}));
    EXPECT_EQ(first, out.data());
    EXPECT_EQ(ascii_to_utf16_crlf(out, ""), nullptr);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ascii_to_utf16_crlf(out, nullptr), nullptr);
}

TEST(FormatToUtf16, ShortAndLongTexts) {
    std::vector<uint16_t> out;
    ASSERT_NE(format_to_utf16(out, "%d-%s\n", 42, "x"), nullptr);
    EXPECT_EQ(out, (std::vector<uint16_t>{'4', '2', '-', 'x', '\r', '\n', 0}));

    // 29 characters fit the first attempt; 30 and more are formatted a second time.
    for (const std::size_t length : {29u, 30u, 200u}) {
        const std::string text(length, 'k');
        ASSERT_NE(format_to_utf16(out, "%s", text.c_str()), nullptr);
        std::vector<uint16_t> expected = units_of(text);
        expected.push_back(0);
        EXPECT_EQ(out, expected) << length;
    }
    EXPECT_EQ(format_to_utf16(out, "%s", ""), nullptr);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(format_to_utf16(out, nullptr), nullptr);
}

// ---- Narrow and wide ----

TEST(ByteWidening, EveryFormTakesBytesAsSigned) {
    std::wstring wide = L"keep";
    widen_chars(nullptr, wide);
    widen_chars("", wide);
    EXPECT_EQ(wide, L"keep");
    widen_chars("a\xE9", wide);
    EXPECT_EQ(wide, (std::wstring{L'a', static_cast<wchar_t>(-23)}));

    EXPECT_EQ(string_to_wide_lossy("a\xE9", wide), 2);
    EXPECT_EQ(wide, (std::wstring{L'a', static_cast<wchar_t>(-23)}));

    std::string narrow = "stale";
    wstring_to_narrow_lossy(std::wstring{L'a', wchar_t{0x1E9}}, narrow);
    EXPECT_EQ(narrow, "a\xE9");
    wstring_to_narrow_lossy(L"", narrow);
    EXPECT_TRUE(narrow.empty());
}

TEST(StringToWideBuffer, NeedsCapacityPlusOneUnits) {
    uint32_t buffer[3] = {7, 7, 7};
    EXPECT_EQ(string_to_wide_buffer("a\xE9", buffer, 2), buffer);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 0xFFFFFFE9u);
    EXPECT_EQ(buffer[2], 0u);

    uint32_t small[2] = {7, 7};
    EXPECT_EQ(string_to_wide_buffer("abc", small, 1), nullptr);
    EXPECT_EQ(small[0], 0u);
    EXPECT_EQ(small[1], 7u);
    EXPECT_EQ(string_to_wide_buffer("", small, -1), nullptr);
    EXPECT_EQ(string_to_wide_buffer("a", nullptr, 4), nullptr);
}

TEST(Latin1CstrToUtf8, HighBytesBecomeTwoBytes) {
    const uint8_t text[] = {'a', 0xE9, 0x80, 0xFF, 0};
    EXPECT_EQ(latin1_to_utf8(text), "a\xC3\xA9\xC2\x80\xC3\xBF");
    EXPECT_EQ(latin1_to_utf8(nullptr), "");
}

TEST(WcstrToUtf8, EncodesAndKeepsPrefixBeforeBadCharacter) {
    EXPECT_EQ(wcstr_to_utf8(L"a\u00E9"), "a\xC3\xA9");
    EXPECT_EQ(wcstr_to_utf8(nullptr), "");
    const std::wstring bad{L'x', wchar_t{0x110000}, L'y'};
    std::string out = "stale";
    EXPECT_EQ(&wcstr_to_utf8_assign(bad.c_str(), out), &out);
    EXPECT_EQ(out, "x");
    wcstr_to_utf8_assign(nullptr, out);
    EXPECT_TRUE(out.empty());
}

TEST(WideLists, ConvertBothWaysInOrder) {
    const char* argv[] = {"velk", "-db", "caf\xC3\xA9", nullptr};
    std::vector<std::wstring> wide{L"first"};
    EXPECT_TRUE(argv_to_wide_list(wide, 3, argv));
    EXPECT_EQ(wide, (std::vector<std::wstring>{L"first", L"velk", L"-db", L"caf\u00E9"}));
    std::vector<std::wstring> none;
    EXPECT_FALSE(argv_to_wide_list(none, 0, argv));
    EXPECT_FALSE(argv_to_wide_list(none, 2, nullptr));

    const std::vector<std::string> narrow{"a", "", "caf\xC3\xA9", "b\xFF"};
    const std::vector<std::wstring> expected{L"a", L"", L"caf\u00E9", L"b"};
    std::vector<std::wstring> first{L"stale"};
    std::vector<std::wstring> second{L"stale"};
    wide_list_from_strings(first, narrow);
    strings_to_wide_list(narrow, second);
    EXPECT_EQ(first, expected);
    EXPECT_EQ(second, expected);

    std::vector<std::string> back{"stale"};
    std::vector<std::string> back2{"stale"};
    wstring_list_to_utf8(back, expected);
    wide_list_to_strings(expected, back2);
    EXPECT_EQ(back, (std::vector<std::string>{"a", "", "caf\xC3\xA9", "b"}));
    EXPECT_EQ(back2, back);
}

}  // namespace
