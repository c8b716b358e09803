#pragma once
// sqlite3_adt: a results database over sqlite_wrapper. It owns the two bookkeeping tables of
// such a file and every statement on them:
//   "metadata": one row per run (metadata_record), keyed by the run key, a FILETIME count;
//   "ref": one row per table of the file: the highest rowid written and the last write time.
// The data tables and the batch writes into them belong to results_db_writer.
//
// Every operation returns false (or 0) at once while the database is not open. Names are
// quoted as identifiers and values bound as parameters, so a table name or a stored text
// can hold any byte without changing a statement. The run key lives in the wrapper's
// m_run_time, which every open and close zeroes.

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "resultsdb/metadata_record.h"
#include "sqlite/sqlite_wrapper.h"
#include "text/kq_types.h"

class cmd_params;
class sql_statement;

// One row of the ref table.
struct ref_row {
    ref_row() { clear(); }
    void clear() {
        table_name.clear();
        last_rowid = 0;
        last_update = 0;
    }

    std::string table_name;
    int64 last_rowid = 0;
    int64 last_update = 0;  // FILETIME count
};

class sqlite3_adt : public sqlite_wrapper {
public:
    sqlite3_adt();
    ~sqlite3_adt() override = default;
    sqlite3_adt(const sqlite3_adt&) = delete;
    sqlite3_adt& operator=(const sqlite3_adt&) = delete;
    sqlite3_adt(sqlite3_adt&&) = delete;
    sqlite3_adt& operator=(sqlite3_adt&&) = delete;

    // ---- Table set-up and register ----

    // Closes an open database, runs init, takes the default table names and clears both
    // ready flags.
    void set_default_names();
    // True when created or already there.
    [[nodiscard]] bool create_ref_table();
    // True when created or already there; a new table is registered in the ref table.
    [[nodiscard]] bool create_metadata_table();
    // Registers a table; row.last_update becomes the current time. False also when the name
    // is registered already (the existing row stays).
    [[nodiscard]] bool insert_ref(ref_row& row);
    // last_rowid 0 stands for the connection's last insert rowid.
    [[nodiscard]] bool update_ref(const std::string& table_name, int64 last_rowid);

    // ---- Metadata rows ----

    // Adds the run's row and records its rowid in the register.
    [[nodiscard]] bool insert_metadata(const metadata_record& run);
    // Moves the row of old_key to new_key and rewrites every field but row_data_end.
    [[nodiscard]] bool update_metadata(int64 old_key, int64 new_key, const metadata_record& run);
    [[nodiscard]] bool set_row_data_start(int64 key, int64 value);
    // A value of 0 stands for the last insert rowid unless keep_zero is set.
    [[nodiscard]] bool set_row_data_end(int64 key, int64 value, bool keep_zero);
    // Gives a new run its key (key_out and m_run_time) and its metadata row: a new row after
    // a closed run, or the open run's row moved to the new key.
    [[nodiscard]] bool start_run(int64& key_out, int64 previous_key, metadata_record& run,
                                 bool continuation);

    // ---- Reads ----

    [[nodiscard]] bool metadata_exists(int64 key);
    // 0 when nothing is found or the stored value does not parse.
    [[nodiscard]] int64 get_row_data_end(int64 key);
    [[nodiscard]] int64 get_last_rowid(const std::string& table_name);
    // True when the table is registered, even when its value does not parse.
    [[nodiscard]] bool read_ref_last_rowid(int64& out, const std::string& table_name);
    [[nodiscard]] bool table_registered(const std::string& table_name);
    [[nodiscard]] int64 select_max_rowid(const std::string& table_name);
    // The registered names in the order SQLite returns them; true when there is one.
    [[nodiscard]] bool read_ref_tables(std::vector<std::string>& out);
    // Name -> last rowid; a name returned twice keeps its first value.
    [[nodiscard]] bool read_ref_map(std::map<std::string, int64>& out);
    // Run key -> run; the rows read before a malformed one stay in out.
    [[nodiscard]] bool read_metadata(std::map<int64, metadata_record>& out);

    // ---- Read-back ----

    // The table as separated text under the options' separator and quoting: the column
    // names, then one line per row. raw keeps bytes outside printable ASCII as they are
    // instead of writing them in hex.
    [[nodiscard]] bool dump_table(std::ostream& out, const std::string& table_name,
                                  const cmd_params& options, bool raw);
    // Writes every run's desired_output lines into one file per run under folder, the run's
    // captions first; files receives each written path once.
    [[nodiscard]] bool read_desired_output(std::vector<std::string>& files,
                                           const std::string& folder);

    // ---- Exports and queries (sqlite3_adt_tables_export.cpp) ----

    // Any query's column names and rows as texts (NULL as ""); false for an empty text or
    // no rows, with the reason in the diagnostics of options (may be null).
    [[nodiscard]] bool generic_sql_select(std::vector<std::string>& names,
                                          std::vector<std::vector<std::string>>& rows,
                                          const std::string& sql, cmd_params* options);
    // One CSV file per registered data table under folder, each row with its run's columns;
    // use_options takes the separator and delimiter from options instead of '|'.
    [[nodiscard]] bool export_results_tables(const std::string& folder, bool use_options,
                                             cmd_params& options);
    // dump_table (raw) into the file at path, with CR LF line ends.
    [[nodiscard]] bool export_table_to_file(const std::string& path, const std::string& table,
                                            cmd_params& options);

    [[nodiscard]] const std::string& metadata_table() const { return m_metadata_table; }
    [[nodiscard]] const std::string& ref_table() const { return m_ref_table; }

protected:
    // How a single write ended; a step that fails is told apart from a text that cannot be
    // prepared, since registering an existing name fails in its step.
    enum class write_result { done, not_prepared, step_failed };

    using binder = std::function<bool(sql_statement&)>;

    // Prepares sql, binds through bind, steps once and requires SQLITE_DONE. In a
    // transaction a failed step or commit is rolled back.
    [[nodiscard]] write_result write_once(const std::string& sql, bool in_transaction,
                                          const binder& bind);
    [[nodiscard]] write_result register_table(ref_row& row);
    // A query with bound parameters whose first column of the first row is wanted; false
    // when no row came back.
    [[nodiscard]] bool read_first_value(const std::string& sql, const binder& bind,
                                        std::string& value);
    // Every (name, last rowid) row of the register.
    [[nodiscard]] bool read_register(std::vector<std::vector<std::string>>& rows);
    // read_first_value parsed as a number; 0 when absent or not a number.
    [[nodiscard]] int64 read_number(const std::string& sql, const binder& bind);

    std::string m_metadata_table;
    std::string m_ref_table;
    bool m_ref_ready = false;
    bool m_metadata_ready = false;
};
