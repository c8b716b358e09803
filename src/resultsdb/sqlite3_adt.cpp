#include "resultsdb/sqlite3_adt.h"

#include "resultsdb/results_clock.h"
#include "resultsdb/sql_names.h"
#include "resultsdb/sql_statement.h"
#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"

namespace {

int64 last_insert_rowid(sqlite3* db) {
    if (db == nullptr || g_sqlite_api.sqlite3_last_insert_rowid == nullptr) {
        return 0;
    }
    return g_sqlite_api.sqlite3_last_insert_rowid(db);
}

// Binds the fields of the metadata columns first..last (0-based, inclusive) to parameters
// from index on; the record outlives the statement's step.
bool bind_fields(sql_statement& statement, const metadata_record& run, std::size_t first,
                 std::size_t last, int index) {
    for (std::size_t k = first; k <= last; ++k, ++index) {
        const metadata_field& field = metadata_fields[k];
        const bool bound = field.number != nullptr ? statement.bind_int64(index, run.*field.number)
                                                   : statement.bind_text(index, run.*field.text);
        if (!bound) {
            return false;
        }
    }
    return true;
}

std::string column_list(std::size_t count, const char* joiner, const char* suffix) {
    std::string out;
    for (std::size_t k = 0; k < count; ++k) {
        out += k == 0 ? "" : joiner;
        out += std::string("`") + metadata_fields[k].name + "`" + suffix;
    }
    return out;
}

}  // namespace

sqlite3_adt::sqlite3_adt() { set_default_names(); }

void sqlite3_adt::set_default_names() {
    // init alone would drop the handle of an open database without closing it.
    close();
    init();
    m_metadata_table = "metadata";
    m_ref_table = "ref";
    m_ref_ready = false;
    m_metadata_ready = false;
}

sqlite3_adt::write_result sqlite3_adt::write_once(const std::string& sql, bool in_transaction,
                                                  const binder& bind) {
    sql_statement statement(m_db, sql);
    if (!statement.ok()) {
        return write_result::not_prepared;
    }
    const bool bracketed = in_transaction && exec_sql(m_db, "BEGIN TRANSACTION");
    bool done = bind(statement) && statement.step() == SQLITE_DONE;
    if (bracketed) {
        done = done && exec_sql(m_db, "END TRANSACTION");
        if (!done) {
            // Fails harmlessly when SQLite (or a trigger) already rolled the transaction back.
            (void)exec_sql(m_db, "ROLLBACK TRANSACTION");
        }
    }
    return done ? write_result::done : write_result::step_failed;
}

bool sqlite3_adt::create_ref_table() {
    if (!m_open) {
        return false;
    }
    const std::string sql = "create table " + backquoted_name(m_ref_table) +
                            " (`table_name` varchar primary key  not null"
                            ", `last_rowid` integer, `last_update` integer);";
    sql_result_set result;
    return sql_transaction(&result, this, {sql}, sql_row_callback) || result.already_exists;
}

bool sqlite3_adt::create_metadata_table() {
    if (!m_open) {
        return false;
    }
    std::string columns;
    for (std::size_t k = 0; k < metadata_column_count; ++k) {
        const metadata_field& field = metadata_fields[k];
        columns += k == 0 ? "" : ", ";
        columns += std::string("`") + field.name + "` " +
                   (field.number != nullptr ? "integer" : "varchar");
    }
    const std::string sql =
        "create table " + backquoted_name(m_metadata_table) + " (" + columns + ");";
    sql_result_set result;
    if (!sql_transaction(&result, this, {sql}, sql_row_callback)) {
        return result.already_exists;
    }
    ref_row row;
    row.table_name = m_metadata_table;
    // A failed step means the name is registered already; only a statement that could not
    // even be prepared calls for the update instead.
    if (register_table(row) == write_result::not_prepared) {
        (void)update_ref(m_metadata_table, 0);  // the table itself exists either way
    }
    return true;
}

sqlite3_adt::write_result sqlite3_adt::register_table(ref_row& row) {
    if (!m_open) {
        return write_result::not_prepared;
    }
    row.last_update = results_clock::now();
    const std::string sql = "insert into " + backquoted_name(m_ref_table) +
                            " (`table_name`,`last_rowid`,`last_update`) values(?,?,?);";
    return write_once(sql, true, [&row](sql_statement& s) {
        return s.bind_text(1, row.table_name) && s.bind_int64(2, row.last_rowid) &&
               s.bind_int64(3, row.last_update);
    });
}

bool sqlite3_adt::insert_ref(ref_row& row) { return register_table(row) == write_result::done; }

bool sqlite3_adt::update_ref(const std::string& table_name, int64 last_rowid) {
    if (!m_open) {
        return false;
    }
    const int64 rowid = last_rowid != 0 ? last_rowid : last_insert_rowid(m_db);
    const int64 now = results_clock::now();
    const std::string sql = "update " + backquoted_name(m_ref_table) +
                            " set `last_rowid`=?, `last_update`=? where table_name=?;";
    return write_once(sql, false, [&](sql_statement& s) {
               return s.bind_int64(1, rowid) && s.bind_int64(2, now) && s.bind_text(3, table_name);
           }) == write_result::done;
}

bool sqlite3_adt::insert_metadata(const metadata_record& run) {
    if (!m_open) {
        return false;
    }
    std::string marks;
    for (std::size_t k = 0; k < metadata_column_count; ++k) {
        marks += k == 0 ? "?" : ",?";
    }
    const std::string sql = "insert into " + backquoted_name(m_metadata_table) + " (" +
                            column_list(metadata_column_count, ",", "") + ") values(" + marks +
                            ");";
    const bool written = write_once(sql, true, [&run](sql_statement& s) {
                             return bind_fields(s, run, 0, metadata_column_count - 1, 1);
                         }) == write_result::done;
    // Only a written row may be recorded: the last insert rowid would be another table's.
    return written && update_ref(m_metadata_table, 0);
}

bool sqlite3_adt::update_metadata(int64 old_key, int64 new_key, const metadata_record& run) {
    if (!m_open) {
        return false;
    }
    // Every column up to row_data_start; row_data_end belongs to the row writers.
    constexpr std::size_t updated = metadata_column_count - 1;
    const std::string sql = "update " + backquoted_name(m_metadata_table) + " set " +
                            column_list(updated, ", ", "=?") + " where runtime=?;";
    return write_once(sql, false, [&](sql_statement& s) {
               return s.bind_int64(1, new_key) && bind_fields(s, run, 1, updated - 1, 2) &&
                      s.bind_int64(static_cast<int>(updated) + 1, old_key);
           }) == write_result::done;
}

bool sqlite3_adt::set_row_data_start(int64 key, int64 value) {
    if (!m_open) {
        return false;
    }
    const std::string sql =
        "update " + backquoted_name(m_metadata_table) + " set `row_data_start`=? where runtime=?;";
    return write_once(sql, false, [&](sql_statement& s) {
               return s.bind_int64(1, value) && s.bind_int64(2, key);
           }) == write_result::done;
}

bool sqlite3_adt::set_row_data_end(int64 key, int64 value, bool keep_zero) {
    if (!m_open) {
        return false;
    }
    const int64 end = value == 0 && !keep_zero ? last_insert_rowid(m_db) : value;
    const std::string sql =
        "update " + backquoted_name(m_metadata_table) + " set `row_data_end`=? where runtime=?;";
    return write_once(sql, false, [&](sql_statement& s) {
               return s.bind_int64(1, end) && s.bind_int64(2, key);
           }) == write_result::done;
}

bool sqlite3_adt::start_run(int64& key_out, int64 previous_key, metadata_record& run,
                            bool continuation) {
    if (!m_open) {
        return false;
    }
    const int64 key = results_clock::next_run_key();
    key_out = key;
    if (continuation && previous_key != 0) {
        run.chunk = 1;
        if (run.parent == 0) {
            run.parent = previous_key;
        }
    } else {
        run.chunk = 0;
        run.parent = 0;
    }
    if (get_row_data_end(previous_key) != 0) {
        // The previous run is closed: the new one gets a row of its own.
        run.row_data_start = get_last_rowid(run.data_tbl_name) + 1;
        run.runtime = key;
        m_run_time = key;
        return insert_metadata(run);
    }
    // The previous run is still open (or has no row yet): it becomes this run. A row that
    // does not exist yet is inserted by the row writer with the first batch.
    run.chunk = 0;
    run.parent = 0;
    run.row_data_start = get_last_rowid(run.data_tbl_name) + 1;
    m_run_time = key;
    return update_metadata(previous_key, key, run);
}
