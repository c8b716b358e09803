#include "io/uni_encoding.h"

#include <cstring>
#include <limits>
#include <new>
#include <span>

#include "text/byte_reader.h"

namespace uni {

utf8_locale g_utf8_locale;

namespace {

constexpr uint32 max_code_point = 0x10FFFF;
constexpr uint32 high_surrogate_first = 0xD800;
constexpr uint32 high_surrogate_last = 0xDBFF;
constexpr uint32 low_surrogate_first = 0xDC00;
constexpr uint32 low_surrogate_last = 0xDFFF;
// U+FFFD, which stands for a unit that names no character.
constexpr uint32 replacement_character = 0xFFFD;
constexpr uint32 supplementary_base = 0x10000;

// Decodes the sequence starting at pos of a std::string or byte_array. On a fault (stray
// continuation byte, lead byte 0xF8-0xFF, missing or wrong continuation byte, input ending
// inside a sequence) it returns false with pos and cp unchanged. Overlong forms, surrogates
// and values up to 0x1FFFFF pass: the decoder reproduces stored text, it does not judge it.
template <class Bytes>
bool decode_one(const Bytes& in, std::size_t& pos, uint32& cp) {
    const auto lead = static_cast<uint8>(in[pos]);
    if (lead < 0x80) {
        cp = lead;
        ++pos;
        return true;
    }
    std::size_t extra = 0;
    uint32 value = 0;
    if (lead < 0xC0 || lead >= 0xF8) {
        return false;
    }
    if (lead < 0xE0) {
        extra = 1;
        value = lead & 0x1Fu;
    } else if (lead < 0xF0) {
        extra = 2;
        value = lead & 0x0Fu;
    } else {
        extra = 3;
        value = lead & 0x07u;
    }
    if (in.size() - pos - 1 < extra) {
        return false;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        const auto next = static_cast<uint8>(in[pos + i]);
        if ((next & 0xC0u) != 0x80u) {
            return false;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    cp = value;
    pos += extra + 1;
    return true;
}

// Runs the decoder over the whole input, handing each code point to sink. False for empty
// input or at the first fault, after the code points before it were handed on.
template <class Bytes, class Sink>
bool decode_all(const Bytes& in, Sink&& sink) {
    if (in.empty()) {
        return false;
    }
    std::size_t pos = 0;
    while (pos < in.size()) {
        uint32 cp = 0;
        if (!decode_one(in, pos, cp)) {
            return false;
        }
        sink(cp);
    }
    return true;
}

template <class Bytes>
bool decode_to_wide(std::wstring& out, const Bytes& in) {
    out.clear();
    return decode_all(in, [&out](uint32 cp) { out.push_back(static_cast<wchar_t>(cp)); });
}

// Appends the UTF-8 form of cp; false (nothing appended) above 0x10FFFF.
bool encode_one(uint32 cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0u | (cp >> 6)));
        out.push_back(static_cast<char>(0x80u | (cp & 0x3Fu)));
    } else if (cp <= 0xFFFF) {
        out.push_back(static_cast<char>(0xE0u | (cp >> 12)));
        out.push_back(static_cast<char>(0x80u | ((cp >> 6) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | (cp & 0x3Fu)));
    } else if (cp <= max_code_point) {
        out.push_back(static_cast<char>(0xF0u | (cp >> 18)));
        out.push_back(static_cast<char>(0x80u | ((cp >> 12) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | ((cp >> 6) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | (cp & 0x3Fu)));
    } else {
        return false;
    }
    return true;
}

bool is_high_surrogate(uint32 unit) {
    return unit >= high_surrogate_first && unit <= high_surrogate_last;
}

bool is_low_surrogate(uint32 unit) {
    return unit >= low_surrogate_first && unit <= low_surrogate_last;
}

// Walks count UTF-16 units read through unit_at(i), combining surrogate pairs, and hands
// each code point to sink. A high surrogate that is last or not followed by a low one ends
// the walk with false; a lone low surrogate is handed on as it stands.
template <class UnitAt, class Sink>
bool walk_utf16(std::size_t count, UnitAt&& unit_at, Sink&& sink) {
    for (std::size_t i = 0; i < count; ++i) {
        const uint32 unit = unit_at(i);
        if (!is_high_surrogate(unit)) {
            sink(unit);
            continue;
        }
        if (i + 1 >= count) {
            return false;
        }
        const uint32 low = unit_at(i + 1);
        if (!is_low_surrogate(low)) {
            return false;
        }
        sink(supplementary_base + ((unit - high_surrogate_first) << 10) +
             (low - low_surrogate_first));
        ++i;
    }
    return true;
}

// Walks count UTF-16 units as walk_utf16 does, but hands on U+FFFD for every surrogate that
// is not half of a pair, high or low, and goes on with the next unit. Encoded as it stands a
// lone surrogate becomes three bytes that are not UTF-8 (41 D800 42 as 41 ED A0 80 42), which
// a report must never carry; cutting the text there would lose what follows.
template <class UnitAt, class Sink>
void walk_utf16_replacing(std::size_t count, UnitAt&& unit_at, Sink&& sink) {
    for (std::size_t i = 0; i < count; ++i) {
        const uint32 unit = unit_at(i);
        if (is_high_surrogate(unit) && i + 1 < count && is_low_surrogate(unit_at(i + 1))) {
            sink(supplementary_base + ((unit - high_surrogate_first) << 10) +
                 (unit_at(i + 1) - low_surrogate_first));
            ++i;
            continue;
        }
        const bool lone = is_high_surrogate(unit) || is_low_surrogate(unit);
        sink(lone ? replacement_character : unit);
    }
}

// The UTF-16 encoder over count units; the caller has checked that count >= 1.
template <class UnitAt>
bool utf16_units_to_utf8(std::string& out, std::size_t count, UnitAt&& unit_at) {
    out.clear();
    try {
        out.reserve(count + 256);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Every code point the walk yields is at most 0x10FFFF, so encode_one cannot fail.
    walk_utf16_replacing(count, unit_at, [&out](uint32 cp) { (void)encode_one(cp, out); });
    return true;
}

// Little-endian unit i of a byte buffer that holds at least 2i + 2 bytes.
template <class Bytes>
uint32 le_unit_at(const Bytes& bytes, std::size_t i) {
    return static_cast<uint32>(static_cast<uint8>(bytes[2 * i])) |
           (static_cast<uint32>(static_cast<uint8>(bytes[2 * i + 1])) << 8);
}

bool mark_matches(const void* data, const uint8* mark, std::size_t size) {
    return data != nullptr && std::memcmp(data, mark, size) == 0;
}

template <std::size_t n>
byte_array& append_mark(byte_array& out, const std::array<uint8, n>& mark) {
    out.insert(out.end(), mark.begin(), mark.end());
    return out;
}

}  // namespace

// ---- UTF-8 to wide text and to code points ----

bool utf8_decode(std::wstring& out, const std::string& in) { return decode_to_wide(out, in); }

bool utf8_to_wstring(std::wstring& out, const std::string& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    return utf8_decode(out, in);
}

std::wstring utf8_to_wstring(const std::string& in) {
    std::wstring out;
    if (!utf8_to_wstring(out, in)) {
        return {};
    }
    return out;
}

bool utf8_bytes_to_wstring(std::wstring& out, const byte_array& in) {
    return decode_to_wide(out, in);
}

std::wstring utf8_bytes_to_wstring(const byte_array& in) {
    std::wstring out;
    if (!utf8_bytes_to_wstring(out, in)) {
        return {};
    }
    return out;
}

bool utf8_to_codepoints(std::vector<uint32_t>& out, const std::string& in) {
    out.clear();
    return decode_all(in, [&out](uint32 cp) { out.push_back(cp); });
}

uint32_t utf8_length(const std::string& in) {
    std::size_t count = 0;
    if (!decode_all(in, [&count](uint32) { ++count; })) {
        return 0;
    }
    // A text of more than 4G characters reports the largest count the result can hold.
    if (count > std::numeric_limits<uint32_t>::max()) {
        return std::numeric_limits<uint32_t>::max();
    }
    return static_cast<uint32_t>(count);
}

bool utf8_list_to_wide(std::vector<std::wstring>& out, const std::vector<std::string>& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    for (const std::string& item : in) {
        std::wstring wide;
        // A malformed or empty element still takes its place in the list, with the part
        // decoded before its fault, so positions stay aligned with the input.
        (void)utf8_to_wstring(wide, item);
        out.push_back(std::move(wide));
    }
    return true;
}

// ---- Wide text and code points to UTF-8 ----

bool codepoints_to_utf8(std::string& out, const std::vector<uint32_t>& in) {
    out.clear();
    for (const uint32_t cp : in) {
        if (!encode_one(cp, out)) {
            return false;
        }
    }
    return true;
}

bool encode_utf8(std::string& out, const std::wstring& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    std::vector<uint32_t> points;
    try {
        points.reserve(in.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (const wchar_t ch : in) {
        // A negative wchar_t becomes a value with the top bit set, which the encoder refuses.
        points.push_back(static_cast<uint32_t>(ch));
    }
    return codepoints_to_utf8(out, points);
}

bool wstring_to_utf8(std::string& out, const std::wstring& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    return encode_utf8(out, in);
}

std::string wstring_to_utf8(const std::wstring& in) {
    std::string out;
    // The prefix encoded before an out-of-range character is the result either way.
    (void)wstring_to_utf8(out, in);
    return out;
}

bool wide_list_to_utf8(std::vector<std::string>& out, const std::vector<std::wstring>& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    for (const std::wstring& item : in) {
        std::string narrow;
        (void)wstring_to_utf8(narrow, item);  // keeps the prefix of a bad element
        out.push_back(std::move(narrow));
    }
    return true;
}

bool wstring_to_utf8_bytes(byte_array& out, const std::wstring& in) {
    out.clear();
    std::string text;
    if (!wstring_to_utf8(text, in)) {
        return false;
    }
    out.assign(text.begin(), text.end());
    return true;
}

// ---- UTF-16 ----

bool utf16le_to_utf8(std::string& out, const uint16_t* units, uint32_t byte_count) {
    if (units == nullptr || byte_count < 2) {
        return false;
    }
    const std::span<const uint16_t> view(units, byte_count / 2);
    return utf16_units_to_utf8(out, view.size(), [view](std::size_t i) { return view[i]; });
}

bool utf16_to_utf8(std::string& out, const std::vector<uint16_t>& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    // Walked directly rather than through the 32-bit byte count, so any length converts.
    return utf16_units_to_utf8(out, in.size(), [&in](std::size_t i) { return in[i]; });
}

bool utf16le_string_to_utf8(std::string& out, const std::string& in) {
    out.clear();
    if (in.size() < 2) {
        return false;
    }
    // The bytes carry no alignment, so units are assembled from byte pairs, little-endian.
    return utf16_units_to_utf8(out, in.size() / 2,
                               [&in](std::size_t i) { return le_unit_at(in, i); });
}

bool utf16_to_utf8_bytes(byte_array& out, const std::vector<uint16_t>& in) {
    out.clear();
    std::string text;
    if (!utf16_to_utf8(text, in)) {
        return false;
    }
    out.assign(text.begin(), text.end());
    return true;
}

std::string utf16_to_utf8(const std::vector<uint16_t>& in) {
    std::string out;
    if (!utf16_to_utf8(out, in)) {
        return {};
    }
    return out;
}

std::string utf16_to_utf8_text(const std::vector<uint16_t>& in) { return utf16_to_utf8(in); }

bool utf16_to_wstring(std::wstring& out, const std::vector<uint16_t>& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    std::string text;
    // False only when no memory is left; lone surrogates come out as U+FFFD.
    const bool converted = utf16_to_utf8(text, in);
    // The UTF-8 that the encoder writes always decodes.
    (void)utf8_decode(out, text);
    return converted && !out.empty();
}

bool utf16_to_codepoints(std::vector<uint32_t>& out, const std::vector<uint16_t>& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    return walk_utf16(
        in.size(), [&in](std::size_t i) { return in[i]; },
        [&out](uint32 cp) { out.push_back(cp); });
}

bool utf16le_bytes_to_codepoints(std::vector<uint32_t>& out, const byte_array& in) {
    out.clear();
    if (in.empty() || in.size() % 2 != 0) {
        return false;
    }
    return walk_utf16(
        in.size() / 2, [&in](std::size_t i) { return le_unit_at(in, i); },
        [&out](uint32 cp) { out.push_back(cp); });
}

bool codepoints_to_utf16(std::vector<uint16_t>& out, const std::vector<uint32_t>& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    for (const uint32_t cp : in) {
        if ((cp >= high_surrogate_first && cp <= low_surrogate_last) || cp > max_code_point) {
            return false;
        }
        if (cp < supplementary_base) {
            out.push_back(static_cast<uint16_t>(cp));
            continue;
        }
        out.push_back(
            static_cast<uint16_t>(high_surrogate_first + ((cp - supplementary_base) >> 10)));
        out.push_back(static_cast<uint16_t>(low_surrogate_first + (cp & 0x3FFu)));
    }
    return true;
}

bool utf8_to_utf16(std::vector<uint16_t>& out, const std::string& in) {
    out.clear();
    std::vector<uint32_t> points;
    const bool decoded = utf8_to_codepoints(points, in);
    if (points.empty()) {
        return false;
    }
    // The code points decoded before a fault are still converted, as every out form keeps
    // its prefix.
    const bool encoded = codepoints_to_utf16(out, points);
    return decoded && encoded;
}

bool utf8_bytes_to_utf16(std::vector<uint16_t>& out, const byte_array& in) {
    out.clear();
    std::wstring probe;
    if (in.empty() || !utf8_bytes_to_wstring(probe, in)) {
        return false;
    }
    return utf8_to_utf16(out, bytes_to_string(in));
}

bool bytes_to_utf16(std::vector<uint16_t>& out, const uint8_t* data, uint32_t length) {
    const kq::byte_reader bytes(data, length);
    out.clear();
    if (bytes.empty()) {
        return false;
    }
    try {
        out.resize(bytes.size() / 2);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        uint16 unit = 0;
        // Always present: the loop stops at size / 2 units.
        (void)bytes.le16_at(2 * i, unit);
        out[i] = unit;
    }
    return true;
}

bool bytes_to_utf16(std::vector<uint16_t>& out, const byte_array& in) {
    out.clear();
    if (in.empty() || in.size() > std::numeric_limits<uint32_t>::max()) {
        return false;
    }
    return bytes_to_utf16(out, in.data(), static_cast<uint32_t>(in.size()));
}

std::wstring utf16_units_to_wstring(const std::vector<uint16_t>& in) {
    return std::wstring(in.begin(), in.end());
}

std::vector<uint16_t> wstring_to_utf16_units(const std::wstring& in) {
    std::vector<uint16_t> out;
    out.reserve(in.size());
    for (const wchar_t ch : in) {
        out.push_back(static_cast<uint16_t>(static_cast<uint32_t>(ch) & 0xFFFFu));
    }
    return out;
}

// ---- Bytes and Latin-1 ----

std::string bytes_to_string(const byte_array& in) { return std::string(in.begin(), in.end()); }

bool string_to_bytes(byte_array& out, const std::string& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    out.assign(in.begin(), in.end());
    return true;
}

bool latin1_to_utf8(std::string& out, const std::string& in) {
    out.clear();
    if (in.empty()) {
        return false;
    }
    for (const char ch : in) {
        // Every Latin-1 byte is below 0x100, so the encoder writes one or two bytes.
        (void)encode_one(static_cast<uint8>(ch), out);
    }
    return true;
}

// ---- Byte-order marks ----

bool is_bom_utf_ebcdic(const void* data) {
    return mark_matches(data, bom_table::utf_ebcdic.data(), bom_table::utf_ebcdic.size());
}
bool is_bom_utf7(const void* data) {
    return mark_matches(data, bom_table::utf7.data(), bom_table::utf7.size());
}
bool is_bom_bocu1(const void* data) {
    return mark_matches(data, bom_table::bocu1.data(), bom_table::bocu1.size());
}
bool is_bom_scsu(const void* data) {
    return mark_matches(data, bom_table::scsu.data(), bom_table::scsu.size());
}
bool is_bom_utf32be(const void* data) {
    return mark_matches(data, bom_table::utf32be.data(), bom_table::utf32be.size());
}
bool is_bom_utf32le(const void* data) {
    return mark_matches(data, bom_table::utf32le.data(), bom_table::utf32le.size());
}
bool is_bom_utf16be(const void* data) {
    return mark_matches(data, bom_table::utf16be.data(), bom_table::utf16be.size());
}
bool is_bom_utf16le(const void* data) {
    return mark_matches(data, bom_table::utf16le.data(), bom_table::utf16le.size());
}
bool is_bom_utf8(const void* data) {
    return mark_matches(data, bom_table::utf8.data(), bom_table::utf8.size());
}

byte_array& append_utf_ebcdic_bom(byte_array& out) {
    return append_mark(out, bom_table::utf_ebcdic);
}
byte_array& append_utf7_bom(byte_array& out) { return append_mark(out, bom_table::utf7); }
byte_array& append_bocu1_bom(byte_array& out) { return append_mark(out, bom_table::bocu1); }
byte_array& append_scsu_bom(byte_array& out) { return append_mark(out, bom_table::scsu); }
byte_array& append_utf32be_bom(byte_array& out) { return append_mark(out, bom_table::utf32be); }
byte_array& append_utf32le_bom(byte_array& out) { return append_mark(out, bom_table::utf32le); }
byte_array& append_utf16be_bom(byte_array& out) { return append_mark(out, bom_table::utf16be); }
byte_array& append_utf16le_bom(byte_array& out) { return append_mark(out, bom_table::utf16le); }
byte_array& append_utf8_bom(byte_array& out) { return append_mark(out, bom_table::utf8); }

}  // namespace uni
