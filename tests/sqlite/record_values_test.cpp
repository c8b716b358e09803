#include "sqlite/record_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sqlite/value_code.h"

namespace {

using strings = std::vector<std::string>;
using codes_t = std::vector<uint32>;

constexpr uint32 cut = value_code::cut_flag;

TEST(DecodeRecordValues, DecodesWholeRecords) {
    codes_t codes{value_code::integer, value_code::text, value_code::null, value_code::one,
                  value_code::real};
    const codes_t sizes{1, 3, 0, 0, 8};
    const uint8 content[] = {0xff, 'a', 'b', 'c', 0x3f, 0xf8, 0, 0, 0, 0, 0, 0};
    strings values;
    bool truncated = false;
    ASSERT_TRUE(decode_record_values(values, content, sizeof content, codes, sizes, nullptr, true,
                                     text_encoding::utf8, truncated));
    EXPECT_EQ(values, (strings{"-1", "abc", "", "1", "1.5"}));
    EXPECT_FALSE(truncated);
}

// A carved record of a UTF-16 database: its texts in the database's byte order, its blob as
// bytes; a text cut by the end keeps its whole units (the 4 bytes of an overflow page number
// and an odd byte left out).
TEST(DecodeRecordValues, Utf16TextsInTheirByteOrderBlobsAsBytes) {
    const codes_t sizes{4, 2, 14};
    const uint8 be[] = {0, 'h', 0, 'i', 'O', 'K', 0, 'a', 0, 'b', 0, 'c', 0, 'd', 0};
    const uint8 le[] = {'h', 0, 'i', 0, 'O', 'K', 'a', 0, 'b', 0, 'c', 0, 'd', 0, 0};
    for (const auto& [encoding, content] :
         {std::pair{text_encoding::utf16be, be}, std::pair{text_encoding::utf16le, le}}) {
        codes_t codes{value_code::text, value_code::blob, value_code::text};
        strings values;
        bool allow = true;
        ASSERT_TRUE(decode_record_values(values, content, sizeof be, codes, sizes, nullptr, true,
                                         encoding, allow));
        // 9 bytes left for the 14-byte text: 5 kept, the units "ab".
        EXPECT_EQ(values, (strings{"hi", "OK", "ab"}));
        EXPECT_EQ(codes[2], value_code::text | cut);
        EXPECT_FALSE(allow);
    }
}

TEST(DecodeRecordValues, ShortDataNeedsPermission) {
    codes_t codes{value_code::text};
    const codes_t sizes{10};
    const uint8 content[] = {'a', 'b'};
    strings values;
    bool allow = false;
    EXPECT_FALSE(decode_record_values(values, content, 2, codes, sizes, nullptr, true,
                                      text_encoding::utf8, allow));
    EXPECT_FALSE(decode_record_values(values, nullptr, 0, codes, sizes, nullptr, true,
                                      text_encoding::utf8, allow));
    // Content sizes are summed in 64 bits: two huge sizes do not wrap into a small total.
    codes_t two{value_code::blob, value_code::blob};
    const codes_t huge{0xffffffffu, 3};
    EXPECT_FALSE(decode_record_values(values, content, 2, two, huge, nullptr, true,
                                      text_encoding::utf8, allow));
    const codes_t mismatched{1, 2};
    allow = true;
    EXPECT_FALSE(decode_record_values(values, content, 2, codes, mismatched, nullptr, true,
                                      text_encoding::utf8, allow));
}

TEST(DecodeRecordValues, CutValueKeepsItsBytesLessThePageNumber) {
    // A 20-byte text with 10 bytes left: its first 6 bytes, cut-marked; nothing later needs
    // bytes, so the record is not truncated.
    codes_t codes{value_code::text};
    const codes_t sizes{20};
    const uint8 content[] = {'0', '1', '2', '3', '4', '5', 0, 0, 0, 9};
    strings values;
    bool allow = true;
    ASSERT_TRUE(decode_record_values(values, content, sizeof content, codes, sizes, nullptr, true,
                                     text_encoding::utf8, allow));
    EXPECT_EQ(values, (strings{"012345"}));
    EXPECT_EQ(codes[0], value_code::text | cut);
    EXPECT_FALSE(allow);
}

TEST(DecodeRecordValues, LaterColumnWithNothingLeftTruncatesTheRest) {
    codes_t codes{value_code::integer, value_code::text, value_code::integer, value_code::null};
    const codes_t sizes{2, 8, 1, 0};
    const uint8 content[] = {0x01, 0x00, 'a', 'b', 'c'};
    strings values;
    bool allow = true;
    ASSERT_TRUE(decode_record_values(values, content, sizeof content, codes, sizes, nullptr, true,
                                     text_encoding::utf8, allow));
    // The cut text takes all remaining bytes (3, fewer than 5: none kept), so the integer
    // after it finds nothing: it and every later column are empty and cut-marked.
    EXPECT_EQ(values, (strings{"256", "", "", ""}));
    EXPECT_EQ(codes, (codes_t{value_code::integer, value_code::text | cut,
                              value_code::integer | cut, value_code::null | cut}));
    EXPECT_TRUE(allow);
}

TEST(DecodeRecordValues, AnEmptyLastValueIsNotATruncation) {
    codes_t codes{value_code::integer, value_code::text, value_code::blob};
    const codes_t sizes{1, 0, 0};
    const uint8 content[] = {0x07};
    strings values;
    bool allow = false;
    ASSERT_TRUE(decode_record_values(values, content, 1, codes, sizes, nullptr, true,
                                     text_encoding::utf8, allow));
    EXPECT_EQ(values, (strings{"7", "", ""}));
    EXPECT_FALSE(allow);
    EXPECT_EQ(codes, (codes_t{value_code::integer, value_code::text, value_code::blob}));
}

TEST(DecodeRecordValues, BlobsAsRawBytesOrHexView) {
    codes_t codes{value_code::blob};
    const codes_t sizes{3};
    const uint8 content[] = {'\r', 'A', 0};
    strings values;
    bool allow = false;
    ASSERT_TRUE(decode_record_values(values, content, 3, codes, sizes, nullptr, true,
                                     text_encoding::utf8, allow));
    EXPECT_EQ(values[0], std::string("\rA\0", 3));
    ASSERT_TRUE(decode_record_values(values, content, 3, codes, sizes, nullptr, false,
                                     text_encoding::utf8, allow));
    EXPECT_EQ(values[0], "0d 41 00 " + std::string(40, ' ') + " .A.\n");
}

TEST(DecodeRecordValues, DumpLines) {
    codes_t codes{value_code::integer, value_code::null, value_code::blob};
    const codes_t sizes{1, 0, 2};
    const uint8 content[] = {0x05, 'x', 'y'};
    strings values;
    bool allow = false;
    std::ostringstream dump;
    ASSERT_TRUE(decode_record_values(values, content, 3, codes, sizes, &dump, true,
                                     text_encoding::utf8, allow));
    EXPECT_EQ(dump.str(), "val:0x01 : 5\nnul:0x00 : -\nblb:0x02 : xy\n");
}

}  // namespace
