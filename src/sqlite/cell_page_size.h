#pragma once
// Guessing the page size of a lone b-tree page from its cells: at the right size every
// cell's extent (up to the next cell or the page end) is its payload plus its varints.

#include "text/kq_types.h"

// Tries 512 to 16384 in turn; a size at which the cell pointers do not read is skipped.
// True with the first size at which every cell fits; otherwise 1024 and false.
[[nodiscard]] bool guess_page_size_from_cells(uint32& page_size, const uint8* page,
                                              uint32 length);
