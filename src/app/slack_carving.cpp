#include "app/slack_carving.h"

// Slack carving and page chunks are not built yet: neither finds anything, so no input is
// reported as carved.

bool carve_db_slack(const std::string& path, bool append, bool include_wal_valid_pages,
                    velk_options& options) {
    (void)path;
    (void)append;
    (void)include_wal_valid_pages;
    (void)options;
    return false;
}

// The path is taken by value, as the driver that replaces this one expands it in place.
bool parse_chunk_file(velk_options* options,
                      std::string path) {  // NOLINT(performance-unnecessary-value-param)
    (void)options;
    (void)path;
    return false;
}
