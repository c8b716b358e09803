// Printing a select spec's rows as typed report cells through the table writer.
// Each column's type word picks its cell kind; a value with no column (more values than
// columns) is never rendered, so no width or cell is indexed past its end.

#include <algorithm>
#include <string>
#include <vector>

#include "cmdline/output_record.h"
#include "cmdline/record_writer.h"
#include "resultsdb/sql_select_spec.h"
#include "text/kq_variant_lite.h"
#include "text/number_text.h"
#include "time/kq_time.h"

namespace {

namespace vt = variant_type;

// The renderer's column kinds, by type word.
enum column_code : int {
    code_text = 1,
    code_guid = 2,
    code_filetime = 3,
    code_unixtime = 4,
    code_dostime = 5,
    code_value = 7,
    code_json = 8,
    code_binary = 9,
    code_md5 = 10,
    code_sha1 = 11,
    code_bool = 12,
};

// A GUID value is shown from at most its first 16 bytes; its text is 20 characters longer
// than the 16 bytes (36 in all).
constexpr uint32 guid_bytes = 16;
constexpr uint64 guid_text_extra = 20;
constexpr uint32 dos_word_bits = 16;
constexpr uint64 dos_word_mask = 0xFFFF;

int code_of(const std::string& word) {
    struct named_code {
        const char* word;
        int code;
    };
    static const named_code codes[] = {
        {"string", code_text},   {"text", code_text},       {"value", code_value},
        {"guid", code_guid},     {"filetime", code_filetime}, {"unixtime", code_unixtime},
        {"timet", code_unixtime}, {"dostime", code_dostime}, {"json", code_json},
        {"binary", code_binary}, {"md5", code_md5},         {"sha1", code_sha1},
        {"bool", code_bool},
    };
    for (const auto& entry : codes) {
        if (word == entry.word) {
            return entry.code;
        }
    }
    return code_text;
}

bool is_time_code(int code) {
    return code == code_filetime || code == code_unixtime || code == code_dostime;
}

uint64 number_of(const std::string& value) {
    uint64 number = 0;
    if (!string_to_uint64(value, &number)) {
        return 0;
    }
    return number;
}

// A DOS time stored as one number: date word in bits 16-31, time word in bits 0-15. The
// FILETIME of that moment, or 0 (shown as the filler) when the words give none.
uint64 dos_filetime(const std::string& value) {
    uint64 number = 0;
    if (!string_to_uint64(value, &number) || number > 0xFFFFFFFFULL) {
        return 0;
    }
    const uint16 words[2] = {static_cast<uint16>((number >> dos_word_bits) & dos_word_mask),
                             static_cast<uint16>(number & dos_word_mask)};
    const kq::time moment(words, true);
    return moment.is_valid ? static_cast<uint64>(moment.filetime) : 0;
}

void add_time_header(std::vector<kq_variant_lite>& columns, const std::string& name,
                     const cmd_params& options) {
    const uint64 date = options.m_date_format.size();
    const uint64 time = options.m_time_format.size();
    if (options.m_pair_datetime) {
        columns.emplace_back(name, date + time + 1);
        return;
    }
    columns.emplace_back(name + " [date]", date);
    columns.emplace_back(name + " [time]", time);
}

uint64 header_width(int code, uint32 width) {
    switch (code) {
        case code_guid:
            return width + guid_text_extra;
        case code_binary:
        case code_md5:
        case code_sha1:
            return 2ULL * width;
        default:
            return width;
    }
}

// Fills the cell(s) at index for one value; returns how many cells it took.
int fill_cell(output_record& row, int index, int code, const std::string& value, bool paired) {
    const byte_array bytes(value.begin(), value.end());
    const byte_array guid(value.begin(),
                          value.begin() + static_cast<std::ptrdiff_t>(
                                              std::min<std::size_t>(value.size(), guid_bytes)));
    switch (code) {
        case code_value:
            return row.set_num(index, number_of(value), vt::i64, 0);
        case code_guid:
            return row.set_byte_vector(index, guid, vt::guid, 0);
        case code_filetime:
            return row.set_num(index, number_of(value),
                               paired ? vt::filetime : vt::filetime_two_columns, 0);
        case code_unixtime:
            return row.set_num(index, number_of(value),
                               paired ? vt::unix_seconds : vt::unix_seconds_two_columns, 0);
        case code_dostime:
            return row.set_num(index, dos_filetime(value),
                               paired ? vt::filetime : vt::filetime_two_columns, 0);
        case code_binary:
        case code_md5:
        case code_sha1:
            return row.set_byte_vector(index, bytes, vt::bytes_hex_separated, 0);
        default:
            return row.set_str(index, value, vt::text, 0);
    }
}

}  // namespace

bool sql_select_spec::build_header(std::ostream& out, std::vector<int>& codes,
                                   cmd_params& options) const {
    if (m_col_names.size() != m_col_types.size()) {
        return false;
    }
    options.m_columns.clear();
    for (std::size_t i = 0; i < m_col_names.size(); ++i) {
        codes[i] = code_of(m_col_types[i]);
        if (is_time_code(codes[i])) {
            add_time_header(options.m_columns, m_col_names[i], options);
            continue;
        }
        const uint32 width = i < m_col_widths.size() ? m_col_widths[i] : 0;
        options.m_columns.emplace_back(m_col_names[i], header_width(codes[i], width));
    }
    if (!options.m_no_whitespace) {
        for (auto& cell : options.m_columns) {
            cell.m_width = std::max<uint64>(cell.m_width, cell.m_text.size());
        }
    }
    write_header_row(out, options);
    return true;
}

void sql_select_spec::write_rows(std::ostream& out, const std::vector<int>& codes,
                                 cmd_params& options) const {
    const int cells = static_cast<int>(options.m_columns.size());
    const uint32 flags = options.m_quoted_csv ? cell_flag::quote_text : 0;
    for (const auto& values : m_rows) {
        output_record row(cells, false, flags);
        int index = 0;
        // Only values that have a column are rendered; extra ones are ignored.
        const std::size_t used = std::min(values.size(), codes.size());
        for (std::size_t i = 0; i < used; ++i) {
            index += fill_cell(row, index, codes[i], values[i], options.m_pair_datetime);
        }
        write_record(out, row, options);
    }
}

void sql_select_spec::render(std::ostream& out, cmd_params& options) const {
    if (!is_valid()) {
        return;
    }
    out << "SQL statement: " << m_sql << '\n';
    if (m_rows.empty()) {
        return;
    }
    std::vector<int> codes(m_col_names.size(), code_text);
    if (options.m_header_pending && !build_header(out, codes, options)) {
        return;
    }
    if (options.m_bodyfile || options.m_csvgen) {
        return;
    }
    write_rows(out, codes, options);
}
