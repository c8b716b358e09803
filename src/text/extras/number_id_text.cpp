#include "text/extras/number_id_text.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <ios>

#include "text/byte_reader.h"
#include "text/hex_text.h"
#include "text/number_text.h"
#include "text/text_case.h"

namespace {

constexpr std::size_t id_size = 16;
constexpr std::size_t id_hex_pairs_length = 32;
// Sixteen pairs and fifteen blanks: "00 11 ... ff".
constexpr std::size_t id_spaced_length = 47;
constexpr unsigned hex_base = 16;
// An exponent beyond this already takes every double to 0 or infinity; capping keeps the
// reading free of overflow whatever digits follow.
constexpr int exponent_cap = 1 << 20;

void copy_id(std::span<uint8, 16> dest, std::span<const uint8> source) {
    std::copy_n(source.begin(), id_size, dest.begin());
}

// Value of a lower-case hex digit, -1 for any other character.
int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The leading hex digits of a two-character piece; 0 when it starts with none.
uint8 leading_hex_pair(const std::string& piece) {
    unsigned value = 0;
    for (char c : piece) {
        const int digit = hex_value(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        if (digit < 0) {
            break;
        }
        value = value * hex_base + static_cast<unsigned>(digit);
    }
    return static_cast<uint8>(value);
}

// Signed decimal of leading digits, capped; no digits give 0.
int read_exponent(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    std::size_t at = !text.empty() && (negative || text[0] == '+') ? 1 : 0;
    int value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = std::min(value * 10 + (text[at] - '0'), exponent_cap);
    }
    return negative ? -value : value;
}

// Integer and fraction digits of the mantissa; false for a character that is no hex digit.
bool read_mantissa(const std::string& mantissa, double& value) {
    const auto point = mantissa.find('.');
    const std::string whole = mantissa.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : mantissa.substr(point + 1);
    double integer = 0;
    for (char c : whole) {
        const int digit = hex_value(c);
        if (digit < 0) {
            return false;
        }
        integer = integer * hex_base + digit;
    }
    double part = 0;
    for (auto it = fraction.rbegin(); it != fraction.rend(); ++it) {
        const int digit = hex_value(*it);
        if (digit < 0) {
            return false;
        }
        part = (part + digit) / hex_base;
    }
    value = integer + part;
    return true;
}

}  // namespace

std::string format_number_text(const std::string& text, bool hex, int width) {
    uint64 value = 0;
    if (!string_to_uint64(text, &value)) {
        return "NaN";
    }
    // The reader gives 0, and success, for a text without any digit ("abc", "x5"): such a
    // text names no number, and only a text holding a zero digit can name zero.
    if (value == 0 && text.find('0') == std::string::npos) {
        return "NaN";
    }
    return uint64_to_text(value, hex, width);
}

std::string set_number_base(std::ostream& out, bool hex, int width) {
    out << (hex ? std::hex : std::dec) << std::right << std::setfill(hex ? '0' : ' ');
    if (width != 0) {
        out.width(width);
    }
    return hex ? "0x" : "";
}

bool ipv6_to_text(const uint8* bytes, uint32 byte_count, std::string& out) {
    const kq::byte_reader data(bytes, byte_count);
    if (bytes == nullptr || byte_count == 0) {
        return false;
    }
    const std::size_t units = byte_count / 2;
    bool in_run = false;
    bool run_done = false;
    std::string text;
    char digits[8] = {};
    for (std::size_t i = 0; i < units; ++i) {
        uint16 unit = 0;
        (void)data.be16_at(i * 2, unit);  // within the count: i < byte_count / 2
        if (unit != 0) {
            (void)std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(unit));
            text += digits;
            in_run = false;
        } else if (in_run) {
            continue;  // inside the shortened run: not even a separator
        } else if (run_done) {
            text += '0';
        } else {
            in_run = run_done = true;
            if (i == 0) {
                text += ':';
            }
        }
        if (i + 1 < units) {
            text += ':';
        }
    }
    out = text;
    return true;
}

bool guid_to_text_styled(std::string& out, guid16 id, int style) {
    out.clear();
    // Styles 2 and 3 print the bytes as stored, so the three words come out byte-reversed.
    switch (style) {
        case guid_styles::initializer:
            return guid_to_initializer_text(out, id);
        case guid_styles::memory_bytes:
            return bytes_to_hex_text(out, id.bytes.data(), id.bytes.size(), " ", false);
        case guid_styles::memory_0x:
            return bytes_to_hex_text(out, id.bytes.data(), id.bytes.size(), ", ", true);
        default:
            out = guid_to_text(id, 0);
            return true;
    }
}

void text_to_id16(std::span<uint8, 16> dest, const std::string& text) {
    if (text.find('-') != std::string::npos) {
        guid16 id;
        if (parse_guid_text(text, id)) {
            copy_id(dest, id.bytes);
        }
        return;
    }
    if (text.size() == id_hex_pairs_length) {
        for (std::size_t i = 0; i < id_size; ++i) {
            dest[i] = leading_hex_pair(text.substr(i * 2, 2));
        }
        return;
    }
    if (text.size() == id_spaced_length && text.find(' ') != std::string::npos) {
        byte_array bytes;
        if (parse_hex_bytes(bytes, text, ' ', true).size() == id_size) {
            copy_id(dest, bytes);
        }
    }
}

void text_to_id16(guid16& dest, const std::string& text) { text_to_id16(dest.bytes, text); }

void text_to_id16(std::span<uint8, 16> dest, const char* text) {
    if (text != nullptr) {
        text_to_id16(dest, std::string(text));
    }
}

void bytes_to_id16(std::span<uint8, 16> dest, const byte_array& bytes) {
    if (bytes.size() >= id_size) {
        copy_id(dest, bytes);
    }
}

void bytes_to_id16(guid16& dest, const byte_array& bytes) { bytes_to_id16(dest.bytes, bytes); }

std::string double_to_text_fixed2(double value) {
    char buffer[400] = {};  // the largest double has 309 integer digits
    (void)std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

bool parse_hex_float(const std::string& text, double& out) {
    out = 0;
    if (text.size() <= 2) {
        return false;
    }
    std::string lowered = text;
    (void)string_to_lower(lowered);
    const bool negative = lowered[0] == '-';
    const std::size_t start = negative ? 1 : 0;
    if (lowered.compare(start, 2, "0x") != 0) {
        return false;
    }
    const std::string body = lowered.substr(start + 2);
    const auto p = body.find('p');
    const int exponent = p == std::string::npos ? 0 : read_exponent(body.substr(p + 1));
    double value = 0;
    if (!read_mantissa(body.substr(0, p), value)) {
        return false;
    }
    out = std::ldexp(negative ? -value : value, exponent);
    return true;
}

uint16 to_big_endian16(uint16 value) {
    if constexpr (std::endian::native != std::endian::little) {
        return value;
    }
    return static_cast<uint16>((value >> 8) | (value << 8));
}

uint32 to_big_endian32(uint32 value) {
    if constexpr (std::endian::native != std::endian::little) {
        return value;
    }
    return (static_cast<uint32>(to_big_endian16(static_cast<uint16>(value))) << 16) |
           to_big_endian16(static_cast<uint16>(value >> 16));
}

uint64 to_big_endian64(uint64 value) {
    if constexpr (std::endian::native != std::endian::little) {
        return value;
    }
    return (static_cast<uint64>(to_big_endian32(static_cast<uint32>(value))) << 32) |
           to_big_endian32(static_cast<uint32>(value >> 32));
}

bool wstring_to_int(const std::wstring& text, int* out) { return wcstr_to_int(text.c_str(), out); }
