#include "resultsdb/results_db_open.h"

#include <cstdio>
#include <sstream>

#include "cmdline/bodyfile_record.h"
#include "cmdline/cmd_params.h"
#include "cmdline/l2t_writer.h"
#include "text/host_info.h"
#include "text/host_probe.h"

namespace {

constexpr const char* database_separator = "|";

// The output form's part of the run: false for the plain read-only open, which describes
// no run; generic tells a generic_data table.
bool settle_output_form(metadata_record& run, bool& generic, const std::string& gen_hdrs,
                        cmd_params& options) {
    generic = true;
    if (options.m_extra_form_a || options.m_extra_form_b) {
        options.m_header_pending = options.m_header_pending || options.m_extra_form_a;
        run.col_hdrs.clear();
        run.data_tbl_name = "unk";
        generic = false;
        return true;
    }
    std::ostringstream captions;
    if (options.m_bodyfile) {
        write_bodyfile_header(captions);
    } else if (options.m_csvl2t) {
        write_l2t_header(captions, options.m_separator, false, options.m_pair_datetime);
    } else if (!options.m_csv) {
        return false;
    }
    options.m_header_pending = true;
    // CSV hands its caption line over later, with the first row.
    run.col_hdrs = captions.str();
    run.gen_hdrs = gen_hdrs;
    return true;
}

bool open_for_form(results_db_writer& writer, metadata_record& run, bool generic,
                   cmd_params& options) {
    if (options.m_extra_form_b) {
        return writer.sqlite_wrapper::open(nullptr, options.m_sqlite_path, "");
    }
    return writer.open(options.m_sqlite_path, run, generic);
}

}  // namespace

bool open_results_db(results_db_writer& writer, const std::string& gen_hdrs,
                     cmd_params& options) {
    options.m_results_db = &writer;
    if (!options.m_sqlite) {
        return true;
    }
    if (options.m_sqlite_path.empty()) {
        options.m_results_db = nullptr;
        return false;
    }
    options.set_separator(database_separator, false);
    options.m_no_whitespace = true;
    options.m_pad = false;
    metadata_record run;
    run.fill_from_options(options);
    run.data_tbl_name = "generic_data";
    bool generic = true;
    if (!settle_output_form(run, generic, gen_hdrs, options)) {
        if (writer.open_readonly(options.m_sqlite_path, "")) {
            return true;
        }
        std::fputs("Issue opening db for read, aborting\n", stderr);
        options.m_results_db = nullptr;
        return false;
    }
    if (!open_for_form(writer, run, generic, options)) {
        std::fputs("Issue with initializing SQLite, aborting\n", stderr);
        options.m_results_db = nullptr;
        return false;
    }
    return true;
}

void describe_table_run(metadata_record& run, const cmd_params& options,
                        const table_layout& layout, int64 last_rowid, run_description_form form) {
    run.fill_from_options(options);
    run.row_data_start = last_rowid + 1;
    host_info host;
    (void)host.fill(get_exe_path());  // a failed query leaves the texts empty, still usable
    const auto fill = [](std::string& field, const std::string& value) {
        if (field.empty()) {
            field = value;
        }
    };
    fill(run.gen_hdrs, "not used");
    fill(run.col_hdrs, layout.joined_names(options.m_separator));
    fill(run.col_types, layout.joined_types(options.m_separator));
    if (form == run_description_form::results_log) {
        fill(run.host, host.m_nodename.empty() ? get_host_name() : host.m_nodename);
    }
    std::string file = options.m_out_path.empty() ? options.m_out_dir : options.m_out_path;
    if (!file.empty()) {
        file += " [output]";
    } else if (form == run_description_form::analyzed_folder_fallback &&
               !options.m_analyzed_folder.empty()) {
        file = options.m_analyzed_folder + " [folder analyzed]";
    }
    fill(run.file, file);
    if (options.m_compress) {
        fill(run.file_other, "gzip requested");
    }
    fill(run.notes, host.m_version);
    fill(run.data_tbl_name, layout.name);
}

void fill_results_metadata(metadata_record& run, int64& run_key, const cmd_params& options,
                           const table_layout& layout, int64 last_rowid) {
    describe_table_run(run, options, layout, last_rowid,
                       run_description_form::analyzed_folder_fallback);
    run_key = run.runtime;
}
