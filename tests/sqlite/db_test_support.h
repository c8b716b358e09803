#pragma once
// Helpers for the database file, schema, table-walk and WAL tests: temporary copies of
// databases (the library writes a -shm and checkpoints beside what it opens), library rows
// of a database with its log applied, patched page links, and write-ahead logs built frame
// by frame.

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "sqlite/library_oracle.h"
#include "sqlite/page_builder.h"
#include "sqlite/table_walk.h"
#include "text/kq_types.h"

namespace db_test {

inline std::string real(const std::string& name) {
    return std::string(VELK_REAL_DATA_DIR) + "/" + name;
}
inline std::string fixture(const std::string& name) {
    return std::string(VELK_TEST_DATA_DIR) + "/" + name;
}
inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

inline void write_bytes(const std::string& path, const byte_array& bytes) {
    velk_test::write_file(path, std::string(bytes.begin(), bytes.end()));
}

// Copies `from` (and its -wal when with_wal) into dir under `name`; returns the new path.
inline std::string copy_in(const velk_test::temp_dir& dir, const std::string& from,
                           const std::string& name, bool with_wal) {
    const std::string to = dir.file(name);
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    if (with_wal) {
        std::filesystem::copy_file(from + "-wal", to + "-wal",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    return to;
}

// A copy of db with its log beside it, checkpointed by the library into the main file, so
// that an immutable library connection on the result sees what the log makes current.
inline std::string checkpointed_copy(const velk_test::temp_dir& dir, const std::string& db,
                                     const std::string& name) {
    const std::string path = copy_in(dir, db, name, true);
    sqlite3* con = nullptr;
    if (sqlite3_open(path.c_str(), &con) == SQLITE_OK) {
        sqlite3_exec(con, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    }
    sqlite3_close(con);
    return path;
}

// The library's rows of a table, in rowid order, as the own reader writes values.
inline std::vector<library_oracle::row> library_rows(const std::string& db,
                                                     const std::string& table) {
    return library_oracle::connection(db).rows("SELECT rowid, * FROM [" + table +
                                               "] ORDER BY rowid");
}

inline std::vector<library_oracle::row> as_rows(const std::vector<table_record>& records) {
    std::vector<library_oracle::row> out;
    for (const table_record& r : records) {
        out.push_back({r.rowid, r.values});
    }
    return out;
}

inline std::vector<library_oracle::row> sorted(std::vector<library_oracle::row> rows) {
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a.rowid < b.rowid; });
    return rows;
}

// Sets a big-endian field of page `page` (1-based) in a database image.
inline void patch(byte_array& db, uint32 page_size, uint32 page, std::size_t at, uint64 value,
                  std::size_t width) {
    test_pages::put_be(db, std::size_t{page - 1} * page_size + at, value, width);
}

// Offset, within its page, of the child pointer of cell `cell` of an interior page.
inline std::size_t child_pointer_of(const byte_array& db, uint32 page_size, uint32 page,
                                    std::size_t cell) {
    const std::size_t base = std::size_t{page - 1} * page_size;
    const std::size_t header = page == 1 ? 100 : 0;
    const std::size_t pointer = base + header + 12 + 2 * cell;
    return (std::size_t{db.at(pointer)} << 8) | db.at(pointer + 1);
}

// A write-ahead log built frame by frame; salts default to those of the header. Checksums
// are written as SQLite writes them (little-endian words, magic 0x377F0682), chained from the
// header through every frame in the order they are added.
class wal_builder {
public:
    explicit wal_builder(uint32 page_size, uint32 salt_1 = 0x11111111, uint32 salt_2 = 0x22222222)
        : m_page_size(page_size), m_salt_1(salt_1), m_salt_2(salt_2), m_bytes(32, 0) {
        test_pages::put_be(m_bytes, 0, 0x377F0682, 4);
        test_pages::put_be(m_bytes, 4, 3007000, 4);
        test_pages::put_be(m_bytes, 8, page_size, 4);
        test_pages::put_be(m_bytes, 16, salt_1, 4);
        test_pages::put_be(m_bytes, 20, salt_2, 4);
        sum(m_bytes, 0, 24);
        test_pages::put_be(m_bytes, 24, m_s1, 4);
        test_pages::put_be(m_bytes, 28, m_s2, 4);
    }
    // Adds a frame and returns its offset. The page is padded with `fill` to the page size.
    uint64 frame(uint32 page, uint32 commit_size, byte_array content = {}, uint8 fill = 0) {
        return frame_with_salts(page, commit_size, m_salt_1, m_salt_2, std::move(content), fill);
    }
    uint64 frame_with_salts(uint32 page, uint32 commit_size, uint32 salt_1, uint32 salt_2,
                            byte_array content = {}, uint8 fill = 0) {
        const uint64 at = m_bytes.size();
        byte_array header(24, 0);
        test_pages::put_be(header, 0, page, 4);
        test_pages::put_be(header, 4, commit_size, 4);
        test_pages::put_be(header, 8, salt_1, 4);
        test_pages::put_be(header, 12, salt_2, 4);
        content.resize(m_page_size, fill);
        sum(header, 0, 8);
        sum(content, 0, content.size());
        test_pages::put_be(header, 16, m_s1, 4);
        test_pages::put_be(header, 20, m_s2, 4);
        test_pages::append(m_bytes, header);
        test_pages::append(m_bytes, content);
        return at;
    }
    byte_array& bytes() { return m_bytes; }

private:
    static uint32 le_word(const byte_array& b, std::size_t at) {
        return uint32{b[at]} | (uint32{b[at + 1]} << 8) | (uint32{b[at + 2]} << 16) |
               (uint32{b[at + 3]} << 24);
    }
    void sum(const byte_array& b, std::size_t from, std::size_t to) {
        for (std::size_t at = from; at + 8 <= to; at += 8) {
            m_s1 += le_word(b, at) + m_s2;
            m_s2 += le_word(b, at + 4) + m_s1;
        }
    }
    uint32 m_s1 = 0;
    uint32 m_s2 = 0;
    uint32 m_page_size;
    uint32 m_salt_1;
    uint32 m_salt_2;
    byte_array m_bytes;
};

}  // namespace db_test
