#include "sqlite/chunk_freeblocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sqlite/page_builder.h"

namespace {

using test_pages::put_be;

// A 512-byte table leaf of two cells whose content starts at 80 (the gap is 12 to 80), whose
// freeblock chain is given as (offset, next, size) triples.
byte_array leaf(const std::vector<std::array<std::size_t, 3>>& blocks, uint8 type = 0x0d,
                std::size_t content = 80) {
    byte_array page(512, 0);
    page[0] = type;
    put_be(page, 3, 2, 2);
    put_be(page, 5, content, 2);
    if (!blocks.empty()) {
        put_be(page, 1, blocks.front()[0], 2);
    }
    for (const auto& [at, next, size] : blocks) {
        put_be(page, at, next, 2);
        put_be(page, at + 2, size, 2);
    }
    return page;
}

byte_array one_freeblock(std::size_t size, std::size_t stated) {
    byte_array block(size, 0x61);
    put_be(block, 0, 0, 2);
    put_be(block, 2, stated, 2);
    return block;
}

byte_array cut_last_byte(byte_array bytes) {
    bytes.pop_back();
    return bytes;
}

struct ranges_case {
    const char* name;
    byte_array chunk;
    std::vector<slack_range> ranges;
};

const slack_range gap = {12, 80, false};

const ranges_case ranges_cases[] = {
    {"OneFreeblock", one_freeblock(40, 40), {{0, 40, true}}},
    {"RegionOfAnotherSize", one_freeblock(40, 36), {{0, 40, false}}},
    {"LeafChain", leaf({{100, 300, 20}, {300, 0, 30}}), {{100, 120, true}, {300, 330, true}, gap}},
    {"ChainPointingBack", leaf({{300, 100, 20}, {100, 0, 20}}), {{300, 320, true}, gap}},
    {"ChainToItself", leaf({{200, 200, 20}}), {{200, 220, true}, gap}},
    {"BlockPastThePage", leaf({{100, 500, 20}, {500, 0, 40}}), {{100, 120, true}, gap}},
    {"BlockTooSmall", leaf({{100, 0, 3}}), {gap}},
    // The block overwrites the cell count and content start: no gap either.
    {"InsideThePageHeader", leaf({{4, 0, 8}}), {}},
    {"NoGap", leaf({{100, 0, 20}}, 0x0d, 12), {{100, 120, true}}},
    {"ContentStartPastThePage", leaf({}, 0x0d, 0), {}},
    {"InteriorPage", leaf({{100, 0, 20}}, 0x05), {}},
    {"IndexLeaf", leaf({{100, 0, 20}}, 0x0a), {}},
    {"FreePage", leaf({}, 0x00), {{0, 512, false}}},
    {"NoPageSize", cut_last_byte(leaf({{100, 0, 20}})), {{0, 511, false}}},
    {"Empty", {}, {}},
};

class ChunkSlackRanges : public ::testing::TestWithParam<ranges_case> {};

TEST_P(ChunkSlackRanges, WhereFreedCellsMayLie) {
    const ranges_case& c = GetParam();
    std::vector<slack_range> ranges = {{1, 2, true}};  // emptied first
    chunk_slack_ranges(ranges, kq::byte_reader(c.chunk));
    ASSERT_EQ(ranges.size(), c.ranges.size());
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        EXPECT_EQ(ranges[i].start, c.ranges[i].start) << i;
        EXPECT_EQ(ranges[i].end, c.ranges[i].end) << i;
        EXPECT_EQ(ranges[i].chained, c.ranges[i].chained) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ChunkSlackRanges, ::testing::ValuesIn(ranges_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
