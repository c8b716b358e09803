#include "sqlite/region_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/carve_test_support.h"
#include "sqlite/page_builder.h"
#include "sqlite/value_code.h"
#include "text/percent_progress.h"

namespace {

using test_pages::page_builder;
using test_pages::record;
using test_pages::table_leaf_cell;
using test_pages::text_bytes;

// A finder that proposes the hits it is given, on every chunk, and counts its calls.
struct scripted {
    std::vector<carved_record> proposals;
    int calls = 0;
    int accept_calls = 1000;  // calls after this many return false
};

bool scripted_finder(std::vector<carved_record>& hits, const uint8* /*data*/, uint32 /*length*/,
                     uint64 /*chunk_file_offset*/, bool append, text_encoding /*encoding*/,
                     void* context) {
    auto* s = static_cast<scripted*>(context);
    if (!append) {
        hits.clear();
    }
    if (++s->calls > s->accept_calls) {
        return false;
    }
    hits.insert(hits.end(), s->proposals.begin(), s->proposals.end());
    return !s->proposals.empty();
}

carved_record proposal(uint64 p, uint8 columns) {
    carved_record hit;
    hit.offset_in_chunk = p;
    hit.column_count = columns;
    hit.table_type = 4;
    hit.spare_word = -3;
    hit.column_mask = 0x30;
    return hit;
}

bool scan(std::vector<carved_record>& hits, const byte_array& file_bytes, const region_map& regions,
          record_finder_fn finder, void* context, uint32 page_size, bool wal_frames = false,
          bool structured = false, const table_definition& def = table_definition(),
          chunk_done_fn done = chunk_done_noop, uint32 max_columns = 3) {
    uni::fileio file(file_bytes, false, false);
    return scan_regions(hits, regions, file, def, finder, record_source::main_db_slack, page_size,
                        text_encoding::utf8, 1, max_columns, wal_frames, structured, nullptr,
                        context, done);
}

// Hit A at 20 (payload length 14 and rowid 133 before it: its cell starts at 16) declares a
// 10-byte text and an int8 but hit B starts at 30 (rowid 7), so A's record is cut at B.
byte_array two_hit_chunk() {
    byte_array chunk(512, 0);
    const byte_array a = {0x0e, 0x81, 0x05, 0x03, 0x21, 0x01, 'A', 'B', 'C', 'D', 'E', 'F'};
    std::copy(a.begin(), a.end(), chunk.begin() + 16);
    const byte_array b = {0x07, 0x03, 0x11, 0x09, 'h', 'i'};
    std::copy(b.begin(), b.end(), chunk.begin() + 28);
    return chunk;
}

TEST(ScanRegions, TwoHitsInOneChunk) {
    scripted s;
    s.proposals = {proposal(20, 2), proposal(30, 2)};
    std::vector<carved_record> hits(1);  // appended to, never emptied
    ASSERT_TRUE(scan(hits, two_hit_chunk(), {{0, 512}}, scripted_finder, &s, 512));
    ASSERT_EQ(hits.size(), 3u);
    const carved_record& a = hits[1];
    EXPECT_EQ(a.rowid, 133);
    EXPECT_EQ(a.file_offset, 16u);  // its cell
    EXPECT_EQ(a.truncated, 1);
    ASSERT_EQ(a.values.size(), 2u);
    // Cut at B: a value cut short keeps its bytes less the 4 an overflow page number takes.
    EXPECT_EQ(a.values, (std::vector<std::string>{"ABCD", ""}));
    EXPECT_NE(a.value_codes[0] & value_code::cut_flag, 0u);
    EXPECT_NE(a.value_codes[1] & value_code::cut_flag, 0u);
    const carved_record& b = hits[2];
    EXPECT_EQ(b.rowid, 7);
    EXPECT_EQ(b.values, (std::vector<std::string>{"hi", "1"}));
    EXPECT_EQ(b.truncated, 0);
    EXPECT_EQ(record_source::of_word(b.source_word), record_source::main_db_slack);
    EXPECT_EQ(b.table_type, 4);
    EXPECT_EQ(b.spare_word, -3);
    EXPECT_EQ(b.column_count, 2);
    EXPECT_EQ(b.column_mask, 0x30u);
}

TEST(ScanRegions, HeaderCorrectedHitsGetNoRowid) {
    scripted s;
    s.proposals = {proposal(30, 2)};
    s.proposals[0].header_corrected = 1;
    s.proposals[0].bytes = {1, 2, 3};
    std::vector<carved_record> hits;
    ASSERT_TRUE(scan(hits, two_hit_chunk(), {{0, 512}}, scripted_finder, &s, 512));
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].rowid, 0);
    EXPECT_EQ(hits[0].bytes, (byte_array{1, 2, 3}));
}

struct position_case {
    const char* name;
    std::vector<uint64> positions;
    uint8 columns;
    std::size_t decoded;
};

// A chunk of zeros reads as records of NULLs wherever a hit is put inside it.
const position_case position_cases[] = {
    {"AtZero", {0}, 3, 1},
    {"AtOne", {1}, 3, 1},
    {"HeaderEndsTheChunk", {509}, 3, 1},
    {"HeaderCutByTheChunkEnd", {511}, 3, 0},
    {"AtChunkEnd", {512}, 3, 0},
    {"PastChunkEnd", {100000}, 3, 0},
    {"Huge", {0xFFFFFFFFFFFFFFF0ULL}, 3, 0},
    {"Repeated", {40, 40, 40}, 3, 3},
    {"Unordered", {300, 10, 200}, 3, 3},
    {"Columns255", {10}, 255, 1},
    {"Columns255NearEnd", {400}, 255, 0},
    {"NoColumnsUsesTheMaximum", {10}, 0, 1},
};

class ScanHitPositions : public ::testing::TestWithParam<position_case> {};

TEST_P(ScanHitPositions, DecodeInsideTheChunkOnly) {
    const position_case& c = GetParam();
    scripted s;
    for (const uint64 p : c.positions) {
        s.proposals.push_back(proposal(p, c.columns));
    }
    std::vector<carved_record> hits;
    (void)scan(hits, byte_array(512, 0), {{0, 512}}, scripted_finder, &s, 512);
    ASSERT_EQ(hits.size(), c.decoded);
    for (const carved_record& r : hits) {
        EXPECT_LT(r.file_offset, 512u);
        EXPECT_EQ(r.rowid, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanHitPositions, ::testing::ValuesIn(position_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct rowid_case {
    const char* name;
    byte_array bytes;
    std::size_t p;
    int64 rowid;
};

const rowid_case rowid_cases[] = {
    {"PZero", {0x05, 0x03, 0x01}, 0, 0},
    {"POne", {0x05, 0x03, 0x01}, 1, 0},
    {"MayStartBeforeTheChunk", {0x05, 0x03, 0x01}, 2, 0},
    {"OneByte", {0x00, 0x05, 0x03, 0x01}, 3, 5},
    {"TwoBytes", {0x00, 0x81, 0x05, 0x03, 0x01}, 4, 133},
    {"RunReachesTheChunkStart", {0x81, 0x05, 0x03, 0x01}, 3, 0},
    {"LastByteHasTopBit", {0x00, 0x85, 0x03, 0x01}, 3, 0},
};

class RowidBeforeHit : public ::testing::TestWithParam<rowid_case> {};

TEST_P(RowidBeforeHit, ReadsOnlyInsideTheChunk) {
    const rowid_case& c = GetParam();
    EXPECT_EQ(rowid_before_hit(kq::byte_reader(c.bytes), c.p), c.rowid);
}

INSTANTIATE_TEST_SUITE_P(Cases, RowidBeforeHit, ::testing::ValuesIn(rowid_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- Chunks ----------------------------------------------------------------------------

struct first_bytes_log {
    std::vector<uint64> offsets;
    std::vector<uint8> first;
};

bool logging_finder(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                    uint64 chunk_file_offset, bool /*append*/, text_encoding /*encoding*/,
                    void* context) {
    hits.clear();
    auto* log = static_cast<first_bytes_log*>(context);
    log->offsets.push_back(chunk_file_offset);
    uint8 b = 0;
    (void)kq::byte_reader(data, length).u8_at(0, b);
    log->first.push_back(b);
    return false;
}

// A WAL-like file: 32 header bytes, then two frames of a 24-byte header (0xEE) and a
// 512-byte page ('A', then 'B').
byte_array two_frame_file() {
    byte_array f(32, 0x77);
    for (const uint8 fill : {uint8{'A'}, uint8{'B'}}) {
        f.insert(f.end(), 24, 0xEE);
        f.insert(f.end(), 512, fill);
    }
    return f;
}

TEST(ScanRegions, WalFrameRegionReadsPagesNotFrameHeaders) {
    first_bytes_log log;
    std::vector<carved_record> hits;
    EXPECT_FALSE(scan(hits, two_frame_file(), {{32, 512}}, logging_finder, &log, 512, true));
    EXPECT_EQ(log.offsets, (std::vector<uint64>{56}));
    EXPECT_EQ(log.first, (std::vector<uint8>{'A'}));

    log = {};
    EXPECT_FALSE(scan(hits, two_frame_file(), {{32, 2 * 536}}, logging_finder, &log, 512, true));
    EXPECT_EQ(log.offsets, (std::vector<uint64>{56, 592}));
    EXPECT_EQ(log.first, (std::vector<uint8>{'A', 'B'}));
}

TEST(ScanRegions, RegionsInPageChunksAscending) {
    carve_test::chunk_log log;
    std::vector<carved_record> hits;
    const byte_array file(4096, 1);
    // Chunks of a page size, the last one what is left; a region past the end reads what
    // the file holds.
    EXPECT_FALSE(
        scan(hits, file, {{3000, 2000}, {100, 1100}}, carve_test::counting_finder, &log, 512));
    EXPECT_EQ(log.offsets, (std::vector<uint64>{100, 612, 1124, 3000, 3512, 4024}));
    EXPECT_EQ(log.lengths, (std::vector<uint32>{512, 512, 76, 512, 512, 72}));
}

TEST(ScanRegions, RefusesWhatItCannotScan) {
    scripted s;
    std::vector<carved_record> hits;
    const byte_array file(1024, 0);
    EXPECT_FALSE(scan(hits, file, {}, scripted_finder, &s, 512));
    EXPECT_FALSE(scan(hits, file, {{0, 512}}, scripted_finder, &s, 0));
    EXPECT_FALSE(scan(hits, file, {{0, 512}}, nullptr, &s, 512));
    // Structured scanning needs column bounds.
    EXPECT_FALSE(scan(hits, file, {{0, 512}}, scripted_finder, &s, 512, false, true,
                      table_definition(), chunk_done_noop, 0));
    EXPECT_EQ(s.calls, 0);
    uni::fileio closed;
    EXPECT_FALSE(scan_regions(hits, {{0, 512}}, closed, table_definition(), scripted_finder, 2, 512,
                              text_encoding::utf8, 1, 3, false, false, nullptr, &s,
                              chunk_done_noop));
    EXPECT_EQ(s.calls, 0);
}

struct done_counter {
    scripted finder;
    int after = 0;
};

int count_after(std::vector<carved_record>& /*hits*/, void* context) {
    ++static_cast<done_counter*>(context)->after;
    return 7;
}

bool counter_finder(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                    uint64 offset, bool append, text_encoding encoding, void* context) {
    return scripted_finder(hits, data, length, offset, append, encoding,
                           &static_cast<done_counter*>(context)->finder);
}

TEST(ScanRegions, AfterChunkRunsOnlyAfterAcceptedChunksWithHits) {
    done_counter c;
    c.finder.proposals = {proposal(600, 3)};  // past every chunk: accepted, nothing decoded
    c.finder.accept_calls = 2;
    std::vector<carved_record> hits;
    EXPECT_FALSE(scan(hits, byte_array(2048, 0), {{0, 2048}}, counter_finder, &c, 512, false, false,
                      table_definition(), count_after));
    EXPECT_EQ(c.after, 0);  // hits stayed empty
    c = {};
    c.finder.proposals = {proposal(8, 3)};
    c.finder.accept_calls = 2;
    EXPECT_TRUE(scan(hits, byte_array(2048, 0), {{0, 2048}}, counter_finder, &c, 512, false, false,
                     table_definition(), count_after));
    EXPECT_EQ(c.finder.calls, 4);
    EXPECT_EQ(c.after, 2);
    EXPECT_EQ(hits.size(), 2u);
}

// A clock that moves a second per reading: every growth of the figure is drawn.
uint64 fast_clock() {
    static uint64 now = 0;
    return now += 1000;
}

// Mend: the figure was each chunk's offset over the end of its own region, so it went back
// at every region. Now every byte of every region counts once towards the announced work.
TEST(ScanRegions, ProgressCountsEveryRegionByteOnce) {
    carve_test::chunk_log log;
    std::vector<carved_record> hits;
    uni::fileio file(byte_array(1048576 + 4096, 0), false, false);
    const region_map first = {{1048576, 4096}};
    const region_map second = {{0, 1000}, {8192, 3000}};
    percent_progress meter(true, fast_clock);
    meter.add_work(region_bytes(first) + region_bytes(second));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(scan_regions(hits, first, file, table_definition(), carve_test::counting_finder, 2,
                              4096, text_encoding::utf8, 1, 1, false, false, &meter, &log,
                              chunk_done_noop));
    EXPECT_EQ(meter.shown(), 5059);  // 4096 of 8096 bytes
    EXPECT_FALSE(scan_regions(hits, second, file, table_definition(), carve_test::counting_finder,
                              2, 4096, text_encoding::utf8, 1, 1, false, false, &meter, &log,
                              chunk_done_noop));
    EXPECT_EQ(meter.shown(), 9999);  // all of it: 100 is left to finish()
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "percent done: 50.59\npercent done: 62.94\npercent done: 99.99\n");
}

// ---- Structured chunks -----------------------------------------------------------------

byte_array leaf_of_rows(const std::vector<std::vector<uint64>>& types) {
    page_builder b(4096, 13);
    uint64 rowid = 1;
    for (const auto& t : types) {
        byte_array content;
        for (const uint64 type : t) {
            if (type == 1) {
                content.push_back(static_cast<uint8>(rowid));
            }
            if (type == 15) {
                content.push_back('x');
            }
        }
        b.add_cell(table_leaf_cell(rowid++, record(t, content)));
    }
    return b.finish();
}

table_definition three_columns() {
    table_definition def;
    EXPECT_TRUE(def.load_create_sql("CREATE TABLE t (a int, b text, c int)", true));
    return def;
}

TEST(ScanRegions, StructuredLeafGivesRowsWithoutTheFinder) {
    const byte_array page = leaf_of_rows({{1, 15, 1}, {1, 15, 1}, {1, 15, 0}});
    byte_array file(4096, 0);
    file.insert(file.end(), page.begin(), page.end());
    scripted s;
    std::vector<carved_record> hits;
    ASSERT_TRUE(
        scan(hits, file, {{4096, 4096}}, scripted_finder, &s, 4096, false, true, three_columns()));
    EXPECT_EQ(s.calls, 0);
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].values, (std::vector<std::string>{"1", "x", "1"}));
    EXPECT_EQ(hits[2].values[2], "");
    EXPECT_EQ(hits[0].column_count, 3);
    EXPECT_FALSE(hits[0].bytes.empty());  // the captured record header
    for (const carved_record& r : hits) {
        EXPECT_GT(r.file_offset, 4096u + 8);
        EXPECT_LT(r.file_offset, 8192u);
        EXPECT_EQ(record_source::of_word(r.source_word), record_source::main_db_slack);
    }
}

TEST(ScanRegions, StructuredRowOutsideTheBoundsSendsTheChunkToTheFinder) {
    const byte_array page = leaf_of_rows({{1, 15, 1}, {1, 15, 1, 1, 1}, {1, 15, 1}});
    scripted s;
    std::vector<carved_record> hits;
    ASSERT_TRUE(
        scan(hits, page, {{0, 4096}}, scripted_finder, &s, 4096, false, true, three_columns()));
    EXPECT_EQ(s.calls, 1);
    EXPECT_EQ(hits.size(), 1u);  // the row before it; the finder proposed nothing
    // Not a table leaf: the finder sees the chunk.
    s = {};
    byte_array interior = page;
    interior[0] = 5;
    EXPECT_FALSE(
        scan(hits, interior, {{0, 4096}}, scripted_finder, &s, 4096, false, true, three_columns()));
    EXPECT_EQ(s.calls, 1);
}

// ---- Held regions ------------------------------------------------------------------------

// The chunks of held bytes are those a read of the file gives: the same hits in the same
// order, whether the bytes held are the whole file or each region's own, cut at the file's
// end.
struct held_case {
    const char* name;
    byte_array file;
    region_map regions;
    uint32 page_size;
    bool structured;
};

byte_array file_of(std::initializer_list<byte_array> parts) {
    byte_array file;
    for (const byte_array& part : parts) {
        file.insert(file.end(), part.begin(), part.end());
    }
    return file;
}

const held_case held_cases[] = {
    {"chunks_of_a_page",
     file_of({two_hit_chunk(), two_hit_chunk(), two_hit_chunk()}),
     {{0, 1536}},
     512,
     false},
    {"regions_apart_and_cut",
     file_of({two_hit_chunk(), two_hit_chunk()}),
     {{8, 300}, {512, 100}, {600, 2000}, {4096, 512}},
     512,
     false},
    {"leaf_page_parsed",
     file_of({byte_array(4096, 0), leaf_of_rows({{1, 15, 1}, {1, 15, 0}})}),
     {{4096, 4096}, {4100, 200}},
     4096,
     true},
};

class HeldRegionScan : public ::testing::TestWithParam<held_case> {};

std::vector<carved_record> held_hits_of(const held_case& c, bool whole_file) {
    scripted s;
    s.proposals = {proposal(20, 2), proposal(30, 2)};
    std::vector<carved_record> hits;
    carved_hit_vector_sink sink(hits);
    const table_definition def = c.structured ? three_columns() : table_definition();
    held_region_scan held(sink, def, scripted_finder, record_source::main_db_slack, c.page_size,
                          text_encoding::utf8, 1, 3, c.structured, &s);
    EXPECT_TRUE(held.active());
    const kq::byte_reader file(c.file);
    for (const auto& [offset, length] : c.regions) {
        kq::byte_reader own;
        const std::size_t from = std::min<std::size_t>(offset, file.size());
        (void)file.sub(from, std::min<std::size_t>(length, file.size() - from), own);
        held.scan(offset, length, whole_file ? file : own, whole_file ? 0 : offset);
    }
    return hits;
}

TEST_P(HeldRegionScan, GivesTheHitsOfTheFileScan) {
    const held_case& c = GetParam();
    scripted s;
    s.proposals = {proposal(20, 2), proposal(30, 2)};
    std::vector<carved_record> read;
    ASSERT_TRUE(scan(read, c.file, c.regions, scripted_finder, &s, c.page_size, false, c.structured,
                     c.structured ? three_columns() : table_definition()));
    for (const bool whole_file : {true, false}) {
        const std::vector<carved_record> held = held_hits_of(c, whole_file);
        ASSERT_EQ(held.size(), read.size()) << whole_file;
        for (std::size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(held[i].file_offset, read[i].file_offset) << i;
            EXPECT_EQ(held[i].values, read[i].values) << i;
            EXPECT_EQ(held[i].value_codes, read[i].value_codes) << i;
            EXPECT_EQ(held[i].rowid, read[i].rowid) << i;
            EXPECT_EQ(held[i].truncated, read[i].truncated) << i;
            EXPECT_EQ(held[i].source_word, read[i].source_word) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HeldRegionScan, ::testing::ValuesIn(held_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(HeldRegionScan, InactiveWhereAScanGivesNothing) {
    std::vector<carved_record> hits;
    carved_hit_vector_sink sink(hits);
    const byte_array bytes = two_hit_chunk();
    held_region_scan no_finder(sink, table_definition(), nullptr, 2, 512, text_encoding::utf8, 1, 3,
                               false, nullptr);
    held_region_scan no_bounds(sink, table_definition(), scripted_finder, 2, 512,
                               text_encoding::utf8, 0, 0, true, nullptr);
    EXPECT_FALSE(no_finder.active());
    EXPECT_FALSE(no_bounds.active());
    no_finder.scan(0, 512, kq::byte_reader(bytes), 0);
    EXPECT_TRUE(hits.empty());
}

// ---- Record sources and records ------------------------------------------------------

TEST(RecordSource, PrintedNames) {
    const std::vector<std::string> names = {
        "",
        "sqlite lib",
        "main db slack",
        "carve main",
        "carve blob",
        "",
        "main db page to be overwritten from wal",
        "wal file page superceded by new page",
        "wal file slack in valid page",
        "wal file valid page",
        "carve wal",
        "carve journal",
        "carve main from wal data",
        "main db past end",
        "main db page to be overwritten from journal",
        "",
    };
    for (uint32 source = 0; source < names.size(); ++source) {
        EXPECT_EQ(record_source_name(source), names[source]) << source;
    }
    EXPECT_EQ(record_source_name(0xFFFFFFFF), "");
}

TEST(CarvedRecord, ClearKeepsTheFlagBitsOfTheSourceWord) {
    carved_record r;
    EXPECT_EQ(r.source_word, 0u);
    EXPECT_EQ(r.rowid, 0);
    r.source_word = record_source::with_source(0x3, record_source::carve_journal);
    EXPECT_EQ(record_source::of_word(r.source_word), record_source::carve_journal);
    r.table_type = 2;
    r.spare_word = 9;
    r.column_count = 4;
    r.truncated = 1;
    r.column_mask = 0xF;
    r.bytes = {1, 2};
    r.clear();
    EXPECT_EQ(r.source_word, 0x3u);
    EXPECT_EQ(r.table_type, 0);
    EXPECT_EQ(r.spare_word, 0);
    EXPECT_EQ(r.column_count, 0);
    EXPECT_EQ(r.truncated, 0);
    EXPECT_EQ(r.column_mask, 0u);
    EXPECT_TRUE(r.bytes.empty());
    std::vector<carved_record> none;
    EXPECT_EQ(chunk_done_noop(none, nullptr), 0);
}

}  // namespace
