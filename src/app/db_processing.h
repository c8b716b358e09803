#pragma once
// Reading one push-notification database into the record store of the options: header
// check, schema, table definitions with their column masks, then the rows, through the
// SQLite library or, with "-carve", through the own b-tree walker.

#include <string>

class velk_options;

// True when the rows were read (the record lists may still be empty). Starts from an empty
// store and leaves the %VAR%-expanded path in the path member of options->m_db. On false,
// options->m_db_failure names what stopped it.
[[nodiscard]] bool process_db_file(velk_options* options, std::string path);
