#include "text/crc32_checksum.h"

#include <gtest/gtest.h>

#include <string>

#include "text/adler32_checksum.h"

namespace {

const std::string whole_text = "The quick brown fox jumps over the lazy dog, twice over.";

// Combining the checksums of the two halves must give the checksum of the whole, at every
// split point (both halves non-empty).
TEST(ChecksumCombine, HalvesGiveTheWholeAtEverySplit) {
    const uint32 crc_whole = crc32_digest(whole_text.data(), whole_text.size());
    const uint32 adler_whole = adler32_buffer(whole_text.data(), whole_text.size());
    for (std::size_t cut = 1; cut < whole_text.size(); ++cut) {
        const std::size_t rest = whole_text.size() - cut;
        const uint32 crc1 = crc32_digest(whole_text.data(), cut);
        const uint32 crc2 = crc32_digest(whole_text.data() + cut, rest);
        EXPECT_EQ(crc32_combine(crc1, crc2, static_cast<int64>(rest)), crc_whole) << cut;
        const uint32 a1 = adler32_buffer(whole_text.data(), cut);
        const uint32 a2 = adler32_buffer(whole_text.data() + cut, rest);
        EXPECT_EQ(adler32_combine(a1, a2, static_cast<int64>(rest)), adler_whole) << cut;
    }
}

TEST(ChecksumCombine, LengthEdges) {
    EXPECT_EQ(crc32_combine(0x12345678, 0x9abcdef0, 0), 0x12345678u);
    EXPECT_EQ(crc32_combine(0x12345678, 0x9abcdef0, -5), 0x12345678u);
    EXPECT_EQ(adler32_combine(0x12345678, 0x9abcdef0, -1), 0xFFFFFFFFu);
    // An empty second block has Adler-32 1 and leaves the first unchanged.
    EXPECT_EQ(adler32_combine(0x11E60398, 1, 0), 0x11E60398u);
}

TEST(Crc32Context, UpdatesChainAndRefuseWithoutTable) {
    crc32_context context;
    // Before the table exists there is nothing to look bytes up in.
    EXPECT_FALSE(crc32_update(&context, "1234", 4));
    EXPECT_FALSE(crc32_update(nullptr, "1234", 4));
    EXPECT_FALSE(crc32_init_table(nullptr));
    EXPECT_EQ(crc32_final_text(nullptr), 0u);
    ASSERT_TRUE(crc32_init_table(&context));
    EXPECT_FALSE(crc32_update(&context, nullptr, 4));
    ASSERT_TRUE(crc32_update(&context, "1234", 4));
    ASSERT_TRUE(crc32_update(&context, "56789", 5));
    EXPECT_EQ(crc32_final_text(&context), 0xCBF43926u);
    EXPECT_EQ(context.text, "0xcbf43926");
    context.clear();
    EXPECT_EQ(context.table_ptr, nullptr);
    EXPECT_EQ(context.crc, 0u);
    EXPECT_TRUE(context.text.empty());
}

TEST(Adler32Context, StartsAtZeroAndRefusesEmptyInput) {
    adler32_context context;
    EXPECT_FALSE(adler32_update(&context, "a", 0));
    EXPECT_FALSE(adler32_update(&context, nullptr, 1));
    EXPECT_FALSE(adler32_update(nullptr, "a", 1));
    EXPECT_EQ(adler32_final_text(nullptr), 0u);
    // From 0: s1 = 'a' = 0x61, s2 = 0x61.
    ASSERT_TRUE(adler32_update(&context, "a", 1));
    EXPECT_EQ(adler32_final_text(&context), 0x00610061u);
    EXPECT_EQ(context.text, "0x00610061");
    context.started = 1;
    context.clear();
    EXPECT_EQ(context.value, 0u);
    EXPECT_EQ(context.started, 0u);
    EXPECT_TRUE(context.text.empty());
}

}  // namespace
