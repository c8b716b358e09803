#pragma once
// The schema table (1.6, "sqlite_schema" on page 1) read with the own parser: the name, root
// page and SQL text of every table and index. When page 1 gives none, the schema is read from
// the database image with its write-ahead log applied.

#include <string>
#include <vector>

#include "text/kq_types.h"

namespace uni {
class fileio;
}

// Fills the three parallel lists (emptied first) with every table, index and automatic
// index row of the schema; views and triggers are left out. An empty name reads "<noname>";
// tabs are removed from the SQL. With the file open, page_size must be given (512 to
// 65536); otherwise path is opened and page_size set from its header.
// When page 1 is no schema root (damaged, or its type byte lost) or gives no name (the
// tables were created in the log alone), and path is given and does not name a log, the
// image built from the log beside path is read instead: with use_wal_image set the caller's
// file is replaced by the image (and the flag stays set), otherwise a local image is used
// and the caller's file is left alone. When the file's own page 1 gives the schema the flag
// is cleared. True when a name was found.
[[nodiscard]] bool read_schema(std::vector<std::string>& names, std::vector<std::string>& sql_texts,
                               std::vector<uint64>& root_pages, uni::fileio& file,
                               uint32& page_size, const std::string& path, bool& use_wal_image);
