#pragma once
// Opening the run's results ("-out") and diagnostics ("-diags") files so that no name can
// steer the report into evidence. A check of a name says nothing about the file a later
// open of that name reaches: another process may have put a link or another file there in
// between. So the file is opened first, without emptying it (no O_TRUNC) and without
// following a link in its last step (a link the examiner named is resolved once, before),
// and every check of the evidence guard (input_path.h) is made on the open descriptor: a
// regular file, not an input or a companion of one by device and inode, no SQLite data in
// its first bytes, not named as a companion. Only a file that passes is emptied, and the run
// writes to that descriptor alone.
//
// Batch runs add rules, as any file there may be an input, unless it begins as velk's own
// output does (an earlier report or diagnostics file, which is replaced): in an "-enumdir"
// run an existing file inside the walked folder, or one the walk reaches under another name
// (a hard link, a link in the folder, a bind mount: same device and inode), is refused; and
// where the inputs are not known before the output is opened (a "-pipe" list) or are read
// whatever they hold (page chunks, "-parse_chunk"), an existing file that is not empty is
// refused too. A "-pipe" list is read only after the output is emptied, and what velk reads
// beside a listed database (a "-shm", a journal whose header was zeroed, a log whose header
// is damaged) or a listed file that is no database shows nothing the content checks know.

#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/input_path.h"
#include "text/kq_types.h"

class velk_options;

// What the guard knows of the run before any input is read.
struct output_guard {
    std::vector<std::string> inputs;  // as their drivers open them: the single "-db" file
    std::string walked_folder;        // "-enumdir" without "-pipe": its folder, links resolved
    std::string walked_folder_given;  // the same as the examiner named it, for messages
    uint32 walk_depth = 0;            // the deepest level of the walk ("-num_subdirs")
    // The options under which any existing file that is not empty may be an input ("-pipe",
    // "-pipe -parse_chunk", "-enumdir -parse_chunk"); empty when the rule does not apply.
    std::string any_file_mode;
};

// The guard of a run with these options.
[[nodiscard]] output_guard output_guard_of(const velk_options& options);

// Whether a file's first bytes begin as velk's own output does: the version line that heads
// every report ("velk - " ... " -"), or the first item of a diagnostics file ("->" and a
// command line holding "-diags").
[[nodiscard]] bool is_earlier_output(const byte_array& head);

// The batch rule for path, judged by its name before anything is opened: none unless the
// file exists and the guard's walk or chunk list could take it as an input.
[[nodiscard]] output_verdict judge_batch_output(const std::string& path, const output_guard& guard);

// One output file, opened and judged, not emptied yet; its descriptor is closed when it
// goes, unless released, and a file the open created is then removed again: a run that
// refuses its output files leaves none behind.
class opened_output {
public:
    opened_output() = default;
    ~opened_output();
    opened_output(const opened_output&) = delete;
    opened_output& operator=(const opened_output&) = delete;

    [[nodiscard]] bool is_open() const { return m_fd != -1; }
    // Whether both were opened on the same file.
    [[nodiscard]] bool same_file_as(const opened_output& other) const;
    // Whether path reaches the file opened (its links followed), also once released.
    [[nodiscard]] bool is_reached_by(const std::string& path) const;
    // Empties the file; false, with errno, when that fails.
    [[nodiscard]] bool empty_it();
    // Hands the descriptor over; -1 when none is open. The file stays known.
    [[nodiscard]] int release();

private:
    friend output_verdict open_output_file(const std::string& path, const output_guard& guard,
                                           opened_output& opened);
    void close();

    int m_fd = -1;
    bool m_known = false;   // a file was opened: m_info is its fstat
    std::string m_created;  // the name of the file the open created; "" when none
    struct stat64 m_info {};
};

// The run's two output files: what the input loop must never read as an input.
struct output_files {
    opened_output results;
    opened_output diagnostics;

    // "results file", "diagnostics file", or "" for a path that reaches neither.
    [[nodiscard]] std::string reached_by(const std::string& path) const;
};

// Opens path (created when missing, never emptied) and judges the open file as above; none
// with opened holding it, else the refusal with opened closed.
[[nodiscard]] output_verdict open_output_file(const std::string& path, const output_guard& guard,
                                              opened_output& opened);
