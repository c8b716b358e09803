#include "resultsdb/sql_file_results.h"

sql_file_results::sql_file_results() { reset(); }

void sql_file_results::reset() {
    m_folder.clear();
    m_current_key = 0;
    m_current_path.clear();
    m_files.clear();
    m_output.reset();  // closes the file
    m_runs.clear();
}
