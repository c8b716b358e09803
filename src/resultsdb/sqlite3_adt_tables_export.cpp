// The exports and free queries of sqlite3_adt: a query's result as texts, every data table
// into a CSV file of its own with the describing runs' columns, and one table into a file.

#include <map>
#include <streambuf>
#include <string_view>

#include "cmdline/cmd_params.h"
#include "io/kq_dir_files.h"
#include "io/uni_fileio.h"
#include "resultsdb/csv_export_state.h"
#include "resultsdb/sql_names.h"
#include "resultsdb/sqlite3_adt.h"
#include "sqlite/sql_result_set.h"
#include "text/console_output.h"
#include "text/name_list.h"

namespace {

// The status line is kept to the width of a narrow terminal.
constexpr int status_width = 40;

// Hands everything written to it on to target with a CR before each LF: the dump's lines
// end in LF, the exported file's in CR LF.
class crlf_streambuf : public std::streambuf {
public:
    explicit crlf_streambuf(std::ostream& target) : m_target(target) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        const char byte = traits_type::to_char_type(c);
        (void)xsputn(&byte, 1);
        return m_target ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        const std::string_view view(text, static_cast<std::size_t>(count));
        std::size_t start = 0;
        for (std::size_t lf = view.find('\n'); lf != std::string_view::npos;
             lf = view.find('\n', start)) {
            put(view.substr(start, lf - start));
            put("\r\n");
            start = lf + 1;
        }
        put(view.substr(start));
        return m_target ? count : 0;
    }

private:
    void put(std::string_view part) {
        m_target.write(part.data(), static_cast<std::streamsize>(part.size()));
    }

    std::ostream& m_target;
};

using runs_by_table = std::multimap<std::string, const metadata_record*>;

void export_one_table(sqlite3_adt& database, const std::string& folder, const std::string& table,
                      const runs_by_table& runs, const cmd_params* csv_options) {
    std::string file_name;
    const std::string path = folder + "/" + sanitize_name(file_name, table) + ".csv";
    uni::fileio file;
    if (!file.open(path, true, false, true)) {
        stderr_printf("prob opening %s for output, skipping this data table\n", path.c_str());
        return;
    }
    csv_export_state state;
    state.table_name = table;
    state.options = csv_options;
    state.output = &file;
    const auto [first, last] = runs.equal_range(table);
    for (auto run = first; run != last; ++run) {
        (void)state.runs_by_last_row.emplace(static_cast<uint64>(run->second->row_data_end),
                                             *run->second);  // an equal end keeps the first
    }
    sql_result_set result;
    result.user_data = &state;
    // A table missing from the file, or a row that no run covers, ends this table only;
    // what was written stays.
    (void)sql_transaction(&result, &database, {"select * from " + bracketed_name(table) + ";"},
                          csv_export_row);
    (void)file.close();  // a failed write loses this file's tail only
}

}  // namespace

bool sqlite3_adt::generic_sql_select(std::vector<std::string>& names,
                                     std::vector<std::vector<std::string>>& rows,
                                     const std::string& sql, cmd_params* options) {
    names.clear();
    rows.clear();
    if (sql.empty()) {
        return false;
    }
    sql_result_set result;
    if (!sql_transaction(&result, this, {sql}, sql_row_callback)) {
        diag_msg(options, "sqlite3_adt::generic_sql_select: prob calling sql_transaction");
        diag_stream_text(options, result.log);
    }
    if (result.rows.empty()) {
        diag_msg(options, "sqlite3_adt::generic_sql_select: no rows returned");
        return false;
    }
    names = std::move(result.column_names);
    rows = std::move(result.rows);
    return true;
}

bool sqlite3_adt::export_results_tables(const std::string& folder, bool use_options,
                                        cmd_params& options) {
    if (!m_open || folder.empty()) {
        return false;
    }
    std::map<int64, metadata_record> runs;
    if (!read_metadata(runs)) {
        return false;
    }
    runs_by_table by_table;
    for (const auto& [key, run] : runs) {
        by_table.emplace(run.data_tbl_name, &run);
    }
    std::map<std::string, int64> tables;
    if (!read_ref_map(tables) || !kqportdir::make_dir_path(folder)) {
        return false;
    }
    for (const auto& [table, last_rowid] : tables) {
        if (table == m_metadata_table) {
            continue;
        }
        if (options.m_status_output) {
            (void)print_status_width(status_width, "analyzing %s\n", table.c_str());
        }
        export_one_table(*this, folder, table, by_table, use_options ? &options : nullptr);
    }
    options.clear_status_line();
    return true;
}

bool sqlite3_adt::export_table_to_file(const std::string& path, const std::string& table,
                                       cmd_params& options) {
    if (!m_open || path.empty() || table.empty()) {
        return false;
    }
    uni::fileio file;
    std::ostream* out = file.open(path, true, true, true) ? file.get_ostream() : nullptr;
    if (out == nullptr) {
        stderr_printf("prob accessing %s, aborting\n", path.c_str());
        return false;
    }
    crlf_streambuf crlf(*out);
    std::ostream lines(&crlf);
    if (!dump_table(lines, table, options, true)) {
        return false;
    }
    options.clear_status_line();
    return file.close();
}
