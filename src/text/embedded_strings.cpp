#include "text/embedded_strings.h"

#include <cstdio>

#include "text/byte_reader.h"

namespace {

constexpr uint8 tab_byte = 0x09;
constexpr uint8 lf_byte = 0x0A;
constexpr uint8 cr_byte = 0x0D;
constexpr uint8 blank_byte = 0x20;
constexpr uint8 last_printable = 0x7E;

bool is_printable(uint8 c) { return c >= blank_byte && c <= last_printable; }

bool is_string_char(uint8 c, bool allow_ws) {
    return is_printable(c) || (allow_ws && (c == tab_byte || c == lf_byte || c == cr_byte));
}

// Punctuation that commonly sits before a word in slack (separators, quotes, brackets that
// close); '/', '[' and '{' stay because they begin paths and structured text.
bool is_skippable_punct(uint8 c) {
    return (c >= 0x20 && c <= 0x2E) || (c >= 0x3A && c <= 0x40) || (c >= 0x5C && c <= 0x60) ||
           (c >= 0x7C && c <= 0x7E);
}

// The string being collected by one walk.
struct string_run {
    std::string text;
    bool started = false;
    bool has_visible = false;

    // Appends c unless it is leading filler; c is known to be a string character.
    void take(uint8 c, bool skip_punct) {
        if (!started && (c == blank_byte || (skip_punct && is_skippable_punct(c)))) {
            return;
        }
        text.push_back(static_cast<char>(c));
        started = true;
        if (c != blank_byte && c != lf_byte && c != cr_byte) {
            has_visible = true;
        }
    }
    // Adds the run ending at `end` (characters of `width` bytes) when it qualifies; resets.
    void finish(std::size_t end, std::size_t width, uint32 minimum, bool need_visible,
                std::vector<std::string>& strings, std::vector<uint64>& offsets) {
        // An empty run is never a string, whatever the minimum.
        if (!text.empty() && text.size() >= minimum && (has_visible || !need_visible)) {
            offsets.push_back(static_cast<uint64>(end - text.size() * width));
            strings.push_back(text);
        }
        text.clear();
        started = false;
        has_visible = false;
    }
};

void write_hex_bytes(std::ostream& stream, const kq::byte_reader& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        uint8 c = 0;
        (void)bytes.u8_at(i, c);  // i < size
        char digits[3] = {};
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned>(c));
        if (i > 0) {
            stream << ' ';
        }
        stream << digits;
    }
}

void write_joined(std::ostream& stream, const std::vector<std::string>& strings,
                  const std::string& separator) {
    for (std::size_t i = 0; i < strings.size(); ++i) {
        if (i > 0) {
            stream << separator;
        }
        stream << strings[i];
    }
}

// Both kinds in offset order; narrow strings first at equal offsets. Returns the count.
int write_merged(std::ostream& stream, const std::vector<std::string>& ascii,
                 const std::vector<uint64>& ascii_at, const std::vector<std::string>& wide,
                 const std::vector<uint64>& wide_at, const std::string& separator) {
    std::size_t a = 0;
    std::size_t w = 0;
    int written = 0;
    while (a < ascii.size() || w < wide.size()) {
        const bool take_ascii = w >= wide.size() || (a < ascii.size() && ascii_at[a] <= wide_at[w]);
        if (written > 0) {
            stream << separator;
        }
        stream << (take_ascii ? ascii[a++] : wide[w++]);
        ++written;
    }
    return written;
}

}  // namespace

bool extract_ascii_strings(const uint8* data, int length, uint32 minimum,
                           std::vector<std::string>& strings, std::vector<uint64>& offsets,
                           bool allow_ws, bool skip_punct) {
    strings.clear();
    offsets.clear();
    if (data == nullptr || length <= 0) {
        return false;
    }
    const kq::byte_reader bytes(data, static_cast<std::size_t>(length));
    string_run run;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        uint8 c = 0;
        (void)bytes.u8_at(i, c);  // i < size
        if (is_string_char(c, allow_ws)) {
            run.take(c, skip_punct);
            continue;
        }
        run.finish(i, 1, minimum, true, strings, offsets);
    }
    run.finish(bytes.size(), 1, minimum, false, strings, offsets);
    return true;
}

bool extract_utf16_strings(const uint8* data, int length, uint32 minimum,
                           std::vector<std::string>& strings, std::vector<uint64>& offsets,
                           bool allow_ws, bool skip_punct) {
    strings.clear();
    offsets.clear();
    if (data == nullptr || length <= 0) {
        return false;
    }
    const kq::byte_reader bytes(data, static_cast<std::size_t>(length));
    string_run run;
    std::size_t i = 0;
    // Each step needs the byte and the one after it, so the walk stops before the last byte.
    while (i + 1 < bytes.size()) {
        uint8 low = 0;
        uint8 high = 0;
        (void)bytes.u8_at(i, low);  // i + 1 < size
        (void)bytes.u8_at(i + 1, high);
        if (high == 0 && is_string_char(low, allow_ws)) {
            run.take(low, skip_punct);
            i += 2;
            continue;
        }
        run.finish(i, 2, minimum, false, strings, offsets);
        ++i;
    }
    run.finish(i, 2, minimum, false, strings, offsets);
    return true;
}

int print_embedded_strings(std::ostream& stream, const char* data, int length, bool string_mode,
                           uint32 minimum, const std::string& separator) {
    if (data == nullptr || length <= 0) {
        return 0;
    }
    const auto* raw = reinterpret_cast<const uint8*>(data);  // NOLINT(*-reinterpret-cast)
    const kq::byte_reader bytes(raw, static_cast<std::size_t>(length));
    if (!string_mode) {
        write_hex_bytes(stream, bytes);
        return 1;
    }
    if (static_cast<uint32>(length) < minimum) {
        return 0;
    }
    std::vector<std::string> ascii;
    std::vector<uint64> ascii_at;
    std::vector<std::string> wide;
    std::vector<uint64> wide_at;
    (void)extract_ascii_strings(raw, length, minimum, ascii, ascii_at, false, false);  // non-null
    (void)extract_utf16_strings(raw, length, minimum, wide, wide_at, false, false);
    if (ascii.empty() && wide.empty()) {
        return 0;
    }
    if (ascii.empty() || wide.empty()) {
        write_joined(stream, ascii.empty() ? wide : ascii, separator);
        return 1;
    }
    return write_merged(stream, ascii, ascii_at, wide, wide_at, separator);
}
