#include "sqlite/sqlite_wrapper.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <utility>

#include "io/kq_dir_files.h"
#include "io/uni_file_info.h"
#include "sqlite/folder_vfs.h"
#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"
#include "text/path_text.h"

namespace {

// Wrappers that hold a connection right now. g_sqlite_api is process-wide: emptying it
// while any of them is open would leave that connection with no way to run a statement or
// even to close, so the table is emptied only when this count is 0.
int open_wrapper_count = 0;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

// Read-only connections are never used by two threads at once, so the library's lock
// around every call on them only costs time: a row read takes several calls.
constexpr int read_only_flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;

// The URI query that opens a file in place without locks, journal or log (RFC 3986 query,
// as the library reads it).
constexpr const char* immutable_query = "?immutable=1";

// RFC 3986 unreserved characters pass as they are; every other byte, the separators '/',
// '?', '#' and '%' included, is escaped, so that the library decodes the exact path back.
bool is_unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

std::string immutable_uri(const std::string& path) {
    constexpr std::string_view hex_digits = "0123456789ABCDEF";
    std::string uri = "file:";
    uri.reserve(uri.size() + path.size() * 3 + std::string_view(immutable_query).size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (is_unreserved(c)) {
            uri += ch;
            continue;
        }
        uri += '%';
        uri += hex_digits[c >> 4U];
        uri += hex_digits[c & 0x0FU];
    }
    uri += immutable_query;
    return uri;
}

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

namespace {

// SQLite hands back a connection even when the open fails (it carries the error), and
// that connection must be closed once; sqlite3_close(null) is a harmless no-op.
bool opened(sqlite3** handle, int result) {
    if (result == SQLITE_OK) {
        return true;
    }
    if (*handle != nullptr && g_sqlite_api.sqlite3_close != nullptr) {
        (void)g_sqlite_api.sqlite3_close(*handle);  // the open already failed
    }
    *handle = nullptr;
    return false;
}

// An open of name with these flags, through the file layer named vfs (null: the default).
bool open_v2(sqlite3** handle, const std::string& name, int flags, const char* vfs) {
    *handle = nullptr;
    if (g_sqlite_api.sqlite3_open_v2 == nullptr) {
        return false;
    }
    return opened(handle, g_sqlite_api.sqlite3_open_v2(name.c_str(), handle, flags, vfs));
}

}  // namespace

bool sqlite_wrapper::open_db(sqlite3** handle, const std::string& path, bool read_only) {
    m_read_only = read_only;
    if (handle == nullptr) {
        return false;
    }
    if (read_only) {
        return open_v2(handle, path, read_only_flags, nullptr);
    }
    *handle = nullptr;
    if (g_sqlite_api.sqlite3_open == nullptr) {
        return false;
    }
    return opened(handle, g_sqlite_api.sqlite3_open(path.c_str(), handle));
}

void sqlite_wrapper::close_db() {
    if (m_db != nullptr && g_sqlite_api.sqlite3_close != nullptr) {
        if (g_sqlite_api.sqlite3_close(m_db) != SQLITE_OK) {
            // A connection the library could not close still reads through its layer:
            // that layer stays registered, and its memory is given up with it.
            (void)m_vfs.release();
        }
        init();
    }
    if (m_db == nullptr && m_vfs != nullptr) {
        m_vfs->uninstall();
    }
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
    const std::string name = path;
    return open_existing(std::move(path), name, 0);
}

bool sqlite_wrapper::open_immutable(std::string path) {
    const std::string uri = immutable_uri(path);
    return open_existing(std::move(path), uri, SQLITE_OPEN_URI);
}

bool sqlite_wrapper::open_existing(std::string path, const std::string& name, int flags) {
    if (m_open && m_db != nullptr) {
        close_db();
    }
    init();
    if (!path.empty()) {
        m_db_path = std::move(path);
        if (kqportdir::file_exists(m_db_path)) {
            (void)resolve_symbols(nullptr);  // always true
            m_read_only = true;
            set_open(open_v2(&m_db, name, read_only_flags | flags, nullptr));
        }
    }
    if (!m_open) {
        close_db();
        (void)unload_library();  // no library is held when SQLite is linked in
        (void)release_symbols();
    }
    return m_open;
}

bool sqlite_wrapper::open_confined(std::string path, const std::string& folder, bool read_write) {
    if (m_open && m_db != nullptr) {
        close_db();
    }
    init();
    m_vfs.reset();
    if (!path.empty()) {
        m_db_path = std::move(path);
        if (kqportdir::file_exists(m_db_path)) {
            (void)resolve_symbols(nullptr);  // always true
            m_read_only = !read_write;
            // Never created: the copy is there, and a missing one is no database to read.
            const int flags =
                read_write ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX : read_only_flags;
            m_vfs = std::unique_ptr<folder_vfs>(new (std::nothrow) folder_vfs);
            set_open(m_vfs != nullptr && m_vfs->install(folder) &&
                     open_v2(&m_db, m_db_path, flags, m_vfs->name().c_str()));
        }
    }
    if (!m_open) {
        close_db();
        (void)unload_library();  // no library is held when SQLite is linked in
        (void)release_symbols();
    }
    return m_open;
}

const std::vector<std::string>& sqlite_wrapper::refused_names() const {
    static const std::vector<std::string> none;
    return m_vfs != nullptr ? m_vfs->refused() : none;
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
