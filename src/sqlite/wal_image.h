#pragma once
// The database as SQLite would see it with its write-ahead log applied: the main file as it
// stands, overlaid by the current version of every page the log holds. The schema reader
// falls back on it when page 1 of the main file cannot be parsed.

#include <map>
#include <string>

#include "text/kq_types.h"

namespace uni {
class fileio;
}

// The most an image may hold, and the smallest log refused. A memory-mode file holds up to
// 4 GiB; half of that keeps the image and the reader's own buffers within reach of an
// examiner's machine, and a push-notification database is far smaller.
inline constexpr uint64 max_wal_image_size = uint64{1} << 31;

// A path naming the log itself: it ends with "-wal".
[[nodiscard]] bool is_wal_path(const std::string& path);
// The main database and its log for a path naming either.
void wal_companion_paths(std::string& main_path, std::string& wal_path, const std::string& path);

// The image of the database at path (the main file, or its log), emptied first. The image
// is max(main file size, highest applied page * log page size) bytes, at most max_size: the
// main file's bytes as they stand (its header is not checked, a damaged page 1 being why an
// image is wanted), then each winning page at (page number - 1) * log page size; pages that
// would end past max_size are not applied. Without a main file it holds the logged pages
// alone. False when the log does not open, is 2 GiB or larger, has no valid header or no
// winning frame, or the image cannot be allocated.
[[nodiscard]] bool build_wal_image(byte_array& image, const std::string& path);
// The same from open files; main may be null.
[[nodiscard]] bool build_wal_image(byte_array& image, uni::fileio* main, uni::fileio& wal,
                                   uint64 max_size);

// Closes file and makes it a writable memory-mode file holding the image built from
// wal_path (a log path, or a database path whose log is its path followed by "-wal"). On
// failure the file is left closed.
[[nodiscard]] bool open_wal_image(uni::fileio& file, const std::string& wal_path);
// Closes file and opens the database at db_path (not a log) for reading with its log's
// winning pages laid over it (uni::fileio::set_read_patches): the live view, every page as
// the library reads it, with only the log's pages held in memory. False (the file closed)
// without a log that commits a page or without the main file.
// winning, when given, is the log's winning frames (page number -> frame offset) as
// read_wal_frames found them in this log: the log is then not walked and checksummed again.
[[nodiscard]] bool open_live_image(uni::fileio& file, const std::string& db_path,
                                   const std::map<uint64, uint64>* winning = nullptr);
