#pragma once
// g_sqlite_api: the one road from velk's own code into the SQLite library. Every SQLite call
// anywhere in the program goes through this table (the file-layer registry through its
// companion, g_sqlite_vfs_api), never to a library function by name, so the entry points
// can come from the linked library or from a loaded shared object alike.
//
// The table is process-wide and starts empty. sqlite_wrapper fills it when a connection
// opens and empties it once no wrapper holds a connection any more; code that calls an
// entry tests it first and fails by its result when it is null.

#include <sqlite3.h>

#include <cstddef>

// The 24 entries in their fixed order; the member order is the table's order.
struct sqlite_api_table {
    decltype(&::sqlite3_exec) sqlite3_exec = nullptr;                            // 0
    decltype(&::sqlite3_open) sqlite3_open = nullptr;                            // 1
    decltype(&::sqlite3_open_v2) sqlite3_open_v2 = nullptr;                      // 2
    decltype(&::sqlite3_close) sqlite3_close = nullptr;                          // 3
    decltype(&::sqlite3_prepare_v2) sqlite3_prepare_v2 = nullptr;                // 4
    decltype(&::sqlite3_bind_blob) sqlite3_bind_blob = nullptr;                  // 5
    decltype(&::sqlite3_bind_double) sqlite3_bind_double = nullptr;              // 6
    decltype(&::sqlite3_bind_int) sqlite3_bind_int = nullptr;                    // 7
    decltype(&::sqlite3_bind_int64) sqlite3_bind_int64 = nullptr;                // 8
    decltype(&::sqlite3_bind_text) sqlite3_bind_text = nullptr;                  // 9
    decltype(&::sqlite3_step) sqlite3_step = nullptr;                            // 10
    decltype(&::sqlite3_finalize) sqlite3_finalize = nullptr;                    // 11
    decltype(&::sqlite3_column_count) sqlite3_column_count = nullptr;            // 12
    decltype(&::sqlite3_column_name) sqlite3_column_name = nullptr;              // 13
    decltype(&::sqlite3_column_type) sqlite3_column_type = nullptr;              // 14
    decltype(&::sqlite3_column_bytes) sqlite3_column_bytes = nullptr;            // 15
    decltype(&::sqlite3_column_int64) sqlite3_column_int64 = nullptr;            // 16
    decltype(&::sqlite3_column_double) sqlite3_column_double = nullptr;          // 17
    decltype(&::sqlite3_column_text) sqlite3_column_text = nullptr;              // 18
    decltype(&::sqlite3_column_blob) sqlite3_column_blob = nullptr;              // 19
    decltype(&::sqlite3_last_insert_rowid) sqlite3_last_insert_rowid = nullptr;  // 20
    decltype(&::sqlite3_errmsg) sqlite3_errmsg = nullptr;                        // 21
    decltype(&::sqlite3_reset) sqlite3_reset = nullptr;                          // 22
    decltype(&::sqlite3_clear_bindings) sqlite3_clear_bindings = nullptr;        // 23
};

inline constexpr std::size_t sqlite_api_entry_count = 24;

extern sqlite_api_table g_sqlite_api;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

// The entries of the file-layer registry, which the 24 do not hold: folder_vfs finds the
// default layer and registers its own over it. Filled and emptied with g_sqlite_api, in
// this order.
struct sqlite_vfs_api_table {
    decltype(&::sqlite3_vfs_find) sqlite3_vfs_find = nullptr;              // 0
    decltype(&::sqlite3_vfs_register) sqlite3_vfs_register = nullptr;      // 1
    decltype(&::sqlite3_vfs_unregister) sqlite3_vfs_unregister = nullptr;  // 2
};

inline constexpr std::size_t sqlite_vfs_api_entry_count = 3;

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
extern sqlite_vfs_api_table g_sqlite_vfs_api;

// Stores the addresses of the 24 functions of the linked SQLite library in table order,
// and those of the file-layer registry in theirs.
void sqlite_api_fill();
// Sets every entry of both tables to null.
void sqlite_api_clear();
