#include "text/extras/hex_byte_rows.h"

#include <iomanip>

#include "text/hex_text.h"

void write_bytes_hex(const byte_array& bytes, std::ostream& out) {
    out << byte_array_hex_string(bytes, " ");
}

std::ostream& write_hex_bytes16(std::span<const uint8, 16> bytes, std::ostream& out) {
    out << std::hex << std::right << std::setfill('0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out << ' ';
        }
        out << std::setw(2) << static_cast<unsigned>(bytes[i]);
    }
    return out;
}
