#pragma once
// folder_vfs: a file layer for the SQLite library that keeps it inside one folder.
//
// The library reads names out of the files it opens: a rollback journal may end with the
// name of a super-journal, which the library looks for, opens and deletes while it rolls
// the journal back, wherever that name points (a relative name from the working folder).
// A private copy of evidence must not let its bytes steer the library to any other file.
// This layer lies over the default one and hands every call through unchanged, except
// that an open (for reading too: a FIFO would block, a device be read), a delete or an
// existence test of a name that does not lead into the folder is refused: the open and
// the delete fail, and the test says the file is not there, so a rollback never reaches
// for it. Names are judged as the system would reach them: from the working folder, "."
// and ".." and every link resolved, the last component too when it is a link. The refused
// names are kept, as the library gave them, for the caller to say.
//
// Registered under a name of its own, never as the default, so only a connection opened
// with that name goes through it. Reached through g_sqlite_vfs_api (sqlite/sqlite_api.h).

#include <sqlite3.h>

#include <string>
#include <vector>

class folder_vfs {
public:
    folder_vfs() = default;
    ~folder_vfs();
    folder_vfs(const folder_vfs&) = delete;
    folder_vfs& operator=(const folder_vfs&) = delete;
    folder_vfs(folder_vfs&&) = delete;
    folder_vfs& operator=(folder_vfs&&) = delete;

    // Registers the layer over the default one, confined to folder (resolved here). False,
    // nothing registered, when the folder cannot be resolved, no default layer is found,
    // the entry points are not filled, or the library refuses the registration.
    [[nodiscard]] bool install(const std::string& folder);
    // Unregisters the layer; nothing when it is not registered. The refused names stay.
    void uninstall();

    // The name to open a connection with; "" until installed.
    [[nodiscard]] const std::string& name() const { return m_name; }
    [[nodiscard]] bool installed() const { return m_registered; }
    // Every name refused since install, once each, in the order first met.
    [[nodiscard]] const std::vector<std::string>& refused() const { return m_refused; }
    // Whether name leads into the folder (see above); false for an empty name.
    [[nodiscard]] bool leads_inside(const char* name) const;
    // The default layer every call is handed to; null until installed.
    [[nodiscard]] sqlite3_vfs* base() const { return m_base; }

private:
    static int open_file(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags,
                         int* out_flags);
    static int delete_file(sqlite3_vfs* vfs, const char* name, int sync_dir);
    static int access_file(sqlite3_vfs* vfs, const char* name, int flags, int* result);
    static folder_vfs& of(sqlite3_vfs* vfs);
    void refuse(const char* name);
    void fill_methods();

    sqlite3_vfs m_vfs{};
    sqlite3_vfs* m_base = nullptr;
    decltype(&::sqlite3_vfs_unregister) m_unregister = nullptr;
    std::string m_folder;
    std::string m_name;
    std::vector<std::string> m_refused;
    bool m_registered = false;
};
