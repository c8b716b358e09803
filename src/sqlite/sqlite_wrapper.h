#pragma once
// sqlite_wrapper: one SQLite connection with its path, opened read-only (the analyser's live
// tables) or read-write (a results database), and closed again. Every call goes through
// g_sqlite_api (sqlite/sqlite_api.h).
//
// The table is shared by every wrapper. An open fills it; it is emptied only when no
// wrapper holds a connection any more, so closing one connection never pulls the entry
// points from under another that is still in use.

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "sqlite/kq_libload_base.h"
#include "text/kq_types.h"

class folder_vfs;

class sqlite_wrapper : public kq_libload_base {
public:
    sqlite_wrapper();
    ~sqlite_wrapper() override;
    sqlite_wrapper(const sqlite_wrapper&) = delete;
    sqlite_wrapper& operator=(const sqlite_wrapper&) = delete;
    sqlite_wrapper(sqlite_wrapper&&) = delete;
    sqlite_wrapper& operator=(sqlite_wrapper&&) = delete;

    // Fills g_sqlite_api from the library linked into the program; the handle is ignored,
    // so nothing is looked up in a loaded library even when one is held. Always true.
    [[nodiscard]] bool resolve_symbols(void* handle) override;
    // Empties g_sqlite_api (unless another wrapper still holds a connection) and drops the
    // library handle.
    bool release_symbols() override;
    // Read-write open that creates the file and its missing folders. The context pointer
    // and the library name are not used. True when the database is open. Both opens take
    // their strings by value, as derived classes override them.
    [[nodiscard]] virtual bool open(void* context, std::string path, std::string library_name);
    // Read-only open of an existing file; the library name is not used (the SQLite entry
    // points are linked in). True when the database is open; on failure nothing is left
    // open.
    [[nodiscard]] virtual bool open_readonly(std::string path, std::string library_name);
    // As open_readonly, for a file that nothing changes while it is open and that has no
    // "-wal" or "-journal" to read: opened in place as immutable, so the library takes no
    // lock and creates no file beside it, even in a folder it may write to. The path may
    // hold any byte; it is handed over as a "file:" URI with every byte but the unreserved
    // ones percent-escaped.
    [[nodiscard]] bool open_immutable(std::string path);
    // As open_readonly, for a private copy of evidence: the library reaches files through a
    // layer confined to folder (sqlite/folder_vfs.h), so no name the copied files hold can
    // make it open, create or delete a file outside the folder. With read_write the copy
    // is opened for writing (never created), so a hot journal beside it can be rolled
    // back. False, nothing left open or registered, when the file is missing, the layer
    // cannot be registered or the library refuses the open.
    [[nodiscard]] bool open_confined(std::string path, const std::string& folder, bool read_write);
    // The names the confined layer of the last open_confined refused, once each, in the
    // order met; kept after the close, emptied by the next open_confined.
    [[nodiscard]] const std::vector<std::string>& refused_names() const;

    // Open flags false, no connection, empty path, run time 0.
    void init();
    // Opens path into *handle, read-only with sqlite3_open_v2 or read-write (creating the
    // file) with sqlite3_open. On failure the connection SQLite handed back is closed and
    // *handle is null.
    [[nodiscard]] bool open_db(sqlite3** handle, const std::string& path, bool read_only);
    // Closes the connection, unregisters its confined layer and runs init; g_sqlite_api is
    // left as it is.
    void close_db();
    // Closes an open connection and releases the entry points; nothing when none is open.
    void close();

    // "select `c1`,`c2` from [table];" (a leading "*" unquoted) into rows; the column list
    // is lengthened and overwritten with the result's column names. True when rows came
    // back; false when the wrapper is not open, the table name is empty or the query fails.
    [[nodiscard]] bool select_columns(std::vector<std::vector<std::string>>& rows,
                                      std::vector<std::string>& columns, const std::string& table);

    // True when a shared library is held (never, with SQLite linked into the program).
    [[nodiscard]] bool has_library() const { return m_library_handle != nullptr; }

    [[nodiscard]] bool is_open() const { return m_open; }
    [[nodiscard]] bool is_read_only() const { return m_read_only; }
    [[nodiscard]] sqlite3* handle() const { return m_db; }
    [[nodiscard]] const std::string& db_path() const { return m_db_path; }
    void set_db_path(const std::string& path) { m_db_path = path; }
    [[nodiscard]] int64 run_time() const { return m_run_time; }
    void set_run_time(int64 value) { m_run_time = value; }

protected:
    // The common steps of the read-only opens: the path is stored and must name an existing
    // file; name is what the library opens, with flags added to read-only.
    [[nodiscard]] bool open_existing(std::string path, const std::string& name, int flags);

    // The only writer of m_open: keeps the count of open wrappers that decides when the
    // shared table may be emptied.
    void set_open(bool open);

    bool m_open = false;
    bool m_read_only = false;
    sqlite3* m_db = nullptr;
    std::string m_db_path;
    // The results database keeps the FILETIME of its current run here.
    int64 m_run_time = 0;
    // The file layer of a confined open; it outlives the connection it serves.
    std::unique_ptr<folder_vfs> m_vfs;
};
