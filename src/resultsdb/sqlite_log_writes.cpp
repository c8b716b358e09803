// The batch writes of the results log: one prepared insert per table and flush, rebound for
// every queued row inside one transaction. Every step is checked; one failure rolls the
// whole batch back and keeps the queue, so no row is lost or written twice.

#include <sqlite3.h>

#include "resultsdb/file_table_columns.h"
#include "resultsdb/results_clock.h"
#include "resultsdb/sql_names.h"
#include "resultsdb/sql_statement.h"
#include "resultsdb/sqlite_log.h"
#include "sqlite/sqlite_api.h"
#include "time/kq_time.h"
#include "time/time_format.h"

namespace {

// Row keys: the current FILETIME count plus a counter for rows written within one tick, so
// the rows of one batch get distinct, rising keys even when the clock has not moved.
class row_key_clock {
public:
    int64 next() {
        const int64 now = results_clock::now();
        if (now == m_last) {
            ++m_counter;
        } else {
            m_last = now;
            m_counter = 0;
        }
        return now + m_counter;
    }

private:
    int64 m_last = 0;
    int64 m_counter = 0;
};

// "insert into `t` (`key`, `a`, `b`) values(?,?,?);"
std::string insert_text(const table_layout& layout) {
    std::string columns;
    std::string marks;
    for (std::size_t k = 0; k < layout.columns.size(); ++k) {
        columns += (k == 0 ? "" : ", ") + backquoted_name(layout.columns[k].first);
        marks += k == 0 ? "?" : ",?";
    }
    return "insert into " + backquoted_name(layout.name) + " (" + columns + ") values(" +
           marks + ");";
}

bool bind_text_row(sql_statement& statement, const queued_text_row& row, std::size_t columns,
                   int64 key) {
    if (!statement.bind_int64(1, key)) {
        return false;
    }
    // A short row leaves its last columns NULL; a long one is cut to the table.
    const std::size_t count = std::min(row.values.size(), columns - 1);
    for (std::size_t k = 0; k < count; ++k) {
        if (!statement.bind_text(static_cast<int>(k) + 2, row.values[k])) {
            return false;
        }
    }
    return true;
}

// Ends a batch: commits when every row went in, else rolls back. True once committed.
bool end_batch(sqlite3* db, bool rows_written) {
    if (rows_written && exec_sql(db, "END TRANSACTION")) {
        return true;
    }
    // Fails harmlessly when SQLite (or a trigger) already rolled the transaction back.
    (void)exec_sql(db, "ROLLBACK TRANSACTION");
    return false;
}

int64 last_insert_rowid(sqlite3* db) {
    return g_sqlite_api.sqlite3_last_insert_rowid == nullptr
               ? 0
               : g_sqlite_api.sqlite3_last_insert_rowid(db);
}

}  // namespace

bool sqlite_log::write_generic_rows(const std::string& table) {
    if (!m_ready || m_text_queues.empty() || m_layouts.empty()) {
        return false;
    }
    const auto queue = m_text_queues.find(table);
    const auto layout = m_layouts.find(table);
    if (queue == m_text_queues.end() || queue->second.empty() || layout == m_layouts.end() ||
        layout->second.columns.size() < 2 || m_table_flags.count(table) == 0) {
        return false;
    }
    bool written = false;
    {
        sql_statement statement(m_db, insert_text(layout->second));
        // A batch that cannot start would run inside someone else's transaction.
        if (!statement.ok() || !exec_sql(m_db, "BEGIN TRANSACTION")) {
            return false;
        }
        row_key_clock keys;
        bool rows_written = true;
        for (const queued_text_row& row : queue->second) {
            rows_written = bind_text_row(statement, row, layout->second.columns.size(),
                                         keys.next()) &&
                           statement.step() == SQLITE_DONE;
            statement.clear_and_reset();
            if (!rows_written) {
                break;
            }
        }
        written = end_batch(m_db, rows_written);
    }
    if (!written) {
        return false;
    }
    // The rows are in; a register that lags behind is corrected by the next write.
    (void)update_ref(table, last_insert_rowid(m_db));
    queue->second.clear();
    queue->second.reserve(queue_reserve);
    return true;
}

bool sqlite_log::write_file_rows(const std::string& table) {
    if (!m_ready || m_file_queues.empty() || m_layouts.empty()) {
        return false;
    }
    const auto queue = m_file_queues.find(table);
    const auto layout = m_layouts.find(table);
    const auto kind = m_table_flags.find(table);
    if (queue == m_file_queues.end() || queue->second.empty() || layout == m_layouts.end() ||
        layout->second.columns.size() < 2 || kind == m_table_flags.end()) {
        return false;
    }
    bool written = false;
    bool stepped = false;
    {
        sql_statement statement(m_db, insert_text(layout->second));
        if (!statement.ok() || !exec_sql(m_db, "BEGIN TRANSACTION")) {
            return false;  // as for text rows
        }
        row_key_clock keys;
        bool rows_written = true;
        for (file_listing_row& row : queue->second) {
            if (row.m_path.empty()) {
                continue;  // nothing was found at the path: no row
            }
            const file_row_result result =
                write_file_row(statement, layout->second, kind->second, row, keys.next());
            statement.clear_and_reset();
            stepped = stepped || result == file_row_result::written;
            rows_written = result != file_row_result::failed;
            if (!rows_written) {
                break;
            }
        }
        written = end_batch(m_db, rows_written);
    }
    if (!written) {
        return false;
    }
    // Without a row of this table the last insert rowid is another table's.
    if (stepped) {
        (void)update_ref(table, last_insert_rowid(m_db));  // as for text rows
    }
    queue->second.clear();
    queue->second.reserve(queue_reserve);
    return true;
}
