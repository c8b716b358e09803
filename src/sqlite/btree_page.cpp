#include "sqlite/btree_page.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "sqlite/sqlite_format.h"
#include "sqlite/varint.h"

namespace bt = sqlite_format::btree_page;
namespace bc = sqlite_format::btree_cell;
namespace fh = sqlite_format::file_header;
namespace pl = sqlite_format::payload;

namespace {

bool is_btree_type(uint8 type) {
    return type == bt::interior_index || type == bt::interior_table || type == bt::leaf_index ||
           type == bt::leaf_table;
}

std::size_t header_size_of(uint8 type) {
    return (type & bt::leaf_flag) != 0 ? bt::leaf_header_size : bt::interior_header_size;
}

}  // namespace

void page_header_view::reset() {
    header.fill(0);
    cells.clear();
    page_size = 1024;
    reserved = 0;
    parsed = false;
    encoding = text_encoding::utf8;
}

uint8 page_header_view::page_type() const { return header[bt::type]; }

bool page_header_view::is_leaf() const { return (page_type() & bt::leaf_flag) != 0; }

uint16 page_header_view::first_freeblock() const {
    uint16 v = 0;
    (void)kq::byte_reader(header.data(), header.size()).be16_at(bt::first_freeblock, v);
    return v;
}

uint16 page_header_view::cell_count() const {
    uint16 v = 0;
    (void)kq::byte_reader(header.data(), header.size()).be16_at(bt::cell_count, v);
    return v;
}

uint16 page_header_view::content_start() const {
    uint16 v = 0;
    (void)kq::byte_reader(header.data(), header.size()).be16_at(bt::content_start, v);
    return v;
}

uint32 page_header_view::right_child() const {
    uint32 v = 0;
    if (is_leaf()) {
        return 0;
    }
    (void)kq::byte_reader(header.data(), header.size()).be32_at(bt::right_child, v);
    return v;
}

bool is_page_one(const kq::byte_reader& page) {
    return page.has(0, fh::magic_length) &&
           std::memcmp(page.data(), fh::magic, fh::magic_length) == 0;
}

std::size_t btree_header_offset(const kq::byte_reader& page) {
    return is_page_one(page) ? fh::size : 0;
}

bool is_btree_page_type(const kq::byte_reader& page) {
    uint8 type = 0;
    return page.u8_at(bt::type, type) && is_btree_type(type);
}

bool is_btree_page(const kq::byte_reader& page, uint32 page_size) {
    uint16 first_free = 0;
    uint16 cells = 0;
    uint16 content = 0;
    if (!is_btree_page_type(page) || !page.be16_at(bt::first_freeblock, first_free) ||
        !page.be16_at(bt::cell_count, cells) || !page.be16_at(bt::content_start, content)) {
        return false;
    }
    if (page_size == 0) {
        return cells <= bt::max_cells_unsized;
    }
    return first_free <= page_size && content <= page_size &&
           bt::min_cell_footprint * std::size_t{cells} + bt::interior_header_size <= page_size;
}

bool usable_page(const kq::byte_reader& page, uint32 page_size, uint8& reserved) {
    reserved = 0;
    if (is_page_one(page)) {
        return page.u8_at(fh::reserved_bytes, reserved);
    }
    return is_btree_page(page, page_size);
}

namespace {

// The header fields the cell reader needs, read at the page's b-tree header.
struct page_layout {
    std::size_t header = 0;
    uint8 type = 0;
    uint16 cell_count = 0;
    uint16 content_start = 0;
    uint32 right_child = 0;
};

bool read_layout(const kq::byte_reader& page, page_layout& out) {
    out.header = btree_header_offset(page);
    if (!page.u8_at(out.header + bt::type, out.type) ||
        !page.be16_at(out.header + bt::cell_count, out.cell_count) ||
        !page.be16_at(out.header + bt::content_start, out.content_start)) {
        return false;
    }
    if ((out.type & bt::leaf_flag) == 0) {
        (void)page.be32_at(out.header + bt::right_child, out.right_child);  // 0 when cut off
    }
    return true;
}

// Pointers are taken while the buffer holds them; a pointer at or past the page size
// cannot name a cell and is dropped.
void read_pointers(cell_map& cells, const kq::byte_reader& page, const page_layout& layout,
                   uint32 page_size) {
    const std::size_t array_start = layout.header + header_size_of(layout.type);
    const uint8 is_leaf = (layout.type & bt::leaf_flag) != 0 ? 1 : 0;
    for (uint32 i = 0; i < layout.cell_count; ++i) {
        uint16 offset = 0;
        if (!page.be16_at(array_start + i * bt::cell_pointer_size, offset)) {
            break;
        }
        if (offset >= page_size) {
            continue;
        }
        cell_descriptor d;
        d.offset = offset;
        d.is_leaf = is_leaf;
        d.index = static_cast<uint16>(i);
        (void)cells.emplace(offset, d);  // a repeated pointer keeps its first index
    }
}

// Each cell reaches to the next cell above it. The highest cell below the content start
// reaches only to the content start (once per page: above it lies the content area).
void assign_extents(cell_map& cells, uint16 content_start, uint32 page_size) {
    uint32 running_end = page_size;
    bool dropped = false;
    for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
        cell_descriptor& d = it->second;
        if (!dropped && d.offset < content_start && content_start < running_end) {
            running_end = content_start;
            dropped = true;
        }
        d.extent = running_end - d.offset;
        running_end = d.offset;
    }
}

// Leaf cells: payload size, then the rowid (table) or the record's header size (index).
// False when the payload size cannot belong to a sane record.
bool read_leaf_cell(cell_descriptor& d, const kq::byte_reader& page, uint8 type,
                    bool no_rowid) {
    uint64 v = 0;
    int32 n = 0;
    if (!read_varint(v, n, page, d.offset)) {
        return true;
    }
    if (low32_negative(v)) {
        return false;
    }
    d.payload_size = v;
    d.first_varint_length = static_cast<uint16>(n);
    d.is_leaf = 1;
    d.is_table = type == bt::leaf_table ? 1 : 0;
    if (type == bt::leaf_table && no_rowid) {
        d.second_varint_length = 0;
        d.second_varint_skipped = 1;
        return true;
    }
    int32 n2 = 0;
    if (read_varint(v, n2, page, d.offset + static_cast<std::size_t>(n))) {
        d.second_varint = v;
        d.second_varint_length = static_cast<uint16>(n2);
    }
    return true;
}

// Interior cells: the left child page, then the payload size (index) or the rowid key
// (table; its length stands in for the payload size, there being no payload).
void read_interior_cell(cell_descriptor& d, const kq::byte_reader& page, uint8 type) {
    d.is_leaf = 0;
    d.is_table = type == bt::interior_table ? 1 : 0;
    if (!page.be32_at(d.offset, d.child_page)) {
        return;
    }
    uint64 v = 0;
    int32 n = 0;
    if (!read_varint(v, n, page, d.offset + bc::child_page_size)) {
        return;
    }
    d.first_varint_length = static_cast<uint16>(n);
    d.interior_key = v;
    d.payload_size = type == bt::interior_table ? static_cast<uint64>(n) : v;
}

// A payload longer than the cell's extent continues on overflow pages. The last 4 bytes of
// the extent are a first guess at the page number; the spill rule gives the real split.
void split_overflow(cell_descriptor& d, const kq::byte_reader& page, uint32 page_size,
                    uint8 reserved) {
    if (d.payload_size == 0 || d.payload_size <= d.extent || d.extent <= bc::overflow_page_size) {
        return;
    }
    (void)page.be32_at(d.offset + d.extent - bc::overflow_page_size, d.overflow_page);
    d.has_overflow = 1;
    if (page_size == 0) {
        return;
    }
    kq::byte_reader cell;
    if (!page.tail(d.offset, cell) || !cell.sub(0, std::min<std::size_t>(d.extent, cell.size()), cell)) {
        return;
    }
    uint32 local = 0;
    uint32 rest = 0;
    uint32 first = 0;
    const auto usable_from = static_cast<uint32>(std::min<std::size_t>(page.size(), UINT32_MAX));
    if (local_payload_split(local, rest, first, cell, d.extent, d, usable_from, reserved, false)) {
        d.overflow_page = first;
        d.local_size = local;
        d.has_overflow = rest > 0 ? 1 : 0;
    }
}

bool read_cell(cell_descriptor& d, const kq::byte_reader& page, uint8 type, uint32 page_size,
               uint8 reserved, bool no_rowid) {
    if (d.offset >= page.size()) {
        return true;  // beyond the buffer: offset and extent only
    }
    if (type == bt::leaf_table || type == bt::leaf_index) {
        if (!read_leaf_cell(d, page, type, no_rowid)) {
            return false;
        }
    } else if (type == bt::interior_index || type == bt::interior_table) {
        read_interior_cell(d, page, type);
    }
    if (type != bt::interior_table) {
        split_overflow(d, page, page_size, reserved);
    }
    return true;
}

}  // namespace

page_fault read_cell_pointers(cell_map& cells, const kq::byte_reader& page, uint32 page_size,
                              uint8 reserved, bool no_rowid) {
    cells.clear();
    page_layout layout;
    if (page.size() <= bt::interior_header_size - 1 || !read_layout(page, layout)) {
        return page_fault::too_short;
    }
    if (layout.cell_count == 0) {
        // An interior table page may hold only its right-most child (a root after deletes).
        return layout.type == bt::interior_table && layout.right_child != 0 ? page_fault::none
                                                                           : page_fault::no_cells;
    }
    read_pointers(cells, page, layout, page_size);
    if (cells.empty()) {
        return page_fault::no_pointers;
    }
    assign_extents(cells, layout.content_start, page_size);
    for (auto it = cells.begin(); it != cells.end();) {
        // A cell whose payload size cannot be real is dropped; its neighbours still read.
        if (!read_cell(it->second, page, layout.type, page_size, reserved, no_rowid)) {
            it = cells.erase(it);
            continue;
        }
        ++it;
    }
    return cells.empty() ? page_fault::no_pointers : page_fault::none;
}

bool parse_cell_pointers(cell_map& cells, const uint8* page, uint32 length, uint32 page_size,
                         uint8 reserved, bool no_rowid) {
    return read_cell_pointers(cells, kq::byte_reader(page, length), page_size, reserved,
                              no_rowid) == page_fault::none;
}

namespace {

// SQLite file format 1.6: X, the most payload a cell keeps on its page; 0 when the usable size
// leaves no room.
int64 max_local(int64 usable, bool table_leaf) {
    const int64 x = table_leaf ? usable - pl::table_leaf_max_local_margin
                               : (usable - pl::local_base) * pl::max_local_numerator /
                                         pl::local_denominator -
                                     pl::local_margin;
    return std::max<int64>(x, 0);
}

// SQLite file format 1.6: M, the least payload a spilling cell keeps on its page.
int64 min_local(int64 usable) {
    return (usable - pl::local_base) * pl::min_local_numerator / pl::local_denominator -
           pl::local_margin;
}

// Where the local payload starts inside the cell: after the payload-size varint, the rowid
// varint on table leaves, the child page number on interior index cells.
std::size_t payload_start(const cell_descriptor& d) {
    std::size_t at = d.first_varint_length;
    if (d.is_leaf != 0 && d.is_table != 0) {
        at += d.second_varint_length;
    }
    if (d.is_leaf == 0) {
        at += bc::child_page_size;
    }
    return at;
}

}  // namespace

bool local_payload_split(uint32& local, uint32& overflow_bytes, uint32& first_overflow_page,
                         const kq::byte_reader& cell, uint32 cell_extent, cell_descriptor& d,
                         uint32 page_size, uint32 reserved, bool store) {
    local = 0;
    overflow_bytes = 0;
    first_overflow_page = 0;
    const int64 usable = static_cast<int64>(page_size) - reserved;
    const int64 per_overflow_page = usable - static_cast<int64>(sqlite_format::overflow_page::content);
    if (per_overflow_page <= 0) {
        return false;  // no usable room: the rule would divide by zero
    }
    const int64 x = max_local(usable, d.is_leaf != 0 && d.is_table != 0);
    const uint64 p = d.payload_size;
    if (p <= static_cast<uint64>(x)) {
        local = static_cast<uint32>(p);
        if (store) {
            d.has_overflow = 0;
            d.overflow_page = 0;
            d.local_size = 0;
        }
        return true;
    }
    const int64 m = min_local(usable);
    const auto span = static_cast<uint64>(per_overflow_page);
    // K = M + (P - M) mod (U - 4), taken apart so that no step can wrap.
    const uint64 rest = m >= 0 ? (p - static_cast<uint64>(m)) % span
                               : (p % span + static_cast<uint64>(-m) % span) % span;
    const int64 k = m + static_cast<int64>(rest);
    const int64 kept = k <= x ? k : m;
    if (kept < 0 || cell_extent < kept) {
        return false;
    }
    uint32 page = 0;
    if (!cell.be32_at(payload_start(d) + static_cast<std::size_t>(kept), page)) {
        return false;
    }
    local = static_cast<uint32>(kept);
    overflow_bytes = static_cast<uint32>(
        std::min<uint64>(p - static_cast<uint64>(kept), std::numeric_limits<uint32>::max()));
    first_overflow_page = page;
    if (store) {
        d.local_size = local;
        d.has_overflow = 1;
        d.overflow_page = page;
    }
    return true;
}

bool local_payload_split(uint32& local, uint32& overflow_bytes, uint32& first_overflow_page,
                         const uint8* cell, uint32 cell_extent, cell_descriptor& d,
                         uint32 page_size, uint32 reserved, bool store) {
    return local_payload_split(local, overflow_bytes, first_overflow_page,
                               kq::byte_reader(cell, cell_extent), cell_extent, d, page_size,
                               reserved, store);
}

namespace {

// Page 1 carries the page size, the reserved bytes and the text encoding in its file header.
bool read_page_one(page_header_view& out, const kq::byte_reader& page) {
    uint16 size_code = 0;
    uint32 encoding = 0;
    if (!page.has(0, fh::size + out.header.size()) || !page.be16_at(fh::page_size, size_code) ||
        !page.u8_at(fh::reserved_bytes, out.reserved) ||
        !page.be32_at(fh::text_encoding, encoding) ||
        !page.copy_to(fh::size, out.header.size(), out.header.data())) {
        return false;
    }
    out.page_size = size_code == fh::page_size_65536_code ? fh::page_size_65536 : size_code;
    out.encoding = text_encoding_of(encoding);
    return true;
}

}  // namespace

bool read_page(page_header_view& out, const kq::byte_reader& page, uint32 page_size,
               uint8 reserved) {
    out.reset();
    if (page.size() < out.header.size()) {
        return false;
    }
    out.reserved = reserved;
    if (is_page_one(page)) {
        if (!read_page_one(out, page)) {
            return false;
        }
    } else {
        if (!is_btree_page(page, page_size) ||
            !page.copy_to(0, out.header.size(), out.header.data())) {
            return false;
        }
        if (page_size != 0) {
            out.page_size = page_size;
        }
    }
    out.parsed = read_cell_pointers(out.cells, page, out.page_size, out.reserved, false) ==
                 page_fault::none;
    return out.parsed;
}

bool read_page(page_header_view& out, const uint8* page, uint32 length, uint32 page_size,
               uint8 reserved) {
    return read_page(out, kq::byte_reader(page, length), page_size, reserved);
}
