#pragma once
// The run of the tool from its command line to its exit status: help, banner, options,
// results file, then one "-db" database, one page chunk, or every name of a "-pipe" list
// or an "-enumdir" walk, each handed to the drivers and reported.
//
// Exit status: 0 after help, after a single database that was read (or from which the
// slack carve still recovered records), after a page chunk that was read and after an
// input loop in which at least one accepted input was read. 255 for an empty argument list,
// an option failure (a missing or bad value included), a results or diagnostics file that
// holds SQLite data, is named as a companion, is one of the inputs, is the other output
// file or cannot take a report (no regular file, no folder, no permission), a results or
// diagnostics file that cannot be opened or written in full, standard output that could not
// be written, a single database that could not be opened, is no SQLite file or lacks the
// notification or handler table and gave nothing to the slack carve either, a page chunk
// that fails, and an input list that cannot be opened or from which no accepted input could
// be read.
//
// Every failure says so on standard error, also under "-quiet", which silences progress
// only; an option the run does not act on is said to be ignored or not used before any
// input is read (option_review.h). Closed standard descriptors are opened on /dev/null
// first, so no file the run opens takes their place.
//
// Nothing here ends the process: every path returns, so the results file is always
// closed, and its last block written and checked, before the status is known.

#include <iosfwd>
#include <string>

#include "text/kq_types.h"

class velk_options;
struct output_files;

// The run status: 0, or -1, which the process reports as 255.
inline constexpr int32 run_status_ok = 0;
inline constexpr int32 run_status_failed = -1;

// Runs the tool on argc/argv as main received them; returns the run status.
[[nodiscard]] int32 velk_run(int argc, char** argv);

// The dispatch of a run whose options parsed and whose output is open: the input loop
// ("-pipe"/"-enumdir"; it never reads the run's output files as inputs), else one page
// chunk ("-parse_chunk"), else one database ("-db"), else the usage text (program_path is
// handed to it) and a failure.
[[nodiscard]] int32 run_inputs(velk_options& options, std::ostream& out,
                               const std::string& program_path, const output_files& outputs);
