#include "cmdline/record_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/output_record.h"
#include "io/io_test_support.h"
#include "resultsdb/results_db_writer.h"

namespace vt = variant_type;

namespace {

// 2020-12-11 19:11:35.9025799 UTC in the stored forms of the time types.
constexpr uint64 sample_filetime = 132521874959025799ULL;
constexpr uint64 sample_unix = 1607713895ULL;
constexpr uint64 sample_chrome = 13252187495902579ULL;
// 2001-01-01 00:00:00 UTC.
constexpr uint64 safari_epoch_filetime = 126227808000000000ULL;

// The settings the common option parser gives for the options the writer reacts to.
void option_csv(cmd_params& o) {
    o.m_csv = true;
    o.set_separator(",", false);
    o.m_no_whitespace = !o.m_pair_datetime;
}

void option_no_whitespace(cmd_params& o) {
    o.m_no_whitespace = true;
    o.m_pad = false;
    std::string kept;
    for (const char c : o.m_separator) {
        if (c != ' ') {
            kept += c;
        }
    }
    o.m_separator = kept;
}

void option_quoted_csv_fields(cmd_params& o) {
    o.m_quoted_csv = true;
    if (o.m_separator.find('\t') == std::string::npos) {
        const std::size_t first = o.m_separator.find_first_not_of(" \t\r\n");
        const std::size_t last = o.m_separator.find_last_not_of(" \t\r\n");
        o.m_separator =
            first == std::string::npos ? "" : o.m_separator.substr(first, last - first + 1);
    }
    o.m_pad = false;
    o.m_delimiter = 0;
}

void option_base10(cmd_params& o) { o.m_base16 = false; }

void option_pad_off(cmd_params& o) { o.m_pad = false; }

std::string write_row(output_record& row, cmd_params& options) {
    std::ostringstream out;
    write_record(out, row, options);
    return out.str();
}

// ---- One cell under one setting ---------------------------------------------------------

struct cell_case {
    const char* name;
    void (*fill)(output_record& row);
    uint64 width;
    void (*configure)(cmd_params& options);
    std::string expected;  // the line without its line end
};

class WriteCell : public ::testing::TestWithParam<cell_case> {};

TEST_P(WriteCell, ExactText) {
    const cell_case& c = GetParam();
    cmd_params options(0, false);
    options.m_header_pending = false;
    options.m_columns = {kq_variant_lite("c", c.width)};
    if (c.configure != nullptr) {
        c.configure(options);
    }
    output_record row(1, false);
    c.fill(row);
    EXPECT_EQ(write_row(row, options), c.expected + "\n");
}

byte_array counting_bytes(uint8 count) {
    byte_array bytes;
    for (uint8 i = 0; i < count; ++i) {
        bytes.push_back(i);
    }
    return bytes;
}

const cell_case integer_cases[] = {
    {"hex_by_default", [](output_record& r) { (void)r.set_num(0, 255, vt::u32, 0); }, 10, nullptr,
     "0x000000ff"},
    {"decimal_right_aligned",
     [](output_record& r) { (void)r.set_num(0, 255, vt::u32, 0x40080000); }, 10, nullptr,
     "       255"},
    {"base10_option", [](output_record& r) { (void)r.set_num(0, 255, vt::u32, 0); }, 10,
     option_base10, "       255"},
    {"hex_and_decimal_natural_width",
     [](output_record& r) { (void)r.set_num(0, 255, vt::u16, 0x100000); }, 0, nullptr,
     "0x00ff [255]"},
    {"blank_zero", [](output_record& r) { (void)r.set_num(0, 0, vt::u32, 0x4000000); }, 10, nullptr,
     "          "},
    {"blank_zero_no_whitespace",
     [](output_record& r) { (void)r.set_num(0, 0, vt::u32, 0x4000000); }, 10, option_no_whitespace,
     ""},
    {"bare_hex_blank_filled",
     [](output_record& r) { (void)r.set_num(0, 255, vt::u32, 0x80000000); }, 6, nullptr, "    ff"},
    {"zero_filled_hex_unpadded_without_width",
     [](output_record& r) { (void)r.set_num(0, 255, vt::u32, 0x400000); }, 0, nullptr, "0xff"},
    {"arrow_prefix_takes_width",
     [](output_record& r) { (void)r.set_num(0, 255, vt::u32, 0x10000000); }, 10, nullptr,
     "->0x0000ff"},
    {"type8_keeps_eight_digits", [](output_record& r) { (void)r.set_num(0, 255, vt::i64, 0); }, 0,
     nullptr, "0x000000ff"},
    {"type3_no_natural_width", [](output_record& r) { (void)r.set_num(0, 255, vt::i32, 0); }, 0,
     nullptr, "0xff"},
    {"negative_width_is_none", [](output_record& r) { (void)r.set_num(0, 255, vt::u8, 0); },
     0xFFFFFFFF80000000ULL, nullptr, "0xff"},
    // Stored integers (the signed types) are negative where the database says so; the hex
    // forms keep the 64-bit pattern.
    {"signed_decimal",
     [](output_record& r) { (void)r.set_num(0, static_cast<uint64>(-5), vt::i64, 0x40080000); }, 6,
     nullptr, "    -5"},
    {"signed_under_base10",
     [](output_record& r) { (void)r.set_num(0, static_cast<uint64>(-7), vt::i32, 0); }, 0,
     option_base10, "-7"},
    {"signed_keeps_hex",
     [](output_record& r) { (void)r.set_num(0, static_cast<uint64>(-7), vt::i64, 0); }, 0, nullptr,
     "0xfffffffffffffff9"},
    {"signed_hex_and_decimal",
     [](output_record& r) { (void)r.set_num(0, static_cast<uint64>(-1), vt::i64, 0x100000); }, 0,
     nullptr, "0xffffffffffffffff [-1]"},
    {"unsigned_type_stays_unsigned",
     [](output_record& r) { (void)r.set_num(0, static_cast<uint64>(-1), vt::u32, 0x40000000); }, 0,
     nullptr, "18446744073709551615"},
};
INSTANTIATE_TEST_SUITE_P(Integers, WriteCell, ::testing::ValuesIn(integer_cases),
                         [](const auto& p) { return std::string(p.param.name); });

const cell_case text_cases[] = {
    {"padded_left", [](output_record& r) { (void)r.set_str(0, "ab", vt::text, 0); }, 5, nullptr,
     "ab   "},
    {"padded_right", [](output_record& r) { (void)r.set_str(0, "ab", vt::text, 0x80000); }, 5,
     nullptr, "   ab"},
    {"centred", [](output_record& r) { (void)r.set_str(0, "ab", vt::text, 0x2000000); }, 8, nullptr,
     "   ab   "},
    {"blank_prefix_takes_width",
     [](output_record& r) { (void)r.set_str(0, "ab", vt::text, 0x20000000); }, 5, nullptr, " ab  "},
    {"bar_substituted_in_table", [](output_record& r) { (void)r.set_str(0, "a|b", vt::text, 0); },
     0, nullptr, "a;b"},
    {"comma_blanked_in_csv", [](output_record& r) { (void)r.set_str(0, "a,b", vt::text, 0); }, 0,
     option_csv, "a b"},
    {"crlf_marked_in_csv", [](output_record& r) { (void)r.set_str(0, "a\r\nb", vt::text, 0); }, 0,
     option_csv, "a[CRLF]b"},
    {"lone_cr_marked_in_csv", [](output_record& r) { (void)r.set_str(0, "a\rb\nc", vt::text, 0); },
     0, option_csv, "a[CR]b[LF]c"},
    {"line_break_kept_in_table",
     [](output_record& r) { (void)r.set_str(0, "a\r\nb", vt::text, 0); }, 0, nullptr, "a\r\nb"},
    {"cut_to_twenty",
     [](output_record& r) {
         (void)r.set_str(0, "abcdefghijklmnopqrstuvwxyz0123", vt::text, 0x1000000);
     },
     0, nullptr, "abcdefghijklmnopqrst"},
    {"raw_text_ignores_width_and_flags",
     [](output_record& r) { (void)r.set_str(0, "a|b", vt::raw_text, 0x30080000); }, 8, nullptr,
     "a|b"},
};
INSTANTIATE_TEST_SUITE_P(Texts, WriteCell, ::testing::ValuesIn(text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

const cell_case time_cases[] = {
    {"filetime_pad_outside_width",
     [](output_record& r) { (void)r.set_num(0, sample_filetime, vt::filetime, 0); }, 24, nullptr,
     " 2020-12-11 19:11:35.902 "},
    {"filetime_pad_off_right",
     [](output_record& r) { (void)r.set_num(0, sample_filetime, vt::filetime, 0x80000); }, 24,
     option_pad_off, " 2020-12-11 19:11:35.902"},
    {"filetime_no_fraction",
     [](output_record& r) { (void)r.set_num(0, sample_filetime, vt::filetime, 0x8000000); }, 0,
     nullptr, " 2020-12-11 19:11:35"},
    {"filetime_invalid", [](output_record& r) { (void)r.set_num(0, 0, vt::filetime, 0); }, 10,
     nullptr, "           "},
    {"filetime_invalid_no_whitespace",
     [](output_record& r) { (void)r.set_num(0, 0, vt::filetime, 0); }, 10, option_no_whitespace,
     " "},
    {"filetime_csv_no_pad_blank",
     [](output_record& r) { (void)r.set_num(0, sample_filetime, vt::filetime, 0); }, 24, option_csv,
     "2020-12-11 19:11:35.902"},
    {"unix_pad_even_in_csv",
     [](output_record& r) { (void)r.set_num(0, sample_unix, vt::unix_seconds, 0); }, 24, option_csv,
     " 2020-12-11 19:11:35"},
    {"chrome", [](output_record& r) { (void)r.set_num(0, sample_chrome, vt::chrome, 0); }, 0,
     nullptr, " 2020-12-11 19:11:35.902"},
    {"safari_double",
     [](output_record& r) { (void)r.set_num(0, std::bit_cast<uint64>(1.5), vt::safari, 0x40000); },
     0, nullptr, " 2001-01-01 00:00:01.500"},
    {"time_list",
     [](output_record& r) {
         (void)r.set_list(0, {sample_filetime, safari_epoch_filetime}, vt::filetime, 0x4000);
     },
     0, nullptr, " 2001-01-01 00:00:00.000; 2020-12-11 19:11:35.902"},
    {"two_column_time_in_list_mode_writes_nothing",
     [](output_record& r) {
         (void)r.set_list(0, {sample_filetime}, vt::filetime_two_columns, 0x4000);
     },
     0, nullptr, ""},
    {"unix_date_half",
     [](output_record& r) { (void)r.set_num(0, sample_unix, vt::unix_seconds_alt_two_columns, 0); },
     0, nullptr, "2020-12-11 | "},
    {"unix_time_half",
     [](output_record& r) { (void)r.set_num(0, sample_unix, vt::unix_seconds_alt, 0); }, 0, nullptr,
     " 19:11:35"},
    {"number64_hex", [](output_record& r) { (void)r.set_num(0, 255, vt::number64, 0x80000); }, 20,
     nullptr, " 0x00000000000000ff  "},
    {"number64_decimal", [](output_record& r) { (void)r.set_num(0, 255, vt::number64, 0); }, 0,
     option_base10, " 255"},
    {"number64_exact_hex_flag_beats_base10",
     [](output_record& r) { (void)r.set_num(0, 255, vt::number64, 0x400000); }, 0, option_base10,
     " 0x00000000000000ff"},
};
INSTANTIATE_TEST_SUITE_P(Times, WriteCell, ::testing::ValuesIn(time_cases),
                         [](const auto& p) { return std::string(p.param.name); });

const cell_case byte_cases[] = {
    {"hex_pairs_cut_after_seventeen",
     [](output_record& r) {
         (void)r.set_byte_vector(0, counting_bytes(20), vt::bytes_hex_separated, 0);
     },
     0, nullptr, "00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 ..."},
    {"hex_pairs_limited_by_width",
     [](output_record& r) {
         (void)r.set_byte_vector(0, counting_bytes(20), vt::bytes_hex_separated, 0);
     },
     14, nullptr, "00 01 02 ...  "},
    {"hex_pairs_width_below_six",
     [](output_record& r) {
         (void)r.set_byte_vector(0, counting_bytes(3), vt::bytes_hex_separated, 0);
     },
     5, nullptr, " ... "},
    {"hex_bytes", [](output_record& r) { (void)r.set_byte_vector(0, counting_bytes(3), 29, 0); }, 0,
     nullptr, "000102"},
    {"guid", [](output_record& r) { (void)r.set_byte_vector(0, counting_bytes(16), vt::guid, 0); },
     0, nullptr, "03020100-0504-0706-0809-0a0b0c0d0e0f"},
    {"guid_short_is_filler",
     [](output_record& r) { (void)r.set_byte_vector(0, counting_bytes(15), vt::guid, 0); }, 3,
     nullptr, "   "},
};
INSTANTIATE_TEST_SUITE_P(Bytes, WriteCell, ::testing::ValuesIn(byte_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- Rows --------------------------------------------------------------------------------

class WriteRow : public ::testing::Test {
protected:
    void SetUp() override { m_options.m_header_pending = false; }
    cmd_params m_options{0, false};
};

TEST_F(WriteRow, TwoColumnTimeWritesItsTimeInTheNextCell) {
    m_options.m_columns = {kq_variant_lite("d", 10), kq_variant_lite("t", 13),
                           kq_variant_lite("x", 3)};
    output_record row(3, true);
    ASSERT_EQ(row.set_num(0, sample_filetime, vt::filetime_two_columns, 0), 2);
    ASSERT_EQ(row.set_str(2, "x", vt::text, 0), 1);
    EXPECT_EQ(write_row(row, m_options), "2020-12-11 |  19:11:35.902  | x  \n");
    // In the last cell only the date and the separator are written.
    m_options.m_columns.clear();
    output_record last(2, true);
    ASSERT_EQ(last.set_str(0, "a", vt::text, 0), 1);
    ASSERT_EQ(last.set_num(1, sample_filetime, vt::filetime_two_columns, 0), 1);
    EXPECT_EQ(write_row(last, m_options), "a | 2020-12-11 | \n");
}

// Formatted times are kept for reuse: a later run with other date and time forms must still
// get its own text for the same value.
TEST_F(WriteRow, SameTimeUnderAnotherFormatGetsItsOwnText) {
    m_options.m_columns = {kq_variant_lite("t", 0)};
    const auto write_time = [&]() {
        output_record row(1, true);
        EXPECT_EQ(row.set_num(0, sample_filetime, vt::filetime, 0), 1);
        return write_row(row, m_options);
    };
    const std::string plain = write_time();
    EXPECT_EQ(plain, " 2020-12-11 19:11:35.902\n");
    ASSERT_TRUE(m_options.m_time_spec.parse("dd/mm/yyyy", "hh:mm:ss.xxxxxxx", false));
    EXPECT_EQ(write_time(), " 11/12/2020 19:11:35.9025799\n");
    m_options.m_time_spec = time_display_spec{};
    EXPECT_EQ(write_time(), plain);
}

TEST_F(WriteRow, WritingChangesTextCellsAndBlankZeros) {
    m_options.m_columns = {kq_variant_lite("a", 4), kq_variant_lite("b", 4)};
    output_record row(2, false);
    ASSERT_EQ(row.set_str(0, "x|y", vt::text, 0), 1);
    ASSERT_EQ(row.set_num(1, 0, vt::u32, 0x4000000), 1);
    EXPECT_EQ(write_row(row, m_options), "x;y  |     \n");
    EXPECT_EQ(row.m_fields[0].m_text, "x;y");
    EXPECT_EQ(row.m_fields[1].m_type, vt::text);
    EXPECT_EQ(row.m_fields[1].m_flags, 0U);
    EXPECT_EQ(write_row(row, m_options), "x;y  |     \n");
}

TEST_F(WriteRow, MoreCellsThanColumnsHaveNoWidth) {
    m_options.m_columns = {kq_variant_lite("a", 3)};
    output_record row(3, false);
    ASSERT_EQ(row.set_str(0, "a", vt::text, 0), 1);
    ASSERT_EQ(row.set_byte_vector(1, counting_bytes(20), vt::bytes_hex_separated, 0), 1);
    ASSERT_EQ(row.set_num(2, 1, vt::u8, 0), 1);
    EXPECT_EQ(write_row(row, m_options),
              "a   | 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 ... | 0x01\n");
}

TEST_F(WriteRow, InvalidRowWritesOnlyThePendingHeader) {
    m_options.m_columns = {kq_variant_lite("a", 3)};
    output_record invalid(0, false);
    EXPECT_EQ(write_row(invalid, m_options), "");
    m_options.m_header_pending = true;
    EXPECT_EQ(write_row(invalid, m_options), "a  \n");
    EXPECT_FALSE(m_options.m_header_pending);
}

TEST_F(WriteRow, WriteRecordsWritesOneHeaderAndEveryValidRow) {
    m_options.m_header_pending = true;
    m_options.m_columns = {kq_variant_lite("n", 2)};
    std::vector<output_record> rows(3, output_record(1, false));
    ASSERT_EQ(rows[0].set_str(0, "a", vt::text, 0), 1);
    rows[1].reset(0, false);
    ASSERT_EQ(rows[2].set_str(0, "b", vt::text, 0), 1);
    std::ostringstream out;
    write_records(out, rows, m_options);
    EXPECT_EQ(out.str(), "n \na \nb \n");
}

// ---- Header lines ------------------------------------------------------------------------

std::vector<kq_variant_lite> sample_columns() {
    return {kq_variant_lite("name", 6, vt::text, 0), kq_variant_lite("when", 10, vt::filetime, 0),
            kq_variant_lite("unix", 8, vt::unix_seconds, 0),
            kq_variant_lite("c", 4, vt::text, 0x2000000)};
}

TEST(WriteHeader, CaptionsArePaddedAndOnlyTimeCaptionsGetThePadBlank) {
    cmd_params options(0, false);
    options.m_columns = sample_columns();
    std::ostringstream out;
    write_header_row(out, options);
    EXPECT_EQ(out.str(), "name   |  when       | unix     |  c  \n");
    EXPECT_FALSE(options.m_header_pending);

    std::ostringstream explicit_out;
    write_column_header(explicit_out, sample_columns(), ",", false, true);
    EXPECT_EQ(explicit_out.str(), "name,when,unix,c\n");
    write_column_header(explicit_out, {kq_variant_lite("t", 2, vt::filetime_alt, 0)}, ",", true,
                        true);
    EXPECT_EQ(explicit_out.str(), "name,when,unix,c\n t\n");
}

TEST(WriteHeader, OneHeaderBeforeTheFirstRow) {
    cmd_params options(0, false);
    option_csv(options);
    options.m_columns = sample_columns();
    output_record row(4, false);
    ASSERT_EQ(row.set_str(0, "a", vt::text, 0), 1);
    ASSERT_EQ(row.set_num(1, sample_filetime, vt::filetime, 0), 1);
    ASSERT_EQ(row.set_num(2, sample_unix, vt::unix_seconds, 0), 1);
    ASSERT_EQ(row.set_str(3, "b", vt::text, 0), 1);
    std::ostringstream out;
    write_record(out, row, options);
    write_record(out, row, options);
    const std::string line = "a,2020-12-11 19:11:35.902, 2020-12-11 19:11:35,b\n";
    EXPECT_EQ(out.str(), "name, when,unix,c\n" + line + line);
}

// Under quoted CSV with a blank separator a caption holding a blank is one field too.
TEST(WriteHeader, QuotedCsvQuotesCaptionsHoldingTheSeparator) {
    cmd_params options(0, false);
    option_csv(options);
    option_quoted_csv_fields(options);
    options.m_separator = " ";
    options.m_columns = {kq_variant_lite("Arrival time", 0, vt::text, 0),
                         kq_variant_lite("Type", 0, vt::text, 0)};
    std::ostringstream out;
    write_header_row(out, options);
    EXPECT_EQ(out.str(), "\"Arrival time\" Type\n");
}

// Plain CSV with a blank separator: a caption holding a blank is quoted, a time caption's
// pad blank inside the quotes as in the values below it.
TEST(WriteHeader, CsvQuotesCaptionsHoldingTheSeparator) {
    cmd_params options(0, false);
    option_csv(options);
    options.set_separator(" ", false);
    options.m_columns = {kq_variant_lite("Arrival time", 0, vt::filetime, 0),
                         kq_variant_lite("Type", 0, vt::text, 0)};
    std::ostringstream out;
    write_header_row(out, options);
    EXPECT_EQ(out.str(), "\" Arrival time\" Type\n");
}

TEST(WriteHeader, MultilineNamesEveryValue) {
    cmd_params options(0, false);
    options.m_columns = {kq_variant_lite("a", 0, vt::text, 0), kq_variant_lite("abcd", 0)};
    output_record row(2, false);
    ASSERT_EQ(row.set_str(0, "x|y", vt::text, 0), 1);
    ASSERT_EQ(row.set_num(1, 5, vt::u8, 0x40000000), 1);
    std::ostringstream out;
    write_record_multiline(out, row, options);
    write_record_multiline(out, row, options);
    EXPECT_EQ(out.str(), "a:    x|y\nabcd: 5\na:    x|y\nabcd: 5\n");
    EXPECT_EQ(options.m_columns[1].m_text, "abcd:");
    EXPECT_EQ(options.m_columns[1].m_width, 6U);
    EXPECT_FALSE(options.m_header_pending);
}

// ---- Values never shift the columns -----------------------------------------------------

void option_separator_ab(cmd_params& o) { o.set_separator("ab", false); }
void option_separator_colons(cmd_params& o) { o.set_separator("::", false); }
void option_quoted_colon(cmd_params& o) {
    option_csv(o);
    o.set_separator(":", false);
    option_quoted_csv_fields(o);
}
void option_quoted_blank(cmd_params& o) {
    option_quoted_colon(o);
    o.m_separator = " ";
}
void option_multiline(cmd_params& o) { o.m_multiline = true; }
void option_csv_colon(cmd_params& o) {
    option_csv(o);
    o.set_separator(":", false);
}
void option_csv_blank(cmd_params& o) {
    option_csv(o);
    o.set_separator(" ", false);
}
void option_csv_digit(cmd_params& o) {
    option_csv(o);
    o.set_separator("0", false);
}
void option_csv_dash(cmd_params& o) {
    option_csv(o);
    o.set_separator("-", false);
}
void option_table_colon(cmd_params& o) { o.set_separator(":", false); }

// One cell, so no separator is written: what matters is how the value itself is written.
const cell_case separator_cases[] = {
    // A CSV reader takes a leading double quote, after blanks, for the start of a quoted
    // field: such a value is quoted; a quote further in, and the padded table, stay.
    {"csv_leading_quote", [](output_record& r) { (void)r.set_str(0, "\"x", vt::text, 0); }, 0,
     option_csv, "\"\"\"x\""},
    {"csv_leading_quote_after_blanks",
     [](output_record& r) { (void)r.set_str(0, " \"x", vt::text, 0); }, 0, option_csv,
     "\" \"\"x\""},
    {"csv_inner_quote", [](output_record& r) { (void)r.set_str(0, "a\"b", vt::text, 0); }, 0,
     option_csv, "a\"b"},
    {"table_leading_quote", [](output_record& r) { (void)r.set_str(0, "\"x", vt::text, 0); }, 0,
     nullptr, "\"x"},
    // A separator of several characters replaces only its whole occurrences.
    {"separator_ab_whole_only",
     [](output_record& r) { (void)r.set_str(0, "a b xaby ba", vt::text, 0); }, 0,
     option_separator_ab, "a b x  y ba"},
    {"separator_colons_whole_only",
     [](output_record& r) { (void)r.set_str(0, "https://h/a::b", vt::text, 0); }, 0,
     option_separator_colons, "https://h/a  b"},
    // "x:" before "::" would be split after the x by a reader: its colon goes.
    {"separator_colons_tail", [](output_record& r) { (void)r.set_str(0, "x:", vt::text, 0); }, 0,
     option_separator_colons, "x "},
    // Quoted CSV quotes any cell holding the separator, a time cell too.
    {"quoted_time_under_colon",
     [](output_record& r) { (void)r.set_num(0, sample_filetime, vt::filetime, 0); }, 0,
     option_quoted_colon, "\"2020-12-11 19:11:35.902\""},
    {"quoted_time_under_blank",
     [](output_record& r) { (void)r.set_num(0, sample_filetime, vt::filetime, 0); }, 0,
     option_quoted_blank, "\"2020-12-11 19:11:35.902\""},
    {"quoted_text_under_blank", [](output_record& r) { (void)r.set_str(0, "a b", vt::text, 0); }, 0,
     option_quoted_blank, "\"a b\""},
    {"quoted_number_without_separator",
     [](output_record& r) { (void)r.set_num(0, 12, vt::u32, 0x40000000); }, 0, option_quoted_colon,
     "12"},
    // Plain CSV: a cell of any type that holds the separator is quoted (its quotes doubled)
    // so that a reader sees one field; a text's separator is still blanked first, and the
    // padded table writes its cells as they are.
    {"csv_time_under_colon",
     [](output_record& r) { (void)r.set_num(0, sample_filetime, vt::filetime, 0); }, 0,
     option_csv_colon, "\"2020-12-11 19:11:35.902\""},
    {"csv_number_under_digit",
     [](output_record& r) { (void)r.set_num(0, 10, vt::u32, 0x40000000); }, 0, option_csv_digit,
     "\"10\""},
    {"csv_guid_under_dash",
     [](output_record& r) { (void)r.set_byte_vector(0, counting_bytes(16), vt::guid, 0); }, 0,
     option_csv_dash, "\"03020100-0504-0706-0809-0a0b0c0d0e0f\""},
    {"csv_text_under_blank_doubles_quotes",
     [](output_record& r) { (void)r.set_str(0, "say \"hi\"", vt::text, 0); }, 0, option_csv_blank,
     "\"say \"\"hi\"\"\""},
    {"csv_text_separator_blanked", [](output_record& r) { (void)r.set_str(0, "a:b", vt::text, 0); },
     0, option_csv_colon, "a b"},
    {"csv_cell_without_separator",
     [](output_record& r) { (void)r.set_num(0, 12, vt::u32, 0x40000000); }, 0, option_csv_digit,
     "12"},
    {"table_time_under_colon",
     [](output_record& r) { (void)r.set_num(0, sample_filetime, vt::filetime, 0); }, 0,
     option_table_colon, " 2020-12-11 19:11:35.902"},
    // Multiline gives each value one line: a line break in it is marked.
    {"multiline_marks_line_breaks",
     [](output_record& r) { (void)r.set_str(0, "a\nb", vt::text, 0); }, 0, option_multiline,
     "ca[LF]b\n"},
};
INSTANTIATE_TEST_SUITE_P(Separators, WriteCell, ::testing::ValuesIn(separator_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Values from the evidence never steer a terminal: controls are written as escapes in every
// form, line breaks keep the form each gives them.
const cell_case control_cases[] = {
    {"table_erase_line",
     [](output_record& r) { (void)r.set_str(0, "a\x1b[1A\x1b[2Kb\x07", vt::text, 0); }, 0, nullptr,
     "a\\x1b[1A\\x1b[2Kb\\x07"},
    {"table_keeps_line_break",
     [](output_record& r) { (void)r.set_str(0, "a\r\n\x7f", vt::text, 0); }, 0, nullptr,
     "a\r\n\\x7f"},
    {"csv_marks_line_break",
     [](output_record& r) { (void)r.set_str(0, "a\x1b\r\nb", vt::text, 0); }, 0, option_csv,
     "a\\x1b[CRLF]b"},
    {"c1_character",
     [](output_record& r) {
         (void)r.set_str(0,
                         "a\xc2\x9b"
                         "b",
                         vt::text, 0);
     },
     0, nullptr, "a\\u009bb"},
    {"padded_after_escaping", [](output_record& r) { (void)r.set_str(0, "\x07", vt::text, 0); }, 6,
     nullptr, "\\x07  "},
    {"raw_text",
     [](output_record& r) {
         (void)r.set_str(0,
                         "a\x1b"
                         "b",
                         vt::raw_text, 0);
     },
     0, nullptr, "a\\x1bb"},
    {"multiline",
     [](output_record& r) {
         (void)r.set_str(0,
                         "a\x1b"
                         "b",
                         vt::text, 0);
     },
     0, option_multiline, "ca\\x1bb\n"},
};
INSTANTIATE_TEST_SUITE_P(Controls, WriteCell, ::testing::ValuesIn(control_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(WriteSeparators, SeparatorWithoutDelimiterIsBlankedInValues) {
    cmd_params options(0, false);
    options.m_header_pending = false;
    options.set_separator(";", false);
    output_record row(2, false);
    ASSERT_EQ(row.set_str(0, "a;b", vt::text, 0), 1);
    ASSERT_EQ(row.set_str(1, "c", vt::text, 0), 1);
    EXPECT_EQ(write_row(row, options), "a b;c\n");

    options.set_separator("TAB", false);
    ASSERT_EQ(row.set_str(0, "a\tb", vt::text, 0), 1);
    EXPECT_EQ(write_row(row, options), "a b\tc\n");
}

TEST(WriteSeparators, QuotedCsvFieldsQuoteValuesHoldingSeparatorOrQuote) {
    cmd_params options(0, false);
    options.m_header_pending = false;
    option_csv(options);
    option_quoted_csv_fields(options);
    output_record row(3, false);
    ASSERT_EQ(row.set_str(0, "a,b\"c", vt::text, 0), 1);
    ASSERT_EQ(row.set_str(1, "plain", vt::text, 0), 1);
    ASSERT_EQ(row.set_str(2, "q\"", vt::text, 0), 1);
    EXPECT_EQ(write_row(row, options), "\"a,b\"\"c\",plain,\"q\"\"\"\n");
}

// ---- Results database hand-off ---------------------------------------------------------

TEST(WriteResultsLog, AttachedLogThatIsNotOpenTakesEverythingAway) {
    cmd_params options(0, false);
    options.m_columns = {kq_variant_lite("a", 2)};
    output_record row(1, false);
    ASSERT_EQ(row.set_str(0, "v", vt::text, 0x20), 1);
    results_db_writer log;
    options.m_sqlite = true;
    options.m_results_db = &log;
    EXPECT_EQ(write_row(row, options), "");
    EXPECT_FALSE(options.m_header_pending);
    // Open, the log takes the header and the rows in place of the stream.
    velk_test::temp_dir dir;
    ASSERT_TRUE(log.open(nullptr, dir.file("results.db"), ""));
    options.m_header_pending = true;
    EXPECT_EQ(write_row(row, options), "");
    EXPECT_FALSE(options.m_header_pending);
    log.close();
    // With "-sqlite" but no writer attached (the tool's case) rows reach the stream.
    options.m_results_db = nullptr;
    options.m_header_pending = true;
    EXPECT_EQ(write_row(row, options), "a \nv \n");
}

}  // namespace
