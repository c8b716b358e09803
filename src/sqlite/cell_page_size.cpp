#include "sqlite/cell_page_size.h"

#include <array>

#include "sqlite/btree_page.h"
#include "sqlite/sqlite_format.h"
#include "text/byte_reader.h"

namespace bt = sqlite_format::btree_page;

namespace {

constexpr std::array<uint32, 6> candidate_sizes = {512, 1024, 2048, 4096, 8192, 16384};
constexpr uint32 fallback_size = 1024;
// What a cell's extent holds beyond its payload and payload-size varint: the rowid varint
// on a table leaf (1 to 9 bytes, in practice up to 5), nothing or little on an index leaf.
constexpr int64 max_extra = 5;

bool cells_fit(const cell_map& cells, bool index_leaf) {
    const int64 min_extra = index_leaf ? 0 : 1;
    // From the highest offset down: the last cell runs to the page end, so a wrong page
    // size shows there first.
    for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
        const cell_descriptor& c = it->second;
        const int64 extra = static_cast<int64>(c.extent) - static_cast<int64>(c.payload_size) -
                            static_cast<int64>(c.first_varint_length);
        if (extra < min_extra || extra > max_extra) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool guess_page_size_from_cells(uint32& page_size, const uint8* page, uint32 length) {
    const kq::byte_reader bytes(page, length);
    uint8 type = 0;
    const bool index_leaf =
        bytes.u8_at(btree_header_offset(bytes) + bt::type, type) && type == bt::leaf_index;
    for (const uint32 size : candidate_sizes) {
        cell_map cells;
        if (read_cell_pointers(cells, bytes, size, 0, false) != page_fault::none) {
            continue;
        }
        if (cells_fit(cells, index_leaf)) {
            page_size = size;
            return true;
        }
    }
    page_size = fallback_size;
    return false;
}
