#pragma once
// One b-tree page (1.6 B-tree Pages): its header, its cell pointer array and the cells of
// the four page types, and the split of a cell's payload into its local part and its
// overflow chain.

#include <array>
#include <cstddef>
#include <map>

#include "sqlite/text_encoding.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

// What the reader knows of one cell; copied whole between work records.
struct cell_descriptor {
    uint32 offset = 0;  // within the page, also on page 1
    uint32 extent = 0;  // bytes up to the next cell (or the content start, or the page end)
    // Payload-size varint; on interior table pages the length of the key varint.
    uint64 payload_size = 0;
    uint16 first_varint_length = 0;
    // The varint after the payload size: the rowid on table leaves, the record's header
    // size on index leaves.
    uint64 second_varint = 0;
    uint16 second_varint_length = 0;  // 0 when it was not read
    uint8 is_leaf = 0;
    uint8 is_table = 0;
    uint8 has_overflow = 0;
    uint32 overflow_page = 0;
    uint32 local_size = 0;  // set only when the payload overflows
    uint16 index = 0;       // position in the cell pointer array
    uint32 child_page = 0;  // left child of an interior cell
    // Rowid key of an interior table cell; the payload size on interior index pages.
    uint64 interior_key = 0;
    uint8 second_varint_skipped = 0;  // the rowid was not read (no-rowid reading)
};

using cell_map = std::map<uint32, cell_descriptor>;

// What read_page learns of a page: the 12 raw b-tree header bytes (decoded by the accessors),
// the cells by ascending offset, and the page-wide facts page 1 carries in its file header.
struct page_header_view {
    std::array<uint8, 12> header{};
    cell_map cells;
    uint32 page_size = 1024;
    uint8 reserved = 0;
    bool parsed = false;
    text_encoding encoding = text_encoding::utf8;

    void reset();
    [[nodiscard]] uint8 page_type() const;
    [[nodiscard]] bool is_leaf() const;
    [[nodiscard]] uint16 first_freeblock() const;
    [[nodiscard]] uint16 cell_count() const;
    [[nodiscard]] uint16 content_start() const;  // raw: 0 stands for 65536
    [[nodiscard]] uint32 right_child() const;    // 0 on leaf pages
};

// Why a cell pointer array could not be read; parse_cell_pointers answers none as true.
enum class page_fault {
    none,
    too_short,    // no room for the b-tree header
    no_cells,     // cell count 0 on a page that needs cells
    no_pointers,  // no pointer in the buffer pointed inside the page
};

// True when the page starts with the file header, that is, it is page 1.
[[nodiscard]] bool is_page_one(const kq::byte_reader& page);
// Offset of the b-tree header: 100 on page 1, else 0.
[[nodiscard]] std::size_t btree_header_offset(const kq::byte_reader& page);

// The type byte is 2, 5, 10 or 13.
[[nodiscard]] bool is_btree_page_type(const kq::byte_reader& page);
// A b-tree type whose header fields fit the page size; with page size 0 only a cell count
// below 513 is asked for.
[[nodiscard]] bool is_btree_page(const kq::byte_reader& page, uint32 page_size);
// A b-tree page of this page size, or page 1, whose reserved bytes its header gives (0 for
// any other page).
[[nodiscard]] bool usable_page(const kq::byte_reader& page, uint32 page_size, uint8& reserved);

[[nodiscard]] page_fault read_cell_pointers(cell_map& cells, const kq::byte_reader& page,
                                            uint32 page_size, uint8 reserved, bool no_rowid);
[[nodiscard]] bool parse_cell_pointers(cell_map& cells, const uint8* page, uint32 length,
                                       uint32 page_size, uint8 reserved, bool no_rowid);

[[nodiscard]] bool read_page(page_header_view& out, const kq::byte_reader& page,
                             uint32 page_size, uint8 reserved);
[[nodiscard]] bool read_page(page_header_view& out, const uint8* page, uint32 length,
                             uint32 page_size, uint8 reserved);

// The published spill rule: how much of a payload stays on the page, how much continues on
// overflow pages, and the first overflow page number stored after the local part. `cell`
// holds the cell's bytes (cell_extent of them). With store, d receives the local size, the
// overflow flag and the page.
[[nodiscard]] bool local_payload_split(uint32& local, uint32& overflow_bytes,
                                       uint32& first_overflow_page, const kq::byte_reader& cell,
                                       uint32 cell_extent, cell_descriptor& d, uint32 page_size,
                                       uint32 reserved, bool store);
[[nodiscard]] bool local_payload_split(uint32& local, uint32& overflow_bytes,
                                       uint32& first_overflow_page, const uint8* cell,
                                       uint32 cell_extent, cell_descriptor& d, uint32 page_size,
                                       uint32 reserved, bool store);
