#include "sqlite/database_carver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/carve_test_support.h"
#include "sqlite/db_file.h"
#include "sqlite/page_builder.h"
#include "sqlite/varint.h"

namespace {

using carve_test::chunk_log;
using carve_test::counting_finder;
using carve_test::items_finder;
using carve_test::label_of;
using test_pages::put_be;

const std::string carve_dir = std::string(VELK_TEST_DATA_DIR) + "/carve";
const std::string real_dir = VELK_REAL_DATA_DIR;

bool carve(std::vector<carved_record>& hits, const std::string& path, record_finder_fn finder,
           void* context, bool valid_pages = false, std::string table = "") {
    return carve_database(hits, path, table, finder, false, true, 1, 1, valid_pages, false,
                          false, context);
}

uint32 source_of(const carved_record& r) { return record_source::of_word(r.source_word); }

// "VELK-CARVE-DELETED-0203 xxx" -> 203.
int64 label_rowid(const std::string& label) {
    const std::size_t dash = label.rfind('-', label.find(' '));
    return std::stoll(label.substr(dash + 1, 4));
}

// ---- Slack of the main file ------------------------------------------------------------

TEST(FindDbSlack, RealDatabaseCensus) {
    const std::string path = real_dir + "/wpndatabase.db";
    VELK_NEED_REAL_DATA(path);
    uni::fileio db;
    sqlite_db_header header;
    ASSERT_TRUE(open_db_file(db, header, path));
    region_map slack{{0xFFFFFFFFFFFF0000ULL, 1}};  // kept: the map is not emptied
    ASSERT_TRUE(find_db_slack(slack, db, header));
    slack.erase(0xFFFFFFFFFFFF0000ULL);
    uint64 bytes = 0;
    for (const auto& [offset, length] : slack) {
        bytes += length;
    }
    // Nine of the regions are leaves whose every cell was deleted (4088 bytes each).
    EXPECT_EQ(slack.size(), 112u);
    EXPECT_EQ(bytes, 108046u);

    // The carver hands each region to the finder in one chunk, in ascending order, then the
    // file past the header's 54 pages (zeros in this copy) page by page.
    chunk_log log;
    std::vector<carved_record> hits(2);
    EXPECT_FALSE(carve(hits, path, counting_finder, &log));
    EXPECT_TRUE(hits.empty());
    constexpr uint64 end = 54 * 4096;
    const auto past =
        std::find_if(log.offsets.begin(), log.offsets.end(), [](uint64 at) { return at >= end; });
    EXPECT_EQ(past - log.offsets.begin(), 112);
    EXPECT_EQ(std::accumulate(log.lengths.begin(), log.lengths.begin() + 112, uint64{0}), 108046u);
    EXPECT_EQ(log.offsets.end() - past, 256 - 54);
    EXPECT_EQ(log.bytes, 108046u + (256 - 54) * 4096);
    EXPECT_TRUE(std::is_sorted(log.offsets.begin(), log.offsets.end()));
    EXPECT_EQ(log.offsets.front(), slack.begin()->first);
    EXPECT_EQ(*past, end);
}

// A database of 512-byte pages: page 1 a schema leaf whose header counts `count` pages
// (with its change counter current or not), in a file of `file_size` bytes.
struct tail_case {
    const char* name;
    uint32 count;
    bool count_current;
    std::size_t file_size;
    region_map overwritten;  // pages a log replaces
    region_map tail;
};

const tail_case tail_cases[] = {
    {"CountNotSet", 0, true, 6 * 512, {}, {}},
    {"CountCurrent", 2, true, 6 * 512, {}, {{1024, 4 * 512}}},
    // Written by an older writer, the count says nothing: the file's end is the database's.
    {"CountStale", 2, false, 6 * 512, {}, {}},
    {"CountAtTheFilesEnd", 6, true, 6 * 512, {}, {}},
    {"CountPastTheFilesEnd", 9, true, 6 * 512, {}, {}},
    {"LastPageInPart", 2, true, 6 * 512 + 100, {}, {{1024, 4 * 512 + 100}}},
    {"PagesTheLogReplacesAreLeftOut",
     2,
     true,
     6 * 512,
     {{1024, 512}, {2048, 512}, {9 * 512, 512}},
     {{1536, 512}, {2560, 512}}},
};

class FindDbTail : public ::testing::TestWithParam<tail_case> {};

TEST_P(FindDbTail, IsTheFilePastTheCurrentPageCount) {
    const tail_case& c = GetParam();
    test_pages::page_builder one(512, 13, true);
    byte_array image = one.finish();
    image.resize(c.file_size, 0);
    put_be(image, 24, 5, 4);                        // change counter
    put_be(image, 28, c.count, 4);                  // pages
    put_be(image, 92, c.count_current ? 5 : 4, 4);  // the counter the count was written with
    // Page 4, a leaf whose every cell was deleted: its gap is slack only inside the database.
    const byte_array leaf = test_pages::page_builder(512, 13).finish();
    std::copy(leaf.begin(), leaf.end(), image.begin() + 3 * 512);
    uni::fileio db(image, false, false);
    sqlite_db_header header;
    std::copy(image.begin(), image.begin() + 100, header.bytes.begin());
    region_map tail{{1, 1}};
    EXPECT_EQ(find_db_tail(tail, db, header, c.overwritten), !c.tail.empty());
    EXPECT_EQ(tail, c.tail);
    region_map slack;
    (void)find_db_slack(slack, db, header);
    const bool page_4_slack = slack.lower_bound(3 * 512) != slack.lower_bound(4 * 512);
    EXPECT_EQ(page_4_slack, c.tail.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, FindDbTail, ::testing::ValuesIn(tail_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A 4-page database image of 512-byte pages whose pages 2 to 4 are zero but for what the
// case writes: page 1 is a schema leaf, the freelist starts at trunk.
struct freelist_case {
    const char* name;
    uint32 trunk;
    std::vector<std::pair<std::size_t, uint32>> words;  // (file offset, u32) to write
    std::vector<uint32> free_pages;
};

const freelist_case freelist_cases[] = {
    {"NoFreelist", 0, {}, {}},
    {"TrunkWithLeaves", 2, {{516, 2}, {520, 3}, {524, 4}}, {2, 3, 4}},
    {"TrunkPointsAtItself", 2, {{512, 2}}, {2}},
    {"TrunksLoopBack", 2, {{512, 3}, {1024, 2}}, {2, 3}},
    {"LeafListFillsThePage", 2, {{516, 126}, {520, 3}}, {2, 3}},
    {"LeafCountPastThePage", 2, {{516, 127}, {520, 3}}, {2}},
    {"LeafCountWraps32Bits", 2, {{516, 0x40000000}, {520, 3}}, {2}},
    {"LeafZeroAndPastTheFile", 2, {{516, 3}, {520, 0}, {524, 4}, {528, 99}}, {2, 4}},
    {"TrunkPastTheFile", 99, {}, {}},
    {"NextTrunkPastTheFile", 2, {{512, 77}}, {2}},
    {"NextTrunkZeroPage", 3, {{1024, 0}, {1028, 1}, {1032, 2}}, {2, 3}},
};

class FindDbSlackFreelist : public ::testing::TestWithParam<freelist_case> {};

TEST_P(FindDbSlackFreelist, FollowsOnlyPagesOfTheFile) {
    const freelist_case& c = GetParam();
    test_pages::page_builder one(512, 13, true);
    byte_array image = one.finish();
    image.resize(4 * 512, 0);
    put_be(image, 32, c.trunk, 4);
    for (const auto& [at, value] : c.words) {
        put_be(image, at, value, 4);
    }
    uni::fileio db(image, false, false);
    sqlite_db_header header;
    std::copy(image.begin(), image.begin() + 100, header.bytes.begin());
    region_map slack;
    EXPECT_EQ(find_db_slack(slack, db, header), !c.free_pages.empty());
    region_map expected;
    for (const uint32 page : c.free_pages) {
        expected[(page - 1) * 512ULL] = 512;
    }
    EXPECT_EQ(slack, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindDbSlackFreelist, ::testing::ValuesIn(freelist_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FindDbSlack, RefusesWhatIsNoDatabase) {
    region_map slack;
    sqlite_db_header header;
    uni::fileio closed;
    EXPECT_FALSE(find_db_slack(slack, closed, header));
    uni::fileio zeros(byte_array(4096, 0), false, false);
    EXPECT_FALSE(find_db_slack(slack, zeros, header));  // no magic
}

// The last page of a cut file keeps its slack as far as its header and freeblocks can be
// read: a region starts inside the file, inside a region of the whole file (a page that the
// freelist past the cut names as free is taken for the b-tree page it was).
TEST(FindDbSlack, FileCutAtAnyLengthGivesTheSlackOfThePagesPresent) {
    const byte_array file = test_pages::read_file(carve_dir + "/deleted.db");
    ASSERT_EQ(file.size(), 10u * 4096);
    sqlite_db_header header;
    std::copy(file.begin(), file.begin() + 100, header.bytes.begin());
    uni::fileio whole(file, false, false);
    region_map all;
    ASSERT_TRUE(find_db_slack(all, whole, header));
    for (std::size_t cut = 0; cut <= file.size(); cut += 97) {
        uni::fileio db(byte_array(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)),
                       false, false);
        region_map slack;
        (void)find_db_slack(slack, db, header);
        for (const auto& [offset, length] : slack) {
            EXPECT_LT(offset, cut);
            auto within = all.upper_bound(offset);
            ASSERT_NE(within, all.begin()) << cut;
            --within;
            EXPECT_LE(offset + length, within->first + within->second) << cut;
        }
    }
}

// ---- Deleted rows and dropped tables --------------------------------------------------

TEST(CarveDatabase, RecoversEveryDeletedRowAndTheDroppedTable) {
    const std::string path = carve_dir + "/deleted.db";
    const byte_array file = test_pages::read_file(path);
    std::vector<carved_record> hits;
    ASSERT_TRUE(carve(hits, path, items_finder, nullptr));
    std::set<int64> deleted;
    std::set<int64> dropped;
    for (const carved_record& r : hits) {
        EXPECT_EQ(source_of(r), record_source::main_db_slack);
        ASSERT_GT(r.file_offset, 0u);
        ASSERT_LT(r.file_offset, file.size());
        // At the cell: a two-byte payload length and a two-byte rowid (or the freeblock
        // header that took them) before the header-size byte.
        EXPECT_EQ(file[r.file_offset + 4], 6);
        ASSERT_EQ(r.values.size(), 3u);
        const std::string label = label_of(r);
        // Stale copies of live rows, left in the gaps when pages were split while the
        // tables were filled, are residue too; the deleted and dropped rows must all be there.
        ASSERT_TRUE(label.starts_with("VELK-CARVE-")) << label;
        const int64 rowid = label_rowid(label);
        if (label.starts_with("VELK-CARVE-DELETED-")) {
            deleted.insert(rowid);
            EXPECT_EQ(r.values[2].size(), 80u);
            EXPECT_EQ(r.truncated, 0);
        } else if (label.starts_with("VELK-CARVE-DROPPED-")) {
            dropped.insert(rowid);
            EXPECT_EQ(r.values[2].size(), 80u);
            EXPECT_EQ(r.rowid, rowid);  // whole cells: the rowid varint is still there
        }
    }
    std::set<int64> expected_deleted;
    for (int64 r = 200; r < 300; ++r) {
        if (r % 7 == 0) {
            expected_deleted.insert(r);
        }
    }
    EXPECT_EQ(deleted, expected_deleted);
    EXPECT_EQ(dropped.size(), 60u);
    EXPECT_EQ(*dropped.begin(), 1000);
    EXPECT_EQ(*dropped.rbegin(), 1059);
}

TEST(CarveDatabase, SecureDeleteTwinYieldsNothing) {
    std::vector<carved_record> hits;
    EXPECT_FALSE(carve(hits, carve_dir + "/deleted_secure.db", items_finder, nullptr));
    EXPECT_TRUE(hits.empty());
}

// A finder that leaves the column count to the carver's bounds.
bool items_finder_without_count(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                                uint64 offset, bool append, text_encoding encoding, void* context) {
    const bool found = items_finder(hits, data, length, offset, append, encoding, context);
    for (carved_record& hit : hits) {
        hit.column_count = 0;
    }
    return found;
}

TEST(CarveDatabase, TableNameGivesTheColumnBounds) {
    const std::string path = carve_dir + "/deleted.db";
    std::vector<carved_record> hits;
    std::string table = "ITEMS";
    ASSERT_TRUE(carve_database(hits, path, table, items_finder_without_count, false, true, 1, 1,
                               false, false, false, nullptr));
    EXPECT_EQ(table, "items");  // lower-cased in place
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(hits[0].values.size(), 3u);  // three columns from the CREATE TABLE text
    // A table the schema does not hold: the caller's bounds (one column).
    ASSERT_TRUE(carve(hits, path, items_finder_without_count, nullptr, false, "nosuchtable"));
    EXPECT_EQ(hits[0].values.size(), 1u);
}

TEST(CarveDatabase, RefusesAnEmptyPathAndMissingBounds) {
    std::vector<carved_record> hits(1);
    std::string table;
    EXPECT_FALSE(carve_database(hits, "", table, items_finder, true, true, 1, 1, false, false,
                                false, nullptr));
    EXPECT_EQ(hits.size(), 1u);  // append: kept
    EXPECT_FALSE(carve_database(hits, carve_dir + "/deleted.db", table, items_finder, false, true,
                                0, 0, false, false, false, nullptr));
    EXPECT_TRUE(hits.empty());
}

// ---- Companions --------------------------------------------------------------------------

// Records of the real WAL fixture's table: Field1 TEXT, Field2 INTEGER, Field3 BLOB (and
// later NewField): header size 4 or 5, a short text, a small integer, then NULL or blob.
bool mytable_finder(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                    uint64 chunk_file_offset, bool append, text_encoding /*encoding*/,
                    void* /*context*/) {
    if (!append) {
        hits.clear();
    }
    const kq::byte_reader chunk(data, length);
    for (std::size_t i = 0; i + 4 <= chunk.size(); ++i) {
        uint8 size = 0;
        uint8 text = 0;
        uint8 number = 0;
        uint8 blob = 0;
        (void)chunk.u8_at(i, size);
        (void)chunk.u8_at(i + 1, text);
        (void)chunk.u8_at(i + 2, number);
        (void)chunk.u8_at(i + 3, blob);
        if ((size != 4 && size != 5) || text < 13 || text >= 0x80 || text % 2 == 0 ||
            number < 1 || number > 9 || (blob != 0 && (blob < 12 || blob % 2 == 1))) {
            continue;
        }
        carved_record& hit = hits.emplace_back();
        hit.offset_in_chunk = i + 1;
        hit.file_offset = chunk_file_offset + i + 1;
        hit.column_count = static_cast<uint8>(size - 1);
    }
    return !hits.empty();
}

std::vector<carved_record> with_text(const std::vector<carved_record>& hits, uint32 source,
                                     const std::string& text) {
    std::vector<carved_record> out;
    for (const carved_record& r : hits) {
        if (source_of(r) == source && !r.values.empty() && r.values[0] == text) {
            out.push_back(r);
        }
    }
    return out;
}

TEST(CarveDatabase, WalCompanionScansInOrder) {
    VELK_NEED_REAL_DATA(real_dir + "/wal_database.db");
    const velk_test::temp_dir dir;
    const std::string path = dir.file("wal_database.db");
    std::filesystem::copy_file(real_dir + "/wal_database.db", path);
    std::filesystem::copy_file(real_dir + "/wal_database.db-wal", path + "-wal");
    // A journal beside a log is never read.
    std::filesystem::copy_file(carve_dir + "/scripted.db-journal", path + "-journal");

    std::vector<carved_record> hits;
    ASSERT_TRUE(carve(hits, path, mytable_finder, nullptr, true));
    const std::map<uint32, int> rank = {{6, 0}, {7, 1}, {9, 2}, {8, 3}};
    std::set<uint32> seen;
    int last = 0;
    for (const carved_record& r : hits) {
        ASSERT_EQ(rank.count(source_of(r)), 1u) << source_of(r);
        EXPECT_GE(rank.at(source_of(r)), last);
        last = rank.at(source_of(r));
        seen.insert(source_of(r));
        // file offset = chunk offset + p: main pages, and page data 24 bytes into a frame.
        const uint64 chunk = r.file_offset - r.offset_in_chunk;
        if (source_of(r) == record_source::main_page_overwritten) {
            EXPECT_EQ(chunk % 1024, 0u);
        } else if (source_of(r) != record_source::wal_slack_in_valid_page) {
            EXPECT_EQ((chunk - 32) % (24 + 1024), 24u);
        }
    }
    // With the log's current pages, the tables were walked in the main file as it stands:
    // the cells of main page 2 are that walk's, none is carved again.
    EXPECT_EQ(seen, (std::set<uint32>{7, 8, 9}));
    const auto added = with_text(hits, 9, "New Text 1");
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].rowid, 12);
    // Without them, main page 2, which the log replaces, is scanned whole as source 6 (not
    // as slack).
    ASSERT_TRUE(carve(hits, path, mytable_finder, nullptr, false));
    const auto deleted_1 = with_text(hits, 6, "Deleted Text 1");
    ASSERT_EQ(deleted_1.size(), 1u);
    EXPECT_EQ(deleted_1[0].rowid, 3);
    EXPECT_GE(deleted_1[0].file_offset, 1024u);
    EXPECT_LT(deleted_1[0].file_offset, 2048u);
    const auto deleted_2 = with_text(hits, 6, "Deleted Text 2");
    ASSERT_EQ(deleted_2.size(), 1u);
    EXPECT_EQ(deleted_2[0].rowid, 6);

    ASSERT_TRUE(carve(hits, path, mytable_finder, nullptr, false));
    for (const carved_record& r : hits) {
        EXPECT_NE(source_of(r), record_source::wal_valid_page);
        EXPECT_NE(source_of(r), record_source::carve_journal);
    }
}

TEST(CarveDatabase, JournalPagesAreSource11) {
    std::vector<carved_record> hits;
    ASSERT_TRUE(carve(hits, carve_dir + "/midway.db", items_finder, nullptr));
    std::set<int64> journal_rows;
    for (const carved_record& r : hits) {
        if (source_of(r) == record_source::carve_journal &&
            label_of(r).starts_with("VELK-CARVE-JOURNAL-")) {
            journal_rows.insert(label_rowid(label_of(r)));
        }
    }
    std::set<int64> expected;
    for (int64 r = 200; r < 300; ++r) {
        if (r % 11 == 3 && r % 7 != 0) {
            expected.insert(r);
        }
    }
    EXPECT_EQ(journal_rows, expected);
}

TEST(CarveDatabase, CompanionAloneWhenTheMainFileDoesNotOpen) {
    const velk_test::temp_dir dir;
    const std::string path = dir.file("broken.db");
    velk_test::write_file(path, std::string(4096, 'x'));
    std::filesystem::copy_file(carve_dir + "/midway.db-journal", path + "-journal");
    std::vector<carved_record> hits;
    ASSERT_TRUE(carve(hits, path, items_finder, nullptr));
    for (const carved_record& r : hits) {
        EXPECT_EQ(source_of(r), record_source::carve_journal);
    }
}

// ---- Pages a companion replaces --------------------------------------------------------

struct replaced_case {
    const char* name;
    const char* fixture;  // under tests/data
    std::set<uint64> pages;
    uint32 source;
};

const replaced_case replaced_cases[] = {
    {"WalFrames",
     "recovery/wal.db",
     {7, 8, 9, 10, 11, 12, 13, 14, 15},
     record_source::main_page_overwritten},
    {"HotJournal", "recovery/journal.db", {7}, record_source::main_page_restored_from_journal},
    // Only the synced segment is played back: the unsynced one's pages were not written yet.
    {"HotJournalWithAnUnsyncedSegment",
     "hotjournal/wpndatabase.db",
     {8, 9, 10, 11, 12, 13, 14, 15, 22},
     record_source::main_page_restored_from_journal},
    // A commit zeroed the header: the journal restores nothing.
    {"PersistedJournal", "remnants/persisted.db", {}, record_source::main_page_overwritten},
    {"NoCompanion", "recovery/deleted.db", {}, record_source::main_page_overwritten},
};

class FindReplacedPages : public ::testing::TestWithParam<replaced_case> {};

TEST_P(FindReplacedPages, AreThoseTheCompanionWritesBack) {
    const replaced_case& c = GetParam();
    const std::string path = std::string(VELK_TEST_DATA_DIR) + "/" + c.fixture;
    uni::fileio db;
    sqlite_db_header header;
    ASSERT_TRUE(open_db_file(db, header, path));
    std::set<uint64> pages = {1};
    uint32 source = 0;
    EXPECT_EQ(find_replaced_pages(pages, source, path, header.page_size(), db.size()),
              !c.pages.empty());
    std::set<uint64> numbers;
    for (const uint64 at : pages) {
        EXPECT_EQ(at % header.page_size(), 0u);
        numbers.insert(at / header.page_size() + 1);
    }
    EXPECT_EQ(numbers, c.pages);
    EXPECT_EQ(source, c.source);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindReplacedPages, ::testing::ValuesIn(replaced_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Proposes every cell a table leaf chunk's pointers name, at its first serial type (a
// one-byte header size after two varints), as many columns as its header holds.
bool cell_pointer_finder(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                         uint64 chunk_file_offset, bool append, text_encoding /*encoding*/,
                         void* /*context*/) {
    if (!append) {
        hits.clear();
    }
    const kq::byte_reader chunk(data, length);
    uint8 type = 0;
    uint16 count = 0;
    if (!chunk.u8_at(0, type) || type != 0x0D || !chunk.be16_at(3, count)) {
        return false;
    }
    for (uint16 i = 0; i < count; ++i) {
        uint16 cell = 0;
        uint64 value = 0;
        int32 n = 0;
        std::size_t at = 0;
        if (!chunk.be16_at(8 + 2u * i, cell) || !read_varint(value, n, chunk, cell)) {
            continue;
        }
        at = cell + static_cast<std::size_t>(n);
        if (!read_varint(value, n, chunk, at)) {
            continue;
        }
        at += static_cast<std::size_t>(n);
        uint8 header = 0;
        if (!chunk.u8_at(at, header)) {
            continue;
        }
        carved_record& hit = hits.emplace_back();
        hit.offset_in_chunk = at + 1;
        hit.file_offset = chunk_file_offset + at + 1;
        hit.column_count = static_cast<uint8>(header - 1);  // one-byte serial types here
    }
    return !hits.empty();
}

// Under -carve the tables were walked in the main file as it stands: a cell of a page the
// journal restores is that walk's (it reports it under the page's label), not carved again.
TEST(CarveDatabase, RestoredPageCellsAreLeftToTheWalkOfTheFileAsItStands) {
    const std::string path = std::string(VELK_TEST_DATA_DIR) + "/recovery/journal.db";
    const auto restored = [&](bool walked) {
        std::vector<carved_record> hits;
        (void)carve(hits, path, cell_pointer_finder, nullptr, walked);
        std::set<uint64> cells;
        for (const carved_record& r : hits) {
            if (source_of(r) == record_source::main_page_restored_from_journal) {
                EXPECT_TRUE(cells.insert(r.file_offset).second);
            }
        }
        return cells;
    };
    // Page 7's seven live cells, each at its cell.
    const std::set<uint64> cells = restored(false);
    EXPECT_EQ(cells.size(), 7u);
    for (const uint64 at : cells) {
        EXPECT_EQ(at / 4096, 6u);
    }
    EXPECT_TRUE(restored(true).empty());
}

}  // namespace
