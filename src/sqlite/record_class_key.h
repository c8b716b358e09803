#pragma once
// Layout keys of a record, for comparing what the carver finds with what the library reads:
// a record's serial types reduced to class codes (the value kind, blobs and texts folded
// into one code each) and run-length packed, behind a prefix naming its table type, column
// mask and column initials. Records of one table and one layout share a key; a record whose
// columns came apart differently gets another.
//
// A class code byte holds the class in its low nibble (the serial type up to 12, then 12
// for every blob and 13 for every text) and the run length in its high nibble, from 1.

#include <array>
#include <set>
#include <string>
#include <vector>

#include "text/kq_types.h"

class sqlite_metadata;

// The value as little-endian base-128 groups. Nine groups hold 63 bits, so a value from
// 2^63 on gives false and writes nothing.
[[nodiscard]] bool write_leb128_u64(byte_array& out, uint64 value);

// The class key of the record header at the start of the record's bytes (the header-size
// byte first). False for a record without bytes, a header size past the bytes, or no
// serial type.
[[nodiscard]] bool record_class_key(byte_array& out, const sqlite_metadata& record);
// The same over raw header bytes, which must be exactly the header (the first byte gives
// their count). Before the codes: the table-type byte (when the type is not 0), the four
// low mask bytes (when the mask is not 0) and, with with_header_byte, the header-size byte.
// True when the key has more than one byte.
[[nodiscard]] bool header_class_key(byte_array& out, const uint8* header, uint32 length,
                                    uint32 table_type, uint32 mask, bool with_header_byte);

// The prefix key (table type, mask, column initials) and, when the record has bytes whose
// class key can be built, the full key (prefix key + class key). True when the prefix key
// has more than one byte.
[[nodiscard]] bool record_keys(byte_array& prefix, byte_array& full, const sqlite_metadata& record);

// What a record is grouped by.
namespace key_kind {
inline constexpr int raw_bytes = 1;   // the record bytes, "_"-separated hex
inline constexpr int full_key = 2;    // the full key, "_"-separated hex (else raw_bytes)
inline constexpr int rowid_and_fingerprint = 3;  // rowid hex (6 digits or more) and fingerprint
inline constexpr int prefix_key = 4;  // the prefix key, hex without separator
}  // namespace key_kind

// The key text of the record for a key_kind; empty for any other kind. Also written to out.
std::string record_key_text(std::string& out, const sqlite_metadata& record, int kind);

// Shorter keys first; keys of one length by their run lengths (high nibbles) byte by byte,
// then by their classes (low nibbles).
[[nodiscard]] bool class_key_less(const byte_array& a, const byte_array& b);

struct class_key_order {
    bool operator()(const byte_array& a, const byte_array& b) const { return class_key_less(a, b); }
};
using class_key_set = std::set<byte_array, class_key_order>;

// A record's fingerprint, so that two parsers' readings of one row can be compared: the MD5
// of its values in column order, each after its length as a 32-bit little-endian word, in
// m_reserved_bytes, and the values joined by " | " in m_reserved_text. No values leave the
// fingerprint at zero, which compares as missing.
void set_record_fingerprint(sqlite_metadata& record, const std::vector<std::string>& values);
// The 16 bytes are not all zero.
[[nodiscard]] bool has_fingerprint(const sqlite_metadata& record);
