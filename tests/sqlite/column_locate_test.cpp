// Column location in a raw record and the two list matchers, on the record of the real
// notification with Order 1 (294 bytes at file offset 28378).

#include "sqlite/column_locate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "real_data.h"
#include "sqlite/real_db_bytes.h"

namespace {

constexpr uint64 record_offset = 28378;
constexpr uint32 record_length = 294;

byte_array real_record() { return velk_test::real_db_bytes(record_offset, record_length); }

struct column_case {
    const char* name;
    uint32 length;
    int32 position;
    uint32 offset;
    uint32 size;
    bool cut;
    const char* starts;
};

const column_case column_cases[] = {
    {"type", record_length, 5, 34, 5, false, "toast"},
    {"payload", record_length, 6, 39, 228, false, "<toast activationType='protocol'"},
    {"payload_type", record_length, 13, 283, 3, false, "Xml"},
    {"payload_cut", 100, 6, 39, 61, true, "<toast"},
};

class LocateRecordColumn : public ::testing::TestWithParam<column_case> {};

TEST_P(LocateRecordColumn, RealNotificationRecord) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    const column_case& c = GetParam();
    const byte_array record = real_record();
    ASSERT_EQ(record.size(), record_length);
    const uint8* content = nullptr;
    uint32 size = 0;
    bool cut = false;
    ASSERT_TRUE(locate_column(content, size, cut, record.data(), c.length, c.position));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content - record.data(), c.offset);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(cut, c.cut);
    EXPECT_EQ(std::string(content, content + size).rfind(c.starts, 0), 0U);
}

INSTANTIATE_TEST_SUITE_P(Cases, LocateRecordColumn, ::testing::ValuesIn(column_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(LocateRecordColumn, RefusalsAndContentPastTheEnd) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    const byte_array record = real_record();
    const uint8* content = nullptr;
    uint32 size = 7;
    bool cut = false;
    EXPECT_FALSE(locate_column(content, size, cut, nullptr, 10, 1));
    EXPECT_FALSE(locate_column(content, size, cut, record.data(), 2, 1));
    EXPECT_FALSE(locate_column(content, size, cut, record.data(), 20, 20));
    EXPECT_FALSE(locate_column(content, size, cut, record.data(), record_length, 0));
    // Position 7 is the second byte of the payload's two-byte serial type.
    EXPECT_FALSE(locate_column(content, size, cut, record.data(), record_length, 7));
    // The header alone: the content of column 5 starts past the bytes.
    ASSERT_TRUE(locate_column(content, size, cut, record.data(), 20, 5));
    EXPECT_TRUE(cut);
    EXPECT_EQ(content, nullptr);
    EXPECT_EQ(size, 0U);
}

TEST(MatchSignatureList, RealSerialTypes) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    const byte_array record = real_record();
    const uint8* types = record.data() + 1;  // the 15 bytes after the header-size byte
    std::vector<std::string> patterns = {"0", "1", "1", "+", "-", "+", "-",
                                         "-", "6", "6", "8", "-", "6", "8"};
    EXPECT_EQ(match_signature_list(types, 15, patterns), 15);
    patterns[3] = "-";  // a blob is no text, and no other alternative is tried
    EXPECT_EQ(match_signature_list(types, 15, patterns), 0);
    patterns[3] = "+0";
    EXPECT_EQ(match_signature_list(types, 15, patterns), 15);
    patterns[3] = "0+";
    EXPECT_EQ(match_signature_list(types, 15, patterns), 15);
    EXPECT_EQ(match_signature_list(types, 13, patterns), 0);  // shorter than the list
    EXPECT_EQ(match_signature_list(types, 15, {}), 0);
    EXPECT_EQ(match_signature_list(nullptr, 15, patterns), 0);
}

TEST(MatchDigitPattern, FirstPatternOnly) {
    const byte_array bytes = {1, 2, 9};
    const byte_array other = {1, 2, 8};
    EXPECT_EQ(match_digit_pattern(bytes.data(), 3, {"129", "x"}), 3);
    EXPECT_EQ(match_digit_pattern(other.data(), 3, {"129"}), 0);
    EXPECT_EQ(match_digit_pattern(bytes.data(), 2, {"129"}), 0);
    EXPECT_EQ(match_digit_pattern(bytes.data(), 3, {""}), 0);
}

TEST(BytesEqualAt, InsideTheBytesOnly) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    const byte_array record = real_record();
    EXPECT_TRUE(bytes_equal_at("toast", record.data(), record_length, 34));
    EXPECT_FALSE(bytes_equal_at("toast", record.data(), record_length, 35));
    EXPECT_FALSE(bytes_equal_at("Xml!", record.data(), record_length, 291));
    EXPECT_FALSE(bytes_equal_at("x", record.data(), record_length, 0xFFFFFFFF));
}

}  // namespace
