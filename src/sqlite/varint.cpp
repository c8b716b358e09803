#include "sqlite/varint.h"

#include <algorithm>
#include <limits>

#include "sqlite/sqlite_format.h"

namespace vi = sqlite_format::varint;

bool read_varint(uint64& value, int32& length, const kq::byte_reader& bytes, std::size_t offset) {
    value = 0;
    length = 0;
    uint64 v = 0;
    std::size_t taken = 0;
    uint8 b = 0;
    while (taken < vi::max_length && bytes.u8_at(offset + taken, b)) {
        ++taken;
        if (taken == vi::max_length) {
            // SQLite file format 2.1: the ninth byte contributes all of its 8 bits.
            v = (v << vi::last_group_bits) | b;
            break;
        }
        v = (v << vi::group_bits) | (b & vi::group_mask);
        if ((b & vi::more_flag) == 0) {
            break;
        }
    }
    if (taken == 0) {
        return false;
    }
    value = v;
    length = static_cast<int32>(taken);
    return true;
}

bool read_varint(uint64& value, int32& length, const uint8* data, int32 available) {
    const kq::byte_reader bytes(data, available > 0 ? static_cast<std::size_t>(available) : 0);
    return read_varint(value, length, bytes, 0);
}

int32 count_varints(const uint8* data, int32 length) {
    if (data == nullptr || length < 2) {
        return 0;
    }
    // The last byte is never looked at: a header run is always followed by content.
    const kq::byte_reader bytes(data, static_cast<std::size_t>(length - 1));
    int32 count = 0;
    std::size_t at = 0;
    while (at < bytes.size()) {
        uint64 v = 0;
        int32 n = 0;
        if (!read_varint(v, n, bytes, at) || static_cast<std::size_t>(n) > bytes.size() - at ||
            low32_negative(v)) {
            break;
        }
        ++count;
        at += static_cast<std::size_t>(n);
    }
    return count;
}

namespace {

template <typename T>
int32 read_leb128(T& value, const uint8* data, int32 length) {
    value = 0;
    const kq::byte_reader bytes(data, length > 0 ? static_cast<std::size_t>(length) : 0);
    T v = 0;
    unsigned shift = 0;
    uint8 b = 0;
    for (std::size_t at = 0; bytes.u8_at(at, b); ++at) {
        // Groups beyond the width of T carry nothing representable; they are skipped, not
        // shifted (a shift by the full width is undefined).
        if (shift < std::numeric_limits<T>::digits) {
            v = static_cast<T>(v | (static_cast<T>(b & vi::group_mask) << shift));
        }
        shift += vi::group_bits;
        if ((b & vi::more_flag) == 0) {
            value = v;
            return static_cast<int32>(at + 1);
        }
    }
    return 0;
}

}  // namespace

int32 read_leb128_u64(uint64& value, const uint8* data, int32 length) {
    return read_leb128(value, data, length);
}

int32 read_leb128_u32(uint32& value, const uint8* data, int32 length) {
    return read_leb128(value, data, length);
}

int32 varint_run_start_backward(const kq::byte_reader& bytes, std::size_t end, int32 length,
                                int32 n) {
    if (end >= bytes.size() || n < 0 || length < n) {
        return 0;
    }
    // The walk may not leave the view, whatever length claims.
    const std::size_t limit = std::min(static_cast<std::size_t>(length), end + 1);
    std::size_t count = 0;
    int32 ends_seen = 0;
    uint8 b = 0;
    while (ends_seen < n) {
        if (count >= limit || !bytes.u8_at(end - count, b)) {
            return 0;
        }
        ++count;
        if ((b & vi::more_flag) == 0) {
            ++ends_seen;
        }
    }
    // The leading bytes of the last varint found carry the continuation bit.
    while (count < limit && bytes.u8_at(end - count, b) && (b & vi::more_flag) != 0) {
        ++count;
    }
    return -static_cast<int32>(count);
}
