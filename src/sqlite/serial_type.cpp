#include "sqlite/serial_type.h"

#include <algorithm>
#include <limits>

#include "sqlite/sqlite_format.h"
#include "sqlite/value_code.h"

namespace st = sqlite_format::serial_type;
namespace vi = sqlite_format::varint;

namespace {

uint32 saturate32(uint64 v) {
    return static_cast<uint32>(std::min<uint64>(v, std::numeric_limits<uint32>::max()));
}

bool is_continuation(uint8 b) { return (b & vi::more_flag) != 0; }

// SQLite file format 2.1: text serial types are odd, blob serial types even; a one-byte varint must
// also be at least 13 (text) or 12 (blob), since the smaller values are the fixed-size types.
uint8 smallest_one_byte(bool text) {
    return static_cast<uint8>(text ? st::text_min : st::blob_min);
}
bool parity_fits(uint8 last_byte, bool text) { return ((last_byte & 1) != 0) == text; }

}  // namespace

void map_serial_type(uint64 serial_type, uint32& code, uint32& size) {
    switch (serial_type) {
        case st::null:
            code = value_code::null;
            size = 0;
            return;
        case st::int8:
        case st::int16:
        case st::int24:
        case st::int32:
        case st::reserved_10:
        case st::reserved_11:
            code = value_code::integer;
            size = static_cast<uint32>(serial_type);
            return;
        case st::int48:
            code = value_code::integer;
            size = st::int48_size;
            return;
        case st::int64:
            code = value_code::integer;
            size = st::int64_size;
            return;
        case st::real:
            code = value_code::real;
            size = st::real_size;
            return;
        case st::zero:
            code = value_code::zero;
            size = 0;
            return;
        case st::one:
            code = value_code::one;
            size = 0;
            return;
        default:
            break;
    }
    const bool text = (serial_type & 1) != 0;
    code = text ? value_code::text : value_code::blob;
    size = saturate32((serial_type - (text ? st::text_min : st::blob_min)) / 2);
}

uint64 serial_type_content_size(uint64 serial_type) {
    if (serial_type == st::reserved_10 || serial_type == st::reserved_11) {
        return 0;
    }
    if (serial_type >= st::blob_min) {
        return (serial_type - ((serial_type & 1) != 0 ? st::text_min : st::blob_min)) / 2;
    }
    uint32 code = 0;
    uint32 size = 0;
    map_serial_type(serial_type, code, size);
    return size;
}

uint8 pack_serial_type_code(uint32 type, bool force, uint32 count) {
    uint32 base = type;
    if (force || type > st::blob_min) {
        base = static_cast<uint32>((type & 1) != 0 ? st::text_min : st::blob_min);
    }
    return static_cast<uint8>(base + count * 16);
}

bool constant_value_text(std::string& text, uint32 code) {
    switch (value_code::kind_of(code)) {
        case value_code::null:
            text.clear();
            return true;
        case value_code::zero:
            text.assign(1, '0');  // not = "0": GCC 12 warns of a false -Wrestrict overlap
            return true;
        case value_code::one:
            text.assign(1, '1');
            return true;
        default:
            return false;
    }
}

uint16 serial_type_varint_forward(const uint8* data, int32 length, int32 count, bool text) {
    const kq::byte_reader bytes(data, length > 0 ? static_cast<std::size_t>(length) : 0);
    uint8 b = 0;
    if (bytes.empty() || length < count || !bytes.u8_at(0, b) || b <= st::one) {
        return 0;
    }
    std::size_t at = 0;
    std::size_t in_varint = 0;
    int32 ended = 0;
    while (ended < count && bytes.u8_at(at, b)) {
        ++at;
        if (is_continuation(b)) {
            ++in_varint;
            continue;
        }
        if (!parity_fits(b, text) || (in_varint == 0 && b < smallest_one_byte(text))) {
            return 0;
        }
        in_varint = 0;
        ++ended;
    }
    if (ended != count || at > std::numeric_limits<uint16>::max()) {
        return 0;
    }
    return static_cast<uint16>(at);
}

namespace {

// Step back over `count` varints ending at `end`; the bytes they span, or 0 on a failed test.
std::size_t backward_run(const kq::byte_reader& bytes, std::size_t end, std::size_t limit,
                         int32 count, bool text) {
    std::size_t taken = 0;
    int32 found = 0;
    uint8 b = 0;
    while (found < count) {
        if (taken >= limit || !bytes.u8_at(end - taken, b)) {
            return 0;
        }
        ++taken;
        if (is_continuation(b)) {
            continue;
        }
        if (!parity_fits(b, text)) {
            return 0;
        }
        // A small value is only the last byte of a longer varint, never a type on its own.
        uint8 before = 0;
        if (b < smallest_one_byte(text) &&
            (taken >= limit || !bytes.u8_at(end - taken, before) || !is_continuation(before))) {
            return 0;
        }
        ++found;
    }
    return taken;
}

}  // namespace

int32 serial_type_varint_backward(const kq::byte_reader& bytes, std::size_t end, int32 length,
                                  int32 count, bool text) {
    if (end >= bytes.size() || count <= 0 || length < count) {
        return 0;
    }
    const std::size_t limit = std::min(static_cast<std::size_t>(length), end + 1);
    uint8 last = 0;
    uint8 before = 0;
    if (!bytes.u8_at(end, last)) {
        return 0;
    }
    if (limit > 1 && bytes.u8_at(end - 1, before) && !is_continuation(before) && last <= st::one) {
        return 0;
    }
    std::size_t taken = backward_run(bytes, end, limit, count, text);
    if (taken == 0) {
        return 0;
    }
    // The leading bytes of the last varint found carry the continuation bit; the run must
    // be bounded by a byte without it inside the limit.
    uint8 b = 0;
    while (true) {
        if (taken >= limit || !bytes.u8_at(end - taken, b)) {
            return 0;
        }
        if (!is_continuation(b)) {
            break;
        }
        ++taken;
    }
    return -static_cast<int32>(taken);
}
