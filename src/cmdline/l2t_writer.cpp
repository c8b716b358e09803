#include "cmdline/l2t_writer.h"

#include <iomanip>
#include <sstream>
#include <vector>

#include "cmdline/cell_render.h"
#include "cmdline/cmd_params.h"
#include "text/control_escape.h"
#include "text/text_case.h"
#include "text/text_lines.h"
#include "text/text_replace.h"
#include "time/time_format.h"
// Upward include: an attached results log receives the caption and the lines instead of the
// stream, so the writer calls its members.
#include "resultsdb/results_db_writer.h"

namespace {

// Role names of the results log's generic value columns for timeline lines: val1 holds the
// line's FILETIME, str1 its MACB marks, str2 the artifact type.
constexpr const char* l2t_generic_headers = "date|null|null|null|null|MACB|artifact|output";

void write_whole(std::ostream& out, const std::string& text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A results log takes the lines only while its database is open; an attached log that is
// not open leaves everything to the stream.
bool log_open(const timeline_context& context) {
    return context.m_results_db != nullptr && context.m_results_db->is_open();
}

bool quoted_csv(const timeline_context& context) {
    return context.m_options != nullptr && context.m_options->m_quoted_csv;
}

// A text column before the line decides its quoting. Terminal controls become visible
// escapes (text/control_escape.h). Line breaks become markers: timeline tools read one
// event per line, so a raw CR or LF would split the event. Outside quoted CSV, a delimiter
// becomes its replacement (a blank when none is set: a NUL byte would corrupt the line),
// and without one whole occurrences of the separator become blanks, so a path or payload
// holding the separator never adds a column.
std::string column_text(const timeline_context& context, const std::string& text) {
    std::string out = text;
    (void)escape_terminal_controls(out);  // edits in place
    (void)mark_line_breaks(out);          // edits in place
    if (quoted_csv(context)) {
        return out;
    }
    if (context.m_replace_from != 0) {
        const char to = context.m_replace_to != 0 ? context.m_replace_to : ' ';
        replace_char(out, context.m_replace_from, to, false);
    } else {
        blank_separator_text(out, context.m_separator);
    }
    return out;
}

// A column as the line writes it, whatever it holds (text, date and time, a number): one
// field to a CSV reader. Under quoted CSV a column holding the separator or a double quote
// is quoted; otherwise one holding the separator (a time under ":" or a blank, a number
// under a digit) or opening a quoted field is. Quotes inside a quoted column are doubled.
std::string csv_column(const timeline_context& context, std::string text) {
    const std::string& separator = context.m_separator;
    if (!quoted_csv(context)) {
        return csv_field(std::move(text), separator);
    }
    const bool quote = !separator.empty() && (text.find('"') != std::string::npos ||
                                              text.find(separator) != std::string::npos);
    return quote ? quoted_csv_value(text) : text;
}

// The context's type; else the line's description; else its per-letter descriptions.
std::string type_text(const timeline_context& context, const timeline_event& entry) {
    if (!context.m_type.empty()) {
        return context.m_type;
    }
    if (!entry.description.empty()) {
        return entry.description;
    }
    std::string joined;
    if (entry.letter_descriptions.size() != 4) {
        return joined;
    }
    for (const std::string& text : entry.letter_descriptions) {
        if (!text.empty()) {
            joined += text + "; ";
        }
    }
    if (!joined.empty()) {
        joined.resize(joined.size() - 2);
    }
    return joined;
}

// The replacement the layout has always made in place, in the context's and the line's
// free texts.
void replace_in_place(timeline_context& context, timeline_event& entry) {
    if (context.m_replace_from == 0 || context.m_replace_to == 0) {
        return;
    }
    const char from = context.m_replace_from;
    const char to = context.m_replace_to;
    replace_char(context.m_short, from, to, false);
    replace_char(context.m_desc, from, to, false);
    replace_char(context.m_filename, from, to, false);
    replace_char(context.m_notes, from, to, false);
    replace_char(entry.description, from, to, false);
    replace_char(entry.filename, from, to, false);
}

void add_date_time(std::vector<std::string>& columns, const timeline_context& context,
                   const timeline_event& entry) {
    std::string date;
    std::string time_text;
    (void)kq::format_date_time(date, time_text, entry.time, context.m_time_spec);  // empty if not
    const std::string blank = context.m_pad && !context.m_no_whitespace ? " " : "";
    if (context.m_pair_datetime) {
        columns.push_back(blank + date + " " + time_text);
        return;
    }
    columns.push_back(date);
    columns.push_back(blank + time_text);
}

template <typename number>
std::string hex_number(number value, int digits) {
    std::ostringstream text;
    text << "0x" << std::hex << std::setfill('0') << std::setw(digits) << value;
    return text.str();
}

template <typename number>
std::string decimal_number(number value) {
    std::ostringstream text;
    text << std::dec << value;
    return text.str();
}

std::string header_info_text(const timeline_context& context) {
    std::ostringstream text;
    text << std::hex << std::setfill(context.m_hex_numbers ? '0' : ' ');
    for (const uint8 b : context.m_header_info) {
        text << std::setw(2) << static_cast<unsigned>(b) << ' ';
    }
    return text.str();
}

void add_ntfs_extras(std::vector<std::string>& columns, const timeline_context& context) {
    const std::string extension = column_text(context, context.m_extension);
    if (context.m_hex_numbers) {
        columns.push_back(hex_number(context.m_ref_count, 4));
        columns.push_back(extension);
        columns.push_back(hex_number(context.m_size, 6));
        columns.push_back(hex_number(context.m_inode_seqnum, 4));
        columns.push_back(hex_number(context.m_parent_inode, 8));
        columns.push_back(hex_number(context.m_parent_seqnum, 4));
    } else {
        columns.push_back(decimal_number(context.m_ref_count));
        columns.push_back(extension);
        columns.push_back(decimal_number(context.m_size));
        columns.push_back(decimal_number(context.m_inode_seqnum));
        columns.push_back(decimal_number(context.m_parent_inode));
        columns.push_back(decimal_number(context.m_parent_seqnum));
    }
    columns.push_back(column_text(context, context.m_clusters));
    columns.push_back(header_info_text(context));
}

const std::string& entry_or(const std::string& entry_text, const std::string& context_text) {
    return entry_text.empty() ? context_text : entry_text;
}

std::vector<std::string> line_columns(timeline_context& context, timeline_event& entry) {
    std::vector<std::string> columns;
    add_date_time(columns, context, entry);
    if (context.m_lower_macb) {
        (void)string_to_lower(entry.marks);  // in place
    }
    const std::string type = type_text(context, entry);
    const auto text = [&context](const std::string& value) { return column_text(context, value); };
    columns.push_back(text(context.m_timezone));
    columns.push_back(text(entry.marks));
    columns.push_back(text(entry_or(entry.source, context.m_source)));
    columns.push_back(text(context.m_sourcetype));
    columns.push_back(text(type));
    columns.push_back(text(entry_or(entry.user, context.m_user)));
    columns.push_back(text(context.m_host));
    replace_in_place(context, entry);
    columns.push_back(text(context.m_short));
    columns.push_back(text(context.m_desc));
    columns.push_back(decimal_number(context.m_version));
    columns.push_back(text(entry_or(entry.filename, context.m_filename)));
    columns.push_back(text(context.m_inode));
    columns.push_back(text(context.m_notes));
    columns.push_back(text(context.m_format));
    columns.push_back(text(entry_or(entry.extra, context.m_extra)));
    if (context.m_ntfs_extras) {
        add_ntfs_extras(columns, context);
    }
    return columns;
}

void write_header_once(bool& header_pending, std::ostream& out, timeline_context& context) {
    if (!header_pending) {
        return;
    }
    header_pending = false;
    std::ostringstream caption;
    write_l2t_header(caption, context.m_separator, context.m_ntfs_extras, context.m_pair_datetime);
    if (log_open(context)) {
        results_db_writer& log = *context.m_results_db;
        if (context.m_options != nullptr) {
            log.set_artifact_type(context.m_options->m_artifact_type.c_str());
        }
        log.set_col_hdrs(caption.str().c_str());
        log.set_gen_hdrs(l2t_generic_headers);
        log.set_file(context.m_filename.c_str());
        (void)log.begin_run(false);  // a log that cannot start a run keeps nothing anyway
    } else {
        caption << '\n';
        write_whole(out, caption.str());
    }
    if (context.m_options != nullptr) {
        context.m_options->m_header_pending = false;
    }
}

}  // namespace

void write_l2t_header(std::ostream& out, const std::string& separator, bool ntfs_extras,
                      bool combined) {
    std::vector<std::string> captions;
    if (combined) {
        captions.emplace_back("date/time");
    } else {
        captions.emplace_back("date");
        captions.emplace_back("time");
    }
    for (const char* caption :
         {"timezone", "MACB", "source", "sourcetype", "type", "user", "host", "short", "desc",
          "version", "filename", "inode", "notes", "format", "extra"}) {
        captions.emplace_back(caption);
    }
    if (ntfs_extras) {
        for (const char* caption : {"ref count", "extension", "size data", "inode seqnum",
                                    "parent inode", "parent seqnum", "clusters", "header info"}) {
            captions.emplace_back(caption);
        }
    }
    std::ostringstream line;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        if (i > 0) {
            line << separator;
        }
        // A caption holding the separator ("date/time" under "/") is one field too.
        line << csv_field(captions[i], separator);
    }
    write_whole(out, line.str());
}

int write_l2t_rows(bool& header_pending, std::ostream& out, timeline_collector& collector) {
    out << std::setfill(' ') << std::dec << std::left;
    write_header_once(header_pending, out, collector);
    const bool newline = collector.m_options == nullptr || collector.m_options->m_record_newline;
    for (auto& [filetime, entry] : collector.m_events) {
        if (!entry.valid || !collector.inside_filter(filetime)) {
            continue;
        }
        const std::vector<std::string> columns = line_columns(collector, entry);
        std::ostringstream line;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i > 0) {
                line << collector.m_separator;
            }
            line << csv_column(collector, columns[i]);
        }
        if (newline) {
            line << '\n';
        }
        if (log_open(collector)) {
            (void)collector.m_results_db->add_row(line, filetime, 0, entry.marks,
                                                  collector.m_sourcetype, 0, 0, 0);  // always 0
        } else {
            write_whole(out, line.str());
        }
    }
    return 1;
}
