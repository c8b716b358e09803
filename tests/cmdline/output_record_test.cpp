#include "cmdline/output_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace vt = variant_type;

namespace {

// 2020-12-11 19:11:35.9025799 UTC.
constexpr uint64 sample_filetime = 132521874959025799ULL;
// FILETIME of 2001-01-01 00:00:00 UTC, the Safari epoch.
constexpr uint64 safari_epoch_filetime = 126227808000000000ULL;

std::tuple<uint16, uint32, uint64, std::string> cell_state(const output_record& row, int index) {
    const kq_variant_lite& cell = row.m_fields.at(static_cast<std::size_t>(index));
    return {cell.m_type, cell.m_flags, cell.m_value, cell.m_text};
}

struct sizing_case {
    const char* name;
    int count;
    int valid;
    std::size_t cells;
};

class OutputRecordSizing : public ::testing::TestWithParam<sizing_case> {};

TEST_P(OutputRecordSizing, OnlyOneTo255CellsMakeAValidRow) {
    const sizing_case& c = GetParam();
    output_record row(c.count, true, 0x80000);
    EXPECT_EQ(row.m_valid, c.valid);
    EXPECT_EQ(row.m_num_fields, c.valid == 1 ? c.count : 0);
    EXPECT_EQ(row.m_fields.size(), c.cells);
    // Every setter does nothing on an invalid row.
    EXPECT_EQ(row.set_num(0, 5, vt::u32, 0), 1);
    EXPECT_EQ(row.m_fields.size(), c.cells);
}

const sizing_case sizing_cases[] = {
    {"zero", 0, 0, 0},   {"one", 1, 1, 1},       {"max", 255, 1, 255},
    {"over", 256, 0, 0}, {"negative", -1, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Cases, OutputRecordSizing, ::testing::ValuesIn(sizing_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(OutputRecord, DefaultFlagReachesSetterCellsButNotResetTextCells) {
    output_record row(3, true, 0x80000);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::text, 0U, uint64{0}, std::string()));
    EXPECT_EQ(row.m_fields[0].m_max_text_length, 20);
    EXPECT_EQ(row.set_num(1, 7, vt::u32, 0x100), 1);
    EXPECT_EQ(cell_state(row, 1), std::make_tuple(vt::u32, 0x80100U, uint64{7}, std::string()));
    // reset forgets the default flags.
    row.reset(3, false);
    EXPECT_EQ(row.m_default_flags, 0U);
    EXPECT_EQ(row.m_fields[2].m_type, vt::empty);
}

TEST(OutputRecord, RefusedCallsLeaveTheRowUnchanged) {
    output_record row(2, true);
    ASSERT_EQ(row.set_str(0, "keep", vt::text, 0), 1);
    EXPECT_EQ(row.set_num(-1, 1, vt::u32, 0), 1);
    EXPECT_EQ(row.set_num(-7, 1, vt::u32, 0), 1);
    EXPECT_EQ(row.set_num(2, 1, vt::u32, 0), 1);
    EXPECT_EQ(row.set_num(0, 1, 32, 0), 1);
    EXPECT_EQ(row.set_str(0, "x", 40, 0), 1);
    EXPECT_EQ(row.set_time_text(0, sample_filetime, 32, 0, nullptr), 1);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::text, 0U, uint64{0}, std::string("keep")));
    EXPECT_EQ(cell_state(row, 1), std::make_tuple(vt::text, 0U, uint64{0}, std::string()));
}

TEST(OutputRecord, TwoColumnTimeClearsItsPartnerExceptInTheLastCell) {
    output_record row(3, true);
    ASSERT_EQ(row.set_str(1, "partner", vt::text, 0x8000), 1);
    EXPECT_EQ(row.set_num(0, sample_filetime, vt::filetime_two_columns, 0), 2);
    const kq_variant_lite& partner = row.m_fields[1];
    EXPECT_EQ(std::make_tuple(partner.m_type, partner.m_flags, partner.m_value),
              std::make_tuple(vt::empty, 0U, uint64{0}));
    EXPECT_EQ(row.set_num(2, sample_filetime, vt::filetime_two_columns, 0), 1);
    EXPECT_EQ(row.m_fields[2].m_value, sample_filetime);
    // A one-column time leaves the next cell alone.
    ASSERT_EQ(row.set_str(1, "stay", vt::text, 0), 1);
    EXPECT_EQ(row.set_num(0, sample_filetime, vt::filetime, 0), 1);
    EXPECT_EQ(row.m_fields[1].m_text, "stay");
}

struct text_case {
    const char* name;
    uint32 flags;
    uint32 default_flags;
    std::string input;
    std::string stored;
};

class OutputRecordText : public ::testing::TestWithParam<text_case> {};

TEST_P(OutputRecordText, QuotingAndMarkerRules) {
    const text_case& c = GetParam();
    output_record row(1, false, c.default_flags);
    ASSERT_EQ(row.set_str(0, c.input, vt::text, c.flags), 1);
    EXPECT_EQ(row.m_fields[0].m_text, c.stored);
    ASSERT_EQ(row.set_wstr(0, std::wstring(c.input.begin(), c.input.end()), vt::text, c.flags), 1);
    EXPECT_EQ(row.m_fields[0].m_text, c.stored);
    std::ostringstream stream;
    stream << c.input;
    ASSERT_EQ(row.set_stream_text(0, stream, vt::text, c.flags), 1);
    EXPECT_EQ(row.m_fields[0].m_text, c.stored);
}

const text_case text_cases[] = {
    {"plain", 0, 0, "abc", "abc"},
    {"quoted", 0x8000, 0, "abc", "\"abc\""},
    {"json_object_unquoted", 0x8000, 0, "{\"a\":1}", "{\"a\":1}"},
    {"lone_brace_quote_quoted", 0x8000, 0, "{\"", "\"{\"\""},
    {"quote_by_default_flag", 0, 0x8000, "abc", "\"abc\""},
    {"markers_exact_flag", 0x10000, 0, "a\r\nb\nc\rd", "a[CRLF]b[LF]c[CR]d"},
    {"markers_lf_cr", 0x10000, 0, "a\n\rb", "a[LFCR]b"},
    {"no_markers_with_role", 0x10001, 0, "a\r\nb", "a\r\nb"},
    {"no_markers_with_default", 0x10000, 0x80000, "a\r\nb", "a\r\nb"},
};
INSTANTIATE_TEST_SUITE_P(Cases, OutputRecordText, ::testing::ValuesIn(text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(OutputRecord, SetTextQuotesButNeverMarks) {
    output_record row(1, false);
    EXPECT_EQ(row.set_text(0, "a\nb", 0x10000), 1);
    EXPECT_EQ(cell_state(row, 0),
              std::make_tuple(vt::text, 0x10000U, uint64{0}, std::string("a\nb")));
    EXPECT_EQ(row.set_text(0, "x", 0x8000), 1);
    EXPECT_EQ(row.m_fields[0].m_text, "\"x\"");
}

uint64 stored_double(double x) {
    output_record row(1, false);
    (void)row.set_double(0, x, vt::i64, 0);
    return row.m_fields[0].m_value;
}

TEST(OutputRecord, SetDoubleClampsAndConvertsSafariSeconds) {
    EXPECT_EQ(stored_double(-5.0), 0U);
    EXPECT_EQ(stored_double(std::numeric_limits<double>::quiet_NaN()), 0U);
    EXPECT_EQ(stored_double(1e30), std::numeric_limits<uint64>::max());
    EXPECT_EQ(stored_double(42.9), 42U);
    output_record row(3, false);
    EXPECT_EQ(row.set_double(0, 1.5, vt::safari_two_columns, 0), 2);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::filetime_two_columns, 0U,
                                                  safari_epoch_filetime + 15000000, std::string()));
    EXPECT_EQ(row.set_double(2, 0.0, vt::safari, 0), 1);
    EXPECT_EQ(cell_state(row, 2),
              std::make_tuple(vt::filetime, 0U, safari_epoch_filetime, std::string()));
}

TEST(OutputRecord, SetTimeTextFormatsOnlyValidOneColumnTimes) {
    output_record row(1, false);
    EXPECT_EQ(row.set_time_text(0, sample_filetime, vt::filetime, 0x8000, nullptr), 1);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::text, 0U, sample_filetime,
                                                  std::string("\"2020-12-11 19:11:35.902\"")));
    time_display_spec spec;
    ASSERT_TRUE(spec.parse("dd/mm/yyyy", "hh:mm:ss", false));
    EXPECT_EQ(row.set_time_text(0, 1607713895, vt::unix_seconds, 0, &spec), 1);
    EXPECT_EQ(row.m_fields[0].m_text, "11/12/2020 19:11:35");
    // An invalid time keeps value and type, with flags 0.
    EXPECT_EQ(row.set_time_text(0, 0, vt::filetime, 0x8000, nullptr), 1);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::filetime, 0U, uint64{0}, std::string()));
    EXPECT_EQ(row.set_time_text(0, sample_filetime, vt::filetime_two_columns, 0, nullptr), -1);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::empty, 0U, uint64{0}, std::string()));
    EXPECT_EQ(row.set_time_text(0, 9, vt::u32, 0, nullptr), -1);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::u32, 0U, uint64{9}, std::string()));
}

TEST(OutputRecord, SetListKeepsEveryValueAndPicksItsValue) {
    output_record row(2, false, 0);
    EXPECT_EQ(row.set_list(0, {}, vt::filetime, 0), 1);
    EXPECT_EQ(row.m_fields[0].m_values, std::vector<uint64>{0});
    EXPECT_EQ(row.set_list(0, {9, 3, 5}, vt::filetime, 0x4000), 1);
    EXPECT_EQ(row.m_fields[0].m_values, (std::vector<uint64>{3, 5, 9}));
    EXPECT_EQ(row.m_fields[0].m_value, 3U);
    EXPECT_EQ(row.set_list(0, {9, 3, 5}, vt::filetime, 0x2000), 1);
    EXPECT_EQ(row.m_fields[0].m_value, 9U);
    EXPECT_EQ(row.set_list(0, {9, 3}, vt::filetime, 0x2001), 1);
    EXPECT_EQ(row.m_fields[0].m_value, 3U);
    EXPECT_EQ(row.set_list(0, {1}, vt::filetime_two_columns, 0), 2);
}

// A type without a text form returns 0 and leaves the cell cleared.
bool stream_text_refused(uint32 type) {
    output_record row(1, true);
    (void)row.set_str(0, "old", vt::text, 0);
    std::ostringstream stream;
    stream << "12";
    return row.set_stream_text(0, stream, type, 0x8000) == 0 &&
           cell_state(row, 0) == std::make_tuple(vt::empty, 0U, uint64{0}, std::string());
}

TEST(OutputRecord, SetStreamTextReadsNumbersAndRefusesTypesWithoutTextForm) {
    output_record row(1, false);
    std::ostringstream number;
    number << "0x1f";
    EXPECT_EQ(row.set_stream_text(0, number, vt::u32, 0x40), 1);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::u32, 0x40U, uint64{31}, std::string()));
    EXPECT_EQ(row.set_stream_text(0, number, vt::raw_text, 0), 1);
    EXPECT_EQ(row.m_fields[0].m_text, "0x1f");
    std::ostringstream negative;  // an i64 value keeps its sign
    negative << "-3";
    EXPECT_EQ(row.set_stream_text(0, negative, vt::i64, 0), 1);
    EXPECT_EQ(static_cast<int64>(row.m_fields[0].m_value), -3);
    EXPECT_TRUE(stream_text_refused(vt::number64));
    EXPECT_TRUE(stream_text_refused(vt::i32));
    EXPECT_TRUE(stream_text_refused(vt::firefox));
    EXPECT_TRUE(stream_text_refused(vt::guid));
    EXPECT_TRUE(stream_text_refused(vt::unnamed_text));
}

TEST(OutputRecord, BytesBecomeTextOrCellBytes) {
    output_record row(1, false);
    const byte_array abc = {'a', 'b', 'c'};
    EXPECT_EQ(row.set_byte_vector(0, abc, vt::text, 0x8000), 1);
    EXPECT_EQ(row.m_fields[0].m_text, "\"abc\"");
    const byte_array json = {'{', '"', 'a', '"', ':', '1', '}'};
    EXPECT_EQ(row.set_byte_vector(0, json, vt::text, 0x8000), 1);
    EXPECT_EQ(row.m_fields[0].m_text, "{\"a\":1}");
    EXPECT_EQ(row.set_byte_vector(0, abc, vt::bytes_hex, 0), 1);
    EXPECT_EQ(row.m_fields[0].m_bytes, abc);
    EXPECT_TRUE(row.m_fields[0].m_text.empty());
    // Nothing to store: the cell stays as it was.
    EXPECT_EQ(row.set_bytes(0, nullptr, 3, vt::bytes_hex, 0), 1);
    EXPECT_EQ(row.set_bytes(0, abc.data(), 0, vt::bytes_hex, 0), 1);
    EXPECT_EQ(row.m_fields[0].m_bytes, abc);
}

void upper_case(std::string& out, const std::string& input) {
    out.clear();
    for (const char c : input) {
        out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
}

void reversed(std::string& out, const std::string& input) {
    out.assign(input.rbegin(), input.rend());
}

TEST(OutputRecord, CopyFieldBuildsCellsFromColumnDefinitions) {
    const std::vector<kq_variant_lite> columns = {
        kq_variant_lite("upper", 10, vt::text, 0x100),
        kq_variant_lite("rev", 10, vt::text, 0x20000),
        kq_variant_lite("time", 30, vt::filetime, 0),
        kq_variant_lite("safari", 30, vt::safari, 0x40000 | 0x8000),
        kq_variant_lite("guid", 36, vt::guid, 0),
        kq_variant_lite("hex", 20, vt::bytes_hex_separated, 0),
    };
    output_record row(7, true);
    EXPECT_EQ(row.copy_field(0, "abc", columns, nullptr, upper_case, reversed), 1);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::text, 0x180U, uint64{0}, std::string("ABC")));
    EXPECT_EQ(row.m_fields[0].m_width, 10U);
    EXPECT_EQ(row.copy_field(1, "abc", columns, nullptr, upper_case, reversed), 1);
    EXPECT_EQ(row.m_fields[1].m_text, "cba");
    EXPECT_EQ(row.copy_field(2, "132521874959025799", columns, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(cell_state(row, 2),
              std::make_tuple(vt::filetime, 0x80U, sample_filetime,
                              std::string("132521874959025799: 2020-12-11 19:11:35.902")));
    EXPECT_EQ(row.copy_field(3, "1.5", columns, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(row.m_fields[3].m_text, "\"1.5: 2001-01-01 00:00:01.500\"");
    // No number: the text stays as given, without a made-up 2001 date.
    EXPECT_EQ(row.copy_field(3, "n/a", columns, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(row.m_fields[3].m_text, "n/a");
    const std::string raw_guid("\x33\x22\x11\x00\x55\x44\x77\x66\x88\x99\xaa\xbb\xcc\xdd\xee\xff",
                               16);
    EXPECT_EQ(row.copy_field(4, raw_guid, columns, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(row.m_fields[4].m_text, "00112233-4455-6677-8899-aabbccddeeff");
    EXPECT_EQ(row.copy_field(5, "ab", columns, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(row.m_fields[5].m_text, "61 62");
    // Index past the column list: refused, cell untouched.
    EXPECT_EQ(row.copy_field(6, "x", columns, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(cell_state(row, 6), std::make_tuple(vt::text, 0U, uint64{0}, std::string()));
    EXPECT_EQ(row.copy_field(-1, "x", columns, nullptr, nullptr, nullptr), -1);
}

TEST(OutputRecord, ClearValuesAndCopiesKeepRowsApart) {
    output_record row(2, false, 0x80000);
    ASSERT_EQ(row.set_str(0, "a", vt::text, 0), 1);
    const output_record copy = row;
    row.clear_values();
    EXPECT_EQ(row.m_valid, 1);
    EXPECT_EQ(cell_state(row, 0), std::make_tuple(vt::empty, 0U, uint64{0}, std::string()));
    EXPECT_EQ(copy.m_fields[0].m_text, "a");
    EXPECT_EQ(copy.m_default_flags, 0x80000U);
    output_record invalid(0, false);
    invalid.clear_values();
    EXPECT_EQ(std::make_tuple(invalid.m_valid, invalid.m_num_fields, invalid.m_fields.size()),
              std::make_tuple(0, 0, std::size_t{0}));
}

}  // namespace
