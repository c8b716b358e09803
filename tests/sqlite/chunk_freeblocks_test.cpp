#include "sqlite/chunk_freeblocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sqlite/page_builder.h"

namespace {

using test_pages::put_be;

// A 512-byte table leaf whose freeblock chain is given as (offset, next, size) triples.
byte_array leaf(const std::vector<std::array<std::size_t, 3>>& blocks, uint8 type = 0x0d) {
    byte_array page(512, 0);
    page[0] = type;
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

struct starts_case {
    const char* name;
    byte_array chunk;
    std::vector<std::size_t> starts;
};

const starts_case starts_cases[] = {
    {"OneFreeblock", one_freeblock(40, 40), {0}},
    {"RegionOfAnotherSize", one_freeblock(40, 36), {}},
    {"LeafChain", leaf({{100, 300, 20}, {300, 0, 30}}), {100, 300}},
    {"ChainPointingBack", leaf({{300, 100, 20}, {100, 0, 20}}), {300}},
    {"ChainToItself", leaf({{200, 200, 20}}), {200}},
    {"BlockPastThePage", leaf({{100, 500, 20}, {500, 0, 40}}), {100}},
    {"BlockTooSmall", leaf({{100, 0, 3}}), {}},
    {"InsideThePageHeader", leaf({{4, 0, 8}}), {}},
    {"InteriorPage", leaf({{100, 0, 20}}, 0x05), {}},
    {"IndexLeaf", leaf({{100, 0, 20}}, 0x0a), {}},
    {"NoPageSize", cut_last_byte(leaf({{100, 0, 20}})), {}},
    {"Empty", {}, {}},
};

class ChunkFreeblockStarts : public ::testing::TestWithParam<starts_case> {};

TEST_P(ChunkFreeblockStarts, WhereFreeblocksBegin) {
    const starts_case& c = GetParam();
    std::vector<std::size_t> starts = {7};  // emptied first
    chunk_freeblock_starts(starts, kq::byte_reader(c.chunk));
    EXPECT_EQ(starts, c.starts);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChunkFreeblockStarts, ::testing::ValuesIn(starts_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
