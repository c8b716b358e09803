#include "text/extras/address_text_parsers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ipv4_case {
    const char* name;
    const char* text;
    bool ok;
    uint32 value;  // without swap
};

class Ipv4TextToUint32 : public ::testing::TestWithParam<ipv4_case> {};

TEST_P(Ipv4TextToUint32, ReadsFourPartsOrRefuses) {
    const ipv4_case& c = GetParam();
    uint32 value = 0xDEADBEEF;
    EXPECT_EQ(ipv4_text_to_uint32(c.text, value, false), c.ok);
    if (c.ok) {
        EXPECT_EQ(value, c.value);
        uint32 swapped = 0;
        ASSERT_TRUE(ipv4_text_to_uint32(c.text, swapped, true));
        EXPECT_EQ(swapped, __builtin_bswap32(c.value));
    }
}

const ipv4_case ipv4_cases[] = {
    {"Dotted", "192.168.0.1", true, 0xC0A80001},
    {"Dashed", "192-168-0-1", true, 0xC0A80001},
    {"Colons", "192:168:0:1", true, 0xC0A80001},
    {"HexParts", "0xC0.0xA8.0.1", true, 0xC0A80001},
    {"OctalAndQuoted", "o300.'A'.0.1", true, 0xC0410001},
    {"EmptyPartDropped", "1..2.3.4", true, 0x01020304},
    {"ThreeParts", "1.2.3", false, 0},
    {"FiveParts", "1.2.3.4.5", false, 0},
    // A part above 255 would carry into the byte above it and read as 1.2.4.0.
    {"PartAbove255", "1.2.3.256", false, 0},
    {"HugePart", "1.2.3.0x100000000", false, 0},
    {"Negative", "1.2.-3.4", false, 0},
    {"NotANumber", "1.2.zz.4", false, 0},
    {"NoSeparator", "19216801", false, 0},
    {"Empty", "", false, 0},
    {"OnlyColons", "::::::::::::::::::::::::::::::::::::::::::::::::::", false, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, Ipv4TextToUint32, ::testing::ValuesIn(ipv4_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Ipv4TextToUint32, NullTextIsRefused) {
    uint32 value = 7;
    EXPECT_FALSE(ipv4_text_to_uint32(nullptr, value, false));
    EXPECT_EQ(value, 0U);
}

TEST(Ipv4ToWtext, MostSignificantByteFirst) {
    std::wstring out = L"old";
    ASSERT_TRUE(ipv4_to_wtext(0xC0A80001, out));
    EXPECT_EQ(out, L"192.168.0.1");
    ASSERT_TRUE(ipv4_to_wtext(0xFFFFFFFF, out));
    EXPECT_EQ(out, L"255.255.255.255");
}

struct ipv6_case {
    const char* name;
    std::string text;
    bool ok;
    byte_array bytes;
};

byte_array with_tail(byte_array head, std::size_t zeros, byte_array tail) {
    head.insert(head.end(), zeros, 0);
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

class Ipv6TextToBytes : public ::testing::TestWithParam<ipv6_case> {};

TEST_P(Ipv6TextToBytes, GivesSixteenBytesOrNothing) {
    const ipv6_case& c = GetParam();
    byte_array out{0xAA};
    EXPECT_EQ(ipv6_text_to_bytes(c.text, out), c.ok);
    EXPECT_EQ(out, c.bytes);
}

const ipv6_case ipv6_cases[] = {
    {"Loopback", "::1", true, with_tail({}, 15, {0x01})},
    {"LinkLocalPrefix", "fe80::", true, with_tail({0xFE, 0x80}, 14, {})},
    {"Empty", "", true, byte_array(16, 0)},
    {"AllShorthand", "::", true, byte_array(16, 0)},
    {"Documentation", "2001:db8::8:1", true,
     with_tail({0x20, 0x01, 0x0D, 0xB8}, 8, {0x00, 0x08, 0x00, 0x01})},
    {"EightGroups", "1:2:3:4:5:6:7:8", true,
     {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8}},
    {"GroupWithoutDigitIsZero", "zz::1", true, with_tail({}, 15, {0x01})},
    {"UpperCaseHex", "FFFF::", true, with_tail({0xFF, 0xFF}, 14, {})},
    // Two or nine groups gave 4 or 18 bytes and true: no address is that long.
    {"TwoGroups", "1:2", false, {}},
    {"NineGroups", "1:2:3:4:5:6:7:8:9", false, {}},
    {"NoColon", "1", false, {}},
    {"HundredColons", std::string(100, ':'), false, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, Ipv6TextToBytes, ::testing::ValuesIn(ipv6_cases),
                         [](const auto& p) { return std::string(p.param.name); });

const byte_array guid_bytes = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                               0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

struct guid_text_case {
    const char* name;
    std::string text;
    bool ok;
};

class GuidTextToBytes : public ::testing::TestWithParam<guid_text_case> {};

TEST_P(GuidTextToBytes, ReadsFiveFieldsOrGivesNothing) {
    const guid_text_case& c = GetParam();
    byte_array out{1, 2, 3};
    EXPECT_EQ(guid_text_to_bytes(c.text, out), c.ok);
    EXPECT_EQ(out, c.ok ? guid_bytes : byte_array{});
}

const guid_text_case guid_text_cases[] = {
    {"Dashed", "00112233-4455-6677-8899-aabbccddeeff", true},
    {"Braced", "00112233-4455-6677-8899-aabbccddeeff}", true},
    {"AnySeparator", "00112233 4455_6677/8899.AABBCCDDEEFF", true},
    // The fifth field keeps its low 48 bits only.
    {"LongLastField", "00112233-4455-6677-8899-1122aabbccddeeff", true},
    {"TwentyOneCharacters", "00112233-4455-6677-88", false},
    // 36 characters with no hex digit read as a zero GUID and true.
    {"NoHexDigits", "zzzzzzzz-zzzz-zzzz-zzzz-zzzzzzzzzzzz", false},
    {"LastFieldMissing", "00112233-4455-6677-8899-zzzzzzzzzzzz", false},
    {"CutAfterFourFields", "00112233-4455-6677-8899-", false},
    {"LongText", std::string(4096, 'f'), false},
};

INSTANTIATE_TEST_SUITE_P(Cases, GuidTextToBytes, ::testing::ValuesIn(guid_text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Guid16FromHex32, ReadsFieldsAndMarksTheCallersText) {
    std::string text = "00112233445566778899aabbccddeeff";
    guid16 out;
    out.bytes.fill(0x5A);
    guid16_from_hex32(out, text);
    EXPECT_EQ(byte_array(out.bytes.begin(), out.bytes.end()), guid_bytes);
    EXPECT_EQ(text, "00112233 4455 6677 8899aabbccddeeff");
}

TEST(Guid16FromHex32, NonHexFieldStopsTheReading) {
    std::string text = "00112233zz5566778899aabbccddeeff";
    guid16 out;
    out.bytes.fill(0x5A);
    guid16_from_hex32(out, text);
    EXPECT_EQ(out.data1(), 0x00112233U);
    EXPECT_EQ(out.data2(), 0U);
    EXPECT_EQ(out.data3(), 0U);
    EXPECT_EQ(byte_array(out.bytes.begin() + 8, out.bytes.end()), byte_array(8, 0));
}

TEST(Guid16FromHex32, OtherLengthsChangeNothing) {
    for (const std::string& original : {std::string(31, 'a'), std::string(33, 'a'), std::string()}) {
        std::string text = original;
        guid16 out;
        out.bytes.fill(0x5A);
        guid16_from_hex32(out, text);
        EXPECT_EQ(text, original);
        EXPECT_EQ(out.bytes[0], 0x5A);
        EXPECT_EQ(out.bytes[15], 0x5A);
    }
}

}  // namespace
