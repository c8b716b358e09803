#include "sqlite/page_rows.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "io/uni_fileio.h"
#include "sqlite/page_builder.h"
#include "sqlite/value_code.h"

namespace {

using test_pages::append;
using test_pages::page_builder;
using test_pages::record;
using test_pages::table_leaf_cell;
using test_pages::text_bytes;
using test_pages::varint;

constexpr uint64 ps = 1024;

page_descriptor_map parse(const byte_array& page, uint64 page_offset, uni::fileio* file = nullptr,
                          bool skip_overflow = false, bool no_rowid = false) {
    page_descriptor_map out;
    (void)parse_btree_page(out, page.data(), static_cast<uint32>(page.size()), page_offset,
                           page_offset, ps, file, false, true, skip_overflow, true,
                           text_encoding::utf8, no_rowid);
    return out;
}

std::string hex16(uint64 v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

TEST(ParseBtreePage, TableLeafRowsByRowid) {
    page_builder b(ps, 13);
    const byte_array rec1 = record({0, 23, 1}, {'h', 'e', 'l', 'l', 'o', 0xff});
    const uint16 at = b.add_cell(table_leaf_cell(7, rec1));
    b.add_cell(table_leaf_cell(300, record({1, 0}, {5})));
    const page_descriptor_map out = parse(b.finish(), 3 * ps);
    ASSERT_EQ(out.size(), 1u);
    const page_descriptor& d = out.at(0);
    EXPECT_EQ(d.kind, row_kind::table_cells);
    EXPECT_EQ(d.page_number, 4u);
    ASSERT_EQ(d.cells.size(), 2u);
    const leaf_record_decoder& row = d.cells.at(hex16(7));
    // A NULL column 0 is the rowid alias; later NULLs stay empty.
    EXPECT_EQ(row.values, (std::vector<std::string>{"7", "hello", "-1"}));
    EXPECT_EQ(row.rowid, 7u);
    EXPECT_EQ(row.cell_file_offset, 3 * ps + at);
    EXPECT_EQ(row.record_file_offset, 3 * ps + at + 2);
    EXPECT_EQ(row.cell_size, 2 + rec1.size());
    EXPECT_TRUE(row.header_captured);
    EXPECT_EQ(row.header_bytes, byte_array(rec1.begin(), rec1.begin() + 4));
    EXPECT_EQ(d.cells.at(hex16(300)).values, (std::vector<std::string>{"5", ""}));
    EXPECT_EQ(d.cells.begin()->first, hex16(7));  // key order is numeric order
}

TEST(ParseBtreePage, PageInsideALargerBufferAndNegativeRowids) {
    page_builder b(ps, 13);
    const uint16 at = b.add_cell(table_leaf_cell(static_cast<uint64>(-5), record({0, 1}, {3})));
    b.add_cell(table_leaf_cell(9, record({0, 1}, {4})));
    // The page is the second of a two-page buffer read from file offset 10 * ps.
    byte_array buffer(ps, 0xee);
    append(buffer, b.finish());
    page_descriptor_map out;
    ASSERT_TRUE(parse_btree_page(out, buffer.data(), static_cast<uint32>(buffer.size()), 10 * ps,
                                 11 * ps, ps, nullptr, false, true, false, false,
                                 text_encoding::utf8, false));
    const page_descriptor& d = out.at(0);
    EXPECT_EQ(d.page_number, 12u);
    ASSERT_EQ(d.cells.size(), 2u);
    // Rowids are signed: the rowid alias of -5 reads "-5", and its key sorts last.
    const leaf_record_decoder& negative = d.cells.rbegin()->second;
    EXPECT_EQ(negative.values, (std::vector<std::string>{"-5", "3"}));
    // File offsets count from the page's own offset, not the buffer's.
    EXPECT_EQ(negative.cell_file_offset, 11 * ps + at);
}

TEST(ParseBtreePage, NoRowidReadingNumbersRowsByPage) {
    page_builder b(ps, 13);
    b.add_cell(table_leaf_cell(7, record({1}, {1})));
    b.add_cell(table_leaf_cell(8, record({1}, {2})));
    const page_descriptor_map out = parse(b.finish(), 4 * ps, nullptr, false, true);
    ASSERT_EQ(out.size(), 1u);
    std::vector<uint64> rowids;
    for (const auto& [key, row] : out.at(0).cells) {
        rowids.push_back(row.rowid);
        EXPECT_EQ(row.cell.second_varint_skipped, 1);
    }
    EXPECT_EQ(rowids, (std::vector<uint64>{5 * 256 + 1, 5 * 256 + 2}));
}

TEST(ParseBtreePage, IndexLeafKeysBySecondValue) {
    page_builder b(ps, 10);
    for (const uint8 key : {uint8{30}, uint8{10}, uint8{20}}) {
        const byte_array rec = record({15, 1}, {'k', key});
        byte_array cell = varint(rec.size());
        append(cell, rec);
        b.add_cell(cell);
    }
    const page_descriptor_map out = parse(b.finish(), ps);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out.at(0).kind, row_kind::index_cells);
    std::vector<uint64> keys;
    for (const auto& [key, row] : out.at(0).cells) {
        keys.push_back(row.index_key);
    }
    EXPECT_EQ(keys, (std::vector<uint64>{10, 20, 30}));
}

// A row of 3000 bytes of text and a 1-byte integer (a 3005-byte record) on a 1024-byte page:
// by the spill rule 965 bytes stay (M = 103, K = 103 + 2902 % 1020), the rest continues on
// overflow pages 3, 4 and 5 of a memory file.
class SpillingRow : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 3000; ++i) {
            m_text.push_back(static_cast<char>('a' + i % 26));
        }
        const byte_array rec = record({13 + 2 * 3000, 1}, [&] {
            byte_array c = text_bytes(m_text);
            c.push_back(9);
            return c;
        }());
        const std::size_t local = 965 - 4;  // of the record, after its 4-byte header
        byte_array cell = varint(rec.size());
        append(cell, varint(1));
        cell.insert(cell.end(), rec.begin(), rec.begin() + 4 + static_cast<std::ptrdiff_t>(local));
        append(cell, {0, 0, 0, 3});
        page_builder b(ps, 13);
        b.add_cell(cell);
        m_page = b.finish();
        m_image.assign(5 * ps, 0);
        std::copy(m_page.begin(), m_page.end(), m_image.begin() + ps);
        std::size_t from = 4 + local;
        for (uint32 pg = 3; pg <= 5 && from < rec.size(); ++pg) {
            const std::size_t at = std::size_t{pg - 1} * ps;
            test_pages::put_be(m_image, at, pg == 5 ? 0 : pg + 1, 4);
            const std::size_t n = std::min<std::size_t>(ps - 4, rec.size() - from);
            std::copy(rec.begin() + static_cast<std::ptrdiff_t>(from),
                      rec.begin() + static_cast<std::ptrdiff_t>(from + n),
                      m_image.begin() + static_cast<std::ptrdiff_t>(at + 4));
            from += n;
        }
        m_image.resize(5 * ps);
        ASSERT_TRUE(m_file.attach_memory(m_image, false, false));
    }
    std::string m_text;
    byte_array m_page;
    byte_array m_image;
    uni::fileio m_file;
};

TEST_F(SpillingRow, ChainFollowedGivesTheWholeRow) {
    const page_descriptor_map out = parse(m_page, ps, &m_file);
    const leaf_record_decoder& row = out.at(0).cells.at(hex16(1));
    EXPECT_EQ(row.values, (std::vector<std::string>{m_text, "9"}));
    EXPECT_EQ(row.cell_size, 3 + 3005u);
}

TEST_F(SpillingRow, SkippedOrMissingChainLeavesTheMarker) {
    const std::string local = m_text.substr(0, 961);
    const page_descriptor_map skipped = parse(m_page, ps, &m_file, true);
    const leaf_record_decoder& row = skipped.at(0).cells.at(hex16(1));
    ASSERT_EQ(row.values.size(), 2u);
    EXPECT_EQ(row.values[0], local + overflow_marker);
    EXPECT_EQ(row.values[1], "0");  // nothing left for the last column
    EXPECT_EQ(row.cell_size, 3 + 965u);

    byte_array broken = m_image;
    // Page 3 now carries a table leaf header: a live b-tree page is never taken for an
    // overflow page, so the chain does not read.
    const byte_array leaf_header{13, 0, 0, 0, 1, 3, 0, 0};
    std::copy(leaf_header.begin(), leaf_header.end(), broken.begin() + 2 * ps);
    uni::fileio file(broken, false, false);
    const page_descriptor_map missing = parse(m_page, ps, &file);
    EXPECT_EQ(missing.at(0).cells.at(hex16(1)).values[0], local + overflow_marker);

    // Without a file the page number is simply dropped.
    const page_descriptor_map no_file = parse(m_page, ps);
    EXPECT_EQ(no_file.at(0).cells.at(hex16(1)).values[0], local);
}

TEST(ParseBtreePage, SchemaPageWithViewTableAndAutomaticIndex) {
    page_builder b(ps, 13, true);
    auto schema_row = [](const std::string& type, const std::string& name, uint8 root,
                         const std::string& sql) {
        byte_array c;
        append(c, text_bytes(type));
        append(c, text_bytes(name));
        append(c, text_bytes("t"));
        c.push_back(root);
        append(c, text_bytes(sql));
        return record({13 + 2 * type.size(), 13 + 2 * name.size(), 15, root == 0 ? 8u : 1u,
                       13 + 2 * sql.size()},
                      root == 0 ? [&] { c.erase(c.begin() + static_cast<std::ptrdiff_t>(type.size() + name.size() + 1)); return c; }()
                                : c);
    };
    b.add_cell(table_leaf_cell(1, schema_row("view", "v", 0, "CREATE VIEW v AS SELECT 1")));
    b.add_cell(table_leaf_cell(2, schema_row("table", "t", 2, "CREATE TABLE t (a\tUNIQUE) WITHOUT ROWID")));
    b.add_cell(table_leaf_cell(3, schema_row("index", "sqlite_autoindex_t_1", 3, "")));
    const page_descriptor_map out = parse(b.finish(), 0);
    ASSERT_EQ(out.count(2), 1u);
    EXPECT_EQ(out.at(2).kind, row_kind::schema_table);
    EXPECT_EQ(out.at(2).name, "t");
    EXPECT_EQ(out.at(2).sql, "CREATE TABLE t (aUNIQUE) WITHOUT ROWID");
    EXPECT_TRUE(out.at(2).without_rowid);
    ASSERT_EQ(out.count(3), 1u);
    EXPECT_EQ(out.at(3).kind, row_kind::schema_autoindex);
    // The view's row stays an ordinary table cell; the schema rows' cells form page 1's group.
    ASSERT_EQ(out.count(0), 1u);
    EXPECT_EQ(out.at(0).kind, row_kind::table_cells);
    EXPECT_EQ(out.at(0).cells.size(), 1u);
    EXPECT_EQ(out.at(0).cells.begin()->second.values[0], "view");
    ASSERT_EQ(out.count(1), 1u);
    EXPECT_EQ(out.at(1).kind, row_kind::page_group);
    EXPECT_EQ(out.at(1).cells.size(), 2u);
}

TEST(ParseBtreePage, RefusesWhatIsNoLeafPage) {
    page_descriptor_map out;
    page_builder interior(ps, 5);
    interior.add_cell(test_pages::interior_table_cell(2, 10));
    interior.set_right_child(3);
    const byte_array page = interior.finish();
    EXPECT_FALSE(parse_btree_page(out, page.data(), ps, 0, 0, ps, nullptr, false, true, false,
                                  false, text_encoding::utf8, false));
    const byte_array zero(ps, 0);
    EXPECT_FALSE(parse_btree_page(out, zero.data(), ps, 0, 0, ps, nullptr, false, true, false,
                                  false, text_encoding::utf8, false));
    // The page must lie inside the buffer, after its start.
    page_builder leaf(ps, 13);
    leaf.add_cell(table_leaf_cell(1, record({1}, {1})));
    const byte_array lp = leaf.finish();
    EXPECT_FALSE(parse_btree_page(out, lp.data(), ps, 100, 0, ps, nullptr, false, true, false,
                                  false, text_encoding::utf8, false));
    // A buffer that ends before the page's only cell (a file cut short) gives no row.
    EXPECT_FALSE(parse_btree_page(out, lp.data(), 64, 0, 0, ps, nullptr, false, true, false, false,
                                  text_encoding::utf8, false));
    EXPECT_FALSE(parse_btree_page(out, lp.data(), ps, 0, 0, 511, nullptr, false, true, false, false,
                                  text_encoding::utf8, false));
    EXPECT_TRUE(parse_btree_page(out, lp.data(), ps, 0, 0, ps, nullptr, false, true, false, false,
                                 text_encoding::utf8, false));
}

TEST(WalkPages, ChildrenOfAnInteriorTablePage) {
    page_builder b(ps, 5);
    b.add_cell(test_pages::interior_table_cell(4, 100));
    b.add_cell(test_pages::interior_table_cell(5, 50));
    b.set_right_child(6);
    const byte_array page = b.finish();
    page_descriptor out;
    ASSERT_TRUE(walk_pages(out, page.data(), ps, 2 * ps, 2 * ps, ps, nullptr, false, true,
                           text_encoding::utf8));
    EXPECT_EQ(out.kind, row_kind::table_child);
    EXPECT_EQ(out.page_number, 3u);
    std::vector<std::pair<uint64, uint64>> children;
    for (const auto& [key, child] : out.children) {
        children.emplace_back(key, child.child_page);
    }
    EXPECT_EQ(children, (std::vector<std::pair<uint64, uint64>>{
                            {50, 5}, {100, 4}, {std::numeric_limits<uint64>::max(), 6}}));
}

TEST(WalkPages, RightMostChildZeroAndLeavesAreRefused) {
    page_builder b(ps, 5);
    b.add_cell(test_pages::interior_table_cell(4, 100));
    const byte_array no_right = b.finish();
    page_descriptor out;
    EXPECT_FALSE(
        walk_pages(out, no_right.data(), ps, 0, 0, ps, nullptr, false, true, text_encoding::utf8));
    page_builder leaf(ps, 13);
    leaf.add_cell(table_leaf_cell(1, record({1}, {1})));
    const byte_array lp = leaf.finish();
    out.reset();
    EXPECT_FALSE(
        walk_pages(out, lp.data(), ps, 0, 0, ps, nullptr, false, true, text_encoding::utf8));
    EXPECT_TRUE(out.children.empty());
}

TEST(WalkPages, InteriorIndexCellsCarryTheirRecord) {
    page_builder b(ps, 2);
    const byte_array rec = record({19, 1}, {'a', 'b', 'c', 42});
    byte_array cell(4);
    test_pages::put_be(cell, 0, 7, 4);
    append(cell, varint(rec.size()));
    append(cell, rec);
    const uint16 at = b.add_cell(cell);
    b.set_right_child(8);
    const byte_array page = b.finish();
    page_descriptor out;
    ASSERT_TRUE(
        walk_pages(out, page.data(), ps, 0, 0, ps, nullptr, false, true, text_encoding::utf8));
    EXPECT_EQ(out.kind, row_kind::index_child);
    const interior_record_decoder& child = out.children.at(7);
    EXPECT_EQ(child.values, (std::vector<std::string>{"abc", "42"}));
    EXPECT_EQ(child.cell_size, rec.size() + 1 + 4);
    EXPECT_EQ(child.record_file_offset, at + 4 + 1u);
    EXPECT_EQ(out.children.at(std::numeric_limits<uint64>::max()).child_page, 8u);
}

}  // namespace
