#pragma once
// The unallocated space of one b-tree page (1.6): its chain of freeblocks and the gap
// between the cell pointer array and the cell content area. Deleted rows survive there.

#include <cstddef>
#include <vector>

#include "sqlite/region_map.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

// Adds a region (page file offset + freeblock offset, freeblock size with its 4 header
// bytes, cut at the page end) per freeblock of the chain from first_freeblock. Unless append,
// out is emptied first. True once a freeblock was taken.
[[nodiscard]] bool walk_freeblocks(region_map& out, const kq::byte_reader& page,
                                   uint32 first_freeblock, uint64 page_file_offset, bool append);
[[nodiscard]] bool walk_freeblocks(region_map& out, const uint8* page, int32 page_size,
                                   uint32 first_freeblock, uint64 page_file_offset, bool append);

// Adds a b-tree page's freeblocks and its gap (from the end of the cell pointer array to
// the cell content start). The page is the whole view; page 1, which begins with the file
// header, gives none. True when out grew.
[[nodiscard]] bool find_page_slack(region_map& out, const kq::byte_reader& page,
                                   uint64 page_file_offset, bool append);
[[nodiscard]] bool find_page_slack(region_map& out, const uint8* page, int32 page_size,
                                   uint64 page_file_offset, bool append);
// As find_page_slack for a page of page_size bytes of which the view holds only the first
// part (the last page of a file cut short): freeblocks are followed while they lie in the
// view, and the gap is taken as the header gives it; a scan reads it as far as the file goes.
[[nodiscard]] bool find_cut_page_slack(region_map& out, const kq::byte_reader& page,
                                       uint32 page_size, uint64 page_file_offset, bool append);

// The freeblock chain as two lists (offset and size of each freeblock of 4 bytes or more).
// True when the lists are not empty.
[[nodiscard]] bool list_freeblocks(std::vector<uint16>& offsets, std::vector<uint16>& sizes,
                                   const uint8* page, int32 page_size, uint32 first_freeblock);
