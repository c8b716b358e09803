#pragma once
// results_db_writer: the results log of one run. The output writers hand it every formatted
// line with the values of the line's role cells (and, before the first row, the caption line
// and the artifact type), while "-sqlite" was given and the writer is attached to the
// options and open. It keeps the rows pending until its owner flushes them into the run's
// data table in one transaction; the run itself is described by a metadata_record that
// becomes the run's row of the metadata table.
//
// Data tables: "generic_data" (the run key, five numbers, two texts and the whole output
// line) or a table named by the run whose varchar columns are the run's output captions.
//
// Nothing in the tool's own run attaches a writer; a caller that owns one opens it, drives
// runs with begin_run and flushes with flush_rows.

#include <sstream>
#include <string>
#include <vector>

#include "cmdline/results_columns.h"
#include "resultsdb/generic_data_row.h"
#include "resultsdb/metadata_record.h"
#include "resultsdb/sqlite3_adt.h"

class cmd_params;

// The fixed data table with the eight value columns.
inline constexpr const char* generic_data_table = "generic_data";
// The data table of a named run that names none.
inline constexpr const char* default_data_table = "data";

// Queues a row of column values under run key key on the options' writer, when "-sqlite"
// was given and an open writer is attached; false otherwise.
[[nodiscard]] bool results_db_add_list_row(uint64 key, const std::vector<std::string>& values,
                                           cmd_params& options);

class results_db_writer : public sqlite3_adt {
public:
    results_db_writer();

    // The wrapper's plain read-write open stays available beside the writer's own.
    using sqlite_wrapper::open;

    // An empty writer: no library, default table names, a cleared run, no rows.
    void init();
    // Opens (creating the file and its folders) the database at path for run, settles the
    // run's data table name in the caller's record ("generic_data" when generic, else "data"
    // when it names none), takes a copy of it and creates the ref, metadata and data tables
    // as needed. The first begin_run gives the run its key.
    [[nodiscard]] bool open(const std::string& path, metadata_record& run, bool generic);
    // Drops pending rows and starts a run (a continuation of the previous one when asked).
    [[nodiscard]] bool begin_run(bool continuation);

    // ---- Rows ----

    // One written line (the stream's whole text) with the row's role values. Appends even
    // while the database is closed. Always 0.
    int add_row(const std::ostringstream& line, const results_columns& columns);
    // The same with the values given one by one, in this order. Always 0.
    int add_row(const std::ostringstream& line, uint64 val1, uint64 val2, const std::string& str1,
                const std::string& str2, uint64 val3, uint64 val4, uint64 val5);
    // One row per line of the stream's text (each trimmed); false for an empty text.
    [[nodiscard]] bool add_text_rows(const std::ostringstream& text, uint64 val1, uint64 val2,
                                     const std::string& str1);
    void clear_rows();
    [[nodiscard]] std::size_t pending_count() const { return m_pending.size(); }
    // Writes the pending rows under the current run key and empties them; on failure they
    // stay pending, so nothing handed in is lost.
    [[nodiscard]] bool flush_rows();
    // flush_rows once at least n rows are pending; false (nothing written) before that.
    [[nodiscard]] bool flush_rows_if(uint32 n);

    // ---- Run description; each takes a non-null text while the database is open ----

    void set_gen_hdrs(const char* text);
    void set_col_hdrs(const char* text);
    void set_file(const char* text);
    void set_file_other(const char* text);
    void set_notes(const char* text);
    void set_artifact_type(const char* text);

    // ---- Data tables ----

    // Makes sure the ref and metadata tables exist and creates the run's data table unless
    // it is registered already.
    [[nodiscard]] bool create_data_table(metadata_record& run);
    // All rows in one transaction under run key key (0: a new key now); the row's own
    // metaref is not used. True once every row is committed; any failure writes none of
    // them. The rows are not removed.
    [[nodiscard]] bool write_rows(int64 key, std::vector<generic_data_row>& rows);
    // read_desired_output while the database is open.
    [[nodiscard]] bool export_desired_output(std::vector<std::string>& files,
                                             const std::string& folder);

    [[nodiscard]] const metadata_record& metadata() const { return m_metadata; }
    [[nodiscard]] metadata_record& metadata() { return m_metadata; }

private:
    friend bool results_db_add_list_row(uint64 key, const std::vector<std::string>& values,
                                        cmd_params& options);

    void append_row() { m_pending.push_back(m_row); }
    void set_field(std::string& field, const char* text) const;
    // Steps 2 to 4 of a batch: the run's metadata row and data table exist, and a run key
    // of 0 is replaced by a new one.
    [[nodiscard]] bool prepare_batch(int64& key);
    [[nodiscard]] bool insert_batch(int64 key, const std::vector<generic_data_row>& rows);

    metadata_record m_metadata;
    std::vector<generic_data_row> m_pending;
    generic_data_row m_row;
};
