#pragma once
// The program's name, its version line and the usage text. The version line heads both the
// banner of a run and the usage text; the usage text always names the command "velk",
// whatever path the program was started by, so copied examples work as written.

#include <string>

// "velk"; built before main runs.
extern const std::string velk_program_name;

// "velk - v<version> -".
[[nodiscard]] std::string velk_version_line();

// Writes the usage text to standard error, one write per item. program_path is accepted for
// the callers' sake and not shown.
void usage(const std::string& program_path);

// The line that says why the options named no input, written before the usage text: no
// "-db", "-pipe" or "-enumdir" at all ("-db" without its value is a missing value).
void report_missing_input();
