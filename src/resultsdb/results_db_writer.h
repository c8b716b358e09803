#pragma once
// results_db_writer: the results log of one run. The output writers hand it every formatted
// line with the values of the line's role cells, and the caption line and artifact type
// before the first row, but only while "-sqlite" was given and a writer is attached to the
// options and open. The connection and its open flag are those of sqlite_wrapper.
//
// Declared here are the members the output writers call. The pending rows, the run
// description and the tables that keep them are not part of this program yet, so a writer
// stores nothing and every call reports that nothing was kept (results_db_writer.cpp).

#include <sstream>
#include <string>

#include "cmdline/results_columns.h"
#include "sqlite/sqlite_wrapper.h"

class results_db_writer : public sqlite_wrapper {
public:
    // Hands over one written line (the stream's whole text) with the row's role values.
    // Always 0.
    int add_row(const std::ostringstream& line, const results_columns& columns);
    // The same with the role values given one by one (the timeline and body-file writers).
    // Always 0.
    int add_row(const std::ostringstream& line, uint64 val1, uint64 val2, const std::string& str1,
                const std::string& str2, uint64 val3, uint64 val4, uint64 val5);
    // Run description: the artifact type and the caption line, taken only while the
    // database is open and the text is not null.
    void set_artifact_type(const char* text);
    void set_col_hdrs(const char* text);
    // The roles of the generic value columns ('|'-separated) and the file note.
    void set_gen_hdrs(const char* text);
    void set_file(const char* text);
    // Starts a run of rows (a continuation of the previous run when asked); true when the
    // run was started.
    [[nodiscard]] bool begin_run(bool continuation);
};
