#include "cmdline/cmd_params.h"

#include "io/null_out_stream.h"
#include "text/text_case.h"

cmd_params::cmd_params(uint64 start_time, bool want_message_stream) {
    reset();
    m_start_time = start_time;
    if (want_message_stream) {
        m_message_stream = std::make_unique<std::ostringstream>();
    }
    reset_output();
}

// copy_from starts by resetting every setting, so the base copy only gives the members a
// start; the writer pointer and diagnostics state are then fixed by assign.
cmd_params::cmd_params(const cmd_params& other) : cmd_params_settings(other) { copy_from(other); }

cmd_params& cmd_params::operator=(const cmd_params& other) {
    if (this != &other) {
        copy_from(other);
    }
    return *this;
}

cmd_params::~cmd_params() { (void)close_diag_file(); }  // always true

void cmd_params::reset() {
    const uint64 start_time = m_start_time;
    static_cast<cmd_params_settings&>(*this) = cmd_params_settings();
    m_start_time = start_time;
}

void cmd_params::reset_output() {
    clear_message_stream();
    reset_file_entry();
}

void cmd_params::assign(const cmd_params& other) {
    // Streams this record held are released here rather than dropped: the record owns them.
    m_message_stream.reset();
    m_diag_stream.reset();
    reset();
    static_cast<cmd_params_settings&>(*this) = other;
    m_results_db = nullptr;
    m_diag_on = false;
    m_diag_level = 0;
}

void cmd_params::copy_from(const cmd_params& other) {
    assign(other);
    if (other.m_diag_stream && other.m_diag_on && !other.m_diag_path.empty()) {
        // The original keeps its own stream open on the same file; both append.
        auto stream = open_diag_stream(m_diag_path, false);
        if (stream) {
            m_diag_stream = std::move(stream);
            m_diag_on = true;
            diag_line(m_command_line);
            m_diag_level = other.m_diag_level;
        } else {
            m_diag_path.clear();
        }
    }
    if (other.m_message_stream) {
        m_message_stream = std::make_unique<std::ostringstream>();
    }
}

std::ostream& cmd_params::message_stream() const {
    if (m_message_stream) {
        return *m_message_stream;
    }
    return g_null_out_stream;
}

void cmd_params::clear_message_stream() {
    if (m_message_stream) {
        m_message_stream->clear();
        m_message_stream->str("");
    }
}

void cmd_params::reset_file_entry() { m_file_entry.clear(); }

int32 cmd_params::call_progress() const {
    if (!m_progress_on || m_progress_fn == nullptr) {
        return -1;
    }
    uint32 code = progress_code;
    return m_progress_fn(m_progress_user, 0, 0, 0, 0, &code);
}

void cmd_params::set_separator(const std::string& text, bool comma_substitute_semicolon) {
    m_separator = text;
    if (m_quoted_csv) {
        // Quoted CSV cells may hold the separator: nothing is substituted.
        m_delimiter = 0;
        m_delimiter_substitute = 0;
        return;
    }
    std::string lowered = text;
    string_to_lower(lowered);
    if (lowered.find('|') != std::string::npos) {
        m_delimiter = '|';
        m_delimiter_substitute = ';';
        return;
    }
    if (lowered.find(',') != std::string::npos) {
        m_delimiter = ',';
        m_delimiter_substitute = comma_substitute_semicolon ? ';' : ' ';
        return;
    }
    m_delimiter = 0;
    m_delimiter_substitute = 0;
    if (lowered == "tab" || lowered == "\\t") {
        m_separator.assign(1, '\t');
    }
}
