#include "sqlite/sql_value_conversions.h"

#include <gtest/gtest.h>

#include <string>

#include "text/guid16.h"

namespace {

const uint8* bytes_of(const std::string& text) {
    return reinterpret_cast<const uint8*>(text.data());  // test-only view of literal bytes
}

int length_of(const std::string& text) { return static_cast<int>(text.size()); }

// ---- Text from bytes and blobs, one table ----

enum class text_form { bytes_all_flags, bytes_no_flags, blob, display_hex, display_text };

struct text_case {
    const char* name;
    text_form form;
    std::string input;
    std::string expected;
    bool flag;  // stopped (bytes, blob) or has-NUL (display)
};

std::string run_text_case(const text_case& c, bool& flag) {
    std::string out = "stale";
    flag = !c.flag;
    switch (c.form) {
        case text_form::bytes_all_flags:
            return text_from_bytes(out, &flag, bytes_of(c.input), length_of(c.input), true, true,
                                   true);
        case text_form::bytes_no_flags:
            return text_from_bytes(out, &flag, bytes_of(c.input), length_of(c.input), false, false,
                                   false);
        case text_form::blob:
            return blob_to_text(out, &flag, bytes_of(c.input), length_of(c.input));
        case text_form::display_hex:
            return blob_to_display_text(out, &flag, bytes_of(c.input), length_of(c.input), true);
        case text_form::display_text:
            return blob_to_display_text(out, &flag, bytes_of(c.input), length_of(c.input), false);
    }
    return out;
}

const std::string printable16 = "ABCDEFGHIJKLMNOP";

const text_case text_cases[] = {
    {"BytesDropBreakTabAndIndent", text_form::bytes_all_flags, std::string("a\r\n\t  b\0c", 9),
     "ab", true},
    {"BytesKeepBlankNotAfterBreak", text_form::bytes_all_flags, "a b\tc\nd", "a bcd", false},
    // A tab does not end the indent after a break; the first kept byte does.
    {"BytesIndentSpansTabs", text_form::bytes_all_flags, "a\n\t \t b c\r\n", "ab c", false},
    {"BytesLeadingBreakAndIndent", text_form::bytes_all_flags, "\r\n  x  y", "x  y", false},
    {"BytesBlankBeforeBreakKept", text_form::bytes_all_flags, "a \nb", "a b", false},
    // Longer than a few machine words, with the bytes acted on at word edges and in between,
    // and a control byte that is kept.
    {"BytesLongTextAcrossWords", text_form::bytes_all_flags,
     std::string("0123456\n  \t89abcdef\x01ghijklmn\topqrstuvwxyz\r\n\0tail", 48),
     "012345689abcdef\x01ghijklmnopqrstuvwxyz", true},
    {"BytesNoFlagsKeepEverything", text_form::bytes_no_flags, std::string("a\r\n\0b", 5),
     std::string("a\r\n\0b", 5), false},
    {"BlobSixteenPrintableBytesIsGuid", text_form::blob, printable16,
     "44434241-4645-4847-494a-4b4c4d4e4f50", false},
    {"BlobControlByteGivesHexPairs", text_form::blob, "ab\x01", "61-62-01", false},
    {"BlobStopsAtNulBeforeControlByte", text_form::blob, std::string("ab\0\x01", 4), "ab", true},
    {"BlobDropsBreaksAndIndent", text_form::blob, "one\r\n  two\tthree!", "onetwothree!", false},
    {"BlobHighBytesAreText", text_form::blob, "Gr\xc3\xbc\xc3\x9f", "Gr\xc3\xbc\xc3\x9f", false},
    {"DisplayHexPairs", text_form::display_hex, "A\n", "41 0a", false},
    {"DisplayTextEscapesControls", text_form::display_text, "A\n", "A\\x0a", false},
    {"DisplayNulIsFlaggedAndShown", text_form::display_text, std::string("\0z", 2), "\\x00z", true},
    {"DisplaySixteenBytesIsGuid", text_form::display_text, printable16,
     "44434241-4645-4847-494a-4b4c4d4e4f50", false},
};

class TextFromRawBytes : public ::testing::TestWithParam<text_case> {};

TEST_P(TextFromRawBytes, Converts) {
    const text_case& c = GetParam();
    bool flag = false;
    EXPECT_EQ(run_text_case(c, flag), c.expected);
    EXPECT_EQ(flag, c.flag);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextFromRawBytes, ::testing::ValuesIn(text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TextFromRawBytes, NullOrEmptyInputGivesEmptyText) {
    std::string out = "stale";
    bool flag = true;
    EXPECT_EQ(text_from_bytes(out, &flag, nullptr, 5, true, true, true), "");
    EXPECT_FALSE(flag);
    EXPECT_EQ(text_from_bytes(out, nullptr, bytes_of("abc"), 0, true, true, true), "");
    EXPECT_EQ(text_from_bytes(out, nullptr, bytes_of("abc"), -1, true, true, true), "");
    flag = true;
    EXPECT_EQ(blob_to_text(out, &flag, nullptr, 3), "");
    EXPECT_FALSE(flag);
    EXPECT_EQ(blob_to_text(out, nullptr, bytes_of("abc"), 0), "");
    EXPECT_EQ(blob_to_display_text(out, nullptr, nullptr, 4, true), "");
    EXPECT_EQ(blob_to_display_text(out, nullptr, bytes_of("abc"), 0, true), "");
    EXPECT_EQ(blob_to_display_text(out, nullptr, bytes_of("abc"), -2, true), "");
}

// A count of -1 previews a NUL-terminated text: its first byte gives the count (1 to 8,
// else 6), and the preview never reads past the terminator. The buffers here hold exactly
// the text and its terminator, so ASan catches any read beyond.
TEST(TextFromRawBytes, TerminatedPreviewStopsAtTheTerminator) {
    struct preview_case {
        std::string text;
        std::string expected;
    };
    const preview_case cases[] = {
        {"", ""},
        {"\x03\x41\x42\x43\x44", "03 41 42..."},
        {"\x08\x41", "08 41..."},  // announces 8 bytes, holds 2
        {"ABCDEFGH", "41 42 43 44 45 46..."},
        {"AB", "41 42..."},
    };
    for (const preview_case& c : cases) {
        std::vector<uint8> exact(c.text.begin(), c.text.end());
        exact.push_back(0);
        std::string out = "stale";
        bool has_nul = true;
        EXPECT_EQ(blob_to_display_text(out, &has_nul, exact.data(), -1, false), c.expected)
            << c.expected;
        EXPECT_FALSE(has_nul);
    }
}

// ---- Numbers, identifiers and byte vectors ----

TEST(ValueConversions, NumbersFollowTheParsers) {
    uint64 u64 = 7;
    EXPECT_EQ(uint64_from_text(u64, "0x1F"), 31U);
    EXPECT_EQ(uint64_from_text(u64, "133232596135897932"), 133232596135897932U);
    EXPECT_EQ(uint64_from_text(u64, nullptr), 0U);
    EXPECT_EQ(uint64_from_text(u64, "1 2"), 0U) << "a blank after the number is refused";
    uint8 u8 = 7;
    EXPECT_EQ(uint8_from_text(u8, "300"), 44);
    EXPECT_EQ(uint8_from_text(u8, ""), 0);
    int64 i64 = 7;
    EXPECT_EQ(int64_from_text(i64, "-9000000000"), -9000000000);
    EXPECT_EQ(int64_from_text(i64, nullptr), 0);
    int32 i32 = 7;
    EXPECT_EQ(int32_from_text(i32, "-17"), -17);
    EXPECT_EQ(int32_from_text(i32, nullptr), 0);
    EXPECT_EQ(int32_from_string(i32, "0x10"), 16);
    EXPECT_EQ(uint64_from_string(u64, "o17"), 15U);
    double d = 7.0;
    EXPECT_DOUBLE_EQ(double_from_string(d, "2.5e3"), 2500.0);
    EXPECT_DOUBLE_EQ(double_from_string(d, ""), 0.0);
}

TEST(ValueConversions, GuidsFromBytesAndStrings) {
    guid16 id;
    id.bytes.fill(0xEE);
    EXPECT_EQ(guid_to_string(guid_from_bytes(id, printable16.data())),
              "44434241-4645-4847-494a-4b4c4d4e4f50");
    EXPECT_TRUE(guid_is_null(guid_from_bytes(id, nullptr)));
    id.bytes.fill(0xEE);
    EXPECT_TRUE(guid_is_null(guid_from_string(id, printable16.substr(0, 15))));
    EXPECT_EQ(guid_to_string(guid_from_string(id, printable16 + "tail")),
              "44434241-4645-4847-494a-4b4c4d4e4f50");
}

TEST(ValueConversions, StringsAndByteVectors) {
    std::string out = "stale";
    EXPECT_EQ(assign_cstr(out, "abc"), "abc");
    EXPECT_EQ(assign_cstr(out, nullptr), "");
    EXPECT_EQ(assign_string(out, std::string("a\0b", 3)), std::string("a\0b", 3));
    byte_array bytes{9};
    EXPECT_EQ(bytes_from_text(bytes, "AB"), (byte_array{0x41, 0x42}));
    EXPECT_EQ(bytes_from_text(bytes, nullptr), byte_array{});
    EXPECT_EQ(bytes_from_string(bytes, std::string("\0\xff", 2)), (byte_array{0x00, 0xff}));
}

TEST(ValueConversions, TextFromCharsReadsUtf16WhenItLooksLikeIt) {
    std::string out = "stale";
    EXPECT_EQ(text_from_chars(out, "plain", 2, false), "plain");
    EXPECT_EQ(text_from_chars(out, nullptr, 4, true), "");
    EXPECT_EQ(text_from_chars(out, "", 4, true), "");
    const std::string utf16("H\0i\0\xfc\0", 6);  // "Hiü" in UTF-16LE, no terminator
    EXPECT_EQ(text_from_chars(out, utf16.data(), 6, true), "Hi\xc3\xbc");
    EXPECT_EQ(text_from_chars(out, utf16.data(), 3, true), "H") << "an odd byte is dropped";
    EXPECT_EQ(text_from_chars(out, "abc\0def", 7, true), "abc");
    EXPECT_EQ(text_from_chars(out, "abcdef", 4, true), "abcd");
    EXPECT_EQ(text_from_chars(out, "a", 2, true), "a") << "two bytes are never UTF-16";
}

}  // namespace
