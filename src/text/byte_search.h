#pragma once
// Searches of raw bytes: a pattern by Boyer-Moore-Horspool or a plain scan, at aligned
// positions, in the tail of a buffer, and fixed-width values at a stride. Every search takes
// counted input and reads nothing outside [buffer, buffer + n); values are copied out of the
// bytes, never read through a cast pointer, so a buffer at any address is fine.
//
// Offsets come back in ascending order. A search that finds a pattern resumes just after the
// match, so found matches never overlap ("aa" in "aaaa" is reported at 0 and 2).

#include <cstddef>
#include <vector>

#include "text/kq_types.h"

class filter_entry;

// Empties out; base + offset of each match (only the first with stop_at_first). use_table
// picks the Boyer-Moore-Horspool scan, else every position is compared. False (out empty)
// for a null buffer or pattern, n or m of 0, m > n, or no match.
[[nodiscard]] bool find_all_bmh(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m,
                                std::vector<uint64>& out, uint64 base, bool use_table,
                                bool stop_at_first);
[[nodiscard]] bool find_all_bmh32(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m,
                                  std::vector<uint32>& out, bool use_table, bool stop_at_first);
// out = 0, then the first offset when there is one.
[[nodiscard]] bool find_first_bmh(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m,
                                  uint64& out, bool use_table);
// out = 0, then the first offset plus base; false for a null buffer, n of 0 or an empty
// pattern.
[[nodiscard]] bool find_bytes(const uint8* buffer, uint32 n, const byte_array& pattern, uint64& out,
                              uint64 base, bool use_table);
// The last match starting within the final w bytes: positions n - m down to n - w (never
// below 0) are tried in that order. out = 0 first.
[[nodiscard]] bool find_last_in_tail(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m,
                                     uint32 w, uint64& out);

// Matches at aligned positions, appended to out (not cleared). With sector 0 only multiples
// of align are tried; with a sector size s every position of a sector is tried and at the end
// of each sector the scan moves on to the next multiple of align (always forward). True when
// out is not empty.
[[nodiscard]] bool find_all_aligned(std::vector<uint64>& out, const uint8* buffer, uint32 n,
                                    const uint8* pattern, uint32 m, uint32 sector, uint32 align,
                                    bool stop_at_first);
// The same walk with a list of patterns: at each position the first pattern (in list order)
// that fits and matches appends the position and its index. Empty patterns match nothing.
// Clears both lists; true when a match was found.
[[nodiscard]] bool find_any_aligned(std::vector<uint64>& offsets, std::vector<uint32>& indices,
                                    const uint8* buffer, uint32 n,
                                    const std::vector<byte_array>& patterns, uint32 sector,
                                    uint32 align, bool stop_at_first);

// A value (in the machine's byte order) at byte offsets 0, stride, 2 * stride ... taken in
// whole values (stride / width of them per step); byte offsets of matches are appended to out
// (not cleared). False for a null buffer, n below the width or a stride below it; else true
// when this call found a match.
[[nodiscard]] bool find_u64_strided(std::vector<uint64>& out, const uint8* buffer, uint32 n,
                                    uint64 key, uint32 stride, bool stop_at_first);
[[nodiscard]] bool find_u32_strided(std::vector<uint64>& out, const uint8* buffer, uint32 n,
                                    uint32 key, uint32 stride, bool stop_at_first);
[[nodiscard]] bool find_u16_strided(std::vector<uint64>& out, const uint8* buffer, uint32 n,
                                    uint16 key, uint32 stride);
// An 8-byte value given as its low and high 32-bit words, tried at every multiple of 4.
// Appends to out; false for a null buffer or n below 4; else true when this call found one.
[[nodiscard]] bool find_u64_at_u32_steps(std::vector<uint64>& out, const uint8* buffer, uint32 n,
                                         uint32 key_low, uint32 key_high, bool stop_at_first);
// For each whole block of `block` 64-bit words (below 512 counts as 512), base + the index of
// the first non-zero word among the block's first block / 8 words. Empties out; false for a
// null buffer, a count of 0 or a count below the block size.
[[nodiscard]] bool find_nonzero_u64_per_block(std::vector<uint64>& out, const void* words,
                                              uint32 count, uint32 block, bool stop_at_first,
                                              uint64 base);

// The indices, in order, of the filter entries that carry signature bytes ("-filter_sig"
// items). The first argument is not read. True when there is at least one.
[[nodiscard]] bool filter_signature_indices(const void* unused, std::vector<uint32>& out,
                                            const std::vector<filter_entry>& filters);
