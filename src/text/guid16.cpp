#include "text/guid16.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "text/hex_text.h"

namespace {

// Offsets of the words in the Windows GUID layout.
constexpr std::size_t data1_at = 0;
constexpr std::size_t data2_at = 4;
constexpr std::size_t data3_at = 6;
constexpr std::size_t data4_at = 8;
constexpr std::size_t guid_size = 16;

constexpr const char* guid_format = "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x";
// Every GUID text is 36 characters; the tagged form adds a blank and four characters.
constexpr std::size_t guid_text_length = 36;
constexpr std::size_t tagged_buffer_size = 42;
// The text is formatted into a zeroed buffer of this size.
constexpr std::size_t format_buffer_size = 80;

uint32 le_word(const std::array<uint8, 16>& bytes, std::size_t at, std::size_t count) {
    uint32 value = 0;
    for (std::size_t i = count; i > 0; --i) {
        value = (value << 8) | bytes.at(at + i - 1);
    }
    return value;
}

void set_le_word(std::array<uint8, 16>& bytes, std::size_t at, std::size_t count, uint32 value) {
    for (std::size_t i = 0; i < count; ++i) {
        bytes.at(at + i) = static_cast<uint8>(value >> (8 * i));
    }
}

// The text form into a caller buffer; the snprintf result (the untruncated length).
int format_guid(char* buffer, std::size_t size, const guid16& id) {
    const auto& b = id.bytes;
    return std::snprintf(buffer, size, guid_format, id.data1(), id.data2(), id.data3(), b[8], b[9],
                         b[10], b[11], b[12], b[13], b[14], b[15]);
}

char tag_char(uint8 value) { return value >= '0' && value <= 'z' ? static_cast<char>(value) : '.'; }

// One hexadecimal number of at most `bits` bits after optional blanks (and an optional 0x,
// as a hex stream read takes it). False when no digit is there or the value does not fit.
bool read_hex_field(std::string_view text, std::size_t& at, unsigned bits, uint64& out) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) {
        ++at;
    }
    if (text.size() - at > 2 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(text[at + 2])) != 0) {
        at += 2;
    }
    const uint64 limit = bits >= 64 ? ~uint64{0} : (uint64{1} << bits) - 1;
    uint64 value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at])) != 0; ++at) {
        const char c = text[at];
        const auto digit = static_cast<uint64>(std::isdigit(static_cast<unsigned char>(c)) != 0
                                                   ? c - '0'
                                                   : std::tolower(c) - 'a' + 10);
        if (value > (limit - digit) / 16) {
            return false;
        }
        value = value * 16 + digit;
        ++digits;
    }
    out = value;
    return digits > 0;
}

// One separator: any single character other than a blank, after optional blanks.
bool skip_separator(std::string_view text, std::size_t& at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) {
        ++at;
    }
    if (at >= text.size()) {
        return false;
    }
    ++at;
    return true;
}

}  // namespace

void guid16::clear() { bytes.fill(0); }
uint32 guid16::data1() const { return le_word(bytes, data1_at, 4); }
uint16 guid16::data2() const { return static_cast<uint16>(le_word(bytes, data2_at, 2)); }
uint16 guid16::data3() const { return static_cast<uint16>(le_word(bytes, data3_at, 2)); }
void guid16::set_data1(uint32 value) { set_le_word(bytes, data1_at, 4, value); }
void guid16::set_data2(uint16 value) { set_le_word(bytes, data2_at, 2, value); }
void guid16::set_data3(uint16 value) { set_le_word(bytes, data3_at, 2, value); }

void guid_clear(guid16& id) { id.clear(); }

void guid_copy(guid16& id, const void* source) {
    if (source != nullptr) {
        std::memcpy(id.bytes.data(), source, guid_size);
    }
}

bool guid_is_null(const guid16& id) {
    for (const uint8 b : id.bytes) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

bool guid16_equal(const guid16& a, const guid16& b) { return a.bytes == b.bytes; }
bool guid16_not_equal(const guid16& a, const guid16& b) { return a.bytes != b.bytes; }

std::string guid_to_string(const guid16& id) {
    std::array<char, format_buffer_size> buffer{};
    (void)format_guid(buffer.data(), buffer.size(), id);  // 36 characters always fit
    return std::string(buffer.data());
}

bool guid_to_string_out(std::string& out, const guid16* id) {
    out.clear();
    if (id == nullptr) {
        return false;
    }
    out = guid_to_string(*id);
    return true;
}

std::string guid_to_text(const guid16& id, int flag) {
    if (flag == 0) {
        return guid_to_string(id);
    }
    std::string out;
    // 16 bytes are never empty, so the conversion cannot fail.
    (void)bytes_to_hex_text(out, id.bytes.data(), id.bytes.size(), "", false);
    return out;
}

bool guid_to_cstr(char* buffer, std::size_t size, const void* source) {
    if (buffer == nullptr || source == nullptr || size <= guid_text_length) {
        return false;
    }
    guid16 id;
    guid_copy(id, source);
    if (size < tagged_buffer_size) {
        (void)format_guid(buffer, size, id);
        return true;
    }
    const auto& b = id.bytes;
    const std::string text = guid_to_string(id);
    (void)std::snprintf(buffer, size, "%s %c%c%c%c", text.c_str(), tag_char(b[0]), tag_char(b[1]),
                        tag_char(b[2]), tag_char(b[3]));
    return true;
}

bool guid_to_initializer_text(std::string& out, const guid16& id) {
    std::array<char, format_buffer_size> buffer{};
    const auto& b = id.bytes;
    (void)std::snprintf(buffer.data(), buffer.size(),
                        "0x%08x, 0x%04x, 0x%04x, 0x%02x, 0x%02x, 0x%02x, 0x%02x, 0x%02x, "
                        "0x%02x, 0x%02x, 0x%02x",
                        id.data1(), id.data2(), id.data3(), b[8], b[9], b[10], b[11], b[12], b[13],
                        b[14], b[15]);
    out = buffer.data();
    return true;
}

bool guid_key_to_initializer_text(std::string& out, const guid16& id, uint16 key) {
    (void)guid_to_initializer_text(out, id);  // always true
    out += ", ";
    out += std::to_string(key);
    return true;
}

bool parse_guid_text(const std::string& text, guid16& out) {
    // Shorter than "0-0-0-0-0" spelled with its usual zero padding is no GUID text.
    constexpr std::size_t minimum_length = 22;
    if (text.size() < minimum_length) {
        return false;
    }
    const std::string_view view(text);
    std::size_t at = 0;
    uint64 d1 = 0;
    uint64 d2 = 0;
    uint64 d3 = 0;
    uint64 d4_high = 0;
    uint64 d4_low = 0;
    if (!read_hex_field(view, at, 32, d1) || !skip_separator(view, at) ||
        !read_hex_field(view, at, 16, d2) || !skip_separator(view, at) ||
        !read_hex_field(view, at, 16, d3) || !skip_separator(view, at) ||
        !read_hex_field(view, at, 16, d4_high) || !skip_separator(view, at) ||
        !read_hex_field(view, at, 64, d4_low)) {
        return false;
    }
    guid16 id;
    id.set_data1(static_cast<uint32>(d1));
    id.set_data2(static_cast<uint16>(d2));
    id.set_data3(static_cast<uint16>(d3));
    id.bytes[data4_at] = static_cast<uint8>(d4_high >> 8);
    id.bytes[data4_at + 1] = static_cast<uint8>(d4_high);
    // Only the low 48 bits of the last group are kept: bytes 10 to 15, most significant first.
    for (std::size_t i = 0; i < 6; ++i) {
        id.bytes[guid_size - 1 - i] = static_cast<uint8>(d4_low >> (8 * i));
    }
    out = id;
    return true;
}

bool net_address_to_text(const uint8* bytes, int kind, std::string& out) {
    out.clear();
    if (bytes == nullptr || (kind != 4 && kind != 6 && kind != 8)) {
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(kind);
    std::array<uint8, 8> b{};
    std::memcpy(b.data(), bytes, count);
    std::array<char, format_buffer_size> buffer{};
    if (kind == 4) {
        (void)std::snprintf(buffer.data(), buffer.size(), "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    } else if (kind == 6) {
        (void)std::snprintf(buffer.data(), buffer.size(), "%02x:%02x:%02x:%02x:%02x:%02x", b[0],
                            b[1], b[2], b[3], b[4], b[5]);
    } else {
        (void)std::snprintf(buffer.data(), buffer.size(), "%02x:%02x:%02x:%02x:%02x:%02x:%02x:%02x",
                            b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    }
    out = buffer.data();
    return true;
}

bool uint32_to_be_bytes(uint32 value, std::array<uint8, 4>& out) {
    for (std::size_t i = 0; i < 4; ++i) {
        out.at(i) = static_cast<uint8>(value >> (8 * (3 - i)));
    }
    return true;
}

bool ipv4_to_text(uint32 value, std::string& out) {
    std::array<uint8, 4> b{};
    (void)uint32_to_be_bytes(value, b);  // always true
    return net_address_to_text(b.data(), 4, out);
}
