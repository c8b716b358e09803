#pragma once
// Overwriting a file's bytes in place before it is removed: with zeros, with zeros stamped
// with a marker every 4096 bytes, or with zeros over exactly its length. They act only on
// an existing regular file, opened without following a final link (a link planted in a
// folder being wiped must never carry the overwrite to its target), and sync the bytes to
// disk before closing, so a shrink that follows cannot drop them.

#include <string>

#include "text/kq_types.h"

namespace uni {

// Zero blocks of 512 bytes over the whole file; the last block is written whole, so the
// length becomes a multiple of 512. False for an empty file, a failed open or write.
[[nodiscard]] bool overwrite_file_zeros(const std::wstring& path);
[[nodiscard]] bool overwrite_file_zeros(const std::string& path);
// The same, with the pattern and a 32-bit little-endian count (0, 1, 2 ...) after it at the
// start of every 4096-byte block; each stamp is cut to its 512-byte block.
[[nodiscard]] bool overwrite_file_pattern(const std::wstring& path, const byte_array& pattern);
[[nodiscard]] bool overwrite_file_pattern(const std::string& path, const byte_array& pattern);
// Zeros over exactly the file's length.
[[nodiscard]] bool zero_file(const std::string& path);

}  // namespace uni
