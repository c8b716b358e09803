#include "sqlite/sqlite_metadata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/carved_record.h"
#include "sqlite/library_oracle.h"
#include "sqlite/schema_reader.h"
#include "sqlite/table_definition.h"
#include "sqlite/table_walk.h"
#include "sqlite/value_code.h"

namespace {

// A record class that keeps what its field parsers were handed.
class capture_record : public sqlite_metadata {
public:
    bool m_called = false;
    bool m_ex = false;
    std::vector<std::string> m_values;  // "<null>" for a null pointer
    std::vector<uint32> m_codes;
    uint64 m_mask_given = 0;
    int32 m_min_given = 0;

    bool parse_fields(int32 count, const std::vector<const char*>& values,
                      const std::vector<uint32>& lengths, bool recovered, uint64 record_offset,
                      uint64 column_mask, int32 min_count, uint32 source) override {
        m_called = true;
        if (!begin_parse(count, values, lengths, min_count, recovered, record_offset, source)) {
            return false;
        }
        m_mask_given = column_mask;
        m_min_given = min_count;
        m_values.clear();
        for (int32 k = 0; k < count; ++k) {
            const auto i = static_cast<std::size_t>(k);
            m_values.push_back(values[i] == nullptr ? "<null>"
                                                    : std::string(values[i], lengths[i]));
        }
        return true;
    }
    bool parse_fields_ex(int32 count, const std::vector<const char*>& values,
                         const std::vector<uint32>& lengths, const std::vector<uint32>& codes,
                         bool recovered, uint64 record_offset, uint64 column_mask, int32 min_count,
                         uint32 source) override {
        const bool ok = parse_fields(count, values, lengths, recovered, record_offset, column_mask,
                                     min_count, source);
        m_ex = true;
        m_codes = codes;
        return ok;
    }
};

// Five columns a to e; `selected` lists (column index, bit) pairs.
table_definition five_columns(const std::vector<std::pair<std::size_t, uint64>>& selected) {
    table_definition def;
    EXPECT_TRUE(def.load_create_sql("CREATE TABLE t (a, b, c, d, e)", false));
    for (const auto& [index, bit] : selected) {
        def.m_columns.at(index).m_selected = 1;
        def.m_columns.at(index).m_column_bit = bit;
    }
    return def;
}

TEST(SqliteMetadata, ResetGivesTheNewRecord) {
    capture_record r;
    EXPECT_EQ(r.m_reserved_a, -1);
    EXPECT_EQ(r.m_reserved_b, -1);
    r.m_rowid = 5;
    r.m_truncated = true;
    r.m_record_bytes = {1, 2};
    r.m_schema_signature = "x";
    r.m_reserved_bytes[3] = 7;
    r.reset();
    EXPECT_EQ(r.m_rowid, 0);
    EXPECT_FALSE(r.m_truncated);
    EXPECT_TRUE(r.m_record_bytes.empty());
    EXPECT_TRUE(r.m_schema_signature.empty());
    EXPECT_EQ(r.m_reserved_bytes[3], 0);
    // The base parses nothing.
    sqlite_metadata plain;
    EXPECT_FALSE(plain.parse_record_values({"a"}, false, 0, 1, 1));
    EXPECT_EQ(plain.reserved_hook_a(), 0);
}

// Columns 2 and 4 selected with bits 0x2 and 0x1: the arrays list by ascending bit, so
// column 4's value comes first.
TEST(SqliteMetadata, ColumnMapOrdersByAscendingBit) {
    table_definition def = five_columns({{1, 0x2}, {3, 0x1}});
    capture_record r;
    ASSERT_TRUE(r.parse_table_record({"two", "four"}, true, 0x100, 0, 3, def));
    EXPECT_EQ(r.m_values, (std::vector<std::string>{"four", "two"}));
    EXPECT_EQ(r.m_mask_given, 0x3u);
    EXPECT_EQ(r.m_min_given, 2);
    EXPECT_EQ(def.m_column_mask, 0x3u);
    EXPECT_EQ(def.m_column_count, 2u);
    EXPECT_EQ(r.m_record_offset, 0x100u);
    EXPECT_TRUE(r.m_recovered);
    EXPECT_EQ(record_source::of_word(r.m_source_word), 3u);
}

TEST(SqliteMetadata, SameMaskAndCountReuseTheMapShorterRowsRebuildIt) {
    table_definition def = five_columns({{1, 0x2}, {3, 0x1}});
    capture_record r;
    ASSERT_TRUE(r.parse_table_record({"two", "four"}, false, 0, 0, 3, def));
    // Another selection: a reused map does not see it...
    def.m_columns[1].m_selected = 0;
    def.m_columns[0].m_selected = 1;
    def.m_columns[0].m_column_bit = 0x4;
    ASSERT_TRUE(r.parse_table_record({"x", "y"}, false, 0, 0x3, 3, def));
    EXPECT_EQ(r.m_values, (std::vector<std::string>{"y", "x"}));
    EXPECT_EQ(def.m_column_count, 2u);
    // ...a row of another value count rebuilds it, and the definition's count follows.
    ASSERT_TRUE(r.parse_table_record({"only"}, false, 0, 0x3, 3, def));
    EXPECT_EQ(r.m_values, (std::vector<std::string>{"only"}));
    EXPECT_EQ(def.m_column_count, 1u);
    EXPECT_EQ(def.m_column_mask, 0x4u);
    EXPECT_EQ(def.m_column_map.size(), 1u);
}

TEST(SqliteMetadata, TopByteSurvivesATableRecordRebuildOnly) {
    constexpr uint64 top = 0x0100000000000000ULL;
    table_definition def = five_columns({{1, 0x2}, {3, 0x1}});
    def.m_column_mask = top;
    capture_record r;
    ASSERT_TRUE(r.parse_table_record({"two", "four"}, false, 0, 0, 3, def));
    EXPECT_EQ(def.m_column_mask, top | 0x3);
    EXPECT_EQ(r.m_mask_given, top | 0x3);

    table_definition carved_def = five_columns({{1, 0x2}, {3, 0x1}});
    carved_def.m_column_mask = top;
    carved_record hit;
    hit.values = {"two", "four"};
    hit.column_mask = 0x3;
    ASSERT_TRUE(r.parse_carved_record(hit, true, carved_def));
    EXPECT_EQ(carved_def.m_column_mask, 0x3u);
    EXPECT_EQ(r.m_values, (std::vector<std::string>{"four", "two"}));
}

TEST(SqliteMetadata, EmptyValuesNullInPlainArraysPointedToThroughTheMap) {
    capture_record r;
    ASSERT_TRUE(r.parse_record_values({"a", "", "c"}, false, 0, 0x7, 1));
    EXPECT_EQ(r.m_values, (std::vector<std::string>{"a", "<null>", "c"}));
    table_definition def = five_columns({{0, 0x1}, {1, 0x2}});
    ASSERT_TRUE(r.parse_table_record({"a", ""}, false, 0, 0, 1, def));
    EXPECT_EQ(r.m_values, (std::vector<std::string>{"a", ""}));
    // No selected column: the values in the order given, under the running mask.
    table_definition none = five_columns({});
    ASSERT_TRUE(r.parse_table_record({"", "b"}, false, 0, 0, 1, none));
    EXPECT_EQ(r.m_values, (std::vector<std::string>{"<null>", "b"}));
    EXPECT_EQ(r.m_mask_given, 0u);
}

TEST(SqliteMetadata, RefusedRowsCallNothing) {
    table_definition def = five_columns({{0, 0x1}});
    capture_record r;
    EXPECT_FALSE(r.parse_table_record({"1", "2", "3", "4", "5", "6"}, false, 0, 0, 1, def));
    EXPECT_FALSE(r.parse_record_values({}, false, 0, 0, 1));
    table_definition none = five_columns({});
    EXPECT_FALSE(r.parse_table_record({}, false, 0, 0, 1, none));
    carved_record empty;
    EXPECT_FALSE(r.parse_carved_values(empty, false));
    EXPECT_FALSE(r.m_called);
    // A derived parse refuses fewer values than its minimum.
    const std::vector<const char*> one{"a"};
    const std::vector<uint32> length{1};
    EXPECT_FALSE(r.parse_fields(1, one, length, false, 0, 1, 2, 1));
    EXPECT_FALSE(r.parse_fields(2, one, length, false, 0, 1, 2, 1));  // more than the arrays
}

TEST(SqliteMetadata, CarvedRecordsTakeTheirOwnMaskOffsetSourceAndCodes) {
    table_definition def = five_columns({{0, 0x1}, {2, 0x2}});
    carved_record hit;
    hit.values = {"a", "c"};
    hit.value_codes = {value_code::text, value_code::text | value_code::cut_flag};
    hit.column_mask = 0x3;
    hit.file_offset = 4096 + 17;
    hit.source_word = record_source::with_source(0x2, record_source::wal_page_superseded);
    capture_record r;
    r.m_source_word = 0x1;  // a flag bit the parse keeps
    ASSERT_TRUE(r.parse_carved_record(hit, true, def));
    EXPECT_TRUE(r.m_ex);
    EXPECT_EQ(r.m_codes, hit.value_codes);
    EXPECT_EQ(r.m_mask_given, 0x3u);
    EXPECT_EQ(r.m_record_offset, 4096u + 17);
    EXPECT_EQ(r.m_source_word, (record_source::wal_page_superseded << 2) | 0x1);

    // Without codes: parse_fields under the definition's mask.
    capture_record plain;
    hit.value_codes.clear();
    hit.column_mask = 0x7;
    ASSERT_TRUE(plain.parse_carved_record(hit, false, def));
    EXPECT_FALSE(plain.m_ex);
    EXPECT_EQ(plain.m_mask_given, 0x3u);
    EXPECT_EQ(plain.m_values, (std::vector<std::string>{"a", "c"}));

    // Without a definition: the order given, the hit's own mask.
    capture_record bare;
    ASSERT_TRUE(bare.parse_carved_values(hit, false));
    EXPECT_EQ(bare.m_mask_given, 0x7u);
    EXPECT_EQ(bare.m_record_offset, 4096u + 17);
}

TEST(SqliteMetadata, SetFromCarvedKeepsZeroMaskAndRowidOverwritesTheRest) {
    table_definition def = five_columns({});
    capture_record r;
    r.m_column_mask = 0x5;
    r.m_rowid = 9;
    r.m_truncated = true;
    r.m_table_type = 4;
    r.m_record_bytes = {1};
    carved_record hit;
    r.set_from_carved(hit, 0, 2, def);
    EXPECT_EQ(r.m_column_mask, 0x5u);
    EXPECT_EQ(r.m_rowid, 9);
    EXPECT_EQ(r.m_record_bytes, byte_array{1});
    EXPECT_FALSE(r.m_truncated);
    EXPECT_EQ(r.m_table_type, 2u);
    EXPECT_EQ(r.m_column_initials, "a-b-c-d-e");
    EXPECT_EQ(r.m_schema_signature, def.m_schema_signature);

    hit.truncated = 1;
    hit.rowid = 12;
    hit.bytes = {7, 8};
    r.set_from_carved(hit, 0x3, 1, def);
    EXPECT_EQ(r.m_column_mask, 0x3u);
    EXPECT_EQ(r.m_rowid, 12);
    EXPECT_EQ(r.m_record_bytes, (byte_array{7, 8}));
    EXPECT_TRUE(r.m_truncated);
}

TEST(SqliteMetadata, SignatureFromDefinition) {
    table_definition def;
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t (Alpha, Beta, Gamma)", false));
    capture_record r;
    r.set_signature_from_definition(def);
    EXPECT_EQ(r.m_schema_signature, def.m_schema_signature);
    EXPECT_FALSE(r.m_schema_signature.empty());
    // A mask selecting two columns: the signature of the first two.
    table_definition first_two;
    ASSERT_TRUE(first_two.load_create_sql("CREATE TABLE u (alpha, beta)", false));
    def.m_column_mask = 0x5;
    r.set_signature_from_definition(def);
    EXPECT_EQ(r.m_schema_signature, first_two.m_schema_signature);
    r.set_signature_from_definition(table_definition{});
    EXPECT_TRUE(r.m_schema_signature.empty());
}

struct print_case {
    const char* name;
    uint32 source;
    uint64 offset;
    bool truncated;
    int64 rowid;
    std::string label;
    bool braces;
    bool with_offset;
    bool with_rowid;
    bool with_source;
    std::string text;
};

class PrintMetadata : public ::testing::TestWithParam<print_case> {};

TEST_P(PrintMetadata, WritesTheItemsAsked) {
    const print_case& c = GetParam();
    capture_record r;
    r.m_source_word = record_source::with_source(0, c.source);
    r.m_record_offset = c.offset;
    r.m_truncated = c.truncated;
    r.m_rowid = c.rowid;
    std::ostringstream out;
    r.print_metadata(out, c.label, c.braces, c.with_offset, c.with_rowid, c.with_source);
    EXPECT_EQ(out.str(), c.text);
    out << 17;  // left in decimal
    EXPECT_EQ(out.str(), c.text + "17");
}

const print_case print_cases[] = {
    {"slack_with_offset", 2, 0x1F3A, false, 0, "", true, true, false, true,
     R"({"src":"main db slack"; "record offset":"0x1f3a"})"},
    {"live_row", 1, 0, false, 0, "", true, true, false, true, R"({"src":"sqlite lib"})"},
    {"truncated", 3, 0x10, true, 0, "", true, true, false, true,
     R"({"src":"carve main"; "record offset":"0x10"; "truncated":"true"})"},
    {"rowid_unquoted", 1, 0, false, 5, "", true, true, true, true,
     R"({"src":"sqlite lib"; "rowid":5})"},
    {"rowid_unsigned", 1, 0, false, -1, "", false, false, true, false,
     R"("rowid":18446744073709551615)"},
    {"named", 9, 0x2000, false, 0, "meta", true, true, false, true,
     R"({meta={"src":"wal file valid page"; "record offset":"0x2000"}})"},
    {"nothing_but_truncated", 2, 0, true, 3, "", false, false, false, false,
     R"("truncated":"true")"},
    {"offset_left_out_when_not_asked", 2, 0x40, false, 0, "", false, false, false, false, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, PrintMetadata, ::testing::ValuesIn(print_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PrintMetadata, RowidInTheStreamsBaseThenDecimal) {
    capture_record r;
    r.m_rowid = 255;
    std::ostringstream out;
    out << std::hex;
    r.print_metadata(out, "", false, false, true, false);
    out << 255;
    EXPECT_EQ(out.str(), R"("rowid":ff255)");
}

TEST(PrintRowid, AlwaysWritesTheName) {
    capture_record r;
    r.m_rowid = 42;
    std::ostringstream out;
    out << std::hex;
    r.print_rowid(out, "", true);
    EXPECT_EQ(out.str(), R"({={"rowid":42}})");
    std::ostringstream named;
    r.print_rowid(named, "rec", false);
    EXPECT_EQ(named.str(), R"(rec={"rowid":42})");
}

// The real Notification table: its CREATE TABLE text read by the own schema reader, every
// column selected with bit k for column k, every row of the own table walk through the
// column map; bit k must get the library's column k.
TEST(SqliteMetadata, RealNotificationRowsMatchTheLibrary) {
    const std::string path = std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";
    VELK_NEED_REAL_DATA(path);
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, false, false));
    std::vector<std::string> names;
    std::vector<std::string> sql;
    std::vector<uint64> roots;
    uint32 page_size = 4096;
    bool use_wal_image = false;
    ASSERT_TRUE(read_schema(names, sql, roots, file, page_size, path, use_wal_image));
    const auto at = static_cast<std::size_t>(std::find(names.begin(), names.end(), "Notification") -
                                             names.begin());
    ASSERT_LT(at, names.size());
    table_definition def;
    ASSERT_TRUE(def.load_create_sql(sql[at], false));
    ASSERT_EQ(def.m_columns.size(), 14u);
    for (std::size_t k = 0; k < def.m_columns.size(); ++k) {
        def.m_columns[k].m_selected = 1;
        def.m_columns[k].m_column_bit = uint64{1} << k;
    }
    std::vector<table_record> rows;
    ASSERT_TRUE(read_table_records(rows, file, (roots[at] - 1) * page_size, page_size, 0,
                                   ~uint64{0}, true, true, text_encoding::utf8));
    ASSERT_EQ(rows.size(), 6u);

    // The library reads a copy: it may write beside what it opens.
    const velk_test::temp_dir folder;
    const std::string copy = folder.file("wpndatabase.db");
    velk_test::write_file(copy, velk_test::read_file(path));
    std::map<int64, std::vector<std::string>> library;
    for (const library_oracle::row& r : library_oracle::connection(copy).rows(
             "SELECT rowid, * FROM Notification ORDER BY rowid")) {
        library[r.rowid] = r.values;
    }
    ASSERT_EQ(library.size(), 6u);

    constexpr uint64 all_columns = 0x3FFF;
    for (const table_record& row : rows) {
        capture_record r;
        ASSERT_TRUE(r.parse_table_record(row.values, true, row.file_offset, all_columns,
                                         record_source::carve_main, def));
        EXPECT_EQ(r.m_values, library.at(row.rowid)) << row.rowid;
        EXPECT_EQ(r.m_mask_given, all_columns);
        r.set_from_table_record(row, all_columns, 1, def);
        EXPECT_EQ(r.m_rowid, row.rowid);
        EXPECT_EQ(r.m_record_offset, row.file_offset);
        EXPECT_EQ(r.m_record_bytes, row.bytes);
        EXPECT_EQ(r.m_schema_signature, "ab2589b5-f387-294b-3684-836c5cf06655");
        EXPECT_EQ(r.m_column_initials, "or-id-ha-ac-ty-pa-ta-gr-ex-ar-da-pa-bo-ex");
        if (row.rowid == 1) {
            // Order 1's cell: payload size (2 bytes) and rowid before the header at 28378.
            EXPECT_EQ(r.m_record_offset, 28375u);
            EXPECT_EQ(r.m_values.at(4), "toast");
        }
    }
    EXPECT_EQ(def.m_column_count, 14u);
    EXPECT_EQ(def.m_column_mask, all_columns);
}

}  // namespace
