#pragma once
// Running lists of SQL statements through the exec entry of g_sqlite_api and collecting
// what they return: sql_result_set holds one list's column names, rows, last-insert rowids
// and error log; sql_transaction runs the list; sql_row_callback is the exec callback that
// fills the set. The two other exec callbacks and the dump printer serve callers that
// want the values written out or gathered in a flat list.

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "text/kq_types.h"

class sqlite_wrapper;

// The form of an sqlite3_exec row callback: context, value count, value texts (null for an
// SQL NULL), column names. A non-zero result makes SQLite stop the statement.
using sql_exec_callback = int (*)(void* context, int count, char** values, char** names);

// The column type code a caller sets for a column whose values are raw bytes, so that
// dump_result_set writes them in hex.
inline constexpr int32 column_type_hex_bytes = 3;

// The results of one statement list; owned by its caller.
struct sql_result_set {
    sql_result_set();

    // Empties every list and the log, clears both flags and both pointers.
    void reset();

    std::vector<int32> column_types;  // set by a caller; read only by dump_result_set
    std::vector<std::string> column_names;
    std::vector<std::vector<std::string>> rows;
    std::vector<int64> rowids;  // sqlite3_last_insert_rowid after each statement that ran
    std::ostringstream log;     // the failing statement and SQLite's error text
    // When set, sql_row_callback writes rows here instead of collecting them.
    std::ostream* echo = nullptr;
    bool names_echoed = false;
    // The failing statement tried to create something that is already there.
    bool already_exists = false;
    // The state that row callbacks other than sql_row_callback fill.
    void* user_data = nullptr;
};

// Runs each statement in order through sqlite3_exec on the wrapper's connection with the
// callback and the result set as its context; the first failure is logged and stops the
// list with false. False also for a null result set or wrapper, an empty list, or a wrapper
// without a connection.
[[nodiscard]] bool sql_transaction(sql_result_set* result, sqlite_wrapper* wrapper,
                                   const std::vector<std::string>& statements,
                                   sql_exec_callback callback);

// context: an sql_result_set. Column names once, then each row (an SQL NULL as ""); with
// an echo stream, " | "-joined names and values are written there instead. Always 0.
int sql_row_callback(void* context, int count, char** values, char** names);
// context: a std::ostream. Each non-null value and a line end. Always 0.
int print_values_callback(void* context, int count, char** values, char** names);
// context: a std::vector<std::string>. Appends each value, an SQL NULL as "". Always 0.
int collect_values_callback(void* context, int count, char** values, char** names);

// Empties the stream and writes the query for the CREATE TABLE texts of a database.
bool table_list_sql(std::ostringstream& stream);

// The column names, a blank line, then one " | "-terminated line per row; columns marked
// column_type_hex_bytes are written as hex byte pairs.
void dump_result_set(const sql_result_set& result, std::ostream& out);
