#pragma once
// Turning unallocated and raw bytes into records: the slack, freeblocks and companion files
// ("-wal", else "-journal") of a database just read, and whole files read as chunks of raw
// database pages ("-parse_chunk").

#include <string>

class velk_options;

// Carves the database at path and its companion into the store of options; unless append
// is set the notification list is emptied first (handlers, channels and settings stay).
// include_wal_valid_pages adds the write-ahead log's current pages. True when the carver
// found at least one hit.
[[nodiscard]] bool carve_db_slack(const std::string& path, bool append,
                                  bool include_wal_valid_pages, velk_options& options);

// Reads the file at path as raw database pages (or write-ahead-log frames) into an emptied
// store. True when at least one record was recognised.
[[nodiscard]] bool parse_chunk_file(velk_options* options, std::string path);
