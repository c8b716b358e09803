#pragma once
// sqlite_log: a results database filled through queues. It knows any number of named
// tables, collects rows for them in memory and writes a table's queue in one transaction
// once it holds more than 256 rows, on flush, and when the log is destroyed. Rows are lists
// of texts (tables whose columns are all varchar, the row key first) or file records
// (file-listing tables, file_table_columns.h).
//
// Producers on several threads may queue rows and flush: those operations hold m_lock, a
// recursive lock, so a queue operation that passes the limit flushes while holding it. Opening,
// creating tables, reset and the destructor take no lock and must not run while producers do.
//
// A failed write keeps the table's rows queued for the next flush: nothing handed in is lost.

#include <map>
#include <string>
#include <vector>

#include "io/file_entry.h"
#include "io/locks.h"
#include "resultsdb/file_listing_row.h"
#include "resultsdb/queued_text_row.h"
#include "resultsdb/sqlite3_adt.h"
#include "resultsdb/table_layout.h"
#include "text/kq_types.h"
#include "text/time_display_spec.h"

class cmd_params;
class sql_statement;

// Kind words of text tables, by how their columns were named.
inline constexpr uint64 named_table_kind = uint64{1} << 56;
inline constexpr uint64 keyed_table_kind = ~uint64{0};

class sqlite_log : public sqlite3_adt {
public:
    // A queue is written once it holds more than this many rows.
    static constexpr std::size_t queue_limit = 256;
    // Capacity of a new or freshly written queue: the limit and some room.
    static constexpr std::size_t queue_reserve = 288;

    sqlite_log();
    ~sqlite_log() override;
    sqlite_log(const sqlite_log&) = delete;
    sqlite_log& operator=(const sqlite_log&) = delete;
    sqlite_log(sqlite_log&&) = delete;
    sqlite_log& operator=(sqlite_log&&) = delete;

    // Not ready, no tables, no queues (queued rows are dropped); the time spec back to
    // "yyyy-mm-dd hh:mm:ss".
    void reset();

    // ---- Opening and tables (sqlite_log_tables.cpp) ----

    // Opens (creating it and its folders) the database at path, makes the ref and metadata
    // tables, creates the file-listing tables (name -> flag word) and, with options and
    // write_metadata, one metadata row per table describing the run. False, not ready, for
    // an empty path, a failed open or a file table that cannot be created.
    [[nodiscard]] bool open_with_options(const std::string& path, cmd_params* options,
                                         const std::map<std::string, uint64>* file_tables,
                                         bool write_metadata);
    // A table of varchar columns, named in order. existed is set when the log or the file
    // knew the table already (still true). A failure leaves no trace of the table.
    [[nodiscard]] bool create_named_table(bool& existed, const std::string& table,
                                          const std::vector<std::string>& names);
    // The same with columns named by the keys, in key order; does not make the log ready.
    template <typename value>
    [[nodiscard]] bool create_keyed_table(bool& existed, const std::string& table,
                                          const std::map<std::string, value>& columns) {
        std::vector<std::string> names;
        for (const auto& entry : columns) {
            names.push_back(entry.first);
        }
        return create_text_table(existed, table, names, keyed_table_kind, false);
    }
    // A file-listing table whose columns the flags select; does not make the log ready.
    [[nodiscard]] bool create_file_table(bool& existed, const std::string& table, uint64 flags);

    // ---- Layouts ----

    // Unless append, clears the layout; then one varchar column per name, positions from
    // first_position on. False for an empty list.
    [[nodiscard]] static bool layout_from_names(table_layout& layout,
                                                const std::vector<std::string>& names,
                                                int32 first_position, bool append);
    template <typename value>
    [[nodiscard]] static bool layout_from_map(table_layout& layout,
                                              const std::map<std::string, value>& columns,
                                              int32 first_position, bool append) {
        std::vector<std::string> names;
        for (const auto& entry : columns) {
            names.push_back(entry.first);
        }
        if (!append) {
            layout.clear();
        }
        return layout_from_names(layout, names, first_position, true);
    }

    // ---- Queues ----

    // False while not ready, for an empty row or a table without a kind word.
    [[nodiscard]] bool queue_row(const std::string& table, const std::vector<std::string>& values);
    // Every row or none: false also when one row is empty.
    [[nodiscard]] bool queue_result_rows(const std::string& table,
                                         const std::vector<std::vector<std::string>>& rows);
    // With a source, the row takes the source over (and clears it); without, the record's
    // path is examined.
    [[nodiscard]] bool queue_file_row(const std::string& table, const file_entry_ex& record,
                                      uint64 copied, file_entry_ex* source);

    // Writes every queue: file queues first, then text queues, each in name order. False
    // while not ready, with no queues at all, or when any table's write failed (its rows
    // stay queued).
    [[nodiscard]] bool flush();
    // One table's queue in one transaction; the rows stay queued on any failure.
    [[nodiscard]] bool write_generic_rows(const std::string& table);
    [[nodiscard]] bool write_file_rows(const std::string& table);

    [[nodiscard]] bool ready() const { return m_ready; }
    [[nodiscard]] const std::map<std::string, table_layout>& layouts() const { return m_layouts; }
    [[nodiscard]] const std::map<std::string, uint64>& table_flags() const {
        return m_table_flags;
    }
    [[nodiscard]] std::size_t queued_text_rows(const std::string& table) const;
    [[nodiscard]] std::size_t queued_file_rows(const std::string& table) const;
    [[nodiscard]] const time_display_spec& time_spec() const { return m_time_spec; }

private:
    // The shared part of the named and keyed tables.
    [[nodiscard]] bool create_text_table(bool& existed, const std::string& table,
                                         const std::vector<std::string>& names, uint64 kind,
                                         bool sets_ready);
    // For a table whose layout was just added: its kind word, its CREATE TABLE and its
    // register row; a failure other than "already exists" removes what this call added.
    [[nodiscard]] bool create_laid_out_table(bool& existed, const std::string& table,
                                             uint64 kind);
    // Runs the CREATE TABLE of a registered layout and registers the table in the ref
    // table; already_exists tells a table the file had before.
    [[nodiscard]] bool run_create_table(const table_layout& layout, bool& already_exists);
    // Undoes a failed creation: the layout, and the kind word when this call added it.
    void forget_table(const std::string& table, bool kind_added);
    void register_table_queue(const std::string& table);
    // Creates the file-listing tables; false, with a message, at the first that fails.
    [[nodiscard]] bool write_file_tables(const std::map<std::string, uint64>& file_tables);
    void describe_run(const cmd_params& options);
    void take_time_formats(const cmd_params& options);
    // Closes every table's run row with its last rowid (the destructor's bookkeeping).
    void close_run_rows();
    enum class file_row_result { written, skipped, failed };
    // Binds and steps one file row; a directory row the table does not list is skipped.
    [[nodiscard]] file_row_result write_file_row(sql_statement& statement, const table_layout& layout,
                                      uint64 flags, file_listing_row& row, int64 key);
    [[nodiscard]] std::string time_text(int64 value, uint64 kind) const;
    // The record's attribute groups: bound by column name, or written into its notes.
    [[nodiscard]] bool bind_attributes(sql_statement& statement, const table_layout& layout,
                                       uint64 flags, const file_listing_row& row) const;

    bool m_ready = false;
    std::map<std::string, table_layout> m_layouts;
    std::map<std::string, uint64> m_table_flags;
    std::map<std::string, std::vector<file_listing_row>> m_file_queues;
    std::map<std::string, std::vector<queued_text_row>> m_text_queues;
    time_display_spec m_time_spec;
    LightweightLock m_lock;
};

// Plain entry points for callers that hand rows in through pointers; 0 or -1.
// mode null: record is a file_entry_ex for queue_file_row; *mode 1: a list of rows; 2: one
// row; 4: flush, then -1 all the same; any other mode: -1.
[[nodiscard]] int32 sqlite_log_row_sink(sqlite_log* log, const std::string* table, void* record,
                                        uint64* copied, file_entry_ex* source, int32* mode);
[[nodiscard]] int32 sqlite_log_queue_row(sqlite_log* log, const std::string* table,
                                         const std::vector<std::string>* values);
[[nodiscard]] int32 sqlite_log_queue_result_rows(sqlite_log* log, const std::string* table,
                                                 const std::vector<std::vector<std::string>>* rows);
