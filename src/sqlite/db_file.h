#pragma once
// An SQLite 3 database file as the own parser opens it: the 100-byte database header (1.3),
// the checks a file must pass before its pages are read, and the page-size helpers for
// headers, files and raw buffers whose page size is unknown.

#include <array>
#include <cstddef>
#include <iosfwd>
#include <string>

#include "sqlite/text_encoding.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

namespace uni {
class fileio;
}

// The database header, read whole and decoded at the named offsets by its accessors.
struct sqlite_db_header {
    std::array<uint8, 100> bytes{};

    void clear();
    // The page size in bytes: the 16-bit field, whose value 1 stands for 65536 (1.3.2).
    [[nodiscard]] uint32 page_size() const;
    // A power of two from 512 to 65536, the only sizes the format allows.
    [[nodiscard]] bool page_size_valid() const;
    [[nodiscard]] uint8 reserved_bytes() const;
    [[nodiscard]] uint32 freelist_trunk() const;
    // The database size in pages the header stores; 0 when it is not to be trusted (not set,
    // or written by an older writer, whose change counter no longer matches it).
    [[nodiscard]] uint32 page_count() const;
    // The text encoding the header declares (text_encoding_of).
    [[nodiscard]] text_encoding encoding() const;
    [[nodiscard]] bool is_utf8() const;
};

// The first 15 bytes are "SQLite format 3". The pointer form reads exactly 15 bytes: callers
// hand it a checked range.
[[nodiscard]] bool is_sqlite_header(const kq::byte_reader& bytes);
[[nodiscard]] bool is_sqlite_header(const uint8* bytes);

// The page size that the header's 16-bit field stores: 1 is the format's code for 65536.
[[nodiscard]] uint32 decode_page_size(uint32 field);
// A power of two from 512 to 65536.
[[nodiscard]] bool is_valid_page_size(uint32 page_size);

// The pages a file of file_size bytes holds at page_size, a last page cut short counted: its
// first part is still there to read.
[[nodiscard]] uint64 pages_in_file(uint64 file_size, uint32 page_size);

// Opens path for reading and reads its header. False, with the file closed, when it does not
// open, is shorter than 512 bytes, lacks the magic, or stores a page size the format does not
// allow.
[[nodiscard]] bool open_db_file(uni::fileio& file, sqlite_db_header& header,
                                const std::string& path);
// open_db_file, then the page size, the reserved bytes per page and the file size.
[[nodiscard]] bool get_db_info(uni::fileio& file, uint64& file_size, uint32& page_size,
                               uint8& reserved, const std::string& path);

// The page size of a header of at least 100 bytes that carries the magic (1 read as 65536). `dump` is
// accepted for the callers that pass one; nothing is written to it.
[[nodiscard]] bool page_size_from_header(std::ostream* dump, uint32& page_size, const uint8* header,
                                         uint32 length);
// The page size field of an open file's first 100 bytes, whatever they hold (1 read as
// 65536).
[[nodiscard]] bool page_size_of_file(uint32& page_size, uni::fileio& file);
// Scans a buffer byte by byte for a b-tree page header or a database header and derives a
// page size from the first one found; offset is where it was found.
[[nodiscard]] bool guess_page_size(uint32& page_size, uint64& offset, const uint8* buffer,
                                   uint64 length);

// Settings of a reader over a buffer or a file; nothing builds one yet.
struct reader_settings {
    const uint8* data = nullptr;
    uint32 length = 0;
    uint32 page_size = 1024;
    uint32 flags = 0;
    uni::fileio* file = nullptr;
    std::ostream* dump = nullptr;
    bool utf8 = false;
};
