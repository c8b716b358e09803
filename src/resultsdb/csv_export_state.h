#pragma once
// The CSV export of one data table of a results database: csv_export_state carries what
// the sqlite3_exec row callback csv_export_row needs between rows, and the callback writes
// each row with the columns of the run that wrote it appended (tool, original run time,
// artifact type, extra arguments, source files).
//
// Rows are mapped to runs by their ordinal place in the table: a run covers the rows up to
// its row_data_end, so the runs are kept by that end. A row that no run covers ends the
// table's export.

#include <map>
#include <string>

#include "resultsdb/metadata_record.h"
#include "text/kq_types.h"

class cmd_params;
namespace uni {
class fileio;
}

struct csv_export_state {
    csv_export_state();

    // Every member back to its value before the first row.
    void reset();

    uint64 row_counter = 0;  // rows handed to the callback so far
    std::string table_name;
    int32 header_item_count = 0;    // captions of the first row's run
    uni::fileio* output = nullptr;  // not owned
    bool header_pending = true;
    std::map<uint64, metadata_record> runs_by_last_row;  // keyed by row_data_end
    // Separator and delimiter settings; null: '|' separates and is replaced by ';'.
    const cmd_params* options = nullptr;  // not owned
};

// context: an sql_result_set whose user_data is a csv_export_state. Writes the caption line
// before the first row, then the row's values after the first (the run key column) and the
// run's columns, each value kept from carrying the separator. -1 (stop) without a state or
// file, or for a row that no run covers.
int csv_export_row(void* context, int count, char** values, char** names);
