// The read-backs of sqlite3_adt: a table dumped as separated text, and every run's output
// lines exported into one file per run.

#include <algorithm>

#include "cmdline/cell_render.h"
#include "cmdline/cmd_params.h"
#include "io/kq_dir_files.h"
#include "resultsdb/results_callbacks.h"
#include "resultsdb/sql_file_results.h"
#include "resultsdb/sql_names.h"
#include "resultsdb/sqlite3_adt.h"
#include "sqlite/sql_result_set.h"
#include "text/hex_text.h"
#include "text/text_lines.h"
#include "text/text_replace.h"

namespace {

// Control bytes and bytes outside ASCII would garble a text dump; they are shown in hex.
constexpr unsigned char first_printable = 0x20;
constexpr unsigned char delete_byte = 0x7F;

bool needs_hex(const std::string& value) {
    return std::any_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < first_printable || byte >= delete_byte;
    });
}

// The non-blank characters of the separator: those that would start a new column.
std::string separator_characters(const std::string& separator) {
    std::string out;
    for (const char c : separator) {
        if (c != ' ') {
            out += c;
        }
    }
    return out;
}

// A JSON-like value ({"...) reads better bare and needs no quotes while it cannot be taken
// for two columns.
bool stays_bare(const std::string& value, const std::string& separator) {
    const std::string specials = separator_characters(separator);
    return value.size() > 2 && value[0] == '{' && value[1] == '"' &&
           (specials.empty() || value.find_first_of(specials) == std::string::npos);
}

std::string dump_value(std::string value, const cmd_params& options, bool raw) {
    (void)mark_line_breaks(value);  // edits in place
    if (!raw && needs_hex(value)) {
        return "hex={" + byte_array_hex_string(byte_array(value.begin(), value.end()), " ") + "}";
    }
    if (options.m_quoted_csv) {
        return stays_bare(value, options.m_separator) ? value : quoted_csv_value(value);
    }
    if (options.m_delimiter != 0) {
        // As the table writer does: a zero substitute would put NUL bytes into the text.
        const char substitute =
            options.m_delimiter_substitute != 0 ? options.m_delimiter_substitute : ' ';
        replace_char(value, options.m_delimiter, substitute, false);
        return value;
    }
    return keep_separator_out(value, options);
}

void write_dump_line(std::ostream& out, const std::vector<std::string>& values,
                     const std::string& separator) {
    std::string line;
    for (std::size_t i = 0; i < values.size(); ++i) {
        line += i == 0 ? "" : separator;
        line += values[i];
    }
    line += '\n';
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

}  // namespace

bool sqlite3_adt::dump_table(std::ostream& out, const std::string& table_name,
                             const cmd_params& options, bool raw) {
    if (!m_open || table_name.empty()) {
        return false;
    }
    sql_result_set result;
    const std::string sql = "select * from " + backquoted_name(table_name) + ";";
    if (!sql_transaction(&result, this, {sql}, sql_row_callback) || result.rows.empty()) {
        return false;
    }
    write_dump_line(out, result.column_names, options.m_separator);
    for (std::vector<std::string>& row : result.rows) {
        for (std::string& value : row) {
            value = dump_value(std::move(value), options, raw);
        }
        write_dump_line(out, row, options.m_separator);
    }
    return true;
}

bool sqlite3_adt::read_desired_output(std::vector<std::string>& files, const std::string& folder) {
    if (!m_open) {
        return false;
    }
    sql_file_results results;
    results.m_folder = folder;
    sql_result_set runs;
    runs.user_data = &results.m_runs;
    const std::string sql = "select * from " + backquoted_name(m_metadata_table) + ";";
    if (!sql_transaction(&runs, this, {sql}, sql_rows_callback)) {
        return false;
    }
    std::vector<std::string> tables;
    if (!kqportdir::make_dir_path(folder) || !read_ref_tables(tables)) {
        return false;
    }
    for (const std::string& table : tables) {
        if (table == m_metadata_table) {
            continue;  // holds runs, no output lines
        }
        // A table without these columns, or with a row of no known run, fails alone: the
        // tables after it are still exported.
        (void)run_statements(
            &results, this,
            {"select `metaref`,`desired_output` from " + backquoted_name(table) + ";"},
            csv_name_callback);
    }
    for (const std::string& path : results.m_files) {
        if (std::find(files.begin(), files.end(), path) == files.end()) {
            files.push_back(path);
        }
    }
    return true;
}
