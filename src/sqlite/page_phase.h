#pragma once
// Where the pages of a chunk of raw pages begin. A chunk cut from a disk image at a sector
// boundary (a partition that does not start on a page boundary, a carved run of clusters)
// holds whole pages that start some bytes into it: read in page-sized pieces from its first
// byte, every piece would end inside a page and cut the record lying across that point.
// The b-tree page headers the chunk still holds say where its pages begin.

#include "text/byte_reader.h"
#include "text/kq_types.h"

// Whether chunk holds pages, and the offset, below page_size, at which they begin (phase):
// the one at which most positions hold a b-tree page header (SQLite file format 1.6: type,
// a first freeblock, a cell count and a content start that fit the page, and every cell
// pointer inside the content area). Pages are found at an offset when it holds at least two
// headers (one when the chunk has room for one page only) and, unless it is 0 (the offset a
// chunk is read at without this), more than 0 does. False, phase 0, when the chunk holds no
// pages by this rule. page_size: a power of two, at least 512.
[[nodiscard]] bool chunk_page_phase(const kq::byte_reader& chunk, uint32 page_size, uint32& phase);

// Whether the bytes at `at` in chunk begin a b-tree page of page_size bytes, by its header
// and cell pointers alone (the page itself may run past the chunk's end).
[[nodiscard]] bool looks_like_page_start(const kq::byte_reader& chunk, std::size_t at,
                                         uint32 page_size);
