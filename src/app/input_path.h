#pragma once
// The path a driver opens for one input name. Names that an examiner typed ("-db") or
// listed ("-pipe") may hold %VAR% references, expanded before the file is opened, but only
// when no file of the name as given exists: a file may really be named "%HOME%x.db", and
// expanding it would open another file (or none). Names found by the "-enumdir" walk are
// the names of files on disk, so they are opened as found.
//
// Also the guard that keeps the run's own output off its evidence. Opening a results or
// diagnostics file empties it, so before either is opened the guard refuses a path that
// holds SQLite data (a database, a write-ahead log or a rollback journal), that is named as
// the companion of a file beside it, or that is one of the run's inputs or their companions;
// and a path that cannot take a report at all (a FIFO, a device, a folder, a missing
// folder, no write permission). Inputs of "-pipe" and "-enumdir" are learned one by one: the
// input loop skips a name that turns out to be one of the run's output files.

#include <string>
#include <vector>

#include "text/kq_types.h"

class cmd_params;

// Whether this run's input names come from the "-enumdir" walk: "-enumdir" given without
// "-pipe", which the input loop prefers as the name source.
[[nodiscard]] bool input_names_are_walked(const cmd_params& options);

// Expands path in place (the shadow-copy prefix allowed) unless the names are walked or a
// file of that name exists, and returns the path to open.
std::string expand_input_path(const cmd_params& options, std::string& path);

// The name of an input for a message that it cannot be read: as given, or as expanded when
// only the expansion exists; when neither exists and they differ, both: "%X%.db (expanded:
// /e/x.db)", so the examiner learns which names were tried.
[[nodiscard]] std::string input_name_shown(const cmd_params& options, const std::string& given);

// The "-enumdir" folder for a message, by the same rule: as typed, as expanded, or both.
[[nodiscard]] std::string walked_folder_shown(const cmd_params& options);

// Whether a and b name the same file: the same device and inode when both exist; otherwise
// the same absolute path once the links of its existing part are resolved, so that a file
// not created yet is still known to be the companion a later read would take up.
[[nodiscard]] bool same_file(const std::string& a, const std::string& b);

// Why a file may not be opened as the run's output; none when it may.
enum class output_refusal : uint8 {
    none,
    is_input,          // an input of the run, or a companion of one, under any name
    sqlite_database,   // begins with the SQLite database header
    sqlite_wal,        // begins with a write-ahead-log header
    sqlite_journal,    // begins with a rollback-journal header
    companion_name,    // named as the "-wal", "-shm" or "-journal" of a file that exists
    unchecked,         // exists, but its first bytes cannot be read to check them
    not_regular,       // a folder, FIFO, device or socket
    dangling_link,     // a symbolic link to nothing: opening it would create its target
    no_folder,         // its folder cannot be reached
    not_writable,      // the file or its folder refuses writing
    in_walked_folder,  // lies in the "-enumdir" folder and holds no earlier output of velk
    may_be_chunk,      // "-pipe", or "-parse_chunk" in a batch: not empty, no earlier output
    open_failed,       // the open itself failed
    kept_changing,     // the name turned into something else each time it was opened
};

struct output_verdict {
    output_refusal refusal = output_refusal::none;
    // is_input: the input; companion_name: the file it belongs to; in_walked_folder: the
    // walked folder; may_be_chunk: the options under which any file may be an input
    std::string other;
    int error = 0;  // the system's reason for unchecked, no_folder, not_writable, open_failed
};

// The verdict on path as a results or diagnostics file of a run whose inputs (as the
// drivers open them) are inputs; each input counts with its "-wal", "-journal" and "-shm",
// under its own name and under the name its links resolve to.
[[nodiscard]] output_verdict judge_output_file(const std::string& path,
                                               const std::vector<std::string>& inputs);

// What the first bytes of a file say it is: sqlite_database, sqlite_wal, sqlite_journal, or
// none.
[[nodiscard]] output_refusal sqlite_head_refusal(const byte_array& head);

// companion_name, with the file the name belongs to, when path (or the name its links
// resolve to) is the "-wal", "-shm" or "-journal" of a file that exists; else none.
[[nodiscard]] output_verdict companion_verdict(const std::string& path);

// The reason for a message: "it is the input x.db", "it holds an SQLite database", ...
[[nodiscard]] std::string refusal_text(const output_verdict& verdict);

// Which output file of the run an input of the "-pipe" list or the "-enumdir" walk is, as
// its driver opens it: "results file", "diagnostics file", or "" when it is neither.
[[nodiscard]] std::string output_named_by(const cmd_params& options, const std::string& input);
