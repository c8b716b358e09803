#pragma once
// Results databases made for the export tests: the bookkeeping tables through sqlite3_adt,
// one metadata row per run, then the data tables and their rows in plain SQL.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "resultsdb/metadata_record.h"
#include "resultsdb/results_db_test_support.h"
#include "resultsdb/sqlite3_adt.h"

namespace results_test {

// A run of tool "velk" on "/x/out.txt", artifact "push", original run time "XYZ".
inline metadata_record run_of(int64 key, int64 start, int64 end, const std::string& data_table) {
    metadata_record run;
    run.runtime = key;
    run.row_data_start = start;
    run.row_data_end = end;
    run.data_tbl_name = data_table;
    run.toolname = "velk";
    run.notes = "123456789XYZ";
    run.artifact_type = "push";
    run.file = "/x/out.txt";
    run.col_hdrs = "c1|c2|c3|c4|c5|c6|c7|c8";
    return run;
}

inline const char* const generic_table_sql =
    "create table generic_data (`metaref` integer, `val1` integer, `val2` integer, "
    "`val3` integer, `val4` integer, `val5` integer, `str1` varchar, `str2` varchar, "
    "`desired_output` varchar);";

// Rows first to last of generic_data: (run key, 1, 2, 3, 4, 5, 's1', 's2', 'l<rowid>').
inline std::string generic_rows_sql(int64 key, int first, int last) {
    std::string sql;
    for (int k = first; k <= last; ++k) {
        sql +=
            "insert into generic_data (rowid, metaref, val1, val2, val3, val4, val5, str1, "
            "str2, desired_output) values(" +
            std::to_string(k) + ", " + std::to_string(key) + ", 1, 2, 3, 4, 5, 's1', 's2', 'l" +
            std::to_string(k) + "');";
    }
    return sql;
}

// Creates the database at path with the runs, registers each table of tables and runs
// data_sql (which creates and fills them) on a plain connection, secure delete off.
inline void build_results_db(const std::string& path, const std::vector<metadata_record>& runs,
                             const std::vector<std::string>& tables, const std::string& data_sql) {
    {
        sqlite3_adt adt;
        ASSERT_TRUE(adt.open(nullptr, path, ""));
        ASSERT_TRUE(adt.create_ref_table());
        ASSERT_TRUE(adt.create_metadata_table());
        for (const metadata_record& run : runs) {
            ASSERT_TRUE(adt.insert_metadata(run));
            ASSERT_TRUE(adt.set_row_data_end(run.runtime, run.row_data_end, true));
        }
        for (const std::string& name : tables) {
            ref_row row;
            row.table_name = name;
            ASSERT_TRUE(adt.insert_ref(row));
        }
    }
    ASSERT_TRUE(connection(path).exec("pragma secure_delete=off; begin;" + data_sql + "commit;"));
}

// The names of the folder's entries in byte order; none when it is not a folder.
inline std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> names;
    if (!std::filesystem::is_directory(folder)) {
        return names;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace results_test
