#include "app/push_query.h"

#include <sqlite3.h>

#include <new>

#include "app/velk_options.h"
#include "sqlite/sqlite_api.h"
#include "sqlite/sqlite_wrapper.h"
#include "sqlite/value_code.h"

namespace {

constexpr const char* already_exists_text = "already exists";
// SQLite's own text for a statement that a row callback stopped.
constexpr const char* aborted_text = "query aborted";

std::string library_error(sqlite3* db) {
    const char* text =
        g_sqlite_api.sqlite3_errmsg != nullptr ? g_sqlite_api.sqlite3_errmsg(db) : nullptr;
    return text == nullptr ? std::string() : std::string(text);
}

bool statement_entries_ready() {
    const sqlite_api_table& api = g_sqlite_api;
    return api.sqlite3_prepare_v2 != nullptr && api.sqlite3_step != nullptr &&
           api.sqlite3_finalize != nullptr && api.sqlite3_column_count != nullptr &&
           api.sqlite3_column_type != nullptr && api.sqlite3_column_text != nullptr &&
           api.sqlite3_column_blob != nullptr && api.sqlite3_column_bytes != nullptr;
}

// Finalizes the statement on every way out.
class statement_guard {
public:
    explicit statement_guard(sqlite3_stmt*& statement) : m_statement(statement) {}
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
    sqlite3_stmt*& m_statement;
};

// A blob's bytes as they are stored. Asked for as text, SQLite would take them for text
// in the database's encoding and convert them: a UTF-8 payload in a UTF-16 database would
// come back as UTF-16 units read from its bytes. An empty blob has no buffer; it is an empty
// value, not NULL. The bytes need not be followed by a zero byte.
const char* blob_value(sqlite3_stmt* statement, int32 column) {
    const void* blob = g_sqlite_api.sqlite3_column_blob(statement, column);
    return blob == nullptr ? "" : static_cast<const char*>(blob);
}

// The value_code kind of a value of the given storage class.
uint32 kind_of_type(int type) {
    switch (type) {
        case SQLITE_NULL:
            return value_code::null;
        case SQLITE_INTEGER:
            return value_code::integer;
        case SQLITE_FLOAT:
            return value_code::real;
        case SQLITE_BLOB:
            return value_code::blob;
        default:
            return value_code::text;
    }
}

// The values of the current row (a blob's bytes, a text in UTF-8, a number as its text),
// each with its byte length and the value_code kind of its storage class. The pointers
// stay valid until the next step.
void read_row(std::vector<const char*>& values, std::vector<uint32>& lengths,
              std::vector<uint32>& codes, sqlite3_stmt* statement, int32 count) {
    values.clear();
    lengths.clear();
    codes.clear();
    for (int32 i = 0; i < count; ++i) {
        const int type = g_sqlite_api.sqlite3_column_type(statement, i);
        codes.push_back(kind_of_type(type));
        if (type == SQLITE_NULL) {
            values.push_back(nullptr);
            lengths.push_back(0);
            continue;
        }
        // The value first, then its length: fetching a text may convert the value.
        const char* value = nullptr;
        if (type == SQLITE_BLOB) {
            value = blob_value(statement, i);
        } else {
            // SQLite's own text: a byte buffer handed over as characters, not an overlay.
            value = reinterpret_cast<const char*>(  // NOLINT(*-reinterpret-cast)
                g_sqlite_api.sqlite3_column_text(statement, i));
        }
        const int bytes = g_sqlite_api.sqlite3_column_bytes(statement, i);
        values.push_back(value);
        lengths.push_back(value == nullptr || bytes < 0 ? 0 : static_cast<uint32>(bytes));
    }
}

// Steps through the rows; the error text of the first failure, or empty after the last row.
bool step_rows(std::string& error, velk_options& options, sqlite3* db, sqlite3_stmt* statement,
               const push_row_fn& row_fn) {
    const int32 count = g_sqlite_api.sqlite3_column_count(statement);
    std::vector<const char*> values;
    std::vector<uint32> lengths;
    std::vector<uint32> codes;
    for (;;) {
        const int rc = g_sqlite_api.sqlite3_step(statement);
        if (rc == SQLITE_DONE) {
            return true;
        }
        if (rc != SQLITE_ROW) {
            error = library_error(db);
            return false;
        }
        read_row(values, lengths, codes, statement, count);
        if (row_fn(options, count, values, lengths, codes) != 0) {
            error = aborted_text;
            return false;
        }
    }
}

}  // namespace

void note_sql_error(velk_options& options, const std::string& sql, const std::string& error) {
    if (error.find(already_exists_text) != std::string::npos) {
        options.m_messages << error << '\n';
        return;
    }
    options.m_messages << "Prob calling cmd: " << sql << ", error: " << error << '\n';
}

bool run_sql_query(velk_options& options, sqlite_wrapper* wrapper, const std::string& sql,
                   sql_exec_callback callback) {
    if (wrapper == nullptr || sql.empty() || wrapper->handle() == nullptr ||
        g_sqlite_api.sqlite3_exec == nullptr) {
        return false;
    }
    sqlite3* db = wrapper->handle();
    // No error-text pointer: SQLite would allocate that text and only sqlite3_free, which
    // is not among the entry points, could release it; sqlite3_errmsg gives the same text.
    if (g_sqlite_api.sqlite3_exec(db, sql.c_str(), callback, &options, nullptr) == SQLITE_OK) {
        return true;
    }
    note_sql_error(options, sql, library_error(db));
    return false;
}

bool select_push_rows(velk_options& options, sqlite_wrapper* wrapper, const std::string& sql,
                      const push_row_fn& row_fn) {
    if (wrapper == nullptr || sql.empty() || row_fn == nullptr || wrapper->handle() == nullptr ||
        !statement_entries_ready()) {
        return false;
    }
    sqlite3* db = wrapper->handle();
    sqlite3_stmt* statement = nullptr;
    const statement_guard guard(statement);
    if (g_sqlite_api.sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        note_sql_error(options, sql, library_error(db));
        return false;
    }
    if (statement == nullptr) {
        return true;  // a text without a statement runs and returns nothing
    }
    std::string error;
    bool done = false;
    try {
        done = step_rows(error, options, db, statement, row_fn);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    }
    if (!done) {
        note_sql_error(options, sql, error);
    }
    return done;
}
