#include "cmdline/output_record.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "io/uni_encoding.h"
#include "text/guid16.h"
#include "text/hex_text.h"
#include "text/number_text.h"
#include "text/text_lines.h"
#include "time/kq_time.h"
#include "time/time_format.h"

namespace vt = variant_type;

namespace {

// A text that opens a JSON object is already delimited and must reach the output as it
// is; wrapping it in quotes would make it unreadable as JSON.
bool opens_json_object(const char* data, std::size_t length) {
    return length > 2 && data[0] == '{' && data[1] == '"';
}

// Quoting rule of every text setter.
std::string quoted_if_asked(const std::string& text, uint32 flags) {
    if ((flags & cell_flag::quote_text) == 0 || opens_json_object(text.data(), text.size())) {
        return text;
    }
    return "\"" + text + "\"";
}

// Marker rule: only a cell whose flags are exactly the marker flag (no role, no default
// flag) has its line breaks written as markers by the setter.
void mark_if_asked(std::string& text, uint32 flags) {
    if (flags == cell_flag::mark_breaks) {
        (void)mark_line_breaks(text);  // edits in place; the returned reference is the text
    }
}

// Converting a double outside 0..2^64 to an unsigned integer is undefined behaviour; such
// values are clamped to the nearest end, and NaN counts as 0.
uint64 clamp_to_uint64(double x) {
    if (std::isnan(x) || x <= 0.0) {
        return 0;
    }
    // 2^64 is exactly representable; every double below it converts.
    constexpr double two_to_64 = 18446744073709551616.0;
    if (x >= two_to_64) {
        return std::numeric_limits<uint64>::max();
    }
    return static_cast<uint64>(x);
}

// Types whose text set_stream_text reads as an unsigned number.
bool takes_stream_number(uint32 type) {
    switch (type) {
        case vt::u8:
        case vt::u16:
        case vt::u32:
        case vt::i64:
        case vt::filetime_two_columns:
        case vt::filetime:
        case vt::unix_seconds_two_columns:
        case vt::unix_seconds:
        case vt::chrome_two_columns:
        case vt::chrome:
        case vt::safari_two_columns:
        case vt::safari:
        case vt::filetime_alt_two_columns:
        case vt::filetime_alt:
        case vt::unix_seconds_alt_two_columns:
        case vt::unix_seconds_alt:
            return true;
        default:
            return false;
    }
}

// The moment a one-column time cell's text names: an integer, or with value_is_double a
// double whose bytes the cell keeps as its value. False when the text is no number.
bool time_from_field_text(kq_variant_lite& cell, const std::string& input, kq::type_time kind,
                          kq::time& out) {
    if ((cell.m_flags & cell_flag::value_is_double) != 0) {
        // parse_double reads like atof, which turns any text into 0.0; a text that does not
        // start with a number would then be annotated with the epoch of its kind.
        char* end = nullptr;
        (void)std::strtod(input.c_str(), &end);
        double seconds = 0.0;
        if (end == input.c_str() || !parse_double(input.c_str(), &seconds)) {
            return false;
        }
        cell.m_value = std::bit_cast<uint64>(seconds);
        out = kq::time(seconds, kind);
        return true;
    }
    uint64 value = 0;
    const bool parsed = string_to_uint64(input, &value);
    cell.m_value = value;
    out = kq::time(value, kind);
    return parsed;
}

// copy_field for a one-column time column: the input, ": " and the moment it names.
void copy_time_field(kq_variant_lite& cell, const std::string& input,
                     const time_display_spec* spec) {
    kq::type_time kind = kq::tt_filetime;
    (void)cell_time_kind(cell.m_type, kind);  // only called for one-column time types
    kq::time moment;
    if (!time_from_field_text(cell, input, kind, moment) || !moment.is_valid) {
        return;
    }
    const time_display_spec defaults;
    std::string date;
    std::string time_text;
    // false only reports that an unset spec was replaced by the default form
    (void)kq::format_date_time(date, time_text, moment, spec != nullptr ? *spec : defaults);
    if (date.empty()) {
        return;
    }
    cell.m_text = input + ": " + date + " " + time_text;
    if ((cell.m_flags & cell_flag::quote_text) != 0) {
        cell.m_text = "\"" + cell.m_text + "\"";
    }
}

// copy_field's conversion of the input text by the column's type.
void convert_field_text(kq_variant_lite& cell, const std::string& input,
                        const time_display_spec* spec, field_text_converter convert1,
                        field_text_converter convert2) {
    if (cell.m_type == vt::text) {
        if ((cell.m_flags & cell_flag::convert_first) != 0 && convert1 != nullptr) {
            convert1(cell.m_text, input);
        } else if ((cell.m_flags & cell_flag::convert_second) != 0 && convert2 != nullptr) {
            convert2(cell.m_text, input);
        }
        return;
    }
    if (is_one_column_time(cell.m_type)) {
        copy_time_field(cell, input, spec);
        return;
    }
    constexpr std::size_t guid_size = 16;
    if (cell.m_type == vt::guid && input.size() == guid_size) {
        guid16 id;
        guid_copy(id, input.data());
        cell.m_text = guid_to_string(id);
        return;
    }
    if (cell.m_type == vt::bytes_hex_separated || cell.m_type == vt::bytes_hex) {
        cell.m_text = byte_array_hex_string(byte_array(input.begin(), input.end()), " ");
    }
}

}  // namespace

bool is_two_column_time(uint32 type) {
    return type == vt::filetime_two_columns || type == vt::unix_seconds_two_columns ||
           type == vt::chrome_two_columns || type == vt::firefox_two_columns ||
           type == vt::safari_two_columns;
}

bool is_one_column_time(uint32 type) {
    return type == vt::filetime || type == vt::unix_seconds || type == vt::chrome ||
           type == vt::firefox || type == vt::safari;
}

bool cell_time_kind(uint32 type, kq::type_time& kind) {
    switch (type) {
        case vt::filetime_two_columns:
        case vt::filetime:
        case vt::filetime_alt_two_columns:
        case vt::filetime_alt:
            kind = kq::tt_filetime;
            return true;
        case vt::unix_seconds_two_columns:
        case vt::unix_seconds:
        case vt::unix_seconds_alt_two_columns:
        case vt::unix_seconds_alt:
            kind = kq::tt_unix;
            return true;
        case vt::chrome_two_columns:
        case vt::chrome:
            kind = kq::tt_chrome;
            return true;
        case vt::firefox_two_columns:
        case vt::firefox:
            kind = kq::tt_firefox3;
            return true;
        case vt::safari_two_columns:
        case vt::safari:
            kind = kq::tt_safari;
            return true;
        default:
            return false;
    }
}

output_record::output_record() { reset(0, false); }

output_record::output_record(int num_fields, bool as_text) { reset(num_fields, as_text); }

output_record::output_record(int num_fields, bool as_text, uint32 default_flags) {
    reset(num_fields, as_text);
    m_default_flags = default_flags;
}

void output_record::reset(int num_fields, bool as_text) {
    m_valid = 0;
    m_num_fields = 0;
    m_default_flags = 0;
    m_fields.clear();
    if (num_fields <= 0 || num_fields > max_fields) {
        return;
    }
    try {
        m_fields.resize(static_cast<std::size_t>(num_fields));
    } catch (const std::bad_alloc&) {
        m_fields.clear();
        return;
    }
    m_valid = 1;
    m_num_fields = num_fields;
    if (!as_text) {
        return;
    }
    for (kq_variant_lite& cell : m_fields) {
        cell.m_type = vt::text;
        cell.m_flags = 0;
    }
}

void output_record::clear_values() {
    if (m_valid != 1) {
        reset(0, false);
        return;
    }
    for (kq_variant_lite& cell : m_fields) {
        cell.clear();
    }
}

bool output_record::refuses(int index, uint32 type) const {
    return m_valid != 1 || index < 0 || index >= m_num_fields ||
           static_cast<std::size_t>(index) >= m_fields.size() || type >= first_refused_type;
}

kq_variant_lite& output_record::start_cell(int index, uint32 type, uint32 flags) {
    kq_variant_lite& cell = m_fields[static_cast<std::size_t>(index)];
    cell.clear();
    cell.m_type = static_cast<uint16>(type);
    cell.m_flags = combined(flags);
    return cell;
}

int output_record::clear_time_partner(int index) {
    const int next = index + 1;
    if (next >= m_num_fields) {
        return 1;
    }
    kq_variant_lite& partner = m_fields[static_cast<std::size_t>(next)];
    partner.m_value = 0;
    partner.m_values.clear();
    partner.m_type = vt::empty;
    partner.m_flags = 0;
    return 2;
}

int output_record::set_num(int index, uint64 value, uint32 type, uint32 flags) {
    if (refuses(index, type)) {
        return 1;
    }
    start_cell(index, type, flags).m_value = value;
    return is_two_column_time(type) ? clear_time_partner(index) : 1;
}

int output_record::set_str(int index, const std::string& text, uint32 type, uint32 flags) {
    if (refuses(index, type)) {
        return 1;
    }
    kq_variant_lite& cell = start_cell(index, type, flags);
    cell.m_text = quoted_if_asked(text, cell.m_flags);
    mark_if_asked(cell.m_text, cell.m_flags);
    return 1;
}

int output_record::set_wstr(int index, const std::wstring& text, uint32 type, uint32 flags) {
    // UTF-8 keeps '{' and '"' as the same single bytes, so the JSON test gives the same
    // answer on the converted text as on the wide characters.
    return set_str(index, uni::wstring_to_utf8(text), type, flags);
}

int output_record::set_text(int index, const std::string& text, uint32 flags) {
    if (refuses(index, vt::text)) {
        return 1;
    }
    kq_variant_lite& cell = start_cell(index, vt::text, flags);
    cell.m_text = quoted_if_asked(text, cell.m_flags);
    return 1;
}

int output_record::set_double(int index, double x, uint32 type, uint32 flags) {
    if (type == vt::safari_two_columns || type == vt::safari) {
        const kq::time moment(x, kq::tt_safari);
        const uint64 filetime = moment.is_valid ? static_cast<uint64>(moment.filetime) : 0;
        const uint32 stored =
            type == vt::safari_two_columns ? vt::filetime_two_columns : vt::filetime;
        return set_num(index, filetime, stored, flags);
    }
    return set_num(index, clamp_to_uint64(x), type, flags);
}

int output_record::set_time_text(int index, uint64 value, uint32 type, uint32 flags,
                                 const time_display_spec* spec) {
    if (refuses(index, type)) {
        return 1;
    }
    kq_variant_lite& cell = start_cell(index, vt::empty, 0);
    if (is_two_column_time(type)) {
        return -1;
    }
    cell.m_value = value;
    cell.m_type = static_cast<uint16>(type);
    kq::type_time kind = kq::tt_filetime;
    if (!is_one_column_time(type) || !cell_time_kind(type, kind)) {
        return -1;
    }
    const kq::time moment(value, kind);
    if (!moment.is_valid) {
        return 1;
    }
    std::string date;
    std::string time_text;
    if (spec != nullptr) {
        // false only reports that an unset spec was replaced by the default form
        (void)kq::format_date_time(date, time_text, moment, *spec);
    } else {
        kq::format_date_time_ms(date, time_text, moment, false);
    }
    cell.m_text = quoted_if_asked(date + " " + time_text, combined(flags));
    cell.m_type = vt::text;
    return 1;
}

int output_record::copy_field(int index, const std::string& text,
                              const std::vector<kq_variant_lite>& columns,
                              const time_display_spec* spec, field_text_converter convert1,
                              field_text_converter convert2) {
    if (refuses(index, 0) || columns.size() < static_cast<std::size_t>(index) + 1) {
        return -1;
    }
    const kq_variant_lite& column = columns[static_cast<std::size_t>(index)];
    if (column.m_type >= first_refused_type) {
        return -1;
    }
    kq_variant_lite& cell = m_fields[static_cast<std::size_t>(index)];
    cell.clear();
    cell.m_type = column.m_type;
    cell.m_max_text_length = column.m_max_text_length;
    cell.m_flags = column.m_flags;
    cell.m_width = column.m_width;
    cell.m_text = text;
    convert_field_text(cell, text, spec, convert1, convert2);
    return 1;
}

int output_record::set_byte_vector(int index, const byte_array& bytes, uint32 type, uint32 flags) {
    return set_bytes(index, bytes.data(), static_cast<uint32>(bytes.size()), type, flags);
}

int output_record::set_bytes(int index, const uint8* data, uint32 length, uint32 type,
                             uint32 flags) {
    if (data == nullptr || length == 0 || refuses(index, type)) {
        return 1;
    }
    kq_variant_lite& cell = start_cell(index, type, flags);
    if (type != vt::text) {
        cell.m_bytes.assign(data, data + length);
        return 1;
    }
    const std::string text(data, data + length);
    cell.m_text = quoted_if_asked(text, cell.m_flags);
    return 1;
}

int output_record::set_list(int index, const std::set<uint64>& values, uint32 type, uint32 flags) {
    if (refuses(index, type)) {
        return 1;
    }
    kq_variant_lite& cell = start_cell(index, type, flags);
    cell.m_values.assign(values.begin(), values.end());
    if (cell.m_values.empty()) {
        cell.m_values.push_back(0);
    }
    cell.m_value =
        cell.m_flags == cell_flag::list_take_last ? cell.m_values.back() : cell.m_values.front();
    return is_two_column_time(type) ? clear_time_partner(index) : 1;
}

int output_record::set_stream_text(int index, const std::ostringstream& stream, uint32 type,
                                   uint32 flags) {
    if (refuses(index, type)) {
        return 1;
    }
    kq_variant_lite& cell = start_cell(index, vt::empty, 0);
    if (type > vt::raw_text) {
        return 0;
    }
    if (takes_stream_number(type)) {
        // A text that is no number leaves the value 0; an i64 value may be negative.
        (void)parse_int64_bits(stream.str().c_str(), &cell.m_value);
    } else if (type == vt::text || type == vt::raw_text) {
        cell.m_text = quoted_if_asked(stream.str(), combined(flags));
        mark_if_asked(cell.m_text, combined(flags));
    } else {
        return 0;
    }
    cell.m_type = static_cast<uint16>(type);
    cell.m_flags = combined(flags);
    return 1;
}
