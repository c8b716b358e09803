#pragma once
// Column widths of a table of strings (one list per row), for padding it when printed.

#include <string>
#include <vector>

#include "text/kq_types.h"

// widths = for each column the length of its longest cell over all rows. True when there is
// at least one column.
[[nodiscard]] bool column_widths(std::vector<uint32>& widths,
                                 const std::vector<std::vector<std::string>>& rows);

// Widens each column to the row's cell, but to no more than cap; a new column starts at the
// cell's length capped. A width already above the cap drops to the cap when a longer cell
// comes. False for an empty row.
[[nodiscard]] bool column_widths_add_row(std::vector<uint32>& widths,
                                         const std::vector<std::string>& row, uint32 cap);

// True when every item is empty, also for an empty list.
[[nodiscard]] bool all_empty(const std::vector<std::string>& list);
