#include "sqlite/folder_vfs.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <new>

#include "io/uni_path.h"
#include "sqlite/sqlite_api.h"

namespace {

// Every call but the three that reach files by name goes to the default layer as it is,
// with the default layer as its own argument, so the library sees no difference.
sqlite3_vfs* base_of(sqlite3_vfs* vfs) { return static_cast<folder_vfs*>(vfs->pAppData)->base(); }

int full_pathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xFullPathname(base, name, size, out);
}

void* dl_open(sqlite3_vfs* vfs, const char* name) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xDlOpen(base, name);
}

void dl_error(sqlite3_vfs* vfs, int size, char* message) {
    sqlite3_vfs* base = base_of(vfs);
    base->xDlError(base, size, message);
}

void (*dl_sym(sqlite3_vfs* vfs, void* handle, const char* symbol))() {
    sqlite3_vfs* base = base_of(vfs);
    return base->xDlSym(base, handle, symbol);
}

void dl_close(sqlite3_vfs* vfs, void* handle) {
    sqlite3_vfs* base = base_of(vfs);
    base->xDlClose(base, handle);
}

int randomness(sqlite3_vfs* vfs, int size, char* out) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xRandomness(base, size, out);
}

int sleep_for(sqlite3_vfs* vfs, int microseconds) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xSleep(base, microseconds);
}

int current_time(sqlite3_vfs* vfs, double* now) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xCurrentTime(base, now);
}

int last_error(sqlite3_vfs* vfs, int size, char* out) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xGetLastError(base, size, out);
}

int current_time_int64(sqlite3_vfs* vfs, sqlite3_int64* now) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xCurrentTimeInt64(base, now);
}

int set_system_call(sqlite3_vfs* vfs, const char* name, sqlite3_syscall_ptr call) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xSetSystemCall(base, name, call);
}

sqlite3_syscall_ptr get_system_call(sqlite3_vfs* vfs, const char* name) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xGetSystemCall(base, name);
}

const char* next_system_call(sqlite3_vfs* vfs, const char* name) {
    sqlite3_vfs* base = base_of(vfs);
    return base->xNextSystemCall(base, name);
}

// The folder a resolved path lies in.
std::string parent_of(const std::string& resolved) {
    const std::size_t slash = resolved.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : resolved.substr(0, slash);
}

}  // namespace

folder_vfs::~folder_vfs() { uninstall(); }

folder_vfs& folder_vfs::of(sqlite3_vfs* vfs) { return *static_cast<folder_vfs*>(vfs->pAppData); }

bool folder_vfs::leads_inside(const char* name) const {
    if (name == nullptr || *name == '\0' || m_folder.empty()) {
        return false;
    }
    const std::string path(name);
    const std::size_t slash = path.rfind('/');
    const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    if (leaf.empty() || leaf == "." || leaf == "..") {
        return false;
    }
    std::string dir = ".";  // a bare name lies in the working folder
    if (slash != std::string::npos) {
        dir = slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    std::string real_dir;
    if (uni::resolve_path(dir, real_dir) != 0 || real_dir != m_folder) {
        return false;
    }
    const std::string full = real_dir + "/" + leaf;
    struct stat info {};
    if (::lstat(full.c_str(), &info) != 0) {
        return errno == ENOENT;  // a file the library may make, in the folder
    }
    if (!S_ISLNK(info.st_mode)) {
        return true;
    }
    // A link is followed by the open; a dangling one would have its target created.
    std::string target;
    return uni::resolve_path(full, target) == 0 && parent_of(target) == m_folder;
}

void folder_vfs::refuse(const char* name) {
    try {
        const std::string text(name);
        if (std::find(m_refused.begin(), m_refused.end(), text) == m_refused.end()) {
            m_refused.push_back(text);
        }
    } catch (const std::bad_alloc&) {
        // The refusal stands; only its mention is lost. Nothing may throw into the library.
    }
}

int folder_vfs::open_file(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags,
                          int* out_flags) {
    folder_vfs& self = of(vfs);
    // A file without a name is the library's own scratch file: the library picks its name
    // and removes it on close; no byte of the copy chooses where it goes.
    if (name != nullptr && !self.leads_inside(name)) {
        self.refuse(name);
        file->pMethods = nullptr;  // the library closes only a file whose open succeeded
        return SQLITE_CANTOPEN;
    }
    return self.m_base->xOpen(self.m_base, name, file, flags, out_flags);
}

int folder_vfs::delete_file(sqlite3_vfs* vfs, const char* name, int sync_dir) {
    folder_vfs& self = of(vfs);
    if (!self.leads_inside(name)) {
        self.refuse(name);
        return SQLITE_IOERR_DELETE;
    }
    return self.m_base->xDelete(self.m_base, name, sync_dir);
}

int folder_vfs::access_file(sqlite3_vfs* vfs, const char* name, int flags, int* result) {
    folder_vfs& self = of(vfs);
    if (!self.leads_inside(name)) {
        // Not there, as far as the library can tell: a journal whose super-journal is
        // missing is finished without reaching for it.
        self.refuse(name);
        *result = 0;
        return SQLITE_OK;
    }
    return self.m_base->xAccess(self.m_base, name, flags, result);
}

void folder_vfs::fill_methods() {
    const sqlite3_vfs& base = *m_base;
    m_vfs = sqlite3_vfs{};
    m_vfs.iVersion = std::min(base.iVersion, 3);
    m_vfs.szOsFile = base.szOsFile;  // the default layer's file objects, unchanged
    m_vfs.mxPathname = base.mxPathname;
    m_vfs.zName = m_name.c_str();
    m_vfs.pAppData = this;
    m_vfs.xOpen = &folder_vfs::open_file;
    m_vfs.xDelete = &folder_vfs::delete_file;
    m_vfs.xAccess = &folder_vfs::access_file;
    m_vfs.xFullPathname = &full_pathname;
    m_vfs.xDlOpen = base.xDlOpen != nullptr ? &dl_open : nullptr;
    m_vfs.xDlError = base.xDlError != nullptr ? &dl_error : nullptr;
    m_vfs.xDlSym = base.xDlSym != nullptr ? &dl_sym : nullptr;
    m_vfs.xDlClose = base.xDlClose != nullptr ? &dl_close : nullptr;
    m_vfs.xRandomness = &randomness;
    m_vfs.xSleep = &sleep_for;
    m_vfs.xCurrentTime = &current_time;
    m_vfs.xGetLastError = base.xGetLastError != nullptr ? &last_error : nullptr;
    if (m_vfs.iVersion >= 2 && base.xCurrentTimeInt64 != nullptr) {
        m_vfs.xCurrentTimeInt64 = &current_time_int64;
    }
    if (m_vfs.iVersion >= 3) {
        m_vfs.xSetSystemCall = base.xSetSystemCall != nullptr ? &set_system_call : nullptr;
        m_vfs.xGetSystemCall = base.xGetSystemCall != nullptr ? &get_system_call : nullptr;
        m_vfs.xNextSystemCall = base.xNextSystemCall != nullptr ? &next_system_call : nullptr;
    }
}

bool folder_vfs::install(const std::string& folder) {
    uninstall();
    m_refused.clear();
    m_folder.clear();
    const sqlite_vfs_api_table& api = g_sqlite_vfs_api;
    if (api.sqlite3_vfs_find == nullptr || api.sqlite3_vfs_register == nullptr ||
        api.sqlite3_vfs_unregister == nullptr || folder.empty() ||
        uni::resolve_path(folder, m_folder) != 0) {
        m_folder.clear();
        return false;
    }
    m_base = api.sqlite3_vfs_find(nullptr);
    if (m_base == nullptr || m_base->xOpen == nullptr) {
        m_base = nullptr;
        return false;
    }
    // Named after this object, so layers of several open wrappers never share a name.
    std::array<char, 40> name{};
    (void)std::snprintf(name.data(), name.size(), "velk-folder-%p", static_cast<void*>(this));
    m_name = name.data();
    fill_methods();
    if (api.sqlite3_vfs_register(&m_vfs, 0) != SQLITE_OK) {
        m_name.clear();
        m_base = nullptr;
        return false;
    }
    m_unregister = api.sqlite3_vfs_unregister;
    m_registered = true;
    return true;
}

void folder_vfs::uninstall() {
    if (!m_registered) {
        return;
    }
    // The entry kept at install: the shared table may have been emptied since.
    (void)m_unregister(&m_vfs);  // fails only for a layer that is not registered
    m_registered = false;
    m_name.clear();
}
