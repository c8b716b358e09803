#include "resultsdb/results_callbacks.h"

#include <map>
#include <span>

#include "resultsdb/metadata_record.h"
#include "resultsdb/sql_file_results.h"
#include "resultsdb/sqlite3_adt.h"
#include "sqlite/sqlite_api.h"
#include "text/console_output.h"
#include "text/number_text.h"

namespace {

constexpr int stop_statement = -1;
// A desired-output read returns exactly these two columns: metaref, desired_output.
constexpr int output_row_width = 2;

// The count entries of an exec callback's array; none when SQLite passed no array.
std::span<char* const> entries(char** list, int count) {
    if (list == nullptr || count <= 0) {
        return {};
    }
    return {list, static_cast<std::size_t>(count)};
}

// The text after the last '/', all of it when there is none.
std::string last_part(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A stored text as one part of a file name: blanks read better as '_', and a '/' would
// move the file out of the export folder.
std::string name_part(std::string text) {
    for (char& c : text) {
        if (c == ' ' || c == '/') {
            c = '_';
        }
    }
    return text;
}

std::string run_file_path(const sql_file_results& results, const metadata_record& run, uint64 key) {
    const std::string file = name_part(last_part(run.file));
    return results.m_folder + "/" + name_part(run.toolname) + "_" + (file.empty() ? "_" : file) +
           "_" + name_part(run.artifact_type) + "_" + std::to_string(key) + "." +
           (run.separator.empty() ? "txt" : "csv");
}

// Makes the file of run key current. Absent run: false. A file that cannot be opened
// leaves no output, so the run's rows are skipped.
bool switch_run(sql_file_results& results, uint64 key) {
    const auto run = results.m_runs.find(static_cast<int64>(key));
    if (run == results.m_runs.end()) {
        return false;
    }
    results.m_output.reset();
    results.m_current_key = key;
    results.m_current_path = run_file_path(results, run->second, key);
    auto file = std::make_unique<uni::fileio>();
    if (!file->open(results.m_current_path, true, false, true)) {
        stderr_printf("prob opening %s for output, skipping this run\n",
                      results.m_current_path.c_str());
        return true;
    }
    results.m_files.push_back(results.m_current_path);
    (void)file->printf("%s\n", run->second.col_hdrs.c_str());  // a failed write shows at close
    results.m_output = std::move(file);
    return true;
}

}  // namespace

int sql_rows_callback(void* context, int count, char** values, char** names) {
    auto* result = static_cast<sql_result_set*>(context);
    if (result == nullptr) {
        return 0;
    }
    if (result->user_data == nullptr) {
        return stop_statement;
    }
    if (result->column_names.empty()) {
        for (const char* name : entries(names, count)) {
            result->column_names.emplace_back(name == nullptr ? "" : name);
        }
        if (result->column_names.empty()) {
            return stop_statement;
        }
    }
    metadata_record run;
    if (!run.parse_values(result->column_names, count, values)) {
        return stop_statement;
    }
    auto& runs = *static_cast<std::map<int64, metadata_record>*>(result->user_data);
    (void)runs.emplace(run.runtime, run);  // a key already there keeps its first record
    return 0;
}

int csv_name_callback(void* context, int count, char** values, char** /*names*/) {
    auto* results = static_cast<sql_file_results*>(context);
    if (results == nullptr || results->m_runs.empty() || results->m_folder.empty() ||
        count != output_row_width || values == nullptr) {
        return stop_statement;
    }
    const std::span<char* const> row = entries(values, count);
    uint64 key = 0;
    if (row[0] == nullptr || !parse_uint64(row[0], &key)) {
        key = 0;
    }
    // The first row always looks its run up, also when its key is 0.
    const bool new_run = key != results->m_current_key || results->m_current_path.empty();
    if (new_run && !switch_run(*results, key)) {
        return stop_statement;
    }
    if (results->m_output == nullptr) {
        return 0;  // this run's file could not be opened
    }
    (void)results->m_output->printf("%s\n", row[1] == nullptr ? "" : row[1]);  // see switch_run
    return 0;
}

bool run_statements(void* user_data, sqlite3_adt* database,
                    const std::vector<std::string>& statements, sql_exec_callback callback) {
    if (database == nullptr || statements.empty() || user_data == nullptr || !database->is_open() ||
        database->handle() == nullptr || g_sqlite_api.sqlite3_exec == nullptr) {
        return false;
    }
    for (const std::string& sql : statements) {
        if (g_sqlite_api.sqlite3_exec(database->handle(), sql.c_str(), callback, user_data,
                                      nullptr) != SQLITE_OK) {
            return false;
        }
    }
    return true;
}
