#pragma once
// Carving raw pages without a table layout: chunks that read as b-tree pages give their rows,
// and readable strings anchor a search for the record header in front of them, so records
// in slack or on damaged pages are found too.

#include "sqlite/page_summary.h"
#include "text/kq_types.h"

// Cuts the buffer (at file offset base) into pages, from the first page guess_page_size
// finds (with its size unless page_size is given), else from 0 at page_size. Each page's
// rows (or, for an interior page, its children), and for every chunk the records of
// find_records_by_strings, go into out (emptied first). parse recognises timestamps in the
// rows. True when out is not empty.
[[nodiscard]] bool carve_buffer_pages(page_descriptor_map& out, const uint8* buffer,
                                      uint32 length, bool parse, uint64 base, uint32 page_size);

// For each printable run of 10 or more characters in the chunk, looks up to 31 bytes back
// for a record header whose record holds it, and adds the first one found as an
// anchored_record entry: its file offset (base + header start), page number (offset / page
// size), rowid text in `name` (empty when none was found), the text columns in the one
// decoded cell, and the record's bytes. True when any record was added.
[[nodiscard]] bool find_records_by_strings(page_descriptor_map& out, const uint8* chunk,
                                           uint32 length, uint64 base, uint32 page_size);
