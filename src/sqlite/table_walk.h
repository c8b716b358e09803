#pragma once
// Walking a b-tree (1.6) from its root page to its leaves: the lowest interior pages and
// their children, the rows of those children decoded as value texts, and every row of a
// table as a table_record. Every walk keeps a set of the pages it has read, so a damaged
// tree whose links point back at themselves, at an ancestor, at page 0 or past the file
// ends instead of looping; nothing recurses on the depth of the tree.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sqlite/page_rows.h"
#include "text/kq_types.h"

namespace uni {
class fileio;
}

// One row of a table b-tree. Its leading fields are laid out as those of a carved record.
struct table_record {
    std::vector<std::string> values;
    std::vector<uint32> value_codes;  // left empty by the table walk
    int64 rowid = 0;
    uint64 file_offset = 0;      // of the cell
    uint64 offset_in_chunk = 0;  // not set by the table walk
    byte_array bytes;            // the record header, when capture was asked for
};

// The lowest interior pages of a b-tree (those whose children are leaves), each with its
// children; a root that is a leaf is one descriptor whose only child is the root itself,
// under the largest 64-bit key.
using page_list = std::vector<page_descriptor>;

// Reads the whole page of page_size bytes at `offset`; false when any of it lies outside the
// file.
[[nodiscard]] bool read_page_bytes(uni::fileio& file, uint64 offset, uint32 page_size,
                                   byte_array& page);
// As read_page_bytes, but the last page of a file cut short (a partial copy, a truncated
// image) is read as far as the file goes: page then holds fewer than page_size bytes. False
// when not even a b-tree page header's worth of bytes is there.
[[nodiscard]] bool read_page_prefix(uni::fileio& file, uint64 offset, uint32 page_size,
                                    byte_array& page);

// Finds the lowest interior pages below the root at root_offset. Unless skip_interior_map,
// every interior page walked is also kept in interior_pages under its page number. True
// when out is not empty.
[[nodiscard]] bool read_page_records(page_list& out, page_descriptor_map& interior_pages,
                                     uni::fileio& file, uint64 root_offset, uint32 page_size,
                                     bool skip_interior_map, text_encoding encoding);

// Decodes the children of the listed pages into table rows (kind 6), index rows (kind 7,
// unless table_rows_only) and every other kind (schema rows, page groups; likewise), each
// map keyed as parse_btree_page keys its entries, the first entry of a key kept.
[[nodiscard]] bool decode_page_payloads(page_descriptor_map& table_rows,
                                        page_descriptor_map& index_rows,
                                        page_descriptor_map& other_rows, const page_list& pages,
                                        uni::fileio& file, uint32 page_size, bool table_rows_only,
                                        text_encoding encoding);

// Every row below the root at root_offset whose rowid, as a signed number, is not above
// start_rowid + count (a count with all bits set means no limit; the sum saturates). Only
// children whose interior key is at least start_rowid (unsigned) are read. An empty page
// list is filled by read_page_records first; a given one is used as it is.
[[nodiscard]] bool walk_table_btree(std::vector<table_record>& out, page_list& pages,
                                    uni::fileio& file, uint64 root_offset, uint32 page_size,
                                    uint64 start_rowid, uint64 count, bool raw_blobs,
                                    bool capture_header, text_encoding encoding);

// Receives each row of a walk; it may move the row's contents away.
using table_record_sink = std::function<void(table_record& row)>;

// walk_table_btree with a fresh page list, handing each row to take as soon as its leaf is
// decoded instead of gathering them, so a large table is never held twice. True when any
// row was taken.
[[nodiscard]] bool for_each_table_record(uni::fileio& file, uint64 root_offset, uint32 page_size,
                                         uint64 start_rowid, uint64 count, bool raw_blobs,
                                         bool capture_header, text_encoding encoding,
                                         const table_record_sink& take);

// walk_table_btree with a fresh page list.
[[nodiscard]] bool read_table_records(std::vector<table_record>& out, uni::fileio& file,
                                      uint64 root_offset, uint32 page_size, uint64 start_rowid,
                                      uint64 count, bool raw_blobs, bool capture_header,
                                      text_encoding encoding);

// The pages of one or more b-trees as a walk from their roots finds them: the leaf pages it
// reaches, the interior pages it goes through, and the pages a link names inside the file
// that are no b-tree page (a zeroed or overwritten root, say), whose cells only a carve of
// the whole page can still find.
struct tree_pages {
    std::set<uint64> leaves;
    std::set<uint64> interior;
    std::set<uint64> damaged;
};

// Adds the pages of the b-tree rooted at root_page to out; called once per root, a page
// any earlier call met is not gone through again. A link to page 0 or past the file's end
// names no page of it and is left out. An interior page whose cells yield no child counts
// as damaged: the leaves below it are then reached by no walk.
//
// known, when given, holds the type bytes an earlier pass over the same file read, by page
// number: a page listed there that no read patch of file covers is not read again for its
// type, so a walk over a large file reads its interior pages alone instead of every leaf.
struct known_page_types {
    std::vector<uint8> types;  // by page number
    std::vector<bool> known;   // whether types holds the page's type byte
    void set(uint64 number, uint8 type);
    // The type byte of page `number` when known, no patch of file covering the page.
    [[nodiscard]] bool find(uint8& type, const uni::fileio& file, uint64 number,
                            uint32 page_size) const;
};
void map_tree_pages(tree_pages& out, uni::fileio& file, uint64 root_page, uint32 page_size,
                    const known_page_types* known = nullptr);
