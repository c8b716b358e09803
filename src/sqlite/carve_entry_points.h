#pragma once
// Entry points around the database carver for callers outside the tool's own flow.

#include <string>
#include <vector>

#include "sqlite/carved_record.h"
#include "sqlite/region_map.h"
#include "text/kq_types.h"

// The slack and free pages of a main database file (region_map emptied first). A path naming
// a companion ("-journal", "-wal" or "-shm" anywhere in it) is refused unopened.
[[nodiscard]] bool find_main_db_slack(region_map& slack, const std::string& path);

// carve_database over every table: without a table name the column bounds must come from
// the caller, so both 0 gives false.
[[nodiscard]] bool carve_database_all_tables(std::vector<carved_record>& hits,
                                             const std::string& db_path, record_finder_fn finder,
                                             bool append, bool use_companions, uint32 min_columns,
                                             uint32 max_columns, bool include_wal_valid_pages,
                                             bool structured, bool progress, void* context);
