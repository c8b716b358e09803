#pragma once
// Overflow chains (1.7): the pages that hold the part of a payload that did not fit its cell,
// each starting with the number of the next.

#include "text/kq_types.h"

namespace uni {
class fileio;
}
class read_window;

// Appends bytes 4 to the page end of every page of the chain from first_page to out (whole
// pages: the caller's record decoder takes only what the record's header asks for). The
// walk ends at page 0, a page outside the file, a page already visited, a page that reads
// as a live b-tree page, or after as many pages as the file holds. True when at least one
// page was appended.
[[nodiscard]] bool read_overflow_chain(byte_array& out, uni::fileio& file, uint32 first_page,
                                       uint32 page_size);
// The same, its pages read through a window over the file (the table walk's, which reads a
// table's leaves and their chains in file order).
[[nodiscard]] bool read_overflow_chain(byte_array& out, read_window& pages, uint32 first_page,
                                       uint32 page_size);
