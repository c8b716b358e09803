#pragma once
// Any query result (column names and rows of value texts, as generic_sql_select returns
// them) written as a report table through the table and CSV writer: the options' own
// columns where they have captions, the result's column names elsewhere, every column as
// wide as its widest value unless a maximum width caps it.

#include <ostream>
#include <string>
#include <vector>

#include "cmdline/output_record.h"
#include "text/kq_types.h"

class cmd_params;

// Writes the caption line and one line per row; values past the last name are ignored.
// With max_width not 0 no column is wider than it, and cut cuts longer values to it. The
// converters (either may be null) reach copy_field. Clears the options' header flag.
// False, writing nothing, when there are no names or no rows.
[[nodiscard]] bool print_query_table(std::ostream& out, const std::vector<std::string>& names,
                                     const std::vector<std::vector<std::string>>& rows,
                                     cmd_params& options, uint32 max_width, bool cut,
                                     field_text_converter convert1, field_text_converter convert2);
