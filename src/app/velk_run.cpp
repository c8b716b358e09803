#include "app/velk_run.h"

#include <iostream>
#include <sstream>
#include <vector>

#include "app/db_processing.h"
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
#include "io/uni_fileio.h"
#include "text/console_output.h"
#include "text/host_probe.h"
#include "time/kq_time.h"

namespace {

// Writes the notifications of one step, then empties the list for the next step.
void report_and_empty(std::ostream& out, velk_options& options) {
    if (options.m_notifications.empty()) {
        return;
    }
    write_results(out, options, options.m_notifications);
    options.m_notifications.clear();
}

// Whether the store holds any record, which after a failed database read can only have
// come from the slack carve.
bool store_holds_records(const velk_options& options) {
    return !options.m_notifications.empty() || !options.m_handlers.empty() ||
           !options.m_channels.empty() || !options.m_settings.empty();
}

int32 run_single_chunk(velk_options& options, std::ostream& out) {
    if (!parse_chunk_file(&options, options.m_db.db_path())) {
        options.diag_line("problem parsing chunk");
        return run_status_failed;
    }
    report_and_empty(out, options);
    return run_status_ok;
}

// One "-db" database: its live rows, then, with "-incl_slack", what its slack and companion
// files still hold. A database whose reading failed, at any step, fails the run unless the
// carve recovered records from it: an examiner must not read a clean status as "read,
// and empty".
int32 run_single_db(velk_options& options, std::ostream& out) {
    const bool read = process_db_file(&options, options.m_db.db_path());
    // Rows read before a failing step are reported all the same.
    if (read && !options.m_notifications.empty()) {
        options.diag_printf("%d records found", static_cast<int>(options.m_notifications.size()));
    }
    if (!read) {
        options.diag_line("problem selecting tables");
    }
    report_and_empty(out, options);
    bool recovered = false;
    // The path as database processing left it, %VAR% references expanded; a copy, as the
    // carve may change the connection the path belongs to.
    const std::string expanded = options.m_db.db_path();
    if (options.m_incl_slack && carve_db_slack(expanded, false, options.m_carve, options)) {
        options.diag_printf("%d slack recs found",
                            static_cast<int>(options.m_notifications.size()));
        write_results(out, options, options.m_notifications);
        recovered = store_holds_records(options);
    }
    // A read that failed partway fails the run too: its report is not the whole table.
    if (!read && db_failure_is_fatal(options.m_db_failure) && !recovered) {
        return run_status_failed;
    }
    return run_status_ok;
}

// One accepted name of the input loop, as a page chunk or as a database with its slack.
void process_name(velk_options& options, std::ostream& out, const std::string& name) {
    if (options.m_parse_chunk) {
        if (parse_chunk_file(&options, name)) {
            report_and_empty(out, options);
        } else {
            options.diag_line("problem parsing chunk");
        }
        return;
    }
    if (!process_db_file(&options, name)) {
        options.diag_line("problem selecting tables");
    }
    report_and_empty(out, options);  // also the rows read before a failing step
    const std::string expanded = options.m_db.db_path();  // a copy, as in run_single_db
    if (options.m_incl_slack && carve_db_slack(expanded, false, options.m_carve, options)) {
        write_results(out, options, options.m_notifications);
    }
}

[[nodiscard]] bool open_name_source(kqportdir::stdin_stream_ex& names,
                                    const velk_options& options) {
    if (options.m_pipe) {
        return names.open_stdin(true);
    }
    return names.open_dir(options.m_enum_dir, options.m_num_subdirs, options.m_filters);
}

// Every name of the "-pipe" list or the "-enumdir" walk that passes the file filters is
// processed on its own: each starts from an empty store, and afterwards "-carve" is back at
// its parsed value and the connection closed. 0 once any name was accepted.
int32 run_input_loop(velk_options& options, std::ostream& out) {
    const bool saved_carve = options.m_carve;
    options.m_db.close();
    kqportdir::stdin_stream_ex names(&options);
    if (!open_name_source(names, options)) {
        return run_status_failed;
    }
    int32 status = run_status_failed;
    file_entry_ex entry;  // filled by the filter's time-window test
    std::string name;
    while (names.read_line(name, true)) {
        if (name.empty()) {
            continue;
        }
        entry.m_modified = 0;
        // A name whose signature test could not open the file is taken all the same: the
        // driver then reports it, where a skip would hide it from the examiner.
        bool could_not_open = false;
        if (!path_passes_filters(options, &could_not_open, name, options.m_filters, &entry,
                                 false) &&
            !could_not_open) {
            continue;
        }
        options.m_db.set_db_path(name);
        // As read; the drivers expand %VAR% references, except in names the walk found.
        options.diag_line(name);
        process_name(options, out, name);
        options.m_carve = saved_carve;
        name.clear();
        options.m_db.close();
        status = run_status_ok;
    }
    return status;
}

// The results file when "-out" gave one (created anew, whatever "-append" says), else
// standard output; then the banner and an empty line. Null when the file cannot be opened.
std::ostream* open_output(uni::fileio& results, const velk_options& options) {
    if (options.m_out_path.empty()) {
        return &std::cout;
    }
    std::ostream* stream = nullptr;
    if (results.open(options.m_out_path, true, false, true)) {
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
int32 run_with_options(velk_options& options, const std::string& banner,
                       const std::string& program_path) {
    uni::fileio results;
    std::ostream* out = open_output(results, options);
    if (out == nullptr) {
        return run_status_failed;
    }
    *out << banner << '\n';
    const int32 status = run_inputs(options, *out, program_path);
    out->flush();
    return close_output(results, options, status);
}

}  // namespace

int32 run_inputs(velk_options& options, std::ostream& out, const std::string& program_path) {
    if (options.m_pipe || options.m_enum_dir_given) {
        return run_input_loop(options, out);
    }
    if (options.m_parse_chunk) {
        return run_single_chunk(options, out);
    }
    if (options.m_have_input) {
        return run_single_db(options, out);
    }
    usage(program_path);
    return run_status_failed;
}

int32 velk_run(int argc, char** argv) {
    std::vector<std::string> args;
    (void)string_list_from_argv(args, argc, argv);  // an empty list is refused just below
    cmdline_ctx context;
    std::ostringstream banner;
    auto redirect_guard = std::make_unique<wow64_redirect_adt>();
    if (args.empty()) {
        return run_status_failed;
    }
    const kq::time start = kq::time::now();
    const std::string version_line = velk_version_line();
    const std::string program_path = args[0];  // the parsers may take items out of args
    if (help_requested(args)) {
        usage(program_path);
        return run_status_ok;
    }
    banner << banner_text(args, start, version_line);
    redirect_guard.reset();
    velk_options options;
    if (!options.parse(args)) {
        std::cout << banner.str() << '\n' << std::flush;
        usage(program_path);
        return run_status_failed;
    }
    context.init(options, signal_completion_stub);
    return run_with_options(options, banner.str(), program_path);
}
