#pragma once
// kq_libload_base: holds a shared library loaded with dlopen and has its derived class bind
// and drop the functions it needs. velk links SQLite into the program, so its one derived
// class (sqlite_wrapper) never loads anything and the handle stays null; the loader is kept
// for builds that take the entry points from a shared object instead.

#include <string>

// dlclose of a handle; false for a null handle, else whether dlclose returned 0.
[[nodiscard]] bool close_library_handle(void* handle);

class kq_libload_base {
public:
    kq_libload_base();
    virtual ~kq_libload_base();
    kq_libload_base(const kq_libload_base&) = delete;
    kq_libload_base& operator=(const kq_libload_base&) = delete;
    kq_libload_base(kq_libload_base&&) = delete;
    kq_libload_base& operator=(kq_libload_base&&) = delete;

    // Binds the functions the derived class needs from the library handle.
    [[nodiscard]] virtual bool resolve_symbols(void* handle) = 0;
    // Drops every bound function and leaves no library handle behind.
    virtual bool release_symbols() = 0;

    // Handle null, library path empty.
    void clear();
    // dlopen(path, RTLD_LAZY) for a non-empty path, else null.
    [[nodiscard]] void* open_library(const std::string& path);
    // dlsym for a non-empty name, else null.
    [[nodiscard]] void* get_symbol(void* handle, const std::string& name);
    // close_library_handle on the held handle; the handle itself is kept as it was.
    [[nodiscard]] bool unload_library();
    // True at once when a library is already held. Otherwise opens the path and has the
    // derived class bind its functions; on success the path is kept and the result is true,
    // on failure the library is closed once, every binding dropped and the result false.
    // Whether dlopen worked is for resolve_symbols to judge.
    [[nodiscard]] bool load_library(const std::string& path);

    [[nodiscard]] void* library_handle() const { return m_library_handle; }
    [[nodiscard]] const std::string& library_path() const { return m_library_path; }

protected:
    void* m_library_handle = nullptr;
    std::string m_library_path;
};
