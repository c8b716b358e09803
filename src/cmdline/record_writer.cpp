#include "cmdline/record_writer.h"

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <string_view>

#include "cmdline/cell_render.h"
#include "cmdline/results_columns.h"
#include "text/control_escape.h"
// Upward include: an attached results log receives the lines instead of the stream, so the
// writer calls its members.
#include "resultsdb/results_db_writer.h"

namespace vt = variant_type;

namespace {

// Caption types that get the pad blank, as the values under them do.
bool caption_takes_pad(uint16 type) {
    return type == vt::filetime || type == vt::chrome || type == vt::filetime_alt;
}

bool is_integer_type(uint16 type) {
    return type == vt::u8 || type == vt::u16 || type == vt::i32 || type == vt::u32 ||
           type == vt::i64;
}

bool is_time_type(uint16 type) {
    return type == vt::filetime_two_columns || type == vt::filetime ||
           (type >= vt::unix_seconds_two_columns && type <= vt::unix_seconds_alt);
}

// Types whose list the writer prints in list mode; 12, 17, 19 and 21 print nothing then,
// and the Unix-seconds types have no list mode.
bool prints_time_list(uint16 type) {
    return type == vt::filetime || type == vt::chrome || type == vt::firefox ||
           type == vt::safari || type == vt::filetime_alt_two_columns || type == vt::filetime_alt;
}

bool has_results_log(const cmd_params& options) {
    return options.m_sqlite && options.m_results_db != nullptr;
}

bool log_takes_lines(const cmd_params& options) {
    return has_results_log(options) && options.m_results_db->is_open();
}

// One caption as the header writes it: the pad blank of a time column, then the caption
// centred or padded to the column's width.
std::string caption_cell(const std::vector<kq_variant_lite>& columns, std::size_t i, bool pad,
                         bool no_whitespace) {
    const kq_variant_lite& column = columns[i];
    std::string cell;
    if (pad && caption_takes_pad(column.m_type)) {
        cell += ' ';
    }
    const int64 width = column_width(columns, i);
    const int64 length = static_cast<int64>(column.m_text.size());
    if (no_whitespace) {
        cell += column.m_text;
    } else if ((column.m_flags & cell_flag::centre) != 0 && width > length) {
        const int64 lead = (width - length) / 2;
        cell.append(static_cast<std::size_t>(lead), ' ');
        append_padded_text(cell, column.m_text, width - lead, false);
    } else {
        append_padded_text(cell, column.m_text, width, false);
    }
    return cell;
}

// The header line. In the CSV forms (csv_cells) a caption cell that holds the separator (a
// blank separator and "Notification ArrivalTime") is quoted, its pad blank inside the quotes
// as in the cells below it, so the header has as many fields as its rows.
std::string caption_line(const std::vector<kq_variant_lite>& columns, const std::string& separator,
                         bool pad, bool no_whitespace, bool csv_cells) {
    std::string line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::string cell = caption_cell(columns, i, pad, no_whitespace);
        line += csv_cells ? csv_field(std::move(cell), separator) : cell;
        if (i + 1 < columns.size()) {
            line += separator;
        }
    }
    return line;
}

void write_whole(std::ostream& out, const std::string& text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Multiline mode names every value instead of writing a header line: captions get a colon
// and one common width, one more than the longest of them.
void name_captions_for_multiline(cmd_params& options) {
    options.m_header_pending = false;
    std::size_t longest = 0;
    for (kq_variant_lite& column : options.m_columns) {
        if (column.m_type != vt::unnamed_text) {
            column.m_text += ':';
            longest = std::max(longest, column.m_text.size());
        }
    }
    for (kq_variant_lite& column : options.m_columns) {
        if (column.m_type != vt::unnamed_text) {
            column.m_width = longest + 1;
        }
    }
}

// Builds one row's line and, while a results database is requested, the values of its role
// cells. The line is built in a text the caller keeps from row to row, so a report of many
// rows reuses one buffer instead of making a stream per row.
class line_builder {
public:
    line_builder(output_record& row, cmd_params& options, std::string& line)
        : m_row(row), m_options(options), m_line(line) {
        m_line.clear();
    }

    void build();
    [[nodiscard]] const std::string& line() const { return m_line; }
    [[nodiscard]] const results_columns& roles() const { return m_roles; }

private:
    [[nodiscard]] int cell_count() const {
        return std::min(m_row.m_num_fields, static_cast<int>(m_row.m_fields.size()));
    }
    kq_variant_lite& cell_at(int index) { return m_row.m_fields[static_cast<std::size_t>(index)]; }
    void write_caption(int index);
    // Writes the value of cell index; a two-column time moves index to the cell it
    // occupies. Returns the type that decides the multiline line end.
    uint16 write_value(int& index);
    void write_integer(kq_variant_lite& cell, int index);
    void write_text(kq_variant_lite& cell, int index);
    void write_bytes(const kq_variant_lite& cell, int index);
    void write_time(const kq_variant_lite& cell, int& index);
    [[nodiscard]] bool write_time_list(const kq_variant_lite& cell, int index);
    void write_time_halves(const kq_variant_lite& cell, int& index, const cell_time_text& text);
    void write_pad_blank() {
        if (m_options.m_pad) {
            m_line += ' ';
        }
    }
    // Cells other than text cells (which guard themselves) are checked once written.
    void finish_cell();
    void hand_off(uint32 flags, uint64 value, const std::string& text) {
        if (m_options.m_sqlite) {
            m_roles.set(flags, value, text);
        }
    }

    output_record& m_row;
    cmd_params& m_options;
    std::string& m_line;
    std::string m_time_text;
    results_columns m_roles;
    std::size_t m_cell_start = 0;  // where the cell being written begins in the line
};

void line_builder::build() {
    const int count = cell_count();
    for (int i = 0; i < count; ++i) {
        const bool multiline = m_options.m_multiline;
        if (multiline) {
            write_caption(i);
        }
        m_cell_start = m_line.size();
        const uint16 type = cell_at(i).m_type;
        if (type != vt::raw_text) {
            m_line += prefix_text(cell_at(i).m_flags);
        }
        const uint16 ended = write_value(i);
        if (type != vt::text && type != vt::raw_text) {
            finish_cell();
        }
        if (!multiline && i + 1 < count) {
            m_line += m_options.m_separator;
        }
        if (multiline && ended != vt::raw_text) {
            m_line += '\n';
        }
    }
    // A line kept in a results database is one stored value: it takes no line end.
    if (m_options.m_record_newline && !log_takes_lines(m_options)) {
        m_line += '\n';
    }
}

void line_builder::write_caption(int index) {
    const std::vector<kq_variant_lite>& columns = m_options.m_columns;
    const auto at = static_cast<std::size_t>(index);
    if (at >= columns.size() || columns[at].m_type == vt::raw_text) {
        return;
    }
    // The caption keeps its width under no-whitespace: the values must line up.
    m_line += pad_text(columns[at].m_text, column_width(columns, at), false);
}

// A time, number, GUID or byte cell holding the separator (a time under ":", "-", "." or a
// blank, a number under a digit) is quoted in the CSV forms, as under quoted CSV; in the CSV
// forms a cell that would open a quoted field is quoted too.
void line_builder::finish_cell() {
    if (m_options.m_multiline || m_cell_start >= m_line.size()) {
        return;
    }
    const std::string_view cell(m_line.data() + m_cell_start, m_line.size() - m_cell_start);
    const bool quote =
        m_options.m_quoted_csv
            ? !m_options.m_separator.empty() &&
                  cell.find(m_options.m_separator) != std::string_view::npos
            : is_csv_form(m_options) && splits_csv_field(cell, m_options.m_separator);
    if (!quote) {
        return;
    }
    const std::string quoted = quoted_csv_value(std::string(cell));
    m_line.resize(m_cell_start);
    m_line += quoted;
}

uint16 line_builder::write_value(int& index) {
    kq_variant_lite& cell = cell_at(index);
    const uint16 type = cell.m_type;
    if (is_integer_type(type)) {
        write_integer(cell, index);
    } else if (type == vt::text) {
        write_text(cell, index);
    } else if (is_time_type(type)) {
        write_time(cell, index);
        return index < cell_count() ? cell_at(index).m_type : type;
    } else if (type == vt::number64) {
        m_line += number64_cell_text(cell, cell_width(m_options, static_cast<std::size_t>(index)),
                                     m_options);
    } else if (type == vt::guid || type == vt::bytes_hex_separated || type == vt::bytes_hex) {
        write_bytes(cell, index);
    } else if (type == vt::raw_text) {
        if (has_terminal_controls(cell.m_text)) {
            std::string text = cell.m_text;
            m_line += escape_terminal_controls(text);
        } else {
            m_line += cell.m_text;
        }
    }
    return type;
}

void line_builder::write_integer(kq_variant_lite& cell, int index) {
    const int32 width = cell_width(m_options, static_cast<std::size_t>(index));
    m_line += integer_cell_text(cell, width, prefix_length(cell.m_flags), m_options);
    if (is_blank_zero(cell)) {
        // Shown as nothing, so it hands nothing on: from now on it is an empty text cell.
        cell.clear();
        cell.m_type = vt::text;
        return;
    }
    hand_off(cell.m_flags, cell.m_value, cell.m_text);
}

void line_builder::write_text(kq_variant_lite& cell, int index) {
    prepare_text_cell(cell, m_options);
    const int32 width = cell_width(m_options, static_cast<std::size_t>(index));
    append_text_cell(m_line, cell, width, prefix_length(cell.m_flags), m_options);
    hand_off(cell.m_flags, cell.m_value, cell.m_text);
}

void line_builder::write_bytes(const kq_variant_lite& cell, int index) {
    const int32 width = cell_width(m_options, static_cast<std::size_t>(index));
    const std::string text = bytes_cell_text(cell, width, m_options);
    m_line += pad_text(text, width, (cell.m_flags & cell_flag::align_right) != 0);
    hand_off(cell.m_flags, 0, text);
}

bool line_builder::write_time_list(const kq_variant_lite& cell, int index) {
    if (!is_time_list(cell)) {
        return false;
    }
    if (cell.m_type == vt::unix_seconds_two_columns || cell.m_type == vt::unix_seconds ||
        cell.m_type == vt::unix_seconds_alt_two_columns || cell.m_type == vt::unix_seconds_alt) {
        return false;
    }
    if (prints_time_list(cell.m_type)) {
        const int32 width = cell_width(m_options, static_cast<std::size_t>(index));
        const bool right = (cell.m_flags & cell_flag::align_right) != 0;
        write_pad_blank();
        m_line += pad_text(time_list_text(cell, m_options), width, right);
    }
    return true;
}

void line_builder::write_time(const kq_variant_lite& cell, int& index) {
    if (write_time_list(cell, index)) {
        return;
    }
    const int32 width = cell_width(m_options, static_cast<std::size_t>(index));
    const bool right = (cell.m_flags & cell_flag::align_right) != 0;
    const cell_time_text text =
        format_cell_time(cell.m_type, cell.m_value, cell.m_flags, m_options);
    std::string& whole = m_time_text;  // its room is reused by every time of the row
    whole.assign(text.date).append(1, ' ').append(text.time);
    switch (cell.m_type) {
        case vt::filetime:
        case vt::chrome:
        case vt::firefox:
        case vt::safari:
            if (!m_options.m_no_whitespace) {
                write_pad_blank();
            }
            append_padded_text(m_line, whole, width, right);
            break;
        case vt::unix_seconds:
            write_pad_blank();
            append_padded_text(m_line, whole, width, right);
            break;
        default:
            write_time_halves(cell, index, text);
            return;
    }
    hand_off(cell.m_flags, cell.m_value, whole);
}

// Two-column times, and the date (23, 25) and time (24, 26) halves.
void line_builder::write_time_halves(const kq_variant_lite& cell, int& index,
                                     const cell_time_text& text) {
    const int32 width = cell_width(m_options, static_cast<std::size_t>(index));
    const bool right = (cell.m_flags & cell_flag::align_right) != 0;
    const uint16 type = cell.m_type;
    if (type == vt::filetime_alt_two_columns || type == vt::unix_seconds_alt_two_columns) {
        // Outside list mode a FILETIME date half has no date of its own.
        const std::string date = type == vt::filetime_alt_two_columns ? "" : text.date;
        m_line += pad_text(date, width, right);
        finish_cell();
        m_cell_start = m_line.size() + m_options.m_separator.size();
        m_line += m_options.m_separator;
        hand_off(cell.m_flags, cell.m_value, date);
        return;
    }
    if (type == vt::filetime_alt || type == vt::unix_seconds_alt) {
        const std::string time_text = type == vt::filetime_alt ? "" : text.time;
        write_pad_blank();
        m_line += pad_text(time_text, width, right);
        hand_off(cell.m_flags, cell.m_value, time_text);
        return;
    }
    // A two-column time: the date here, the time in the place of the next cell, whose own
    // content is not written.
    m_line += pad_text(text.date, width, right);
    finish_cell();
    m_cell_start = m_line.size() + m_options.m_separator.size();
    m_line += m_options.m_separator;
    hand_off(cell.m_flags, cell.m_value, text.date + " " + text.time);
    ++index;
    if (index >= cell_count()) {
        return;
    }
    write_pad_blank();
    m_line += pad_text(text.time, cell_width(m_options, static_cast<std::size_t>(index)), right);
}

}  // namespace

// Under quoted CSV a caption holding the separator (a blank separator and "Notification
// ArrivalTime") is quoted as a value would be, so the header has as many fields as its rows.
std::vector<kq_variant_lite> header_captions(const cmd_params& options) {
    std::vector<kq_variant_lite> columns = options.m_columns;
    for (kq_variant_lite& column : columns) {
        column.m_text = quoted_if_separator(std::move(column.m_text), options);
    }
    return columns;
}

void write_header_row(std::ostream& out, cmd_params& options) {
    options.m_header_pending = false;
    const std::string text =
        options.m_quoted_csv ? caption_line(header_captions(options), options.m_separator,
                                            options.m_pad, options.m_no_whitespace, false)
                             : caption_line(options.m_columns, options.m_separator, options.m_pad,
                                            options.m_no_whitespace, is_csv_form(options));
    if (has_results_log(options)) {
        results_db_writer& log = *options.m_results_db;
        if (log.is_open()) {
            log.set_artifact_type(options.m_artifact_type.c_str());
            log.set_col_hdrs(text.c_str());
            // A run that cannot start shows in the results database, not in the report.
            (void)log.begin_run(false);
        }
        return;
    }
    write_whole(out, text + "\n");
}

void write_column_header(std::ostream& out, const std::vector<kq_variant_lite>& columns,
                         const std::string& separator, bool pad, bool no_whitespace) {
    write_whole(out, caption_line(columns, separator, pad, no_whitespace, false) + "\n");
}

void write_record(std::ostream& out, output_record& row, cmd_params& options) {
    out << std::dec << std::setfill(' ') << std::left;
    if (options.m_header_pending) {
        if (options.m_multiline) {
            name_captions_for_multiline(options);
        } else {
            write_header_row(out, options);
        }
    }
    if (row.m_valid != 1) {
        return;
    }
    // Kept from row to row: its room, grown once to the longest line, is reused.
    thread_local std::string line;
    line_builder builder(row, options, line);
    builder.build();
    if (has_results_log(options)) {
        results_db_writer& log = *options.m_results_db;
        if (log.is_open()) {
            std::ostringstream text;
            text << builder.line();
            (void)log.add_row(text, builder.roles());  // always 0
        }
        return;
    }
    write_whole(out, builder.line());
}

void write_records(std::ostream& out, std::vector<output_record>& rows, cmd_params& options) {
    for (output_record& row : rows) {
        if (row.m_valid == 1) {
            write_record(out, row, options);
        }
    }
}

void write_record_multiline(std::ostream& out, output_record& row, cmd_params& options) {
    options.m_multiline = true;
    options.m_no_whitespace = true;
    options.m_delimiter = 0;
    options.m_delimiter_substitute = 0;
    options.m_record_newline = false;
    write_record(out, row, options);
}
