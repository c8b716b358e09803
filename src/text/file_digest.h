#pragma once
// Whole-file digests: the file is read through uni::fileio in chunks of at most 16 MiB into
// one buffer, so files of any size hash in bounded memory, and with progress on each chunk
// redraws "percent done %4.2f" on the status line.
//
// A result is reported only for the whole file: an empty path, a file that cannot be opened
// (FIFOs and sockets are refused) or is empty, a chunk buffer that cannot be allocated, and a
// file that delivers fewer bytes than its size (cut short or vanished while read) all give
// false with the output untouched. A digest of part of a file must never pass for the
// file's.

#include <array>
#include <string>

#include "text/kq_types.h"

[[nodiscard]] bool sha1_file(const std::wstring& path, std::array<uint8, 20>& out, bool progress);
[[nodiscard]] bool sha1_file_utf8(const std::string& path, std::array<uint8, 20>& out,
                                  bool progress);
[[nodiscard]] bool md5_file(const std::wstring& path, std::array<uint8, 16>& out, bool progress);
[[nodiscard]] bool md5_file_utf8(const std::string& path, std::array<uint8, 16>& out,
                                 bool progress);
// The CRC-32 and Adler-32 forms store their final-text result into out.
[[nodiscard]] bool crc32_file(const std::wstring& path, uint32& out, bool progress);
[[nodiscard]] bool crc32_file_utf8(const char* path, uint32& out, bool progress);
[[nodiscard]] bool adler32_file(const std::wstring& path, uint32& out, bool progress);
// Without progress.
[[nodiscard]] bool adler32_file_utf8(const char* path, uint32& out);
// Without progress; writes "sha1: invalid parameters, aborting" (null path), "prob opening
// file %s, aborting" and "prob allocating heap, aborting" lines to standard output.
[[nodiscard]] bool sha256_file(const char* path, std::array<uint8, 32>& out);
