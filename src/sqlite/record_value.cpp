#include "sqlite/record_value.h"

#include <bit>
#include <cstring>
#include <vector>

#include "sqlite/sqlite_format.h"
#include "text/number_text.h"
#include "text/utf16_text.h"

namespace st = sqlite_format::serial_type;

namespace {
constexpr std::size_t single_size = 4;
constexpr int real_precision = 8;
constexpr std::size_t widest_int = 8;
constexpr unsigned bits_per_byte = 8;
}  // namespace

bool bytes_to_double(double& out, const kq::byte_reader& bytes) {
    uint64 raw = 0;
    if (bytes.size() == st::real_size && bytes.be64_at(0, raw)) {
        out = std::bit_cast<double>(raw);
        return true;
    }
    uint32 raw32 = 0;
    if (bytes.size() == single_size && bytes.be32_at(0, raw32)) {
        out = static_cast<double>(std::bit_cast<float>(raw32));
        return true;
    }
    return false;
}

bool bytes_to_double(double& out, const byte_array& bytes) {
    return bytes_to_double(out, kq::byte_reader(bytes));
}

integer_value decode_integer(const kq::byte_reader& bytes, uint32 content_size) {
    integer_value v;
    const std::size_t n = bytes.size();
    if (n == 0) {
        return v;
    }
    if (content_size > widest_int) {
        // Reserved 10/11-byte forms: the bytes roll through a 64-bit accumulator.
        v.is_signed = false;
        uint8 b = 0;
        for (std::size_t i = 0; bytes.u8_at(i, b); ++i) {
            v.bits = (v.bits << bits_per_byte) | b;
        }
        return v;
    }
    uint64 raw = 0;
    if (!bytes.be_at(0, n, raw)) {
        return v;
    }
    // Two's complement of the width present: extend the top bit of the top byte.
    const unsigned width = static_cast<unsigned>(n) * bits_per_byte;
    if (width < 64 && (raw >> (width - 1)) != 0) {
        raw |= ~uint64{0} << width;
    }
    v.bits = raw;
    return v;
}

std::string integer_text(const integer_value& value) {
    return value.is_signed ? std::to_string(static_cast<int64>(value.bits))
                           : std::to_string(value.bits);
}

bool real_text(std::string& out, double& value, const kq::byte_reader& bytes) {
    value = 0;
    if (!bytes_to_double(value, bytes)) {
        out = "NaN";
        return false;
    }
    (void)double_to_text(out, value, real_precision);  // the text lands in out
    return true;
}

void utf16_value_text(std::string& out, const kq::byte_reader& bytes, bool big_endian) {
    out.clear();
    // Record bytes carry no alignment; the units are assembled, never cast in place.
    std::vector<uint16_t> units(bytes.size() / 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        uint16 unit = 0;
        // Inside the view by the loop bound.
        (void)(big_endian ? bytes.be16_at(2 * i, unit) : bytes.le16_at(2 * i, unit));
        units[i] = unit;
    }
    if (units.empty()) {
        return;
    }
    (void)utf16_to_string(units.data(), out, static_cast<int>(units.size() * 2), false);
}

void bytes_as_text(std::string& out, const kq::byte_reader& bytes) {
    out.resize(bytes.size());
    if (!out.empty()) {
        std::memcpy(out.data(), bytes.data(), out.size());
    }
}
