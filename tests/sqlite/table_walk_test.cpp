// The table walk against the SQLite library, the rowid limits over the whole signed range,
// and b-trees whose links point back at themselves, at an ancestor, at page 0 or past the
// file: each must end with what it could read, never loop or read a page twice.

#include "sqlite/table_walk.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/db_test_support.h"
#include "sqlite/page_builder.h"

namespace {

using library_oracle::row;
constexpr uint64 all_bits = std::numeric_limits<uint64>::max();

std::vector<table_record> walk(uni::fileio& file, uint32 root, uint32 page_size, uint64 start = 0,
                               uint64 count = all_bits) {
    std::vector<table_record> out;
    (void)read_table_records(out, file, uint64{root - 1} * page_size, page_size, start, count, true,
                             false, text_encoding::utf8);
    return out;
}

std::set<int64> rowids(const std::vector<table_record>& records) {
    std::set<int64> out;
    for (const table_record& r : records) {
        out.insert(r.rowid);
    }
    return out;
}

class RealTableWalk : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = db_test::real("wpndatabase.db");
        VELK_NEED_REAL_DATA(m_path);
        ASSERT_TRUE(m_file.open(m_path, false, true, false));
    }
    std::vector<table_record> table(const std::string& name) {
        return walk(m_file, library_oracle::connection(m_path).roots().at(name), 4096);
    }
    void expect_library(const std::string& name, std::size_t count) {
        const std::vector<table_record> walked = table(name);
        EXPECT_EQ(walked.size(), count) << name;
        EXPECT_EQ(db_test::sorted(db_test::as_rows(walked)), db_test::library_rows(m_path, name))
            << name;
    }
    std::string m_path;
    uni::fileio m_file;
};

TEST_F(RealTableWalk, EveryTableEqualsTheLibrary) {
    expect_library("Notification", 6);
    expect_library("NotificationHandler", 68);
    expect_library("HandlerSettings", 1632);
    expect_library("Metadata", 7);
}

TEST_F(RealTableWalk, KnownNotificationAndSettingsOrder) {
    const std::vector<table_record> notes = table("Notification");
    ASSERT_FALSE(notes.empty());
    const table_record& first = notes.front();
    EXPECT_EQ(first.rowid, 1);
    EXPECT_EQ(first.file_offset, 28375u);
    ASSERT_GE(first.values.size(), 6u);
    EXPECT_EQ(first.values[1], "2");   // Id
    EXPECT_EQ(first.values[2], "68");  // HandlerId
    EXPECT_TRUE(first.values[5].starts_with(
        "<toast activationType='protocol' launch='ms-settings:connecteddevices'>"));
    EXPECT_TRUE(first.value_codes.empty());
    EXPECT_TRUE(first.bytes.empty());

    // Leaf by leaf in key order: the rowids ascend from 1 to 1647.
    const std::vector<table_record> settings = table("HandlerSettings");
    ASSERT_EQ(settings.size(), 1632u);
    EXPECT_EQ(settings.front().rowid, 1);
    EXPECT_EQ(settings.back().rowid, 1647);
    for (std::size_t i = 1; i < settings.size(); ++i) {
        ASSERT_LT(settings[i - 1].rowid, settings[i].rowid) << i;
    }
}

TEST_F(RealTableWalk, EmptyTableGivesFalseAndNoRows) {
    std::vector<table_record> out{table_record{}};
    const uint32 root = library_oracle::connection(m_path).roots().at("WNSPushChannel");
    EXPECT_FALSE(read_table_records(out, m_file, uint64{root - 1} * 4096, 4096, 0, all_bits, true,
                                    false, text_encoding::utf8));
    EXPECT_TRUE(out.empty());
}

TEST_F(RealTableWalk, CaptureKeepsTheRecordHeader) {
    std::vector<table_record> out;
    const uint32 root = library_oracle::connection(m_path).roots().at("Metadata");
    ASSERT_TRUE(read_table_records(out, m_file, uint64{root - 1} * 4096, 4096, 0, all_bits, true,
                                   true, text_encoding::utf8));
    for (const table_record& r : out) {
        ASSERT_FALSE(r.bytes.empty());
        EXPECT_EQ(r.bytes.size(), r.bytes[0]);  // a header starts with its own size
    }
}

TEST(RecordsTableWalk, ThreeLevelsOverflowAndEveryKind) {
    const std::string path = db_test::fixture("records/records.db");
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, true, false));
    const auto roots = library_oracle::connection(path).roots();
    for (const char* name : {"kinds", "many", "spill", "keyed", "named"}) {
        EXPECT_EQ(db_test::sorted(db_test::as_rows(walk(file, roots.at(name), 1024))),
                  db_test::library_rows(path, name))
            << name;
    }
    // The lowest interior pages of a three-level tree lie one level above the leaves.
    page_list pages;
    page_descriptor_map interior;
    ASSERT_TRUE(read_page_records(pages, interior, file, uint64{roots.at("many") - 1} * 1024, 1024,
                                  false, text_encoding::utf8));
    EXPECT_GT(pages.size(), 1u);
    EXPECT_EQ(interior.size(), pages.size() + 1);  // the root and every lowest page
    EXPECT_EQ(interior.count(roots.at("many")), 1u);
}

// The streaming walk hands on, in the same order, exactly the rows the gathering walk
// returns: every field of each, the captured record header included, also under a limit.
TEST(ForEachTableRecord, HandsOnEveryFieldOfTheGatheredRows) {
    struct walk_case {
        const char* fixture;
        const char* table;
        uint64 count;
    };
    for (const walk_case c : {walk_case{"records/records.db", "many", all_bits},
                              walk_case{"records/records.db", "spill", all_bits},
                              walk_case{"walk/rowids.db", "ids", 0xFFFFFFFF}}) {
        const std::string path = db_test::fixture(c.fixture);
        uni::fileio file;
        ASSERT_TRUE(file.open(path, false, true, false));
        const uint32 page_size = 1024;
        const uint64 root =
            uint64{library_oracle::connection(path).roots().at(c.table) - 1} * page_size;
        std::vector<table_record> gathered;
        ASSERT_TRUE(read_table_records(gathered, file, root, page_size, 0, c.count, true, true,
                                       text_encoding::utf8));
        std::vector<table_record> handed;
        ASSERT_TRUE(for_each_table_record(
            file, root, page_size, 0, c.count, true, true, text_encoding::utf8,
            [&handed](table_record& r) { handed.push_back(std::move(r)); }));
        ASSERT_EQ(handed.size(), gathered.size()) << c.table;
        for (std::size_t i = 0; i < handed.size(); ++i) {
            EXPECT_EQ(handed[i].values, gathered[i].values) << c.table << ' ' << i;
            EXPECT_EQ(handed[i].rowid, gathered[i].rowid) << c.table << ' ' << i;
            EXPECT_EQ(handed[i].file_offset, gathered[i].file_offset) << c.table << ' ' << i;
            EXPECT_EQ(handed[i].bytes, gathered[i].bytes) << c.table << ' ' << i;
        }
    }
    uni::fileio closed;
    EXPECT_FALSE(for_each_table_record(closed, 0, 1024, 0, all_bits, true, true,
                                       text_encoding::utf8,
                                       [](table_record&) { FAIL() << "no row to hand on"; }));
}

class RowidTable : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = db_test::fixture("walk/rowids.db");
        ASSERT_TRUE(m_file.open(m_path, false, true, false));
        m_root = library_oracle::connection(m_path).roots().at("ids");
    }
    std::string m_path;
    uni::fileio m_file;
    uint32 m_root = 0;
};

TEST_F(RowidTable, AllBitsReturnsEveryRowAcrossTheSignedRange) {
    const std::vector<table_record> all = walk(m_file, m_root, 1024);
    EXPECT_EQ(db_test::sorted(db_test::as_rows(all)), db_test::library_rows(m_path, "ids"));
    const std::set<int64> ids = rowids(all);
    EXPECT_EQ(ids.size(), 2003u);
    for (const int64 id : {int64{-3}, int64{1}, int64{4294967295}, int64{5000000000}}) {
        EXPECT_EQ(ids.count(id), 1u) << id;
    }
}

TEST_F(RowidTable, LimitsCompareAsSignedNumbers) {
    // Count 0xFFFFFFFF is a limit, not "all": 5000000000 lies above it, -3 below it, and the
    // row at the limit ends the walk.
    const std::vector<table_record> to_limit = walk(m_file, m_root, 1024, 0, 0xFFFFFFFF);
    const std::set<int64> ids = rowids(to_limit);
    EXPECT_EQ(ids.count(-3), 1u);
    EXPECT_EQ(ids.count(4294967295), 1u);
    EXPECT_EQ(ids.count(5000000000), 0u);
    EXPECT_EQ(ids.size(), 2002u);
    EXPECT_EQ(to_limit.back().rowid, 4294967295);

    // start + count would wrap to 4999999999: it saturates instead, so 5000000000 stays.
    const std::set<int64> high = rowids(walk(m_file, m_root, 1024, 5000000000, all_bits - 1));
    EXPECT_EQ(high.count(5000000000), 1u);

    // A small window: the walk ends at its last rowid.
    const std::vector<table_record> window = walk(m_file, m_root, 1024, 0, 10);
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(window.back().rowid, 10);
    EXPECT_LE(rowids(window).size(), 11u);
}

// Database images with one page link changed, read from memory.
class DamagedTree : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = db_test::fixture("records/records.db");
        m_db = test_pages::read_file(path);
        ASSERT_FALSE(m_db.empty());
        m_root = library_oracle::connection(path).roots().at("many");
        ASSERT_EQ(m_db[std::size_t{m_root - 1} * 1024], 5);  // an interior root
    }
    std::vector<table_record> walk_patched(const byte_array& db) {
        uni::fileio file(db, false, false);
        return walk(file, m_root, 1024);
    }
    // The child page of the first cell of the root's first child (a lowest interior page).
    uint32 first_lowest() const {
        const std::size_t cell = db_test::child_pointer_of(m_db, 1024, m_root, 0);
        const std::size_t at = std::size_t{m_root - 1} * 1024 + cell;
        return (uint32{m_db[at]} << 24) | (uint32{m_db[at + 1]} << 16) |
               (uint32{m_db[at + 2]} << 8) | m_db[at + 3];
    }
    byte_array m_db;
    uint32 m_root = 0;
};

TEST_F(DamagedTree, LinksBackIntoTheTreeEndWithoutRepeats) {
    const std::size_t whole = walk_patched(m_db).size();
    ASSERT_EQ(whole, 3000u);
    const uint32 lowest = first_lowest();
    const std::size_t root_cell = db_test::child_pointer_of(m_db, 1024, m_root, 0);
    const std::size_t lowest_cell = db_test::child_pointer_of(m_db, 1024, lowest, 0);
    struct link_case {
        const char* name;
        uint32 page;     // the page whose link is changed
        std::size_t at;  // offset of the link in that page
        uint64 target;
    };
    const link_case cases[] = {
        {"RootChildToItself", m_root, root_cell, m_root},
        {"RootRightChildToItself", m_root, 8, m_root},
        {"LowestChildToAncestor", lowest, lowest_cell, m_root},
        {"LowestChildToItself", lowest, lowest_cell, lowest},
        {"LowestRightChildToRoot", lowest, 8, m_root},
        {"ChildToPageZero", lowest, lowest_cell, 0},
        {"RootChildToPageZero", m_root, root_cell, 0},
        {"ChildPastTheFile", lowest, lowest_cell, 0x7fffffff},
        {"ChildToLastPossiblePage", m_root, root_cell, 0xffffffff},
    };
    for (const link_case& c : cases) {
        byte_array db = m_db;
        db_test::patch(db, 1024, c.page, c.at, c.target, 4);
        const std::vector<table_record> rows = walk_patched(db);
        EXPECT_LT(rows.size(), whole) << c.name;
        EXPECT_EQ(rowids(rows).size(), rows.size()) << c.name << ": a page was read twice";
    }
}

// Links back into the tree, to page 0 or past the file: the map of the tree's pages ends
// and takes no page twice.
TEST_F(DamagedTree, MapOfPagesEndsOnLinksThatLoop) {
    uni::fileio whole_file(m_db, false, false);
    tree_pages whole;
    map_tree_pages(whole, whole_file, m_root, 1024);
    ASSERT_GT(whole.leaves.size(), 2u);
    const uint32 lowest = first_lowest();
    const std::size_t lowest_cell = db_test::child_pointer_of(m_db, 1024, lowest, 0);
    for (const uint64 target : {uint64{m_root}, uint64{lowest}, uint64{0}, uint64{0x7fffffff}}) {
        byte_array db = m_db;
        db_test::patch(db, 1024, lowest, lowest_cell, target, 4);
        db_test::patch(db, 1024, m_root, 8, m_root, 4);
        uni::fileio file(db, false, false);
        tree_pages trees;
        map_tree_pages(trees, file, m_root, 1024);
        EXPECT_LT(trees.leaves.size(), whole.leaves.size()) << target;
        EXPECT_TRUE(trees.damaged.empty()) << target;
    }
}

// Types an earlier pass read stand for reads of the pages they name, except where a read
// patch covers a page: the walk then reads the page as the patch lays it.
TEST_F(DamagedTree, KnownTypesStandForReadsOutsideThePatches) {
    uni::fileio file;
    ASSERT_TRUE(file.open(db_test::fixture("records/records.db"), false, false, false));
    tree_pages read_all;
    map_tree_pages(read_all, file, m_root, 1024);
    ASSERT_GT(read_all.leaves.size(), 2u);
    known_page_types known;
    for (uint64 number = 2; number <= m_db.size() / 1024; ++number) {
        known.set(number, m_db[std::size_t{number - 1} * 1024]);
    }
    tree_pages from_known;
    map_tree_pages(from_known, file, m_root, 1024, &known);
    EXPECT_EQ(from_known.leaves, read_all.leaves);
    EXPECT_EQ(from_known.interior, read_all.interior);
    EXPECT_EQ(from_known.damaged, read_all.damaged);
    // A type held wrong is taken as it stands: the table answers, the page is not read.
    const uint64 leaf = *read_all.leaves.rbegin();
    known.set(leaf, 0);
    tree_pages wrong;
    map_tree_pages(wrong, file, m_root, 1024, &known);
    EXPECT_EQ(wrong.damaged, std::set<uint64>{leaf});
    // A page a patch covers is read, whatever the table holds.
    const auto start = m_db.begin() + static_cast<std::ptrdiff_t>((leaf - 1) * 1024);
    ASSERT_TRUE(
        file.set_read_patches({{(leaf - 1) * 1024, byte_array(start, start + 1024)}}, file.size()));
    tree_pages patched;
    map_tree_pages(patched, file, m_root, 1024, &known);
    EXPECT_EQ(patched.leaves, read_all.leaves);
    EXPECT_EQ(patched.damaged, read_all.damaged);
}

TEST_F(DamagedTree, TwoChildrenNamingOneLeafGiveItsRowsOnce) {
    byte_array db = m_db;
    const uint32 lowest = first_lowest();
    const std::size_t first = db_test::child_pointer_of(db, 1024, lowest, 0);
    const std::size_t second = db_test::child_pointer_of(db, 1024, lowest, 1);
    const std::size_t base = std::size_t{lowest - 1} * 1024;
    std::copy(db.begin() + static_cast<std::ptrdiff_t>(base + first),
              db.begin() + static_cast<std::ptrdiff_t>(base + first + 4),
              db.begin() + static_cast<std::ptrdiff_t>(base + second));
    const std::vector<table_record> rows = walk_patched(db);
    EXPECT_EQ(rowids(rows).size(), rows.size());
    EXPECT_LT(rows.size(), 3000u);
}

TEST_F(DamagedTree, CutAtEveryPageBoundaryAndInside) {
    for (std::size_t cut = 0; cut <= m_db.size(); cut += 509) {
        const byte_array db(m_db.begin(), m_db.begin() + static_cast<std::ptrdiff_t>(cut));
        const std::vector<table_record> rows = walk_patched(db);
        EXPECT_LE(rows.size(), 3000u);
        EXPECT_EQ(rowids(rows).size(), rows.size()) << cut;
    }
}

TEST(TableWalk, RefusesWhatCannotBeWalked) {
    uni::fileio closed;
    std::vector<table_record> out;
    EXPECT_FALSE(
        read_table_records(out, closed, 0, 1024, 0, all_bits, true, false, text_encoding::utf8));
    uni::fileio file(byte_array(4096, 0), false, false);
    EXPECT_FALSE(
        read_table_records(out, file, 0, 0, 0, all_bits, true, false, text_encoding::utf8));
    EXPECT_FALSE(
        read_table_records(out, file, 0, 256, 0, all_bits, true, false, text_encoding::utf8));
    EXPECT_FALSE(
        read_table_records(out, file, 8192, 1024, 0, all_bits, true, false, text_encoding::utf8));
    page_list pages;
    page_descriptor_map interior;
    EXPECT_FALSE(
        read_page_records(pages, interior, file, 1u << 31, 1024, true, text_encoding::utf8));
    page_descriptor_map t;
    page_descriptor_map i;
    page_descriptor_map o;
    EXPECT_FALSE(decode_page_payloads(t, i, o, pages, file, 1024, false, text_encoding::utf8));
}

TEST(TableWalk, GivenPageListIsUsedAsItIs) {
    // A list naming page 3 alone reads page 3 whatever the root says.
    test_pages::page_builder leaf(1024, 13);
    leaf.add_cell(test_pages::table_leaf_cell(7, test_pages::record({1}, {42})));
    byte_array db(2048, 0);
    test_pages::append(db, leaf.finish());
    uni::fileio file(db, false, false);
    page_descriptor d;
    interior_record_decoder child;
    child.child_page = 3;
    d.children.emplace(std::numeric_limits<uint64>::max(), child);
    page_list pages{d};
    std::vector<table_record> out;
    ASSERT_TRUE(
        walk_table_btree(out, pages, file, 0, 1024, 0, all_bits, true, false, text_encoding::utf8));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].rowid, 7);
    EXPECT_EQ(out[0].values, std::vector<std::string>{"42"});
    EXPECT_EQ(out[0].file_offset, 2048u + 1024u - 5u);
}

// Page 1 is read as every other page is, from its b-tree header after the file header: an
// interior page 1 lists the schema's leaves, which the schema rows come from.
TEST(ReadPageRecords, PageOneIsReadFromItsOwnBtreeHeader) {
    const std::string path = db_test::fixture("records/records_utf16.db");
    const byte_array bytes = test_pages::read_file(path);
    ASSERT_GT(bytes.size(), 100u);
    ASSERT_EQ(bytes[100], 5);  // the schema spans several pages
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, true, false));
    page_list pages;
    page_descriptor_map interior;
    ASSERT_TRUE(read_page_records(pages, interior, file, 0, 1024, false, text_encoding::utf16le));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].page_number, 1u);
    EXPECT_EQ(interior.count(1), 1u);
    ASSERT_GT(pages[0].children.size(), 1u);
    for (const auto& [key, child] : pages[0].children) {
        EXPECT_EQ(bytes.at(std::size_t{child.child_page - 1} * 1024), 13) << child.child_page;
    }
    page_descriptor_map table_rows;
    page_descriptor_map index_rows;
    page_descriptor_map schema_rows;
    ASSERT_TRUE(decode_page_payloads(table_rows, index_rows, schema_rows, pages, file, 1024, false,
                                     text_encoding::utf16le));
    std::size_t tables = 0;
    for (const auto& [key, row] : schema_rows) {
        tables += row.kind == row_kind::schema_table ? 1 : 0;
    }
    std::size_t library_tables = 0;
    for (const auto& [name, root] : library_oracle::connection(path).roots()) {
        library_tables += name.starts_with("sqlite_autoindex") ? 0 : 1;
    }
    EXPECT_GE(tables, 2u);
    EXPECT_LE(tables, library_tables);
}

struct tree_case {
    const char* name;
    const char* fixture;
    uint64 root;
    std::set<uint64> interior;
    std::set<uint64> damaged;
    std::size_t leaves;  // every one a table leaf
};

const tree_case tree_cases[] = {
    {"InteriorRoot", "edge/handler1.db", 7, {7}, {}, 3},
    {"LeafRoot", "edge/emptied.db", 7, {}, {}, 1},
    {"ZeroedInteriorRoot", "roots/interior_root_zeroed.db", 7, {}, {7}, 0},
    {"ZeroedLeafRoot", "roots/leaf_root_zeroed.db", 7, {}, {7}, 0},
    {"RootPastTheFile", "edge/handler1.db", 999, {}, {}, 0},
    {"RootZero", "edge/handler1.db", 0, {}, {}, 0},
    {"SchemaOfAnInteriorPageOne", "records/records_utf16.db", 1, {1}, {}, 2},
};

class MapTreePages : public ::testing::TestWithParam<tree_case> {};

TEST_P(MapTreePages, ReachedLeavesAndDamagedPages) {
    const tree_case& c = GetParam();
    const std::string path = db_test::fixture(c.fixture);
    const byte_array bytes = test_pages::read_file(path);
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, true, false));
    const uint32 page_size = c.fixture == std::string("records/records_utf16.db") ? 1024 : 4096;
    tree_pages trees;
    map_tree_pages(trees, file, c.root, page_size);
    EXPECT_EQ(trees.interior, c.interior);
    EXPECT_EQ(trees.damaged, c.damaged);
    EXPECT_GE(trees.leaves.size(), c.leaves);
    EXPECT_EQ(trees.leaves.empty(), c.leaves == 0);
    for (const uint64 leaf : trees.leaves) {
        const uint8 type = bytes.at(std::size_t{leaf - 1} * page_size);
        EXPECT_TRUE(type == 13 || type == 10) << leaf;
    }
    // A second call for the same root meets no page again.
    tree_pages again = trees;
    map_tree_pages(again, file, c.root, page_size);
    EXPECT_EQ(again.leaves, trees.leaves);
}

INSTANTIATE_TEST_SUITE_P(Cases, MapTreePages, ::testing::ValuesIn(tree_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DecodePagePayloads, SortsRowsByKindAndKeepsFirstKey) {
    const std::string path = db_test::fixture("records/records.db");
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, true, false));
    const auto roots = library_oracle::connection(path).roots();
    page_list pages;
    page_descriptor_map interior;
    ASSERT_TRUE(read_page_records(pages, interior, file, uint64{roots.at("many_word") - 1} * 1024,
                                  1024, true, text_encoding::utf8));
    EXPECT_TRUE(interior.empty());  // skipped on request
    page_descriptor_map table_rows;
    page_descriptor_map index_rows;
    page_descriptor_map other_rows;
    // An index: only index rows, and nothing when table rows alone are asked for.
    ASSERT_TRUE(decode_page_payloads(table_rows, index_rows, other_rows, pages, file, 1024, false,
                                     text_encoding::utf8));
    EXPECT_TRUE(table_rows.empty());
    EXPECT_FALSE(index_rows.empty());
    EXPECT_FALSE(decode_page_payloads(table_rows, index_rows, other_rows, pages, file, 1024, true,
                                      text_encoding::utf8));
    EXPECT_TRUE(index_rows.empty());
    // A table's leaves all key their cells under root page 0: the first leaf's entry stays.
    ASSERT_TRUE(read_page_records(pages, interior, file, uint64{roots.at("many") - 1} * 1024, 1024,
                                  true, text_encoding::utf8));
    ASSERT_TRUE(decode_page_payloads(table_rows, index_rows, other_rows, pages, file, 1024, true,
                                     text_encoding::utf8));
    ASSERT_EQ(table_rows.size(), 1u);
    EXPECT_EQ(table_rows.begin()->first, 0u);
    EXPECT_EQ(table_rows.begin()->second.cells.begin()->second.rowid, 1u);
}

}  // namespace
