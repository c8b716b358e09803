#pragma once
// The column names of a named data table, made from the run's output captions: a caption
// becomes a bracketed SQL identifier, numbered by its position unless the run turns that
// off, and cut to 8 characters unless the run asks for long names.

#include <string>

#include "resultsdb/metadata_record.h"

// One caption as a column name: cut to 8 characters (unless long names), '[', ']' and '#'
// removed, trimmed, inner blanks made '_'. The cut comes first: "[A] long name" gives
// "A_long".
[[nodiscard]] std::string prepare_column_name(std::string caption, bool long_names);

// Fills run.column_names from run.col_hdrs ('|'-separated, empty items kept) unless it holds
// names already, and brackets (and numbers) them once; later calls reuse the list. False
// when there is no caption to make a column of.
[[nodiscard]] bool prepare_column_names(metadata_record& run);
