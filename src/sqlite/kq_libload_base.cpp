#include "sqlite/kq_libload_base.h"

#include <dlfcn.h>

bool close_library_handle(void* handle) {
    if (handle == nullptr) {
        return false;
    }
    return ::dlclose(handle) == 0;
}

kq_libload_base::kq_libload_base() { clear(); }

kq_libload_base::~kq_libload_base() {
    if (m_library_handle != nullptr) {
        (void)unload_library();  // nothing is left to report a failed dlclose to
    }
}

void kq_libload_base::clear() {
    m_library_handle = nullptr;
    m_library_path.clear();
}

void* kq_libload_base::open_library(const std::string& path) {
    if (path.empty()) {
        return nullptr;
    }
    return ::dlopen(path.c_str(), RTLD_LAZY);
}

void* kq_libload_base::get_symbol(void* handle, const std::string& name) {
    if (name.empty()) {
        return nullptr;
    }
    return ::dlsym(handle, name.c_str());
}

bool kq_libload_base::unload_library() { return close_library_handle(m_library_handle); }

bool kq_libload_base::load_library(const std::string& path) {
    if (m_library_handle != nullptr) {
        return true;
    }
    m_library_handle = open_library(path);
    if (resolve_symbols(m_library_handle)) {
        m_library_path = path;
        return true;
    }
    (void)unload_library();  // a failed dlopen left nothing to close; either way we go on
    (void)release_symbols();
    return false;
}
