#pragma once
// kq_variant_lite: the one typed value of the system, the cell of an output row and the
// caption of an output column. It holds an integer, one or several times, a text, a GUID or
// a run of bytes, with a type code saying which. How a cell is rendered is the output
// writer's business; this type only holds the value and serialises it.
//
// The fields are public and keep the m_ names the output writer reads them by: the value is a
// plain tagged record, not an object with invariants of its own.

#include <string>
#include <vector>

#include "text/kq_types.h"

// Type codes (m_type). Codes 5, 6, 7, 9, 10 and 32 upwards are no type.
namespace variant_type {
inline constexpr uint16 empty = 0;
inline constexpr uint16 u8 = 1;
inline constexpr uint16 u16 = 2;
inline constexpr uint16 i32 = 3;
inline constexpr uint16 u32 = 4;
inline constexpr uint16 i64 = 8;
inline constexpr uint16 text = 11;
inline constexpr uint16 filetime_two_columns = 12;
inline constexpr uint16 filetime = 13;
inline constexpr uint16 number64 = 14;
inline constexpr uint16 unix_seconds_two_columns = 15;
inline constexpr uint16 unix_seconds = 16;
inline constexpr uint16 chrome_two_columns = 17;
inline constexpr uint16 chrome = 18;
inline constexpr uint16 firefox_two_columns = 19;
inline constexpr uint16 firefox = 20;
inline constexpr uint16 safari_two_columns = 21;
inline constexpr uint16 safari = 22;
inline constexpr uint16 filetime_alt_two_columns = 23;
inline constexpr uint16 filetime_alt = 24;
inline constexpr uint16 unix_seconds_alt_two_columns = 25;
inline constexpr uint16 unix_seconds_alt = 26;
inline constexpr uint16 guid = 27;
inline constexpr uint16 bytes_hex_separated = 28;
inline constexpr uint16 bytes_hex = 29;
inline constexpr uint16 raw_text = 30;
inline constexpr uint16 unnamed_text = 31;
}  // namespace variant_type

// Marks a column caption: the value carries m_width and its name in m_text.
inline constexpr uint32 variant_caption_flag = 0x80;
// The flag word, exactly, of a time cell that holds several times in m_values.
inline constexpr uint32 variant_several_times_flags = 0x4000;
// Longest text the output writer keeps when a cell asks it to cut text, after clear().
inline constexpr uint16 variant_default_max_text_length = 20;

class kq_variant_lite {
public:
    kq_variant_lite();
    explicit kq_variant_lite(uint8 value);
    explicit kq_variant_lite(uint16 value);
    // Held as the unsigned 32-bit value: never sign-extended.
    explicit kq_variant_lite(uint32 value);
    kq_variant_lite(uint64 value, uint16 type);
    // A cell carrying a copy of count bytes (none for a null pointer) under the given type.
    kq_variant_lite(const uint8* bytes, uint32 count, uint16 type);
    explicit kq_variant_lite(std::string text);
    // Column captions: the only operations that set a flag bit (variant_caption_flag).
    kq_variant_lite(std::string name, uint64 width, uint16 type, uint32 flags);
    kq_variant_lite(std::string name, uint64 width);

    void clear();

    // Appends the serialised form (little-endian): type (2 bytes), flags (4 bytes), then
    // - a caption: its 8-byte width only (neither its name nor its type's payload);
    // - a time cell (types 12, 13, 15 to 26) whose flags are exactly
    //   variant_several_times_flags: a 4-byte count and that many 8-byte values of m_values
    //   (m_value is not part of this form);
    // - otherwise the type's payload: 1, 2, 4 or 8 bytes of m_value; a 4-byte length and the
    //   bytes of m_text (types 11, 30, 31) or m_bytes (28, 29); the 16 GUID bytes (27).
    // A type code that is no type is a broken invariant and stops the process.
    void pack_bytes(byte_array& out) const;
    // Clears the value and reads one serialised value starting at offset; returns the bytes
    // used, or 0 (value left cleared) when the header or the payload is cut short, a length
    // reaches past the input, or the type code has no form.
    [[nodiscard]] int unpack_bytes(const byte_array& in, uint32 offset);

    uint16 m_type = variant_type::empty;
    uint16 m_max_text_length = variant_default_max_text_length;
    uint32 m_flags = 0;
    uint64 m_width = 0;            // column width of a caption
    byte_array m_bytes;            // types 27, 28, 29
    std::string m_text;            // types 11, 30, 31; a caption's column name
    uint64 m_value = 0;            // integer and time types
    std::vector<uint64> m_values;  // several times of one time cell
};

// Packs every value in order into out (emptied first unless append); true when out holds
// anything afterwards.
[[nodiscard]] bool pack_variant_list(byte_array& out, const std::vector<kq_variant_lite>& list,
                                     bool append);
// Unpacks values from offset 0 until the input ends or a value cannot be read, keeping those
// already read; the list is emptied first unless append. False for an empty input; otherwise
// true when the list holds anything afterwards.
[[nodiscard]] bool unpack_variant_list(std::vector<kq_variant_lite>& out, const byte_array& in,
                                       bool append);
