#pragma once
// sql_file_results: what an export of the stored output lines collects: the folder that
// receives one file per run, the file being written, the paths written so far and the runs
// of the database. At most one file is open: the current run's.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "resultsdb/metadata_record.h"
#include "text/kq_types.h"

class sql_file_results {
public:
    sql_file_results();
    virtual ~sql_file_results() = default;
    sql_file_results(const sql_file_results&) = delete;
    sql_file_results& operator=(const sql_file_results&) = delete;
    sql_file_results(sql_file_results&&) = delete;
    sql_file_results& operator=(sql_file_results&&) = delete;

    // Closes a held file and empties everything.
    void reset();

    std::string m_folder;
    uint64 m_current_key = 0;    // run of the current file; 0 before the first
    std::string m_current_path;  // empty before the first run is met
    std::vector<std::string> m_files;
    std::unique_ptr<uni::fileio> m_output;  // the current file; null when it could not open
    std::map<int64, metadata_record> m_runs;
};
