#include "sqlite/record_signature.h"

#include <algorithm>
#include <limits>
#include <span>
#include <string_view>

#include "sqlite/serial_type.h"
#include "sqlite/sqlite_format.h"

namespace vi = sqlite_format::varint;

namespace {

constexpr char text_alternative = '-';
constexpr char blob_alternative = '+';
constexpr char byte_alternative = 'x';
// The number of an 'x' alternative: the hexadecimal digits after the 'x' (as number text
// reads "x1f"); 0 (which matches nothing) when they are no number or none. Read in place:
// the finders try such an alternative at many positions of every page.
uint32 hex_value(std::string_view alternative) {
    constexpr uint32 max_before_digit = 0x0fffffff;  // one more digit still fits 32 bits
    uint32 value = 0;
    if (alternative.size() < 2) {
        return 0;
    }
    for (const char c : alternative.substr(1)) {
        uint32 digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32>(c - 'A' + 10);
        } else {
            return 0;
        }
        if (value > max_before_digit) {
            return 0;
        }
        value = value * 16 + digit;
    }
    return value;
}

// What one pattern did at the current position.
enum class step_result { matched, no_alternative, whole_match_fails };

struct forward_state {
    kq::byte_reader bytes;
    std::size_t at = 0;
};

// Does the alternative character name the byte? The digits stand for the serial types 0 to
// 9; any other character c stands for c - '0', and none below '0' names a byte.
bool names_byte(char alt, uint8 b) { return static_cast<int>(alt) - '0' == static_cast<int>(b); }

bool forward_varint(forward_state& s, bool text) {
    kq::byte_reader rest;
    if (!s.bytes.tail(s.at, rest)) {
        return false;
    }
    const uint16 n =
        serial_type_varint_forward(rest.data(), static_cast<int32>(rest.size()), 1, text);
    s.at += n;
    return n != 0;
}

step_result forward_byte(forward_state& s, uint32 value) {
    // A byte above 0x7F opens a two-byte varint: both bytes must lie in the data, or the next
    // pattern would be compared past its end.
    const std::size_t take = value > vi::group_mask ? 2 : 1;
    uint8 b = 0;
    if (value == 0 || !s.bytes.u8_at(s.at, b) || b != value || !s.bytes.has(s.at, take)) {
        return step_result::whole_match_fails;
    }
    s.at += take;
    return step_result::matched;
}

step_result forward_step(forward_state& s, std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char alt = pattern[i];
        if (alt == text_alternative || alt == blob_alternative) {
            if (forward_varint(s, alt == text_alternative)) {
                return step_result::matched;
            }
            continue;
        }
        if (alt == byte_alternative) {
            return forward_byte(s, hex_value(pattern.substr(i)));
        }
        uint8 b = 0;
        if (s.bytes.u8_at(s.at, b) && names_byte(alt, b)) {
            s.at += 1;
            return step_result::matched;
        }
    }
    return step_result::no_alternative;
}

struct backward_state {
    kq::byte_reader bytes;
    std::size_t end = 0;
    std::size_t limit = 0;  // bytes that may be looked at, counting back from end
    std::size_t taken = 0;
};

// The byte `taken` places before end, when it lies inside the limit.
bool byte_back(const backward_state& s, uint8& b) {
    return s.taken < s.limit && s.bytes.u8_at(s.end - s.taken, b);
}

bool backward_varint(backward_state& s, bool text) {
    if (s.taken >= s.limit) {
        return false;
    }
    const int32 n = serial_type_varint_backward(s.bytes, s.end - s.taken,
                                                static_cast<int32>(s.limit - s.taken), 1, text);
    s.taken += static_cast<std::size_t>(-static_cast<int64>(n));
    return n != 0;
}

step_result backward_step(backward_state& s, std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char alt = pattern[i];
        if (alt == text_alternative || alt == blob_alternative) {
            if (backward_varint(s, alt == text_alternative)) {
                return step_result::matched;
            }
            continue;
        }
        uint8 b = 0;
        if (alt == byte_alternative) {
            // Walking back, the byte is the last of its varint: one byte is taken whatever
            // its value.
            const uint32 value = hex_value(pattern.substr(i));
            if (value == 0 || !byte_back(s, b) || b != value) {
                return step_result::whole_match_fails;
            }
            s.taken += 1;
            return step_result::matched;
        }
        if (byte_back(s, b) && names_byte(alt, b)) {
            s.taken += 1;
            return step_result::matched;
        }
    }
    return step_result::no_alternative;
}

std::string_view pattern_at(std::span<const char* const> patterns, std::size_t i) {
    const char* p = patterns[i];
    return p == nullptr ? std::string_view{} : std::string_view(p);
}

}  // namespace

uint16 match_signature_forward(const uint8* data, int32 length, int32 count, int32 first,
                               const char* const* patterns) {
    forward_state s{kq::byte_reader(data, length > 0 ? static_cast<std::size_t>(length) : 0)};
    if (data == nullptr || patterns == nullptr || count <= 0 || first < 0 || first >= count ||
        length < count - first) {
        return 0;
    }
    const std::span<const char* const> list(patterns, static_cast<std::size_t>(count));
    for (auto i = static_cast<std::size_t>(first); i < list.size(); ++i) {
        if (forward_step(s, pattern_at(list, i)) != step_result::matched) {
            return 0;
        }
    }
    if (s.at > std::numeric_limits<uint16>::max()) {
        return 0;
    }
    return static_cast<uint16>(s.at);
}

int32 match_signature_backward(const kq::byte_reader& bytes, std::size_t end, int32 length,
                               int32 count, int32 last, const char* const* patterns) {
    if (end >= bytes.size() || patterns == nullptr || length <= 0 || count <= 0 || last < 0 ||
        last >= count || length < last) {
        return 0;
    }
    // The walk may not leave the view, whatever length claims.
    backward_state s{bytes, end, std::min(static_cast<std::size_t>(length), end + 1)};
    const std::span<const char* const> list(patterns, static_cast<std::size_t>(count));
    for (auto i = static_cast<std::size_t>(last) + 1; i > 0; --i) {
        if (backward_step(s, pattern_at(list, i - 1)) != step_result::matched) {
            return 0;
        }
    }
    return -static_cast<int32>(s.taken);
}
