#include "text/hex_text.h"

#include <cctype>
#include <cstring>
#include <ostream>
#include <sstream>
#include <utility>
#include <vector>

#include "text/byte_reader.h"
#include "text/number_text.h"
#include "text/text_split.h"

namespace {

constexpr const char* hex_digits = "0123456789abcdef";

void append_hex_byte(std::string& out, uint8 value) {
    out += hex_digits[value >> 4];
    out += hex_digits[value & 0x0F];
}

uint8 hex_digit_value(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint8>(c - '0');
    }
    return static_cast<uint8>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
}

// The low byte of the hexadecimal number at the start of text: leading blanks skipped, the
// reading stops at the first character that is no hex digit (0 when there is none). Only the
// low byte is kept, so however long the digit run, no value can overflow.
uint8 hex_low_byte(const std::string& text, std::size_t from) {
    while (from < text.size() && std::isspace(static_cast<unsigned char>(text[from])) != 0) {
        ++from;
    }
    uint8 value = 0;
    for (; from < text.size() && is_hex_digit(static_cast<unsigned char>(text[from])); ++from) {
        value = static_cast<uint8>((value << 4) | hex_digit_value(text[from]));
    }
    return value;
}

// The separator of a byte list; '\0' when the text is one item, 'n' when it is neither.
char byte_list_separator(const std::string& text) {
    for (const char c : {' ', ',', ':', '-'}) {
        if (text.find(c) != std::string::npos) {
            return c;
        }
    }
    const bool short_with_x = text.find('x') != std::string::npos && text.size() <= 4;
    return short_with_x || text.size() == 2 ? '\0' : 'n';
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

bool byte_array_to_hex_text(std::string& out, const byte_array& bytes, const std::string& separator,
                            bool with_0x) {
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

bool parse_hex_byte_list(const std::string& text, byte_array& out) {
    const char separator = byte_list_separator(text);
    if (separator == 'n') {
        return false;
    }
    std::vector<std::string> items;
    if (separator == '\0') {
        items.push_back(text);
    } else {
        (void)split_on_char(text, separator, items, false, false, false);  // text not empty
    }
    out.clear();
    for (const std::string& item : items) {
        const std::size_t x = item.find('x');
        out.push_back(hex_low_byte(item, x == std::string::npos ? 0 : x + 1));
    }
    return !out.empty();
}

bool hex_pairs_to_bytes(const std::string& text, byte_array& out) {
    out.clear();
    if (text.empty()) {
        return false;
    }
    std::string spaced;
    spaced.reserve(text.size() + text.size() / 2 + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        spaced += text[i];
        if (i % 2 == 1) {
            spaced += ' ';
        }
    }
    return parse_hex_byte_list(spaced, out);
}

byte_array& parse_hex_bytes(byte_array& buffer, const std::string& text, char separator, bool hex) {
    buffer.clear();
    std::vector<std::string> items;
    if (!split_on_char(text, separator, items, true, false, false)) {
        return buffer;
    }
    buffer.reserve(items.size());
    for (const std::string& item : items) {
        if (hex) {
            const bool prefixed = item.size() > 2 && item[0] == '0' && (item[1] | 0x20) == 'x';
            buffer.push_back(hex_low_byte(item, prefixed ? 2 : 0));
            continue;
        }
        int value = 0;
        (void)string_to_int(item, &value);  // an item that is no number stores 0
        buffer.push_back(static_cast<uint8>(value & 0xFF));
    }
    return buffer;
}

bool parse_hex_bytes_exact(const char* text, uint8* out, int32 n) {
    byte_array bytes;
    if (out == nullptr || n <= 0 || !parse_separated_bytes(text, bytes) ||
        bytes.size() != static_cast<std::size_t>(n)) {
        return false;
    }
    std::memcpy(out, bytes.data(), bytes.size());
    return true;
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

std::ostream& print_labelled_hex(std::ostream& stream, const char* label, uint64 value) {
    if (label == nullptr) {
        return stream;
    }
    // The same value twice: in hex for offsets and flags, then in decimal for counts.
    stream << label << ": " << uint64_to_text(value, true, 2) << "/" << value;
    return stream;
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
