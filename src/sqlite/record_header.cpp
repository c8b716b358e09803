#include "sqlite/record_header.h"

#include <algorithm>

#include "sqlite/serial_type.h"
#include "sqlite/varint.h"

namespace {

// Reads the next serial type at `at`; false when it cannot be read or its low 32 bits read
// negative (no sane header holds such a type: header parsing ends there).
bool next_serial_type(const kq::byte_reader& bytes, std::size_t at, uint64& type, int32& n) {
    return read_varint(type, n, bytes, at) && !low32_negative(type);
}

void add_column(std::vector<uint32>& codes, std::vector<uint32>& sizes, uint64 type) {
    uint32 code = 0;
    uint32 size = 0;
    map_serial_type(type, code, size);
    codes.push_back(code);
    sizes.push_back(size);
}

}  // namespace

bool parse_record_header_all(uint32& header_size, std::vector<uint32>& codes,
                             std::vector<uint32>& sizes, const kq::byte_reader& bytes) {
    codes.clear();
    sizes.clear();
    header_size = 0;
    uint64 declared = 0;
    int32 declared_length = 0;
    if (!read_varint(declared, declared_length, bytes, 0) || low32_negative(declared)) {
        return false;
    }
    header_size = static_cast<uint32>(declared);
    // The serial types fill the header after its own size varint.
    const int64 budget = static_cast<int64>(header_size) - declared_length;
    int64 taken = 0;
    std::size_t at = static_cast<std::size_t>(declared_length);
    // Room for the usual row at once; a header that claims more grows the lists as it reads.
    constexpr int64 usual_columns = 64;
    const int64 room = std::min<int64>(budget, usual_columns);
    if (room > 0) {
        codes.reserve(static_cast<std::size_t>(room));
        sizes.reserve(static_cast<std::size_t>(room));
    }
    while (taken < budget && at < bytes.size()) {
        uint64 type = 0;
        int32 n = 0;
        if (!next_serial_type(bytes, at, type, n)) {
            break;
        }
        add_column(codes, sizes, type);
        taken += n;
        at += static_cast<std::size_t>(n);
    }
    return !codes.empty();
}

bool parse_record_header_all(uint32& header_size, std::vector<uint32>& codes,
                             std::vector<uint32>& sizes, const uint8* data, uint32 length) {
    return parse_record_header_all(header_size, codes, sizes, kq::byte_reader(data, length));
}

bool parse_record_header(int32& consumed, std::vector<uint32>& codes, std::vector<uint32>& sizes,
                         const uint8* data, uint32 length, uint32 /*page_size*/,
                         int32 column_count) {
    const kq::byte_reader bytes(data, length);
    consumed = 0;
    codes.clear();
    sizes.clear();
    if (bytes.empty() || column_count <= 0) {
        return false;
    }
    std::size_t at = 0;
    while (static_cast<int32>(codes.size()) < column_count && at < bytes.size()) {
        uint64 type = 0;
        int32 n = 0;
        if (!next_serial_type(bytes, at, type, n)) {
            break;
        }
        add_column(codes, sizes, type);
        consumed += n;
        at += static_cast<std::size_t>(n);
    }
    return static_cast<int32>(codes.size()) == column_count;
}

bool check_payload_length(uint64& payload_length, uint64& header_and_content,
                          const kq::byte_reader& bytes, std::size_t record, uint32 length,
                          int32 before) {
    payload_length = 0;
    header_and_content = 0;
    kq::byte_reader rec;
    if (!bytes.tail(record, rec)) {
        return false;
    }
    if (!rec.sub(0, std::min<std::size_t>(length, rec.size()), rec)) {
        return false;
    }
    // Minus the bytes of the header-size varint and the varint before it: the byte before
    // them is where a one-byte payload size sits.
    const auto back = static_cast<std::size_t>(-varint_run_start_backward(bytes, record, before, 2));
    int32 n = 0;
    uint8 header_size = 0;
    if (back > record || !read_varint(payload_length, n, bytes, record - back) ||
        !rec.u8_at(0, header_size)) {
        return false;
    }
    uint64 sum = header_size;
    for (std::size_t at = 1; at < header_size;) {
        uint64 type = 0;
        if (!read_varint(type, n, rec, at)) {
            break;
        }
        sum += serial_type_content_size(type);
        at += static_cast<std::size_t>(n);
    }
    header_and_content = sum;
    return payload_length > 1 && payload_length == sum;
}
