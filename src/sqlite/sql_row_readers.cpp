#include "sqlite/sql_row_readers.h"

#include <new>
#include <span>
#include <sstream>

#include "sqlite/sqlite_api.h"

namespace {

// How one routine renders the two values it has a choice about.
struct value_rules {
    const char* null_text;  // an SQL NULL
    bool float_as_text;     // a real as sqlite3_column_text instead of a 6-digit stream
};

constexpr value_rules zero_null_rules{"0", false};

bool statement_entries_ready() {
    const sqlite_api_table& api = g_sqlite_api;
    return api.sqlite3_prepare_v2 != nullptr && api.sqlite3_step != nullptr &&
           api.sqlite3_finalize != nullptr && api.sqlite3_column_count != nullptr &&
           api.sqlite3_column_name != nullptr && api.sqlite3_column_type != nullptr &&
           api.sqlite3_column_bytes != nullptr && api.sqlite3_column_int64 != nullptr &&
           api.sqlite3_column_double != nullptr && api.sqlite3_column_text != nullptr &&
           api.sqlite3_column_blob != nullptr;
}

// Finalizes the statement on every way out of a walk.
class statement_guard {
public:
    explicit statement_guard(sqlite3_stmt* statement) : m_statement(statement) {}
    ~statement_guard() {
        if (m_statement != nullptr) {
            (void)g_sqlite_api.sqlite3_finalize(m_statement);  // repeats the last step's code
        }
    }
    statement_guard(const statement_guard&) = delete;
    statement_guard& operator=(const statement_guard&) = delete;
    statement_guard(statement_guard&&) = delete;
    statement_guard& operator=(statement_guard&&) = delete;

private:
    sqlite3_stmt* m_statement;
};

// The value's bytes; the pointer must be taken before its length (SQLite's rule, since
// fetching the text may convert the value).
std::string value_bytes(const void* data, int length) {
    if (data == nullptr || length <= 0) {
        return {};
    }
    const std::span<const unsigned char> bytes(static_cast<const unsigned char*>(data),
                                               static_cast<std::size_t>(length));
    return {bytes.begin(), bytes.end()};
}

std::string column_text(sqlite3_stmt* statement, int column) {
    const unsigned char* text = g_sqlite_api.sqlite3_column_text(statement, column);
    return value_bytes(text, g_sqlite_api.sqlite3_column_bytes(statement, column));
}

std::string column_value(sqlite3_stmt* statement, int column, const value_rules& rules) {
    switch (g_sqlite_api.sqlite3_column_type(statement, column)) {
        case SQLITE_INTEGER:
            return std::to_string(g_sqlite_api.sqlite3_column_int64(statement, column));
        case SQLITE_FLOAT: {
            if (rules.float_as_text) {
                return column_text(statement, column);
            }
            std::ostringstream text;
            text << g_sqlite_api.sqlite3_column_double(statement, column);
            return text.str();
        }
        case SQLITE_TEXT:
            return column_text(statement, column);
        case SQLITE_BLOB: {
            const void* blob = g_sqlite_api.sqlite3_column_blob(statement, column);
            return value_bytes(blob, g_sqlite_api.sqlite3_column_bytes(statement, column));
        }
        default:
            return rules.null_text;
    }
}

void read_row(std::vector<std::string>& values, sqlite3_stmt* statement, const value_rules& rules) {
    values.clear();
    const int columns = g_sqlite_api.sqlite3_column_count(statement);
    for (int i = 0; i < columns; ++i) {
        values.push_back(column_value(statement, i, rules));
    }
}

void read_names(std::vector<std::string>& names, sqlite3_stmt* statement) {
    const int columns = g_sqlite_api.sqlite3_column_count(statement);
    for (int i = 0; i < columns; ++i) {
        const char* name = g_sqlite_api.sqlite3_column_name(statement, i);
        names.emplace_back(name == nullptr ? "" : name);
    }
}

// Prepares the statement and hands each row to on_row(statement, first_row). True when the
// walk reached the end of the rows; false when it could not start, memory ran out, or a
// step failed partway (the rows before the failure have been delivered, but the caller
// must not take them for the whole result).
template <typename row_handler>
bool walk_rows(sqlite3* db, const std::string& sql, row_handler&& on_row) {
    if (db == nullptr || !statement_entries_ready()) {
        return false;
    }
    sqlite3_stmt* statement = nullptr;
    const int rc = g_sqlite_api.sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    const statement_guard guard(statement);
    if (rc != SQLITE_OK) {
        return false;
    }
    if (statement == nullptr) {
        return true;  // a text without a statement (blank, a comment) runs and returns nothing
    }
    try {
        bool first = true;
        int step = SQLITE_ROW;
        while ((step = g_sqlite_api.sqlite3_step(statement)) == SQLITE_ROW) {
            on_row(statement, first);
            first = false;
        }
        return step == SQLITE_DONE;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

bool select_rows(sql_rows& rows, sqlite3* db, const std::string& sql) {
    rows.clear();
    return walk_rows(db, sql, [&rows](sqlite3_stmt* statement, bool /*first*/) {
        rows.emplace_back();
        read_row(rows.back(), statement, zero_null_rules);
    });
}

bool select_rows_with_names(sql_rows& rows, std::vector<std::string>& names, sqlite3* db,
                            const std::string& sql) {
    rows.clear();
    names.clear();
    constexpr value_rules rules{"", true};
    return walk_rows(db, sql, [&rows, &names, &rules](sqlite3_stmt* statement, bool first) {
        if (first) {
            read_names(names, statement);
        }
        rows.emplace_back();
        read_row(rows.back(), statement, rules);
    });
}

bool for_each_row(void* context, uint8 option, uint32 value1, uint32 value2, uint32 value3,
                  uint32 value4, sqlite3* db, const std::string& sql, sql_row_fn row_fn) {
    if (row_fn == nullptr) {
        return false;
    }
    std::vector<std::string> values;
    return walk_rows(db, sql, [&](sqlite3_stmt* statement, bool /*first*/) {
        read_row(values, statement, zero_null_rules);
        row_fn(context, values, option, value1, value2, value3, value4);
    });
}

bool for_each_row_with_names(void* context, uint8 option, uint32 value1, uint32 value2,
                             uint32 value3, uint32 value4, sqlite3* db, const std::string& sql,
                             sql_named_row_fn row_fn, bool float_as_text) {
    if (row_fn == nullptr) {
        return false;
    }
    const value_rules rules{"", float_as_text};
    std::vector<std::string> values;
    std::vector<std::string> names;
    return walk_rows(db, sql, [&](sqlite3_stmt* statement, bool first) {
        if (first) {
            read_names(names, statement);
        }
        read_row(values, statement, rules);
        row_fn(context, values, names, option, value1, value2, value3, value4);
    });
}
