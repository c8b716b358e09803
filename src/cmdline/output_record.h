#pragma once
// output_record: one report line before it is written. A row holds a fixed number of typed
// cells (kq_variant_lite); the setters below fill them, and the table and CSV writer
// (cmdline/record_writer.h) renders every cell by its type code and flag bits under the
// output settings of cmd_params. Rows are plain values: copying one copies every cell.
//
// The type codes are those of variant_type (text/kq_variant_lite.h); the flag bits that the
// setters and the writer obey are named in cell_flag. A cell's flags are the setter's flags
// OR the row's m_default_flags unless a setter says otherwise.

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "text/kq_types.h"
#include "text/kq_variant_lite.h"
#include "text/time_display_spec.h"
#include "time/type_time.h"

namespace cell_flag {
// Low byte: results-column role (cmdline/results_columns.h).
inline constexpr uint32 role_mask = 0xFF;
// Set on header columns that carry a width; no writer tests it.
inline constexpr uint32 caption = 0x80;
// copy_field: the text goes through the first converter.
inline constexpr uint32 convert_first = 0x100;
// set_list: when the flags are exactly this, the cell's value is the largest list element.
inline constexpr uint32 list_take_last = 0x2000;
// Exactly this on a time cell with a non-empty list: the writer prints the list.
inline constexpr uint32 several_times = 0x4000;
// Text setters put the text between double quotes (a JSON object passes unquoted).
inline constexpr uint32 quote_text = 0x8000;
// Exactly this: text setters turn line breaks into markers.
inline constexpr uint32 mark_breaks = 0x10000;
// copy_field: the text goes through the second converter.
inline constexpr uint32 convert_second = 0x20000;
// The value's 8 bytes hold an IEEE double.
inline constexpr uint32 value_is_double = 0x40000;
inline constexpr uint32 align_right = 0x80000;
// Integer as "0x" zero-filled hex, then " [" decimal "]".
inline constexpr uint32 hex_and_decimal = 0x100000;
// Integer as "0x" zero-filled hex; type 14 as "0x" and 16 digits when the flags are exactly
// this.
inline constexpr uint32 hex_zero_filled = 0x400000;
// Text cut to the cell's max text length.
inline constexpr uint32 cut_text = 0x1000000;
inline constexpr uint32 centre = 0x2000000;
// Integer 0 written as a blank cell.
inline constexpr uint32 blank_zero = 0x4000000;
inline constexpr uint32 no_fraction = 0x8000000;
// "->" before the value.
inline constexpr uint32 arrow_prefix = 0x10000000;
// One blank before the value.
inline constexpr uint32 blank_prefix = 0x20000000;
inline constexpr uint32 force_decimal = 0x40000000;
// Integer as bare hex digits, blank-filled, without "0x".
inline constexpr uint32 bare_hex = 0x80000000;
}  // namespace cell_flag

// Converter of copy_field: out holds the input text on entry and receives the cell's text.
using field_text_converter = void (*)(std::string& out, const std::string& input);

class output_record {
public:
    // Most cells a row may hold.
    static constexpr int max_fields = 255;
    // Type codes from this one up are refused by the setters.
    static constexpr uint32 first_refused_type = 32;

    // An invalid row with no cells.
    output_record();
    output_record(int num_fields, bool as_text);
    // The default flags are set after reset, so cells made as text keep flags 0.
    output_record(int num_fields, bool as_text, uint32 default_flags);

    // Sizes the row anew (1 to max_fields cells, each cleared; as text: empty text cells of
    // type 11 with flags 0). Any other count, or a failed allocation, leaves an invalid row
    // without cells. Forgets m_default_flags.
    void reset(int num_fields, bool as_text);
    // Clears every cell of a valid row; an invalid row is reset to no cells.
    void clear_values();

    // Setters: the cell index comes first. Unless said otherwise each returns 1 and does
    // nothing when the row is invalid, the index is negative or not below m_num_fields, or
    // the type is 32 or more; otherwise it clears the cell, fills it and stores the type
    // and the flags OR m_default_flags.

    // Two-column time types (12, 15, 17, 19, 21) also clear the next cell and return 2;
    // in the last cell they return 1.
    int set_num(int index, uint64 value, uint32 type, uint32 flags);
    // The text by the quoting rule, then the marker rule (flags exactly cell_flag::mark_breaks).
    int set_str(int index, const std::string& text, uint32 type, uint32 flags);
    int set_wstr(int index, const std::wstring& text, uint32 type, uint32 flags);
    // Type 11 always; quoting rule only.
    int set_text(int index, const std::string& text, uint32 flags);
    // Types 21 and 22: x as seconds since 2001-01-01, stored as FILETIME with type 12 or
    // 13. Other types: x clamped into 0..2^64-1 (NaN gives 0) and stored as an integer.
    int set_double(int index, double x, uint32 type, uint32 flags);
    // One-column time types become the formatted "date time" text (type 11, flags 0) when
    // the value is a valid time, through spec or, when spec is null, the default form with
    // milliseconds; an invalid time keeps value and type with flags 0. Two-column and
    // non-time types return -1 (two-column ones with the cell left cleared).
    int set_time_text(int index, uint64 value, uint32 type, uint32 flags,
                      const time_display_spec* spec);
    // Builds the cell from columns[index] and the input text; -1 when refused (row invalid,
    // index out of range, columns too short, or a column type of 32 or more), row
    // unchanged. Time columns read the text as a number and show it with its date and
    // time; GUID and byte columns show the input's bytes as text.
    int copy_field(int index, const std::string& text, const std::vector<kq_variant_lite>& columns,
                   const time_display_spec* spec, field_text_converter convert1,
                   field_text_converter convert2);
    // Type 11: the bytes become the text (quoting rule, no markers); other types: the
    // cell's bytes.
    int set_byte_vector(int index, const byte_array& bytes, uint32 type, uint32 flags);
    // As set_byte_vector; a null pointer or a length of 0 does nothing.
    int set_bytes(int index, const uint8* data, uint32 length, uint32 type, uint32 flags);
    // The set becomes the values list (one 0 for an empty set); the value is its smallest
    // element, or its largest when the flags are exactly cell_flag::list_take_last.
    int set_list(int index, const std::set<uint64>& values, uint32 type, uint32 flags);
    // Numeric and time types read the text as an unsigned number; types 11 and 30 take it by
    // the quoting and marker rules; types 31 and any type with no text form leave the cell
    // cleared and return 0.
    int set_stream_text(int index, const std::ostringstream& stream, uint32 type, uint32 flags);

    int m_valid = 0;
    int m_num_fields = 0;
    std::vector<kq_variant_lite> m_fields;
    uint32 m_default_flags = 0;

private:
    [[nodiscard]] bool refuses(int index, uint32 type) const;
    // Clears the cell at index, stores type and combined flags, and returns it.
    kq_variant_lite& start_cell(int index, uint32 type, uint32 flags);
    // Clears the cell after a two-column time; 2 when there was one, else 1.
    int clear_time_partner(int index);
    [[nodiscard]] uint32 combined(uint32 flags) const { return flags | m_default_flags; }
};

// True for the time types that also occupy the next cell: 12, 15, 17, 19 and 21.
[[nodiscard]] bool is_two_column_time(uint32 type);
// True for the one-column time types that carry a whole moment: 13, 16, 18, 20 and 22.
[[nodiscard]] bool is_one_column_time(uint32 type);
// The kind of stored timestamp a time type holds: FILETIME for 12, 13, 23 and 24; Unix
// seconds for 15, 16, 25 and 26; Chrome for 17 and 18; Firefox for 19 and 20; Safari for 21
// and 22. False, kind untouched, for any other type.
[[nodiscard]] bool cell_time_kind(uint32 type, kq::type_time& kind);
