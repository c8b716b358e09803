#pragma once
// A table's rows as text lines, read by the own parser from the table's name, for looking at
// a database without the SQLite library.

#include <ostream>
#include <string>
#include <vector>

#include "text/kq_types.h"

// Every row of the table (its values joined by " | "), from start_rowid for `count` rows (all
// bits set: no limit). With root_page 0 the root comes from the schema row whose name equals
// table_name exactly (the last such row) and is written back. False for an empty path, no
// root and no name, a file that does not open, or a name the schema lacks.
[[nodiscard]] bool dump_table_by_name(std::vector<std::string>& lines, uint64& root_page,
                                      const std::string& path, const std::string& table_name,
                                      uint64 start_rowid, uint64 count, bool raw_blobs);
// The same lines written to out, each followed by a line break.
[[nodiscard]] bool print_table_dump(std::ostream& out, uint64& root_page, const std::string& path,
                                    const std::string& table_name, uint64 start_rowid,
                                    uint64 count, bool raw_blobs);
