#pragma once
// Reading a file whole and writing a file anew without ever leaving it half written: the
// bytes go to a temporary file in the destination's own folder, every write is checked, and
// only a complete copy is renamed over the destination. A failed rewrite leaves the old file
// as it was, so an examiner's source file cannot be lost to a full disk.

#include <string>
#include <string_view>

// Every byte of a file of at most 4 GiB - 1 bytes (empty files included). False when it
// cannot be opened, is larger, or is not read whole; out then holds no part of it.
[[nodiscard]] bool read_whole_file(const std::string& path, std::string& out);

// Replaces (or creates) path with bytes. An existing destination keeps its permission bits;
// a new one gets the default mode under the umask. A symbolic link or anything but a regular
// file is refused. False on any failure, with the destination untouched and no temporary
// file left behind.
[[nodiscard]] bool replace_file_contents(const std::string& path, std::string_view bytes);

// Writes every byte to standard output and flushes; false when any of it fails.
[[nodiscard]] bool write_to_stdout(std::string_view bytes);
