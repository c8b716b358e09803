#include "sqlite/carved_cell_start.h"

#include "sqlite/serial_type.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/varint.h"

namespace vi = sqlite_format::varint;

namespace {

// The earliest start of a varint whose last byte is at `last`: back over the bytes before
// it with their top bit set, at most max_length - 1 of them. False when the top bit of
// `last` is set, or (unless `clamped`) when the varint may begin before the chunk.
bool varint_start_before(const kq::byte_reader& chunk, std::size_t last, bool clamped,
                         std::size_t& start) {
    uint8 byte = 0;
    if (!chunk.u8_at(last, byte) || (byte & vi::more_flag) != 0) {
        return false;
    }
    start = last;
    while (last - start < vi::max_length - 1) {
        uint8 before = 0;
        if (start == 0 || !chunk.u8_at(start - 1, before)) {
            return clamped;
        }
        if ((before & vi::more_flag) == 0) {
            return true;
        }
        --start;
    }
    return true;
}

// The payload-length varint ending just before rowid_start whose value is `expected`: of
// the varints that may end there (one byte, or more with the top bit set before the last),
// the one that reads as the record's size. False when none does.
bool payload_length_start(const kq::byte_reader& chunk, std::size_t rowid_start, uint64 expected,
                          std::size_t& start) {
    std::size_t longest = 0;
    if (rowid_start == 0 || !varint_start_before(chunk, rowid_start - 1, true, longest)) {
        return false;
    }
    for (std::size_t at = rowid_start - 1;; --at) {
        uint64 value = 0;
        int32 n = 0;
        kq::byte_reader bytes;
        if (chunk.sub(at, rowid_start - at, bytes) && read_varint(value, n, bytes, 0) &&
            static_cast<std::size_t>(n) == rowid_start - at && value == expected) {
            start = at;
            return true;
        }
        if (at == longest) {
            return false;
        }
    }
}

// The size a record whose header (header_size bytes, the size byte included) starts at
// p - 1 declares: the header and the content of every serial type in it. False when the
// header runs past the chunk or a serial type does not read.
bool declared_record_size(const kq::byte_reader& chunk, std::size_t p, uint8 header_size,
                          uint64& size) {
    const std::size_t end = p - 1 + header_size;
    if (header_size < 1 || !chunk.has(p, end - p)) {
        return false;
    }
    size = header_size;
    for (std::size_t at = p; at < end;) {
        uint64 serial_type = 0;
        int32 n = 0;
        kq::byte_reader types;
        if (!chunk.sub(at, end - at, types) || !read_varint(serial_type, n, types, 0)) {
            return false;
        }
        size += serial_type_content_size(serial_type);
        at += static_cast<std::size_t>(n);
    }
    return true;
}

std::size_t before_freeblock_header(std::size_t first_surviving) {
    namespace fb = sqlite_format::freeblock;
    return first_surviving > fb::header_size ? first_surviving - fb::header_size : 0;
}

}  // namespace

std::size_t carved_cell_start(const kq::byte_reader& chunk, std::size_t p, uint8 lost_types,
                              bool header_corrected) {
    if (lost_types != 0 || header_corrected) {
        return before_freeblock_header(p + lost_types);
    }
    // p - 1 is the header-size byte; the rowid ends just before it.
    uint8 header_size = 0;
    uint64 record_size = 0;
    std::size_t rowid_start = 0;
    std::size_t start = 0;
    if (p >= 2 && chunk.u8_at(p - 1, header_size) &&
        declared_record_size(chunk, p, header_size, record_size) &&
        varint_start_before(chunk, p - 2, false, rowid_start) &&
        payload_length_start(chunk, rowid_start, record_size, start)) {
        return start;
    }
    return p >= 1 ? before_freeblock_header(p - 1) : 0;
}
