#include "sqlite/carve_entry_points.h"

#include <array>

#include "io/uni_fileio.h"
#include "sqlite/database_carver.h"
#include "sqlite/db_file.h"

namespace {

constexpr std::array<const char*, 3> companion_marks = {"-journal", "-wal", "-shm"};

bool names_companion(const std::string& path) {
    for (const char* mark : companion_marks) {
        if (path.find(mark) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool find_main_db_slack(region_map& slack, const std::string& path) {
    slack.clear();
    if (path.empty() || names_companion(path)) {
        return false;
    }
    uni::fileio file;
    sqlite_db_header header;
    if (!open_db_file(file, header, path)) {
        return false;
    }
    return find_db_slack(slack, file, header);
}

bool carve_database_all_tables(std::vector<carved_record>& hits, const std::string& db_path,
                               record_finder_fn finder, bool append, bool use_companions,
                               uint32 min_columns, uint32 max_columns,
                               bool include_wal_valid_pages, bool structured, bool progress,
                               void* context) {
    if (min_columns == 0 && max_columns == 0) {
        return false;
    }
    std::string no_table;
    return carve_database(hits, db_path, no_table, finder, append, use_companions, min_columns,
                          max_columns, include_wal_valid_pages, structured, progress, context);
}
