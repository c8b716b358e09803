// The reads of sqlite3_adt: single values of the register and the run table, the register
// as a list or map, and every run.

#include <utility>

#include "resultsdb/results_callbacks.h"
#include "resultsdb/sql_names.h"
#include "resultsdb/sql_statement.h"
#include "resultsdb/sqlite3_adt.h"
#include "sqlite/sql_result_set.h"
#include "text/number_text.h"

bool sqlite3_adt::read_first_value(const std::string& sql, const binder& bind, std::string& value) {
    value.clear();
    if (!m_open) {
        return false;
    }
    sql_statement statement(m_db, sql);
    if (!statement.ok() || !bind(statement) || statement.step() != SQLITE_ROW) {
        return false;
    }
    value = statement.column_text(0);
    return true;
}

int64 sqlite3_adt::read_number(const std::string& sql, const binder& bind) {
    std::string text;
    uint64 value = 0;
    // A NULL (MAX of an empty table) reads as empty text, which does not parse: 0.
    if (!read_first_value(sql, bind, text) || !string_to_uint64(text, &value)) {
        return 0;
    }
    return static_cast<int64>(value);
}

bool sqlite3_adt::metadata_exists(int64 key) {
    std::string ignored;
    return read_first_value(
        "select `runtime` from " + backquoted_name(m_metadata_table) + " where runtime=?;",
        [key](sql_statement& s) { return s.bind_int64(1, key); }, ignored);
}

int64 sqlite3_adt::get_row_data_end(int64 key) {
    return read_number(
        "select `row_data_end` from " + backquoted_name(m_metadata_table) + " where runtime=?;",
        [key](sql_statement& s) { return s.bind_int64(1, key); });
}

int64 sqlite3_adt::get_last_rowid(const std::string& table_name) {
    return read_number(
        "select `last_rowid` from " + backquoted_name(m_ref_table) + " where table_name=?;",
        [&table_name](sql_statement& s) { return s.bind_text(1, table_name); });
}

bool sqlite3_adt::read_ref_last_rowid(int64& out, const std::string& table_name) {
    out = 0;
    std::string text;
    if (!read_first_value(
            "select `last_rowid` from " + backquoted_name(m_ref_table) + " where table_name=?;",
            [&table_name](sql_statement& s) { return s.bind_text(1, table_name); }, text)) {
        return false;
    }
    uint64 value = 0;
    if (string_to_uint64(text, &value)) {
        out = static_cast<int64>(value);
    }
    return true;
}

bool sqlite3_adt::table_registered(const std::string& table_name) {
    int64 ignored = 0;
    return read_ref_last_rowid(ignored, table_name);
}

int64 sqlite3_adt::select_max_rowid(const std::string& table_name) {
    return read_number("select MAX(rowid) from " + backquoted_name(table_name) + ";",
                       [](sql_statement&) { return true; });
}

bool sqlite3_adt::read_register(std::vector<std::vector<std::string>>& rows) {
    rows.clear();
    if (!m_open) {
        return false;
    }
    sql_result_set result;
    const std::string sql =
        "select `table_name`, `last_rowid` from " + backquoted_name(m_ref_table) + ";";
    if (!sql_transaction(&result, this, {sql}, sql_row_callback)) {
        return false;
    }
    rows = std::move(result.rows);
    return true;
}

bool sqlite3_adt::read_ref_tables(std::vector<std::string>& out) {
    out.clear();
    std::vector<std::vector<std::string>> rows;
    if (!read_register(rows)) {
        return false;
    }
    for (const std::vector<std::string>& row : rows) {
        if (!row.empty()) {
            out.push_back(row[0]);
        }
    }
    return !out.empty();
}

bool sqlite3_adt::read_ref_map(std::map<std::string, int64>& out) {
    out.clear();
    std::vector<std::vector<std::string>> rows;
    if (!read_register(rows)) {
        return false;
    }
    for (const std::vector<std::string>& row : rows) {
        if (row.size() < 2) {
            continue;
        }
        uint64 value = 0;
        const int64 last = string_to_uint64(row[1], &value) ? static_cast<int64>(value) : 0;
        (void)out.emplace(row[0], last);  // a name already present keeps its first value
    }
    return !out.empty();
}

bool sqlite3_adt::read_metadata(std::map<int64, metadata_record>& out) {
    out.clear();
    if (!m_open) {
        return false;
    }
    sql_result_set result;
    result.user_data = &out;
    const std::string sql = "select * from " + backquoted_name(m_metadata_table) + ";";
    return sql_transaction(&result, this, {sql}, sql_rows_callback) && !out.empty();
}
