#pragma once
// Folder creation, whole-file reads and writes, stdio opens from wide paths, stat queries
// and file times, the running program's path and the size of a standard stream. Wide paths
// cross to bytes through the reversible path form, so names that are not UTF-8 still work.
// Failures are reported by the result only; nothing is printed.

#include <cstdio>
#include <iosfwd>
#include <string>

#include "text/kq_types.h"

namespace kqportdir {

// Creates one folder with mode 0777 under the process's umask (which is left alone). True
// when a folder exists at the path afterwards, also when it was there already; false when
// something else (a file) holds the name.
[[nodiscard]] bool make_dir(const std::string& path);
[[nodiscard]] bool make_dir_w(const std::wstring& path);

// Creates every folder of a path, the last component included. Quotes are dropped, a
// "\\?\" or "\\.\" prefix is kept in front of every folder, '\' becomes '/', and empty
// components and drive letters ("C:") are not created. Stops with false at the first folder
// that cannot be made; the folders made before it stay.
[[nodiscard]] bool make_dir_path(std::string path);
[[nodiscard]] bool make_dir_path_w(const std::wstring& path);

// Empties out, then reads min(max, size) bytes from offset 0 (files past 4 GiB: max bytes).
// True when all of them were read and out is not empty; a short or failed read gives false
// and leaves the bytes that did arrive in out.
[[nodiscard]] bool read_file(byte_array& out, const std::string& path, uint32 max);
[[nodiscard]] bool read_file_w(byte_array& out, const std::wstring& path, uint32 max);

// Creates the path's folders, then creates or truncates the file and writes the bytes (none
// for a null pointer or a length of 0). False when any step, the write or the close fails.
[[nodiscard]] bool write_file(const char* path, const void* data, uint64 length);
[[nodiscard]] bool write_file_w(const wchar_t* path, const void* data, uint64 length);

// fopen of a wide path: "w+" when write or write_new is set, else "r" ("rb" with
// byte_mode). out is null unless the open succeeds.
[[nodiscard]] bool open_file_w(FILE*& out, const std::wstring& path, bool write, bool ignored,
                               bool write_new, bool byte_mode);
[[nodiscard]] bool open_file_write_w(FILE*& out, const std::wstring& path, bool byte_mode);
[[nodiscard]] bool open_file_read_w(FILE*& out, const std::wstring& path, bool byte_mode);

// stat64 (links followed): size, st_mode and the three times as Unix seconds. Every output
// is zeroed first; false for an empty or null path or a failed stat.
[[nodiscard]] bool get_file_stat_w(const std::wstring& path, uint64& size, uint32& mode,
                                   int64& created, int64& modified, int64& accessed);
[[nodiscard]] bool get_file_stat(const std::string& path, uint64& size, uint32& mode,
                                 int64& created, int64& modified, int64& accessed);
[[nodiscard]] bool get_file_stat_cstr(const char* path, uint64& size, uint32& mode, int64& created,
                                      int64& modified, int64& accessed);

// As get_file_stat, with the times as FILETIME values.
[[nodiscard]] bool get_file_times(const std::string& path, uint64& size, uint32& mode,
                                  uint64& created, uint64& modified, uint64& accessed);
[[nodiscard]] bool get_file_times_w(const std::wstring& path, uint64& size, uint32& mode,
                                    uint64& created, uint64& modified, uint64& accessed);

// The target of /proc/self/exe, of any length; "" when it cannot be read.
[[nodiscard]] std::string get_program_path();
[[nodiscard]] std::wstring get_program_path_w();

// Size of a seekable stream; the position and a cleared state are restored afterwards. 0
// for a stream that cannot tell its position.
[[nodiscard]] uint64 stream_size(std::ostream& stream);
[[nodiscard]] uint64 istream_size(std::istream& stream);

// Empties the text; false.
bool clear_text(std::string& text);

}  // namespace kqportdir
