#include "text/digest_helpers.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

namespace {

// Values from the published reference implementation (tail bytes unsigned).
TEST(SuperFastHash, ReferenceValuesForEveryTailLength) {
    EXPECT_EQ(super_fast_hash(nullptr, 5), 5u);
    EXPECT_EQ(super_fast_hash("abc", 0), 0u);
    EXPECT_EQ(super_fast_hash("a", 1), 0x115EA782u);
    EXPECT_EQ(super_fast_hash("ab", 2), 0x516B8B44u);
    EXPECT_EQ(super_fast_hash("abc", 3), 0xD2BE198Au);
    EXPECT_EQ(super_fast_hash("abcd", 4), 0xDAD8B8DBu);
    EXPECT_EQ(super_fast_hash("\xff\xfe\xfd", 3), 0xC7CB087Au);
    EXPECT_EQ(super_fast_hash("hello world", 11), 0xA68C6882u);
}

TEST(DigestHelpers, RotateAndTicks) {
    EXPECT_EQ(rotate_left32(0x80000001, 1), 0x00000003u);
    EXPECT_EQ(rotate_left32(0x12345678, 32), 0x12345678u);
    EXPECT_EQ(rotate_left32(0x12345678, 36), 0x23456781u);
    EXPECT_EQ(compare_ticks_to_minutes(600000000, 1), 0);
    EXPECT_EQ(compare_ticks_to_minutes(600000001, 1), -1);
    EXPECT_EQ(compare_ticks_to_minutes(599999999, 1), 1);
    // 2^32 - 1 minutes does not overflow the 64-bit product.
    EXPECT_EQ(compare_ticks_to_minutes(~uint64{0}, 0xFFFFFFFF), -1);
}

TEST(VersionTexts, CodesAndComparison) {
    EXPECT_EQ(version_text_to_code("10.3"), 0x0A03);
    EXPECT_EQ(version_text_to_code("release 6.1.7601"), 0x0601);
    EXPECT_EQ(version_text_to_code("6"), 0);
    EXPECT_EQ(version_text_to_code(""), 0);
    EXPECT_EQ(version_text_to_code("999.999"), 0xFFFF);
    EXPECT_EQ(compare_version_texts("6.1", "6.1"), 0);
    EXPECT_EQ(compare_version_texts("6.1", "10.0"), 1);
    EXPECT_EQ(compare_version_texts("6.2", "6.1"), 2);
    EXPECT_EQ(compare_version_texts("6.2", "none"), 0);
}

TEST(UtcLogPrefix, StampAndFileName) {
    std::ostringstream out;
    write_utc_log_prefix(out, nullptr);
    EXPECT_EQ(out.str(), "");
    write_utc_log_prefix(out, "/evidence/case 7/wpndatabase.db");
    const std::regex form(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} UTC\] : wpndatabase\.db )");
    EXPECT_TRUE(std::regex_match(out.str(), form)) << out.str();
    std::ostringstream bare;
    write_utc_log_prefix(bare, "notes.txt");
    EXPECT_TRUE(bare.str().ends_with(" UTC] : notes.txt ")) << bare.str();
}

}  // namespace
