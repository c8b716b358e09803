#include "resultsdb/results_db_writer.h"

#include <limits>

#include "cmdline/cmd_params.h"
#include "text/text_lines.h"

results_db_writer::results_db_writer() { init(); }

void results_db_writer::init() {
    kq_libload_base::clear();
    set_default_names();
    m_metadata.clear();
    m_pending.clear();
    m_row.reset();
}

bool results_db_writer::open(const std::string& path, metadata_record& run, bool generic) {
    if (m_open && m_db != nullptr) {
        close_db();
    }
    init();
    if (!sqlite_wrapper::open(nullptr, path, "")) {
        return false;
    }
    if (generic) {
        run.data_tbl_name = generic_data_table;
    } else if (run.data_tbl_name.empty()) {
        run.data_tbl_name = default_data_table;
    }
    m_metadata = run;
    // A table that cannot be made now is made again by the first batch, which then fails.
    (void)create_data_table(run);
    return true;
}

bool results_db_writer::begin_run(bool continuation) {
    m_pending.clear();
    m_row.reset();
    return start_run(m_run_time, m_run_time, m_metadata, continuation);
}

int results_db_writer::add_row(const std::ostringstream& line, const results_columns& columns) {
    return add_row(line, columns.val1, columns.val2, columns.str1, columns.str2, columns.val3,
                   columns.val4, columns.val5);
}

int results_db_writer::add_row(const std::ostringstream& line, uint64 val1, uint64 val2,
                               const std::string& str1, const std::string& str2, uint64 val3,
                               uint64 val4, uint64 val5) {
    m_row.reset();
    // The columns are SQLite integers: the values keep their 64 bits, read back as signed.
    m_row.val1 = static_cast<int64>(val1);
    m_row.val2 = static_cast<int64>(val2);
    m_row.val3 = static_cast<int64>(val3);
    m_row.val4 = static_cast<int64>(val4);
    m_row.val5 = static_cast<int64>(val5);
    m_row.str1 = str1;
    m_row.str2 = str2;
    m_row.desired_output = line.str();
    append_row();
    return 0;
}

bool results_db_writer::add_text_rows(const std::ostringstream& text, uint64 val1, uint64 val2,
                                      const std::string& str1) {
    const std::string whole = text.str();
    if (whole.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return false;
    }
    std::vector<std::string> lines;
    if (!split_lines(whole.data(), static_cast<int>(whole.size()), lines)) {
        return false;
    }
    for (const std::string& line : lines) {
        m_row.reset();
        m_row.val1 = static_cast<int64>(val1);
        m_row.val2 = static_cast<int64>(val2);
        m_row.str1 = str1;
        m_row.desired_output = line;
        append_row();
    }
    return true;
}

bool results_db_add_list_row(uint64 key, const std::vector<std::string>& values,
                             cmd_params& options) {
    if (!options.m_sqlite || options.m_results_db == nullptr || !options.m_results_db->is_open()) {
        return false;
    }
    results_db_writer& writer = *options.m_results_db;
    writer.m_row.reset();
    writer.m_row.metaref = static_cast<int64>(key);
    writer.m_row.values = values;
    writer.append_row();
    return true;
}

void results_db_writer::clear_rows() {
    m_pending.clear();
    m_row.reset();
}

bool results_db_writer::flush_rows() {
    if (!m_open) {
        return false;
    }
    if (!write_rows(m_run_time, m_pending)) {
        return false;  // the rows stay pending for the next try
    }
    m_pending.clear();
    m_row.reset();
    return true;
}

bool results_db_writer::flush_rows_if(uint32 n) {
    if (!m_open || m_pending.size() < n) {
        return false;
    }
    return flush_rows();
}

void results_db_writer::set_field(std::string& field, const char* text) const {
    if (m_open && text != nullptr) {
        field = text;
    }
}

void results_db_writer::set_gen_hdrs(const char* text) { set_field(m_metadata.gen_hdrs, text); }

void results_db_writer::set_col_hdrs(const char* text) { set_field(m_metadata.col_hdrs, text); }

void results_db_writer::set_file(const char* text) { set_field(m_metadata.file, text); }

void results_db_writer::set_file_other(const char* text) { set_field(m_metadata.file_other, text); }

void results_db_writer::set_notes(const char* text) { set_field(m_metadata.notes, text); }

void results_db_writer::set_artifact_type(const char* text) {
    set_field(m_metadata.artifact_type, text);
}

bool results_db_writer::export_desired_output(std::vector<std::string>& files,
                                              const std::string& folder) {
    return m_open && read_desired_output(files, folder);
}
