#pragma once
// Where the freeblocks of a carved chunk begin. Freeing a cell writes the freeblock header
// (next pointer and size, 1.6) over the cell's first four bytes; for a short record with a
// small rowid those are its payload length, rowid, header size and first serial type, so a
// record finder that knows where a freeblock begins can still read the rest of its header.

#include <cstddef>
#include <vector>

#include "text/byte_reader.h"

// The chunk offsets at which freeblocks begin: 0 when the chunk is one freeblock (the size in
// its header is the chunk's length, as a slack scan hands a freeblock over), else the chain
// of a chunk that is a whole table leaf page (the freeblocks lying wholly inside it, each
// once). out is emptied first; it stays empty for any other chunk.
void chunk_freeblock_starts(std::vector<std::size_t>& out, const kq::byte_reader& chunk);
