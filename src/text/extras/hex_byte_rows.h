#pragma once
// Bytes written as rows of two-digit lower-case hexadecimal values separated by blanks
// ("00 01 ... 0f"), for keys, digests and short record excerpts in a report.

#include <ostream>
#include <span>

#include "text/kq_types.h"

// Nothing for an empty array.
void write_bytes_hex(const byte_array& bytes, std::ostream& out);
// Sixteen bytes without a line break. The stream is left hexadecimal, right-aligned and
// filled with '0', so a number written next comes out in the same form.
std::ostream& write_hex_bytes16(std::span<const uint8, 16> bytes, std::ostream& out);
