#include "cmdline/mft_csv_writer.h"

#include <algorithm>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/output_record.h"
#include "cmdline/record_writer.h"
#include "cmdline/results_columns.h"
#include "text/embedded_strings.h"
#include "text/kq_variant_lite.h"
// Upward include: an attached results log is told what the role cells of these lines hold.
#include "resultsdb/results_db_writer.h"

namespace vt = variant_type;

namespace {

// What the results log's generic value columns hold for these lines: val1 the moment,
// val3 the data size, str1 the MACB letters.
constexpr const char* mft_generic_headers = "date|null|size data|null|null|MACB|path|output";

// Readable strings in the header-info bytes need at least this many characters.
constexpr uint32 header_string_minimum = 5;

enum class mft_cell {
    inode,
    inode_seqnum,
    parent,
    parent_seqnum,
    type,
    extension,
    ref_count,
    size,
    date,
    time_half,  // the time of a two-column date: filled by the date cell
    macb,
    data_type,
    other_info,
    md5,
    sha1,
    sha1_second,
    name,
    path,
    data,
    last,
};

struct mft_column {
    const char* caption;
    uint64 width;
    uint16 type;  // caption type: only time captions take the pad blank
    mft_cell cell;
};

void add_date_columns(std::vector<mft_column>& columns, const timeline_context& context) {
    const uint64 date_width = context.m_date_format.size();
    const uint64 time_width = context.m_time_format.size();
    if (context.m_pair_datetime) {
        columns.push_back(
            {"date/time-utc", date_width + time_width + 1, vt::filetime, mft_cell::date});
        return;
    }
    columns.push_back({"date", date_width, vt::empty, mft_cell::date});
    columns.push_back({"time-utc", time_width, vt::filetime_alt, mft_cell::time_half});
}

void add_closing_columns(std::vector<mft_column>& columns, const timeline_context& context) {
    if (context.m_md5_column) {
        columns.push_back({"MD5 hash", 32, vt::empty, mft_cell::md5});
    }
    if (context.m_sha1_column) {
        columns.push_back({"SHA1 hash", 40, vt::empty, mft_cell::sha1});
    }
    if (context.m_sha1_second_column) {
        columns.push_back({"SHA1 hash", 40, vt::empty, mft_cell::sha1_second});
    }
    columns.push_back({"name", 15, vt::empty, mft_cell::name});
    columns.push_back({"path", 60, vt::empty, mft_cell::path});
    if (context.m_no_size_data || !context.m_clusters_column) {
        columns.push_back({"various data types", 100, vt::empty, mft_cell::data});
    } else {
        columns.push_back({"clusters/relevant data", 80, vt::empty, mft_cell::data});
    }
    if (context.m_extracted_path_column) {
        columns.push_back({"extracted path/file", 0, vt::empty, mft_cell::last});
    } else if (context.m_header_info_column) {
        columns.push_back({"header info", 0, vt::empty, mft_cell::last});
    }
}

// The report's columns under the context's choices, in order.
std::vector<mft_column> mft_columns(const timeline_context& context) {
    std::vector<mft_column> columns = {
        {"mft entry", 10, vt::empty, mft_cell::inode},
        {"mft seqnum", 10, vt::empty, mft_cell::inode_seqnum},
        {"parent mft", 10, vt::empty, mft_cell::parent},
        {"par seqnum", 10, vt::empty, mft_cell::parent_seqnum},
        {"type", 7, vt::empty, mft_cell::type},
        {"ext", 9, vt::empty, mft_cell::extension},
        {"ref", 3, vt::empty, mft_cell::ref_count},
    };
    if (!context.m_no_size_data) {
        columns.push_back({"size data", 10, vt::empty, mft_cell::size});
    }
    add_date_columns(columns, context);
    columns.push_back({"MACB", 33, vt::empty, mft_cell::macb});
    if (!context.m_no_size_data) {
        columns.push_back({"data type", 14, vt::empty, mft_cell::data_type});
    }
    columns.push_back({"other info", 14, vt::empty, mft_cell::other_info});
    add_closing_columns(columns, context);
    return columns;
}

std::vector<kq_variant_lite> header_columns(const std::vector<mft_column>& columns,
                                            bool no_whitespace) {
    std::vector<kq_variant_lite> captions;
    captions.reserve(columns.size());
    for (const mft_column& column : columns) {
        const uint64 width = no_whitespace ? 0 : column.width;
        if (column.type == vt::empty) {
            captions.emplace_back(column.caption, width);
        } else {
            captions.emplace_back(column.caption, width, column.type, 0);
        }
    }
    return captions;
}

void write_mft_header(std::ostream& out, timeline_context& context) {
    cmd_params& options = *context.m_options;
    options.m_header_pending = false;
    options.m_columns = header_columns(mft_columns(context), options.m_no_whitespace);
    if (options.m_sqlite && context.m_results_db != nullptr) {
        context.m_results_db->set_file("");
        context.m_results_db->set_gen_hdrs(mft_generic_headers);
    }
    write_header_row(out, options);
}

std::string macb_text(const macb_flags& flags, bool show_fn83, bool show_fn) {
    std::ostringstream text;
    flags.print(text, false, show_fn83, show_fn);
    return text.str();
}

// The strings or hex bytes of the header info; empty without bytes.
std::string header_info_text(const timeline_context& context) {
    const byte_array& bytes = context.m_header_info;
    // The printer counts in int; a header is a few hundred bytes, so the cut never bites.
    const std::size_t length = std::min<std::size_t>(bytes.size(), std::numeric_limits<int>::max());
    const std::string raw(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    std::ostringstream text;
    // Nothing found is an empty text, which is what the cell should then hold.
    (void)print_embedded_strings(text, raw.data(), static_cast<int>(length), context.m_string_mode,
                                 header_string_minimum, "; ");
    return text.str();
}

// Where a name's line differs from the base row.
struct name_cells {
    int macb = -1;
    int type = -1;
    int name = -1;
    int path = -1;
};

void set_last_cell(output_record& row, int index, const timeline_context& context) {
    if (!context.m_extracted_path.empty()) {
        (void)row.set_str(index, context.m_extracted_path, vt::text, 0);
        return;
    }
    if (!context.m_header_info.empty()) {
        (void)row.set_str(index, header_info_text(context), vt::text, 0);
    }
}

void set_number_cell(output_record& row, int index, mft_cell cell, uint64 moment,
                     const timeline_context& context) {
    const uint32 decimal = cell_flag::force_decimal;
    switch (cell) {
        case mft_cell::inode_seqnum:
            (void)row.set_num(index, context.m_inode_seqnum, vt::u16, decimal);
            return;
        case mft_cell::parent:
            (void)row.set_num(index, context.m_parent_inode, vt::i64, 0);
            return;
        case mft_cell::parent_seqnum:
            (void)row.set_num(index, context.m_parent_seqnum, vt::u16, decimal);
            return;
        case mft_cell::ref_count:
            (void)row.set_num(index, context.m_ref_count, vt::u32, decimal);
            return;
        case mft_cell::size:
            (void)row.set_num(index, context.m_size, vt::i64, results_role::val3);
            return;
        case mft_cell::date:
            (void)row.set_num(index, moment,
                              context.m_pair_datetime ? vt::filetime : vt::filetime_two_columns,
                              results_role::val1);
            return;
        default:
            return;
    }
}

// The text cells that hold a context text as it is; null for every other cell.
const std::string* context_text(mft_cell cell, const timeline_context& context) {
    switch (cell) {
        case mft_cell::inode:
            return &context.m_inode;
        case mft_cell::type:
            return &context.m_notes;
        case mft_cell::extension:
            return &context.m_extension;
        case mft_cell::data_type:
            return &context.m_desc;
        case mft_cell::other_info:
            return &context.m_extra;
        case mft_cell::md5:
            return &context.m_md5_text;
        case mft_cell::sha1:
            return &context.m_sha1_text;
        case mft_cell::sha1_second:
            return &context.m_sha1_second_text;
        case mft_cell::data:
            return &context.m_clusters;
        default:
            return nullptr;
    }
}

// Setters refuse an index past the row, so a row shorter than the column list simply
// lacks those cells.
void set_base_cell(output_record& row, int index, mft_cell cell, uint64 moment,
                   const macb_flags& flags, const timeline_context& context, name_cells& cells) {
    if (cell == mft_cell::type) {
        cells.type = index;
    }
    if (const std::string* text = context_text(cell, context); text != nullptr) {
        (void)row.set_str(index, *text, vt::text, 0);
        return;
    }
    switch (cell) {
        case mft_cell::macb:
            cells.macb = index;
            (void)row.set_str(index, macb_text(flags, true, true), vt::text, results_role::str1);
            return;
        case mft_cell::name:
            cells.name = index;
            return;
        case mft_cell::path:
            cells.path = index;
            return;
        case mft_cell::last:
            set_last_cell(row, index, context);
            return;
        default:
            set_number_cell(row, index, cell, moment, context);
            return;
    }
}

// The row every line of one moment starts from; it is never written itself.
output_record base_row(const std::vector<mft_column>& columns, uint64 moment,
                       const macb_flags& flags, const timeline_context& context,
                       name_cells& cells) {
    const cmd_params& options = *context.m_options;
    // A column list longer than a row can hold gives an invalid row, which writes nothing.
    const std::size_t count = std::min<std::size_t>(
        options.m_columns.size(), static_cast<std::size_t>(output_record::max_fields) + 1);
    // No cell is put between quotes here, also under "-enable_quoted_csv_fields": the table
    // writer quotes exactly the values that need it (RFC 4180), and a value quoted twice
    // would read back with its quotes as part of it.
    output_record row(static_cast<int>(count), false);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        set_base_cell(row, static_cast<int>(i), columns[i].cell, moment, flags, context, cells);
    }
    return row;
}

struct name_line {
    const std::string& macb;
    std::string name;
    const std::string* type;  // null: the base row's
};

void write_name_line(std::ostream& out, const output_record& base, const name_cells& cells,
                     const name_line& line, const macb_flags& flags, cmd_params& options) {
    output_record row = base;
    (void)row.set_str(cells.macb, line.macb, vt::text, results_role::str1);
    if (line.type != nullptr) {
        (void)row.set_str(cells.type, *line.type, vt::text, 0);
    }
    (void)row.set_str(cells.name, line.name, vt::text, 0);
    (void)row.set_str(cells.path, flags.m_path, vt::text, 0);
    write_record(out, row, options);
}

void write_moment(std::ostream& out, const std::vector<mft_column>& columns, uint64 moment,
                  const macb_flags& flags, timeline_context& context) {
    name_cells cells;
    const output_record base = base_row(columns, moment, flags, context, cells);
    cmd_params& options = *context.m_options;
    const std::string long_macb = macb_text(flags, false, true);
    for (const std::string& name : flags.m_long_names) {
        if (name.empty()) {
            continue;
        }
        const std::string shown =
            flags.m_stream_name.empty() ? name : name + ":" + flags.m_stream_name;
        write_name_line(out, base, cells, {long_macb, shown, nullptr}, flags, options);
    }
    const std::string short_macb = macb_text(flags, true, false);
    const std::string short_type = context.m_notes + " (FN 8.3)";
    for (const std::string& name : flags.m_short_names) {
        if (name.empty()) {
            continue;
        }
        write_name_line(out, base, cells, {short_macb, name, &short_type}, flags, options);
    }
}

}  // namespace

int write_mft_csv(bool& header_pending, std::ostream& out, const mft_timeline& timeline,
                  timeline_context& context) {
    out << std::dec << std::setfill(' ') << std::left;
    if (header_pending) {
        header_pending = false;
        if (context.m_options != nullptr) {
            write_mft_header(out, context);
        }
    }
    if (context.m_options == nullptr) {
        return 1;
    }
    const std::vector<mft_column> columns = mft_columns(context);
    for (const auto& [moment, flags] : timeline) {
        if (context.inside_filter(moment)) {
            write_moment(out, columns, moment, flags, context);
        }
    }
    return 1;
}
