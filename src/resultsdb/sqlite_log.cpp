#include "resultsdb/sqlite_log.h"

#include <cstdio>

#include "resultsdb/file_table_columns.h"

namespace {

constexpr const char* default_date_template = "yyyy-mm-dd";
constexpr const char* default_time_template = "hh:mm:ss";

}  // namespace

sqlite_log::sqlite_log() { reset(); }

sqlite_log::~sqlite_log() {
    if ((!m_file_queues.empty() || !m_text_queues.empty()) && !flush()) {
        std::fprintf(stderr, "prob writing queued rows to %s\n", m_db_path.c_str());
    }
    close_run_rows();
}

void sqlite_log::close_run_rows() {
    for (const auto& [table, layout] : m_layouts) {
        const int64 last = get_last_rowid(table);
        // A run row that cannot be closed stays open; the rows themselves are written.
        if (last == 0) {
            (void)set_row_data_start(layout.run_key, 0);
        }
        (void)set_row_data_end(layout.run_key, last, true);
    }
}

void sqlite_log::reset() {
    m_ready = false;
    m_layouts.clear();
    m_table_flags.clear();
    m_file_queues.clear();
    m_text_queues.clear();
    m_time_spec = time_display_spec{};
    // Fixed templates that always compile.
    (void)m_time_spec.parse(default_date_template, default_time_template, true);
}

bool sqlite_log::layout_from_names(table_layout& layout, const std::vector<std::string>& names,
                                   int32 first_position, bool append) {
    if (!append) {
        layout.clear();
    }
    if (names.empty()) {
        return false;
    }
    int32 position = first_position;
    for (const std::string& column : names) {
        layout.add_column(column, "varchar");
        layout.positions[column] = position++;
    }
    return true;
}

std::size_t sqlite_log::queued_text_rows(const std::string& table) const {
    const auto found = m_text_queues.find(table);
    return found == m_text_queues.end() ? 0 : found->second.size();
}

std::size_t sqlite_log::queued_file_rows(const std::string& table) const {
    const auto found = m_file_queues.find(table);
    return found == m_file_queues.end() ? 0 : found->second.size();
}

bool sqlite_log::queue_row(const std::string& table, const std::vector<std::string>& values) {
    if (!m_ready || m_layouts.empty() || values.empty()) {
        return false;
    }
    AutoLock hold(&m_lock);
    if (m_table_flags.count(table) == 0) {
        return false;
    }
    std::vector<queued_text_row>& queue = m_text_queues[table];
    queue.emplace_back(table, values);
    if (queue.size() > queue_limit) {
        // A failed write keeps the rows queued; the row itself is taken either way.
        (void)flush();
    }
    return true;
}

bool sqlite_log::queue_result_rows(const std::string& table,
                                   const std::vector<std::vector<std::string>>& rows) {
    if (!m_ready || m_layouts.empty() || rows.empty()) {
        return false;
    }
    AutoLock hold(&m_lock);
    if (m_table_flags.count(table) == 0) {
        return false;
    }
    for (const std::vector<std::string>& row : rows) {
        if (row.empty()) {
            return false;  // a row of no values has nothing to store
        }
    }
    std::vector<queued_text_row>& queue = m_text_queues[table];
    for (const std::vector<std::string>& row : rows) {
        queue.emplace_back(table, row);
    }
    if (queue.size() > queue_limit) {
        (void)flush();  // as in queue_row
    }
    return true;
}

bool sqlite_log::queue_file_row(const std::string& table, const file_entry_ex& record,
                                uint64 copied, file_entry_ex* source) {
    if (!m_ready || m_layouts.empty()) {
        return false;
    }
    AutoLock hold(&m_lock);
    const auto kind = m_table_flags.find(table);
    if (kind == m_table_flags.end()) {
        return false;
    }
    const bool want_attributes = (kind->second & file_column_flag::want_attributes) != 0;
    std::vector<file_listing_row>& queue = m_file_queues[table];
    if (source != nullptr) {
        // The row may fill in the record's missing path; the caller's record stays as given.
        file_entry_ex own_record = record;
        queue.emplace_back(table, own_record, copied, source, want_attributes);
    } else {
        queue.emplace_back(table, record.m_path, copied, "", want_attributes);
    }
    if (queue.size() > queue_limit) {
        (void)flush();  // as in queue_row
    }
    return true;
}

bool sqlite_log::flush() {
    AutoLock hold(&m_lock);
    if (!m_ready || (m_file_queues.empty() && m_text_queues.empty())) {
        return false;
    }
    bool all_written = true;
    // An empty queue has nothing to write and is no failure.
    for (const auto& [table, queue] : m_file_queues) {
        if (!queue.empty() && !write_file_rows(table)) {
            all_written = false;
        }
    }
    for (const auto& [table, queue] : m_text_queues) {
        if (!queue.empty() && !write_generic_rows(table)) {
            all_written = false;
        }
    }
    return all_written;
}

int32 sqlite_log_queue_row(sqlite_log* log, const std::string* table,
                           const std::vector<std::string>* values) {
    if (log == nullptr || table == nullptr || values == nullptr) {
        return -1;
    }
    return log->queue_row(*table, *values) ? 0 : -1;
}

int32 sqlite_log_queue_result_rows(sqlite_log* log, const std::string* table,
                                   const std::vector<std::vector<std::string>>* rows) {
    if (log == nullptr || table == nullptr || rows == nullptr) {
        return -1;
    }
    return log->queue_result_rows(*table, *rows) ? 0 : -1;
}

int32 sqlite_log_row_sink(sqlite_log* log, const std::string* table, void* record,
                          uint64* copied, file_entry_ex* source, int32* mode) {
    constexpr int32 mode_result_rows = 1;
    constexpr int32 mode_row = 2;
    constexpr int32 mode_flush = 4;
    if (log == nullptr) {
        return -1;
    }
    if (mode == nullptr) {
        if (table == nullptr || record == nullptr) {
            return -1;
        }
        const auto* entry = static_cast<const file_entry_ex*>(record);
        return log->queue_file_row(*table, *entry, copied == nullptr ? 0 : *copied, source) ? 0
                                                                                         : -1;
    }
    switch (*mode) {
    case mode_result_rows:
        return sqlite_log_queue_result_rows(
            log, table, static_cast<const std::vector<std::vector<std::string>>*>(record));
    case mode_row:
        return sqlite_log_queue_row(log, table, static_cast<const std::vector<std::string>*>(record));
    case mode_flush:
        // The flush is the request; the sink has no row to report on.
        (void)log->flush();
        return -1;
    default:
        return -1;
    }
}
