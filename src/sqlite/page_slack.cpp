#include "sqlite/page_slack.h"

#include <algorithm>
#include <set>

#include "sqlite/btree_page.h"
#include "sqlite/sqlite_format.h"

namespace bt = sqlite_format::btree_page;
namespace fb = sqlite_format::freeblock;

namespace {

kq::byte_reader page_view(const uint8* page, int32 page_size) {
    return {page, page_size > 0 ? static_cast<std::size_t>(page_size) : 0};
}

struct freeblock_header {
    uint16 next = 0;
    uint16 size = 0;
};

// The 4-byte freeblock header must lie wholly inside the page.
bool read_freeblock(const kq::byte_reader& page, std::size_t at, freeblock_header& out) {
    return page.be16_at(at + fb::next, out.next) && page.be16_at(at + fb::size, out.size);
}

}  // namespace

bool walk_freeblocks(region_map& out, const kq::byte_reader& page, uint32 first_freeblock,
                     uint64 page_file_offset, bool append) {
    if (!append) {
        out.clear();
    }
    const std::size_t page_size = page.size();
    if (page_size < bt::min_page_size || first_freeblock == 0 || first_freeblock > page_size) {
        return false;
    }
    bool handled = false;
    int repeats = 0;
    std::size_t at = first_freeblock;
    // Every step either adds a new offset inside the page or counts a repeat, so the walk
    // ends; the step limit states that bound outright.
    for (std::size_t step = 0; step <= page_size + 2; ++step) {
        freeblock_header h;
        if (!read_freeblock(page, at, h) || h.size < fb::header_size) {
            break;
        }
        // A size running past the page end is damage; the region stops at the page end.
        const uint64 size = std::min<uint64>(h.size, page_size - at);
        if (!out.emplace(page_file_offset + at, size).second && ++repeats == 2) {
            handled = true;
            break;
        }
        handled = true;
        if (h.next == 0 || h.next >= page_size) {
            break;
        }
        at = h.next;
    }
    return handled;
}

bool walk_freeblocks(region_map& out, const uint8* page, int32 page_size, uint32 first_freeblock,
                     uint64 page_file_offset, bool append) {
    return walk_freeblocks(out, page_view(page, page_size), first_freeblock, page_file_offset,
                           append);
}

bool find_page_slack(region_map& out, const kq::byte_reader& page, uint64 page_file_offset,
                     bool append) {
    return find_cut_page_slack(out, page, static_cast<uint32>(page.size()), page_file_offset,
                               append);
}

bool find_cut_page_slack(region_map& out, const kq::byte_reader& page, uint32 page_size,
                         uint64 page_file_offset, bool append) {
    if (!append) {
        out.clear();
    }
    uint8 type = 0;
    uint16 first_free = 0;
    uint16 cells = 0;
    uint16 content = 0;
    if (page_size < bt::min_page_size || !is_btree_page(page, 0) || !page.u8_at(bt::type, type) ||
        !page.be16_at(bt::first_freeblock, first_free) || !page.be16_at(bt::cell_count, cells) ||
        !page.be16_at(bt::content_start, content)) {
        return false;
    }
    const std::size_t before = out.size();
    if (first_free != 0) {
        (void)walk_freeblocks(out, page, first_free, page_file_offset, true);  // growth counted below
    }
    // Deleting a page's lowest cell only moves the content start, leaving the row in the gap
    // even when the page also has freeblocks; so the gap is taken whenever it is there. A
    // leaf whose every cell was deleted (count 0, content start at the page end) still holds
    // the rows in that gap. An interior page without cells points nowhere and is skipped.
    const bool leaf = (type & bt::leaf_flag) != 0;
    const std::size_t header = leaf ? bt::leaf_header_size : bt::interior_header_size;
    const std::size_t array_end = header + bt::cell_pointer_size * cells;
    // SQLite file format 1.6: a content start of 0 stands for 65536, possible only on pages of that
    // size.
    const std::size_t content_end =
        content == 0 && page_size == sqlite_format::db_header::max_page_size ? page_size : content;
    // On a page cut short, a gap that starts past the cut holds nothing.
    if ((cells > 0 || leaf) && array_end < content_end && content_end <= page_size &&
        array_end < page.size()) {
        (void)out.emplace(page_file_offset + array_end, content_end - array_end);
    }
    return out.size() > before;
}

bool find_page_slack(region_map& out, const uint8* page, int32 page_size, uint64 page_file_offset,
                     bool append) {
    return find_page_slack(out, page_view(page, page_size), page_file_offset, append);
}

bool list_freeblocks(std::vector<uint16>& offsets, std::vector<uint16>& sizes, const uint8* page,
                     int32 page_size, uint32 first_freeblock) {
    const kq::byte_reader view = page_view(page, page_size);
    offsets.clear();
    sizes.clear();
    std::set<std::size_t> visited;  // a chain pointing back on itself ends at the repeat
    std::size_t at = first_freeblock;
    while (at != 0 && at < view.size() && visited.insert(at).second) {
        freeblock_header h;
        if (!read_freeblock(view, at, h) || h.size < fb::header_size) {
            break;
        }
        offsets.push_back(static_cast<uint16>(at));
        sizes.push_back(h.size);
        at = h.next;
    }
    return !offsets.empty();
}
