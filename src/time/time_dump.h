#pragma once
// Sweeps of a raw buffer for every timestamp kind the library knows, printing one line per
// hit: "offset, LE|BE, kind name, yyyy-mm-dd hh:mm:ss.nnnnnnnnn UTC|LOC, bytes".

#include <ostream>

#include "text/kq_types.h"
#include "time/time_hit.h"

namespace kq {

// The context of dump_times_chunk, one per swept file.
struct time_dump_context {
    std::ostream* out = nullptr;
    uint64 latest = 0;
    uint64 earliest = 0;
    uint32 kinds = 0;
    int32 total = 0;  // successful scans so far
};

// One hit line. Leaves the stream in hexadecimal, left-aligned mode.
void print_time_hit(const time_hit& hit, std::ostream& out);

// Tries every position of the buffer as each kind of `kinds` whose moment falls in
// [earliest, latest] and prints the hits in offset order (hits at one offset in the order
// found). Returns the number of scans that found something, not the number of hits; 0 for a
// null buffer or a count of 0 or less.
int dump_times_in_buffer(std::ostream& out, const uint8* data, int count, uint64 latest,
                         uint64 earliest, uint64 base_offset, uint32 kinds);
// As dump_times_in_buffer, then the same sweep over the 8 bytes of the buffer's leading
// SQLite varint read most-significant group first and, separately, least-significant first;
// each varint sweep that found something is printed under "Variable int BE" or "LE". Returns
// the sum of the three counts.
int dump_times_with_varints(std::ostream& out, const uint8* data, int count, uint64 latest,
                            uint64 earliest, uint64 base_offset, uint32 kinds);
// The two sweeps over a byte array; 0 for an empty one.
int dump_times_in_array(std::ostream& out, const byte_array& bytes, uint64 latest, uint64 earliest,
                        uint64 base_offset, uint32 kinds);
int dump_times_in_array_with_varints(std::ostream& out, const byte_array& bytes, uint64 latest,
                                     uint64 earliest, uint64 base_offset, uint32 kinds);

// A per-chunk callback for a file reader: adds the chunk's count to ctx.total and returns 0;
// -1 when ctx has no stream, data is null or count is not positive. The first and fifth
// arguments (the reader and the chunk overlap) are not used.
int dump_times_chunk(const void* reader, time_dump_context& ctx, const uint8* data, int count,
                     uint32 overlap, uint64 offset);

}  // namespace kq
