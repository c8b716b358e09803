// A chunk cut from an image at a sector boundary holds pages that begin some bytes in: the
// reader must find that offset from the page headers, and must not move its reads for a
// stray run of bytes that only looks like a header.

#include "sqlite/page_phase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sqlite/page_builder.h"

namespace {

using test_pages::page_builder;

constexpr uint32 page_size = 4096;

// A table leaf with a few records, as a chunk of a notification table holds them.
byte_array leaf_page(uint8 type = 0x0D) {
    page_builder page(page_size, type);
    for (uint64 rowid = 1; rowid <= 5; ++rowid) {
        const byte_array rec = test_pages::record({1, 13 + 2 * 20}, [] {
            byte_array content{7};
            const byte_array text = test_pages::text_bytes("twenty bytes of text");
            content.insert(content.end(), text.begin(), text.end());
            return content;
        }());
        page.add_cell(test_pages::table_leaf_cell(rowid, rec));
    }
    return page.finish();
}

// lead zero bytes, then `pages` copies of a page, then tail zero bytes.
byte_array chunk_of(std::size_t lead, const byte_array& page, std::size_t pages,
                    std::size_t tail = 0) {
    byte_array out(lead, 0);
    for (std::size_t i = 0; i < pages; ++i) {
        out.insert(out.end(), page.begin(), page.end());
    }
    out.resize(out.size() + tail, 0);
    return out;
}

struct phase_case {
    const char* name;
    byte_array chunk;
    bool pages;
    uint32 phase;
};

const phase_case phase_cases[] = {
    {"aligned", chunk_of(0, leaf_page(), 4), true, 0},
    {"lead_512", chunk_of(512, leaf_page(), 4), true, 512},
    {"lead_1024", chunk_of(1024, leaf_page(), 4), true, 1024},
    {"lead_3584", chunk_of(3584, leaf_page(), 4), true, 3584},
    {"odd_lead", chunk_of(1001, leaf_page(), 4), true, 1001},
    {"interior_pages_count_too", chunk_of(2048, leaf_page(0x05), 3), true, 2048},
    // One page is all a short chunk can hold: its header alone says where it begins.
    {"one_page_at_a_lead", chunk_of(512, leaf_page(), 1), true, 512},
    // Room for several pages and a single header: as likely chance bytes; reads stay at 0.
    {"lone_header_in_room_for_more", chunk_of(512, leaf_page(), 1, 3 * page_size), false, 0},
    {"no_header_at_all", byte_array(4 * page_size, 0x41), false, 0},
    {"empty", {}, false, 0},
};

class ChunkPagePhase : public ::testing::TestWithParam<phase_case> {};

TEST_P(ChunkPagePhase, FindsWherePagesBegin) {
    const phase_case& c = GetParam();
    uint32 phase = 99;
    EXPECT_EQ(chunk_page_phase(kq::byte_reader(c.chunk), page_size, phase), c.pages);
    EXPECT_EQ(phase, c.phase);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChunkPagePhase, ::testing::ValuesIn(phase_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Header fields that no page in use has rule a position out.
struct start_case {
    const char* name;
    std::size_t at;
    uint64 value;
    std::size_t width;
    bool page;
};

const start_case start_cases[] = {
    {"intact", 0, 0x0D, 1, true},
    {"not_a_page_type", 0, 0x0C, 1, false},
    {"no_cells", 3, 0, 2, false},
    {"content_over_the_pointers", 5, 10, 2, false},
    {"content_past_the_page", 5, page_size, 2, false},
    {"freeblock_before_the_content", 1, 20, 2, false},
    {"too_many_fragmented_bytes", 7, 61, 1, false},
    {"pointer_below_the_content", 8, 100, 2, false},
    {"pointer_past_the_page", 8, page_size, 2, false},
};

class LooksLikePageStart : public ::testing::TestWithParam<start_case> {};

TEST_P(LooksLikePageStart, TakesOnlyHeadersOfPagesInUse) {
    const start_case& c = GetParam();
    byte_array page = leaf_page();
    test_pages::put_be(page, c.at, c.value, c.width);
    EXPECT_EQ(looks_like_page_start(kq::byte_reader(page), 0, page_size), c.page);
}

INSTANTIATE_TEST_SUITE_P(Cases, LooksLikePageStart, ::testing::ValuesIn(start_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
