#pragma once
// The path a driver opens for one input name. Names that an examiner typed ("-db") or
// listed ("-pipe") may hold %VAR% references, expanded before the file is opened. Names
// found by the "-enumdir" walk are the names of files on disk: a file may really be named
// "%HOME%x.db", and expanding it would open another file (or none), so they are opened as
// found.
//
// Also the guard that keeps the run's own output off its evidence: a results or
// diagnostics file that names an input (or the "-wal"/"-journal" the readers take up with
// it) would be emptied before the input is read.

#include <string>
#include <vector>

class cmd_params;

// Whether this run's input names come from the "-enumdir" walk: "-enumdir" given without
// "-pipe", which the input loop prefers as the name source.
[[nodiscard]] bool input_names_are_walked(const cmd_params& options);

// Expands path in place (the shadow-copy prefix allowed) unless the names are walked, and
// returns the path to open.
std::string expand_input_path(const cmd_params& options, std::string& path);

// Whether a and b name the same file: the same device and inode when both exist; otherwise
// the same absolute path once the links of its existing part are resolved, so that a file
// not created yet is still known to be the companion a later read would take up.
[[nodiscard]] bool same_file(const std::string& a, const std::string& b);

// An output file of a command line that is one of its inputs.
struct output_clash {
    std::string output;  // as the option parser will open it
    std::string input;   // a "-db" value expanded, or its "-wal" or "-journal" companion
};

// Looks, before the options are parsed (parsing opens the "-diags" file and probes the
// results file), for a value of "-out", "-outfile" or "-diags" that is the same file as a
// "-db" value or one of its companions. Every occurrence counts, whichever one the parser
// would take: an evidence file is not staked on a guess. False when there is none.
[[nodiscard]] bool find_output_clash(const std::vector<std::string>& args, output_clash& clash);

// Whether an input of the "-pipe" list or the "-enumdir" walk, as its driver opens it, is
// the run's results file.
[[nodiscard]] bool is_results_file(const cmd_params& options, const std::string& input);
