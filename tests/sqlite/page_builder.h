#pragma once
// Builds b-tree pages, cells and records byte by byte for the page reader tests, the way
// SQLite lays them out (cells packed down from the page end, pointers after the header).

#include <cstddef>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "text/kq_types.h"

namespace test_pages {

inline void put_be(byte_array& out, std::size_t at, uint64 value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out.at(at + i) = static_cast<uint8>(value >> (8 * (width - 1 - i)));
    }
}

inline byte_array varint(uint64 v) {
    if (v > 0x00ffffffffffffffULL) {
        byte_array out(9);
        out[8] = static_cast<uint8>(v);
        v >>= 8;
        for (int i = 7; i >= 0; --i) {
            out[static_cast<std::size_t>(i)] = static_cast<uint8>((v & 0x7f) | 0x80);
            v >>= 7;
        }
        return out;
    }
    byte_array groups;
    do {
        groups.insert(groups.begin(), static_cast<uint8>(v & 0x7f));
        v >>= 7;
    } while (v != 0);
    for (std::size_t i = 0; i + 1 < groups.size(); ++i) {
        groups[i] |= 0x80;
    }
    return groups;
}

inline void append(byte_array& out, const byte_array& more) {
    out.insert(out.end(), more.begin(), more.end());
}

inline byte_array text_bytes(const std::string& s) { return {s.begin(), s.end()}; }

// A record: header size varint, the serial types, then the contents.
inline byte_array record(const std::vector<uint64>& types, const byte_array& content) {
    byte_array header;
    for (uint64 t : types) {
        append(header, varint(t));
    }
    std::size_t size = header.size() + 1;
    if (varint(size).size() > 1) {
        ++size;
    }
    byte_array out = varint(size);
    append(out, header);
    append(out, content);
    return out;
}

// A table leaf cell: payload size, rowid, record.
inline byte_array table_leaf_cell(uint64 rowid, const byte_array& rec) {
    byte_array out = varint(rec.size());
    append(out, varint(rowid));
    append(out, rec);
    return out;
}

inline byte_array interior_table_cell(uint32 child, uint64 key) {
    byte_array out(4);
    put_be(out, 0, child, 4);
    append(out, varint(key));
    return out;
}

class page_builder {
public:
    page_builder(uint32 size, uint8 type, bool page_one = false)
        : m_bytes(size, 0), m_header(page_one ? 100 : 0), m_type(type), m_content(size) {
        if (page_one) {
            const std::string magic = "SQLite format 3";
            std::copy(magic.begin(), magic.end(), m_bytes.begin());
            put_be(m_bytes, 16, size == 65536 ? 1 : size, 2);
            put_be(m_bytes, 56, 1, 4);
        }
    }
    // Places a cell below the content already there and adds its pointer.
    uint16 add_cell(const byte_array& cell) {
        m_content -= static_cast<uint32>(cell.size());
        std::copy(cell.begin(), cell.end(),
                  m_bytes.begin() + static_cast<std::ptrdiff_t>(m_content));
        m_pointers.push_back(static_cast<uint16>(m_content));
        return static_cast<uint16>(m_content);
    }
    // Leaves a gap of n bytes below the content (as a deleted lowest cell would).
    void skip(uint32 n) { m_content -= n; }
    void set_right_child(uint32 page) { m_right = page; }
    void set_first_freeblock(uint16 offset) { m_first_free = offset; }
    void set_content_start(uint16 start) { m_content_override = start; }
    void set_cell_count(uint16 count) { m_count_override = count; }
    void put(std::size_t at, uint64 value, std::size_t width) {
        put_be(m_bytes, at, value, width);
    }
    std::size_t header_size() const { return (m_type & 8) != 0 ? 8 : 12; }

    byte_array finish() {
        byte_array out = m_bytes;
        out[m_header] = m_type;
        put_be(out, m_header + 1, m_first_free, 2);
        put_be(out, m_header + 3, m_count_override != 0xffffffff ? m_count_override : m_pointers.size(), 2);
        put_be(out, m_header + 5, m_content_override != 0xffffffff ? m_content_override : m_content, 2);
        if ((m_type & 8) == 0) {
            put_be(out, m_header + 8, m_right, 4);
        }
        std::size_t at = m_header + header_size();
        for (uint16 p : m_pointers) {
            put_be(out, at, p, 2);
            at += 2;
        }
        return out;
    }

private:
    byte_array m_bytes;
    std::size_t m_header;
    uint8 m_type;
    uint32 m_content;
    std::vector<uint16> m_pointers;
    uint32 m_right = 0;
    uint16 m_first_free = 0;
    uint32 m_content_override = 0xffffffff;
    uint32 m_count_override = 0xffffffff;
};

inline byte_array read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string real_db_path() { return std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db"; }

}  // namespace test_pages
