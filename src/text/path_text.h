#pragma once
// Path text: splitting a path into folder, file name and extension, stripping trailing
// separators and line ends, and testing locale names. Paths keep Windows habits: the
// backslash is the preferred separator, and '/' counts only in a path that holds no
// backslash, so a Windows path copied from a case file splits the way the examiner reads it.

#include <string>

// Folder and file name of a path; false (outputs empty) for an empty path. A separator at
// index 0 gives the folder "." and the whole path as the name; a final ".." becomes the
// name "." with the ".." kept on the folder.
[[nodiscard]] bool split_path(const std::string& path, std::string& directory,
                              std::string& file_name);
[[nodiscard]] bool wsplit_path(const std::wstring& path, std::wstring& directory,
                               std::wstring& file_name);
[[nodiscard]] bool split_path_cstr(const char* path, std::string& directory,
                                   std::string& file_name);

// Folder, base name and extension (cut at the last '.', the point itself dropped).
[[nodiscard]] bool split_file_name(const char* path, std::string& directory,
                                   std::string& base_name, std::string& extension);
[[nodiscard]] bool split_file_name_w(const std::wstring& path, std::wstring& directory,
                                     std::wstring& base_name, std::wstring& extension);

// Erase every '/' and '\' at the end; true when something remains.
bool strip_trailing_slashes(std::string& text);
bool strip_trailing_slashes_w(std::wstring& text);

// Erase every CR and LF at the end; the count erased.
int strip_trailing_newlines(std::string& text);

// True when a std::locale can be built from the name.
[[nodiscard]] bool is_locale_name(const char* name);
