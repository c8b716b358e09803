#pragma once
// Carving a database and its companion: the regions where deleted or superseded records may
// survive (page slack and free pages of the main file, main-file pages a current WAL frame
// replaces, superseded and current WAL frames, slack inside current WAL pages, pages saved
// in a rollback journal), each scanned with the caller's record finder.

#include <set>
#include <string>
#include <vector>

#include "sqlite/carved_record.h"
#include "sqlite/region_map.h"
#include "sqlite/region_scan.h"
#include "text/kq_types.h"

namespace uni {
class fileio;
}
struct sqlite_db_header;

// Adds (without emptying slack) every free page of the freelist as a whole-page region and
// the freeblocks and gaps of every other page from page 2 on, up to the database's end (the
// header's page count while its change counter is current, else the file's end). True when
// slack is not empty.
[[nodiscard]] bool find_db_slack(region_map& slack, uni::fileio& db,
                                 const sqlite_db_header& header);

// The main file past the database's end (the header's page count, while its change counter
// is current), in runs of whole pages; pages in overwritten (a log's replacements) are left
// out. tail is emptied first. True when there is any.
[[nodiscard]] bool find_db_tail(region_map& tail, uni::fileio& db, const sqlite_db_header& header,
                                const region_map& overwritten);

// Carves the database at db_path and, with use_companions, its "-wal" (else its "-journal")
// companion, scanning in this order: main-file slack (source 2), main-file pages the log
// overwrites (6) or the journal restores (14), the cells of table leaves no walk reaches (3), the
// file past the database's end (13), superseded frames (7), current frames (9, with
// include_wal_valid_pages) or journal pages (11), slack in current WAL pages (8). A journal
// whose header a commit zeroed is read at the database's page size. A non-empty table name is
// lower-cased in place and its CREATE TABLE text, read from the schema, gives the column
// bounds. Unless append, hits is emptied first. With progress, one "percent done" figure
// covers the whole carve, main file and companion together. Every record is placed at its
// cell. With include_wal_valid_pages (the tables were walked in the main file as it
// stands), a cell of a replaced page that such a walk reads is left to it, and a cell of a
// current WAL page read whole carries record_source::live_cell_flag. True when hits is not
// empty.
[[nodiscard]] bool carve_database(std::vector<carved_record>& hits, const std::string& db_path,
                                  std::string& table_name, record_finder_fn finder, bool append,
                                  bool use_companions, uint32 min_columns, uint32 max_columns,
                                  bool include_wal_valid_pages, bool structured, bool progress,
                                  void* context);

// The main-file pages (by offset) the companion of db_path replaces, and the label their
// rows take: those a current "-wal" frame holds (main_page_overwritten), else those its
// "-journal" restores on rollback (main_page_restored_from_journal). True when there are any.
[[nodiscard]] bool find_replaced_pages(std::set<uint64>& pages, uint32& source,
                                       const std::string& db_path, uint32 page_size,
                                       uint64 file_size);

// As carve_database, each hit handed to sink as the carve finds it, in the same order. True
// when the sink took any hit.
[[nodiscard]] bool carve_database(carved_hit_sink& sink, const std::string& db_path,
                                  std::string& table_name, record_finder_fn finder,
                                  bool use_companions, uint32 min_columns, uint32 max_columns,
                                  bool include_wal_valid_pages, bool structured, bool progress,
                                  void* context);
