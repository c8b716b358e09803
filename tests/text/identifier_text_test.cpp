// NetBIOS names and security identifiers.
#include <gtest/gtest.h>

#include "text/netbios_name.h"
#include "text/sid_text.h"

namespace {

TEST(NetbiosName, EncodesWorkgroupAndDecodesItBack) {
    const std::string name = "WORKGROUP";
    char letters[32] = {};
    ASSERT_TRUE(netbios_encode_name(reinterpret_cast<const uint8*>(name.data()),
                                    static_cast<int>(name.size()), 0x00, letters));
    EXPECT_EQ(std::string(letters, 32), "FHEPFCELEHFCEPFFFACACACACACACAAA");

    std::string decoded;
    uint8 suffix = 0xFF;
    ASSERT_TRUE(netbios_decode_name(reinterpret_cast<const uint8*>(letters), decoded, &suffix));
    EXPECT_EQ(decoded, "WORKGROUP      ");  // the padding blanks come back
    EXPECT_EQ(suffix, 0x00);
}

TEST(NetbiosName, RefusesLongNamesAndMissingBuffers) {
    const uint8 name[16] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H',
                            'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'};
    char letters[32] = {};
    EXPECT_FALSE(netbios_encode_name(name, 16, 0x20, letters));
    EXPECT_FALSE(netbios_encode_name(name, -1, 0x20, letters));
    EXPECT_FALSE(netbios_encode_name(name, 3, 0x20, nullptr));
    EXPECT_FALSE(netbios_encode_name(nullptr, 3, 0x20, letters));
    ASSERT_TRUE(netbios_encode_name(nullptr, 0, 0x1D, letters));  // an all-blank name
    std::string blanks;
    for (int i = 0; i < 15; ++i) {
        blanks += "CA";
    }
    EXPECT_EQ(std::string(letters, 32), blanks + "BN");

    ASSERT_TRUE(netbios_encode_name(name, 15, 0xFF, letters));
    std::string decoded;
    uint8 suffix = 0;
    ASSERT_TRUE(netbios_decode_name(reinterpret_cast<const uint8*>(letters), decoded, &suffix));
    EXPECT_EQ(decoded, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(suffix, 0xFF);
    EXPECT_FALSE(netbios_decode_name(nullptr, decoded, &suffix));
}

struct sid_case {
    const char* name;
    byte_array bytes;
    bool ok;
    bool exact_ok;
    std::string text;
};

class SidToText : public ::testing::TestWithParam<sid_case> {};

TEST_P(SidToText, FormatsOrRefuses) {
    const sid_case& c = GetParam();
    std::string out = "stale";
    const auto size = static_cast<uint32>(c.bytes.size());
    EXPECT_EQ(sid_to_text(out, c.bytes.data(), size), c.ok);
    EXPECT_EQ(out, c.ok ? c.text : "");
    EXPECT_EQ(sid_to_text_exact(out, c.bytes.data(), size), c.exact_ok);
    EXPECT_EQ(out, c.exact_ok ? c.text : "");
    EXPECT_EQ(sid_text(c.bytes.data(), static_cast<int>(size)), c.ok ? c.text : "");
}

const sid_case sid_cases[] = {
    {"LocalSystem", {1, 1, 0, 0, 0, 0, 0, 5, 0x12, 0, 0, 0}, true, true, "S-1-5-18"},
    {"DomainUser",
     {1,    5,    0,    0,    0,    0,    0,    5, 0x15, 0, 0,    0,    0x01, 0x02,
      0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0, 0,    0, 0xE9, 0x03, 0,    0},
     true,
     true,
     "S-1-5-21-67305985-4294967295-16-1001"},
    {"TrailingBytesAllowedUnlessExact",
     {1, 1, 0, 0, 0, 0, 0, 5, 0x12, 0, 0, 0, 0xAA},
     true,
     false,
     "S-1-5-18"},
    // The authority is all six bytes, big-endian: never its last byte alone.
    {"AuthorityOfThreeBytes",
     {1, 1, 0, 0, 0, 0x01, 0x00, 0x05, 0x12, 0, 0, 0},
     true,
     true,
     "S-1-65541-18"},
    {"LargestDecimalAuthority",
     {1, 1, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0, 0, 0},
     true,
     true,
     "S-1-4294967295-18"},
    {"AuthorityFrom2To32InHex",
     {1, 1, 0, 1, 0, 0, 0, 0, 0x12, 0, 0, 0},
     true,
     true,
     "S-1-0x000100000000-18"},
    {"TopAuthorityByte",
     {1, 1, 0xAB, 0, 0, 0, 0, 0x05, 0x12, 0, 0, 0},
     true,
     true,
     "S-1-0xAB0000000005-18"},
    {"CountPastTheData", {1, 2, 0, 0, 0, 0, 0, 5, 0x12, 0, 0, 0}, false, false, ""},
    {"TooShort", {1, 0, 0, 0, 0, 0, 0, 5}, false, false, ""},
    {"Empty", {}, false, false, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, SidToText, ::testing::ValuesIn(sid_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SidText, NullAndNegativeSizes) {
    std::string out;
    EXPECT_FALSE(sid_to_text(out, nullptr, 12));
    EXPECT_EQ(sid_text(nullptr, 12), "");
    const uint8 sid[] = {1, 1, 0, 0, 0, 0, 0, 5, 0x12, 0, 0, 0};
    EXPECT_EQ(sid_text(sid, -12), "");
}

}  // namespace
