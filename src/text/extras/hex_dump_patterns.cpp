#include "text/extras/hex_dump_patterns.h"

#include <algorithm>
#include <cctype>
#include <iomanip>
#include <sstream>

#include "text/byte_reader.h"
#include "text/extras/hex_byte_rows.h"
#include "text/hex_text.h"
#include "text/number_text.h"

namespace {

constexpr std::size_t row_bytes = 16;
// Each byte of a dump row: two digits and a blank.
constexpr std::size_t pair_width = 3;
constexpr char column_gap[] = "  ";
constexpr uint8 first_printable = 0x20;
constexpr uint8 last_printable = 0x7E;
constexpr int first_min_digits = 3;
constexpr int second_min_digits = 6;
constexpr std::size_t max_gap_digits = 2;
constexpr unsigned hex_base = 16;
constexpr unsigned max_byte = 0xFF;
constexpr char any_byte_word[] = "??";

char ascii_of(uint8 byte) {
    return byte >= first_printable && byte <= last_printable ? static_cast<char>(byte) : '.';
}

void append_pair(std::string& text, uint8 byte) {
    static constexpr char digits[] = "0123456789abcdef";
    text += digits[byte >> 4];
    text += digits[byte & 0x0F];
}

void append_ascii(std::string& text, const kq::byte_reader& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        uint8 value = 0;
        (void)row.u8_at(i, value);  // i < size
        text += ascii_of(value);
    }
}

// One dump line with its two numbers already ordered; the one implementation of both forms.
int32 write_numbered_line(std::ostream& out, uint64 first, int first_digits, uint64 second,
                          int second_digits, int label_width, const std::string& label,
                          const std::string& data) {
    out << "0x" << std::hex << std::right << std::setfill('0') << std::setw(first_digits) << first
        << " : " << std::setw(second_digits) << second << " : ";
    out << std::left << std::setfill(' ') << std::setw(label_width) << (label + ":") << data
        << '\n';
    return static_cast<int32>(data.size());
}

// The value of the leading hex digits of word; 0 when there are none. Words here are at
// most two characters, so the value fits a byte.
unsigned leading_hex_value(const std::string& word, std::size_t* digit_count = nullptr) {
    unsigned value = 0;
    std::size_t count = 0;
    for (; count < word.size() && is_hex_digit(static_cast<unsigned char>(word[count])); ++count) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(word[count])));
        value = value * hex_base + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    if (digit_count != nullptr) {
        *digit_count = count;
    }
    return value;
}

// A word of a pattern; false when it is refused.
bool append_pattern_word(const std::string& word, hex_pattern& out) {
    if (word == any_byte_word) {
        out.push_back(pattern_any_byte);
        return true;
    }
    if (word.front() == '*') {
        const std::string length = word.substr(1);
        if (length.size() > max_gap_digits) {
            return false;
        }
        out.push_back(pattern_gap);
        out.push_back(static_cast<uint16>(leading_hex_value(length)));
        return true;
    }
    std::size_t digits = 0;
    const unsigned value = leading_hex_value(word, &digits);
    // A byte is exactly two hex digits: "g1" would otherwise search for a byte nobody typed.
    if (word.size() != 2 || digits != 2 || value > max_byte) {
        return false;
    }
    out.push_back(static_cast<uint16>(value));
    return true;
}

// A pattern may not end in something that matches anything: wildcards and gaps at the end
// say nothing about the bytes searched for.
void drop_trailing_wildcards(hex_pattern& pattern) {
    while (!pattern.empty()) {
        if (pattern.back() == pattern_any_byte) {
            pattern.pop_back();
        } else if (pattern.size() >= 2 && pattern[pattern.size() - 2] == pattern_gap) {
            pattern.resize(pattern.size() - 2);
        } else {
            return;
        }
    }
}

// A gap's end is found by the byte after it; a wildcard or another gap there has none.
bool gaps_end_in_bytes(const hex_pattern& pattern) {
    for (std::size_t i = 0; i + 2 < pattern.size(); ++i) {
        const uint16 after = pattern[i + 2];
        if (pattern[i] == pattern_gap && (after == pattern_any_byte || after == pattern_gap)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string& bytes_to_hex_pairs(std::string& out, const uint8* bytes, std::size_t count,
                                bool spaced) {
    out.clear();
    // Null bytes or no bytes leave out empty: nothing to write.
    (void)bytes_to_hex_text(out, bytes, count, spaced ? " " : "", false);
    return out;
}

void append_hex_dump(std::string& out, const uint8* bytes, std::size_t count, bool final_break) {
    const kq::byte_reader data(bytes, count);
    std::string text;
    for (std::size_t start = 0; start < data.size(); start += row_bytes) {
        kq::byte_reader row;
        (void)data.sub(start, std::min(row_bytes, data.size() - start), row);  // within data
        for (std::size_t i = 0; i < row.size(); ++i) {
            uint8 value = 0;
            (void)row.u8_at(i, value);  // i < size
            append_pair(text, value);
            text += ' ';
        }
        text.append((row_bytes - row.size()) * pair_width, ' ');
        text += column_gap;
        append_ascii(text, row);
        if (row.size() == row_bytes) {
            text += '\n';
        }
    }
    if (final_break) {
        text += '\n';
    }
    out += text;
}

std::ostream& write_hex_row16(std::span<const uint8, 16> bytes, std::ostream& out) {
    return write_hex_bytes16(bytes, out) << '\n';
}

int32 write_dump_line(std::ostream& out, uint64 first, uint64 second, int label_width,
                      const std::string& label, const std::string& data) {
    return write_numbered_line(out, first, first_min_digits, second, second_min_digits, label_width,
                               label, data);
}

int32 write_dump_line_based(std::ostream& out, uint64 offset, uint64 base, int label_width,
                            const std::string& label, const std::string& data) {
    return write_numbered_line(out, base + offset, second_min_digits, offset, first_min_digits,
                               label_width, label, data);
}

bool parse_hex_pattern(const std::string& text, hex_pattern& out) {
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (!append_pattern_word(word, out)) {
            return false;
        }
    }
    if (out.empty()) {
        return false;
    }
    drop_trailing_wildcards(out);
    return gaps_end_in_bytes(out);
}

bool parse_hex_byte_pattern(const std::string& text, byte_array& out) {
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (word.size() > 2) {
            return false;
        }
        if (word == any_byte_word) {
            out.push_back(max_byte);
            out.push_back(max_byte);
            continue;
        }
        out.push_back(static_cast<uint8>(leading_hex_value(word)));
    }
    return true;
}
