#pragma once
// Where the freed cells of a carved chunk may lie. Freeing a cell writes the freeblock header
// (next pointer and size, 1.6) over the cell's first four bytes; for a short record with a
// small rowid those are its payload length, rowid, header size and first serial type, so a
// record finder that looks at such places can still read the rest of its header. Cells freed
// together merge into one freeblock, and every cell but the lowest keeps a stale header of
// its own inside it; a freeblock at the start of the cell content area is given to the gap
// with its stale headers.

#include <cstddef>
#include <vector>

#include "text/byte_reader.h"

// A part of a chunk [start, end) where freed cells may lie.
struct slack_range {
    std::size_t start = 0;
    std::size_t end = 0;
    bool chained = false;  // a freeblock of the page's chain: the header at start is live

    bool operator==(const slack_range&) const = default;
};

// The slack of a chunk: for a whole table leaf page its chained freeblocks (lying wholly
// inside it, each once) and the gap between the cell pointer array and the cell content;
// nothing for any other b-tree page (its cells are no table rows); for a chunk that is one
// freeblock (the size in its header is the chunk's length, as a slack scan hands a freeblock
// over) that freeblock; any other chunk (a gap, a free page, raw bytes) whole. out is
// emptied first.
void chunk_slack_ranges(std::vector<slack_range>& out, const kq::byte_reader& chunk);
