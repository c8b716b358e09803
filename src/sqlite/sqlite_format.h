#pragma once
// Facts of the SQLite 3 file format, named once and grouped by the structure they belong
// to. Section numbers refer to the published "Database File Format" document. Every
// multi-byte field of the format is big-endian.

#include <array>
#include <cstddef>

#include "text/kq_types.h"

namespace sqlite_format {

// 1.3 The database header: the first 100 bytes of page 1.
namespace file_header {
inline constexpr std::size_t size = 100;
inline constexpr char magic[] = "SQLite format 3";  // followed by a NUL in the file
inline constexpr std::size_t magic_length = 15;     // the bytes compared
inline constexpr std::size_t page_size = 16;        // u16; 1 stands for 65536
inline constexpr uint32 page_size_65536_code = 1;
inline constexpr uint32 page_size_65536 = 65536;
inline constexpr std::size_t reserved_bytes = 20;  // u8: unused bytes at the end of each page
inline constexpr std::size_t text_encoding = 56;   // u32: 1 UTF-8, 2 UTF-16le, 3 UTF-16be
inline constexpr uint32 encoding_utf8 = 1;
inline constexpr uint32 encoding_utf16le = 2;
inline constexpr uint32 encoding_utf16be = 3;
// The library reads the word's two low bits (and 0 as UTF-8).
inline constexpr uint32 encoding_bits = 0x3;
}  // namespace file_header

// 1.6 B-tree pages: the 8- or 12-byte header at the start of the page (offset 100 on page 1).
namespace btree_page {
inline constexpr std::size_t type = 0;              // u8
inline constexpr std::size_t first_freeblock = 1;   // u16; 0 when there is none
inline constexpr std::size_t cell_count = 3;        // u16
inline constexpr std::size_t content_start = 5;     // u16; 0 stands for 65536
inline constexpr std::size_t fragmented_bytes = 7;  // u8
inline constexpr std::size_t right_child = 8;       // u32, interior pages only
inline constexpr std::size_t leaf_header_size = 8;
inline constexpr std::size_t interior_header_size = 12;
inline constexpr std::size_t cell_pointer_size = 2;  // u16 per cell, after the header
inline constexpr uint8 leaf_flag = 0x08;
inline constexpr uint8 interior_index = 2;
inline constexpr uint8 interior_table = 5;
inline constexpr uint8 leaf_index = 10;
inline constexpr uint8 leaf_table = 13;
// SQLite file format 1.3.2: the smallest page size the format allows.
inline constexpr uint32 min_page_size = 512;
// The reader's plausibility rule: a cell takes at least its 2-byte pointer and 2 bytes of
// content, so a header claiming more cells than fit that way is no b-tree header.
inline constexpr std::size_t min_cell_footprint = 4;
// Without a known page size, a header claiming more cells than fit a 4 KiB-ish page is not
// taken for a b-tree header (the reader's own plausibility limit, not a format rule).
inline constexpr uint32 max_cells_unsized = 512;
}  // namespace btree_page

// 1.6 B-tree cells: interior cells start with the 4-byte left child page number.
namespace btree_cell {
inline constexpr std::size_t child_page_size = 4;     // u32
inline constexpr std::size_t overflow_page_size = 4;  // u32 after the local payload
}  // namespace btree_cell

// 1.6 Payload spill rule: U is the usable size (page size less reserved bytes).
namespace payload {
inline constexpr int64 table_leaf_max_local_margin = 35;  // X = U - 35 on table leaves
inline constexpr int64 local_base = 12;                   // (U - 12) * n / 255 - 23
inline constexpr int64 max_local_numerator = 64;
inline constexpr int64 min_local_numerator = 32;
inline constexpr int64 local_denominator = 255;
inline constexpr int64 local_margin = 23;
}  // namespace payload

// 1.7 Overflow pages: a 4-byte next-page number, then payload to the end of the usable size.
namespace overflow_page {
inline constexpr std::size_t next_page = 0;  // u32; 0 ends the chain
inline constexpr std::size_t content = 4;
}  // namespace overflow_page

// 1.6 Freeblocks inside a b-tree page.
namespace freeblock {
inline constexpr std::size_t next = 0;  // u16 offset of the next freeblock; 0 ends the chain
inline constexpr std::size_t size = 2;  // u16, the 4 header bytes included
inline constexpr std::size_t header_size = 4;
}  // namespace freeblock

// 2.1 Variable-length integers.
namespace varint {
inline constexpr std::size_t max_length = 9;
inline constexpr uint8 more_flag = 0x80;
inline constexpr uint8 group_mask = 0x7f;
inline constexpr unsigned group_bits = 7;
inline constexpr unsigned last_group_bits = 8;  // the ninth byte contributes all 8 bits
}  // namespace varint

// 2.1 Serial types of the record format.
namespace serial_type {
inline constexpr uint64 null = 0;
inline constexpr uint64 int8 = 1;
inline constexpr uint64 int16 = 2;
inline constexpr uint64 int24 = 3;
inline constexpr uint64 int32 = 4;
inline constexpr uint64 int48 = 5;
inline constexpr uint64 int64 = 6;
inline constexpr uint64 real = 7;
inline constexpr uint64 zero = 8;
inline constexpr uint64 one = 9;
inline constexpr uint64 reserved_10 = 10;  // reserved; read as a 10-byte integer
inline constexpr uint64 reserved_11 = 11;  // reserved; read as an 11-byte integer
inline constexpr uint64 blob_min = 12;     // even N >= 12: blob of (N - 12) / 2 bytes
inline constexpr uint64 text_min = 13;     // odd N >= 13: text of (N - 13) / 2 bytes
inline constexpr uint32 int48_size = 6;
inline constexpr uint32 int64_size = 8;
inline constexpr uint32 real_size = 8;
}  // namespace serial_type

// ---- Database file reader and write-ahead log (kept in blocks of their own) ----

// 1.3 Database header fields read beside those of file_header, and the page sizes the
// format allows.
namespace db_header {
inline constexpr std::size_t change_counter = 24;  // u32: bumped by every write transaction
inline constexpr std::size_t page_count = 28;      // u32: database size in pages (1.3.7)
inline constexpr std::size_t freelist_trunk = 32;  // u32: first freelist trunk page, 0 none
// u32: the change counter the page count was written with; the count holds only when the two
// agree (writers before 3.7.0 left the count stale).
inline constexpr std::size_t version_valid_for = 92;
inline constexpr uint32 min_file_size = 512;       // a database holds at least one page
inline constexpr uint32 max_page_size = 65536;
}  // namespace db_header

// 4.1 WAL header: 32 bytes at the start of the log, every field a big-endian u32.
namespace wal_file {
inline constexpr std::size_t header_size = 32;
inline constexpr std::size_t magic = 0;
inline constexpr std::size_t version = 4;
inline constexpr std::size_t page_size = 8;
inline constexpr std::size_t checkpoint_sequence = 12;
inline constexpr std::size_t salt_1 = 16;
inline constexpr std::size_t salt_2 = 20;
inline constexpr std::size_t checksum_1 = 24;
inline constexpr std::size_t checksum_2 = 28;
// The low bit of the magic names the byte order in which the checksum reads the data words.
inline constexpr uint32 magic_little_endian = 0x377F0682;
inline constexpr uint32 magic_big_endian = 0x377F0683;
inline constexpr uint32 magic_big_endian_bit = 1;
// SQLite file format 4.3: the checksum runs over the first 24 header bytes, then over each frame's
// first 8 header bytes and its page, in pairs of 32-bit words.
inline constexpr std::size_t checksummed_header = 24;
inline constexpr std::size_t checksum_word_pair = 8;
inline constexpr uint32 min_page_size = 512;
inline constexpr uint32 max_page_size = 65536;
}  // namespace wal_file

// 4.1 WAL frame header: 24 bytes before each page image, every field a big-endian u32.
namespace wal_frame {
inline constexpr std::size_t header_size = 24;
inline constexpr std::size_t page_number = 0;
inline constexpr std::size_t commit_size = 4;  // database size in pages; non-zero on commit
inline constexpr std::size_t salt_1 = 8;
inline constexpr std::size_t salt_2 = 12;
inline constexpr std::size_t checksum_1 = 16;
inline constexpr std::size_t checksum_2 = 20;
inline constexpr std::size_t checksummed_header = 8;  // page number and commit size
}  // namespace wal_frame

}  // namespace sqlite_format

// 3 The rollback journal: a header padded to a sector, then page records of a 4-byte page
// number, the page's original content and a 4-byte checksum.
namespace sqlite_format::journal {
inline constexpr uint8 magic[] = {0xD9, 0xD5, 0x05, 0xF9, 0x20, 0xA1, 0x63, 0xD7};
inline constexpr std::size_t magic_size = 8;  // all zero until the segment is synced
// u32: records in the segment; 0 while it is still being written, 0xFFFFFFFF when the
// journal is written without syncs (both: the records run to the end of the file).
inline constexpr std::size_t record_count = 8;
inline constexpr uint32 record_count_unsynced = 0;
inline constexpr uint32 record_count_no_sync = 0xFFFFFFFF;
inline constexpr std::size_t nonce = 12;        // u32: checksum initialiser
inline constexpr std::size_t initial_pages = 16;  // u32: database size before the transaction
inline constexpr std::size_t sector_size = 20;    // u32: the header is padded to it
inline constexpr std::size_t page_size = 24;      // u32
inline constexpr std::size_t segment_header_fields = 28;  // magic to page size
// Each segment header is padded to a sector: the header's sector size when it is a power of
// two from 512 to 65536, else 512, SQLite's size on every device that promises power-safe
// overwrites (its default on Unix and Windows). The first header is read with the page
// number of a record at 512.
inline constexpr std::size_t first_record = 512;
inline constexpr std::size_t sector = 512;
inline constexpr uint32 max_sector = 65536;
inline constexpr std::size_t header_read_size = 516;
inline constexpr std::size_t record_page_number = 0;  // u32
inline constexpr std::size_t record_page_data = 4;
inline constexpr std::size_t record_overhead = 8;  // page number + trailing checksum
// Page sizes of the database format: powers of two from 512 to 65536.
inline constexpr uint32 min_page_size = 512;
inline constexpr uint32 max_page_size = 65536;
// A zeroed header is still taken when the first record names a page below 2^21 (an 8 GiB
// database at 4 KiB pages): a plausibility bound of the reader, not a format rule.
inline constexpr uint32 max_plausible_page = 0x1FFFFF;
// Under journal_mode=PERSIST a commit zeroes the header from the magic to the page size and
// leaves the records: the page size is then the database's, and the sector SQLite's own on
// a device that promises power-safe overwrites (512), else its default (4096).
inline constexpr std::size_t persisted_zeroed = segment_header_fields;
inline constexpr std::array<uint32, 2> persisted_sectors = {512, 4096};
// The journal checksum adds one byte of every 200, counted back from the page end.
inline constexpr uint32 checksum_stride = 200;
// A journal of a transaction over several databases ends with the name of its super-journal:
// the name's bytes, then a u32 length, a u32 checksum (the sum of the name's bytes) and the
// magic, the last 16 bytes of the file.
inline constexpr std::size_t super_trailer_size = 16;
inline constexpr std::size_t super_length_from_end = 16;    // u32
inline constexpr std::size_t super_checksum_from_end = 12;  // u32
inline constexpr std::size_t super_magic_from_end = 8;
// A bound of the reader on the name's length, far above any path a system allows.
inline constexpr uint32 max_super_name = 65536;
}  // namespace sqlite_format::journal

// 1.5 The freelist: trunk pages of a next-trunk number, a leaf count and the leaf numbers.
namespace sqlite_format::freelist_trunk {
inline constexpr std::size_t next_trunk = 0;  // u32; 0 ends the list
inline constexpr std::size_t leaf_count = 4;  // u32
inline constexpr std::size_t leaves = 8;      // u32 page number per leaf
inline constexpr std::size_t leaf_size = 4;
}  // namespace sqlite_format::freelist_trunk
