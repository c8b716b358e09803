// The values one queued file record binds in a file-listing table. Each value goes to the
// position of its column in the table's layout, so a flag whose column the table lacks
// binds nothing and the column stays NULL.

#include <sqlite3.h>

#include "resultsdb/file_table_columns.h"
#include "resultsdb/sql_statement.h"
#include "resultsdb/sqlite_log.h"
#include "time/kq_time.h"
#include "time/time_format.h"
#include "time/type_time.h"

namespace {

namespace fc = file_column_flag;

// Binds at the column's position when the flag is set and the table has the column.
class file_row_binder {
public:
    file_row_binder(sql_statement& statement, const table_layout& layout, uint64 flags)
        : m_statement(statement), m_layout(layout), m_flags(flags) {}

    [[nodiscard]] bool number(uint64 flag, const char* column, int64 value) {
        const int32 at = position(flag, column);
        return at == 0 || m_statement.bind_int64(at, value);
    }
    // The text stays alive in the queued row until the step.
    [[nodiscard]] bool text(uint64 flag, const char* column, const std::string& value) {
        const int32 at = position(flag, column);
        return at == 0 || m_statement.bind_text(at, value);
    }
    [[nodiscard]] bool text_copy(uint64 flag, const char* column, const std::string& value) {
        const int32 at = position(flag, column);
        return at == 0 || m_statement.bind_text_copy(at, value);
    }

private:
    [[nodiscard]] int32 position(uint64 flag, const char* column) const {
        return (m_flags & flag) == 0 ? 0 : m_layout.column_position(column);
    }

    sql_statement& m_statement;
    const table_layout& m_layout;
    uint64 m_flags;
};

// The text after the name's last '.', when that is not its last character.
bool extension_of(const std::string& name, std::string& extension) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) {
        return false;
    }
    extension = name.substr(dot + 1);
    return true;
}

// Consecutive entries with one name form a group; its values are joined by ';'.
std::vector<std::pair<std::string, std::string>> attribute_groups(const file_listing_row& row) {
    std::vector<std::pair<std::string, std::string>> groups;
    const std::size_t count = std::min(row.m_attr_names.size(), row.m_attr_values.size());
    for (std::size_t k = 0; k < count; ++k) {
        if (!groups.empty() && groups.back().first == row.m_attr_names[k]) {
            groups.back().second += ";" + row.m_attr_values[k];
        } else {
            groups.emplace_back(row.m_attr_names[k], row.m_attr_values[k]);
        }
    }
    return groups;
}

}  // namespace

std::string sqlite_log::time_text(int64 value, uint64 kind) const {
    const kq::time moment(value, static_cast<kq::type_time>(kind));
    std::string date;
    std::string clock;
    if (!moment.is_valid) {
        return " ";
    }
    // The log's spec is always compiled, so a valid moment always formats.
    (void)kq::format_date_time(date, clock, moment, m_time_spec);
    return date + " " + clock;
}

bool sqlite_log::bind_attributes(sql_statement& statement, const table_layout& layout,
                                 uint64 flags, const file_listing_row& row) const {
    const auto groups = attribute_groups(row);
    if ((flags & fc::notes) == 0) {
        for (const auto& [name, values] : groups) {
            const int32 at = layout.column_position(name);
            if (at != 0 && !statement.bind_text_copy(at, values)) {
                return false;
            }
        }
        return true;
    }
    std::string notes = "extra_attributes={";
    for (std::size_t k = 0; k < groups.size(); ++k) {
        notes += (k == 0 ? "\"" : ";\"") + groups[k].first + "\":\"" + groups[k].second + "\"";
    }
    notes += "}";
    if (!row.m_text.empty()) {
        notes += ";notes={\"" + row.m_text + "\"}";
    }
    // The queued row keeps its own text, so a batch tried again writes the same notes.
    file_row_binder bind(statement, layout, flags);
    return bind.text_copy(fc::notes, "notes", notes);
}

sqlite_log::file_row_result sqlite_log::write_file_row(sql_statement& statement,
                                                       const table_layout& layout, uint64 flags,
                                                       file_listing_row& row, int64 key) {
    if (!statement.bind_int64(1, key)) {
        return file_row_result::failed;
    }
    if (row.m_is_dir && !row.m_dir_row) {
        return file_row_result::skipped;
    }
    file_row_binder bind(statement, layout, flags);
    bool ok = true;
    if (row.m_is_dir) {
        ok = bind.text(fc::path, "path", row.m_path) &&
             bind.number(fc::is_dir, "is_dir", row.m_is_dir ? 1 : 0);
    } else {
        std::string extension;
        ok = bind.text(fc::path, "path", row.dir) &&
             (!extension_of(row.name, extension) ||
              bind.text_copy(fc::extension, "extension", extension));
    }
    const uint64 offset = (uint64{row.m_offset_high} << 32) | row.m_offset_low;
    ok = ok && bind.number(fc::size, "size", static_cast<int64>(row.m_size)) &&
         bind.text(fc::name, "name", row.name) &&
         bind.text_copy(fc::modified, "modified", time_text(row.m_modified, row.m_time_kind)) &&
         bind.text_copy(fc::created, "created", time_text(row.m_birth, row.m_time_kind)) &&
         bind.text_copy(fc::metachanged, "metachanged", time_text(row.m_changed, row.m_time_kind)) &&
         bind.text_copy(fc::accessed, "accessed", time_text(row.m_accessed, row.m_time_kind)) &&
         bind.number(fc::mode, "mode", static_cast<int64>(row.m_mode)) &&
         bind.number(fc::inode, "inode", static_cast<int64>(row.m_inode)) &&
         bind.number(fc::seqnum, "seqnum", row.m_sequence) &&
         bind.number(fc::copied, "copied", static_cast<int64>(row.copied)) &&
         (!row.m_raw_source || bind.number(fc::ntfsraw, "ntfsraw", 1)) &&
         bind.number(fc::offset, "offset", static_cast<int64>(offset)) &&
         bind.number(fc::source, "source", static_cast<int64>(row.m_attributes));
    if (ok && !row.m_attr_names.empty()) {
        ok = bind_attributes(statement, layout, flags, row);
    } else if (ok && !row.m_text.empty()) {
        ok = bind.text(fc::notes, "notes", row.m_text);
    }
    if (!ok || statement.step() != SQLITE_DONE) {
        return file_row_result::failed;
    }
    return file_row_result::written;
}
