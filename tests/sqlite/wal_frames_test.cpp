// The write-ahead log reader: header validity, which frame wins each page, which frames are
// superseded (rewritten, uncommitted, or of another log generation), the main-file pages
// the winners replace and the slack inside winning pages; on the real log and on logs built
// frame by frame.

#include "sqlite/wal_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/db_test_support.h"
#include "sqlite/page_builder.h"
#include "sqlite/wal_header.h"
#include "sqlite/wal_image.h"
#include "real_data.h"

namespace {

struct wal_maps {
    bool ok = false;
    region_map overwritten;
    wal_frame_map winning;
    region_map superseded;
    region_map slack;
};

wal_maps read_log(const byte_array& log) {
    wal_maps m;
    uni::fileio wal(log, false, false);
    m.ok = read_wal_frames(m.overwritten, m.winning, m.superseded, m.slack, wal);
    return m;
}

TEST(WalFrames, RealLogWinnersAndSupersededFrames) {
    const std::string path = db_test::real("wal_database.db-wal");
    VELK_NEED_REAL_DATA(path);
    wal_maps m;
    m.ok = read_wal_frames_by_path(m.overwritten, m.winning, m.superseded, m.slack, path);
    ASSERT_TRUE(m.ok);
    // Frame 8 (page 1, no commit of its own) wins page 1 at the commit of frame 9.
    EXPECT_EQ(m.winning, (wal_frame_map{{1, 7368}, {2, 5272}, {3, 8416}}));
    EXPECT_EQ(
        m.superseded,
        (region_map{
            {56, 1024}, {1104, 1024}, {2152, 1024}, {3200, 1024}, {4248, 1024}, {6344, 1024}}));
    EXPECT_EQ(m.overwritten, (region_map{{0, 1024}, {1024, 1024}, {2048, 1024}}));
    // Slack lies inside the winning b-tree pages 2 and 3; page 1 has none.
    for (const auto& [at, length] : m.slack) {
        const bool in_page_2 = at >= 5272 + 24 && at + length <= 5272 + 24 + 1024;
        const bool in_page_3 = at >= 8416 + 24 && at + length <= 8416 + 24 + 1024;
        EXPECT_TRUE(in_page_2 || in_page_3) << at;
    }
    EXPECT_FALSE(m.slack.empty());
}

struct frame_spec {
    uint32 page;
    uint32 commit;
    bool foreign = false;       // salts of another log generation
    bool bad_checksum = false;  // its checksum words altered
};

struct frames_case {
    const char* name;
    std::vector<frame_spec> frames;
    std::size_t cut;                              // bytes cut off the end of the log
    std::vector<std::pair<uint32, int>> winning;  // page -> frame index
    std::vector<int> superseded;                  // frame indexes
    // What find_wal_chain_break says: the frame (from 1) where the chain breaks and the
    // frames after the last commit it reaches; 0 and 0 when no frame of the log's own
    // generation lies past a break.
    uint64 break_frame = 0;
    uint64 frames_not_applied = 0;
};

constexpr uint32 ps = 512;
constexpr uint64 frame_at(int index) { return 32 + uint64(index) * (24 + ps); }

const frames_case frames_cases[] = {
    {"TwoCommitsOfOnePage", {{3, 4}, {3, 4}}, 0, {{3, 1}}, {0}},
    {"UncommittedTransaction", {{2, 2}, {3, 0}, {4, 0}}, 0, {{2, 0}}, {1, 2}},
    {"RewrittenWithinATransaction", {{2, 0}, {2, 0}, {3, 3}}, 0, {{2, 1}, {3, 2}}, {0}},
    {"PendingPageTakesItsOwnLatestFrame", {{1, 3}, {1, 0}, {3, 3}}, 0, {{1, 1}, {3, 2}}, {0}},
    // The usual end of a log restarted by a checkpoint: nothing of its own is lost there.
    {"EarlierGenerationAfterLastCommit",
     {{2, 2}, {3, 0, true}, {4, 4, true}, {5, 0, true}},
     0,
     {{2, 0}},
     {1, 2, 3}},
    // SQLite reads a log only up to the first frame of another generation: a frame of the
    // current salts after it is past the end of what the log holds.
    {"ForeignFramesEndWhatTheLogHolds",
     {{2, 0}, {3, 0, true}, {4, 4, true}, {5, 5}},
     0,
     {},
     {0, 1, 2, 3},
     2,
     4},
    // 4.3: from a frame whose checksum breaks the chain on, nothing is current; the frames
    // before it that a commit closed stay current.
    {"BrokenChecksumEndsWhatTheLogHolds",
     {{2, 2}, {3, 3, false, true}, {4, 4}},
     0,
     {{2, 0}},
     {1, 2},
     2,
     2},
    {"BrokenChecksumOfTheFirstFrame",
     {{2, 0, false, true}, {3, 3}, {2, 3}},
     0,
     {},
     {0, 1, 2},
     1,
     3},
    // Commits at frames 10, 11 and 20, the chain broken at frame 15: frames 12 to 14 are
    // intact but their commit lies past the break, so 12 to 20 are all left out.
    {"BreakInsideTheLastTransaction",
     {{2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0},
      {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 2},
      {2, 2}, {2, 0}, {2, 0}, {2, 0}, {2, 0, false, true},
      {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 2}},
     0,
     {{2, 10}},
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19},
     15,
     9},
    // A transaction spilled to the log and never committed: SQLite rewrote a frame in place,
    // which breaks the chain there, and its last frames carry no salts yet; every frame of
    // it is left out, not only those past the break.
    {"SpilledTransactionNeverCommitted",
     {{2, 0}, {3, 0}, {2, 0, false, true}, {4, 0}, {5, 0, true}},
     0,
     {},
     {0, 1, 2, 3, 4},
     3,
     5},
    {"PageZeroEndsTheWalk", {{2, 2}, {0, 2}, {3, 3}}, 0, {{2, 0}}, {}},
    {"PartialLastFrameIsNoFrame", {{2, 2}, {3, 3}}, 100, {{2, 0}}, {}},
    {"OnlyAHeaderByteShort", {{2, 2}}, 1, {}, {}},
    {"LargestPageNumber", {{0xFFFFFFFF, 1}}, 0, {{0xFFFFFFFF, 0}}, {}},
};

void PrintTo(const frames_case& c, std::ostream* os) { *os << c.name; }

class WalFrameCases : public ::testing::TestWithParam<frames_case> {};

TEST_P(WalFrameCases, WinnersSupersededAndOverwritten) {
    const frames_case& c = GetParam();
    db_test::wal_builder log(ps);
    for (const frame_spec& f : c.frames) {
        const uint64 at = f.foreign ? log.frame_with_salts(f.page, f.commit, 0x33333333, 0x44444444)
                                    : log.frame(f.page, f.commit);
        if (f.bad_checksum) {
            log.bytes()[at + 16] ^= 0x01;  // the first checksum word
        }
    }
    log.bytes().resize(log.bytes().size() - c.cut);
    const wal_maps m = read_log(log.bytes());
    EXPECT_EQ(m.ok, !c.winning.empty() || !c.superseded.empty());
    wal_frame_map winning;
    region_map overwritten;
    for (const auto& [page, index] : c.winning) {
        winning.emplace(page, frame_at(index));
        overwritten.emplace(uint64{page - 1} * ps, ps);  // 64 bits: no wrap at 2^32 pages
    }
    region_map superseded;
    for (const int index : c.superseded) {
        superseded.emplace(frame_at(index) + 24, ps);
    }
    EXPECT_EQ(m.winning, winning);
    EXPECT_EQ(m.superseded, superseded);
    EXPECT_EQ(m.overwritten, overwritten);
    EXPECT_TRUE(m.slack.empty());  // zero pages are no b-tree pages
    uni::fileio wal(log.bytes(), false, false);
    wal_chain_break broken;
    EXPECT_EQ(find_wal_chain_break(broken, wal), c.frames_not_applied != 0);
    EXPECT_EQ(broken.first_frame, c.break_frame);
    EXPECT_EQ(broken.frames, c.frames_not_applied);
}

INSTANTIATE_TEST_SUITE_P(Cases, WalFrameCases, ::testing::ValuesIn(frames_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct header_case {
    const char* name;
    uint32 magic;
    uint32 version;
    uint32 page_size;
    wal_header_fault fault;
};

const header_case header_cases[] = {
    {"LittleEndianMagic", 0x377F0682, 3007000, 4096, wal_header_fault::none},
    {"BigEndianMagic", 0x377F0683, 3007000, 4096, wal_header_fault::none},
    {"PageSize512", 0x377F0682, 3007000, 512, wal_header_fault::none},
    {"PageSize65536", 0x377F0682, 3007000, 65536, wal_header_fault::none},
    {"WrongMagic", 0x377F0681, 3007000, 4096, wal_header_fault::bad_magic},
    {"VersionZero", 0x377F0682, 0, 4096, wal_header_fault::no_version},
    {"PageSize1000", 0x377F0682, 3007000, 1000, wal_header_fault::bad_page_size},
    {"PageSize1536", 0x377F0682, 3007000, 1536, wal_header_fault::bad_page_size},
    {"PageSize256", 0x377F0682, 3007000, 256, wal_header_fault::bad_page_size},
    {"PageSize0", 0x377F0682, 3007000, 0, wal_header_fault::bad_page_size},
    {"PageSize131072", 0x377F0682, 3007000, 131072, wal_header_fault::bad_page_size},
    {"PageSize0x40000000", 0x377F0682, 3007000, 0x40000000, wal_header_fault::bad_page_size},
};

void PrintTo(const header_case& c, std::ostream* os) { *os << c.name; }

class WalHeaderCases : public ::testing::TestWithParam<header_case> {};

TEST_P(WalHeaderCases, ValidOnlyWithMagicVersionAndPowerOfTwoPageSize) {
    const header_case& c = GetParam();
    // Frames are built at a page size of at most 64 KiB and the header then names the size
    // under test: a refused log reads no frame, and a 1 GiB frame would only cost time.
    constexpr uint32 largest_page = 65536;
    db_test::wal_builder log(std::min(c.page_size, largest_page));
    test_pages::put_be(log.bytes(), 0, c.magic, 4);
    test_pages::put_be(log.bytes(), 4, c.version, 4);
    test_pages::put_be(log.bytes(), 8, c.page_size, 4);
    wal_header header;
    ASSERT_TRUE(header.read(log.bytes().data(), 32));
    EXPECT_EQ(header.check(), c.fault);
    EXPECT_EQ(header.is_valid(), c.fault == wal_header_fault::none);
    EXPECT_EQ(header.page_size(), c.page_size);
    // A log whose header is refused yields no frames at all.
    if (c.fault != wal_header_fault::none) {
        (void)log.frame(2, 2, {}, 0);
        const wal_maps m = read_log(log.bytes());
        EXPECT_FALSE(m.ok);
        EXPECT_TRUE(m.winning.empty() && m.superseded.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WalHeaderCases, ::testing::ValuesIn(header_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(WalHeader, ReadNeedsAllBytesAndClearZeroes) {
    db_test::wal_builder log(1024, 0xA1B2C3D4, 0x01020304);
    wal_header header;
    ASSERT_TRUE(header.read(kq::byte_reader(log.bytes())));
    EXPECT_EQ(header.salt_1(), 0xA1B2C3D4u);
    EXPECT_EQ(header.salt_2(), 0x01020304u);
    EXPECT_EQ(header.version(), 3007000u);
    header.clear();
    EXPECT_FALSE(header.is_valid());
    EXPECT_EQ(header.magic(), 0u);
    EXPECT_FALSE(header.read(log.bytes().data(), 31));
    EXPECT_FALSE(header.read(nullptr, 32));
    wal_frame_header frame;
    EXPECT_FALSE(frame.read(kq::byte_reader(log.bytes().data(), 23)));
}

TEST(WalFrames, SlackOfWinningPagesAtTheirLogOffsets) {
    // A leaf with one cell: its gap runs from the pointer array to the cell.
    test_pages::page_builder leaf(ps, 13);
    const uint16 cell = leaf.add_cell(test_pages::table_leaf_cell(1, test_pages::record({1}, {9})));
    test_pages::page_builder one(ps, 13, true);
    one.add_cell(test_pages::table_leaf_cell(1, test_pages::record({1}, {9})));
    db_test::wal_builder log(ps);
    (void)log.frame(1, 0, one.finish());
    const uint64 frame = log.frame(2, 2, leaf.finish());
    const wal_maps m = read_log(log.bytes());
    ASSERT_TRUE(m.ok);
    const uint64 data = frame + 24;
    EXPECT_EQ(m.slack, (region_map{{data + 8 + 2, cell - 10u}}));  // page 1 adds nothing
}

TEST(WalFrames, RefusesClosedAndMissingLogs) {
    wal_maps m;
    uni::fileio closed;
    EXPECT_FALSE(read_wal_frames(m.overwritten, m.winning, m.superseded, m.slack, closed));
    EXPECT_FALSE(read_wal_frames_by_path(m.overwritten, m.winning, m.superseded, m.slack,
                                         "/nonexistent/velk.db-wal"));
    EXPECT_FALSE(read_log(byte_array(31, 0)).ok);
    wal_chain_break broken{7, 7};
    EXPECT_FALSE(find_wal_chain_break(broken, closed));
    EXPECT_EQ(broken.frames, 0u);
}

// A sparse log of 2 GiB: the walk stops at the first zero frame header and the image
// builder refuses the log by its size, without reading or allocating gigabytes.
TEST(WalFrames, SparseTwoGibLog) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("big.db-wal");
    db_test::wal_builder log(ps);
    (void)log.frame(2, 2, {}, 0x5a);
    db_test::write_bytes(path, log.bytes());
    std::error_code error;
    std::filesystem::resize_file(path, max_wal_image_size, error);
    if (error) {
        GTEST_SKIP() << "no sparse 2 GiB file here: " << error.message();
    }
    wal_maps m;
    ASSERT_TRUE(read_wal_frames_by_path(m.overwritten, m.winning, m.superseded, m.slack, path));
    EXPECT_EQ(m.winning, (wal_frame_map{{2, 32}}));
    byte_array image;
    EXPECT_FALSE(build_wal_image(image, path));
    EXPECT_TRUE(image.empty());
}

}  // namespace
