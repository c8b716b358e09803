#pragma once
// Windows security identifiers in their binary form (revision byte, sub-authority count n,
// 6-byte big-endian identifier authority, n little-endian 32-bit sub-authorities: 8 + 4n
// bytes) turned into "S-1-5-21-..." text.

#include <string>

#include "text/kq_types.h"

// out is cleared; false for a null pointer, a size below 12 or below 8 + 4n. The text is
// "S-", the revision, "-", the 48-bit identifier authority (decimal below 2^32, else "0x" and
// twelve upper-case hexadecimal digits, as Windows writes it), then "-" and each
// sub-authority in decimal.
[[nodiscard]] bool sid_to_text(std::string& out, const uint8* data, uint32 size);
// The same, but the size must be exactly 8 + 4n (and above 11).
[[nodiscard]] bool sid_to_text_exact(std::string& out, const uint8* data, uint32 size);
// The text of sid_to_text, or "" when it fails (also for a negative size).
[[nodiscard]] std::string sid_text(const uint8* data, int size);
