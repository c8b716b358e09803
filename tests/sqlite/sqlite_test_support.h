#pragma once
// Databases for tests that go through the SQLite library. The library writes beside a file
// it opens (a read-only open of a WAL database creates "-shm" and "-wal"), so every test
// opens a copy in its own temporary folder, never a committed fixture or the real data.

#include <filesystem>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"
#include "sqlite/sqlite_wrapper.h"

namespace velk_test {

inline std::string real_wpndatabase() {
    return std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";
}
inline std::string sample_wpndatabase() {
    return std::string(VELK_TEST_DATA_DIR) + "/sample/wpndatabase.db";
}

// Copies the database and its "-wal" (when there is one) into the folder under the same
// file name; the copy's path, or "" when the source is missing or the copy fails.
inline std::string copy_database(const std::string& source, const temp_dir& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (folder.path().empty() || !fs::exists(source, error)) {
        return {};
    }
    const std::string target = folder.file(fs::path(source).filename().string());
    const auto options = fs::copy_options::overwrite_existing;
    if (!fs::copy_file(source, target, options, error)) {
        return {};
    }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    error);
    const std::string wal = source + "-wal";
    if (fs::exists(wal, error)) {
        if (!fs::copy_file(wal, target + "-wal", options, error)) {
            return {};
        }
        fs::permissions(target + "-wal", fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add, error);
    }
    return target;
}

// One exec through the entry-point table with sql_row_callback; the rows, or one row
// {"<failed>"}.
inline std::vector<std::vector<std::string>> exec_rows(const sqlite_wrapper& db,
                                                       const std::string& sql) {
    sql_result_set result;
    if (g_sqlite_api.sqlite3_exec == nullptr ||
        g_sqlite_api.sqlite3_exec(db.handle(), sql.c_str(), sql_row_callback, &result, nullptr) !=
            SQLITE_OK) {
        return {{"<failed>"}};
    }
    return result.rows;
}

}  // namespace velk_test
