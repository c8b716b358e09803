#pragma once
// A packed group of up to eight related times: the largest (the base) in full, every other
// one as its distance below the base in the narrowest width that holds every distance.
//
// Layout:
//   byte 0     bits 0-2 count - 1; bits 3-5 index of the base among the times; bit 6 the
//              distances count milliseconds (else 100-ns ticks)
//   bytes 1-8  the base FILETIME little-endian; its top byte keeps base bits 56-59 in bits
//              0-3 and the distance width - 1 in bits 4-6
//   bytes 9-   one little-endian distance of that width per time except the base, in order

#include <vector>

#include "text/kq_types.h"

namespace kq {

namespace packed_times_format {
inline constexpr std::size_t header_size = 9;
inline constexpr std::size_t max_times = 8;
inline constexpr std::size_t flags_byte = 0;
inline constexpr std::size_t base_at = 1;
inline constexpr std::size_t base_low_size = 7;  // base bits 0-55
inline constexpr std::size_t base_top_byte = 8;
inline constexpr uint8 count_mask = 0x07;
inline constexpr unsigned base_index_shift = 3;
inline constexpr uint8 base_index_mask = 0x07;
inline constexpr uint8 milliseconds_flag = 0x40;
// The reader takes either of the two top bits as the millisecond mark.
inline constexpr uint8 milliseconds_read_mask = 0xC0;
inline constexpr unsigned base_top_shift = 56;
inline constexpr uint8 base_top_mask = 0x0F;
inline constexpr unsigned width_shift = 4;  // within the top byte
inline constexpr uint8 width_mask = 0x07;
inline constexpr unsigned base_bits = 60;
}  // namespace packed_times_format

// Appends the group of times and returns its size; 0, nothing appended, for none or more than
// eight times, a negative time, or a base of 2^60 or more (which the 60-bit field cannot
// hold). With milliseconds the distances are truncated to whole milliseconds.
[[nodiscard]] uint16 pack_time_set(const std::vector<uint64>& times, byte_array& out,
                                   bool milliseconds);

// The times of the group at the start of the bytes, in their packed order, and the bytes the
// group used; 0, out empty, when the group does not lie wholly inside length. Times of a
// millisecond group come back up to 9,999 ticks above the packed ones. Distances of width 3,
// 5 or 7, which the writer never chooses, are passed over without a time.
[[nodiscard]] uint32 decode_packed_times(const uint8* group, uint32 length,
                                         std::vector<uint64>& out);

}  // namespace kq
