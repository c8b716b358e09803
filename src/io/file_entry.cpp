#include "io/file_entry.h"

#include "io/path_codec.h"
#include "io/uni_file_info.h"

void file_entry::clear() {
    m_path.clear();
    m_inode = 0;
    m_sequence = 0;
    m_size = 0;
    m_modified = 0;
    m_birth = 0;
    m_changed = 0;
    m_accessed = 0;
    m_mode = 0;
    m_time_kind = file_time_kind::none;
    m_is_dir = false;
    m_dir_row = false;
    m_raw_source = false;
    m_offset_low = 0;
    m_offset_high = 0;
    m_text.clear();
}

void file_entry_ex::clear() {
    file_entry::clear();
    m_attributes = 0;
    m_status = 0;
    m_attr_names.clear();
    m_attr_values.clear();
}

void file_entry_ex::assign(const file_entry_ex& other) {
    *this = other;
    // Bits of sources that keep FILETIMEs (0x4 among them); the rest carry Unix seconds.
    constexpr uint64 filetime_sources = 0x35;
    if (m_time_kind == file_time_kind::none && m_modified > 0) {
        m_time_kind = (m_attributes & filetime_sources) != 0 ? file_time_kind::filetime
                                                             : file_time_kind::unix_seconds;
    }
}

bool file_entry_ex::load_path(const std::wstring& path, const std::string& text) {
    if (!uni::get_file_info(*this, path)) {
        return false;
    }
    // get_file_info refuses a path without a byte form, so this conversion cannot fail.
    (void)uni::wide_path_to_narrow(path, m_path);
    // Added, not or-ed: callers clear the record before loading it again.
    if (m_is_dir) {
        m_attributes += file_attribute::directory;
    }
    if (m_time_kind == file_time_kind::filetime) {
        m_attributes += file_attribute::filetime_times;
    }
    if (m_time_kind == file_time_kind::unix_seconds) {
        m_attributes += file_attribute::unix_times;
    }
    if (!text.empty()) {
        m_text = text;
    }
    return true;
}

bool file_entry_ex::load_path(const std::string& path, const std::string& text) {
    return load_path(uni::narrow_path_to_wide(path), text);
}

bool file_entry_ex::load_stat(const std::wstring& path, const struct stat64* info,
                              const std::string& text) {
    clear();
    if (path.empty()) {
        return false;
    }
    if (info == nullptr) {
        return load_path(path, text);
    }
    // A character without a byte form keeps the part before it; the stat record, not the
    // path, is what this form describes.
    (void)uni::wide_path_to_narrow(path, m_path);
    m_inode = static_cast<uint64>(info->st_ino);
    m_size = static_cast<uint64>(info->st_size);
    m_modified = static_cast<int64>(info->st_mtime);
    m_changed = static_cast<int64>(info->st_ctime);
    m_accessed = static_cast<int64>(info->st_atime);
    m_mode = static_cast<uint32>(info->st_mode);
    m_attributes = file_attribute::unix_times;
    if (uni::is_directory_mode(m_mode)) {
        m_is_dir = true;
        m_attributes += file_attribute::directory;
    }
    m_text = text;
    return true;
}

bool file_entry_ex::load_stat(const std::string& path, const struct stat64* info,
                              const std::string& text) {
    return load_stat(uni::narrow_path_to_wide(path), info, text);
}
