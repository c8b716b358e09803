#pragma once
// The sqlite3_exec row callbacks of the results-database read-backs, and the statement
// runner that hands them their context. Each returns 0 to go on and -1 to make SQLite stop
// the statement.

#include <string>
#include <vector>

#include "sqlite/sql_result_set.h"

class sqlite3_adt;

// context: an sql_result_set whose user_data is a std::map<int64, metadata_record>. Takes
// the column names with the first row, parses each row of the metadata table into a record
// and files it under its run key (a key already there keeps its first record). -1 without
// a map, without column names, or for a row of other than 20 values.
int sql_rows_callback(void* context, int count, char** values, char** names);

// context: an sql_file_results. Rows of (metaref, desired_output): writes each line into
// the file of its run under m_folder, opening a new file (with the run's captions as its
// first line) whenever the run key changes. A file that cannot be opened is reported on
// standard error and its run's rows are skipped. -1 for a row of other than 2 values or a
// run key with no run.
int csv_name_callback(void* context, int count, char** values, char** names);

// Runs each text in order on the open database with the callback and user data; false at
// the first statement that fails, or when there is no database, no open connection, no
// text or no user data.
[[nodiscard]] bool run_statements(void* user_data, sqlite3_adt* database,
                                  const std::vector<std::string>& statements,
                                  sql_exec_callback callback);
