#include "sqlite/column_text.h"

#include <gtest/gtest.h>

#include <string>

#include "real_data.h"
#include "signature_test_support.h"
#include "sqlite/text_filter.h"

namespace {

// A record: the header-size byte, the serial-type bytes, then the content.
byte_array make_record(const byte_array& types, const std::string& content) {
    byte_array r;
    r.reserve(1 + types.size() + content.size());
    r.push_back(static_cast<uint8>(types.size() + 1));
    for (const uint8 t : types) {
        r.push_back(t);
    }
    for (const char c : content) {
        r.push_back(static_cast<uint8>(c));
    }
    return r;
}

bool text_at(std::string& out, const byte_array& r, int32 position, int32 min_length,
             int32 max_length, bool blob, bool cut) {
    return extract_column_text(out, r.data(), static_cast<int32>(r.size()), position, min_length,
                               max_length, filter_printable, 0, blob, cut);
}

TEST(ColumnText, RealNotificationRow) {
    VELK_NEED_REAL_DATA(test_pages::real_db_path());
    const byte_array row = velk_test::real_order1_bytes(512);
    std::string out;
    EXPECT_TRUE(text_at(out, row, 5, 1, 64, false, false));
    EXPECT_EQ(out, "toast");
    // The Payload's serial type takes two bytes, so PayloadType (column 12) sits at 13.
    EXPECT_TRUE(text_at(out, row, 13, 1, 64, false, false));
    EXPECT_EQ(out, "Xml");
    EXPECT_FALSE(text_at(out, row, 12, 1, 64, false, false));  // serial type 8, a constant
    EXPECT_TRUE(out.empty());
    // The Payload (position 6) read as a blob: UTF-8 XML, cut to its start.
    EXPECT_TRUE(extract_column_text_at(out, row.data(), static_cast<int32>(row.size()), 6, 32,
                                       filter_printable, 0, true, true));
    EXPECT_EQ(out, "<toast activationType='protocol'");
    // The same through a header size given by the caller.
    EXPECT_TRUE(extract_column_text(out, row.data(), static_cast<int32>(row.size()), 5, 1, 64,
                                    filter_printable, velk_test::real_order1_header, false, false));
    EXPECT_EQ(out, "toast");
}

TEST(ColumnText, TextModeReadsABlobOneByteShort) {
    // A 4-byte blob (serial type 20) read as text: (20 - 13) / 2 = 3 bytes.
    const byte_array r = make_record({0x14}, "abcd");
    std::string out;
    EXPECT_TRUE(text_at(out, r, 1, 1, 64, false, false));
    EXPECT_EQ(out, "abc");
    EXPECT_TRUE(text_at(out, r, 1, 1, 64, true, false));
    EXPECT_EQ(out, "abcd");
    // Blob mode refuses a text type.
    const byte_array t = make_record({0x15}, "abcd");
    EXPECT_FALSE(text_at(out, t, 1, 1, 64, true, false));
}

TEST(ColumnText, EarlierEmptyBlobDoesNotMoveTheContent) {
    // Serial types 12 (empty blob), 1 (one byte), 17 (text of 2).
    const byte_array r = make_record({0x0C, 0x01, 0x11}, std::string("\x07") + "hi");
    std::string out;
    EXPECT_TRUE(text_at(out, r, 3, 1, 64, false, false));
    EXPECT_EQ(out, "hi");
}

TEST(ColumnText, ReservedTypesAdvanceByTenAndEleven) {
    const byte_array r = make_record({0x0A, 0x0B, 0x11}, std::string(21, '\0') + "ok");
    std::string out;
    EXPECT_TRUE(text_at(out, r, 3, 1, 64, false, false));
    EXPECT_EQ(out, "ok");
}

TEST(ColumnText, CutAtTheMaximumLength) {
    const byte_array r = make_record({0x1B}, "abcdefg");  // text of 7
    std::string out;
    EXPECT_TRUE(text_at(out, r, 1, 1, 4, false, true));
    EXPECT_EQ(out, "abcd");
    EXPECT_FALSE(text_at(out, r, 1, 1, 4, false, false));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(extract_column_text_at(out, r.data(), static_cast<int32>(r.size()), 1, 4,
                                       filter_printable, 0, false, true));
    EXPECT_EQ(out, "abcd");
    // A bad byte inside the first maximum-length bytes: the prefix filters keep "ab" but
    // report the cut, and the UTF-16 prefix then finds no clean unit.
    const byte_array bad = make_record({0x1B},
                                       "ab\x01"
                                       "defg");
    EXPECT_FALSE(text_at(out, bad, 1, 1, 4, false, true));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(extract_column_text_at(out, bad.data(), static_cast<int32>(bad.size()), 1, 4,
                                        filter_printable, 0, false, true));
}

TEST(ColumnText, ContentCutByTheEndOfTheData) {
    const byte_array r = make_record({0x1B}, "abc");  // text of 7, 3 bytes present
    std::string out;
    EXPECT_FALSE(text_at(out, r, 1, 1, 64, false, false));
    EXPECT_TRUE(text_at(out, r, 1, 1, 64, false, true));
    EXPECT_EQ(out, "abc");
}

TEST(ColumnText, UtfSixteenColumnFallsBack) {
    const byte_array r = make_record({0x1D}, std::string("W\0x\0y\0z\0", 8));  // text of 8
    std::string out;
    EXPECT_TRUE(text_at(out, r, 1, 1, 64, false, false));
    EXPECT_EQ(out, "Wxyz");
}

struct locate_case {
    const char* name;
    byte_array record;
    int32 position;
    uint16 header_size;
    bool blob;
    bool cut;
    column_fault fault;
};

class LocateColumn : public ::testing::TestWithParam<locate_case> {};

TEST_P(LocateColumn, NamesTheReason) {
    const locate_case& c = GetParam();
    column_span span;
    EXPECT_EQ(
        locate_column(span, kq::byte_reader(c.record), c.position, c.header_size, c.blob, c.cut),
        c.fault);
    std::string out = "stale";
    const bool ok = extract_column_text(out, c.record.data(), static_cast<int32>(c.record.size()),
                                        c.position, 0, 1000, 0, c.header_size, c.blob, c.cut);
    if (c.fault != column_fault::none) {
        EXPECT_FALSE(ok);
        EXPECT_TRUE(out.empty());
    }
}

const locate_case locate_cases[] = {
    {"found", {0x02, 0x11, 'h', 'i'}, 1, 0, false, false, column_fault::none},
    {"empty", {}, 1, 0, false, false, column_fault::no_data},
    {"position_past_data", {0x02, 0x11, 'h', 'i'}, 4, 0, false, false, column_fault::no_data},
    {"position_zero", {0x02, 0x11, 'h', 'i'}, 0, 0, false, false, column_fault::position_skipped},
    {"size_varint_takes_everything",
     {0x81, 0x81},
     1,
     0,
     false,
     false,
     column_fault::serial_type_unread},
    {"header_exhausted",
     {0x04, 0x01, 0x01, 0x0F},
     3,
     0,
     false,
     false,
     column_fault::header_exhausted},
    {"two_byte_type_skips_position",
     {0x05, 0x81, 0x0F, 0x0F, 0x00, 0x00},
     2,
     0,
     false,
     false,
     column_fault::position_skipped},
    {"null_column", {0x02, 0x00, 0x00}, 1, 0, false, false, column_fault::null_column},
    {"blob_wanted_text_found", {0x02, 0x11, 'h', 'i'}, 1, 0, true, false, column_fault::wrong_kind},
    {"real_is_no_text",
     {0x02, 0x07, 0, 0, 0, 0, 0, 0, 0, 0},
     1,
     0,
     false,
     false,
     column_fault::wrong_kind},
    {"blob_wanted_int_found",
     {0x02, 0x06, 0, 0, 0, 0, 0, 0, 0, 0},
     1,
     0,
     true,
     false,
     column_fault::wrong_kind},
    // The header claims 127 bytes: the content would start past the data. Cutting used to
    // turn length - offset into a huge size; the offset is tested first now.
    {"content_past_data_cut",
     {0x7F, 0x11, 'h', 'i'},
     1,
     0,
     false,
     true,
     column_fault::content_past_data},
    {"content_at_the_end_cut",
     {0x04, 0x11, 'h', 'i'},
     1,
     0,
     false,
     true,
     column_fault::content_past_data},
    {"content_cut_not_allowed",
     {0x02, 0x1B, 'h', 'i'},
     1,
     0,
     false,
     false,
     column_fault::content_cut},
    {"content_longer_than_the_rest",
     {0x01, 0x0D, 0x0D, 0x1B, 'a', 'b', 'c', 'd', 'e'},
     3,
     0,
     false,
     false,
     column_fault::content_too_long},
    {"nine_byte_type",
     {0x0B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x11, 'h'},
     2,
     0,
     false,
     true,
     column_fault::position_skipped},
    {"huge_type_before",
     {0x0B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x11, 'h'},
     10,
     0,
     false,
     true,
     column_fault::content_past_data},
    {"given_header_size", {0x00, 0x11, 'h', 'i'}, 1, 2, false, false, column_fault::none},
};

INSTANTIATE_TEST_SUITE_P(Cases, LocateColumn, ::testing::ValuesIn(locate_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
