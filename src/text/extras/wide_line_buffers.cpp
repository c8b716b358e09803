#include "text/extras/wide_line_buffers.h"

#include <algorithm>
#include <limits>

#include "io/uni_encoding.h"
#include "text/byte_reader.h"
#include "text/path_text.h"
#include "text/text_case.h"
#include "text/text_lines.h"
#include "text/text_split.h"
#include "text/utf16_text.h"

namespace {

// The line ending is judged on the head of the buffer only, as split_lines does for 8-bit
// text, so a huge buffer is not scanned twice.
constexpr uint32 line_ending_probe_bytes = 1024;

// 8-bit text has no 0 among its first bytes; UTF-16 of ASCII has one in every unit.
bool looks_narrow(const kq::byte_reader& bytes) {
    uint8 b0 = 0;
    uint8 b1 = 0;
    if (!bytes.u8_at(0, b0) || !bytes.u8_at(1, b1) || b0 == 0 || b1 == 0) {
        return false;
    }
    uint8 b2 = 0;
    uint8 b3 = 0;
    if (!bytes.u8_at(2, b2) || !bytes.u8_at(3, b3)) {
        return true;
    }
    return b2 != 0 && b3 != 0;
}

bool narrow_lines(const kq::byte_reader& bytes, std::vector<std::wstring>& list) {
    const std::size_t length = std::min<std::size_t>(
        bytes.size(), static_cast<std::size_t>(std::numeric_limits<int>::max()));
    std::string text(length, '\0');
    uint8 value = 0;
    for (std::size_t at = 0; at < length && bytes.u8_at(at, value); ++at) {
        text[at] = static_cast<char>(value);
    }
    std::vector<std::string> lines;
    if (!split_lines(text.data(), static_cast<int>(length), lines)) {
        return false;
    }
    return uni::utf8_list_to_wide(list, lines) && !list.empty();
}

std::vector<uint16_t> read_units(const kq::byte_reader& bytes) {
    std::vector<uint16_t> units;
    units.reserve(bytes.size() / 2);
    uint16 unit = 0;
    for (std::size_t at = 0; bytes.le16_at(at, unit); at += 2) {
        units.push_back(unit);
    }
    return units;
}

// The character the lines are split at for a line-ending kind; 0 for kinds that give no
// lines.
wchar_t split_character(int kind) {
    if (kind == line_ending::crlf || kind == line_ending::lf) {
        return L'\n';
    }
    if (kind == line_ending::cr || kind == line_ending::lfcr) {
        return L'\r';
    }
    return 0;
}

bool wide_lines(const kq::byte_reader& bytes, std::vector<std::wstring>& list) {
    const std::vector<uint16_t> units = read_units(bytes);
    const auto probe =
        static_cast<uint32>(std::min<std::size_t>(units.size() * 2, line_ending_probe_bytes));
    const int kind = detect_line_ending_utf16(units.data(), probe);
    const wchar_t separator = split_character(kind);
    std::wstring text;
    if (separator == 0 || !uni::utf16_to_wstring(text, units)) {
        return false;
    }
    if (kind == line_ending::lfcr) {
        std::replace(text.begin(), text.end(), L'\n', L' ');
    }
    const int length = static_cast<int>(std::min<std::size_t>(
        text.size(), static_cast<std::size_t>(std::numeric_limits<int>::max())));
    std::vector<std::wstring> pieces;
    (void)wsplit_buffer_on_char(text.data(), length, separator, pieces, nullptr, false);
    for (std::wstring& piece : pieces) {
        if (wtrim_whitespace(piece)) {
            list.push_back(std::move(piece));
        }
    }
    return !list.empty();
}

}  // namespace

bool bytes_to_wide_lines(const uint8* data, uint32 count, std::vector<std::wstring>& list) {
    const kq::byte_reader bytes(data, count);
    list.clear();
    if (data == nullptr || bytes.size() < 2) {
        return false;
    }
    if (looks_narrow(bytes)) {
        return narrow_lines(bytes, list);
    }
    return wide_lines(bytes, list);
}

uint16_t* wide_to_utf16_units(std::vector<uint16_t>& units, const std::wstring& text) {
    units.clear();
    return wide_to_utf16_crlf(units, text.c_str());
}

bool split_utf16_path(const uint16_t* units, std::wstring& directory, std::wstring& name) {
    if (units == nullptr) {
        return false;
    }
    std::wstring path;
    (void)utf16_to_wstring(units, path, -1);
    return wsplit_path(path, directory, name);
}
