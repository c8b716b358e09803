#include "cmdline/cell_render.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "cmdline/output_record.h"
#include "text/control_escape.h"
#include "text/guid16.h"
#include "text/hex_text.h"
#include "text/text_lines.h"
#include "text/text_replace.h"
#include "time/kq_time.h"
#include "time/time_format.h"

namespace vt = variant_type;

namespace {

constexpr std::size_t guid_size = 16;
// Hex digits of a type-14 number: all 64 bits, always.
constexpr int64 number64_digits = 16;
// Bytes a type-28 cell shows beyond the first when its column has no width.
constexpr int64 default_byte_limit = 16;

std::string hex_digits(uint64 value) {
    char buffer[24] = {};
    (void)std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(value));
    return buffer;
}

std::string decimal_digits(uint64 value) {
    char buffer[24] = {};
    (void)std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(value));
    return buffer;
}

// The decimal form of an integer cell: the signed types hold stored integers, which may be
// negative, and are shown as such; the unsigned ones as unsigned numbers.
std::string cell_decimal_digits(const kq_variant_lite& cell) {
    if (cell.m_type != vt::i32 && cell.m_type != vt::i64) {
        return decimal_digits(cell.m_value);
    }
    char buffer[24] = {};
    (void)std::snprintf(buffer, sizeof buffer, "%lld",
                        static_cast<long long>(static_cast<int64>(cell.m_value)));
    return buffer;
}

std::string zero_filled(const std::string& digits, int64 width) {
    if (width <= static_cast<int64>(digits.size())) {
        return digits;
    }
    return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

// Hex digits an integer type shows when its column gives no width: the size of the type,
// except that 64-bit values keep the 8 digits of a 32-bit one as their minimum.
int64 natural_hex_digits(uint16 type) {
    switch (type) {
        case vt::u8:
            return 2;
        case vt::u16:
            return 4;
        case vt::u32:
        case vt::i64:
            return 8;
        default:
            return 0;
    }
}

// "0x" and the value's digits zero-filled to the room W leaves after the prefixes and
// "0x", or to fallback digits when W leaves no such room.
std::string hex_in_width(uint64 value, int32 width, int32 prefix, int64 fallback) {
    const int64 room = static_cast<int64>(width) - prefix - 2;
    return "0x" + zero_filled(hex_digits(value), room >= 0 ? room : fallback);
}

int64 width_less_prefix(int32 width, int32 prefix) {
    return width >= prefix ? static_cast<int64>(width) - prefix : 0;
}

bool is_unix_seconds_type(uint32 type) {
    return type == vt::unix_seconds_two_columns || type == vt::unix_seconds ||
           type == vt::unix_seconds_alt_two_columns || type == vt::unix_seconds_alt;
}

// The display spec of one time cell. Unix seconds carry no fraction and a cell may ask to
// show none; the options' spec is still uncompiled before the option parser has run, so it
// is compiled from the options' templates first, or the digits could not be dropped.
time_display_spec cell_display_spec(uint32 type, uint32 flags, const cmd_params& options) {
    time_display_spec spec = options.m_time_spec;
    if (!is_unix_seconds_type(type) && (flags & cell_flag::no_fraction) == 0) {
        return spec;
    }
    if (spec.is_unset() &&
        !spec.parse(options.m_date_format, options.m_time_format, options.m_pair_datetime)) {
        spec = time_display_spec{};
        (void)spec.parse("yyyy-mm-dd", "hh:mm:ss.xxx", options.m_pair_datetime);  // fixed, valid
    }
    spec.time_flags &= time_display_spec::keep_without_fraction;
    return spec;
}

// Cuts text to at most limit bytes without splitting a UTF-8 sequence.
void cut_text_to(std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return;
    }
    constexpr unsigned char continuation_mask = 0xC0;
    constexpr unsigned char continuation_bits = 0x80;
    std::size_t end = limit;
    while (end > 0 &&
           (static_cast<unsigned char>(text[end]) & continuation_mask) == continuation_bits) {
        --end;
    }
    text.resize(end);
}

}  // namespace

std::string quoted_csv_value(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
    return out;
}

namespace {

std::string hex_pairs_limited(const byte_array& bytes, int32 width) {
    const int64 limit = width == 0 ? default_byte_limit : static_cast<int64>(width) / 3 - 2;
    const int64 count = static_cast<int64>(bytes.size());
    std::string text;
    for (int64 k = 0; k <= limit && k < count; ++k) {
        if (k > 0) {
            text += ' ';
        }
        const std::string digits = hex_digits(bytes[static_cast<std::size_t>(k)]);
        text += zero_filled(digits, 2);
    }
    if (count - 1 > limit) {
        text += " ...";
    }
    return text;
}

}  // namespace

std::string pad_text(const std::string& text, int64 width, bool right) {
    return pad_text(std::string(text), width, right);
}

void append_padded_text(std::string& out, const std::string& text, int64 width, bool right) {
    const auto length = static_cast<int64>(text.size());
    const std::size_t fill = width > length ? static_cast<std::size_t>(width - length) : 0;
    if (right) {
        out.append(fill, ' ');
    }
    out += text;
    if (!right) {
        out.append(fill, ' ');
    }
}

std::string pad_text(std::string&& text, int64 width, bool right) {
    if (width <= static_cast<int64>(text.size())) {
        return std::move(text);
    }
    const std::size_t fill = static_cast<std::size_t>(width) - text.size();
    if (right) {
        text.insert(0, fill, ' ');
    } else {
        text.append(fill, ' ');
    }
    return std::move(text);
}

int32 column_width(const std::vector<kq_variant_lite>& columns, std::size_t index) {
    if (index >= columns.size()) {
        return 0;
    }
    constexpr uint64 low_32_bits = 0xFFFFFFFFULL;
    return static_cast<int32>(static_cast<uint32>(columns[index].m_width & low_32_bits));
}

int32 cell_width(const cmd_params& options, std::size_t index) {
    return options.m_no_whitespace ? 0 : column_width(options.m_columns, index);
}

std::string missing_value_filler(const cmd_params& options) {
    return options.m_no_whitespace ? std::string() : std::string(" ");
}

int32 prefix_length(uint32 flags) {
    int32 length = 0;
    if ((flags & cell_flag::arrow_prefix) != 0) {
        length += 2;
    }
    if ((flags & cell_flag::blank_prefix) != 0) {
        length += 1;
    }
    return length;
}

std::string prefix_text(uint32 flags) {
    std::string text;
    if ((flags & cell_flag::arrow_prefix) != 0) {
        text += "->";
    }
    if ((flags & cell_flag::blank_prefix) != 0) {
        text += ' ';
    }
    return text;
}

bool is_blank_zero(const kq_variant_lite& cell) {
    return (cell.m_flags & cell_flag::blank_zero) != 0 && cell.m_value == 0;
}

std::string integer_cell_text(const kq_variant_lite& cell, int32 width, int32 prefix,
                              const cmd_params& options) {
    const uint32 flags = cell.m_flags;
    if (is_blank_zero(cell)) {
        return pad_text(missing_value_filler(options), width_less_prefix(width, prefix), true);
    }
    if ((flags & cell_flag::bare_hex) != 0) {
        return pad_text(hex_digits(cell.m_value), width_less_prefix(width, prefix), true);
    }
    if ((flags & cell_flag::hex_zero_filled) != 0) {
        return hex_in_width(cell.m_value, width, prefix, 0);
    }
    if ((flags & cell_flag::hex_and_decimal) != 0) {
        return hex_in_width(cell.m_value, width, prefix, natural_hex_digits(cell.m_type)) + " [" +
               cell_decimal_digits(cell) + "]";
    }
    if (!options.m_base16 || (flags & cell_flag::force_decimal) != 0) {
        const int64 room = width > prefix ? static_cast<int64>(width) - prefix : 0;
        return pad_text(cell_decimal_digits(cell), room, true);
    }
    return hex_in_width(cell.m_value, width, prefix, natural_hex_digits(cell.m_type));
}

void prepare_text_cell(kq_variant_lite& cell, const cmd_params& options) {
    // Values come from the evidence: none may steer the terminal the report is read in.
    (void)escape_terminal_controls(cell.m_text);  // edits in place
    if (options.m_delimiter != 0) {
        // A zero substitute would put NUL bytes into the report; a blank keeps the column.
        const char substitute =
            options.m_delimiter_substitute != 0 ? options.m_delimiter_substitute : ' ';
        replace_char(cell.m_text, options.m_delimiter, substitute, false);
    }
    // Multiline output gives each value one line after its caption: a raw line break would
    // start a line without one.
    if (options.m_csv || options.m_csvgen || options.m_csvl2t || options.m_bodyfile ||
        options.m_multiline) {
        (void)mark_line_breaks(cell.m_text);  // edits in place
    }
}

bool is_csv_form(const cmd_params& options) {
    return options.m_csv || options.m_csvgen || options.m_csvl2t;
}

bool opens_quoted_field(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first != std::string::npos && text[first] == '"';
}

bool splits_csv_field(std::string_view text, const std::string& separator) {
    return opens_quoted_field(text) ||
           (!separator.empty() && text.find(separator) != std::string_view::npos);
}

std::string csv_field(std::string text, const std::string& separator) {
    return splits_csv_field(text, separator) ? quoted_csv_value(text) : std::move(text);
}

namespace {

// The separator splits a line only where its text stands whole; one made of blanks alone
// cannot be kept out of values without blanking every blank, so it guards nothing.
bool separator_guards(const std::string& separator) {
    return separator.find_first_not_of(' ') != std::string::npos;
}

// Where the separator begins inside text, or where a reader splitting from the left would
// find it begin when the text is followed by a separator (a value ending in ':' before the
// separator "::"); npos when neither.
std::size_t separator_start(const std::string& text, const std::string& separator) {
    const std::size_t whole = text.find(separator);
    if (whole != std::string::npos || separator.empty()) {
        return whole;
    }
    const std::size_t length = separator.size();
    const std::size_t reach = std::min(text.size(), length - 1);
    for (std::size_t start = text.size() - reach; start < text.size(); ++start) {
        // The text's last `inside` characters and the separator's first `length - inside`
        // would have to spell the separator.
        const std::size_t inside = text.size() - start;
        if (separator.compare(0, inside, text, start, inside) == 0 &&
            separator.compare(inside, length - inside, separator, 0, length - inside) == 0) {
            return start;
        }
    }
    return std::string::npos;
}

}  // namespace

void blank_separator_text(std::string& text, const std::string& separator) {
    if (!separator_guards(separator)) {
        return;
    }
    std::size_t at = text.find(separator);
    while (at != std::string::npos) {
        text.replace(at, separator.size(), separator.size(), ' ');
        at = text.find(separator, at + separator.size());
    }
    const std::size_t tail = separator_start(text, separator);
    if (tail != std::string::npos) {
        std::fill(text.begin() + static_cast<std::ptrdiff_t>(tail), text.end(), ' ');
    }
}

namespace {

// Quoted CSV: a cell holding the separator or a double quote is quoted.
bool needs_quotes(const std::string& text, const cmd_params& options) {
    return text.find('"') != std::string::npos ||
           text.find(options.m_separator) != std::string::npos;
}

// True when keep_separator_out would hand the text back as it is: most values hold no
// separator, and for them the writer can use the cell's own text without a copy.
bool separator_leaves(const std::string& text, const cmd_params& options) {
    if (options.m_multiline) {
        return true;
    }
    const std::string& separator = options.m_separator;
    if (options.m_quoted_csv) {
        return separator.empty() || !needs_quotes(text, options);
    }
    if (is_csv_form(options) && splits_csv_field(text, separator)) {
        return false;
    }
    return options.m_delimiter != 0 || !separator_guards(separator) ||
           separator_start(text, separator) == std::string::npos;
}

}  // namespace

std::string keep_separator_out(std::string text, const cmd_params& options) {
    if (separator_leaves(text, options)) {
        return text;
    }
    if (options.m_quoted_csv) {
        return quoted_csv_value(text);
    }
    if (options.m_delimiter == 0) {
        blank_separator_text(text, options.m_separator);
    }
    // What blanking leaves of the separator (a separator of blanks alone) is quoted.
    return is_csv_form(options) ? csv_field(std::move(text), options.m_separator) : text;
}

std::string quoted_if_separator(std::string text, const cmd_params& options) {
    if (!options.m_quoted_csv || options.m_multiline || options.m_separator.empty() ||
        text.find(options.m_separator) == std::string::npos) {
        return text;
    }
    return quoted_csv_value(text);
}

void append_text_cell(std::string& out, const kq_variant_lite& cell, int32 width, int32 prefix,
                      const cmd_params& options) {
    const bool right = (cell.m_flags & cell_flag::align_right) != 0;
    const bool cut =
        (cell.m_flags & cell_flag::cut_text) != 0 && cell.m_text.size() > cell.m_max_text_length;
    // The cell's own text is written without a copy unless it must be cut or changed.
    std::string changed;
    const std::string* text = &cell.m_text;
    if (cut || !separator_leaves(cell.m_text, options)) {
        changed = cell.m_text;
        if (cut) {
            cut_text_to(changed, cell.m_max_text_length);
        }
        changed = keep_separator_out(std::move(changed), options);
        text = &changed;
    }
    const int64 length = static_cast<int64>(text->size());
    int64 room = width_less_prefix(width, prefix);
    if (!cut && (cell.m_flags & cell_flag::centre) != 0 && !options.m_no_whitespace &&
        width > length + prefix) {
        const int64 lead = (static_cast<int64>(width) - prefix - length) / 2;
        out.append(static_cast<std::size_t>(lead), ' ');
        room = static_cast<int64>(width) - prefix - lead;
    }
    append_padded_text(out, *text, room, right);
}

std::string text_cell_text(const kq_variant_lite& cell, int32 width, int32 prefix,
                           const cmd_params& options) {
    std::string text;
    append_text_cell(text, cell, width, prefix, options);
    return text;
}

std::string number64_cell_text(const kq_variant_lite& cell, int32 width,
                               const cmd_params& options) {
    std::string digits;
    if (options.m_base16 || cell.m_flags == cell_flag::hex_zero_filled) {
        digits = "0x" + zero_filled(hex_digits(cell.m_value), number64_digits);
    } else {
        digits = decimal_digits(cell.m_value);
    }
    // Appended, not joined with operator+: GCC 12 warns of a false -Wrestrict overlap there.
    std::string text;
    if (options.m_pad) {
        text.push_back(' ');
    }
    text.append(pad_text(digits, width, false));
    return text;
}

std::string bytes_cell_text(const kq_variant_lite& cell, int32 width, const cmd_params& options) {
    std::string text;
    if (cell.m_bytes.empty()) {
        // A cell built from text (copy_field) holds its value as text and no bytes; showing
        // that text keeps the value in the report.
        text = cell.m_text.empty() ? missing_value_filler(options) : cell.m_text;
        (void)escape_terminal_controls(text);  // edits in place
    } else if (cell.m_type == vt::guid) {
        if (cell.m_bytes.size() < guid_size) {
            text = missing_value_filler(options);
        } else {
            guid16 id;
            guid_copy(id, cell.m_bytes.data());
            text = guid_to_string(id);
        }
    } else if (cell.m_type == vt::bytes_hex_separated) {
        text = hex_pairs_limited(cell.m_bytes, width);
    } else {
        text = byte_array_hex_string(cell.m_bytes, "");
    }
    return text;
}

namespace {

// The report repeats the times of the handlers and channels that its notifications share on
// every line: a text formatted once is kept in a direct-mapped table (short texts, held in
// place, so a hit or a replacement allocates nothing) under everything it depends on.
struct time_text_slot {
    bool used = false;
    uint32 type = 0;
    uint64 value = 0;
    uint32 flags = 0;
    time_display_spec spec;
    cell_time_text text;

    [[nodiscard]] bool holds(uint32 t, uint64 v, uint32 f, const time_display_spec& s) const {
        return used && type == t && value == v && flags == f && spec.separator == s.separator &&
               spec.date_flags == s.date_flags && spec.time_flags == s.time_flags &&
               spec.min_year == s.min_year && spec.max_year == s.max_year;
    }
};

// 4096 slots of about 100 bytes a thread: the times of thousands of handlers and channels,
// and small enough that each thread formatting rows can keep its own.
constexpr int time_text_slot_bits = 12;

time_text_slot& time_slot_for(uint64 value) {
    // One table per thread: report rows may be formatted on several threads at once.
    thread_local std::vector<time_text_slot> slots(std::size_t{1} << time_text_slot_bits);
    constexpr uint64 mix = 0x9E3779B97F4A7C15ULL;  // Fibonacci hashing spreads close times
    return slots[static_cast<std::size_t>((value * mix) >> (64 - time_text_slot_bits))];
}

// False, with both texts the filler, when the value gives no valid moment.
bool format_cell_time_once(cell_time_text& out, uint32 type, uint64 value, uint32 flags,
                           const time_display_spec& spec, const cmd_params& options) {
    const std::string filler = missing_value_filler(options);
    kq::type_time kind = kq::tt_filetime;
    if (!cell_time_kind(type, kind)) {
        out = {filler, filler};
        return false;
    }
    const bool safari = type == vt::safari_two_columns || type == vt::safari;
    const kq::time moment = safari && (flags & cell_flag::value_is_double) != 0
                                ? kq::time(std::bit_cast<double>(value), kq::tt_safari)
                                : kq::time(value, kind);
    if (!moment.is_valid) {
        out = {filler, filler};
        return false;
    }
    // false only reports that an unset spec was replaced by the default form
    (void)kq::format_date_time(out.date, out.time, moment, spec);
    return true;
}

}  // namespace

cell_time_text format_cell_time(uint32 type, uint64 value, uint32 flags,
                                const cmd_params& options) {
    const time_display_spec spec = cell_display_spec(type, flags, options);
    time_text_slot& slot = time_slot_for(value);
    if (slot.holds(type, value, flags, spec)) {
        return slot.text;
    }
    cell_time_text out;
    if (format_cell_time_once(out, type, value, flags, spec, options)) {
        slot = time_text_slot{true, type, value, flags, spec, out};
    }
    return out;
}

bool is_time_list(const kq_variant_lite& cell) {
    return cell.m_flags == cell_flag::several_times && !cell.m_values.empty();
}

std::string time_list_text(const kq_variant_lite& cell, const cmd_params& options) {
    std::string text;
    bool first = true;
    for (const uint64 value : cell.m_values) {
        if (!first) {
            text += "; ";
        }
        first = false;
        const cell_time_text one = format_cell_time(cell.m_type, value, cell.m_flags, options);
        text += one.date + " " + one.time;
    }
    return text;
}
