#include "resultsdb/sql_statement.h"

#include <limits>

#include "sqlite/sqlite_api.h"

namespace {

// SQLite takes a text's length as an int; a longer text cannot be bound at all.
bool fits_int(const std::string& text) {
    return text.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max());
}

}  // namespace

sql_statement::sql_statement(sqlite3* db, const std::string& sql) {
    if (db == nullptr || g_sqlite_api.sqlite3_prepare_v2 == nullptr || !fits_int(sql)) {
        return;
    }
    if (g_sqlite_api.sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1,
                                        &m_statement, nullptr) != SQLITE_OK) {
        // A failed prepare leaves no statement, but say so rather than trust it.
        if (m_statement != nullptr && g_sqlite_api.sqlite3_finalize != nullptr) {
            (void)g_sqlite_api.sqlite3_finalize(m_statement);  // nothing to keep
        }
        m_statement = nullptr;
    }
}

sql_statement::~sql_statement() {
    if (m_statement != nullptr && g_sqlite_api.sqlite3_finalize != nullptr) {
        // The result repeats the last step's error, which the caller has judged already.
        (void)g_sqlite_api.sqlite3_finalize(m_statement);
    }
}

bool sql_statement::bind_int64(int index, int64 value) {
    if (m_statement == nullptr || g_sqlite_api.sqlite3_bind_int64 == nullptr) {
        return false;
    }
    return g_sqlite_api.sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK;
}

bool sql_statement::bind_text_with(int index, const std::string& text,
                                   sqlite3_destructor_type destructor) {
    if (m_statement == nullptr || g_sqlite_api.sqlite3_bind_text == nullptr || !fits_int(text)) {
        return false;
    }
    return g_sqlite_api.sqlite3_bind_text(m_statement, index, text.data(),
                                          static_cast<int>(text.size()), destructor) == SQLITE_OK;
}

bool sql_statement::bind_text(int index, const std::string& text) {
    return bind_text_with(index, text, SQLITE_STATIC);
}

bool sql_statement::bind_text_copy(int index, const std::string& text) {
    return bind_text_with(index, text, SQLITE_TRANSIENT);
}

int sql_statement::step() {
    if (m_statement == nullptr || g_sqlite_api.sqlite3_step == nullptr) {
        return SQLITE_MISUSE;
    }
    return g_sqlite_api.sqlite3_step(m_statement);
}

void sql_statement::clear_and_reset() {
    if (m_statement == nullptr || g_sqlite_api.sqlite3_clear_bindings == nullptr ||
        g_sqlite_api.sqlite3_reset == nullptr) {
        return;
    }
    (void)g_sqlite_api.sqlite3_clear_bindings(m_statement);  // always SQLITE_OK
    // reset repeats the last step's error; the step's own result was judged already.
    (void)g_sqlite_api.sqlite3_reset(m_statement);
}

std::string sql_statement::column_text(int col) const {
    if (m_statement == nullptr || g_sqlite_api.sqlite3_column_text == nullptr ||
        g_sqlite_api.sqlite3_column_bytes == nullptr) {
        return {};
    }
    const unsigned char* text = g_sqlite_api.sqlite3_column_text(m_statement, col);
    const int length = g_sqlite_api.sqlite3_column_bytes(m_statement, col);
    if (text == nullptr || length <= 0) {
        return {};
    }
    // SQLite's text of length bytes, valid until the next step.
    return {reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)};
}

bool exec_sql(sqlite3* db, const char* sql) {
    if (db == nullptr || g_sqlite_api.sqlite3_exec == nullptr) {
        return false;
    }
    return g_sqlite_api.sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}
