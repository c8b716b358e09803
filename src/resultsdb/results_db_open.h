#pragma once
// Connecting the common options with a results database: attaching a writer and opening
// its database for the chosen output form, and describing a run of a results-log table.

#include <string>

#include "resultsdb/metadata_record.h"
#include "resultsdb/results_db_writer.h"
#include "resultsdb/table_layout.h"
#include "text/kq_types.h"

class cmd_params;

// Attaches writer to options. With "-sqlite": switches the output to database output
// (separator "|", no whitespace, no padding) and opens the database for the output form,
// gen_hdrs describing the generic table's columns. On every false result the writer is
// detached again, so the output writers go on writing to their stream.
[[nodiscard]] bool open_results_db(results_db_writer& writer, const std::string& gen_hdrs,
                                   cmd_params& options);

// A complete run description for a results-log table whose last rowid is last_rowid; the
// run key out is the record's runtime.
void fill_results_metadata(metadata_record& run, int64& run_key, const cmd_params& options,
                           const table_layout& layout, int64 last_rowid);

// How the fields fill_results_metadata leaves empty are filled.
enum class run_description_form {
    // fill_results_metadata: without "-out" or "-outdir", the analysed folder.
    analyzed_folder_fallback,
    // The results log's own rows: the output path only; an empty host is the machine's.
    results_log,
};
void describe_table_run(metadata_record& run, const cmd_params& options,
                        const table_layout& layout, int64 last_rowid, run_description_form form);
