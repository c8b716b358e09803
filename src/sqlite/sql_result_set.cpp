#include "sqlite/sql_result_set.h"

#include <algorithm>
#include <iomanip>
#include <new>
#include <span>

#include "sqlite/sqlite_api.h"
#include "sqlite/sqlite_wrapper.h"

namespace {

// SQLite's own wording for a CREATE of a table or index that is there already; a results
// database counts that as success, so it is logged bare and flagged.
constexpr const char* already_exists_text = "already exists";
constexpr const char* column_separator = " | ";

// The count entries of an exec callback's array; an empty list when SQLite (or a caller)
// passed no array at all, so every entry then reads as null.
std::span<char* const> entries(char** list, int count) {
    if (list == nullptr || count <= 0) {
        return {};
    }
    return {list, static_cast<std::size_t>(count)};
}

const char* entry_at(std::span<char* const> list, std::size_t index) {
    return index < list.size() ? list[index] : nullptr;
}

std::size_t column_count(int count) { return count > 0 ? static_cast<std::size_t>(count) : 0; }

void take_names(sql_result_set& result, std::span<char* const> names, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const char* name = entry_at(names, i);
        result.column_names.emplace_back(name == nullptr ? "" : name);
        if (result.echo != nullptr) {
            *result.echo << (i == 0 ? "" : column_separator) << result.column_names.back();
        }
    }
    if (result.echo != nullptr) {
        *result.echo << '\n';
        result.names_echoed = true;
    }
}

void echo_row(std::ostream& out, std::span<char* const> values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const char* value = entry_at(values, i);
        out << (i == 0 ? "" : column_separator) << (value == nullptr ? "" : value);
    }
    out << '\n';
}

void collect_row(sql_result_set& result, std::span<char* const> values, std::size_t count) {
    std::vector<std::string> row;
    row.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char* value = entry_at(values, i);
        row.emplace_back(value == nullptr ? "" : value);
    }
    result.rows.push_back(std::move(row));
}

void log_failure(sql_result_set& result, sqlite3* db, const std::string& statement) {
    const char* error =
        g_sqlite_api.sqlite3_errmsg != nullptr ? g_sqlite_api.sqlite3_errmsg(db) : nullptr;
    const std::string text = error == nullptr ? "" : error;
    if (text.find(already_exists_text) != std::string::npos) {
        result.already_exists = true;
        result.log << text;
    } else {
        result.log << "Cmd Used: " << statement << '\n' << " Error: " << text;
    }
    result.log << '\n';
}

// Column i of a row in the hex form: each byte as two digits and a blank.
void write_hex_bytes(std::ostream& out, const std::string& value) {
    std::ostringstream hex;
    hex << std::hex << std::setfill('0');
    for (const char c : value) {
        hex << std::setw(2) << static_cast<unsigned>(static_cast<unsigned char>(c)) << ' ';
    }
    out << hex.str();
}

}  // namespace

sql_result_set::sql_result_set() { reset(); }

void sql_result_set::reset() {
    column_types.clear();
    column_names.clear();
    rows.clear();
    rowids.clear();
    log.str(std::string());
    log.clear();
    echo = nullptr;
    names_echoed = false;
    already_exists = false;
    user_data = nullptr;
}

bool sql_transaction(sql_result_set* result, sqlite_wrapper* wrapper,
                     const std::vector<std::string>& statements, sql_exec_callback callback) {
    if (result == nullptr || wrapper == nullptr || statements.empty()) {
        return false;
    }
    sqlite3* db = wrapper->handle();
    if (db == nullptr || g_sqlite_api.sqlite3_exec == nullptr ||
        g_sqlite_api.sqlite3_last_insert_rowid == nullptr) {
        return false;
    }
    for (const std::string& statement : statements) {
        // No error-text pointer: SQLite would allocate the text and only sqlite3_free (not
        // in the table) could release it; sqlite3_errmsg gives the same text, owned by the
        // connection.
        const int rc = g_sqlite_api.sqlite3_exec(db, statement.c_str(), callback, result, nullptr);
        if (rc != SQLITE_OK) {
            log_failure(*result, db, statement);
            return false;
        }
        result->rowids.push_back(g_sqlite_api.sqlite3_last_insert_rowid(db));
    }
    return true;
}

int sql_row_callback(void* context, int count, char** values, char** names) {
    auto* result = static_cast<sql_result_set*>(context);
    if (result == nullptr) {
        return 0;
    }
    const std::size_t columns = column_count(count);
    const bool names_needed =
        result->echo != nullptr ? !result->names_echoed : result->column_names.empty();
    try {
        if (names_needed) {
            take_names(*result, entries(names, count), columns);
        }
        if (result->echo != nullptr) {
            echo_row(*result->echo, entries(values, count), columns);
            return 0;
        }
        collect_row(*result, entries(values, count), columns);
    } catch (const std::bad_alloc&) {
        // No exception may cross SQLite's C frames. Stopping the statement makes the
        // lost row show as a failed exec instead of a silently shorter result.
        return 1;
    }
    return 0;
}

int print_values_callback(void* context, int count, char** values, char** /*names*/) {
    auto* out = static_cast<std::ostream*>(context);
    if (out == nullptr) {
        return 0;
    }
    for (const char* value : entries(values, count)) {
        if (value != nullptr) {
            *out << value << '\n';
        }
    }
    return 0;
}

int collect_values_callback(void* context, int count, char** values, char** /*names*/) {
    auto* list = static_cast<std::vector<std::string>*>(context);
    if (list == nullptr) {
        return 0;
    }
    const std::span<char* const> given = entries(values, count);
    try {
        for (std::size_t i = 0; i < column_count(count); ++i) {
            const char* value = entry_at(given, i);
            list->emplace_back(value == nullptr ? "" : value);
        }
    } catch (const std::bad_alloc&) {
        return 1;  // as in sql_row_callback: stop rather than lose values unseen
    }
    return 0;
}

bool table_list_sql(std::ostringstream& stream) {
    stream.str(std::string());
    stream.clear();
    stream << "select `sql` from sqlite_master where type='table';";
    return true;
}

void dump_result_set(const sql_result_set& result, std::ostream& out) {
    for (const std::string& name : result.column_names) {
        out << name << column_separator;
    }
    out << "\n\n";
    for (const std::vector<std::string>& row : result.rows) {
        const std::size_t columns = std::min(result.column_names.size(), row.size());
        for (std::size_t i = 0; i < columns; ++i) {
            const bool hex =
                i < result.column_types.size() && result.column_types[i] == column_type_hex_bytes;
            if (hex) {
                write_hex_bytes(out, row[i]);
            } else {
                out << row[i];
            }
            out << column_separator;
        }
        out << '\n';
    }
}
