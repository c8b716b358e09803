#pragma once
// A record candidate found by carving unallocated or superseded space, the record sources
// that say where it was found, and the call shapes of the record finder that recognises
// candidates in raw bytes and of the callback run after each chunk.

#include <string>
#include <vector>

#include "sqlite/text_encoding.h"
#include "text/kq_types.h"

// Where a record came from. A record keeps its source in a word as source << 2, over two
// flag bits that the carver leaves as they are.
namespace record_source {
inline constexpr uint32 sqlite_lib = 1;             // rows read through the SQLite library
inline constexpr uint32 main_db_slack = 2;          // page slack and free pages of the main file
inline constexpr uint32 carve_main = 3;             // rows of the own table walk
inline constexpr uint32 carve_blob = 4;             // chunks of raw pages
inline constexpr uint32 unnamed = 5;                // produced by nothing
inline constexpr uint32 main_page_overwritten = 6;  // main-file pages a current WAL frame replaces
inline constexpr uint32 wal_page_superseded = 7;    // WAL frames no longer current
inline constexpr uint32 wal_slack_in_valid_page = 8;  // slack inside current WAL pages
inline constexpr uint32 wal_valid_page = 9;           // current WAL pages, when asked for
inline constexpr uint32 carve_wal = 10;
inline constexpr uint32 carve_journal = 11;        // pages saved in the rollback journal
inline constexpr uint32 carve_main_from_wal = 12;  // table-walk rows of a WAL-applied schema
inline constexpr uint32 main_db_past_end = 13;     // the main file past the header's page count
// Main-file pages a hot rollback journal restores: what the file holds there is the open
// transaction's, which the rollback undoes.
inline constexpr uint32 main_page_restored_from_journal = 14;
inline constexpr unsigned shift = 2;
inline constexpr uint32 flag_bits = 0x3;
// Flag bit: the record is a cell its page names, on a page that is current (a winning WAL
// frame), and its values were read whole: its bytes are a live row's, not damage.
inline constexpr uint32 live_cell_flag = 0x1;
// Flag bit: the record's cell starts at the file's first byte (a raw chunk that begins with
// one). Its offset 0 is then a place, where elsewhere 0 stands for "no offset".
inline constexpr uint32 offset_zero_flag = 0x2;

[[nodiscard]] inline constexpr uint32 of_word(uint32 word) { return word >> shift; }
// The word holding source over the flag bits of word.
[[nodiscard]] inline constexpr uint32 with_source(uint32 word, uint32 source) {
    return (source << shift) | (word & flag_bits);
}
}  // namespace record_source

namespace header_fix {
inline constexpr uint8 size_byte = 1;
inline constexpr uint8 cell_prefix = 2;
}  // namespace header_fix

// The printed name of a source; empty for 5 and for anything outside 1 to 14.
[[nodiscard]] std::string record_source_name(uint32 source);

// One record found by carving. Its leading fields are laid out as those of a row of the own
// table walk.
struct carved_record {
    std::vector<std::string> values;  // decoded value texts
    std::vector<uint32> value_codes;  // one value_code per value
    int64 rowid = 0;                  // the varint just before the record, or 0
    // Finder hits: the record's first serial type (the byte after the header-size byte).
    // Decoded records and rows of parsed leaf pages: the record's cell, where its payload
    // length starts; for a deleted record whose first bytes a freeblock header took, where
    // that header starts (carved_cell_start).
    uint64 file_offset = 0;
    uint64 offset_in_chunk = 0;  // set by finders
    byte_array bytes;            // carried raw bytes, or the captured record header
    // Why the rowid before the record is not read: 0, it is; header_fix::size_byte, the
    // header-size byte did not match what the finder saw (taken with the cell's first bytes);
    // header_fix::cell_prefix, the header-size byte is the record's but the payload length and
    // rowid before it are not (a freeblock header took exactly those).
    uint8 header_corrected = 0;
    uint32 source_word = 0;      // record_source << 2 over two flag bits
    uint8 truncated = 0;         // the values ran out of data
    int32 table_type = 0;        // the finder's table type
    int16 spare_word = 0;        // set by finders, copied with the table type
    uint8 column_count = 0;      // columns the finder expects (0: none given)
    uint64 column_mask = 0;
    // Set by finders: how many leading serial types a freeblock header took the bytes of; the
    // serial types still there start at offset_in_chunk + lost_types. The lost ones are read
    // as NULL, as a rowid alias is stored; the rowid itself is then unknown (0).
    uint8 lost_types = 0;

    // Keeps the source word's two flag bits; zeroes the source, table type, spare word,
    // column count, truncated flag, mask and lost serial types, and empties the bytes.
    void clear();
};

// Recognises records in a chunk and adds one carved_record per hit (the vector is emptied
// first unless append). For each hit it sets offset_in_chunk to the hit's first serial
// type, file_offset (chunk_file_offset + offset_in_chunk, or 0 when chunk_file_offset is
// 0), table_type, column_count, column_mask, header_corrected, lost_types and, when they are
// to be carried, bytes. encoding is the text encoding of the database the chunk belongs to: the
// serial types and bytes of its text columns follow it. True when it added hits.
using record_finder_fn = bool (*)(std::vector<carved_record>& hits, const uint8* chunk,
                                  uint32 chunk_length, uint64 chunk_file_offset, bool append,
                                  text_encoding encoding, void* context);

// Called after each chunk whose hits were accepted; its result is not looked at.
using chunk_done_fn = int (*)(std::vector<carved_record>& hits, void* context);

// The after-chunk callback that does nothing: returns 0.
int chunk_done_noop(std::vector<carved_record>& hits, void* context);
