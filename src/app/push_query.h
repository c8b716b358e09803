#pragma once
// Running the SELECT statements of the push tables through the SQLite library. Failures
// become one line each in the options' message stream, worded as the library reports them.
//
// run_sql_query is the plain road: sqlite3_exec with an exec-style row callback, which sees
// every value as a terminated text. select_push_rows reads the same rows through a prepared
// statement so that each value keeps its byte length (a 16-byte GUID whose bytes hold a
// zero is otherwise measured as shorter and lost) and a blob keeps its stored bytes in a
// database of any text encoding.

#include <functional>
#include <string>
#include <vector>

#include "sqlite/sql_result_set.h"
#include "text/kq_types.h"

class sqlite_wrapper;
class velk_options;

// Runs sql on the wrapper's connection with callback and &options as its context. False
// for a null wrapper, an empty text, no connection, or an error of the library, which then
// adds its line to options.m_messages.
[[nodiscard]] bool run_sql_query(velk_options& options, sqlite_wrapper* wrapper,
                                 const std::string& sql, sql_exec_callback callback);

// Called with each result row: count values (null for SQL NULL), their byte lengths and
// the value_code kind of each value's storage class (a text and a blob may hold the same
// bytes); texts come in UTF-8, blobs as stored, and a value is not always followed by a
// zero byte. A non-zero result stops the statement, as it does under sqlite3_exec. The
// lengths are the row's own: the function may change them, the next row brings its own
// again.
using push_row_fn =
    std::function<int32(velk_options& options, int32 count, const std::vector<const char*>& values,
                        std::vector<uint32>& lengths, const std::vector<uint32>& codes)>;

// As run_sql_query, through a prepared statement: every row reaches row_fn with the byte
// length of each value. A step that fails partway, or a row_fn that stops the statement,
// gives false and the error line; the rows delivered before it stay delivered.
[[nodiscard]] bool select_push_rows(velk_options& options, sqlite_wrapper* wrapper,
                                    const std::string& sql, const push_row_fn& row_fn);

// The line a failed statement leaves in options.m_messages: the library's text alone when
// it says "already exists", else "Prob calling cmd: <sql>, error: <text>".
void note_sql_error(velk_options& options, const std::string& sql, const std::string& error);
