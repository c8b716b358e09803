#pragma once
// Parsed b-tree pages turned into what the table and schema readers need: the rows of a
// leaf page as value texts (schema rows recognised), and the children of an interior page,
// so that a b-tree can be walked from its root to its leaves.

#include <map>
#include <string>

#include "sqlite/btree_page.h"
#include "sqlite/record_decoder.h"
#include "text/kq_types.h"

namespace uni {
class fileio;
}
class read_window;

// What a page_descriptor holds (its first field). A 64-bit word, open to further kinds.
namespace row_kind {
inline constexpr uint64 page_group = 1;        // the decoded cells of a page's schema rows
inline constexpr uint64 schema_table = 2;      // schema row of type "table"
inline constexpr uint64 schema_index = 3;      // "index", not an automatic index
inline constexpr uint64 schema_other = 4;      // not produced; accepted by the schema reader
inline constexpr uint64 schema_autoindex = 5;  // "index" named "sqlite_autoindex..."
inline constexpr uint64 table_cells = 6;       // the cells of a table leaf page
inline constexpr uint64 index_cells = 7;       // the cells of an index leaf page
inline constexpr uint64 table_child = 8;       // a child entry of an interior table page
inline constexpr uint64 index_child = 9;       // a child entry of an interior index page
}  // namespace row_kind

// One decoded leaf cell.
struct leaf_record_decoder : record_decoder {
    uint64 rowid = 0;
    uint64 cell_file_offset = 0;
    uint64 cell_size = 0;           // the cell's varint bytes plus its payload size
    uint64 record_file_offset = 0;  // where the record header starts in the file
    uint64 index_key = 0;           // an index record's second value read as a number
    cell_descriptor cell;
    byte_array header_bytes;  // the record header, when capture was asked for
    bool header_captured = false;

    void reset();
};

// One child of an interior page.
struct interior_record_decoder : record_decoder {
    uint64 child_page = 0;
    cell_descriptor cell;
    uint64 cell_file_offset = 0;
    uint64 cell_size = 0;
    uint64 record_file_offset = 0;
    uint64 interior_key = 0;
    uint8 flag = 1;

    void reset();
};

struct page_descriptor {
    uint64 kind = 0;  // row_kind
    uint64 page_offset = 0;
    uint64 page_number = 0;  // page offset / page size + 1
    bool without_rowid = false;
    std::string name;        // schema rows: the object's name
    std::string table_name;  // schema rows: the table it belongs to
    uint64 root_page = 0;    // schema rows: the root page; page groups: the page number
    std::string sql;         // schema rows: the SQL text without tab characters
    std::string lower_sql;
    cell_descriptor cell;  // schema rows: the row's cell
    // Decoded cells keyed by 16 lower-case hex digits of the rowid (index cells: the index
    // key), so that key order is numeric order.
    std::map<std::string, leaf_record_decoder> cells;
    // Children of an interior page: by rowid key (table) or child page (index); the
    // right-most child under the largest 64-bit value.
    std::map<uint64, interior_record_decoder> children;
    byte_array bytes;

    void reset();
};

using page_descriptor_map = std::map<uint64, page_descriptor>;

// What a caller that parses leaf after leaf (the table walk) keeps from one to the next:
// the window its overflow chains are read through and the buffer a chain is gathered in.
struct leaf_reader {
    read_window& pages;
    byte_array scratch;
};

// Decodes every cell of the leaf page at page_offset (inside a buffer that starts at
// buffer_offset of the file) into out; schema rows become entries of their own under their
// root page. With a file, overflow chains are followed unless skip_overflow; a chain that is
// skipped or cannot be read leaves the marker " [overflow page reqd/skipped] " at the end of
// the record's bytes. Without keep_extras the cells hold their value texts alone (see
// decode_record). Given a reader (whose window is over file), the chains are read through
// it. True when out is not empty.
[[nodiscard]] bool parse_btree_page(page_descriptor_map& out, const uint8* buffer,
                                    uint32 buffer_length, uint64 buffer_offset, uint64 page_offset,
                                    uint32 page_size, uni::fileio* file, bool annotate_times,
                                    bool raw_blobs, bool skip_overflow, bool capture_header,
                                    text_encoding encoding, bool no_rowid, bool keep_extras = true,
                                    leaf_reader* reader = nullptr);

// Lists the children of the interior page at page_offset into out.children, the right-most
// child under the largest 64-bit key. False for a leaf page, a page whose cells yield no
// child, or a right-most child of 0.
[[nodiscard]] bool walk_pages(page_descriptor& out, const uint8* buffer, uint32 buffer_length,
                              uint64 buffer_offset, uint64 page_offset, uint32 page_size,
                              uni::fileio* file, bool annotate_times, bool raw_blobs,
                              text_encoding encoding);

// The text the reader puts where a payload's overflow chain was not followed.
inline constexpr char overflow_marker[] = " [overflow page reqd/skipped] ";
