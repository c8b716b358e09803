#include "sqlite/chunk_freeblocks.h"

#include <limits>

#include "sqlite/db_file.h"
#include "sqlite/sqlite_format.h"

namespace bt = sqlite_format::btree_page;
namespace fb = sqlite_format::freeblock;

namespace {

// A chunk that is one freeblock region: its own header gives its length.
bool is_one_freeblock(const kq::byte_reader& chunk) {
    uint16 size = 0;
    return chunk.be16_at(fb::size, size) && size >= fb::header_size && size == chunk.size();
}

// The type byte of a chunk that is a whole b-tree page, or 0.
uint8 btree_page_type(const kq::byte_reader& chunk) {
    uint8 type = 0;
    if (chunk.size() > std::numeric_limits<uint32>::max() ||
        !is_valid_page_size(static_cast<uint32>(chunk.size())) || !chunk.u8_at(bt::type, type)) {
        return 0;
    }
    const bool btree = type == bt::leaf_table || type == bt::leaf_index ||
                       type == bt::interior_table || type == bt::interior_index;
    return btree ? type : 0;
}

// The freeblocks of a table leaf's chain. A freeblock lies past the page header; each link
// must point further on (1.6 keeps the chain in ascending order), so a chain that loops or
// points back ends there, after at most one step per byte of the page.
void add_chain(std::vector<slack_range>& out, const kq::byte_reader& page) {
    uint16 first = 0;
    (void)page.be16_at(bt::first_freeblock, first);  // the page holds its header
    std::size_t at = first;
    while (at >= bt::leaf_header_size && page.has(at, fb::header_size)) {
        uint16 next = 0;
        uint16 size = 0;
        (void)page.be16_at(at + fb::next, next);  // the header lies in the page
        (void)page.be16_at(at + fb::size, size);
        if (size < fb::header_size || !page.has(at, size)) {
            break;
        }
        out.push_back({at, at + size, true});
        if (next <= at) {
            break;
        }
        at = next;
    }
}

// The gap between a table leaf's cell pointer array and its cell content area.
void add_gap(std::vector<slack_range>& out, const kq::byte_reader& page) {
    uint16 cells = 0;
    uint16 content = 0;
    (void)page.be16_at(bt::cell_count, cells);  // the page holds its header
    (void)page.be16_at(bt::content_start, content);
    const std::size_t from = bt::leaf_header_size + std::size_t{cells} * bt::cell_pointer_size;
    // A content start of 0 stands for 65536, which only a page of that size holds.
    const std::size_t to = content == 0 ? sqlite_format::db_header::max_page_size : content;
    if (from < to && to <= page.size()) {
        out.push_back({from, to, false});
    }
}

}  // namespace

void chunk_slack_ranges(std::vector<slack_range>& out, const kq::byte_reader& chunk) {
    out.clear();
    // A page is looked at first: the bytes of its header may read as a freeblock's size.
    const uint8 type = btree_page_type(chunk);
    if (type == bt::leaf_table) {
        add_chain(out, chunk);
        add_gap(out, chunk);
        return;
    }
    if (type != 0) {
        return;
    }
    if (is_one_freeblock(chunk)) {
        out.push_back({0, chunk.size(), true});
        return;
    }
    if (!chunk.empty()) {
        out.push_back({0, chunk.size(), false});
    }
}
