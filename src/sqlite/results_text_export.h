#pragma once
// Exports of a results database read with the own parser instead of the SQLite library, so
// a results database that the library refuses (damaged, or copied mid-write) still gives
// up what its pages hold. The runs of its "metadata" table say which rowids of which data
// table belong to which run.

#include <string>

// One text file per run of "generic_data" under folder (the current folder when empty):
// the run's captions, then the stored output line of each of its rows. Always 0; a run
// that cannot be read or written only leaves its file out.
int export_generic_data_text(const std::string& folder, const std::string& db_path);

// Every run's rows appended to the CSV file of its data table under folder ("|"-separated,
// the run's tool, original run time, artifact type and extra arguments after the values;
// a caption line only into an empty file). progress shows the run being read on the
// status line. False when the database has no runs or no data table, or the folder
// cannot be made.
[[nodiscard]] bool export_data_tables_csv(const std::string& folder, const std::string& db_path,
                                          bool progress);
