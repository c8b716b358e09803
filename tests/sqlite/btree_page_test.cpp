#include "sqlite/btree_page.h"

#include <gtest/gtest.h>

#include <string>

#include "sqlite/page_builder.h"

namespace {

using test_pages::page_builder;
using test_pages::record;
using test_pages::table_leaf_cell;
using test_pages::text_bytes;

// A 1024-byte table leaf with three small rows.
byte_array three_row_leaf() {
    page_builder b(1024, 13);
    for (uint64 rowid = 1; rowid <= 3; ++rowid) {
        b.add_cell(table_leaf_cell(rowid, record({1, 15}, {static_cast<uint8>(rowid), 'x'})));
    }
    return b.finish();
}

TEST(BtreePage, ReadsCellsOfATableLeaf) {
    const byte_array page = three_row_leaf();
    cell_map cells;
    ASSERT_EQ(read_cell_pointers(cells, kq::byte_reader(page), 1024, 0, false), page_fault::none);
    ASSERT_EQ(cells.size(), 3u);
    // Cells were packed down from the end: the first pointer names the highest cell.
    const cell_descriptor& top = cells.rbegin()->second;
    EXPECT_EQ(top.index, 0);
    EXPECT_EQ(top.second_varint, 1u);  // rowid 1
    EXPECT_EQ(top.extent, 1024u - top.offset);
    for (const auto& [offset, d] : cells) {
        EXPECT_EQ(d.payload_size, 5u);
        EXPECT_EQ(d.first_varint_length, 1);
        EXPECT_EQ(d.second_varint_length, 1);
        EXPECT_EQ(d.is_leaf, 1);
        EXPECT_EQ(d.is_table, 1);
        EXPECT_EQ(d.has_overflow, 0);
        EXPECT_EQ(d.extent, 7u);
    }
}

TEST(BtreePage, NoRowidReadingSkipsTheSecondVarint) {
    const byte_array page = three_row_leaf();
    cell_map cells;
    ASSERT_TRUE(parse_cell_pointers(cells, page.data(), 1024, 1024, 0, true));
    for (const auto& [offset, d] : cells) {
        EXPECT_EQ(d.second_varint_length, 0);
        EXPECT_EQ(d.second_varint_skipped, 1);
    }
}

TEST(BtreePage, PageOneCountsCellsFromItsHeaderAtHundred) {
    page_builder b(1024, 13, true);
    const uint16 at = b.add_cell(table_leaf_cell(1, record({23}, text_bytes("hello"))));
    byte_array page = b.finish();
    page[20] = 8;  // reserved bytes
    page_header_view view;
    ASSERT_TRUE(read_page(view, page.data(), 1024, 4096, 0));
    EXPECT_EQ(view.page_size, 1024u);  // from the file header, not the argument
    EXPECT_EQ(view.reserved, 8);
    EXPECT_EQ(view.encoding, text_encoding::utf8);
    EXPECT_EQ(view.page_type(), 13);
    EXPECT_EQ(view.cell_count(), 1);
    ASSERT_EQ(view.cells.size(), 1u);
    EXPECT_EQ(view.cells.begin()->first, at);  // page-relative
    page[59] = 2;                              // UTF-16le
    ASSERT_TRUE(read_page(view, page.data(), 1024, 0, 0));
    EXPECT_EQ(view.encoding, text_encoding::utf16le);
    page[59] = 3;  // UTF-16be
    ASSERT_TRUE(read_page(view, page.data(), 1024, 0, 0));
    EXPECT_EQ(view.encoding, text_encoding::utf16be);
}

TEST(BtreePage, InteriorCellsCarryChildAndKey) {
    page_builder table(1024, 5);
    table.add_cell(test_pages::interior_table_cell(7, 300));
    table.set_right_child(9);
    const byte_array page = table.finish();
    page_header_view view;
    ASSERT_TRUE(read_page(view, page.data(), 1024, 1024, 0));
    EXPECT_EQ(view.right_child(), 9u);
    const cell_descriptor& d = view.cells.begin()->second;
    EXPECT_EQ(d.child_page, 7u);
    EXPECT_EQ(d.interior_key, 300u);
    EXPECT_EQ(d.payload_size, 2u);  // the key varint's length stands in for the payload
    EXPECT_EQ(d.is_table, 1);
    EXPECT_EQ(d.is_leaf, 0);

    page_builder index(1024, 2);
    byte_array cell(4);
    test_pages::put_be(cell, 0, 11, 4);
    const byte_array rec = record({23}, text_bytes("abcde"));
    test_pages::append(cell, test_pages::varint(rec.size()));
    test_pages::append(cell, rec);
    index.add_cell(cell);
    index.set_right_child(12);
    const byte_array ipage = index.finish();
    ASSERT_TRUE(read_page(view, ipage.data(), 1024, 1024, 0));
    EXPECT_EQ(view.cells.begin()->second.child_page, 11u);
    EXPECT_EQ(view.cells.begin()->second.payload_size, rec.size());
    EXPECT_EQ(view.cells.begin()->second.interior_key, rec.size());
}

TEST(BtreePage, CellBelowTheContentStartReachesOnlyToIt) {
    page_builder b(1024, 13);
    b.add_cell(table_leaf_cell(1, record({1}, {1})));
    b.add_cell(table_leaf_cell(2, record({1}, {2})));
    b.set_content_start(900);  // a freed lowest cell left the content start below the cells
    byte_array page = b.finish();
    // Two pointers into the gap (stale or damaged): the higher one reaches only to the
    // content start, and that cut happens once per page.
    test_pages::put_be(page, 3, 4, 2);
    test_pages::put_be(page, 8 + 4, 500, 2);
    test_pages::put_be(page, 8 + 6, 300, 2);
    cell_map cells;
    ASSERT_EQ(read_cell_pointers(cells, kq::byte_reader(page), 1024, 0, false), page_fault::none);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells.at(1014).extent, 5u);
    EXPECT_EQ(cells.at(500).extent, 400u);
    EXPECT_EQ(cells.at(300).extent, 200u);
}

TEST(BtreePage, EmptyPagesAndOnlyARightChild) {
    cell_map cells;
    page_builder leaf(1024, 13);
    const byte_array empty_leaf = leaf.finish();
    EXPECT_EQ(read_cell_pointers(cells, kq::byte_reader(empty_leaf), 1024, 0, false),
              page_fault::no_cells);
    page_builder root(1024, 5);
    root.set_right_child(4);
    const byte_array only_right = root.finish();
    EXPECT_EQ(read_cell_pointers(cells, kq::byte_reader(only_right), 1024, 0, false),
              page_fault::none);
    EXPECT_TRUE(cells.empty());
}

TEST(BtreePage, SpillingPayloadSplitsByThePublishedRule) {
    // 5000 bytes on a 1024-byte table leaf: X = 989, M = 104, K = 104 + 4896 % 1020 = 920.
    const byte_array payload(5000, 'p');
    byte_array cell = test_pages::varint(5000);
    test_pages::append(cell, test_pages::varint(42));
    cell.insert(cell.end(), payload.begin(), payload.begin() + 920);
    test_pages::append(cell, {0, 0, 0, 3});
    page_builder b(1024, 13);
    b.add_cell(cell);
    const byte_array page = b.finish();
    cell_map cells;
    ASSERT_TRUE(parse_cell_pointers(cells, page.data(), 1024, 1024, 0, false));
    const cell_descriptor& d = cells.begin()->second;
    EXPECT_EQ(d.payload_size, 5000u);
    EXPECT_EQ(d.has_overflow, 1);
    EXPECT_EQ(d.local_size, 920u);
    EXPECT_EQ(d.overflow_page, 3u);
}

TEST(LocalPayloadSplit, FitsSpillsAndRefusesImpossibleSizes) {
    cell_descriptor d;
    d.is_leaf = 1;
    d.is_table = 1;
    d.first_varint_length = 2;
    d.second_varint_length = 1;
    d.payload_size = 100;
    const byte_array cell(200, 0);
    uint32 local = 0;
    uint32 rest = 0;
    uint32 page = 0;
    ASSERT_TRUE(local_payload_split(local, rest, page, cell.data(), 200, d, 1024, 0, true));
    EXPECT_EQ(local, 100u);
    EXPECT_EQ(rest, 0u);
    // Reserved bytes eating the page leave no usable size: refused, never divided by zero.
    d.payload_size = 5000;
    EXPECT_FALSE(local_payload_split(local, rest, page, cell.data(), 200, d, 1024, 1020, true));
    EXPECT_FALSE(local_payload_split(local, rest, page, cell.data(), 200, d, 1024, 2000, true));
    // The local part does not fit the cell's extent.
    EXPECT_FALSE(local_payload_split(local, rest, page, cell.data(), 200, d, 1024, 0, true));
    // The 4-byte page number must lie inside the cell's bytes.
    const byte_array big(923, 0);
    EXPECT_FALSE(local_payload_split(local, rest, page, big.data(), 923, d, 1024, 0, true));
}

struct btree_header_case {
    const char* name;
    byte_array header;
    uint32 page_size;
    bool is_btree;
};

class IsBtreePage : public ::testing::TestWithParam<btree_header_case> {};

TEST_P(IsBtreePage, ChecksTypeAndFields) {
    const btree_header_case& c = GetParam();
    EXPECT_EQ(is_btree_page(kq::byte_reader(c.header), c.page_size), c.is_btree);
}

const btree_header_case btree_header_cases[] = {
    {"table_leaf", {13, 0, 0, 0, 1, 3, 0, 0}, 1024, true},
    {"type_7", {7, 0, 0, 0, 1, 3, 0, 0}, 1024, false},
    {"zero_page", {0, 0, 0, 0, 0, 0, 0, 0}, 1024, false},
    {"too_short", {13, 0, 0}, 1024, false},
    {"content_past_page", {13, 0, 0, 0, 1, 8, 0, 0}, 1024, false},
    {"freeblock_past_page", {10, 9, 0, 0, 1, 3, 0, 0}, 1024, false},
    {"too_many_cells", {5, 0, 0, 1, 0, 3, 0, 0}, 1024, false},
    {"unsized_512_cells", {2, 0, 0, 2, 0, 0, 0, 0}, 0, true},
    {"unsized_513_cells", {2, 0, 0, 2, 1, 0, 0, 0}, 0, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, IsBtreePage, ::testing::ValuesIn(btree_header_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
