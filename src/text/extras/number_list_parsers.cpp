#include "text/extras/number_list_parsers.h"

#include <cstddef>
#include <cstdlib>

#include "io/uni_encoding.h"
#include "text/hex_text.h"
#include "text/number_text.h"
#include "text/text_case.h"
#include "text/text_split.h"
#include "text/utf16_text.h"

namespace {

constexpr std::size_t hex_pair = 2;
constexpr int hex_base = 16;
constexpr const char* dump_gap = "  ";
constexpr std::size_t dump_gap_size = 2;

// Where the byte column of a dump lies, taken from its first line.
struct dump_column {
    std::size_t start = 0;
    std::size_t width = 0;
};

bool find_dump_column(const std::string& first_line, dump_column& column) {
    const std::size_t first_gap = first_line.find(dump_gap);
    if (first_gap == std::string::npos) {
        return false;
    }
    const std::size_t start = first_gap + dump_gap_size;
    const std::size_t end = first_line.find(dump_gap, start);
    if (end == std::string::npos) {
        return false;
    }
    column = {start, end - start};
    return true;
}

// The bytes of one line's column; false when the column holds nothing, which ends the dump.
bool read_dump_line(const std::string& line, const dump_column& column, byte_array& out) {
    if (line.size() < column.start) {
        return false;
    }
    std::vector<std::string> items;
    if (!split_on_char(line.substr(column.start, column.width), ' ', items, true, false, false) ||
        items.empty()) {
        return false;
    }
    for (const std::string& item : items) {
        if (item.size() == hex_pair && is_hex_digit(static_cast<unsigned char>(item[0])) &&
            is_hex_digit(static_cast<unsigned char>(item[1]))) {
            out.push_back(static_cast<uint8>(std::strtoul(item.c_str(), nullptr, hex_base)));
        }
    }
    return true;
}

}  // namespace

byte_array& hex_pairs_to_bytes(byte_array& out, const std::string& text) {
    out.clear();
    for (std::size_t at = 0; at < text.size(); at += hex_pair) {
        const std::string piece = text.substr(at, hex_pair);
        out.push_back(static_cast<uint8>(std::strtol(piece.c_str(), nullptr, hex_base)));
    }
    return out;
}

bool hex_dump_to_bytes(byte_array& out, const std::string& text) {
    out.clear();
    std::vector<std::string> lines;
    dump_column column;
    if (text.empty() || !split_on_char(text, '\n', lines, true, false, false) || lines.empty() ||
        !find_dump_column(lines.front(), column)) {
        return false;
    }
    for (const std::string& line : lines) {
        if (!read_dump_line(line, column, out)) {
            break;
        }
    }
    return !out.empty();
}

bool text_to_int64_list(const std::string& text, std::vector<int64>& list, char separator) {
    if (separator == ' ') {
        return parse_number_list(text, list);
    }
    std::vector<std::string> parts;
    (void)split_on_char(text, separator, parts, false, false, false);  // empty text: no parts
    for (std::string& part : parts) {
        (void)trim_whitespace(part);  // an all-blank part then fails to read below
        int64 value = 0;
        if (string_to_int64(part, &value)) {
            list.push_back(value);
        }
    }
    return !list.empty();
}

bool text_to_byte_list(const std::string& text, byte_array& out) {
    out.clear();
    std::vector<std::string> words;
    (void)split_words(text, words);  // no words: nothing read
    for (const std::string& word : words) {
        uint32 value = 0;
        if (string_to_uint32(word, &value)) {
            out.push_back(static_cast<uint8>(value));
        }
    }
    return !out.empty();
}

char split_numbers_first_separator(std::vector<uint64>& list, const std::string& text, bool trim,
                                   bool keep_empty, const std::string& candidates) {
    list.clear();
    if (text.empty()) {
        return 0;
    }
    std::vector<std::string> parts;
    const char separator = split_on_first_separator(parts, text, trim, keep_empty, candidates);
    if (parts.empty()) {
        parts.push_back(text);
    }
    for (const std::string& part : parts) {
        uint64 value = 0;
        if (string_to_uint64(part, &value)) {
            list.push_back(value);
        }
    }
    return separator;
}

bool whex_to_bytes_exact(const wchar_t* text, uint8* out, int32 n) {
    if (text == nullptr) {
        return false;
    }
    return parse_hex_bytes_exact(wcstr_to_utf8(text).c_str(), out, n);
}

bool wtext_to_double(const wchar_t* text, double& out) {
    out = 0;
    if (text == nullptr) {
        return false;
    }
    return parse_double(wcstr_to_utf8(text).c_str(), &out);
}

bool wtext_to_uint64(const std::wstring& text, uint64& out) {
    return parse_uint64(uni::wstring_to_utf8(text).c_str(), &out);
}

bool text_to_float(const char* text, float& out) {
    if (text == nullptr) {
        return false;
    }
    out = static_cast<float>(std::atof(text));
    return true;
}

bool wtext_to_float(const wchar_t* text, float& out) {
    if (text == nullptr) {
        return false;
    }
    return text_to_float(wcstr_to_utf8(text).c_str(), out);
}
