#include "text/md5_digest.h"

#include <gtest/gtest.h>

#include <string>

#include "text/hex_text.h"

namespace {

std::string hex_of(const std::array<uint8, 16>& bytes) {
    return byte_array_hex_string(byte_array(bytes.begin(), bytes.end()), "");
}

// Every table-definition signature is this digest of "sz" and the lower-cased column names;
// the carver matches records by its GUID text, so one wrong byte loses every carved row.
TEST(Md5Digest, SchemaSignatureDigestAndGuidText) {
    const std::string text = "sz;id;payload";
    guid16 id;
    ASSERT_TRUE(md5_digest(text.data(), static_cast<uint32>(text.size()), id));
    EXPECT_EQ(hex_of(id.bytes), "261bb04657deb06920078dbefbdb2519");
    EXPECT_EQ(guid_to_text(id, 0), "46b01b26-de57-69b0-2007-8dbefbdb2519");
    EXPECT_EQ(guid_to_text(id, 1), "261bb04657deb06920078dbefbdb2519");
}

TEST(Md5Digest, EmptyOrNullInputIsFalseAndLeavesOutput) {
    guid16 id;
    id.bytes.fill(0xAB);
    const guid16 before = id;
    EXPECT_FALSE(md5_digest("x", 0, id));
    EXPECT_FALSE(md5_digest(nullptr, 5, id));
    EXPECT_TRUE(guid16_equal(id, before));
    EXPECT_TRUE(md5_digest("x", 1, id));
}

TEST(Md5Digest, FinalReinitialisesSoTheContextServesAgain) {
    md5_context context;
    md5_init(context);
    std::array<uint8, 16> first{};
    std::array<uint8, 16> second{};
    ASSERT_TRUE(md5_update(&context, "abc", 3));
    ASSERT_TRUE(md5_final(first, &context));
    ASSERT_TRUE(md5_update(&context, "abc", 3));
    ASSERT_TRUE(md5_final(second, &context));
    EXPECT_EQ(hex_of(first), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(first, second);
}

TEST(Md5Digest, NullContextAndEmptyUpdateAreRefused) {
    md5_context context;
    std::array<uint8, 16> out{};
    EXPECT_FALSE(md5_reset(nullptr));
    EXPECT_FALSE(md5_update(nullptr, "a", 1));
    EXPECT_FALSE(md5_final(out, nullptr));
    ASSERT_TRUE(md5_reset(&context));
    EXPECT_FALSE(md5_update(&context, "a", 0));
    EXPECT_FALSE(md5_update(&context, nullptr, 1));
}

TEST(Md5Digest, EncodeNeverWritesPastEitherSpan) {
    const std::array<uint32, 2> words = {0x04030201, 0x08070605};
    std::array<uint8, 6> out{};
    md5_encode(out, words, 100);  // only one whole word fits in out
    EXPECT_EQ(out, (std::array<uint8, 6>{1, 2, 3, 4, 0, 0}));
}

}  // namespace
