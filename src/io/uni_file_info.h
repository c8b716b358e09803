#pragma once
// Stat-based queries on paths: a raw stat, the directory test, the existence test, the
// inode, and the stat filler of file_entry. Links are followed everywhere here. Failures
// come back as -1, false or 0; nothing is printed.

#include <sys/stat.h>

#include <string>

#include "io/file_entry.h"
#include "text/kq_types.h"

namespace uni {

// stat64 of a path given as bytes; 0 on success, -1 on failure (also for a null path). The
// record is cleared before the call.
[[nodiscard]] int stat_path(const char* path, struct stat64* out);
// The same for a NUL-terminated wide path.
[[nodiscard]] int stat_path_w(const wchar_t* path, struct stat64* out);
[[nodiscard]] bool stat_path(struct stat64& out, const std::wstring& path);
// Trailing '/' and '\' are removed first ("/" itself stays the root).
[[nodiscard]] bool stat_path(struct stat64& out, const std::string& path);

// True for a folder only: the file-type field must say directory, so block devices,
// sockets and other types whose code shares the 0x4000 bit are not folders. The narrow
// form strips trailing separators; the wide form takes the path as it is.
[[nodiscard]] bool is_directory(const std::string& path);
[[nodiscard]] bool is_directory(const std::wstring& path);
[[nodiscard]] bool is_directory_mode(uint64 mode);
// What kind of file a st_mode names, for a message that refuses it ("a FIFO", "a folder",
// "a character device" ...); null for a regular file.
[[nodiscard]] const char* special_file_kind(uint64 mode);

// st_ino, or 0 when the stat fails.
[[nodiscard]] uint64 get_inode(const std::wstring& path);
[[nodiscard]] uint64 get_inode(const std::string& path);

// Clears the record, then fills mode, inode, size, the three stat times (signed Unix
// seconds: negative before 1970), the directory flag and the time kind (8, Unix seconds).
// The path field is left to the caller. False for an empty path or a failed stat.
[[nodiscard]] bool get_file_info(file_entry& entry, const std::wstring& path);

}  // namespace uni

namespace kqportdir {

// False for an empty path, else whether stat64 succeeds (links followed; folders count).
[[nodiscard]] bool file_exists(const std::string& path);
[[nodiscard]] bool file_exists_w(const std::wstring& path);

}  // namespace kqportdir
