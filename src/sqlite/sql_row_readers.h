#pragma once
// Running one SQL statement as a prepared statement through g_sqlite_api and delivering
// each row's columns as texts: integers in decimal, text and blob values as their bytes,
// reals in the default 6-significant-digit form (or as SQLite's own text where a routine
// says so), and an SQL NULL as "0" or "" as each routine says.
//
// Every routine returns false at once for a null connection, a statement that cannot be
// prepared or an empty entry of g_sqlite_api; otherwise it reads rows while sqlite3_step
// gives SQLITE_ROW, finalizes the statement and returns whether the rows ended normally
// (a step that fails partway leaves the rows before it delivered and returns false).

#include <sqlite3.h>

#include <string>
#include <vector>

#include "text/kq_types.h"

using sql_rows = std::vector<std::vector<std::string>>;

// Row function of for_each_row: context, the row's texts, the option byte and four values
// passed through from the caller.
using sql_row_fn = void (*)(void* context, const std::vector<std::string>& values, uint8 option,
                            uint32 value1, uint32 value2, uint32 value3, uint32 value4);
// Row function of for_each_row_with_names: the column names come after the texts.
using sql_named_row_fn = void (*)(void* context, const std::vector<std::string>& values,
                                  const std::vector<std::string>& names, uint8 option,
                                  uint32 value1, uint32 value2, uint32 value3, uint32 value4);

// rows is emptied, then one row per result row; NULL reads "0".
[[nodiscard]] bool select_rows(sql_rows& rows, sqlite3* db, const std::string& sql);
// As select_rows, with the column names (taken with the first row); NULL reads "" and a
// real reads as SQLite's own text.
[[nodiscard]] bool select_rows_with_names(sql_rows& rows, std::vector<std::string>& names,
                                          sqlite3* db, const std::string& sql);
// Calls row_fn once per row with the values as select_rows gives them. False for a null
// row function.
[[nodiscard]] bool for_each_row(void* context, uint8 option, uint32 value1, uint32 value2,
                                uint32 value3, uint32 value4, sqlite3* db, const std::string& sql,
                                sql_row_fn row_fn);
// As for_each_row, with the column names; NULL reads "", and with float_as_text a real
// reads as SQLite's own text.
[[nodiscard]] bool for_each_row_with_names(void* context, uint8 option, uint32 value1,
                                           uint32 value2, uint32 value3, uint32 value4, sqlite3* db,
                                           const std::string& sql, sql_named_row_fn row_fn,
                                           bool float_as_text);
