#pragma once
// sql_statement: one prepared statement of the results database, run through g_sqlite_api
// and finalized when it goes. Values always travel as bound parameters, never inside the
// SQL text.

#include <sqlite3.h>

#include <string>

#include "text/kq_types.h"

class sql_statement {
public:
    // Prepares the whole text on db; ok() tells whether that worked.
    sql_statement(sqlite3* db, const std::string& sql);
    ~sql_statement();
    sql_statement(const sql_statement&) = delete;
    sql_statement& operator=(const sql_statement&) = delete;
    sql_statement(sql_statement&&) = delete;
    sql_statement& operator=(sql_statement&&) = delete;

    [[nodiscard]] bool ok() const { return m_statement != nullptr; }

    // Parameters count from 1. bind_text does not copy: the text must stay alive and
    // unchanged until the step. bind_text_copy hands SQLite its own copy.
    [[nodiscard]] bool bind_int64(int index, int64 value);
    [[nodiscard]] bool bind_text(int index, const std::string& text);
    [[nodiscard]] bool bind_text_copy(int index, const std::string& text);

    // sqlite3_step's result; SQLITE_MISUSE when nothing was prepared.
    [[nodiscard]] int step();
    // Ready for the next row's values.
    void clear_and_reset();
    // Column col of the current row as text; empty for an SQL NULL.
    [[nodiscard]] std::string column_text(int col) const;

private:
    [[nodiscard]] bool bind_text_with(int index, const std::string& text,
                                      sqlite3_destructor_type destructor);

    sqlite3_stmt* m_statement = nullptr;
};

// Runs a statement without a callback, as the transaction brackets are run; true when
// SQLite reported success.
[[nodiscard]] bool exec_sql(sqlite3* db, const char* sql);
