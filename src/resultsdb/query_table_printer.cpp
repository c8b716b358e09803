#include "resultsdb/query_table_printer.h"

#include <algorithm>

#include "cmdline/cmd_params.h"
#include "cmdline/record_writer.h"
#include "text/kq_variant_lite.h"

namespace {

// Columns with no caption of their own show the query's column names as text.
std::vector<kq_variant_lite> query_columns(const std::vector<std::string>& names,
                                           const cmd_params& options, std::vector<uint64>& widths) {
    std::vector<kq_variant_lite> columns = options.m_columns;
    const std::size_t given = columns.size();
    if (names.size() < given) {
        return columns;  // the options describe more columns than the query has: kept
    }
    for (std::size_t i = 0; i < given; ++i) {
        kq_variant_lite& column = columns[i];
        if (column.m_text.empty()) {
            column = kq_variant_lite(names[i], names[i].size(), variant_type::text, 0);
        }
        if (column.m_type == variant_type::empty) {
            column.m_type = variant_type::text;
        }
        if (column.m_flags == 0) {
            column.m_flags = cell_flag::caption;
        }
        widths[i] = std::max(widths[i], column.m_width);
    }
    for (std::size_t i = given; i < names.size(); ++i) {
        columns.emplace_back(names[i], names[i].size(), variant_type::text, cell_flag::caption);
        if (!options.m_no_whitespace) {
            widths[i] = std::max(widths[i], columns[i].m_width);
        }
    }
    return columns;
}

// Every column as wide as its widest value, capped at max_width when one is given.
void fit_widths(std::vector<kq_variant_lite>& columns, std::vector<uint64>& widths,
                const std::vector<std::vector<std::string>>& rows, uint32 max_width, bool cut) {
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) {
            widths[i] = std::max<uint64>(widths[i], row[i].size());
        }
    }
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (max_width != 0) {
            widths[i] = std::min<uint64>(widths[i], max_width);
        }
        kq_variant_lite& column = columns[i];
        column.m_width = widths[i];
        if (max_width != 0) {
            column.m_max_text_length = static_cast<uint16>(std::min<uint32>(max_width, UINT16_MAX));
            if (cut) {
                column.m_flags |= cell_flag::cut_text;
            }
        }
    }
}

}  // namespace

bool print_query_table(std::ostream& out, const std::vector<std::string>& names,
                       const std::vector<std::vector<std::string>>& rows, cmd_params& options,
                       uint32 max_width, bool cut, field_text_converter convert1,
                       field_text_converter convert2) {
    if (names.empty() || rows.empty()) {
        return false;
    }
    const int fields =
        static_cast<int>(std::min<std::size_t>(names.size(), output_record::max_fields));
    const uint32 cell_flags = options.m_quoted_csv ? cell_flag::quote_text : 0;
    std::vector<uint64> widths(names.size(), 0);
    std::vector<kq_variant_lite> columns = query_columns(names, options, widths);
    if (!options.m_no_whitespace) {
        fit_widths(columns, widths, rows, max_width, cut);
    }
    write_column_header(out, columns, options.m_separator, false, options.m_no_whitespace);
    options.m_header_pending = false;
    cmd_params row_options(options);
    row_options.m_columns = columns;
    for (const std::vector<std::string>& values : rows) {
        output_record row(fields, false, cell_flags);
        for (int i = 0; i < fields && static_cast<std::size_t>(i) < values.size(); ++i) {
            (void)row.copy_field(i, values[static_cast<std::size_t>(i)], columns,
                                 &options.m_time_spec, convert1, convert2);  // refused: blank
        }
        write_record(out, row, row_options);
    }
    return true;
}
