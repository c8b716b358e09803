#pragma once
// Reading one push-notification database into the record store of the options: header
// check, schema, table definitions with their column masks, then the rows, through the
// SQLite library or, with "-carve", through the own b-tree walker.

#include <string>
#include <vector>

#include "text/kq_types.h"

class velk_options;

// True when the rows were read (the record lists may still be empty). Starts from an empty
// store and leaves the %VAR%-expanded path in the path member of options->m_db. On false,
// options->m_db_failure names what stopped it.
//
// The library writes nothing beside the evidence: a database with a "-wal" or "-journal"
// is read from a private copy of it and its companions (private_db_copy.h), closed and
// removed before this returns; one with neither is opened in place as immutable, which
// takes no lock and creates no file. The own parser reads the original.
[[nodiscard]] bool process_db_file(velk_options* options, std::string path);

// The sqlite3_exec row callback of the live tables: context is the velk_options, whose
// m_table_type names the table being selected. 1 (stop) when there is no context or no open
// database, else 0; a row the record refuses is dropped. Values come as terminated texts.
int on_select_row(void* context, int count, char** values, char** names);

// The work of on_select_row for a row whose values carry their byte lengths (lengths may
// stop short: the values it does not reach are terminated texts).
[[nodiscard]] int32 store_selected_row(velk_options& options, int32 count,
                                       const std::vector<const char*>& values,
                                       const std::vector<uint32>& lengths);

// A live row's payload read whole (table_type's payload column, placed by mask among
// values) is cut at its first zero byte, as the SQLite library shows it: a zero byte there
// is stored data, not the damage a carved value's may be, so it takes no damage marker.
void trim_live_payload(uint32 table_type, uint64 mask, std::vector<std::string>& values);
