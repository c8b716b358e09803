#include "sqlite/record_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "sqlite/page_builder.h"
#include "sqlite/value_code.h"

namespace {

using test_pages::record;

struct value_case {
    const char* name;
    uint64 type;
    byte_array content;  // what follows the header (may be shorter than the type asks)
    std::string text;
    uint32 code;
};

class DecodeRecordValue : public ::testing::TestWithParam<value_case> {};

TEST_P(DecodeRecordValue, GivesTheColumnText) {
    const value_case& c = GetParam();
    const byte_array rec = record({c.type}, c.content);
    record_decoder d;
    int32 consumed = -1;
    ASSERT_TRUE(decode_record(d, consumed, nullptr, rec.data(), static_cast<uint32>(rec.size()),
                              4096, 0, false, true, text_encoding::utf8));
    ASSERT_EQ(d.values.size(), 1u);
    EXPECT_EQ(d.values[0], c.text);
    EXPECT_EQ(d.value_codes[0], c.code);
    EXPECT_EQ(consumed, static_cast<int32>(rec.size()));
}

const value_case value_cases[] = {
    {"null", 0, {}, "", value_code::null},
    {"constant_zero", 8, {}, "0", value_code::zero},
    {"constant_one", 9, {}, "1", value_code::one},
    {"real_1_5", 7, {0x3f, 0xf8, 0, 0, 0, 0, 0, 0}, "1.5", value_code::real},
    {"real_zero_bytes", 7, byte_array(8, 0), "0", value_code::real},
    {"real_minus_2_25", 7, {0xc0, 0x02, 0, 0, 0, 0, 0, 0}, "-2.25", value_code::real},
    {"real_cut_to_four_is_single", 7, {0x3f, 0xc0, 0, 0}, "1.5", value_code::real},
    {"real_cut_to_three_is_nan", 7, {0x3f, 0xc0, 0}, "NaN", value_code::real},
    {"real_past_end", 7, {}, "NaN", value_code::real},
    {"int8_ff_is_minus_one", 1, {0xff}, "-1", value_code::integer},
    {"int16_minus_129", 2, {0xff, 0x7f}, "-129", value_code::integer},
    {"int24_max_negative", 3, {0x80, 0, 0}, "-8388608", value_code::integer},
    {"int32", 4, {0x00, 0xab, 0xcd, 0xef}, "11259375", value_code::integer},
    {"int48_takes_six", 5, {0x01, 0, 0, 0, 0, 0}, "1099511627776", value_code::integer},
    {"int64_min", 6, {0x80, 0, 0, 0, 0, 0, 0, 0}, "-9223372036854775808", value_code::integer},
    {"int_cut_extends_taken_bytes", 4, {0xff, 0xfe}, "-2", value_code::integer},
    {"int_past_end", 4, {}, "0", value_code::integer},
    {"reserved_10_keeps_last_8", 10, {0xff, 0xff, 0, 0, 0, 0, 0, 0, 0x12, 0x34}, "4660",
     value_code::integer},
    {"text", 23, {'h', 'e', 'l', 'l', 'o'}, "hello", value_code::text},
    {"text_cut_takes_what_is_left", 23, {'h', 'e'}, "he", value_code::text},
    {"empty_text", 13, {}, "", value_code::text},
    {"blob_raw", 18, {0, 0x0a, 0xff}, std::string("\0\n\xff", 3), value_code::blob},
};

INSTANTIATE_TEST_SUITE_P(Cases, DecodeRecordValue, ::testing::ValuesIn(value_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DecodeRecord, BlobsShowAsOneHexLineWithoutLineBreaks) {
    byte_array bytes;
    for (uint8 b = 0x41; b < 0x52; ++b) {
        bytes.push_back(b);
    }
    const byte_array rec = record({12 + 2 * 17, 12 + 2 * 5}, [&] {
        byte_array c = bytes;
        test_pages::append(c, {'\r', '\n', 1, 2, 3});
        return c;
    }());
    record_decoder d;
    int32 consumed = 0;
    ASSERT_TRUE(decode_record(d, consumed, nullptr, rec.data(), static_cast<uint32>(rec.size()),
                              4096, 0, false, false, text_encoding::utf8));
    EXPECT_EQ(d.values[0],
              "41 42 43 44 45 46 47 48  49 4a 4b 4c 4d 4e 4f 50  ABCDEFGHIJKLMNOP ...");
    EXPECT_EQ(d.values[1], "0d 0a 01 02 03                                    .....");
    EXPECT_EQ(d.blob_values.at(0), bytes);
    EXPECT_EQ(d.blob_values.at(1), (byte_array{'\r', '\n', 1, 2, 3}));
}

TEST(DecodeRecord, Utf16TextBecomesUtf8) {
    const byte_array rec = record({13 + 2 * 6}, {'G', 0, 0xfc, 0, 0x01, 0xd8});
    record_decoder d;
    int32 consumed = 0;
    ASSERT_TRUE(decode_record(d, consumed, nullptr, rec.data(), static_cast<uint32>(rec.size()),
                              4096, 0, false, true, text_encoding::utf16le));
    // G, u-umlaut, and an unpaired high surrogate kept as one character.
    ASSERT_EQ(d.values.size(), 1u);
    EXPECT_EQ(d.values[0].substr(0, 3), "G\xc3\xbc");
}

// One text column stored in each encoding, then a blob: the text is read in the encoding
// (UTF-16 in its byte order, up to a NUL unit, an odd last byte dropped), the blob's bytes
// stay what they are, and a decimal text of 18 characters is a timestamp in any encoding.
struct encoded_text_case {
    const char* name;
    text_encoding encoding;
    byte_array text;  // the stored text bytes
    std::string expected;
    uint32 expected_code;
};

class DecodeEncodedText : public ::testing::TestWithParam<encoded_text_case> {};

TEST_P(DecodeEncodedText, TextPerEncodingBlobAsBytes) {
    const encoded_text_case& c = GetParam();
    const byte_array blob{'<', 't', 0, 0xfc, '>'};
    byte_array content = c.text;
    content.insert(content.end(), blob.begin(), blob.end());
    const byte_array rec = record({13 + 2 * c.text.size(), 12 + 2 * blob.size()}, content);
    record_decoder d;
    int32 consumed = 0;
    ASSERT_TRUE(decode_record(d, consumed, nullptr, rec.data(), static_cast<uint32>(rec.size()),
                              4096, 0, false, true, c.encoding));
    ASSERT_EQ(d.values.size(), 2u);
    EXPECT_EQ(d.values[0], c.expected);
    EXPECT_EQ(d.value_codes[0], c.expected_code);
    EXPECT_EQ(d.values[1], std::string(blob.begin(), blob.end()));
    EXPECT_EQ(d.blob_values.at(1), blob);
}

// "Gü" and U+1F600 (a surrogate pair in UTF-16).
const encoded_text_case encoded_text_cases[] = {
    {"utf8",
     text_encoding::utf8,
     {'G', 0xc3, 0xbc, 0xf0, 0x9f, 0x98, 0x80},
     "G\xc3\xbc\xf0\x9f\x98\x80",
     value_code::text},
    {"utf16le",
     text_encoding::utf16le,
     {'G', 0, 0xfc, 0, 0x3d, 0xd8, 0x00, 0xde},
     "G\xc3\xbc\xf0\x9f\x98\x80",
     value_code::text},
    {"utf16be",
     text_encoding::utf16be,
     {0, 'G', 0, 0xfc, 0xd8, 0x3d, 0xde, 0x00},
     "G\xc3\xbc\xf0\x9f\x98\x80",
     value_code::text},
    {"utf16be_odd_last_byte", text_encoding::utf16be, {0, 'A', 0, 'B', 0}, "AB", value_code::text},
    {"utf16le_ends_at_nul", text_encoding::utf16le, {'A', 0, 0, 0, 'B', 0}, "A", value_code::text},
    {"utf16be_read_as_utf8",
     text_encoding::utf8,
     {0, 'A'},
     std::string("\0A", 2),
     value_code::text},
    // 132521874959025799: 2020-12-11 19:11:35.9025799 UTC as a FILETIME, 36 bytes of UTF-16.
    {"utf16be_time_text",
     text_encoding::utf16be,
     {0, '1', 0, '3', 0, '2', 0, '5', 0, '2', 0, '1', 0, '8', 0, '7', 0, '4',
      0, '9', 0, '5', 0, '9', 0, '0', 0, '2', 0, '5', 0, '7', 0, '9', 0, '9'},
     "132521874959025799",
     0x1013},
};

INSTANTIATE_TEST_SUITE_P(Cases, DecodeEncodedText, ::testing::ValuesIn(encoded_text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DecodeRecord, ColumnsPastTheEndReadAsEmptyForms) {
    // int32, real, text, blob declared; only two bytes of content present.
    const byte_array rec = record({4, 7, 23, 20}, {0x00, 0x05});
    record_decoder d;
    int32 consumed = 0;
    ASSERT_TRUE(decode_record(d, consumed, nullptr, rec.data(), static_cast<uint32>(rec.size()),
                              4096, 0, false, true, text_encoding::utf8));
    EXPECT_EQ(d.values, (std::vector<std::string>{"5", "NaN", "", ""}));
    EXPECT_EQ(consumed, static_cast<int32>(rec.size()));
    EXPECT_TRUE(d.time_values.empty());
}

TEST(DecodeRecord, HeaderFailuresAndReuse) {
    record_decoder d;
    int32 consumed = 9;
    const uint8 no_types[] = {0x01};
    EXPECT_TRUE(decode_record(d, consumed, nullptr, no_types, 1, 4096, 0, false, true,
                              text_encoding::utf8));
    EXPECT_TRUE(d.values.empty());
    EXPECT_EQ(consumed, 0);
    const uint8 header_past_end[] = {0x09, 0x01, 0x01};
    EXPECT_FALSE(decode_record(d, consumed, nullptr, header_past_end, 3, 4096, 0, false, true,
                               text_encoding::utf8));
    // A decoder reused for a second record holds only that record.
    const byte_array a = record({23, 16}, {'h', 'e', 'l', 'l', 'o', 1, 2});
    ASSERT_TRUE(decode_record(d, consumed, nullptr, a.data(), static_cast<uint32>(a.size()), 0, 0,
                              false, true, text_encoding::utf8));
    const byte_array b = record({1}, {7});
    ASSERT_TRUE(decode_record(d, consumed, nullptr, b.data(), static_cast<uint32>(b.size()), 0, 0,
                              false, true, text_encoding::utf8));
    EXPECT_EQ(d.values, (std::vector<std::string>{"7"}));
    EXPECT_TRUE(d.blob_values.empty());
}

TEST(DecodeRecord, TimestampsAreRecognisedAndAnnotated) {
    // A FILETIME integer (2020-12-11 19:11:35.9025799 UTC), Unix seconds as a real, the
    // same FILETIME as 18 digits of text, and a small integer that is no time.
    const byte_array content{0x01, 0xd6, 0xcf, 0xf1, 0x71, 0xe6, 0xc6, 0x87,  // int64
                             0x41, 0xd7, 0xf4, 0xf1, 0x19, 0xc0, 0x00, 0x00,  // real
                             '1', '3', '2', '5', '2', '1', '8', '7', '4', '9', '5', '9', '0',
                             '2', '5', '7', '9', '9', 0x05};
    const byte_array rec = record({6, 7, 13 + 2 * 18, 1}, content);
    record_decoder d;
    int32 consumed = 0;
    ASSERT_TRUE(decode_record(d, consumed, nullptr, rec.data(), static_cast<uint32>(rec.size()),
                              4096, 0, true, true, text_encoding::utf8));
    EXPECT_EQ(d.value_codes, (std::vector<uint32>{0x1012, 0x8014, 0x1013, 2}));
    EXPECT_EQ(d.time_values.at(0), 132521874959025799u);
    EXPECT_EQ(d.time_values.at(2), 132521874959025799u);
    EXPECT_EQ(d.time_values.count(3), 0u);
    EXPECT_EQ(d.values[0], "132521874959025799 [2020-12-11 19:11:35.902]");
    EXPECT_EQ(d.values[3], "5");
}

TEST(DecodeRecord, WithoutExtrasOnlyTheTextsAreMade) {
    // The FILETIME of the test above as an integer and as text, and a 3-byte blob: the texts
    // are those of a full decode without annotation (raw blobs and hex views alike), with no
    // time mark, time value or kept blob.
    const byte_array content{0x01, 0xd6, 0xcf, 0xf1, 0x71, 0xe6, 0xc6, 0x87, '1', '3',
                             '2',  '5',  '2',  '1',  '8',  '7',  '4',  '9',  '5', '9',
                             '0',  '2',  '5',  '7',  '9',  '9',  'a',  0x00, 'b'};
    const byte_array rec = record({6, 13 + 2 * 18, 12 + 2 * 3}, content);
    const auto length = static_cast<uint32>(rec.size());
    for (const bool raw_blobs : {true, false}) {
        record_decoder full;
        record_decoder texts;
        int32 consumed = 0;
        ASSERT_TRUE(decode_record(full, consumed, nullptr, rec.data(), length, 4096, 0, false,
                                  raw_blobs, text_encoding::utf8));
        ASSERT_EQ(full.time_values.size(), 2u);
        ASSERT_EQ(full.blob_values.size(), 1u);
        ASSERT_TRUE(decode_record(texts, consumed, nullptr, rec.data(), length, 4096, 0, true,
                                  raw_blobs, text_encoding::utf8, false));
        EXPECT_EQ(texts.values, full.values) << raw_blobs;
        EXPECT_NE(texts.value_codes, full.value_codes);  // the time marks are gone
        EXPECT_EQ(texts.value_codes, (std::vector<uint32>{2, 3, 7}));  // integer, text, blob
        EXPECT_TRUE(texts.time_values.empty());
        EXPECT_TRUE(texts.blob_values.empty());
        EXPECT_EQ(consumed, static_cast<int32>(rec.size()));
    }
}

TEST(DecodeRecord, DumpWritesHeaderAndValueLines) {
    const byte_array rec = record({1, 15, 8}, {0x05, 'a'});
    record_decoder d;
    int32 consumed = 0;
    std::ostringstream dump;
    ASSERT_TRUE(decode_record(d, consumed, &dump, rec.data(), static_cast<uint32>(rec.size()), 4096,
                              0x1234, false, true, text_encoding::utf8));
    EXPECT_EQ(dump.str(),
              "00001234 : header size  : 0x4, data sizes [val:1, str:1, cst0:0]\n"
              "val:0x01 : 5\nstr:0x01 : a\ncst:0x00 : 0\n\n");
}

}  // namespace
