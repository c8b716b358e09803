#include "sqlite/sqlite_wrapper.h"

#include <algorithm>
#include <new>
#include <utility>

#include "io/kq_dir_files.h"
#include "io/uni_file_info.h"
#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"
#include "text/path_text.h"

namespace {

// Wrappers that hold a connection right now. g_sqlite_api is process-wide: emptying it
// while any of them is open would leave that connection with no way to run a statement or
// even to close, so the table is emptied only when this count is 0.
int open_wrapper_count = 0;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

}  // namespace

sqlite_wrapper::sqlite_wrapper() { init(); }

sqlite_wrapper::~sqlite_wrapper() { close(); }

void sqlite_wrapper::set_open(bool open) {
    if (open == m_open) {
        return;
    }
    m_open = open;
    open_wrapper_count += open ? 1 : -1;
}

void sqlite_wrapper::init() {
    set_open(false);
    m_read_only = false;
    m_db = nullptr;
    m_db_path.clear();
    m_run_time = 0;
}

bool sqlite_wrapper::resolve_symbols(void* /*handle*/) {
    sqlite_api_fill();
    return true;
}

bool sqlite_wrapper::release_symbols() {
    if (open_wrapper_count == 0) {
        sqlite_api_clear();
    }
    m_library_handle = nullptr;
    return true;
}

bool sqlite_wrapper::open_db(sqlite3** handle, const std::string& path, bool read_only) {
    m_read_only = read_only;
    if (handle == nullptr) {
        return false;
    }
    *handle = nullptr;
    int result = SQLITE_ERROR;
    if (read_only && g_sqlite_api.sqlite3_open_v2 != nullptr) {
        result = g_sqlite_api.sqlite3_open_v2(path.c_str(), handle, SQLITE_OPEN_READONLY, nullptr);
    } else if (!read_only && g_sqlite_api.sqlite3_open != nullptr) {
        result = g_sqlite_api.sqlite3_open(path.c_str(), handle);
    }
    if (result == SQLITE_OK) {
        return true;
    }
    // SQLite hands back a connection even when the open fails (it carries the error), and
    // that connection must be closed once; sqlite3_close(null) is a harmless no-op.
    if (*handle != nullptr && g_sqlite_api.sqlite3_close != nullptr) {
        (void)g_sqlite_api.sqlite3_close(*handle);  // the open already failed
    }
    *handle = nullptr;
    return false;
}

void sqlite_wrapper::close_db() {
    if (m_db == nullptr || g_sqlite_api.sqlite3_close == nullptr) {
        return;
    }
    (void)g_sqlite_api.sqlite3_close(m_db);  // the connection is given up either way
    init();
}

void sqlite_wrapper::close() {
    if (!m_open || m_db == nullptr || g_sqlite_api.sqlite3_close == nullptr) {
        return;
    }
    close_db();
    (void)release_symbols();  // always true
    init();
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the signature overrides must keep
bool sqlite_wrapper::open_readonly(std::string path, std::string /*library_name*/) {
    if (m_open && m_db != nullptr) {
        close_db();
    }
    init();
    if (!path.empty()) {
        m_db_path = std::move(path);
        if (kqportdir::file_exists(m_db_path)) {
            (void)resolve_symbols(nullptr);  // always true
            set_open(open_db(&m_db, m_db_path, true));
        }
    }
    if (!m_open) {
        close_db();
        (void)unload_library();  // no library is held when SQLite is linked in
        (void)release_symbols();
    }
    return m_open;
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the signature overrides must keep
bool sqlite_wrapper::open(void* /*context*/, std::string path, std::string /*library_name*/) {
    if (m_open && m_db != nullptr) {
        close_db();
    }
    init();
    if (!path.empty()) {
        m_db_path = std::move(path);
        std::string folder;
        std::string file_name;
        // SQLite creates the file but not its folders. A folder that cannot be made
        // shows up as a failed open below.
        if (split_path(m_db_path, folder, file_name)) {
            (void)kqportdir::make_dir_path(folder);
        }
        (void)resolve_symbols(nullptr);  // always true
        set_open(open_db(&m_db, m_db_path, false));
    }
    if (!m_open) {
        close_db();
        (void)release_symbols();
    }
    return m_open;
}

namespace {

std::string select_columns_sql(const std::vector<std::string>& columns, const std::string& table) {
    std::string sql = "select";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql += i == 0 ? " " : ",";
        if (i == 0 && columns[i] == "*") {
            sql += columns[i];
        } else {
            sql += "`" + columns[i] + "`";
        }
    }
    sql += " from [" + table + "];";
    return sql;
}

// Rows whose value count the column list cannot hold are left empty; the first row that
// is copied brings the result's column names into the list.
void copy_selected_rows(std::vector<std::vector<std::string>>& rows,
                        std::vector<std::string>& columns, sql_result_set& result) {
    rows.assign(result.rows.size(), {});
    const std::size_t width = std::max(columns.size(), result.column_names.size());
    columns.resize(width);
    for (std::size_t r = 0; r < result.rows.size(); ++r) {
        if (result.rows[r].size() > width) {
            continue;
        }
        rows[r] = std::move(result.rows[r]);
        if (r == 0) {
            std::copy(result.column_names.begin(), result.column_names.end(), columns.begin());
        }
    }
}

}  // namespace

bool sqlite_wrapper::select_columns(std::vector<std::vector<std::string>>& rows,
                                    std::vector<std::string>& columns, const std::string& table) {
    if (!m_open || table.empty()) {
        return false;
    }
    rows.clear();
    try {
        sql_result_set result;
        if (!sql_transaction(&result, this, {select_columns_sql(columns, table)},
                             sql_row_callback)) {
            return false;
        }
        if (!result.rows.empty()) {
            copy_selected_rows(rows, columns, result);
        }
    } catch (const std::bad_alloc&) {
        rows.clear();
        return false;
    }
    return !rows.empty();
}
