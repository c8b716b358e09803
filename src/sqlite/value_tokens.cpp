#include "sqlite/value_tokens.h"

#include <algorithm>
#include <iomanip>

#include "sqlite/value_code.h"

namespace {

constexpr uint32 time_bits_shift = 4;
constexpr uint32 time_bits_mask = 0xff;  // bits 4 to 11: the timestamp mark alone
constexpr int size_digits = 3;
constexpr uint8 first_printable = 0x20;
constexpr uint8 last_printable = 0x7e;
constexpr char delete_char = 0x7f;

const char* fixed_token(uint32 kind) {
    switch (kind) {
        case value_code::null:
            return "null:000";
        case value_code::real:
            return "real:008";
        case value_code::zero:
            return "cst0:000";
        case value_code::one:
            return "cst1:000";
        default:
            return nullptr;
    }
}

const char* sized_token(uint32 code) {
    switch (value_code::kind_of(code)) {
        case value_code::integer:
            return ((code >> time_bits_shift) & time_bits_mask) == 1 ? "time:" : "valu:";
        case value_code::text:
            return "strg:";
        case value_code::blob:
            return "blob:";
        default:
            return "unkn:";
    }
}

bool printable(uint8 b) { return b >= first_printable && b <= last_printable; }

}  // namespace

void write_value_code_token(std::ostream& out, uint32 code, uint32 size) {
    const char* fixed = fixed_token(value_code::kind_of(code));
    if (fixed != nullptr) {
        out << fixed;
    } else {
        out << sized_token(code) << std::setfill('0') << std::right << std::setw(size_digits)
            << size;
    }
    out << std::setfill(' ') << std::left;
}

void write_printable_or_hex(std::ostream& out, const byte_array& bytes, std::size_t count) {
    const std::size_t n = std::min(count, bytes.size());
    bool wrote = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (printable(bytes[i])) {
            out << static_cast<char>(bytes[i]);
            wrote = true;
        }
    }
    if (wrote) {
        return;
    }
    out << std::hex << std::setfill('0');
    for (std::size_t i = 0; i < n; ++i) {
        out << std::setw(2) << static_cast<unsigned>(bytes[i]) << ' ';
    }
    out << std::dec << std::setfill(' ');
}

void write_printable_chars(std::ostream& out, const std::string& text, std::size_t count) {
    const std::size_t n = std::min(count, text.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= first_printable && c != delete_char) {
            out << c;
        }
    }
}
