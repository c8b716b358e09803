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

// A chunk of a whole page whose type byte is a table leaf's: the first freeblock its header
// names, or 0.
uint16 leaf_first_freeblock(const kq::byte_reader& chunk) {
    uint8 type = 0;
    uint16 first = 0;
    if (chunk.size() > std::numeric_limits<uint32>::max() ||
        !is_valid_page_size(static_cast<uint32>(chunk.size())) || !chunk.u8_at(bt::type, type) ||
        type != bt::leaf_table || !chunk.be16_at(bt::first_freeblock, first)) {
        return 0;
    }
    return first;
}

}  // namespace

void chunk_freeblock_starts(std::vector<std::size_t>& out, const kq::byte_reader& chunk) {
    out.clear();
    // A freeblock lies past the page header; each link must point further on (1.6 keeps the
    // chain in ascending order), so a chain that loops or points back ends there, after at
    // most one step per byte of the page.
    std::size_t at = leaf_first_freeblock(chunk);
    while (at >= bt::leaf_header_size && chunk.has(at, fb::header_size)) {
        uint16 next = 0;
        uint16 size = 0;
        (void)chunk.be16_at(at + fb::next, next);  // the header lies in the chunk
        (void)chunk.be16_at(at + fb::size, size);
        if (size < fb::header_size || !chunk.has(at, size)) {
            break;
        }
        out.push_back(at);
        if (next <= at) {
            break;
        }
        at = next;
    }
    // A page is looked at first: the bytes of its header may read as a freeblock's size.
    if (out.empty() && is_one_freeblock(chunk)) {
        out.push_back(0);
    }
}
