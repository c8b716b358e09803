#include "text/guid16.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

guid16 counting_guid() {
    guid16 id;
    for (std::size_t i = 0; i < id.bytes.size(); ++i) {
        id.bytes[i] = static_cast<uint8>(i);
    }
    return id;
}

TEST(GuidText, FirstThreeFieldsReadLittleEndian) {
    const guid16 id = counting_guid();
    EXPECT_EQ(guid_to_string(id), "03020100-0504-0706-0809-0a0b0c0d0e0f");
    EXPECT_EQ(guid_to_text(id, 0), "03020100-0504-0706-0809-0a0b0c0d0e0f");
    EXPECT_EQ(guid_to_text(id, 7), "000102030405060708090a0b0c0d0e0f");
    EXPECT_EQ(id.data1(), 0x03020100u);
    EXPECT_EQ(id.data2(), 0x0504);
    EXPECT_EQ(id.data3(), 0x0706);
    std::string out = "old";
    EXPECT_FALSE(guid_to_string_out(out, nullptr));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(guid_to_string_out(out, &id));
    EXPECT_EQ(out, "03020100-0504-0706-0809-0a0b0c0d0e0f");
}

TEST(GuidText, NullEqualityAndCopy) {
    guid16 id = counting_guid();
    EXPECT_FALSE(guid_is_null(id));
    guid_clear(id);
    EXPECT_TRUE(guid_is_null(id));
    id.bytes[15] = 1;
    EXPECT_FALSE(guid_is_null(id));
    const guid16 source = counting_guid();
    guid_copy(id, source.bytes.data());
    EXPECT_TRUE(guid16_equal(id, source));
    EXPECT_FALSE(guid16_not_equal(id, source));
    guid_copy(id, nullptr);
    EXPECT_TRUE(guid16_equal(id, source));
    id.clear();
    EXPECT_TRUE(guid16_not_equal(id, source));
}

struct cstr_case {
    const char* name;
    std::size_t size;
    bool result;
    const char* expected;
};

void PrintTo(const cstr_case& c, std::ostream* os) { *os << c.name; }

// Tag bytes: '{' (0x7B) and '/' (0x2F) lie outside '0'..'z'; 'A' and 'z' are kept.
const cstr_case cstr_cases[] = {
    {"Size36Refused", 36, false, "untouched"},
    {"Size37", 37, true, "417a2f7b-0504-0706-0809-0a0b0c0d0e0f"},
    {"Size41", 41, true, "417a2f7b-0504-0706-0809-0a0b0c0d0e0f"},
    {"Size42Tagged", 42, true, "417a2f7b-0504-0706-0809-0a0b0c0d0e0f ..zA"},
    {"Size80Tagged", 80, true, "417a2f7b-0504-0706-0809-0a0b0c0d0e0f ..zA"},
};

class GuidToCstr : public ::testing::TestWithParam<cstr_case> {};

TEST_P(GuidToCstr, WritesWithinTheSize) {
    const cstr_case& c = GetParam();
    guid16 id = counting_guid();
    id.bytes[0] = 0x7B;
    id.bytes[1] = 0x2F;
    id.bytes[2] = 'z';
    id.bytes[3] = 'A';
    std::string buffer(100, '#');
    std::strcpy(buffer.data(), "untouched");
    EXPECT_EQ(guid_to_cstr(buffer.data(), c.size, id.bytes.data()), c.result);
    EXPECT_STREQ(buffer.c_str(), c.expected);
    EXPECT_EQ(buffer[c.size], '#');  // nothing written past the size
}

INSTANTIATE_TEST_SUITE_P(Sizes, GuidToCstr, ::testing::ValuesIn(cstr_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(GuidToCstr, TagOfDigitKeepsIt) {
    guid16 id;
    id.bytes = {'0', '9', 0x7A, 0x30};
    std::array<char, 42> buffer{};
    ASSERT_TRUE(guid_to_cstr(buffer.data(), buffer.size(), id.bytes.data()));
    EXPECT_STREQ(buffer.data(), "307a3930-0000-0000-0000-000000000000 09z0");
    EXPECT_FALSE(guid_to_cstr(nullptr, 50, id.bytes.data()));
    EXPECT_FALSE(guid_to_cstr(buffer.data(), buffer.size(), nullptr));
}

TEST(GuidInitializer, SourceCodeList) {
    std::string out = "old";
    EXPECT_TRUE(guid_to_initializer_text(out, counting_guid()));
    EXPECT_EQ(out, "0x03020100, 0x0504, 0x0706, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f");
    EXPECT_TRUE(guid_key_to_initializer_text(out, counting_guid(), 65535));
    EXPECT_EQ(out,
              "0x03020100, 0x0504, 0x0706, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, "
              "65535");
}

TEST(ParseGuidText, RoundTripsTheTextForm) {
    const guid16 id = counting_guid();
    guid16 parsed;
    ASSERT_TRUE(parse_guid_text(guid_to_string(id), parsed));
    EXPECT_TRUE(guid16_equal(parsed, id));
    ASSERT_TRUE(parse_guid_text("46B01B26-DE57-69B0-2007-8DBEFBDB2519", parsed));
    EXPECT_EQ(guid_to_string(parsed), "46b01b26-de57-69b0-2007-8dbefbdb2519");
    // Blanks before items are skipped; any non-blank character separates.
    ASSERT_TRUE(parse_guid_text(" 1 : 2 : 3 : 4 : 5 and more text", parsed));
    EXPECT_EQ(guid_to_string(parsed), "00000001-0002-0003-0004-000000000005");
}

struct bad_text_case {
    const char* name;
    std::string text;
};

void PrintTo(const bad_text_case& c, std::ostream* os) { *os << c.name; }

// Every one of these must fail and leave the output exactly as it was.
const bad_text_case bad_text_cases[] = {
    {"TwentyOneCharacters", "03020100-0504-0706-08"},
    {"LeadingBrace", "{03020100-0504-0706-0809-0a0b0c0d0e0f}"},
    {"FieldMissing", "03020100-0504-0706-0809-              "},
    {"Data1TooWide", "103020100-0504-0706-0809-0a0b0c0d0e0f"},
    {"Data2TooWide", "03020100-10504-0706-0809-0a0b0c0d0e0f"},
    {"LastGroupBeyond64Bits", "03020100-0504-0706-0809-10a0b0c0d0e0f0102"},
    {"NotHex", "zzzzzzzz-zzzz-zzzz-zzzz-zzzzzzzzzzzz"},
    {"NegativeField", "03020100--504-0706-0809-0a0b0c0d0e0f"},
    {"EndsAfterSeparator", "03020100-0504-0706-0809-"},
};

class ParseGuidBadText : public ::testing::TestWithParam<bad_text_case> {};

TEST_P(ParseGuidBadText, IsFalseAndLeavesOutput) {
    guid16 out;
    out.bytes.fill(0x5A);
    const guid16 before = out;
    EXPECT_FALSE(parse_guid_text(GetParam().text, out));
    EXPECT_TRUE(guid16_equal(out, before));
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseGuidBadText, ::testing::ValuesIn(bad_text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

std::string random_text(std::mt19937& rng, std::size_t length) {
    std::string alphabet = "0123456789abcdefABCDEFxX-{} \t:;\x80\xff";
    alphabet += '\0';
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(length, ' ');
    for (char& c : text) {
        c = alphabet[pick(rng)];
    }
    return text;
}

// A text is accepted only when what it was parsed into reads back the same.
void expect_safe_parse(const std::string& text) {
    guid16 out;
    if (!parse_guid_text(text, out)) {
        return;
    }
    guid16 again;
    ASSERT_TRUE(parse_guid_text(guid_to_string(out), again)) << text;
    EXPECT_TRUE(guid16_equal(out, again)) << text;
}

// Any text: random runs of hex digits, separators, blanks and other bytes, at every length.
TEST(ParseGuidText, AnyTextIsSafe) {
    std::mt19937 rng(99);
    for (std::size_t length = 0; length < 60; ++length) {
        for (int round = 0; round < 50; ++round) {
            expect_safe_parse(random_text(rng, length));
        }
    }
}

TEST(NetAddressText, KindsAndIpv4) {
    const uint8 bytes[] = {192, 168, 0, 1, 0xab, 0xcd, 0xef, 0x01};
    std::string out;
    EXPECT_TRUE(net_address_to_text(bytes, 4, out));
    EXPECT_EQ(out, "192.168.0.1");
    EXPECT_TRUE(net_address_to_text(bytes, 6, out));
    EXPECT_EQ(out, "c0:a8:00:01:ab:cd");
    EXPECT_TRUE(net_address_to_text(bytes, 8, out));
    EXPECT_EQ(out, "c0:a8:00:01:ab:cd:ef:01");
    EXPECT_FALSE(net_address_to_text(bytes, 5, out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(net_address_to_text(nullptr, 4, out));
    EXPECT_TRUE(ipv4_to_text(0xC0A80001, out));
    EXPECT_EQ(out, "192.168.0.1");
    std::array<uint8, 4> be{};
    EXPECT_TRUE(uint32_to_be_bytes(0x01020304, be));
    EXPECT_EQ(be, (std::array<uint8, 4>{1, 2, 3, 4}));
}

}  // namespace
