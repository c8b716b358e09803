#pragma once
// Helpers for the results-database tests: the test's own SQLite connection to read back
// (and tamper with) what the writer stored, and a frozen results clock.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "resultsdb/results_clock.h"
#include "text/kq_types.h"

namespace results_test {

using table = std::vector<std::vector<std::string>>;

// A plain read-write connection, independent of g_sqlite_api.
class connection {
public:
    explicit connection(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }
    ~connection() { sqlite3_close(m_db); }
    connection(const connection&) = delete;
    connection& operator=(const connection&) = delete;

    // Every row of the query as texts; an SQL NULL reads "<null>".
    [[nodiscard]] table rows(const std::string& sql) const {
        table out;
        sqlite3_stmt* st = nullptr;
        if (m_db == nullptr ||
            sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            return {{"<prepare failed>"}};
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const auto* text = sqlite3_column_text(st, i);
                row.emplace_back(text == nullptr ? std::string("<null>")
                                                 : std::string(reinterpret_cast<const char*>(text),
                                                               static_cast<std::size_t>(
                                                                   sqlite3_column_bytes(st, i))));
            }
            out.push_back(std::move(row));
        }
        sqlite3_finalize(st);
        return out;
    }
    [[nodiscard]] bool exec(const std::string& sql) const {
        return m_db != nullptr &&
               sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3* m_db = nullptr;
};

// The results clock reads value while the object lives.
class frozen_clock {
public:
    explicit frozen_clock(int64 value) { results_clock::fix(value); }
    ~frozen_clock() { results_clock::release(); }
    frozen_clock(const frozen_clock&) = delete;
    frozen_clock& operator=(const frozen_clock&) = delete;
};

// A fixed FILETIME (2025-08-18). Run keys under it are still raised above every key the
// process handed out before, so tests read keys back instead of assuming this value.
inline constexpr int64 frozen_time = 134000000000000000;

inline std::string text(int64 value) { return std::to_string(value); }

}  // namespace results_test
