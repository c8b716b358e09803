// String-anchored carving on pages written by SQLite (tests/data/anchored/) and on a real
// HandlerSettings leaf, the slack finder of a main file, and the all-tables carve entry.

#include "sqlite/anchored_carve.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/carve_entry_points.h"
#include "sqlite/db_test_support.h"
#include "sqlite/sqlite_test_support.h"
#include "sqlite/table_walk.h"

namespace {

constexpr uint32 anchored_page_size = 512;
constexpr uint64 anchored_base = 512;  // the leaf is page 2 of its database
// Where SQLite put the one cell: payload size 24, rowid 300 (82 2c), header 03 01 35.
constexpr uint64 anchored_header = 488;
constexpr uint32 real_page_size = 4096;

byte_array fixture(const std::string& name) {
    std::ifstream in(db_test::fixture("anchored/" + name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FindRecordsByStrings, OneCellFromItsText) {
    const byte_array page = fixture("one_cell_page.bin");
    ASSERT_EQ(page.size(), anchored_page_size);
    page_descriptor_map out;
    ASSERT_TRUE(find_records_by_strings(out, page.data(), anchored_page_size, anchored_base,
                                        anchored_page_size));
    ASSERT_EQ(out.size(), 1U);
    const page_descriptor& d = out.begin()->second;
    EXPECT_EQ(d.kind, row_kind::anchored_record);
    EXPECT_EQ(d.page_offset, anchored_base + anchored_header);
    EXPECT_EQ(d.page_number, (anchored_base + anchored_header) / anchored_page_size);
    EXPECT_EQ(d.name, "300");
    ASSERT_EQ(d.cells.size(), 1U);
    EXPECT_EQ(d.cells.begin()->second.values, std::vector<std::string>{"anchored row text 20"});
    EXPECT_EQ(d.bytes.size(), 24U);
    EXPECT_EQ(d.bytes.front(), 3);
}

TEST(FindRecordsByStrings, HeaderOutOfReachGivesNone) {
    const byte_array page = fixture("blob_first_page.bin");
    ASSERT_EQ(page.size(), anchored_page_size);
    page_descriptor_map out;
    EXPECT_FALSE(find_records_by_strings(out, page.data(), anchored_page_size, anchored_base,
                                         anchored_page_size));
    EXPECT_TRUE(out.empty());
}

TEST(FindRecordsByStrings, CutChunksStayInside) {
    const byte_array page = fixture("one_cell_page.bin");
    ASSERT_EQ(page.size(), anchored_page_size);
    // One byte before the header: too little room for the payload size and the rowid.
    const auto from = static_cast<std::ptrdiff_t>(anchored_header - 1);
    byte_array tail(page.begin() + from, page.end());
    page_descriptor_map out;
    ASSERT_TRUE(find_records_by_strings(out, tail.data(), static_cast<uint32>(tail.size()), 0,
                                        anchored_page_size));
    EXPECT_EQ(out.begin()->second.page_offset, 1U);
    EXPECT_EQ(out.begin()->second.name, "");
    // Cut at every length: the record is found once the printable run holds 10 characters
    // (it starts at the text's serial type 0x35 and the integer 77, "5M"), its text cut at
    // the chunk's end.
    const uint32 anchor_start = anchored_header + 2;
    const uint32 text_start = anchored_header + 4;
    for (uint32 length = 0; length <= anchored_page_size; ++length) {
        const byte_array cut(page.begin(), page.begin() + length);
        const bool found = find_records_by_strings(out, cut.data(), length, 0, anchored_page_size);
        ASSERT_EQ(found, length >= anchor_start + 10) << length;
        if (found) {
            EXPECT_EQ(out.rbegin()->second.cells.begin()->second.values.at(0),
                      std::string(page.begin() + text_start, page.begin() + length));
        }
        out.clear();
    }
}

TEST(CarveBufferPages, LeafRowsAndAnchoredRecords) {
    const byte_array page = fixture("one_cell_page.bin");
    page_descriptor_map out;
    ASSERT_TRUE(carve_buffer_pages(out, page.data(), anchored_page_size, false, anchored_base,
                                   anchored_page_size));
    bool row = false;
    bool anchored = false;
    for (const auto& [offset, d] : out) {
        row = row || d.kind == row_kind::table_cells;
        anchored = anchored || d.kind == row_kind::anchored_record;
    }
    EXPECT_TRUE(row);
    EXPECT_TRUE(anchored);
    EXPECT_FALSE(carve_buffer_pages(out, nullptr, 0, false, 0, anchored_page_size));
    const byte_array zeros(2048, 0);
    EXPECT_FALSE(carve_buffer_pages(out, zeros.data(), 2048, false, 0, 0));
}

TEST(FindRecordsByStrings, RealHandlerSettingsLeaf) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    velk_test::temp_dir dir;
    const std::string copy = velk_test::copy_database(velk_test::real_wpndatabase(), dir);
    ASSERT_FALSE(copy.empty());
    std::map<int64, std::string> keys;  // rowid -> SettingKey
    for (const auto& row : db_test::library_rows(copy, "HandlerSettings")) {
        keys[row.rowid] = row.values.at(1);
    }
    ASSERT_EQ(keys.size(), 1632U);
    uni::fileio file;
    byte_array page;
    ASSERT_TRUE(file.open(copy, false, false, false));
    ASSERT_TRUE(read_page_bytes(file, 31 * real_page_size, real_page_size, page));
    page_descriptor_map out;
    ASSERT_TRUE(find_records_by_strings(out, page.data(), real_page_size, 31 * real_page_size,
                                        real_page_size));
    int checked = 0;
    for (const auto& [offset, d] : out) {
        EXPECT_EQ(d.page_number, 31U);
        if (d.name.empty()) {
            continue;
        }
        const auto key = keys.find(std::stoll(d.name));
        ASSERT_NE(key, keys.end()) << d.name;
        const std::vector<std::string>& texts = d.cells.begin()->second.values;
        EXPECT_NE(std::find(texts.begin(), texts.end(), key->second), texts.end()) << d.name;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(FindMainDbSlack, RealDatabase) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    region_map slack;
    ASSERT_TRUE(find_main_db_slack(slack, velk_test::real_wpndatabase()));
    // The same census as the slack finder's own test: nine leaves whose every row was deleted
    // give their whole gap too.
    EXPECT_EQ(slack.size(), 112U);
    const uint64 total = std::accumulate(slack.begin(), slack.end(), uint64{0},
                                         [](uint64 sum, const auto& r) { return sum + r.second; });
    EXPECT_EQ(total, 108046U);
    // A companion's name is refused before anything is opened.
    EXPECT_FALSE(find_main_db_slack(slack, "/no/such/folder/x.db-wal"));
    EXPECT_FALSE(find_main_db_slack(slack, "/no/such/x-journal/wpndatabase.db"));
    EXPECT_FALSE(find_main_db_slack(slack, "/no/such/x.db-shm"));
    EXPECT_FALSE(find_main_db_slack(slack, ""));
    EXPECT_TRUE(slack.empty());
}

bool count_hits(std::vector<carved_record>& hits, const uint8*, uint32, uint64, bool,
                text_encoding /*encoding*/, void*) {
    hits.clear();
    return false;
}

TEST(CarveDatabaseAllTables, NeedsColumnBounds) {
    std::vector<carved_record> hits;
    EXPECT_FALSE(carve_database_all_tables(hits, velk_test::real_wpndatabase(), count_hits, false,
                                           false, 0, 0, false, false, false, nullptr));
}

}  // namespace
