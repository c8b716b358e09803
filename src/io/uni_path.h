#pragma once
// The current folder and absolute paths. Paths keep Windows habits: '/' or '\' may
// separate, and the separator a path already uses is the one its absolute form gets.

#include <string>

namespace uni {

// The current folder, of any length; "" when it cannot be found. The wide form holds the
// same bytes through the reversible path form, so a folder named in no valid UTF-8 still
// comes back to its own name.
[[nodiscard]] std::string get_current_dir();
[[nodiscard]] std::wstring get_current_dir_w();

// Absolute form of a path. Double quotes (and single quotes, when there are two or more)
// become blanks and blanks are trimmed; the separator is '/' when the path holds one, else
// '\' when it holds one, else default_separator. A path that begins with the separator
// comes back unchanged. A relative path is put after the current folder and its "." and
// ".." components are resolved by name, one by one (".." at the root stays there); a path
// ending in a separator, "." or ".." keeps a separator at the end. A path with a drive
// letter ("C:...") is resolved without the current folder. "" for an empty path, and for a
// relative one when the current folder is unknown.
[[nodiscard]] std::string get_full_path(std::string path, char default_separator);
[[nodiscard]] std::wstring get_full_path(const std::wstring& path, wchar_t default_separator);

// The file a path reaches: absolute, every link and "." or ".." component resolved by the
// system (realpath), of any length the system takes. 0 with resolved filled, else the
// system's errno (a dangling link or a missing file gives ENOENT, a loop ELOOP, a path
// longer than the system takes ENAMETOOLONG) with resolved empty. A NUL inside the path
// gives EINVAL: the system would read a shorter name.
[[nodiscard]] int resolve_path(const std::string& path, std::string& resolved);

}  // namespace uni
