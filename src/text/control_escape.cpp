#include "text/control_escape.h"

#include <cstddef>

namespace {

constexpr unsigned char first_printable = 0x20;
constexpr unsigned char del = 0x7F;
constexpr unsigned char first_non_ascii = 0x80;
constexpr unsigned char last_c1 = 0x9F;
// The UTF-8 lead byte of U+0080 to U+00BF; its second byte is the code point itself.
constexpr unsigned char c1_lead = 0xC2;

constexpr unsigned char continuation_low = 0x80;
constexpr unsigned char continuation_high = 0xBF;

bool is_kept_control(unsigned char c) { return c == '\t' || c == '\n' || c == '\r'; }

bool in_range(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

// The second byte's range after a lead byte, per the table of well-formed UTF-8 byte
// sequences (Unicode, chapter 3): it excludes overlong forms, surrogates and code points
// past U+10FFFF. The other continuation bytes take 80 to BF. 0 when c leads no sequence.
std::size_t sequence_length(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = continuation_low;
    high = continuation_high;
    if (in_range(lead, 0xC2, 0xDF)) {
        return 2;
    }
    if (in_range(lead, 0xE0, 0xEF)) {
        low = lead == 0xE0 ? 0xA0 : continuation_low;
        high = lead == 0xED ? 0x9F : continuation_high;
        return 3;
    }
    if (in_range(lead, 0xF0, 0xF4)) {
        low = lead == 0xF0 ? 0x90 : continuation_low;
        high = lead == 0xF4 ? 0x8F : continuation_high;
        return 4;
    }
    return 0;
}

// The length of the well-formed UTF-8 sequence starting at text[at], or 0 when none does.
std::size_t well_formed_at(std::string_view text, std::size_t at) {
    unsigned char low = 0;
    unsigned char high = 0;
    const std::size_t length = sequence_length(static_cast<unsigned char>(text[at]), low, high);
    if (length == 0 || length > text.size() - at) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[at + k]);
        if (!in_range(c, low, high)) {
            return 0;
        }
        low = continuation_low;
        high = continuation_high;
    }
    return length;
}

// What stands at text[at]: the number of bytes it spans and whether they are a control.
struct text_unit {
    std::size_t length = 1;
    bool control = false;
    bool c1_character = false;  // a well-formed U+0080 to U+009F
};

text_unit unit_at(std::string_view text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < first_printable) {
        return {1, !is_kept_control(c), false};
    }
    if (c < first_non_ascii) {
        return {1, c == del, false};
    }
    const std::size_t length = well_formed_at(text, at);
    if (length == 0) {
        return {1, c <= last_c1, false};
    }
    const bool c1 = c == c1_lead && static_cast<unsigned char>(text[at + 1]) <= last_c1;
    return {length, c1, c1};
}

// Where the first control of text stands; npos when there is none. Printable ASCII, by far
// the most of any value, is passed over without decoding.
std::size_t first_control(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c >= first_printable && c < del) {
            ++at;
            continue;
        }
        const text_unit unit = unit_at(text, at);
        if (unit.control) {
            return at;
        }
        at += unit.length;
    }
    return std::string_view::npos;
}

void append_escape(std::string& out, const char* prefix, unsigned char value) {
    constexpr const char* digits = "0123456789abcdef";
    constexpr unsigned nibble_bits = 4;
    constexpr unsigned char nibble_mask = 0x0F;
    out += prefix;
    out += digits[value >> nibble_bits];
    out += digits[value & nibble_mask];
}

}  // namespace

bool has_terminal_controls(std::string_view text) {
    return first_control(text) != std::string_view::npos;
}

std::string& escape_terminal_controls(std::string& text) {
    const std::string_view view(text);
    std::size_t at = first_control(view);
    if (at == std::string_view::npos) {
        return text;
    }
    // Each control grows by at most five bytes; most values hold a few.
    constexpr std::size_t room_for_a_few = 32;
    std::string escaped;
    escaped.reserve(text.size() + room_for_a_few);
    escaped.append(view.substr(0, at));
    while (at < view.size()) {
        const text_unit unit = unit_at(view, at);
        if (unit.c1_character) {
            append_escape(escaped, "\\u00", static_cast<unsigned char>(view[at + 1]));
        } else if (unit.control) {
            append_escape(escaped, "\\x", static_cast<unsigned char>(view[at]));
        } else {
            escaped.append(view.substr(at, unit.length));
        }
        at += unit.length;
    }
    text = std::move(escaped);
    return text;
}
