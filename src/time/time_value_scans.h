#pragma once
// Whole-buffer scans for plain integer timestamps: every position tried as 4-byte Unix
// seconds, or as an 8-byte Unix/FILETIME value, and 8-byte values inside a window at a
// stride. Every value that ends inside the buffer is tried, the last one included.

#include <vector>

#include "text/kq_types.h"
#include "time/kq_time.h"

namespace kq {

// Each position whose 4 bytes (little-endian) are valid Unix seconds. False for a null
// pointer or fewer than 8 bytes; true otherwise, whether or not anything was found.
bool scan_unix32_times(const uint8* data, uint32 length, std::vector<time>& times,
                       std::vector<uint32>& offsets);
// Each position whose 8 bytes (little-endian) are valid Unix seconds, then each whose 8 bytes
// are a valid FILETIME; one offset can appear twice. False for a null pointer or fewer than
// 8 bytes.
bool scan_unix_and_filetime(const uint8* data, uint32 length, std::vector<time>& times,
                            std::vector<uint32>& offsets);
// Offsets (base_offset + 8 x index) of the host-order 64-bit values with
// min <= value <= max; after a hit the scan moves on by stride bytes. False for a null
// pointer, fewer than 8 bytes, a stride of 0 or one that is no multiple of 8, and when
// nothing was found. The values need no particular alignment.
bool find_values_in_range(std::vector<uint64>& offsets, const uint64* values,
                          uint32 length_in_bytes, uint64 base_offset, uint64 min, uint64 max,
                          uint32 stride);

}  // namespace kq
