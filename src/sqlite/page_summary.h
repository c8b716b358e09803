#pragma once
// Page-by-page looks at a database file for an examiner: a dump of each page's banner, and a
// summary that sorts every page by what it holds (table rows, index rows, schema rows,
// interior pages, pages that read but did not parse, and raw pages that did not read).

#include <iosfwd>
#include <string>

#include "sqlite/page_rows.h"
#include "text/kq_types.h"

namespace uni {
class fileio;
}

// Kinds added to those of page_rows.h.
namespace row_kind {
inline constexpr uint64 raw_page = 11;         // a page kept whole, its bytes copied
inline constexpr uint64 anchored_record = 12;  // a record found by find_records_by_strings
}  // namespace row_kind

// One file's pages, each map keyed by file offset.
struct page_summary {
    byte_array header;                 // the file's first 100 bytes, then its first page
    page_descriptor_map raw_pages;     // pages kept whole: did not read, or dumped
    page_descriptor_map other_rows;    // schema rows and interior children
    page_descriptor_map index_rows;    // row_kind::index_cells
    page_descriptor_map table_rows;    // row_kind::table_cells and page groups
    page_descriptor_map walked_pages;  // interior pages and their children
    page_descriptor_map unparsed_pages;  // read as a page, yet no row and no child parsed
    uint32 page_size = 0;
    uint8 reserved = 0;
    uint64 file_size = 0;
    bool header_read = false;
    std::string path;

    void clear();
};

// A schema row (row_kind 2 to 5).
[[nodiscard]] bool is_schema_row_kind(uint64 kind);
// A schema row whose SQL text declares a table "without rowid" (a text of 31 or more
// characters: the clause follows a table name and a column).
[[nodiscard]] bool says_without_rowid(const page_descriptor& row);

// The key of a parsed row entry in a file-offset map: its page offset, and for schema rows,
// several to a page, its cell's offset added.
[[nodiscard]] uint64 row_entry_key(const page_descriptor& entry);

// The page at file_offset. On the first page (offset 0) the page size comes from its header
// (written to out when given, else the page must carry the magic). With out, the page's banner
// when it reads; with summary (cleared first), its header facts and a raw_page copy of it.
// True when the page reads.
[[nodiscard]] bool dump_page(std::ostream* out, page_summary* summary, uint32& page_size,
                             const uint8* page, uint32 length, uint64 file_offset);
// The "Page Header: 0x" banner of a page of at least 12 bytes that reads, with its number in
// four zero-filled hex digits.
[[nodiscard]] bool dump_page_banner(std::ostream& out, const uint8* page, uint32 length,
                                    uint32 page_size, uint64 file_offset);

// Sorts one page into the summary. The first page needs the summary's header already read.
// parse recognises timestamps in the decoded values; file follows overflow chains. False
// for a page that does not read (it is kept as a raw page).
[[nodiscard]] bool summarise_page(page_summary& summary, const uint8* page, uint32 length,
                                  uint64 file_offset, bool parse, uni::fileio* file);

// What page_chunk_callback works with: a summary to fill, or a stream to dump to.
struct page_chunk_context {
    int ready = 0;  // the callers set it to 1 once the rest is filled in
    page_summary* summary = nullptr;
    std::ostream* out = nullptr;
    uint32 page_size = 0;
    bool parse = false;
};

// The per-page step of a file walk: summarise_page with a summary, else dump_page to the
// stream. -1 without a file or when the context is not ready, else 0.
int page_chunk_callback(uni::fileio* file, void* context, const uint8* page, uint32 length,
                        uint32 overlap, uint64 file_offset);

// Summarises every page of the file. The page size comes from the header, or, with
// guess_page_size and a file without the magic, from the header field wherever it is.
[[nodiscard]] bool summarise_file_pages(page_summary& summary, const std::string& path,
                                        bool guess_page_size, bool parse);
// Dumps every page of a database file to out.
[[nodiscard]] bool dump_file_pages(std::ostream& out, const std::string& path);
// Walks the b-tree from page page_number (1-based) and decodes the rows below it. True when
// any table, index or other row was found.
[[nodiscard]] bool summarise_one_page(page_summary& summary, const std::string& path,
                                      uint32 page_size, uint64 page_number, text_encoding encoding);
