#pragma once
// Timestamps found in raw bytes. A 4- or 8-byte value of unstated kind is tried against the
// kinds of a mask inside a window of accepted moments; each kind that fits is kept as a
// time_hit, and the guess is the first one in scan order.

#include <array>
#include <map>

#include "text/kq_types.h"
#include "time/type_time.h"

namespace kq {

struct time_hit {
    byte_array bytes;  // the value's bytes in the order in which they stand in the data
    uint64 filetime = 0;
    uint64 offset = 0;  // position of the value in the data, as the caller counts it
    int32 type = 0;     // the kind that decoded it
    int32 little_endian = 1;
    int32 size = 0;  // 4, 8 or 16

    time_hit() = default;
    // Keeps the `size` bytes at value_bytes, reversed unless little_endian. A size other
    // than 4, 8 or 16, a null pointer or a failed allocation leaves the hit cleared.
    time_hit(const uint8* value_bytes, uint64 filetime_value, uint64 value_offset, type_time kind,
             bool is_little_endian, int value_size);

    void clear();
};

// Hits by offset; hits sharing an offset keep the order in which they were found.
using time_hit_map = std::multimap<uint64, time_hit>;

// Tries `value` (assembled in the byte order the caller chose) as each kind of `kinds`, and
// adds a hit for every valid moment with earliest <= FILETIME <= latest. True when at least
// one hit was added.
bool scan_time_8byte(time_hit_map& hits, uint64 value, uint64 latest, uint64 earliest,
                     uint64 offset, bool little_endian, bool clear_first, uint32 kinds);

// The first kind (in scan order) under which `value`, read little-endian or else
// byte-reversed, is a moment from 1 January of first_year to 1 January of last_year.
// Values below 2^24 are refused.
[[nodiscard]] bool guess_time_type(uint64& filetime, uint32& kind, uint64 value, int last_year,
                                   int first_year);
[[nodiscard]] bool guess_time_type(uint64& filetime, uint64 value, int last_year, int first_year);

// Copy a short big-endian integer (count 2, 3 or 4 bytes; any other count is 1) from data at
// offset into the low-order end of a fixed-width big-endian record, stopping at the end of
// the data; returns the number of bytes written.
int copy_be_tail8(std::array<uint8, 8>& record, const byte_array& data, int offset, int count);
int copy_be_tail4(std::array<uint8, 4>& record, const byte_array& data, int offset, int count);

}  // namespace kq
