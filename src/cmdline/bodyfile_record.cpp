#include "cmdline/bodyfile_record.h"

#include <iomanip>
#include <sstream>

#include "cmdline/cmd_params.h"
#include "text/control_escape.h"
#include "text/text_lines.h"
#include "text/text_replace.h"
#include "time/type_time.h"
// Upward include: an attached results log receives the lines instead of the stream, so the
// writer calls its members.
#include "resultsdb/results_db_writer.h"

namespace {

// The body-file layout fixes its own field separator: timeline tools split on it.
constexpr char field_separator = '|';
constexpr char name_bar_substitute = ';';

void write_whole(std::ostream& out, const std::string& text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

bool log_open(const bodyfile_record& record) {
    return record.m_results_db != nullptr && record.m_results_db->is_open();
}

void write_header_once(bool& header_pending, std::ostream& out, bodyfile_record& record) {
    if (!header_pending) {
        return;
    }
    header_pending = false;
    std::ostringstream caption;
    write_bodyfile_header(caption);
    if (log_open(record)) {
        results_db_writer& log = *record.m_results_db;
        if (record.m_options != nullptr) {
            log.set_artifact_type(record.m_options->m_artifact_type.c_str());
        }
        log.set_col_hdrs(caption.str().c_str());
        (void)log.begin_run(false);  // a log that cannot start a run keeps nothing anyway
    } else {
        caption << '\n';
        write_whole(out, caption.str());
    }
    if (record.m_options != nullptr) {
        record.m_options->m_header_pending = false;
    }
}

// mactime and other body-file readers take one entry per line: a raw CR or LF in a text
// field would cut the entry in two, so line breaks are written as markers. Terminal
// controls are written as visible escapes (text/control_escape.h): a body file is read in
// terminals too.
std::string& make_field_text(std::string& text) {
    (void)escape_terminal_controls(text);  // edits in place
    return mark_line_breaks(text);
}

std::string field_text(const std::string& text) {
    std::string out = text;
    return make_field_text(out);
}

// Times are held signed; the layout has unsigned seconds only. mactime takes no negative
// time (it drops that time) and reads 0 as "no time", so a moment before 1970 is written as
// 0 rather than as a wrapped number in the far future.
uint64 as_unsigned(int64 value) { return value < 0 ? 0 : static_cast<uint64>(value); }

}  // namespace

bodyfile_record::bodyfile_record() { clear(); }

void bodyfile_record::clear() {
    m_md5.clear();
    m_name.clear();
    m_inode = 0;
    m_mode.clear();
    m_uid = 0;
    m_gid = 0;
    m_size = 0;
    m_times.reset();
    m_times.time_type = kq::tt_unix;
    m_timezone = "UTC";
    m_results_db = nullptr;
    m_options = nullptr;
}

void write_bodyfile_header(std::ostream& out) {
    write_whole(out,
                "md5|name|inode|mode as string|uid|gid|size|access time|modify time|mft time|"
                "create time");
}

int write_bodyfile_record(bool& header_pending, std::ostream& out, bodyfile_record& record) {
    out << std::setfill(' ') << std::dec << std::left;
    write_header_once(header_pending, out, record);
    replace_char(record.m_name, field_separator, name_bar_substitute, false);
    (void)make_field_text(record.m_name);  // in place, like the bar: a log gets it too
    std::ostringstream line;
    line << std::dec;
    const char bar = field_separator;
    line << (record.m_md5.empty() ? std::string("0") : field_text(record.m_md5)) << bar
         << record.m_name << bar << record.m_inode << bar << field_text(record.m_mode) << bar
         << record.m_uid << bar << record.m_gid << bar << record.m_size << bar;
    const macb_times& times = record.m_times;
    line << as_unsigned(times.accessed) << bar << as_unsigned(times.modified) << bar
         << as_unsigned(times.changed) << bar << as_unsigned(times.created);
    if (record.m_options == nullptr || record.m_options->m_record_newline) {
        line << '\n';
    }
    if (log_open(record)) {
        const std::string artifact =
            record.m_options != nullptr ? record.m_options->m_artifact_type : std::string();
        (void)record.m_results_db->add_row(line, as_unsigned(times.modified),
                                           as_unsigned(times.accessed), record.m_name, artifact,
                                           as_unsigned(times.changed), as_unsigned(times.created),
                                           0);  // always 0
    } else {
        write_whole(out, line.str());
    }
    return 1;
}
