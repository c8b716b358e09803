#include "sqlite/table_walk.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/db_file.h"
#include "sqlite/read_window.h"
#include "sqlite/sqlite_format.h"

namespace bt = sqlite_format::btree_page;
namespace dh = sqlite_format::db_header;
namespace fh = sqlite_format::file_header;

namespace {

constexpr uint64 largest_key = std::numeric_limits<uint64>::max();

bool usable(const uni::fileio& file, uint32 page_size) {
    return file.is_open() && page_size >= bt::min_page_size && page_size <= dh::max_page_size;
}

// Page numbers start at 1 (1.5): a link to page 0 is damage and is never followed. The
// last page of a cut-off file is read as far as it goes: the cells it still holds are rows.
bool read_page_number(uni::fileio& file, uint64 page_number, uint32 page_size, byte_array& page) {
    return page_number != 0 &&
           read_page_prefix(file, (page_number - 1) * page_size, page_size, page);
}

uint32 length_of(const byte_array& page) { return static_cast<uint32>(page.size()); }

// The pages a walk has read, one bit per page of the file. A number past the file's last
// page never reads, so it needs no mark: it is new every time it is given.
class page_marks {
public:
    page_marks(const uni::fileio& file, uint32 page_size)
        : m_seen(static_cast<std::size_t>(pages_in_file(file.size(), page_size) + 1), false) {}

    // True the first time a page number is given.
    bool first_visit(uint64 number) {
        if (number >= m_seen.size()) {
            return true;
        }
        if (m_seen[static_cast<std::size_t>(number)]) {
            return false;
        }
        m_seen[static_cast<std::size_t>(number)] = true;
        return true;
    }

private:
    std::vector<bool> m_seen;
};

// Page 1 begins with the database header: its b-tree header follows it (1.5), wherever
// the page is reached from.
bool is_interior(const byte_array& page, uint64 page_number) {
    const std::size_t header = page_number == 1 ? fh::size : 0;
    uint8 type = 0;
    return kq::byte_reader(page).u8_at(header + bt::type, type) &&
           (type == bt::interior_table || type == bt::interior_index);
}

page_descriptor leaf_root(uint64 root_offset, uint32 page_size) {
    page_descriptor d;
    d.page_offset = root_offset;
    d.page_number = root_offset / page_size + 1;
    interior_record_decoder self;
    self.child_page = d.page_number;
    (void)d.children.emplace(largest_key, std::move(self));
    return d;
}

// Works down from the root breadth first. The first child of a descriptor that reads and is
// not interior makes the descriptor one of the lowest; its other children are not looked
// at. Every page is read at most once, so links back into the tree end the walk.
void collect_lowest(page_list& out, page_descriptor_map& interior_pages, uni::fileio& file,
                    page_descriptor root, uint32 page_size, bool skip_interior_map,
                    text_encoding encoding) {
    page_marks visited(file, page_size);
    (void)visited.first_visit(root.page_number);
    std::deque<page_descriptor> work;  // references stay valid while it grows
    work.push_back(std::move(root));
    byte_array page;
    for (std::size_t i = 0; i < work.size(); ++i) {
        page_descriptor& d = work[i];
        bool lowest = false;
        for (const auto& [key, child] : d.children) {
            const uint64 number = child.child_page;
            if (number == 0 || !visited.first_visit(number) ||
                !read_page_number(file, number, page_size, page)) {
                continue;
            }
            if (!is_interior(page, number)) {
                lowest = true;
                break;
            }
            const uint64 at = (number - 1) * page_size;
            page_descriptor next;
            if (walk_pages(next, page.data(), length_of(page), at, at, page_size, &file, false,
                           false, encoding)) {
                if (!skip_interior_map) {
                    (void)interior_pages.emplace(number, next);
                }
                work.push_back(std::move(next));
            }
        }
        if (lowest) {
            out.push_back(std::move(d));  // nothing reads it after this
        }
    }
}

}  // namespace

bool read_page_bytes(uni::fileio& file, uint64 offset, uint32 page_size, byte_array& page) {
    return file.read_at(page, page_size, offset) && page.size() == page_size;
}

bool read_page_prefix(uni::fileio& file, uint64 offset, uint32 page_size, byte_array& page) {
    return file.read_at(page, page_size, offset) && page.size() >= bt::interior_header_size &&
           page.size() <= page_size;
}

bool read_page_records(page_list& out, page_descriptor_map& interior_pages, uni::fileio& file,
                       uint64 root_offset, uint32 page_size, bool skip_interior_map,
                       text_encoding encoding) {
    out.clear();
    interior_pages.clear();
    if (!usable(file, page_size)) {
        return false;
    }
    try {
        byte_array page;
        if (!read_page_prefix(file, root_offset, page_size, page)) {
            return false;
        }
        if (!is_interior(page, root_offset / page_size + 1)) {
            out.push_back(leaf_root(root_offset, page_size));
            return true;
        }
        page_descriptor root;
        if (!walk_pages(root, page.data(), length_of(page), root_offset, root_offset, page_size,
                        &file, false, false, encoding)) {
            return false;
        }
        if (!skip_interior_map) {
            (void)interior_pages.emplace(root.page_number, root);
        }
        collect_lowest(out, interior_pages, file, std::move(root), page_size, skip_interior_map,
                       encoding);
    } catch (const std::bad_alloc&) {
        return !out.empty();  // the pages found so far stay valid
    }
    return !out.empty();
}

namespace {

struct payload_maps {
    page_descriptor_map& table_rows;
    page_descriptor_map& index_rows;
    page_descriptor_map& other_rows;
    bool table_rows_only = false;
};

void sort_entries(payload_maps& maps, page_descriptor_map& parsed) {
    for (auto& [key, entry] : parsed) {
        if (entry.kind == row_kind::table_cells) {
            (void)maps.table_rows.emplace(key, std::move(entry));  // first of a key kept
        } else if (maps.table_rows_only) {
            continue;
        } else if (entry.kind == row_kind::index_cells) {
            (void)maps.index_rows.emplace(key, std::move(entry));
        } else {
            (void)maps.other_rows.emplace(key, std::move(entry));
        }
    }
}

void decode_children(payload_maps& maps, const page_list& pages, uni::fileio& file,
                     uint32 page_size, text_encoding encoding) {
    page_marks visited(file, page_size);
    byte_array page;
    page_descriptor_map parsed;
    for (const page_descriptor& d : pages) {
        for (const auto& [key, child] : d.children) {
            const uint64 number = child.child_page;
            if (number == 0 || !visited.first_visit(number) ||
                !read_page_number(file, number, page_size, page)) {
                continue;
            }
            const uint64 at = (number - 1) * page_size;
            // A child that yields no rows ends the work on this page's children.
            if (!parse_btree_page(parsed, page.data(), length_of(page), at, at, page_size, &file,
                                  false, false, false, false, encoding, false)) {
                break;
            }
            sort_entries(maps, parsed);
        }
    }
}

}  // namespace

bool decode_page_payloads(page_descriptor_map& table_rows, page_descriptor_map& index_rows,
                          page_descriptor_map& other_rows, const page_list& pages,
                          uni::fileio& file, uint32 page_size, bool table_rows_only,
                          text_encoding encoding) {
    table_rows.clear();
    index_rows.clear();
    other_rows.clear();
    if (pages.empty() || !usable(file, page_size)) {
        return false;
    }
    payload_maps maps{table_rows, index_rows, other_rows, table_rows_only};
    try {
        decode_children(maps, pages, file, page_size, encoding);
    } catch (const std::bad_alloc&) {
        // What was decoded before stays in the maps.
    }
    return !table_rows.empty() ||
           (!table_rows_only && (!index_rows.empty() || !other_rows.empty()));
}

namespace {

// The last rowid a walk takes. Rowids are signed 64-bit numbers (1.6), so the limit is
// compared as one; start + count saturates instead of wrapping to a small or negative bound.
struct rowid_limit {
    bool unlimited = true;
    int64 last = std::numeric_limits<int64>::max();
};

rowid_limit make_limit(uint64 start_rowid, uint64 count) {
    rowid_limit limit;
    if (count == std::numeric_limits<uint64>::max()) {
        return limit;
    }
    limit.unlimited = false;
    // INT64_MAX - start, start read as signed, taken modulo 2^64: exact, since the true
    // difference lies within 0 and 2^64 - 1. Below it the sum fits and the same modular
    // addition gives it.
    const uint64 headroom = static_cast<uint64>(std::numeric_limits<int64>::max()) - start_rowid;
    if (count < headroom) {
        limit.last = static_cast<int64>(start_rowid + count);
    }
    return limit;
}

struct walk_options {
    uint32 page_size = 0;
    uint64 start_rowid = 0;
    rowid_limit limit;
    bool raw_blobs = false;
    bool capture_header = false;
    text_encoding encoding = text_encoding::utf8;
    bool no_rowid = false;
};

// Hands on the rows of one parsed leaf; true when the row at the limit was taken.
bool take_rows(const table_record_sink& take, page_descriptor_map& parsed, const walk_options& o) {
    for (auto& [key, entry] : parsed) {
        if (entry.kind != row_kind::table_cells && entry.kind != row_kind::index_cells) {
            continue;
        }
        for (auto& [cell_key, cell] : entry.cells) {
            const auto rowid = static_cast<int64>(cell.rowid);
            if (!o.limit.unlimited && rowid > o.limit.last) {
                continue;
            }
            table_record r;
            r.values = std::move(cell.values);
            r.rowid = rowid;
            r.file_offset = cell.cell_file_offset;
            if (o.capture_header && cell.header_captured) {
                r.bytes = std::move(cell.header_bytes);
            }
            take(r);
            if (!o.limit.unlimited && rowid == o.limit.last) {
                return true;
            }
        }
    }
    return false;
}

// As read_page_number through the walk's window. The page is copied out of it: the
// window moves on while the page's overflow chains are read.
bool read_leaf(read_window& window, uint64 page_number, uint32 page_size, byte_array& page) {
    kq::byte_reader bytes;
    if (page_number == 0 ||
        !window.view_following((page_number - 1) * page_size, page_size, bytes) ||
        bytes.size() < bt::interior_header_size) {
        return false;
    }
    return bytes.copy_to(0, bytes.size(), page);
}

void walk_leaves(const table_record_sink& take, const page_list& pages, uni::fileio& file,
                 const walk_options& o) {
    page_marks visited(file, o.page_size);
    // A table's leaves and their overflow pages lie mostly in file order: one window
    // serves both.
    read_window window(file);
    leaf_reader reader{window, {}};
    byte_array page;
    page_descriptor_map parsed;
    for (const page_descriptor& d : pages) {
        for (const auto& [key, child] : d.children) {
            const uint64 number = child.child_page;
            if (key < o.start_rowid || number == 0 || !visited.first_visit(number) ||
                !read_leaf(window, number, o.page_size, page)) {
                continue;
            }
            const uint64 at = (number - 1) * o.page_size;
            // A table_record keeps the value texts alone: time guesses and blob copies would
            // be wasted.
            if (!parse_btree_page(parsed, page.data(), length_of(page), at, at, o.page_size, &file,
                                  false, o.raw_blobs, false, o.capture_header, o.encoding,
                                  o.no_rowid, false, &reader)) {
                continue;
            }
            if (take_rows(take, parsed, o)) {
                return;
            }
        }
    }
}

// The walk behind walk_table_btree; true when the tree's leaves could be found.
bool walk_rows(const table_record_sink& take, page_list& pages, uni::fileio& file,
               uint64 root_offset, uint32 page_size, uint64 start_rowid, uint64 count,
               bool raw_blobs, bool capture_header, text_encoding encoding) {
    if (!usable(file, page_size)) {
        return false;
    }
    try {
        page_descriptor_map unused;
        if (pages.empty() &&
            !read_page_records(pages, unused, file, root_offset, page_size, true, encoding)) {
            return false;
        }
        const walk_options o{page_size,      start_rowid, make_limit(start_rowid, count), raw_blobs,
                             capture_header, encoding,    pages.front().without_rowid};
        walk_leaves(take, pages, file, o);
    } catch (const std::bad_alloc&) {
        // The rows handed on before stay valid.
    }
    return true;
}

}  // namespace

bool walk_table_btree(std::vector<table_record>& out, page_list& pages, uni::fileio& file,
                      uint64 root_offset, uint32 page_size, uint64 start_rowid, uint64 count,
                      bool raw_blobs, bool capture_header, text_encoding encoding) {
    out.clear();
    const table_record_sink append = [&out](table_record& row) { out.push_back(std::move(row)); };
    return walk_rows(append, pages, file, root_offset, page_size, start_rowid, count, raw_blobs,
                     capture_header, encoding) &&
           !out.empty();
}

bool for_each_table_record(uni::fileio& file, uint64 root_offset, uint32 page_size,
                           uint64 start_rowid, uint64 count, bool raw_blobs, bool capture_header,
                           text_encoding encoding, const table_record_sink& take) {
    bool any = false;
    const table_record_sink counted = [&any, &take](table_record& row) {
        any = true;
        take(row);
    };
    page_list pages;
    return walk_rows(counted, pages, file, root_offset, page_size, start_rowid, count, raw_blobs,
                     capture_header, encoding) &&
           any;
}

bool read_table_records(std::vector<table_record>& out, uni::fileio& file, uint64 root_offset,
                        uint32 page_size, uint64 start_rowid, uint64 count, bool raw_blobs,
                        bool capture_header, text_encoding encoding) {
    page_list pages;
    return walk_table_btree(out, pages, file, root_offset, page_size, start_rowid, count, raw_blobs,
                            capture_header, encoding);
}

namespace {

// The b-tree type of the page at `number`; 0 when its header cannot be read. A tree's
// pages lie mostly in file order: one window serves the headers of thousands of leaves.
uint8 page_type_of(read_window& pages, uint64 number, uint32 page_size,
                   const known_page_types* known, const uni::fileio& file) {
    const std::size_t header = number == 1 ? fh::size : 0;
    kq::byte_reader head;
    uint8 type = 0;
    if (known != nullptr && known->find(type, file, number, page_size)) {
        return type;
    }
    // Whole pages are asked for, so that the window's read-ahead grows from leaf to leaf.
    // With the types known, the pages left to read are those the log replaces, scattered
    // over the file: each is read alone, as reading ahead of it would read bytes no later
    // page asks for.
    const uint64 at = (number - 1) * page_size;
    const bool read = known != nullptr ? pages.view(at, page_size, at, head)
                                       : pages.view_following(at, page_size, head);
    if (!read || !head.u8_at(header + bt::type, type)) {
        return 0;
    }
    return type;
}

bool is_leaf_type(uint8 type) { return type == bt::leaf_table || type == bt::leaf_index; }

// The child links of an interior page's cells, keyed as a walk of the page keys them (a
// table cell by its rowid key, an index cell by its child page); false when a cell says the
// page is a leaf.
bool cell_children(std::vector<std::pair<uint64, uint64>>& keyed, const cell_map& cells,
                   uint8 type) {
    bool added = false;
    for (const auto& [offset, cell] : cells) {
        if (type == bt::leaf_table || type == bt::leaf_index) {
            break;
        }
        if (type == bt::interior_index) {
            keyed.emplace_back(cell.child_page, cell.child_page);
            added = true;
        } else if (type == bt::interior_table) {
            keyed.emplace_back(cell.interior_key, cell.child_page);
            added = true;
        }
    }
    return added;
}

// Lists the children of the interior page at `number` as a walk of the page finds them (the
// first cell of each key, then the right child under the largest key), from its cell
// pointers alone: the keys' payloads, which such a walk decodes, are not wanted here. False
// when the page reads as no interior page.
bool interior_children(std::vector<uint64>& children, uni::fileio& file, uint64 number,
                       uint32 page_size) {
    byte_array page;
    cell_map cells;
    uint8 reserved = 0;
    if (!read_page_prefix(file, (number - 1) * page_size, page_size, page) ||
        page.size() < bt::interior_header_size) {
        return false;
    }
    const kq::byte_reader view(page);
    if (!usable_page(view, page_size, reserved) ||
        read_cell_pointers(cells, view, page_size, reserved, false) != page_fault::none) {
        return false;
    }
    const std::size_t header = btree_header_offset(view);
    uint8 type = 0;
    uint32 right_child = 0;
    (void)view.u8_at(header + bt::type, type);  // read by the cell reader already
    std::vector<std::pair<uint64, uint64>> keyed;
    const bool added = cell_children(keyed, cells, type);
    if ((!cells.empty() && !added) || (type & bt::leaf_flag) != 0 ||
        !view.be32_at(header + bt::right_child, right_child) || right_child == 0) {
        return false;
    }
    keyed.emplace_back(largest_key, right_child);
    // The first cell per key stands, as the walk keeps it.
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].first != keyed[i - 1].first) {
            children.push_back(keyed[i].second);
        }
    }
    return true;
}

bool already_met(const tree_pages& out, uint64 number) {
    return out.leaves.count(number) != 0 || out.interior.count(number) != 0 ||
           out.damaged.count(number) != 0;
}

}  // namespace

void known_page_types::set(uint64 number, uint8 type) {
    if (number >= types.size()) {
        types.resize(static_cast<std::size_t>(number) + 1, 0);
        known.resize(static_cast<std::size_t>(number) + 1, false);
    }
    types[static_cast<std::size_t>(number)] = type;
    known[static_cast<std::size_t>(number)] = true;
}

bool known_page_types::find(uint8& type, const uni::fileio& file, uint64 number,
                            uint32 page_size) const {
    if (number == 0 || number >= known.size() || !known[static_cast<std::size_t>(number)] ||
        file.has_patch_within((number - 1) * page_size, page_size)) {
        return false;
    }
    type = types[static_cast<std::size_t>(number)];
    return true;
}

void map_tree_pages(tree_pages& out, uni::fileio& file, uint64 root_page, uint32 page_size,
                    const known_page_types* known) {
    if (!usable(file, page_size)) {
        return;
    }
    // A page cut by the end of the file is a page of it: its header may still be there.
    const uint64 last_page = pages_in_file(file.size(), page_size);
    try {
        // Breadth first over a growing list; each page is taken once, so links that loop
        // end the walk.
        std::vector<uint64> work{root_page};
        read_window pages(file);
        for (std::size_t i = 0; i < work.size(); ++i) {
            const uint64 number = work[i];
            if (number == 0 || number > last_page || already_met(out, number)) {
                continue;
            }
            const uint8 type = page_type_of(pages, number, page_size, known, file);
            if (is_leaf_type(type)) {
                out.leaves.insert(number);
            } else if ((type == bt::interior_table || type == bt::interior_index) &&
                       interior_children(work, file, number, page_size)) {
                out.interior.insert(number);
            } else {
                out.damaged.insert(number);
            }
        }
    } catch (const std::bad_alloc&) {
        // The pages met so far stay.
    }
}
