// The data tables of results_db_writer: creating a run's table and writing a batch of rows
// into it in one transaction, with the run's metadata row and the register kept in step.

#include <time.h>

#include "resultsdb/data_table_columns.h"
#include "resultsdb/results_clock.h"
#include "resultsdb/results_db_writer.h"
#include "resultsdb/sql_names.h"
#include "resultsdb/sql_statement.h"
#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"
#include "text/text_split.h"

namespace {

// Tables made one right after the other get register times at least a millisecond apart.
constexpr long table_pause_ns = 1000000;

constexpr const char* generic_columns =
    "`metaref` integer, `val1` integer, `val2` integer, `val3` integer, `val4` integer, "
    "`val5` integer, `str1` varchar, `str2` varchar, `desired_output` varchar";
constexpr const char* generic_insert_columns =
    "(`metaref`,`val1`,`val2`,`val3`,`val4`,`val5`,`str1`,`str2`,`desired_output`)";

void pause_before_table() {
    const timespec pause{0, table_pause_ns};
    (void)nanosleep(&pause, nullptr);  // an interrupted pause only shortens the gap
}

bool is_generic(const metadata_record& run) { return run.data_tbl_name == generic_data_table; }

std::string named_columns(const std::vector<std::string>& names) {
    std::string out = "[metaref] integer";
    for (const std::string& name : names) {
        out += ", " + name + " varchar";
    }
    return out;
}

std::string insert_text(const metadata_record& run) {
    const std::string table = backquoted_name(run.data_tbl_name);
    if (is_generic(run)) {
        return "insert into " + table + " " + generic_insert_columns +
               " values(?,?,?,?,?,?,?,?,?);";
    }
    std::string names = "[metaref]";
    std::string marks = "?";
    for (const std::string& name : run.column_names) {
        names += ", " + name;
        marks += ",?";
    }
    return "insert into " + table + " (" + names + ") values(" + marks + ");";
}

bool bind_generic(sql_statement& s, int64 key, const generic_data_row& row) {
    return s.bind_int64(1, key) && s.bind_int64(2, row.val1) && s.bind_int64(3, row.val2) &&
           s.bind_int64(4, row.val3) && s.bind_int64(5, row.val4) && s.bind_int64(6, row.val5) &&
           s.bind_text(7, row.str1) && s.bind_text(8, row.str2) &&
           s.bind_text(9, row.desired_output);
}

// A row's values (or its output line split at '|'), one per column; a column without a
// value takes the integer 0 and values beyond the columns are dropped.
bool bind_named(sql_statement& s, int64 key, const generic_data_row& row, std::size_t columns) {
    std::vector<std::string> split;
    const std::vector<std::string>* values = &row.values;
    if (row.values.empty()) {
        (void)split_on_char(row.desired_output, '|', split, true, true, false);  // "" gives none
        values = &split;
    }
    if (!s.bind_int64(1, key)) {
        return false;
    }
    for (std::size_t j = 0; j < columns; ++j) {
        const int index = static_cast<int>(j) + 2;
        // The split values die with this call, so SQLite takes its own copy of each.
        const bool bound =
            j < values->size() ? s.bind_text_copy(index, (*values)[j]) : s.bind_int64(index, 0);
        if (!bound) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool results_db_writer::create_data_table(metadata_record& run) {
    if (!m_open) {
        return false;
    }
    pause_before_table();
    if (!m_ref_ready) {
        m_ref_ready = create_ref_table();
    }
    if (!m_metadata_ready) {
        m_metadata_ready = create_metadata_table();
    }
    if (table_registered(run.data_tbl_name)) {
        return true;
    }
    std::string columns = generic_columns;
    if (!is_generic(run)) {
        if (run.col_hdrs.empty() || !prepare_column_names(run)) {
            return false;
        }
        columns = named_columns(run.column_names);
    }
    const std::string sql =
        "create table " + bracketed_name(run.data_tbl_name) + " (" + columns + ");";
    sql_result_set result;
    if (!sql_transaction(&result, this, {sql}, sql_row_callback)) {
        return false;
    }
    ref_row row;
    row.table_name = run.data_tbl_name;
    return insert_ref(row);
}

bool results_db_writer::prepare_batch(int64& key) {
    if (!metadata_exists(key)) {
        metadata_record opened = m_metadata;
        opened.runtime = key;
        // The run's rows follow whatever the table holds already (an earlier session).
        opened.row_data_start = get_last_rowid(m_metadata.data_tbl_name) + 1;
        opened.row_data_end = 0;
        if (!insert_metadata(opened)) {
            return false;
        }
    }
    if (!table_registered(m_metadata.data_tbl_name)) {
        metadata_record table_run = m_metadata;
        table_run.runtime = key;
        if (!create_data_table(table_run)) {
            return false;
        }
        m_metadata.runtime = key;
        (void)update_metadata(key, key, m_metadata);  // the row exists; this refreshes it
    }
    if (key == 0) {
        key = results_clock::next_run_key();
        m_metadata.runtime = key;
        m_metadata.row_data_start = get_last_rowid(m_metadata.data_tbl_name) + 1;
        if (!update_metadata(0, key, m_metadata)) {
            return false;
        }
    }
    return true;
}

bool results_db_writer::insert_batch(int64 key, const std::vector<generic_data_row>& rows) {
    if (!is_generic(m_metadata) &&
        (m_metadata.col_hdrs.empty() || !prepare_column_names(m_metadata))) {
        return false;
    }
    sql_statement statement(m_db, insert_text(m_metadata));
    if (!statement.ok() || !exec_sql(m_db, "BEGIN TRANSACTION")) {
        return false;
    }
    const std::size_t columns = m_metadata.column_names.size();
    for (const generic_data_row& row : rows) {
        const bool bound = is_generic(m_metadata) ? bind_generic(statement, key, row)
                                                  : bind_named(statement, key, row, columns);
        if (!bound || statement.step() != SQLITE_DONE) {
            // One refused row refuses the batch: none of it is kept, so a retry writes each
            // row once. Fails harmlessly when a trigger rolled back already.
            statement.clear_and_reset();
            (void)exec_sql(m_db, "ROLLBACK TRANSACTION");
            return false;
        }
        statement.clear_and_reset();
    }
    if (!exec_sql(m_db, "END TRANSACTION")) {
        (void)exec_sql(m_db, "ROLLBACK TRANSACTION");  // a failed commit leaves it open
        return false;
    }
    return true;
}

bool results_db_writer::write_rows(int64 key, std::vector<generic_data_row>& rows) {
    if (!m_open || rows.empty() || !prepare_batch(key) || !insert_batch(key, rows)) {
        return false;
    }
    const int64 last = g_sqlite_api.sqlite3_last_insert_rowid != nullptr
                           ? g_sqlite_api.sqlite3_last_insert_rowid(m_db)
                           : 0;
    // The rows are committed: a register or run row that cannot be updated now must not
    // make the caller write them a second time.
    (void)update_ref(m_metadata.data_tbl_name, last);
    (void)set_row_data_end(key, last, false);
    return true;
}
