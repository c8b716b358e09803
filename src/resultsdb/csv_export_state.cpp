#include "resultsdb/csv_export_state.h"

#include <span>
#include <sstream>
#include <vector>

#include "cmdline/cell_render.h"
#include "cmdline/cmd_params.h"
#include "io/uni_fileio.h"
#include "sqlite/sql_result_set.h"
#include "text/text_replace.h"
#include "text/text_split.h"

namespace {

constexpr int stop_statement = -1;
constexpr const char* bar = "|";
// The first nine characters of a run's notes are its own bookkeeping; the original run
// time follows them.
constexpr std::size_t notes_prefix_length = 9;

// The separator of the export and whether values are checked against it.
struct csv_layout {
    std::string separator = bar;
    const cmd_params* options = nullptr;  // null: the bar separates
};

csv_layout layout_of(const cmd_params* options) {
    csv_layout layout;
    if (options != nullptr && options->m_separator != bar) {
        layout.separator = options->m_separator;
        layout.options = options;
    }
    return layout;
}

// A value holding the separator would shift every later column of its line: the bar
// becomes ';', another separator follows the table writer's delimiter rule.
std::string neutralised(std::string value, const csv_layout& layout) {
    if (layout.options == nullptr) {
        replace_char(value, '|', ';', false);
        return value;
    }
    const cmd_params& options = *layout.options;
    if (options.m_delimiter != 0) {
        // A zero substitute would put NUL bytes into the file; a blank keeps the column.
        const char substitute =
            options.m_delimiter_substitute != 0 ? options.m_delimiter_substitute : ' ';
        replace_char(value, options.m_delimiter, substitute, false);
        return value;
    }
    return keep_separator_out(std::move(value), options);
}

std::string original_runtime(const std::string& notes) {
    return notes.size() > notes_prefix_length ? notes.substr(notes_prefix_length) : "";
}

std::string caption_text(csv_export_state& state, const metadata_record& run,
                         const csv_layout& layout, int count) {
    std::vector<std::string> items;
    (void)split_on_char(run.col_hdrs, '|', items, true, true, false);  // empty text: no items
    state.header_item_count = static_cast<int32>(items.size());
    std::string line;
    if (layout.options != nullptr && !items.empty()) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            line += (i == 0 ? "" : layout.separator) + items[i];
        }
    } else {
        line = run.col_hdrs;
    }
    // Captions for the values the run's caption list does not name keep the columns aligned.
    for (int i = state.header_item_count; i < count - 1; ++i) {
        line += layout.separator;
    }
    return line;
}

void write_header(csv_export_state& state, const metadata_record& run, const csv_layout& layout,
                  int count) {
    const std::string& s = layout.separator;
    std::ostringstream line;
    line << caption_text(state, run, layout, count) << s << "tool used" << s << "orig runtime" << s
         << "artifact type" << s;
    if (!run.extra_args.empty()) {
        line << "extra args" << s;
    }
    line << "csv src" << s << "artifact src" << '\n';
    (void)state.output->append_stream(line);  // a failed write shows when the file closes
}

void write_row(const csv_export_state& state, const metadata_record& run, const csv_layout& layout,
               std::span<char* const> values) {
    const std::string& s = layout.separator;
    std::ostringstream line;
    for (std::size_t i = 1; i < values.size(); ++i) {
        line << neutralised(values[i] == nullptr ? "" : values[i], layout) << s;
    }
    line << neutralised(run.toolname, layout) << s
         << neutralised(original_runtime(run.notes), layout) << s
         << neutralised(run.artifact_type, layout) << s;
    if (!run.extra_args.empty()) {
        line << neutralised(run.extra_args, layout) << s;
    }
    line << neutralised(run.file_other, layout) << s << neutralised(run.file, layout) << '\n';
    (void)state.output->append_stream(line);  // as write_header
}

}  // namespace

csv_export_state::csv_export_state() { reset(); }

void csv_export_state::reset() {
    row_counter = 0;
    table_name.clear();
    header_item_count = 0;
    output = nullptr;
    header_pending = true;
    runs_by_last_row.clear();
    options = nullptr;
}

int csv_export_row(void* context, int count, char** values, char** /*names*/) {
    auto* result = static_cast<sql_result_set*>(context);
    if (result == nullptr || result->user_data == nullptr) {
        return stop_statement;
    }
    auto& state = *static_cast<csv_export_state*>(result->user_data);
    if (state.output == nullptr) {
        return stop_statement;
    }
    ++state.row_counter;
    // The run whose last row is the nearest at or after this one wrote it; a run still
    // open (end 0) covers nothing.
    const auto run = state.runs_by_last_row.lower_bound(state.row_counter);
    if (run == state.runs_by_last_row.end()) {
        return stop_statement;
    }
    const csv_layout layout = layout_of(state.options);
    if (state.header_pending) {
        state.header_pending = false;
        write_header(state, run->second, layout, count);
    }
    const std::span<char* const> row =
        values == nullptr || count <= 0
            ? std::span<char* const>()
            : std::span<char* const>(values, static_cast<std::size_t>(count));
    write_row(state, run->second, layout, row);
    return 0;
}
