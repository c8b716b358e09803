#include "text/utf16_text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

// Upward include: the UTF-8, UTF-32 and UTF-16 encoders belong to the uni:: file layer, which
// every path conversion already goes through; these bridges only reuse them.
#include "io/uni_encoding.h"

// Raw NUL-terminated pointers carry no length, so the readers below index them; each stops
// at the NUL or at the count the caller gave.
// NOLINTBEGIN(cppcoreguidelines-pro-bounds-pointer-arithmetic)

namespace {

constexpr uint16_t unit_cr = 0x000D;
constexpr uint16_t unit_lf = 0x000A;
// UNICODE_STRING keeps byte lengths in 16 bits.
constexpr std::size_t max_counted_bytes = 0xFFFF;
// With no byte count, a NUL-terminated value is read no further than this many units, so a
// missing terminator cannot walk through the rest of memory.
constexpr std::size_t unterminated_unit_limit = 500;
// Units searched for the NUL by utf16_length_capped: 512 characters and the NUL.
constexpr std::size_t capped_unit_limit = 513;
// First formatting attempt of format_to_utf16; longer texts are formatted again on the heap.
constexpr std::size_t format_stack_bytes = 30;
constexpr std::size_t format_heap_slack = 10;
constexpr uint16_t first_surrogate = 0xD800;
constexpr uint16_t last_surrogate = 0xDFFF;
constexpr wchar_t replacement_character = 0xFFFD;  // U+FFFD

// A byte taken as a signed char, as the byte-per-character widenings read it.
int32 signed_byte(char ch) { return static_cast<int32>(static_cast<signed char>(ch)); }

uint16_t signed_byte_unit(char ch) {
    return static_cast<uint16_t>(static_cast<uint32>(signed_byte(ch)) & 0xFFFFu);
}

int clamp_to_int(std::size_t value) {
    if (value > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(value);
}

std::size_t cstr_length(const wchar_t* text) {
    std::size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

}  // namespace

// ---- _UNICODE_STRING_EX ----

_UNICODE_STRING_EX::_UNICODE_STRING_EX(uint16_t* buffer, uint16_t max_length_bytes)
    : m_max_length_bytes(max_length_bytes), m_buffer(buffer) {
    // A buffer too small for one unit gets no terminator written into it.
    if (m_buffer != nullptr && m_max_length_bytes >= sizeof(uint16_t)) {
        m_buffer[0] = 0;
    }
}

_UNICODE_STRING_EX::_UNICODE_STRING_EX(uint16_t* buffer, uint16_t length_bytes,
                                       uint16_t max_length_bytes)
    : m_length_bytes(length_bytes), m_max_length_bytes(max_length_bytes), m_buffer(buffer) {}

_UNICODE_STRING_EX::_UNICODE_STRING_EX(uint16_t capacity) {
    if (capacity == 0) {
        return;
    }
    m_buffer = new (std::nothrow) uint16_t[capacity];
    if (m_buffer == nullptr) {
        return;
    }
    m_buffer[0] = 0;
    // The byte count is kept in 16 bits like the field it lands in; above 32767 units it
    // under-states the buffer, which is never unsafe.
    m_max_length_bytes = static_cast<uint16_t>(2u * capacity);
    m_owned_bytes = 2u * std::size_t{capacity};
    m_owns_buffer = true;
}

_UNICODE_STRING_EX::~_UNICODE_STRING_EX() {
    if (m_owns_buffer) {
        delete[] m_buffer;
    }
}

void _UNICODE_STRING_EX::clear() {
    m_length_bytes = 0;
    if (m_owns_buffer) {
        // set_maximum_length may claim more than was allocated: fill only what is ours.
        std::memset(m_buffer, 0, std::min<std::size_t>(m_max_length_bytes, m_owned_bytes));
        return;
    }
    m_buffer = nullptr;
    m_max_length_bytes = 0;
}

_UNICODE_STRING_EX& _UNICODE_STRING_EX::set_length(uint16_t length_bytes) {
    m_length_bytes = length_bytes;
    return *this;
}

_UNICODE_STRING_EX& _UNICODE_STRING_EX::set_maximum_length(uint16_t max_length_bytes) {
    m_max_length_bytes = max_length_bytes;
    return *this;
}

// Makes sure needed_bytes fit after the bytes in use, growing an owned buffer. The result is
// refused when it would pass the 16-bit byte lengths: wrapped lengths would make later
// appends overwrite the text.
bool _UNICODE_STRING_EX::make_room(std::size_t needed_bytes) {
    const std::size_t total = std::size_t{m_length_bytes} + needed_bytes;
    if (total > max_counted_bytes) {
        return false;
    }
    if (!m_owns_buffer) {
        // A borrowed buffer is as large as the caller says it is.
        return total <= m_max_length_bytes;
    }
    // An owned buffer is trusted only as far as it was allocated, whatever the field says.
    if (total <= std::min<std::size_t>(m_max_length_bytes, m_owned_bytes)) {
        return true;
    }
    auto* grown = new (std::nothrow) uint16_t[(total + 1) / 2]();
    if (grown == nullptr) {
        return false;
    }
    // set_length may claim more bytes than the buffer holds: copy only what is there.
    const std::size_t in_use = std::min<std::size_t>(m_length_bytes, m_owned_bytes);
    std::memcpy(grown, m_buffer, in_use);
    delete[] m_buffer;
    m_buffer = grown;
    m_max_length_bytes = static_cast<uint16_t>(total);
    m_owned_bytes = 2 * ((total + 1) / 2);
    return true;
}

// units already ends with the NUL; make_room has succeeded for its size.
void _UNICODE_STRING_EX::append_units(const std::vector<uint16_t>& units) {
    const std::size_t first = m_length_bytes / 2u;
    for (std::size_t i = 0; i < units.size(); ++i) {
        m_buffer[first + i] = units[i];
    }
    m_length_bytes = static_cast<uint16_t>(m_length_bytes + 2u * units.size());
}

_UNICODE_STRING_EX& _UNICODE_STRING_EX::append(const char* text) {
    if (text == nullptr) {
        return *this;
    }
    const std::size_t n = std::strlen(text);
    if (n >= max_counted_bytes || !make_room(2 * (n + 1))) {
        return *this;
    }
    std::vector<uint16_t> units;
    units.reserve(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        units.push_back(signed_byte_unit(text[i]));
    }
    units.push_back(0);
    append_units(units);
    return *this;
}

_UNICODE_STRING_EX& _UNICODE_STRING_EX::append(const wchar_t* text) {
    if (text == nullptr) {
        return *this;
    }
    const std::size_t n = cstr_length(text);
    if (n >= max_counted_bytes || !make_room(2 * (n + 1))) {
        return *this;
    }
    std::vector<uint16_t> units;
    units.reserve(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        units.push_back(static_cast<uint16_t>(static_cast<uint32>(text[i]) & 0xFFFFu));
    }
    units.push_back(0);
    append_units(units);
    return *this;
}

// ---- Measuring UTF-16 ----

int utf16_length_capped(const uint16_t* units) {
    if (units == nullptr) {
        return 0;
    }
    for (std::size_t i = 0; i < capped_unit_limit; ++i) {
        if (units[i] == 0) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

int utf16_length(const uint16_t* units) {
    if (units == nullptr) {
        return 0;
    }
    std::size_t n = 0;
    while (units[n] != 0) {
        ++n;
    }
    return clamp_to_int(n);
}

int utf16_vector_byte_length(const std::vector<uint16_t>& units) {
    std::size_t n = units.size();
    while (n > 0 && units[n - 1] == 0) {
        --n;
    }
    return clamp_to_int(2 * n);
}

int utf16_vector_length(const std::vector<uint16_t>& units) {
    std::size_t n = units.size();
    if (n > 0 && units.back() == 0) {
        --n;
    }
    return clamp_to_int(n);
}

bool utf16_find_line_break(const uint16_t** position, int* count) {
    if (position == nullptr || *position == nullptr || count == nullptr || *count <= 0) {
        return false;
    }
    const uint16_t* units = *position;
    const auto available = static_cast<std::size_t>(*count);
    std::size_t i = 0;
    while (i < available) {
        if (units[i] == unit_cr) {
            if (i + 1 < available && units[i + 1] == unit_lf) {
                *position = units + i + 2;
                *count -= static_cast<int>(i + 2);
                return true;
            }
            i += 2;  // a lone CR and the unit after it
            continue;
        }
        if (units[i] == unit_lf) {
            *position = units + i;
            *count -= static_cast<int>(i);
            return true;
        }
        ++i;
    }
    return false;
}

// ---- Reading UTF-16 out of units ----

int utf16_to_wstring(const uint16_t* units, std::wstring& out, int byte_count) {
    out.clear();
    if (units == nullptr || byte_count == 0 || byte_count < -1) {
        return 0;
    }
    const std::size_t limit =
        byte_count == -1 ? unterminated_unit_limit : static_cast<std::size_t>(byte_count) / 2;
    std::vector<uint16_t> collected;
    while (collected.size() < limit && units[collected.size()] != 0) {
        collected.push_back(units[collected.size()]);
    }
    const int result = static_cast<int>(2 * collected.size());
    if (uni::utf16_to_wstring(out, collected)) {
        return result;  // lone surrogates already came out as U+FFFD
    }
    // No memory for the conversion: one character per unit rather than nothing, still with
    // no lone surrogate that would make the UTF-8 form of the text malformed.
    out.clear();
    for (const uint16_t unit : collected) {
        out.push_back(unit >= first_surrogate && unit <= last_surrogate
                          ? replacement_character
                          : static_cast<wchar_t>(unit));
    }
    return result;
}

int utf16_to_string(const uint16_t* units, std::string& out, int byte_count,
                    bool count_terminator) {
    std::wstring wide;
    const int taken = utf16_to_wstring(units, wide, byte_count);
    out.clear();
    if (!wide.empty()) {
        out = uni::wstring_to_utf8(wide);
    }
    // The terminator counts only when the caller's bytes hold it; with -1 they never do.
    if (count_terminator && taken != 0 && byte_count >= taken + 2) {
        return taken + 2;
    }
    return taken;
}

std::string& utf16z_to_string_into(const uint16_t* units, std::string& out) {
    (void)utf16_to_string(units, out, -1, true);  // the text is the result, not the count
    return out;
}

std::string utf16z_to_string(const uint16_t* units) {
    std::string out;
    return utf16z_to_string_into(units, out);
}

// ---- Writing UTF-16 ----

uint16_t* wide_to_utf16_crlf(std::vector<uint16_t>& out, const wchar_t* text) {
    out.clear();
    if (text == nullptr) {
        return nullptr;
    }
    for (std::size_t i = 0; text[i] != 0; ++i) {
        const auto ch = static_cast<uint32>(text[i]);
        if (ch == unit_lf) {
            out.push_back(unit_cr);
        }
        out.push_back(static_cast<uint16_t>(ch & 0xFFFFu));
    }
    return out.empty() ? nullptr : out.data();
}

uint16_t* ascii_to_utf16_crlf(std::vector<uint16_t>& out, const char* text) {
    out.clear();
    if (text == nullptr || text[0] == '\0') {
        return nullptr;
    }
    for (std::size_t i = 0; text[i] != '\0'; ++i) {
        if (text[i] == '\n') {
            out.push_back(unit_cr);
        }
        out.push_back(signed_byte_unit(text[i]));
    }
    out.push_back(0);
    return out.data();
}

uint16_t* format_to_utf16(std::vector<uint16_t>& out, const char* format, ...) {
    out.clear();
    if (format == nullptr) {
        return nullptr;
    }
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    char small[format_stack_bytes] = {};
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    uint16_t* result = nullptr;
    if (needed >= 0 && static_cast<std::size_t>(needed) < format_stack_bytes) {
        result = ascii_to_utf16_crlf(out, small);
    } else if (needed >= 0) {
        const std::size_t size = static_cast<std::size_t>(needed) + format_heap_slack;
        char* big = new (std::nothrow) char[size];
        if (big != nullptr) {
            (void)std::vsnprintf(big, size, format, again);  // fits: size > needed
            result = ascii_to_utf16_crlf(out, big);
            delete[] big;
        }
    }
    va_end(again);
    return result;
}

// ---- Narrow, wide and UTF-8 conversions ----

void wstring_to_narrow_lossy(const std::wstring& in, std::string& out) {
    out.clear();
    out.reserve(in.size());
    for (const wchar_t ch : in) {
        out.push_back(static_cast<char>(static_cast<uint32>(ch) & 0xFFu));
    }
}

int string_to_wide_lossy(const std::string& in, std::wstring& out) {
    out.clear();
    out.reserve(in.size());
    for (const char ch : in) {
        out.push_back(static_cast<wchar_t>(signed_byte(ch)));
    }
    return clamp_to_int(out.size());
}

void widen_chars(const char* text, std::wstring& out) {
    if (text == nullptr || text[0] == '\0') {
        return;
    }
    out.clear();
    for (std::size_t i = 0; text[i] != '\0'; ++i) {
        out.push_back(static_cast<wchar_t>(signed_byte(text[i])));
    }
}

uint32_t* string_to_wide_buffer(const std::string& text, uint32_t* buffer, int capacity) {
    // A negative capacity means a buffer of no units: nothing may be written.
    if (buffer == nullptr || capacity < 0) {
        return nullptr;
    }
    buffer[0] = 0;
    if (text.size() > static_cast<std::size_t>(capacity)) {
        return nullptr;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        buffer[i] = static_cast<uint32_t>(signed_byte(text[i]));
    }
    buffer[text.size()] = 0;
    return buffer;
}

void append_latin1_as_utf8(std::string& out, uint8_t latin1) {
    if (latin1 < 0x80) {
        out.push_back(static_cast<char>(latin1));
        return;
    }
    out.push_back(static_cast<char>(0xC0u + (latin1 >> 6u)));
    out.push_back(static_cast<char>(0x80u + (latin1 & 0x3Fu)));
}

std::string latin1_to_utf8(const uint8_t* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (std::size_t i = 0; text[i] != 0; ++i) {
        append_latin1_as_utf8(out, text[i]);
    }
    return out;
}

std::string wcstr_to_utf8(const wchar_t* text) {
    if (text == nullptr) {
        return {};
    }
    return uni::wstring_to_utf8(std::wstring(text));
}

std::string& wcstr_to_utf8_assign(const wchar_t* text, std::string& out) {
    out = wcstr_to_utf8(text);
    return out;
}

namespace {

// A malformed item keeps the part decoded before its fault, so the list stays aligned.
std::wstring decode_item(const std::string& item) {
    std::wstring wide;
    (void)uni::utf8_to_wstring(wide, item);
    return wide;
}

}  // namespace

bool argv_to_wide_list(std::vector<std::wstring>& list, int count, const char* const* argv) {
    if (argv != nullptr) {
        for (int i = 0; i < count; ++i) {
            list.push_back(argv[i] == nullptr ? std::wstring() : decode_item(argv[i]));
        }
    }
    return !list.empty();
}

void wide_list_from_strings(std::vector<std::wstring>& out, const std::vector<std::string>& in) {
    out.clear();
    out.resize(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        out[i] = decode_item(in[i]);
    }
}

void strings_to_wide_list(const std::vector<std::string>& in, std::vector<std::wstring>& out) {
    out.clear();
    for (const std::string& item : in) {
        out.push_back(decode_item(item));
    }
}

void wstring_list_to_utf8(std::vector<std::string>& out, const std::vector<std::wstring>& in) {
    out.clear();
    out.resize(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        out[i] = uni::wstring_to_utf8(in[i]);
    }
}

void wide_list_to_strings(const std::vector<std::wstring>& in, std::vector<std::string>& out) {
    out.clear();
    for (const std::wstring& item : in) {
        out.push_back(uni::wstring_to_utf8(item));
    }
}

// NOLINTEND(cppcoreguidelines-pro-bounds-pointer-arithmetic)
