#pragma once
// The SQLite library as the oracle for the own page reader: rows read through the library
// and written the way the reader writes values (integer: signed decimal; real: 8 significant
// digits; text: its UTF-8 bytes; blob: its raw bytes; NULL: empty, except in column 0, which
// reads as the rowid). Files are opened as immutable URIs, so nothing is created beside them.

#include <sqlite3.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "text/kq_types.h"
#include "text/number_text.h"

namespace library_oracle {

struct row {
    int64 rowid = 0;
    std::vector<std::string> values;
    bool operator==(const row&) const = default;
};

class connection {
public:
    explicit connection(const std::string& path) {
        const std::string uri = "file:" + path + "?immutable=1";
        if (sqlite3_open_v2(uri.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }
    ~connection() { sqlite3_close(m_db); }
    connection(const connection&) = delete;
    connection& operator=(const connection&) = delete;
    [[nodiscard]] bool ok() const { return m_db != nullptr; }

    // Every row of the query; the first column is the rowid, the rest are the values.
    std::vector<row> rows(const std::string& sql) const {
        std::vector<row> out;
        sqlite3_stmt* st = nullptr;
        if (m_db == nullptr || sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            row r;
            r.rowid = sqlite3_column_int64(st, 0);
            for (int i = 1; i < sqlite3_column_count(st); ++i) {
                r.values.push_back(value_text(st, i, r.rowid));
            }
            out.push_back(std::move(r));
        }
        sqlite3_finalize(st);
        return out;
    }

    // Name -> root page of every table and index.
    std::map<std::string, uint32> roots() const {
        std::map<std::string, uint32> out;
        for (const row& r : rows("SELECT 0, name, rootpage FROM sqlite_master WHERE rootpage > 0")) {
            out[r.values[0]] = static_cast<uint32>(std::stoul(r.values[1]));
        }
        return out;
    }

private:
    static std::string value_text(sqlite3_stmt* st, int i, int64 rowid) {
        switch (sqlite3_column_type(st, i)) {
            case SQLITE_INTEGER:
                return std::to_string(sqlite3_column_int64(st, i));
            case SQLITE_FLOAT: {
                std::string text;
                return double_to_text(text, sqlite3_column_double(st, i), 8);
            }
            case SQLITE_TEXT: {
                const unsigned char* t = sqlite3_column_text(st, i);
                return {reinterpret_cast<const char*>(t),
                        static_cast<std::size_t>(sqlite3_column_bytes(st, i))};
            }
            case SQLITE_BLOB: {
                const auto* b = static_cast<const char*>(sqlite3_column_blob(st, i));
                const auto n = static_cast<std::size_t>(sqlite3_column_bytes(st, i));
                return n == 0 ? std::string() : std::string(b, n);
            }
            default:
                return i == 1 ? std::to_string(rowid) : std::string();
        }
    }

    sqlite3* m_db = nullptr;
};

}  // namespace library_oracle
