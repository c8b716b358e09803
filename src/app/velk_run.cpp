#include "app/velk_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <unordered_set>
#include <vector>

#include "app/db_processing.h"
#include "app/input_path.h"
#include "app/output_guard.h"
#include "app/private_db_copy.h"
#include "app/report_writer.h"
#include "app/run_banner.h"
#include "app/slack_carving.h"
#include "app/stdin_stream_ex.h"
#include "app/velk_options.h"
#include "app/velk_usage.h"
#include "app/wow64_redirect_adt.h"
#include "cmdline/cmd_args.h"
#include "cmdline/cmdline_ctx.h"
#include "cmdline/file_filters.h"
#include "io/file_entry.h"
#include "io/stop_cleanup.h"
#include "io/uni_fileio.h"
#include "text/console_output.h"
#include "text/host_probe.h"
#include "time/kq_time.h"

namespace {

// Writes the notifications of one step, then empties the list for the next step; the
// run's last step leaves them in the store for retire_records.
void report_and_empty(std::ostream& out, velk_options& options, bool last_step) {
    if (options.notification_count() == 0) {
        return;
    }
    write_results(out, options);
    if (!last_step) {
        options.clear_notifications();
    }
}

// The store of the run's last input from the end of the run to the end of the process.
struct retired_records {
    std::vector<notification_record> notifications;
    std::unordered_set<int64> used_handler_ids;
    std::vector<notification_handler_record> handlers;
    std::map<int64, int32> handler_index;
    std::vector<wns_push_channel_record> channels;
    std::multimap<int64, int32> channel_index;
    std::vector<handler_settings_record> settings;
    std::multimap<int64, int32> settings_index;
};

// Once the report is written and its file closed and checked, nothing reads the records
// again. Freed block by block (several blocks a record, hundreds of thousands on a large
// database) they would take a tenth of the run, where the system takes the whole heap back
// at once when the process ends. So they move to a holder that is never destroyed: a leak
// check still finds every block reachable. A second run in the same process swaps the
// first run's records back into its store, which frees them: only one run's are kept.
void retire_records(velk_options& options) {
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): never deleted, on purpose
    static retired_records* const retired = new retired_records;
    retired->notifications.swap(options.m_notifications);
    retired->used_handler_ids.swap(options.m_used_handler_ids);
    retired->handlers.swap(options.m_handlers);
    retired->handler_index.swap(options.m_handler_index);
    retired->channels.swap(options.m_channels);
    retired->channel_index.swap(options.m_channel_index);
    retired->settings.swap(options.m_settings);
    retired->settings_index.swap(options.m_settings_index);
}

// One page chunk; true when records were found in it.
bool run_chunk(velk_options& options, std::ostream& out, const std::string& path, bool single) {
    if (!parse_chunk_file(&options, path)) {
        options.diag_line("problem parsing chunk");
        return false;
    }
    report_and_empty(out, options, single);
    return true;
}

// One database: its live rows, then, with "-incl_slack", what its slack and companion files
// still hold; the counts go to the diagnostics file for a single "-db" only. False when the
// reading of the database failed, at any step, and no notification was recovered from it
// either (said): an examiner must not read a clean status as "read, and empty". Rows read
// before a failing step are reported all the same.
bool run_database(velk_options& options, std::ostream& out, const std::string& path,
                  bool single) {
    bool read = process_db_file(&options, path);
    const db_failure failure = options.m_db_failure;
    bool recovered = false;
    // Under "-incl_slack", a notification table the library could not read at all (a cut or
    // damaged copy) is read by the own walk instead, as "-carve" reads it: every live row its
    // pages still hold comes back as "carve main", and the carve that follows takes the
    // leaves the walk does not reach. This input is then carved as under "-carve".
    if (!read && failure == db_failure::select_failed && options.m_incl_slack && !options.m_carve &&
        options.m_notifications.empty()) {
        options.m_carve = true;  // the input loop restores it for the next input
        read = process_db_file(&options, path);
        recovered = !options.m_notifications.empty();
    }
    if (!read) {
        options.diag_line("problem selecting tables");
    } else if (single && !options.m_notifications.empty()) {
        options.diag_printf("%d records found", static_cast<int>(options.m_notifications.size()));
    }
    report_and_empty(out, options, single && !options.m_incl_slack);
    // The file database processing resolved the input to (its companions lie beside it);
    // a copy, as the carve may change the store it belongs to.
    const std::string expanded = options.m_db_file;
    if (options.m_incl_slack && carve_db_slack(expanded, false, options.m_carve, options)) {
        if (single) {
            options.diag_printf("%d slack recs found",
                                static_cast<int>(options.notification_count()));
        }
        write_results(out, options);
        // Only notifications make report lines: handlers or settings alone recover none.
        recovered = recovered || options.notification_count() != 0;
    }
    const bool failed = db_failure_is_fatal(failure);
    // A file that did not open or is no database has said so: the carve had nothing to read.
    const bool had_pages = failure != db_failure::not_read && failure != db_failure::not_sqlite;
    if (failed && !recovered && options.m_incl_slack && had_pages) {
        stderr_printf("prob reading %s: the carve recovered no notification either\n",
                      path.c_str());
    }
    return !failed || recovered;
}

// One accepted name of the input loop, as a page chunk or as a database with its slack;
// true when it was read.
bool process_name(velk_options& options, std::ostream& out, const std::string& name) {
    if (options.m_parse_chunk) {
        return run_chunk(options, out, name, false);
    }
    return run_database(options, out, name, false);
}

// Where the input loop's names come from, for its messages.
std::string name_source(const velk_options& options) {
    if (options.m_pipe) {
        return "standard input";
    }
    return "folder " + walked_folder_shown(options);
}

[[nodiscard]] bool open_name_source(kqportdir::stdin_stream_ex& names,
                                    const velk_options& options) {
    if (options.m_pipe) {
        return names.open_stdin(true);
    }
    // A database is read with its companions; a page chunk is read alone.
    names.set_companions_read_with_database(!options.m_parse_chunk);
    if (!names.open_dir(options.m_enum_dir, options.m_num_subdirs, options.m_filters)) {
        return false;
    }
    names.set_folder_shown(walked_folder_shown(options));
    return true;
}

// Whether a name passes the file filters. A name whose signature test could not open the
// file is taken all the same: the driver then reports it, where a skip would hide it from
// the examiner.
bool name_passes_filters(const velk_options& options, file_entry_ex& entry,
                         const std::string& name) {
    entry.m_modified = 0;  // filled again by the time-window test, for this name
    bool could_not_open = false;
    return path_passes_filters(options, &could_not_open, name, options.m_filters, &entry, false) ||
           could_not_open;
}

// The results or diagnostics file may lie in the walked folder or be listed by mistake:
// reading it as evidence would report the run's own output (and a database's companion
// would be read from it). Known by the files opened, whatever their names reach now.
bool is_own_output_file(const velk_options& options, const output_files& outputs,
                        const std::string& name) {
    std::string opened = name;
    (void)expand_input_path(options, opened);  // expands in place
    std::string which = outputs.reached_by(opened);
    if (which.empty()) {
        which = output_named_by(options, opened);
    }
    if (which.empty()) {
        return false;
    }
    stderr_printf("skipping %s: it is the %s\n", name.c_str(), which.c_str());
    return true;
}

// Counts of one input loop.
struct loop_counts {
    uint32 accepted = 0;  // names that passed the filters
    uint32 read = 0;      // of those, inputs that were read
};

// Every name of the "-pipe" list or the "-enumdir" walk that passes the file filters is
// processed on its own: each starts from an empty store, and afterwards "-carve" is back at
// its parsed value and the connection closed. Once the report can no longer be written
// (standard output closed, a full disk) no further input is read: its rows would be lost,
// and the end of the run says so.
loop_counts read_names(velk_options& options, std::ostream& out, const output_files& outputs,
                       kqportdir::stdin_stream_ex& names) {
    const bool saved_carve = options.m_carve;
    loop_counts counts;
    file_entry_ex entry;
    std::string name;
    while (out && names.read_line(name, true)) {
        if (name.empty() || !name_passes_filters(options, entry, name)) {
            continue;
        }
        ++counts.accepted;
        if (is_own_output_file(options, outputs, name)) {
            continue;
        }
        options.m_db.set_db_path(name);
        // As read; the drivers expand %VAR% references, except in names the walk found.
        options.diag_line(name);
        if (process_name(options, out, name)) {
            ++counts.read;
        }
        options.m_carve = saved_carve;
        name.clear();
        options.m_db.close();
    }
    return counts;
}

// The input loop: 0 once any accepted input was read; each one that failed has said so.
int32 run_input_loop(velk_options& options, std::ostream& out, const output_files& outputs) {
    options.m_db.close();
    kqportdir::stdin_stream_ex names(&options);
    if (!open_name_source(names, options)) {
        stderr_printf("prob opening input names from %s\n", name_source(options).c_str());
        return run_status_failed;
    }
    const loop_counts counts = read_names(options, out, outputs, names);
    // A walk that could not list a folder has already said why it found nothing.
    if (counts.accepted == 0 && names.unlisted_folders() == 0) {
        stderr_printf("no input file accepted from %s\n", name_source(options).c_str());
    }
    return counts.read > 0 ? run_status_ok : run_status_failed;
}

// The results file when "-out" gave one (opened, checked and emptied before: see
// open_output_files), else standard output. Null when the file cannot take the report.
std::ostream* open_output(uni::fileio& results, const velk_options& options,
                          opened_output& opened) {
    if (options.m_out_path.empty()) {
        return &std::cout;
    }
    std::ostream* stream = nullptr;
    if (results.attach_descriptor(opened.release(), options.m_out_path, false)) {
        stream = results.get_ostream();
    }
    if (stream == nullptr) {
        stderr_printf("prob opening results file: %s for writing\n", options.m_out_path.c_str());
    }
    return stream;
}

// Closes the results file: its last buffered block is written here, and a write that
// failed at any point (a full disk) fails the run.
int32 close_output(uni::fileio& results, const velk_options& options, int32 status) {
    if (!results.is_open()) {
        return status;
    }
    if (!results.close()) {
        stderr_printf("prob writing results file: %s\n", options.m_out_path.c_str());
        return run_status_failed;
    }
    return status;
}

// Everything after a successful option parse; the results file closes before the options
// go, as the options' store may still be read while the file is written.
int32 run_with_options(velk_options& options, output_files& outputs, const std::string& banner,
                       const std::string& program_path) {
    uni::fileio results;
    std::ostream* out = open_output(results, options, outputs.results);
    if (out == nullptr) {
        return run_status_failed;
    }
    *out << banner << '\n';
    const int32 status = run_inputs(options, *out, program_path, outputs);
    finish_background_removal();  // no copy of evidence outlives the run
    out->flush();
    return close_output(results, options, status);
}

}  // namespace

int32 run_inputs(velk_options& options, std::ostream& out, const std::string& program_path,
                 const output_files& outputs) {
    if (options.m_pipe || options.m_enum_dir_given) {
        return run_input_loop(options, out, outputs);
    }
    // A copy: the drivers rewrite the connection's path member.
    const std::string path = options.m_db.db_path();
    if (options.m_parse_chunk) {
        return run_chunk(options, out, path, true) ? run_status_ok : run_status_failed;
    }
    if (options.m_have_input) {
        return run_database(options, out, path, true) ? run_status_ok : run_status_failed;
    }
    usage(program_path);
    return run_status_failed;
}

namespace {

// Any of descriptors 0, 1 and 2 that is closed is opened on /dev/null before any file is:
// a file opened later takes the lowest free number, and a results or diagnostics file on
// descriptor 1 or 2 would receive the report or the messages. Standard output is opened
// for reading only, so that writing the report to it still fails as on a closed descriptor
// and the final check says so; standard input reads nothing, standard error discards.
void restore_standard_descriptors() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        const int opened = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        if (opened != -1 && opened != fd) {
            // Only when a lower descriptor was closed too and is not restored yet.
            (void)::dup2(opened, fd);
            (void)::close(opened);
        }
    }
}

void say_also_results(const std::string& path) {
    stderr_printf("prob opening file %s for diagnostics: it is also the results file, aborting\n",
                  path.c_str());
}

void say_refused(const std::string& path, const char* role, const output_verdict& verdict) {
    stderr_printf("prob opening file %s for %s: %s, aborting\n", path.c_str(), role,
                  refusal_text(verdict).c_str());
}

// The first look, by name, before anything is opened: what a file there now must not be.
bool output_name_allowed(const std::string& path, const char* role, const output_guard& guard) {
    if (path.empty()) {
        return true;
    }
    output_verdict verdict = judge_output_file(path, guard.inputs);
    if (verdict.refusal == output_refusal::none) {
        verdict = judge_batch_output(path, guard);
    }
    if (verdict.refusal == output_refusal::none) {
        return true;
    }
    say_refused(path, role, verdict);
    return false;
}

// Opens one output file and judges the open file again (the name may have changed since
// the first look).
bool open_checked(const std::string& path, const char* role, const output_guard& guard,
                  opened_output& opened) {
    if (path.empty()) {
        return true;
    }
    const output_verdict verdict = open_output_file(path, guard, opened);
    if (verdict.refusal == output_refusal::none) {
        return true;
    }
    say_refused(path, role, verdict);
    return false;
}

bool empty_checked(const std::string& path, const char* role, opened_output& opened) {
    if (!opened.is_open() || opened.empty_it()) {
        return true;
    }
    output_verdict verdict;
    verdict.refusal = output_refusal::open_failed;
    verdict.error = errno;
    say_refused(path, role, verdict);
    return false;
}

// Both output files opened before either is emptied: neither may be evidence, an input, a
// file that cannot take a report, or the other one; each is judged by its name first and by
// the open file after. The diagnostics file is then taken up by the options.
bool open_output_files(velk_options& options, output_files& outputs) {
    const output_guard guard = output_guard_of(options);
    if (!output_name_allowed(options.m_out_path, "output", guard) ||
        !output_name_allowed(options.m_diag_path, "diagnostics", guard)) {
        return false;
    }
    if (!options.m_out_path.empty() && same_file(options.m_out_path, options.m_diag_path)) {
        say_also_results(options.m_diag_path);
        return false;
    }
    if (!open_checked(options.m_out_path, "output", guard, outputs.results) ||
        !open_checked(options.m_diag_path, "diagnostics", guard, outputs.diagnostics)) {
        return false;
    }
    if (outputs.results.same_file_as(outputs.diagnostics)) {
        say_also_results(options.m_diag_path);
        return false;
    }
    if (!empty_checked(options.m_out_path, "output", outputs.results) ||
        !empty_checked(options.m_diag_path, "diagnostics", outputs.diagnostics)) {
        return false;
    }
    if (options.m_diag_path.empty() ||
        options.attach_diag_file(outputs.diagnostics.release(), options.m_diag_path)) {
        return true;
    }
    stderr_printf("prob opening file %s for diagnostics, aborting\n", options.m_diag_path.c_str());
    return false;
}

void write_option_notes(const velk_options& options) {
    for (const std::string& note : options.m_option_notes) {
        stderr_printf("%s\n", note.c_str());
    }
}

// The run once its options are accepted: the output files checked and opened, the inputs
// read and reported. A diagnostics file that lost an item fails the run like a results file.
int32 run_accepted(velk_options& options, cmdline_ctx& context, const std::string& banner,
                   const std::string& program_path) {
    write_option_notes(options);
    output_files outputs;
    if (!open_output_files(options, outputs)) {
        return run_status_failed;
    }
    context.init(options, signal_completion_stub);
    int32 status = run_with_options(options, outputs, banner, program_path);
    if (options.diag_write_failed()) {
        stderr_printf("prob writing diagnostics file: %s\n", options.m_diag_path.c_str());
        context.m_diag_path.clear();  // said once; the end of the run adds nothing to it
        status = run_status_failed;
    }
    retire_records(options);
    return status;
}

// Help, banner and options; the options record lives here, so its diagnostics file is
// closed when this returns.
int32 run_options(std::vector<std::string>& args, cmdline_ctx& context) {
    auto redirect_guard = std::make_unique<wow64_redirect_adt>();
    const kq::time start = kq::time::now();
    const std::string version_line = velk_version_line();
    const std::string program_path = args[0];  // the parsers may take items out of args
    if (help_requested(args)) {
        usage(program_path);
        return run_status_ok;
    }
    const std::string banner = banner_text(args, start, version_line);
    redirect_guard.reset();
    velk_options options;
    if (!options.parse(args)) {
        std::cout << banner << '\n' << std::flush;
        usage(program_path);
        return run_status_failed;
    }
    return run_accepted(options, context, banner, program_path);
}

int32 run_tool(int argc, char** argv) {
    std::vector<std::string> args;
    (void)string_list_from_argv(args, argc, argv);  // an empty list is refused just below
    cmdline_ctx context;
    if (args.empty()) {
        return run_status_failed;
    }
    int32 status = run_options(args, context);
    // The elapsed time goes to the end of the diagnostics file, closed by now.
    if (!context.finish()) {
        stderr_printf("prob writing diagnostics file: %s\n", context.m_diag_path.c_str());
        status = run_status_failed;
    }
    return status;
}

// A write to standard output that fails (a full disk, a closed file) leaves no trace of its
// own: the report would end with a clean status. Its buffered end is written here, and any
// write that failed on the way fails the run, with one message.
int32 finish_standard_output(int32 status) {
    std::cout.flush();
    const bool written =
        static_cast<bool>(std::cout) && std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (written) {
        return status;
    }
    stderr_printf("prob writing to standard output\n");
    return run_status_failed;
}

}  // namespace

int32 velk_run(int argc, char** argv) {
    restore_standard_descriptors();
    // A closed pipe or the file-size limit fails the write that meets it, which its writer
    // says, instead of ending the run at once with the private copy still on disk.
    uni::ignore_write_failure_signals();
    return finish_standard_output(run_tool(argc, argv));
}
