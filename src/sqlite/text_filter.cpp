#include "sqlite/text_filter.h"

#include <vector>

#include "io/uni_encoding.h"
#include "text/byte_reader.h"

namespace {

constexpr uint32 tab = 0x09;
constexpr uint32 line_feed = 0x0A;
constexpr uint32 carriage_return = 0x0D;
constexpr uint32 first_printable = 0x20;
constexpr uint32 last_printable = 0x7E;

bool is_digit(uint32 c) { return c >= '0' && c <= '9'; }
bool is_hex_letter(uint32 c) { return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_lower_letter(uint32 c) { return c >= 'a' && c <= 'z'; }

// Reads the units of [0, byte_count) while they pass; the number of bytes that were not a
// whole unit or a passing one is what tells the callers whether the scan stopped early.
// The byte order is chosen once per call, not per unit.
template <bool big_endian>
std::size_t passing_units_in(std::vector<uint16_t>& units, const kq::byte_reader& bytes,
                             uint32 flags) {
    const std::size_t total = bytes.size() / 2;
    units.clear();
    units.reserve(total);
    uint16 unit = 0;
    const auto read = [&bytes](std::size_t at, uint16& out) {
        if constexpr (big_endian) {
            return bytes.be16_at(at, out);
        } else {
            return bytes.le16_at(at, out);
        }
    };
    for (std::size_t i = 0; i < total && read(i * 2, unit); ++i) {
        if (!passes_text_filter(unit, flags)) {
            break;
        }
        units.push_back(unit);
    }
    return total;
}

std::size_t passing_units(std::vector<uint16_t>& units, const kq::byte_reader& bytes, uint32 flags,
                          bool big_endian) {
    return big_endian ? passing_units_in<true>(units, bytes, flags)
                      : passing_units_in<false>(units, bytes, flags);
}

// The filters hand every accepted unit to the converter; an unpaired high surrogate (only
// possible without flags) ends the text there, which is still the text the column held.
void append_units(std::string& out, const std::vector<uint16_t>& units) {
    if (!units.empty()) {
        (void)uni::utf16_to_utf8(out, units);
    }
}

}  // namespace

bool passes_text_filter(uint32 c, uint32 flags) {
    if ((flags & filter_line_breaks) != 0 && (c == tab || c == line_feed || c == carriage_return)) {
        return true;
    }
    if ((flags & filter_printable) != 0 && (c < first_printable || c > last_printable)) {
        return false;
    }
    if ((flags & filter_hex_digit) != 0 && !is_digit(c) && !is_hex_letter(c)) {
        return false;
    }
    if ((flags & filter_lower_letter) != 0 && !is_lower_letter(c)) {
        return false;
    }
    return (flags & filter_hex_letter) == 0 || is_hex_letter(c);
}

bool filter_ascii(std::string& out, const uint8* data, uint32 length, uint32 flags) {
    const kq::byte_reader bytes(data, length);
    out.clear();
    if (bytes.empty()) {
        return false;
    }
    out.reserve(bytes.size());
    uint8 b = 0;
    for (std::size_t i = 0; bytes.u8_at(i, b); ++i) {
        if (!passes_text_filter(b, flags)) {
            out.clear();
            return false;
        }
        out.push_back(static_cast<char>(b));
    }
    return true;
}

bool filter_ascii_prefix(std::string& out, const uint8* data, uint32 min_length, uint32 count,
                         uint32 flags) {
    const kq::byte_reader bytes(data, count);
    out.clear();
    if (bytes.empty()) {
        return false;
    }
    uint8 b = 0;
    for (std::size_t i = 0; bytes.u8_at(i, b); ++i) {
        if (!passes_text_filter(b, flags)) {
            // A cut value keeps its clean start, yet the caller still hears that it was cut
            // at a byte no text of this column holds.
            if (out.size() < min_length) {
                out.clear();
            }
            return false;
        }
        out.push_back(static_cast<char>(b));
    }
    return true;
}

bool filter_utf16(std::string& out, const uint8* data, uint32 byte_count, uint32 flags,
                  bool big_endian) {
    const kq::byte_reader bytes(data, byte_count);
    out.clear();
    std::vector<uint16_t> units;
    const std::size_t total = passing_units(units, bytes, flags, big_endian);
    if (total == 0 || units.size() != total) {
        return false;
    }
    append_units(out, units);
    return true;
}

bool filter_utf16_prefix(std::string& out, const uint8* data, uint32 min_length, uint32 byte_count,
                         uint32 flags, bool big_endian) {
    const kq::byte_reader bytes(data, byte_count);
    out.clear();
    std::vector<uint16_t> units;
    const std::size_t total = passing_units(units, bytes, flags, big_endian);
    if (total == 0 || (units.size() < total && units.size() < min_length)) {
        return false;
    }
    append_units(out, units);
    return true;
}
