#include "sqlite/page_phase.h"

#include <vector>

#include "sqlite/sqlite_format.h"

namespace bt = sqlite_format::btree_page;

namespace {

// SQLite file format 1.6: at most 60 fragmented free bytes on a well-formed page.
constexpr uint8 max_fragmented_bytes = 60;

bool is_page_type(uint8 type) {
    return type == bt::leaf_table || type == bt::interior_table || type == bt::leaf_index ||
           type == bt::interior_index;
}

// Every cell pointer lies in the content area: at or past its start, before the page end.
bool pointers_in_content(const kq::byte_reader& chunk, std::size_t pointers, uint16 cells,
                         uint16 content, uint32 page_size) {
    for (std::size_t i = 0; i < cells; ++i) {
        uint16 pointer = 0;
        if (!chunk.be16_at(pointers + i * bt::cell_pointer_size, pointer) || pointer < content ||
            pointer >= page_size) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool looks_like_page_start(const kq::byte_reader& chunk, std::size_t at, uint32 page_size) {
    uint8 type = 0;
    uint16 first_free = 0;
    uint16 cells = 0;
    uint16 content = 0;
    uint8 fragmented = 0;
    if (!chunk.u8_at(at + bt::type, type) || !is_page_type(type) ||
        !chunk.be16_at(at + bt::first_freeblock, first_free) ||
        !chunk.be16_at(at + bt::cell_count, cells) ||
        !chunk.be16_at(at + bt::content_start, content) ||
        !chunk.u8_at(at + bt::fragmented_bytes, fragmented)) {
        return false;
    }
    const std::size_t header =
        (type & bt::leaf_flag) != 0 ? bt::leaf_header_size : bt::interior_header_size;
    const std::size_t pointers_end = header + std::size_t{cells} * bt::cell_pointer_size;
    // A page in use has cells, and its content area lies after the pointers, inside the page
    // (a content start of 0 stands for 65536, past any page this reader takes).
    if (cells == 0 || content == 0 || content < pointers_end || content >= page_size ||
        fragmented > max_fragmented_bytes) {
        return false;
    }
    if (first_free != 0 && (first_free < content || first_free >= page_size)) {
        return false;
    }
    return pointers_in_content(chunk, at + header, cells, content, page_size);
}

bool chunk_page_phase(const kq::byte_reader& chunk, uint32 page_size, uint32& phase) {
    phase = 0;
    if (page_size < bt::min_page_size || chunk.size() <= bt::leaf_header_size) {
        return false;
    }
    std::vector<uint32> votes(page_size, 0);
    for (std::size_t at = 0; at + bt::leaf_header_size < chunk.size(); ++at) {
        uint8 type = 0;
        // The type byte first: it rules out all but a few positions in 64.
        if (chunk.u8_at(at, type) && is_page_type(type) &&
            looks_like_page_start(chunk, at, page_size)) {
            ++votes[at % page_size];
        }
    }
    uint32 best = 0;
    for (uint32 offset = 1; offset < page_size; ++offset) {
        if (votes[offset] > votes[best]) {
            best = offset;
        }
    }
    // One header is a page where the chunk has room for one page only; where it has room for
    // more, a lone header is as likely a chance run of bytes, and moving every read for it
    // would cut the records the reads at 0 find whole.
    const bool room_for_two = chunk.size() >= std::size_t{best} + 2 * std::size_t{page_size};
    const uint32 needed = room_for_two ? 2 : 1;
    if (votes[best] < needed) {
        return false;
    }
    phase = best;
    return true;
}
