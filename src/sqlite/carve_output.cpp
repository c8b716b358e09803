#include "sqlite/carve_output.h"

#include <algorithm>

#include "text/byte_reader.h"

namespace {

constexpr int32 letter_table_a = 2;
constexpr int32 letter_table_b = 4;
constexpr std::size_t letter_min_bytes = 8;
constexpr std::size_t letter_count_at = 5;
constexpr std::size_t letter_start = 6;

}  // namespace

void print_truncated_flag(std::ostream& out, const carved_record& record) {
    out << (record.truncated != 0 ? "trunc" : "ok");
}

void write_blanks(std::ostream& out, int n) {
    for (int i = 0; i < n; ++i) {
        out << ' ';
    }
}

bool write_letter_pairs(std::ostream& out, const byte_array& bytes, int32 table_type) {
    const kq::byte_reader view(bytes);
    uint8 count = 0;
    if ((table_type != letter_table_a && table_type != letter_table_b) ||
        view.size() < letter_min_bytes || !view.u8_at(letter_count_at, count)) {
        return false;
    }
    const std::size_t end = std::min(view.size(), letter_start + count);
    bool wrote = false;
    for (std::size_t at = letter_start; at < end; at += 2) {
        for (std::size_t i = at; i < at + 2 && i < end; ++i) {
            uint8 b = 0;
            (void)view.u8_at(i, b);  // i < end <= size
            out << static_cast<char>('a' + b);
            wrote = true;
        }
    }
    return wrote;
}

void write_hex64(std::ostream& out, uint64 value) {
    const bool widened_negative =
        ((value >> 32) & 0xFFFFU) == 0xFFFFU && (value & 0x80000000U) != 0;
    out << std::hex << (widened_negative ? (value & 0xFFFFFFFFU) : value) << std::dec;
}
