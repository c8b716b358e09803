// Opening the results log and creating its tables. None of this takes the log's lock: it
// runs before producers start.

#include <cstdio>
#include <ctime>

#include "cmdline/cmd_params.h"
#include "resultsdb/file_table_columns.h"
#include "resultsdb/metadata_record.h"
#include "resultsdb/results_clock.h"
#include "resultsdb/results_db_open.h"
#include "resultsdb/sql_names.h"
#include "resultsdb/sqlite_log.h"
#include "sqlite/sql_result_set.h"

bool sqlite_log::run_create_table(const table_layout& layout, bool& already_exists) {
    std::string columns;
    for (std::size_t k = 0; k < layout.columns.size(); ++k) {
        columns += (k == 0 ? "" : ", ") + backquoted_name(layout.columns[k].first) + " " +
                   layout.columns[k].second;
    }
    const std::string sql = "create table " + backquoted_name(layout.name) + " (" + columns + ");";
    sql_result_set result;
    already_exists = false;
    if (!sql_transaction(&result, this, {sql}, sql_row_callback)) {
        already_exists = result.already_exists;
        return false;
    }
    ref_row row;
    row.table_name = layout.name;
    if (!insert_ref(row)) {
        // Registered by an earlier run: only its count starts again.
        (void)update_ref(layout.name, 0);  // the table exists either way
    }
    return true;
}

void sqlite_log::register_table_queue(const std::string& table) {
    auto [queue, added] = m_file_queues.try_emplace(table);
    if (added) {
        queue->second.reserve(queue_reserve);
    }
}

void sqlite_log::forget_table(const std::string& table, bool kind_added) {
    m_layouts.erase(table);
    if (kind_added) {
        m_table_flags.erase(table);
    }
}

bool sqlite_log::create_laid_out_table(bool& existed, const std::string& table, uint64 kind) {
    const bool kind_added = m_table_flags.try_emplace(table, kind).second;
    bool already_exists = false;
    if (run_create_table(m_layouts.at(table), already_exists)) {
        register_table_queue(table);
        return true;
    }
    if (already_exists) {
        existed = true;
        return true;
    }
    forget_table(table, kind_added);
    return false;
}

bool sqlite_log::create_text_table(bool& existed, const std::string& table,
                                   const std::vector<std::string>& names, uint64 kind,
                                   bool sets_ready) {
    existed = false;
    const auto [layout, added] = m_layouts.try_emplace(table);
    if (!added) {
        existed = true;
        m_ready = m_ready || sets_ready;
        return true;
    }
    // A text table's first column takes the row key, so it needs one more for a value.
    if (!layout_from_names(layout->second, names, 1, false)) {
        forget_table(table, false);
        return false;
    }
    layout->second.name = table;
    if (!create_laid_out_table(existed, table, kind)) {
        return false;
    }
    m_ready = m_ready || sets_ready;
    return true;
}

bool sqlite_log::create_named_table(bool& existed, const std::string& table,
                                    const std::vector<std::string>& names) {
    return create_text_table(existed, table, names, named_table_kind, true);
}

bool sqlite_log::create_file_table(bool& existed, const std::string& table, uint64 flags) {
    existed = false;
    const auto [layout, added] = m_layouts.try_emplace(table);
    if (!added) {
        existed = true;
        return true;
    }
    if (!file_table_columns(layout->second, flags)) {
        forget_table(table, false);
        return false;
    }
    layout->second.name = table;
    return create_laid_out_table(existed, table, flags);
}

bool sqlite_log::write_file_tables(const std::map<std::string, uint64>& file_tables) {
    for (const auto& [table, flags] : file_tables) {
        bool existed = false;
        if (!create_file_table(existed, table, flags)) {
            std::fprintf(stderr, "prob creating table %s\n", table.c_str());
            return false;
        }
        if (existed) {
            // Rows of earlier runs are there: the register catches up with them.
            const int64 last = select_max_rowid(table);
            if (last != 0) {
                (void)update_ref(table, last);  // a lagging register only shifts run bounds
            }
        }
    }
    return true;
}

void sqlite_log::describe_run(const cmd_params& options) {
    for (auto& [table, layout] : m_layouts) {
        metadata_record run;
        describe_table_run(run, options, layout, get_last_rowid(table),
                           run_description_form::results_log);
        // Tables described in one tick must not share a run key: the destructor closes
        // each run row by its key.
        run.runtime = results_clock::next_run_key();
        if (insert_metadata(run)) {
            layout.run_key = run.runtime;
        }
    }
}

void sqlite_log::take_time_formats(const cmd_params& options) {
    if (!options.m_date_format.empty()) {
        // A template that does not compile keeps what it gave; the log still writes times.
        (void)m_time_spec.parse(options.m_date_format, options.m_time_format, true);
        return;
    }
    if (!options.m_time_spec.is_unset()) {
        m_time_spec = options.m_time_spec;
        m_time_spec.time_flags |= time_display_spec::pair_flag;
        m_time_spec.time_flags &= time_display_spec::keep_without_fraction;
    }
}

bool sqlite_log::open_with_options(const std::string& path, cmd_params* options,
                                   const std::map<std::string, uint64>* file_tables,
                                   bool write_metadata) {
    reset();
    if (path.empty() || !sqlite_wrapper::open(nullptr, path, "")) {
        return false;
    }
    // Gives a file created just now a moment before the first statement.
    const timespec pause{0, 1000000};
    (void)nanosleep(&pause, nullptr);  // a shorter pause does no harm
    // Another file may have been open before: its tables say nothing about this one.
    m_ref_ready = create_ref_table();
    m_metadata_ready = create_metadata_table();
    if (file_tables != nullptr && !write_file_tables(*file_tables)) {
        return false;
    }
    if (options != nullptr) {
        if (write_metadata) {
            describe_run(*options);
        }
        take_time_formats(*options);
    }
    m_ready = true;
    return true;
}
