#pragma once
// Where the cell of a carved record starts, so that every record is placed by one rule
// whichever way it was found: a row of a parsed leaf page by its cell pointer, a finder
// hit by the bytes before its record header.

#include <cstddef>

#include "text/byte_reader.h"
#include "text/kq_types.h"

// The chunk position of the cell whose record's first serial type is at p (the header-size
// byte is the one before it, as the finder's contract says). A cell is its payload length,
// its rowid and the record (1.6): the two varints before the header-size byte are taken as
// the cell's start when the payload length they give equals the record's size (its header
// and the content bytes of every serial type the header holds).
// Where they do not, or the header-size byte is lost (header_corrected, or lost_types
// serial types gone), a freeblock header took the cell's first four bytes when it was
// freed (1.6): the cell starts four bytes before the first record byte that survives. Never
// before the chunk's start: a chunk is a page or a region of one, and no cell crosses it.
[[nodiscard]] std::size_t carved_cell_start(const kq::byte_reader& chunk, std::size_t p,
                                            uint8 lost_types, bool header_corrected);
