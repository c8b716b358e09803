#include "sqlite/sqlite_api.h"

sqlite_api_table g_sqlite_api;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
sqlite_vfs_api_table g_sqlite_vfs_api;

void sqlite_api_fill() {
    g_sqlite_api.sqlite3_exec = &::sqlite3_exec;
    g_sqlite_api.sqlite3_open = &::sqlite3_open;
    g_sqlite_api.sqlite3_open_v2 = &::sqlite3_open_v2;
    g_sqlite_api.sqlite3_close = &::sqlite3_close;
    g_sqlite_api.sqlite3_prepare_v2 = &::sqlite3_prepare_v2;
    g_sqlite_api.sqlite3_bind_blob = &::sqlite3_bind_blob;
    g_sqlite_api.sqlite3_bind_double = &::sqlite3_bind_double;
    g_sqlite_api.sqlite3_bind_int = &::sqlite3_bind_int;
    g_sqlite_api.sqlite3_bind_int64 = &::sqlite3_bind_int64;
    g_sqlite_api.sqlite3_bind_text = &::sqlite3_bind_text;
    g_sqlite_api.sqlite3_step = &::sqlite3_step;
    g_sqlite_api.sqlite3_finalize = &::sqlite3_finalize;
    g_sqlite_api.sqlite3_column_count = &::sqlite3_column_count;
    g_sqlite_api.sqlite3_column_name = &::sqlite3_column_name;
    g_sqlite_api.sqlite3_column_type = &::sqlite3_column_type;
    g_sqlite_api.sqlite3_column_bytes = &::sqlite3_column_bytes;
    g_sqlite_api.sqlite3_column_int64 = &::sqlite3_column_int64;
    g_sqlite_api.sqlite3_column_double = &::sqlite3_column_double;
    g_sqlite_api.sqlite3_column_text = &::sqlite3_column_text;
    g_sqlite_api.sqlite3_column_blob = &::sqlite3_column_blob;
    g_sqlite_api.sqlite3_last_insert_rowid = &::sqlite3_last_insert_rowid;
    g_sqlite_api.sqlite3_errmsg = &::sqlite3_errmsg;
    g_sqlite_api.sqlite3_reset = &::sqlite3_reset;
    g_sqlite_api.sqlite3_clear_bindings = &::sqlite3_clear_bindings;
    g_sqlite_vfs_api.sqlite3_vfs_find = &::sqlite3_vfs_find;
    g_sqlite_vfs_api.sqlite3_vfs_register = &::sqlite3_vfs_register;
    g_sqlite_vfs_api.sqlite3_vfs_unregister = &::sqlite3_vfs_unregister;
}

void sqlite_api_clear() {
    g_sqlite_api = sqlite_api_table{};
    g_sqlite_vfs_api = sqlite_vfs_api_table{};
}
