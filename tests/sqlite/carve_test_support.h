#pragma once
// Stub record finders for the carver tests.
//
// items_finder recognises records of the carve fixtures' layout, items (id INTEGER PRIMARY
// KEY, label TEXT, payload BLOB), whose id is stored as NULL: the record header is the size
// byte 6, serial type 0, then two-byte serial types of a text and a blob.

#include <string>
#include <vector>

#include "sqlite/carved_record.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

namespace carve_test {

inline constexpr int32 items_table_type = 1;

inline bool two_byte_type(const kq::byte_reader& chunk, std::size_t at, bool odd) {
    uint8 hi = 0;
    uint8 lo = 0;
    if (!chunk.u8_at(at, hi) || !chunk.u8_at(at + 1, lo) || (hi & 0x80) == 0 ||
        (lo & 0x80) != 0) {
        return false;
    }
    const uint32 type = ((hi & 0x7Fu) << 7) | lo;
    return type >= 12 && (type % 2 == 1) == odd;
}

inline bool items_finder(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                         uint64 chunk_file_offset, bool append, text_encoding /*encoding*/,
                         void* /*context*/) {
    if (!append) {
        hits.clear();
    }
    const std::size_t before = hits.size();
    const kq::byte_reader chunk(data, length);
    for (std::size_t i = 0; i + 6 <= chunk.size(); ++i) {
        uint8 size = 0;
        uint8 id = 0;
        if (!chunk.u8_at(i, size) || size != 6 || !chunk.u8_at(i + 1, id) || id != 0 ||
            !two_byte_type(chunk, i + 2, true) || !two_byte_type(chunk, i + 4, false)) {
            continue;
        }
        carved_record& hit = hits.emplace_back();
        hit.offset_in_chunk = i + 1;
        hit.file_offset = chunk_file_offset == 0 ? 0 : chunk_file_offset + i + 1;
        hit.table_type = items_table_type;
        hit.column_count = 3;
        hit.column_mask = 0x7;
    }
    return hits.size() > before;
}

// A finder that accepts nothing and notes each chunk it was given.
struct chunk_log {
    std::vector<uint64> offsets;
    std::vector<uint32> lengths;
    uint64 bytes = 0;
};

inline bool counting_finder(std::vector<carved_record>& hits, const uint8* /*data*/, uint32 length,
                            uint64 chunk_file_offset, bool append, text_encoding /*encoding*/,
                            void* context) {
    if (!append) {
        hits.clear();
    }
    auto* log = static_cast<chunk_log*>(context);
    log->offsets.push_back(chunk_file_offset);
    log->lengths.push_back(length);
    log->bytes += length;
    return false;
}

// The label of a carved items row, or "" when it has none.
inline std::string label_of(const carved_record& r) {
    return r.values.size() > 1 ? r.values[1] : std::string();
}

}  // namespace carve_test
