#pragma once
// file_entry and file_entry_ex: one file as the operating system describes it (path, inode,
// size, times, mode and the kind of those times), plus attribute bits, a status byte and two
// caller-filled lists. Plain value types: copied, embedded and cleared, never shared.

#include <sys/stat.h>

#include <string>
#include <vector>

#include "text/kq_types.h"

namespace file_time_kind {
// `kq::type_time` kinds a record's four times can carry.
inline constexpr uint64 none = 0;
inline constexpr uint64 filetime = 1;
// Signed: a time before 1970 (a file stamped 1965) is a negative number of seconds, not a
// kind of its own; kind 16 means Unix milliseconds elsewhere.
inline constexpr uint64 unix_seconds = 8;
}  // namespace file_time_kind

namespace file_attribute {
inline constexpr uint64 unix_times = 2;
inline constexpr uint64 filetime_times = 4;
inline constexpr uint64 directory = 8;
}  // namespace file_attribute

struct file_entry {
    file_entry() { clear(); }

    // Empties path and text; every other field 0 or false, the time kind too.
    void clear();

    std::string m_path;  // UTF-8; names that are not UTF-8 keep their own bytes
    uint64 m_inode = 0;
    uint16 m_sequence = 0;  // for sources that number their entries; stat leaves it 0
    uint64 m_size = 0;
    int64 m_modified = 0;
    // A fourth time for sources that have one; stat leaves it 0. The options' file filter
    // compares it, like the modified time, with its time window.
    int64 m_birth = 0;
    int64 m_changed = 0;
    int64 m_accessed = 0;
    uint64 m_mode = 0;  // st_mode, high half 0
    uint64 m_time_kind = file_time_kind::none;
    bool m_is_dir = false;
    bool m_dir_row = false;     // for sources that list directory rows; cleared and copied
    bool m_raw_source = false;  // for sources read from raw file-system data; cleared and copied
    uint32 m_offset_low = 0;    // a 64-bit source offset, low word first; cleared and copied
    uint32 m_offset_high = 0;
    std::string m_text;  // a text the caller attaches; the loaders store theirs here
};

struct file_entry_ex : file_entry {
    file_entry_ex() { clear(); }
    // A record loaded at once through load_stat; a failed load leaves it cleared.
    file_entry_ex(const std::string& path, const struct stat64* info, const std::string& text) {
        (void)load_stat(path, info, text);  // callers test the fields, not a result
    }

    // file_entry::clear, then attribute bits, status and both lists.
    void clear();
    // Copies every field; a record without a time kind but with a modified time gets one:
    // FILETIME when its attribute bits say so (any of 0x35), else Unix seconds.
    void assign(const file_entry_ex& other);

    // Stats the path (links followed) and fills the record; the attribute bits are ADDED to
    // (callers clear a record before loading it again). False for an empty path or a failed
    // stat; the attribute bits, status and lists then stay as they were.
    [[nodiscard]] bool load_path(const std::wstring& path, const std::string& text);
    [[nodiscard]] bool load_path(const std::string& path, const std::string& text);

    // Clears the record; fills it from `info` when given (time kind left 0), else through
    // load_path. False for an empty path.
    [[nodiscard]] bool load_stat(const std::wstring& path, const struct stat64* info,
                                 const std::string& text);
    [[nodiscard]] bool load_stat(const std::string& path, const struct stat64* info,
                                 const std::string& text);

    uint64 m_attributes = 0;  // file_attribute bits; other bits are the callers' own
    uint8 m_status = 0;       // its meaning belongs to the callers
    std::vector<std::string> m_attr_names;
    std::vector<std::string> m_attr_values;
};
