#pragma once
// Variable-length integers of the SQLite record and b-tree formats (1 to 9 bytes,
// big-endian groups of 7 bits, the ninth byte contributing 8), plus the little-endian
// base-128 form found in other formats.

#include <cstddef>

#include "text/byte_reader.h"
#include "text/kq_types.h"

// Reads one varint at the start of data. A varint cut by the end of the available bytes
// reads as if its last present byte ended it (length = available). False, with value and
// length 0, for no data.
[[nodiscard]] bool read_varint(uint64& value, int32& length, const uint8* data, int32 available);
// The same at `offset` of a view, bounded by the view's end.
[[nodiscard]] bool read_varint(uint64& value, int32& length, const kq::byte_reader& bytes,
                               std::size_t offset);

// True when the low 32 bits of a varint read as a negative signed number: such a value
// cannot be a serial type or a payload size of a sane record.
[[nodiscard]] inline bool low32_negative(uint64 value) {
    return static_cast<int32>(static_cast<uint32>(value)) < 0;
}

// Number of consecutive varints at data; only length - 1 bytes are looked at.
[[nodiscard]] int32 count_varints(const uint8* data, int32 length);

// Little-endian base-128 varints (least significant group first). The result is the number
// of bytes read, or 0 (value 0) when the bytes end inside the varint.
[[nodiscard]] int32 read_leb128_u64(uint64& value, const uint8* data, int32 length);
[[nodiscard]] int32 read_leb128_u32(uint32& value, const uint8* data, int32 length);

// Walking back from the byte at `end` of the view (inclusive) over at most `length` bytes:
// counts bytes until n bytes with a clear top bit were seen, then the bytes with their top
// bit set just before the last of them. The result is minus that count, or 0 when the walk
// runs out of bytes first.
[[nodiscard]] int32 varint_run_start_backward(const kq::byte_reader& bytes, std::size_t end,
                                              int32 length, int32 n);
