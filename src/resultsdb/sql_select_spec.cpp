// Building, running and checking select specs. The rendering of the rows is in
// sql_select_render.cpp.

#include "resultsdb/sql_select_spec.h"

#include <cstring>
#include <string>
#include <vector>

#include "cmdline/cmd_args.h"
#include "resultsdb/cmd_record_list.h"
#include "resultsdb/sql_names.h"
#include "sqlite/sql_row_readers.h"
#include "sqlite/sqlite_api.h"
#include "text/console_output.h"
#include "text/text_case.h"

namespace {

// One column item: "name" (type "text") or "name|type" with the type lower-cased.
void add_column(sql_select_spec& spec, const std::string& item) {
    const std::size_t bar = item.find('|');
    if (bar == std::string::npos) {
        spec.m_col_names.push_back(item);
        spec.m_col_types.emplace_back("text");
        return;
    }
    std::string type = item.substr(bar + 1);
    spec.m_col_names.push_back(item.substr(0, bar));
    spec.m_col_types.push_back(string_to_lower(type));
}

// Names are quoted so that any byte in a column or table name stays inside one identifier.
std::string select_text(const sql_select_spec& spec) {
    std::string sql = "select ";
    for (std::size_t i = 0; i < spec.m_col_names.size(); ++i) {
        if (i != 0) {
            sql += ',';
        }
        sql += backquoted_name(spec.m_col_names[i]);
    }
    return sql + " from " + bracketed_name(spec.m_table) + ";";
}

void failed_run(sql_select_spec& spec, const std::string& message) {
    spec.m_error = message;
    if (message.find("already exists") == std::string::npos) {
        spec.m_error += " [Prob calling cmd: " + spec.m_sql + "]";
    }
}

// What a select run hands through the shared row reader to the row callback.
struct run_context {
    sql_select_spec* spec;
    sql_select_row_fn callback;
    bool stopped = false;
};

// The reader gives every value as its whole bytes (blobs and texts with any 0x00 byte kept);
// a row after the callback asked to stop is dropped.
void deliver_row(void* context, const std::vector<std::string>& values,
                 const std::vector<std::string>& names, uint8 /*option*/, uint32 /*value1*/,
                 uint32 /*value2*/, uint32 /*value3*/, uint32 /*value4*/) {
    auto& run = *static_cast<run_context*>(context);
    if (run.stopped || run.callback == nullptr) {
        return;
    }
    std::vector<const char*> texts;
    std::vector<uint32> lengths;
    std::vector<const char*> captions;
    for (const auto& value : values) {
        texts.push_back(value.c_str());
        lengths.push_back(static_cast<uint32>(value.size()));
    }
    for (const auto& name : names) {
        captions.push_back(name.c_str());
    }
    run.stopped = run.callback(run.spec, static_cast<int>(values.size()), texts.data(),
                               lengths.data(), captions.data()) != 0;
}

}  // namespace

void sql_select_spec::reset() {
    m_table.clear();
    m_comment.clear();
    m_sql.clear();
    m_col_names.clear();
    m_col_types.clear();
    m_col_widths.clear();
    m_rows.clear();
    m_error.clear();
}

bool sql_select_spec::is_valid() const {
    return !m_table.empty() && !m_sql.empty() && !m_col_names.empty();
}

bool sql_select_spec::parse(std::vector<std::string>& items) {
    reset();
    if (items.empty() || !take_flag("-sqlite_select", items, false) ||
        !take_option_value("-name", m_table, items)) {
        return false;
    }
    (void)take_option_value("-comment", m_comment, items);  // the comment is optional
    for (const auto& item : items) {
        add_column(*this, item);
    }
    items.clear();
    m_sql = select_text(*this);
    m_col_widths.assign(m_col_names.size(), 0);
    return true;
}

bool sql_select_spec::run(sqlite_wrapper* database, sql_select_row_fn callback) {
    if (database == nullptr || !database->is_open() || !is_valid()) {
        return false;
    }
    if (m_col_widths.size() < m_col_names.size()) {
        m_col_widths.resize(m_col_names.size(), 0);
    }
    run_context context{this, callback};
    const bool ran = for_each_row_with_names(&context, 0, 0, 0, 0, 0, database->handle(), m_sql,
                                             deliver_row, true);
    if (ran && !context.stopped) {
        return true;
    }
    const auto errmsg = g_sqlite_api.sqlite3_errmsg;
    // a stop asked for by the callback leaves no SQLite message behind
    failed_run(*this, context.stopped || errmsg == nullptr ? std::string("query aborted")
                                                           : std::string(errmsg(database->handle())));
    return false;
}

int sql_select_row_callback_counted(sql_select_spec* spec, int count, const char* const* values,
                                    const uint32* lengths, const char* const* /*names*/) {
    if (spec == nullptr || !spec->is_valid()) {
        return 1;
    }
    // Values past the selected columns have no width or type to go with: they are dropped.
    const std::size_t kept =
        std::min(static_cast<std::size_t>(std::max(count, 0)), spec->m_col_names.size());
    if (spec->m_col_widths.size() < kept) {
        spec->m_col_widths.resize(kept, 0);
    }
    std::vector<std::string> row;
    row.reserve(kept);
    for (std::size_t i = 0; i < kept; ++i) {
        if (values == nullptr || values[i] == nullptr) {
            row.emplace_back();
            continue;
        }
        const uint32 length = lengths != nullptr ? lengths[i] : 0;
        row.emplace_back(values[i], length);
        spec->m_col_widths[i] = std::max(spec->m_col_widths[i], length);
    }
    spec->m_rows.push_back(std::move(row));
    return 0;
}

int sql_select_row_callback(sql_select_spec* spec, int count, char** values, char** names) {
    std::vector<uint32> lengths(static_cast<std::size_t>(std::max(count, 0)), 0);
    for (std::size_t i = 0; values != nullptr && i < lengths.size(); ++i) {
        lengths[i] = values[i] == nullptr ? 0 : static_cast<uint32>(std::strlen(values[i]));
    }
    return sql_select_row_callback_counted(spec, count, values, lengths.data(), names);
}

bool load_sql_selects(std::vector<sql_select_spec>& list, const std::string& file_name) {
    list.clear();
    const cmd_record_list script(file_name, false);
    for (int i = 0; i < script.count(); ++i) {
        std::vector<std::string> args;
        std::string table;
        if (!script.get_args(i, args) || !has_option("-sqlite_select", args, false) ||
            !get_option_value("-name", table, args, false)) {
            continue;
        }
        list.emplace_back();
        if (!list.back().parse(args)) {
            list.pop_back();
        }
    }
    return !list.empty();
}

bool all_sql_selects_valid(const std::vector<sql_select_spec>& list) {
    if (list.empty()) {
        return false;
    }
    for (const auto& spec : list) {
        if (!spec.is_valid()) {
            return false;
        }
    }
    return true;
}

bool run_sql_selects(std::vector<sql_select_spec>& list, sqlite_wrapper* database) {
    if (database == nullptr || !all_sql_selects_valid(list)) {
        return false;
    }
    bool any_ran = false;
    for (auto& spec : list) {
        if (spec.run(database, sql_select_row_callback_counted)) {
            any_ran = true;
            continue;
        }
        (void)stderr_printf("probs with select %s\n", spec.m_sql.c_str());
    }
    return any_ran;
}

void print_sql_selects(std::vector<sql_select_spec>& list, std::ostream& out,
                       cmd_params& options) {
    for (const auto& spec : list) {
        options.m_header_pending = true;
        out << " " << std::string(67, '-') << " \n";
        spec.render(out, options);
    }
}
