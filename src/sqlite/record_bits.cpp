#include "sqlite/record_bits.h"

#include <bit>

namespace {
// Bits 60 to 63 of a column mask are kept for flags; only the low 60 name columns.
constexpr uint64 column_bits = (uint64{1} << 60) - 1;
constexpr std::size_t bits_per_byte = 8;
}  // namespace

int32 count_mask_bits(uint64 mask) { return std::popcount(mask & column_bits); }

bool bit_text_to_bytes(byte_array& bytes, const std::string& text) {
    bytes.clear();
    // The first byte takes 8 - (length mod 8) characters and every later byte 8; a partly
    // filled last byte is still kept, its characters in its low bits.
    std::size_t in_byte = bits_per_byte - text.size() % bits_per_byte;
    std::size_t filled = 0;
    uint8 current = 0;
    for (const char c : text) {
        current = static_cast<uint8>((current << 1) | (c == '1' ? 1 : 0));
        if (++filled == in_byte) {
            bytes.push_back(current);
            current = 0;
            filled = 0;
            in_byte = bits_per_byte;
        }
    }
    if (filled != 0) {
        bytes.push_back(current);
    }
    return true;
}
