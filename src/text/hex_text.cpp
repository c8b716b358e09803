#include "text/hex_text.h"

#include <cctype>
#include <sstream>
#include <utility>

#include "text/byte_reader.h"

namespace {

constexpr const char* hex_digits = "0123456789abcdef";

void append_hex_byte(std::string& out, uint8 value) {
    out += hex_digits[value >> 4];
    out += hex_digits[value & 0x0F];
}

}  // namespace

bool bytes_to_hex_text(std::string& out, const uint8* bytes, std::size_t length,
                       const std::string& separator, bool with_0x) {
    const kq::byte_reader view(bytes, length);
    if (view.empty()) {
        return false;
    }
    std::string text;
    text.reserve(view.size() * (2 + separator.size() + (with_0x ? 2 : 0)));
    for (std::size_t i = 0; i < view.size(); ++i) {
        uint8 value = 0;
        (void)view.u8_at(i, value);  // i lies inside the view
        if (i > 0) {
            text += separator;
        }
        if (with_0x) {
            text += "0x";
        }
        append_hex_byte(text, value);
    }
    out = std::move(text);
    return true;
}

bool byte_array_to_hex_text(std::string& out, const byte_array& bytes,
                            const std::string& separator, bool with_0x) {
    out.clear();
    if (bytes.empty()) {
        return false;
    }
    return bytes_to_hex_text(out, bytes.data(), bytes.size(), separator, with_0x);
}

std::string byte_array_hex_string(const byte_array& bytes, const std::string& separator) {
    std::string out;
    (void)byte_array_to_hex_text(out, bytes, separator, false);  // empty stays empty
    return out;
}

bool byte_array_to_source_array(const char* name, const byte_array& bytes, std::string& out) {
    if (name == nullptr || bytes.empty()) {
        return false;
    }
    std::string text = "const byte ";
    text += name;
    text += "[] = {";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            text += ", ";
        }
        text += "0x";
        append_hex_byte(text, bytes[i]);
    }
    text += "};";
    out = std::move(text);
    return true;
}

bool int_to_text(int32 value, std::string& out) {
    out = std::to_string(value);
    return true;
}

bool uint64_to_decimal_text(uint64 value, std::string& out) {
    out = std::to_string(value);
    return true;
}

uint64 parse_uint64_in_base(const std::string& text, std::ios_base::fmtflags format) {
    std::istringstream stream(text);
    stream.setf(format & std::ios_base::basefield, std::ios_base::basefield);
    // A stream read of an unsigned number takes "-5" as its negation modulo 2^64: a huge
    // value that no text ever meant. Refuse a sign instead.
    stream >> std::ws;
    if (stream.peek() == '-') {
        return 0;
    }
    uint64 value = 0;
    if (!(stream >> value)) {
        return 0;
    }
    return value;
}
