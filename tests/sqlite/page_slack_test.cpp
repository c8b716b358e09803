#include "sqlite/page_slack.h"

#include <gtest/gtest.h>

#include "real_data.h"
#include "sqlite/page_builder.h"

namespace {

using test_pages::page_builder;

constexpr uint64 page_at = 0x5000;  // file offset of the page under test

// A 4096-byte table leaf with 3 cells and its content starting at 3000.
page_builder three_cells_at_3000() {
    page_builder b(4096, 13);
    b.skip(4096 - 3300);
    for (int i = 0; i < 3; ++i) {
        b.add_cell(byte_array(100, static_cast<uint8>(0x40 + i)));
    }
    return b;
}

void put_freeblock(byte_array& page, uint16 at, uint16 next, uint16 size) {
    test_pages::put_be(page, at, next, 2);
    test_pages::put_be(page, at + 2, size, 2);
}

TEST(FindPageSlack, GapBetweenPointersAndContent) {
    const byte_array page = three_cells_at_3000().finish();
    region_map out;
    ASSERT_TRUE(find_page_slack(out, page.data(), 4096, page_at, false));
    EXPECT_EQ(out, (region_map{{page_at + 14, 3000 - 14}}));
}

TEST(FindPageSlack, FreeblocksAndTheGapBoth) {
    // Freeing a page's lowest cell moves only the content start; a page with freeblocks can
    // still hold a whole deleted row in its gap.
    page_builder b = three_cells_at_3000();
    b.set_first_freeblock(3400);
    byte_array page = b.finish();
    put_freeblock(page, 3400, 3600, 40);
    put_freeblock(page, 3600, 0, 8);
    region_map out;
    ASSERT_TRUE(find_page_slack(out, page.data(), 4096, page_at, false));
    EXPECT_EQ(out, (region_map{{page_at + 14, 2986}, {page_at + 3400, 40}, {page_at + 3600, 8}}));
}

// A leaf whose every cell was deleted keeps its rows between its header and the page end:
// SQLite resets the header to no cells and a content start at the page end, stored as 0 on
// a 65536-byte page. An interior page without cells points nowhere and gives no gap.
TEST(FindPageSlack, LeafWithoutCellsKeepsItsGap) {
    struct empty_case {
        uint32 page_size;
        uint8 type;
        uint16 stored_content;
        region_map expected;
    };
    const empty_case cases[] = {
        {4096, 13, 4096, {{page_at + 8, 4088}}},
        {65536, 13, 0, {{page_at + 8, 65528}}},
        {4096, 2, 4096, {}},
    };
    for (const empty_case& c : cases) {
        SCOPED_TRACE(c.page_size);
        byte_array page(c.page_size, 0x5A);  // the deleted rows' bytes
        test_pages::put_be(page, 0, c.type, 1);
        test_pages::put_be(page, 1, 0, 4);  // no freeblock, no cell
        test_pages::put_be(page, 5, c.stored_content, 2);
        test_pages::put_be(page, 7, 0, 5);
        region_map out;
        EXPECT_EQ(find_page_slack(out, kq::byte_reader(page), page_at, false),
                  !c.expected.empty());
        EXPECT_EQ(out, c.expected);
    }
}

// The last page of a file cut short: freeblocks are followed while they lie before the cut,
// the gap is taken as the header gives it, and nothing starts past the cut.
TEST(FindPageSlack, PageCutShortGivesWhatLiesBeforeTheCut) {
    page_builder b = three_cells_at_3000();
    b.set_first_freeblock(1000);
    byte_array page = b.finish();
    put_freeblock(page, 1000, 3500, 40);
    put_freeblock(page, 3500, 0, 8);
    region_map out;
    ASSERT_TRUE(find_cut_page_slack(out, kq::byte_reader(page.data(), 2000), 4096, page_at, false));
    EXPECT_EQ(out, (region_map{{page_at + 14, 2986}, {page_at + 1000, 40}}));
    EXPECT_FALSE(find_cut_page_slack(out, kq::byte_reader(page.data(), 12), 4096, page_at, false));
}

TEST(FindPageSlack, AppendsAndReportsGrowthOnly) {
    const byte_array page = three_cells_at_3000().finish();
    region_map out{{1, 2}};
    ASSERT_TRUE(find_page_slack(out, page.data(), 4096, page_at, true));
    EXPECT_EQ(out.size(), 2u);
    EXPECT_FALSE(find_page_slack(out, page.data(), 4096, page_at, true));  // nothing new
}

TEST(FindPageSlack, PageOneZeroPagesAndSmallPagesGiveNone) {
    region_map out;
    page_builder one(4096, 13, true);
    one.add_cell(byte_array(50, 1));
    const byte_array page_one = one.finish();
    EXPECT_FALSE(find_page_slack(out, page_one.data(), 4096, 0, false));
    const byte_array zero(4096, 0);
    EXPECT_FALSE(find_page_slack(out, zero.data(), 4096, 0, false));
    const byte_array page = three_cells_at_3000().finish();
    EXPECT_FALSE(find_page_slack(out, page.data(), 511, 0, false));
    EXPECT_FALSE(find_page_slack(out, nullptr, 4096, 0, false));
    EXPECT_TRUE(out.empty());
}

TEST(FindPageSlack, ContentStartBelowThePointersGivesNoGap) {
    page_builder b = three_cells_at_3000();
    b.set_content_start(10);
    const byte_array page = b.finish();
    region_map out;
    EXPECT_FALSE(find_page_slack(out, page.data(), 4096, page_at, false));
}

struct chain_case {
    const char* name;
    std::vector<std::array<uint16, 3>> blocks;  // offset, next, size
    uint16 first;
    bool ok;
    region_map regions;
};

class WalkFreeblocks : public ::testing::TestWithParam<chain_case> {};

TEST_P(WalkFreeblocks, FollowsTheChainAndEndsOnDamage) {
    const chain_case& c = GetParam();
    byte_array page(4096, 0);
    for (const auto& [at, next, size] : c.blocks) {
        put_freeblock(page, at, next, size);
    }
    region_map out;
    EXPECT_EQ(walk_freeblocks(out, page.data(), 4096, c.first, 0, false), c.ok);
    EXPECT_EQ(out, c.regions);
}

const chain_case chain_cases[] = {
    {"two_blocks", {{{100, 200, 10}}, {{200, 0, 20}}}, 100, true, {{100, 10}, {200, 20}}},
    {"points_to_itself", {{{100, 100, 10}}}, 100, true, {{100, 10}}},
    {"loops_back", {{{100, 200, 10}}, {{200, 100, 20}}}, 100, true, {{100, 10}, {200, 20}}},
    {"first_too_small", {{{100, 0, 3}}}, 100, false, {}},
    {"later_too_small_ends", {{{100, 200, 10}}, {{200, 0, 2}}}, 100, true, {{100, 10}}},
    {"next_past_page", {{{100, 5000, 10}}}, 100, true, {{100, 10}}},
    {"size_past_page_end_is_cut", {{{4000, 0, 500}}}, 4000, true, {{4000, 96}}},
    {"header_in_last_bytes", {}, 4094, false, {}},
    {"first_zero", {}, 0, false, {}},
    {"first_past_page", {}, 4097, false, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, WalkFreeblocks, ::testing::ValuesIn(chain_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ListFreeblocks, ListsTheChainAndStopsOnALoop) {
    byte_array page(1024, 0);
    put_freeblock(page, 100, 200, 10);
    put_freeblock(page, 200, 100, 20);
    std::vector<uint16> offsets;
    std::vector<uint16> sizes;
    ASSERT_TRUE(list_freeblocks(offsets, sizes, page.data(), 1024, 100));
    EXPECT_EQ(offsets, (std::vector<uint16>{100, 200}));
    EXPECT_EQ(sizes, (std::vector<uint16>{10, 20}));
    EXPECT_FALSE(list_freeblocks(offsets, sizes, page.data(), 1024, 1022));
    EXPECT_TRUE(offsets.empty());
}

// The real database: its freeblocks and gaps, page by page (pages 2 to 256).
TEST(FindPageSlack, RealDatabaseCensus) {
    VELK_NEED_REAL_DATA(test_pages::real_db_path());
    const byte_array file = test_pages::read_file(test_pages::real_db_path());
    constexpr uint32 ps = 4096;
    ASSERT_EQ(file.size(), 256u * ps);
    const kq::byte_reader whole(file);
    region_map all;
    uint64 freeblock_bytes = 0;
    int freeblocks = 0;
    for (uint32 pg = 1; pg <= 256; ++pg) {
        kq::byte_reader page;
        ASSERT_TRUE(whole.sub(std::size_t{pg - 1} * ps, ps, page));
        const uint64 offset = uint64{pg - 1} * ps;
        region_map mine;
        const bool found = find_page_slack(mine, page, offset, false);
        EXPECT_EQ(found, !mine.empty());
        if (pg == 1 || pg >= 55) {
            EXPECT_FALSE(found) << "page " << pg;
        }
        uint16 first = 0;
        ASSERT_TRUE(page.be16_at(1, first));
        for (const auto& [at, length] : mine) {
            EXPECT_LE(at + length, offset + ps) << "page " << pg;  // no region crosses its page
            if (first != 0 && at - offset >= first) {
                ++freeblocks;
                freeblock_bytes += length;
            }
        }
        (void)find_page_slack(all, page, offset, true);
    }
    uint64 total = 0;
    for (const auto& [at, length] : all) {
        total += length;
    }
    // Nine of the regions are leaves whose every cell was deleted (4088 bytes each).
    EXPECT_EQ(all.size(), 112u);
    EXPECT_EQ(total, 108046u);
    EXPECT_EQ(freeblocks, 59);
    EXPECT_EQ(freeblock_bytes, 4329u);
}

}  // namespace
