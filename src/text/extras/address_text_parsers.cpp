#include "text/extras/address_text_parsers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <limits>
#include <string_view>
#include <vector>

#include "io/uni_encoding.h"
#include "text/number_text.h"
#include "text/text_replace.h"
#include "text/text_split.h"

namespace {

constexpr std::size_t ipv4_parts = 4;
constexpr uint32 ipv4_part_max = 255;
constexpr std::size_t ipv6_size = 16;
// "::" is widened to the colons of eight groups only while the text can still be short of
// them; with 7 colons the groups are all there already.
constexpr std::size_t ipv6_colons = 7;
constexpr std::size_t ipv6_max_colons_to_expand = 6;
constexpr std::size_t guid_size = 16;
constexpr std::size_t guid_min_text = 22;
constexpr std::size_t guid_hex_digits = 32;
constexpr std::size_t data4_at = 8;
// Blank positions that cut 32 digits into 8, 4, 4 and 16; inserted from the back so the
// earlier positions still count in the original text.
constexpr std::array<std::size_t, 3> guid_hex_cuts = {16, 12, 8};

// A hex number as a C scan reads one: blanks skipped, an optional "0x", then the digits. A
// value too wide for 64 bits saturates, as the runtime's conversions do. False, at unmoved,
// when no digit is there.
bool scan_hex(std::string_view text, std::size_t& at, uint64& out) {
    std::size_t pos = at;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])) != 0) {
        ++pos;
    }
    if (text.size() - pos > 2 && text[pos] == '0' && (text[pos + 1] | 0x20) == 'x' &&
        std::isxdigit(static_cast<unsigned char>(text[pos + 2])) != 0) {
        pos += 2;
    }
    const std::string_view digits = text.substr(pos);
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();
    uint64 value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 16);
    if (end == first) {
        return false;
    }
    out = error == std::errc::result_out_of_range ? std::numeric_limits<uint64>::max() : value;
    at = pos + static_cast<std::size_t>(end - first);
    return true;
}

void put_be(byte_array& out, std::size_t at, std::size_t count, uint64 value) {
    for (std::size_t i = 0; i < count; ++i) {
        out.at(at + count - 1 - i) = static_cast<uint8>(value >> (8 * i));
    }
}

void put_le(byte_array& out, std::size_t at, std::size_t count, uint64 value) {
    for (std::size_t i = 0; i < count; ++i) {
        out.at(at + i) = static_cast<uint8>(value >> (8 * i));
    }
}

char ipv4_separator(std::string_view text) {
    for (const char candidate : {'.', ':', '-'}) {
        if (text.find(candidate) != std::string_view::npos) {
            return candidate;
        }
    }
    return 0;
}

}  // namespace

bool ipv4_to_wtext(uint32 address, std::wstring& out) {
    out.clear();
    std::string text;
    if (!ipv4_to_text(address, text)) {
        return false;
    }
    return uni::utf8_to_wstring(out, text);
}

bool ipv4_text_to_uint32(const char* text, uint32& value, bool swap) {
    value = 0;
    if (text == nullptr) {
        return false;
    }
    const char separator = ipv4_separator(text);
    std::vector<std::string> parts;
    if (separator == 0 || !split_on_char(text, separator, parts, false, false, false) ||
        parts.size() != ipv4_parts) {
        return false;
    }
    for (std::size_t i = 0; i < ipv4_parts; ++i) {
        uint32 part = 0;
        if (!parse_uint32(parts[i].c_str(), &part) || part > ipv4_part_max) {
            return false;
        }
        value |= part << (8 * (ipv4_parts - 1 - i));
    }
    if (swap) {
        value = (value >> 24) | ((value >> 8) & 0xFF00U) | ((value << 8) & 0xFF0000U) |
                (value << 24);
    }
    return true;
}

bool ipv6_text_to_bytes(const std::string& text, byte_array& out) {
    out.clear();
    if (text.empty()) {
        out.assign(ipv6_size, 0);
        return true;
    }
    std::string expanded = text;
    const auto colons = static_cast<std::size_t>(std::count(text.begin(), text.end(), ':'));
    if (colons <= ipv6_max_colons_to_expand) {
        std::string shorthand = "::";
        // No "::" leaves the text as it is; the group count decides below.
        (void)replace_first(expanded, shorthand, "::" + std::string(ipv6_colons - colons, ':'),
                            false);
    }
    std::vector<std::string> groups;
    if (!split_on_char(expanded, ':', groups, false, true, false) ||
        groups.size() * 2 != ipv6_size) {
        return false;
    }
    out.assign(ipv6_size, 0);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        std::size_t at = 0;
        uint64 group = 0;
        (void)scan_hex(groups[i], at, group);  // a group with no digit stays 0
        put_be(out, 2 * i, 2, group);
    }
    return true;
}

void guid16_from_hex32(guid16& out, std::string& text) {
    if (text.size() != guid_hex_digits) {
        return;
    }
    out.clear();
    for (const std::size_t cut : guid_hex_cuts) {
        text.insert(cut, 1, ' ');
    }
    byte_array bytes(guid_size, 0);
    const std::array<std::size_t, 4> widths = {4, 2, 2, 8};
    std::size_t at = 0;
    std::size_t field_at = 0;
    for (std::size_t field = 0; field < widths.size(); ++field) {
        uint64 value = 0;
        if (!scan_hex(text, at, value)) {
            break;
        }
        if (field == widths.size() - 1) {
            put_be(bytes, field_at, widths[field], value);
        } else {
            put_le(bytes, field_at, widths[field], value);
        }
        field_at += widths[field];
    }
    guid_copy(out, bytes.data());
}

bool guid_text_to_bytes(const std::string& text, byte_array& out) {
    out.clear();
    if (text.size() < guid_min_text) {
        return false;
    }
    std::array<uint64, 5> fields{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            ++at;  // the separator, whatever character it is
        }
        if (at > text.size() || !scan_hex(text, at, fields.at(i))) {
            return false;
        }
    }
    out.assign(guid_size, 0);
    put_le(out, 0, 4, fields[0]);
    put_le(out, 4, 2, fields[1]);
    put_le(out, 6, 2, fields[2]);
    put_be(out, data4_at, 2, fields[3]);
    put_be(out, data4_at + 2, 6, fields[4]);
    return true;
}
