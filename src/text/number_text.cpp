#include "text/number_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string_view>

#include "io/uni_encoding.h"
#include "text/byte_reader.h"
#include "text/text_case.h"
#include "text/text_split.h"
#include "text/utf16_text.h"

namespace {

// Value of one digit in the given base, or -1.
int digit_value(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') {
        v = c - '0';
    } else if (c >= 'a' && c <= 'z') {
        v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'Z') {
        v = c - 'A' + 10;
    }
    return v < base ? v : -1;
}

// What strtoul does when long is 32 bits wide: leading white space skipped, an optional
// sign, an optional "0x" in base 16, then digits; a magnitude above 0xFFFFFFFF gives
// 0xFFFFFFFF, a leading '-' negates modulo 2^32. Written out because long is 64 bits here.
uint32 strtoul32(const char* text, int base) {
    std::string_view s(text);
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (base == 16 && i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') &&
        digit_value(s[i + 2], 16) >= 0) {
        i += 2;
    }
    uint64 magnitude = 0;
    bool saturated = false;
    for (; i < s.size(); ++i) {
        const int d = digit_value(s[i], base);
        if (d < 0) {
            break;
        }
        magnitude = magnitude * static_cast<uint64>(base) + static_cast<uint64>(d);
        if (magnitude > 0xFFFFFFFFull) {
            saturated = true;
            magnitude = 0xFFFFFFFFull;
        }
    }
    if (saturated) {
        return 0xFFFFFFFFu;
    }
    const auto value = static_cast<uint32>(magnitude);
    return negative ? static_cast<uint32>(0u - value) : value;
}

// What strtol does when long is 32 bits wide: decimal, clamped to the int range.
int strtol32(const char* text) {
    const long long v = std::strtoll(text, nullptr, 10);
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::string trimmed_lower_copy(const char* text) {
    std::string copy(text);
    (void)trim_whitespace(copy);  // an all-blank text simply becomes empty
    string_to_lower(copy);
    return copy;
}

bool is_sign_or_digit(char c) { return c == '+' || c == '-' || (c >= '0' && c <= '9'); }

// A minus sign before the digits (after leading white space, as strtoul skips it). The
// unsigned parsers refuse it: "-5" read as 2^32 - 5 or 2^64 - 5 is a number no text meant.
bool has_minus_sign(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of(" \t\n\v\f\r");
    return first != std::string_view::npos && digits[first] == '-';
}

}  // namespace

bool parse_uint32(const char* text, uint32* out) {
    if (out != nullptr) {
        *out = 0;
    }
    if (out == nullptr || text == nullptr || text[0] == '\0') {
        return false;
    }
    const std::string copy = trimmed_lower_copy(text);
    const std::string_view caller(text);
    // The copy is a trimmed substring of the caller's text, so offsets 1 and 2 exist there.
    int base = 0;
    std::string_view digits;
    if (copy.size() >= 2 && copy[1] == 'x') {
        base = 16;
        digits = caller.substr(std::min<std::size_t>(2, caller.size()));
    } else if (!copy.empty() && (copy[0] == 'x' || copy[0] == 'o')) {
        base = copy[0] == 'x' ? 16 : 8;
        digits = caller.substr(1);
    } else if (is_sign_or_digit(caller[0])) {
        base = 10;
        digits = caller;
    }
    if (base != 0) {
        if (has_minus_sign(digits)) {
            return false;
        }
        *out = strtoul32(digits.data(), base);  // digits ends where text ends: at its NUL
        return true;
    }
    if (copy.size() == 3 && caller.size() >= 3 && caller[0] == '\'' && caller[2] == '\'') {
        *out = static_cast<unsigned char>(caller[1]);
        return true;
    }
    return false;
}

bool string_to_uint32(const std::string& text, uint32* out) {
    return parse_uint32(text.c_str(), out);
}

bool wide_text_to_uint32(const std::wstring& text, uint32* out) {
    std::string narrow;
    wstring_to_narrow_lossy(text, narrow);
    return parse_uint32(narrow.c_str(), out);
}

bool wcstr_to_uint32(const wchar_t* text, uint32* out) {
    if (text == nullptr) {
        return parse_uint32(nullptr, out);
    }
    return parse_uint32(uni::wstring_to_utf8(std::wstring(text)).c_str(), out);
}

bool parse_int_text(const char* text, int* out) {
    if (out != nullptr) {
        *out = 0;
    }
    if (out == nullptr || text == nullptr || text[0] == '\0') {
        return false;
    }
    const std::string copy = trimmed_lower_copy(text);
    const std::size_t x_at = copy.find('x');
    if (x_at != std::string::npos) {
        // The unsigned 32-bit result is kept bit for bit: 0xffffffff reads as -1.
        *out = static_cast<int>(strtoul32(copy.c_str() + x_at + 1, 16));
        return true;
    }
    const std::size_t o_at = copy.find('o');
    if (o_at != std::string::npos) {
        *out = static_cast<int>(strtoul32(copy.c_str() + o_at + 1, 8));
        return true;
    }
    if (copy.empty() || !is_sign_or_digit(copy[0])) {
        return false;
    }
    *out = strtol32(copy.c_str());
    return true;
}

bool string_to_int(const std::string& text, int* out) { return parse_int_text(text.c_str(), out); }

bool wcstr_to_int(const wchar_t* text, int* out) {
    if (text == nullptr) {
        return parse_int_text(nullptr, out);
    }
    return parse_int_text(uni::wstring_to_utf8(std::wstring(text)).c_str(), out);
}

namespace {

// The standard stream extraction of an unsigned 64-bit number in the given base: an
// optional sign (a '-' negates modulo 2^64), in base 16 an optional "0x", then digits up to
// the first character that is not one. No digit gives 0 and true; a magnitude beyond 64
// bits gives false, where the stream would store its maximum with the fail bit.
bool read_uint64_digits(std::string_view s, int base, uint64& value) {
    value = 0;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (base == 16 && i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') &&
        digit_value(s[i + 2], 16) >= 0) {
        i += 2;
    }
    const auto b = static_cast<uint64>(base);
    uint64 v = 0;
    for (; i < s.size(); ++i) {
        const int d = digit_value(s[i], base);
        if (d < 0) {
            break;
        }
        if (v > (std::numeric_limits<uint64>::max() - static_cast<uint64>(d)) / b) {
            return false;
        }
        v = v * b + static_cast<uint64>(d);
    }
    value = negative ? 0 - v : v;
    return true;
}

// Longest text parse_uint64 looks at, leading blanks included; the longest number it takes
// is 2 + 16 hex digits, so 30 leaves room for blanks without reading unbounded input.
constexpr std::size_t uint64_text_limit = 30;

// The digits of a trimmed number text and their base: "0x"/"x" hexadecimal (a lone "x"
// prefix only in texts of three or more characters), "o" octal, else decimal.
std::string_view uint64_digits(std::string_view s, int& base) {
    const bool long_enough = s.size() > 2;
    if (long_enough && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        return s.substr(2);
    }
    if (long_enough && (s[0] == 'x' || s[0] == 'X')) {
        base = 16;
        return s.substr(1);
    }
    if (s[0] == 'o' || s[0] == 'O') {
        base = 8;
        return s.substr(1);
    }
    base = 10;
    return s;
}

}  // namespace

bool parse_uint64(const char* text, uint64* out) {
    if (out != nullptr) {
        *out = 0;
    }
    if (out == nullptr || text == nullptr) {
        return false;
    }
    std::size_t total = 0;
    while (text[total] != '\0' && total <= uint64_text_limit) {
        ++total;
    }
    if (total > uint64_text_limit) {
        return false;
    }
    const std::string_view all(text, total);
    const std::size_t first = all.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    const std::string_view s = all.substr(first);
    if (s.find(' ') != std::string_view::npos) {
        return false;
    }
    int base = 10;
    const std::string_view digits = uint64_digits(s, base);
    const std::size_t limit = base == 16 ? 16 : (base == 8 ? 22 : 20);
    if (digits.size() > limit) {
        return false;
    }
    uint64 value = 0;
    if (has_minus_sign(digits) || !read_uint64_digits(digits, base, value)) {
        return false;
    }
    *out = value;
    return true;
}

bool string_to_uint64(const std::string& text, uint64* out) {
    return parse_uint64(text.c_str(), out);
}

bool parse_int64_bits(const char* text, uint64* out) {
    if (out != nullptr) {
        *out = 0;
    }
    if (out == nullptr || text == nullptr) {
        return false;
    }
    const std::string_view all(text, strnlen(text, uint64_text_limit + 1));
    const std::size_t sign = all.find_first_not_of(' ');
    if (sign == std::string_view::npos || all[sign] != '-') {
        return parse_uint64(text, out);
    }
    constexpr uint64 largest_magnitude = uint64{1} << 63;
    uint64 magnitude = 0;
    if (sign + 1 >= all.size() || all[sign + 1] == ' ' ||
        !parse_uint64(text + sign + 1, &magnitude) || magnitude > largest_magnitude) {
        return false;
    }
    *out = 0 - magnitude;
    return true;
}

bool string_to_int64(std::string& text, int64* out) {
    if (out != nullptr) {
        *out = 0;
    }
    if (out == nullptr || text.empty()) {
        return false;
    }
    (void)trim_whitespace(text);  // an all-blank text becomes empty and is refused below
    string_to_lower(text);
    int base = 10;
    if (const std::size_t x_at = text.find('x'); x_at != std::string::npos) {
        text.erase(0, x_at + 1);
        base = 16;
    } else if (const std::size_t o_at = text.find('o'); o_at != std::string::npos) {
        text.erase(0, o_at + 1);
        base = 8;
    } else if (text.empty() || !is_sign_or_digit(text[0])) {
        return false;
    }
    // strtoll clamps at the 64-bit limits, which is what a 64-bit reader must report.
    *out = std::strtoll(text.c_str(), nullptr, base);
    return true;
}

bool cstr_to_int64(const char* text, int64* out) {
    std::string copy = text == nullptr ? std::string() : std::string(text);
    return string_to_int64(copy, out);
}

bool wstring_to_int64(const std::wstring& text, int64* out) {
    std::string narrow;
    wstring_to_narrow_lossy(text, narrow);
    return string_to_int64(narrow, out);
}

bool parse_number_list(const std::string& text, std::vector<int64>& out) {
    out.clear();
    std::vector<std::string> words;
    if (!split_words(text, words)) {
        return false;
    }
    for (std::string& word : words) {
        int64 value = 0;
        if (string_to_int64(word, &value)) {
            out.push_back(value);
        }
    }
    return !out.empty();
}

uint64 wtext_to_uint64(const std::wstring& text, const std::ios_base::fmtflags* base) {
    std::wistringstream in(text);
    in.setf(base == nullptr ? std::ios_base::dec : *base, std::ios_base::basefield);
    // The stream would read "-5" as 2^64 - 5: a negative text has no unsigned value.
    in >> std::ws;
    if (in.peek() == L'-') {
        return 0;
    }
    unsigned long long value = 0;
    in >> value;
    return in.fail() ? 0 : static_cast<uint64>(value);
}

bool parse_double(const char* text, double* out) {
    if (out != nullptr) {
        *out = 0;
    }
    if (out == nullptr || text == nullptr || text[0] == '\0') {
        return false;
    }
    *out = std::atof(text);
    return true;
}

namespace {

// Longest text parse_separated_bytes takes: room for 16 bytes written as "0xff." and more.
constexpr std::size_t separated_bytes_limit = 80;

char separator_of(const std::string& text) {
    for (const char c : {'.', ':', '-'}) {
        if (text.find(c) != std::string::npos) {
            return c;
        }
    }
    return '\0';
}

}  // namespace

bool parse_separated_bytes(const char* text, byte_array& out) {
    out.clear();
    if (text == nullptr) {
        return false;
    }
    const std::string all(text);
    if (all.size() > separated_bytes_limit) {
        return false;
    }
    const char separator = separator_of(all);
    std::vector<std::string> items;
    if (separator == '\0' || !split_on_char(all, separator, items, false, false, false) ||
        items.empty()) {
        return false;
    }
    const std::string& first = items.front();
    const bool marked_hex = (!first.empty() && (first[0] == 'x' || first[0] == 'X')) ||
                            (first.size() > 1 && (first[1] == 'x' || first[1] == 'X'));
    if (!marked_hex) {
        const bool has_letter = std::any_of(items.begin(), items.end(), [](const auto& item) {
            return item.find_first_of("abcdefABCDEF") != std::string::npos;
        });
        if (has_letter) {
            for (std::string& item : items) {
                item.insert(0, "0x");
            }
        }
    }
    for (const std::string& item : items) {
        uint32 value = 0;
        if (!parse_uint32(item.c_str(), &value)) {
            return false;
        }
        out.push_back(static_cast<uint8>(value & 0xFFu));
    }
    return true;
}

bool is_hex_digit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

namespace {

// Widest zero fill uint64_to_text writes: 16 digits hold any 64-bit value, so a larger
// width can only come from a caller's mistake and must not become a huge allocation.
constexpr int max_hex_width = 64;

int automatic_hex_width(uint64 value) {
    if (value <= 0xFEu) {
        return 2;
    }
    if (value <= 0xFFFEu) {
        return 4;
    }
    if (value <= 0xFFFFFEu) {
        return 6;
    }
    return 8;
}

}  // namespace

std::string uint64_to_text(uint64 value, bool hex, int width) {
    if (!hex) {
        return std::to_string(value);
    }
    const int digits = width <= 0 ? automatic_hex_width(value) : std::min(width, max_hex_width);
    std::ostringstream text;
    text << "0x" << std::hex << std::setfill('0') << std::setw(digits) << value;
    return text.str();
}

namespace {

// The fraction alone, formatted at the given significant digits with its "0" dropped
// (".25"). A fraction too small for the default notation would come out in exponent form
// ("1e-09"), which appended to the integer part would write a different number; it is
// written in fixed notation with the same significant digits instead (".000000001").
std::string fraction_text(double fraction, int precision) {
    std::ostringstream text;
    text << std::setprecision(precision) << fraction;
    std::string s = text.str();
    if (s.find('e') != std::string::npos) {
        const int exponent = static_cast<int>(std::floor(std::log10(fraction)));
        const int decimals = std::clamp(std::max(precision, 1) - 1 - exponent, 1, 400);
        std::ostringstream fixed;
        fixed << std::fixed << std::setprecision(decimals) << fraction;
        s = fixed.str();
        s.erase(s.find_last_not_of('0') + 1);
    }
    const std::size_t zero_point = s.find("0.");
    if (zero_point != std::string::npos) {
        s.erase(0, zero_point + 1);
    }
    return s;
}

}  // namespace

std::string& double_to_text(std::string& out, double value, int precision) {
    out.clear();
    // 2^64: the integer part is written as an unsigned 64-bit number, so larger magnitudes
    // (and NaN and the infinities) take the stream's default notation instead of a cast
    // that would be undefined.
    constexpr double two_to_64 = 18446744073709551616.0;
    if (!std::isfinite(value) || std::fabs(value) >= two_to_64) {
        std::ostringstream text;
        text << std::setprecision(precision) << value;
        out = text.str();
        return out;
    }
    double integer_part = 0;
    const double fraction = std::modf(std::fabs(value), &integer_part);
    auto whole = static_cast<uint64>(integer_part);
    std::string tail;
    if (fraction != 0) {
        tail = fraction_text(fraction, precision);
        if (tail.find('.') == std::string::npos) {
            // The precision rounded the fraction up to 1: carry it. A double below 2^64
            // has an integer part at most 2^64 - 2048, so the carry cannot wrap.
            whole += 1;
            tail.clear();
        }
    }
    if (value < 0 && (whole != 0 || !tail.empty())) {
        out += '-';
    }
    out += std::to_string(whole);
    out += tail;
    return out;
}

double round_to_hundredths(double value) {
    // Beyond the single-precision range the conversion to float would be undefined; such a
    // value has no single-precision hundredth, so it is handed back as it is.
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max() / 128) {
        return value;
    }
    const auto single = static_cast<float>(value);
    return static_cast<double>(std::floor(single * 100.0f + 0.5f) / 100.0f);
}

std::ostream* pad_field(std::ostream& stream, int n) {
    if (n <= 0) {
        return nullptr;
    }
    stream.fill(' ');
    stream << std::setw(n) << "";
    return &stream;
}

std::string dash_line(int n) { return std::string(static_cast<std::size_t>(std::max(n, 0)), '-'); }

std::string& blank_text(std::string& out, int n) {
    out.assign(static_cast<std::size_t>(std::max(n, 0)), ' ');
    return out;
}

namespace {

// A varint has at most nine bytes: eight carrying 7 bits each and a ninth carrying 8.
constexpr std::size_t varint_max_bytes = 9;

// Collects the 7-bit groups (and the 8-bit ninth group) of a varint from at most `length`
// bytes of the array; fewer bytes than the integer needs simply give fewer groups.
using varint_group_list = std::array<uint8, varint_max_bytes>;

std::size_t varint_groups(const byte_array& bytes, int length, varint_group_list& groups) {
    const kq::byte_reader data(bytes.data(),
                               std::min(bytes.size(), static_cast<std::size_t>(length)));
    std::size_t count = 0;
    uint8 b = 0;
    while (count < varint_max_bytes - 1 && data.u8_at(count, b)) {
        groups[count++] = static_cast<uint8>(b & 0x7Fu);
        if ((b & 0x80u) == 0) {
            return count;
        }
    }
    if (count == varint_max_bytes - 1 && data.u8_at(count, b)) {
        groups[count++] = b;
    }
    return count;
}

// Shift applied before adding group `index` (in collection order): a ninth group carries
// 8 bits, every other group 7.
unsigned varint_shift(std::size_t index) { return index == varint_max_bytes - 1 ? 8u : 7u; }

}  // namespace

bool read_varint_be(uint64* out, const byte_array& bytes, int length) {
    if (out == nullptr) {
        return false;
    }
    *out = 0;
    if (bytes.empty() || length <= 0) {
        return false;
    }
    varint_group_list groups = {};
    const std::size_t count = varint_groups(bytes, length, groups);
    uint64 value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            value <<= varint_shift(i);
        }
        value += groups[i];
    }
    *out = value;
    return true;
}

bool read_varint_le(uint64* out, const byte_array& bytes, int length) {
    if (out == nullptr) {
        return false;
    }
    *out = 0;
    if (bytes.empty() || length <= 0) {
        return false;
    }
    varint_group_list groups = {};
    const std::size_t count = varint_groups(bytes, length, groups);
    uint64 value = 0;
    for (std::size_t i = count; i > 0; --i) {
        if (i < count) {
            value <<= varint_shift(i - 1);
        }
        value += groups[i - 1];
    }
    *out = value;
    return true;
}

uint64 read_uint_le(const uint8* data, int length) {
    const kq::byte_reader bytes(data, length <= 0 ? 0 : static_cast<std::size_t>(length));
    uint64 value = 0;
    // Fails only for an empty view, which reads as 0.
    (void)bytes.le_at(0, std::min<std::size_t>(bytes.size(), 8), value);
    return value;
}

uint64 byte_array_to_uint_le(const byte_array& bytes) {
    return read_uint_le(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 8)));
}

uint64 sum64_checksum(const char* data, uint32 count) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes viewed as bytes
    const kq::byte_reader bytes(reinterpret_cast<const uint8*>(data), count);
    uint64 sum = 0;
    const std::size_t words = bytes.size() / 8;
    for (std::size_t i = 0; i < words; ++i) {
        uint64 word = 0;
        (void)bytes.le64_at(i * 8, word);  // whole words only: always inside the view
        sum += word;
    }
    for (std::size_t i = words * 8; i < bytes.size(); ++i) {
        uint8 b = 0;
        (void)bytes.u8_at(i, b);
        sum += b;
    }
    return sum;
}

int unpack_length_string(std::string& out, const char* data, uint32 length) {
    out.clear();
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes viewed as bytes
    const kq::byte_reader bytes(reinterpret_cast<const uint8*>(data), length);
    uint8 first = 0;
    if (!bytes.u8_at(0, first)) {
        return 0;
    }
    std::size_t prefix = 1;
    std::size_t text_length = first;
    if ((first & 0x80u) != 0) {
        uint16 both = 0;
        if (!bytes.be16_at(0, both)) {
            return 0;
        }
        prefix = 2;
        text_length = both & 0x7FFFu;
    }
    kq::byte_reader text;
    if (bytes.size() == prefix || !bytes.sub(prefix, text_length, text)) {
        return static_cast<int>(prefix);
    }
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): checked range as chars
    out.assign(reinterpret_cast<const char*>(text.data()), text.size());
    return static_cast<int>(prefix + text_length);
}
