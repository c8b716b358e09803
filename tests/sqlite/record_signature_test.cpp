#include "sqlite/record_signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "real_data.h"
#include "signature_test_support.h"

namespace {

using velk_test::notification_pattern_count;
using velk_test::notification_patterns;

TEST(RecordSignature, RealNotificationRowMatchesBothWays) {
    VELK_NEED_REAL_DATA(test_pages::real_db_path());
    const byte_array row = velk_test::real_order1_bytes(velk_test::real_order1_header);
    ASSERT_EQ(row[0], velk_test::real_order1_header);
    const kq::byte_reader bytes(row);
    kq::byte_reader types;
    ASSERT_TRUE(bytes.tail(1, types));
    EXPECT_EQ(match_signature_forward(types.data(), static_cast<int32>(types.size()),
                                      notification_pattern_count, 0, notification_patterns),
              15);
    const std::size_t last = velk_test::real_order1_types;
    EXPECT_EQ(match_signature_backward(bytes, last, static_cast<int32>(row.size()),
                                       notification_pattern_count, notification_pattern_count - 1,
                                       notification_patterns),
              -15);
    // From the middle: patterns 4 to 13 start at the Type column's byte (offset 4 of types).
    kq::byte_reader from_type;
    ASSERT_TRUE(types.tail(4, from_type));
    EXPECT_EQ(match_signature_forward(from_type.data(), static_cast<int32>(from_type.size()),
                                      notification_pattern_count, 4, notification_patterns),
              11);
    // A record of another shape: the Payload column is no blob in a handler-like row.
    byte_array other = row;
    other[6] = 0x17;  // the Payload's first varint byte becomes text 5, one byte long
    EXPECT_EQ(match_signature_forward(other.data() + 1, 15, notification_pattern_count, 0,
                                      notification_patterns),
              0);
}

struct signature_case {
    const char* name;
    byte_array bytes;
    std::vector<const char*> patterns;
    uint16 forward;  // from byte 0
    int32 backward;  // ending at the last byte, looking at the whole buffer
};

class MatchSignature : public ::testing::TestWithParam<signature_case> {};

TEST_P(MatchSignature, ForwardAndBackward) {
    const signature_case& c = GetParam();
    const auto count = static_cast<int32>(c.patterns.size());
    const auto length = static_cast<int32>(c.bytes.size());
    EXPECT_EQ(match_signature_forward(c.bytes.data(), length, count, 0, c.patterns.data()),
              c.forward);
    // Backward, the first byte stands for the header-size byte that bounds a varint run.
    byte_array with_size{0x05};
    with_size.insert(with_size.end(), c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(match_signature_backward(kq::byte_reader(with_size), c.bytes.size(), length + 1,
                                       count, count - 1, c.patterns.data()),
              c.backward);
}

const signature_case signature_cases[] = {
    {"empty_text_is_text", {13}, {"-"}, 1, -1},
    {"empty_blob_is_blob", {12}, {"+"}, 1, -1},
    {"empty_text_is_no_blob", {13}, {"+"}, 0, 0},
    {"ten_is_neither", {10}, {"-+"}, 0, 0},
    {"eleven_is_neither", {11}, {"+-"}, 0, 0},
    {"two_byte_text_advances_two", {0x81, 0x0F}, {"-"}, 2, -2},
    {"two_byte_blob", {0x83, 0x54}, {"+"}, 2, -2},
    {"x0d_takes_one", {0x0D}, {"x0d"}, 1, -1},
    {"x81_then_text_runs_out", {0x81, 0x0F}, {"x81", "-"}, 0, 0},
    {"x81_then_type", {0x81, 0x0F, 0x08}, {"x81", "89"}, 3, 0},
    {"digits_fail_where_none_names", {0x05}, {"129"}, 0, 0},
    {"later_alternative_matches", {0x09, 0x00}, {"129", "-0"}, 2, -2},
    {"x_mismatch_fails_whole", {0x0E}, {"x0d"}, 0, 0},
    {"x_zero_never_matches", {0x00}, {"x0"}, 0, 0},
    {"x_without_digits", {0x00}, {"x"}, 0, 0},
    {"x_not_hexadecimal", {0x0D}, {"x0z"}, 0, 0},
    {"empty_pattern_has_no_alternative", {0x01}, {""}, 0, 0},
    {"more_patterns_than_bytes", {0x01}, {"1", "1"}, 0, 0},
    {"text_or_null", {0x1B, 0x00, 0x01}, {"-0", "-0", "1"}, 3, -3},
};

INSTANTIATE_TEST_SUITE_P(Cases, MatchSignature, ::testing::ValuesIn(signature_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// "x81" names the first byte of a two-byte varint: forward it takes both bytes, backward
// the byte alone (walking back it is the last byte met).
TEST(MatchSignature, TwoByteValueForwardAndBackward) {
    const byte_array bytes{0x05, 0x81, 0x0F};
    const char* const two[] = {"x81"};
    EXPECT_EQ(match_signature_forward(bytes.data() + 1, 2, 1, 0, two), 2);
    EXPECT_EQ(match_signature_backward(kq::byte_reader(bytes), 1, 2, 1, 0, two), -1);
}

// The forward matcher took two bytes for a value above 0x7F and then compared the next
// pattern past the end of the data; each byte's position is tested before it is read, and
// a two-byte value must lie wholly in the data.
TEST(MatchSignature, TwoByteValueAtTheEndReadsNothingBeyond) {
    const byte_array one{0x81};
    const char* const then_digit[] = {"x81", "0"};
    EXPECT_EQ(match_signature_forward(one.data(), 1, 2, 0, then_digit), 0);
    const char* const alone[] = {"x81"};
    EXPECT_EQ(match_signature_forward(one.data(), 1, 1, 0, alone), 0);
    const byte_array two{0x81, 0x00};
    const char* const then_zero[] = {"x81", "0"};
    EXPECT_EQ(match_signature_forward(two.data(), 2, 2, 0, then_zero), 0);
}

TEST(MatchSignature, RefusesArgumentsThatDescribeNoRun) {
    const byte_array bytes{0x05, 0x01, 0x01};
    const char* const ones[] = {"1", "1"};
    EXPECT_EQ(match_signature_forward(nullptr, 3, 2, 0, ones), 0);
    EXPECT_EQ(match_signature_forward(bytes.data(), 3, 0, 0, ones), 0);
    EXPECT_EQ(match_signature_forward(bytes.data(), 3, 2, 2, ones), 0);
    EXPECT_EQ(match_signature_forward(bytes.data(), 3, 2, -1, ones), 0);
    EXPECT_EQ(match_signature_forward(bytes.data() + 1, 2, 2, 0, nullptr), 0);
    EXPECT_EQ(match_signature_forward(bytes.data() + 1, 2, 2, 0, ones), 2);
    const kq::byte_reader view(bytes);
    EXPECT_EQ(match_signature_backward(view, 2, 3, 2, 1, ones), -2);
    EXPECT_EQ(match_signature_backward(view, 2, 0, 2, 1, ones), 0);
    EXPECT_EQ(match_signature_backward(view, 2, 3, 0, 0, ones), 0);
    EXPECT_EQ(match_signature_backward(view, 2, 3, 2, 2, ones), 0);  // last past the list
    EXPECT_EQ(match_signature_backward(view, 3, 3, 2, 1, ones), 0);  // end past the view
    // The length limits the walk: two one-byte patterns need two bytes.
    EXPECT_EQ(match_signature_backward(view, 2, 1, 2, 1, ones), 0);
    // The view's start limits it whatever the length claims.
    EXPECT_EQ(match_signature_backward(kq::byte_reader(bytes.data() + 2, 1), 0, 3, 2, 1, ones), 0);
}

}  // namespace
