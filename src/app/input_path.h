#pragma once
// The path a driver opens for one input name. Names that an examiner typed ("-db") or
// listed ("-pipe") may hold %VAR% references, expanded before the file is opened. Names
// found by the "-enumdir" walk are the names of files on disk: a file may really be named
// "%HOME%x.db", and expanding it would open another file (or none), so they are opened as
// found.

#include <string>

class cmd_params;

// Whether this run's input names come from the "-enumdir" walk: "-enumdir" given without
// "-pipe", which the input loop prefers as the name source.
[[nodiscard]] bool input_names_are_walked(const cmd_params& options);

// Expands path in place (the shadow-copy prefix allowed) unless the names are walked, and
// returns the path to open.
std::string expand_input_path(const cmd_params& options, std::string& path);
