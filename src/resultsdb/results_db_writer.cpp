#include "resultsdb/results_db_writer.h"

// The writer has no place to keep rows or a run description in this program: nothing is
// stored, and nothing claims otherwise. add_row's 0 and begin_run's false both say that no
// row was kept and no run was started.

int results_db_writer::add_row(const std::ostringstream& line, const results_columns& columns) {
    (void)line;
    (void)columns;
    return 0;
}

void results_db_writer::set_artifact_type(const char* text) { (void)text; }

void results_db_writer::set_col_hdrs(const char* text) { (void)text; }

bool results_db_writer::begin_run(bool continuation) {
    (void)continuation;
    return false;
}
