#include "text/text_lines.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "io/uni_encoding.h"
#include "text/byte_reader.h"
#include "text/text_case.h"
#include "text/text_split.h"

namespace {

constexpr char cr_char = '\r';
constexpr char lf_char = '\n';
// split_lines decides the break from this many leading bytes, enough to see the first
// lines of any text file without scanning a large buffer twice.
constexpr std::size_t line_ending_probe = 1024;

// The break starting with c (followed by next), or 0 when c starts none.
template <typename Unit>
int break_kind(Unit c, Unit next) {
    const auto cr = static_cast<Unit>(cr_char);
    const auto lf = static_cast<Unit>(lf_char);
    if (c == cr) {
        return next == lf ? line_ending::crlf : line_ending::cr;
    }
    if (c == lf) {
        return next == cr ? line_ending::lfcr : line_ending::lf;
    }
    return 0;
}

// The class of a run of characters (bytes or 16-bit units).
template <typename Unit>
int classify_breaks(std::span<const Unit> text) {
    int found = line_ending::none;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const int kind = break_kind(text[i], text[i + 1]);
        if (kind == 0) {
            continue;
        }
        if (found != line_ending::none && found != kind) {
            return line_ending::mixed;
        }
        found = kind;
        if (kind == line_ending::crlf || kind == line_ending::lfcr) {
            ++i;  // the pair is one break
        }
    }
    return found;
}

}  // namespace

int detect_line_ending(const char* buffer, int length) {
    if (buffer == nullptr || length <= 0) {
        return line_ending::none;
    }
    return classify_breaks(std::span<const char>(buffer, static_cast<std::size_t>(length)));
}

int detect_line_ending_utf16(const uint16* units, uint32 byte_length) {
    if (units == nullptr) {
        return line_ending::none;
    }
    return classify_breaks(std::span<const uint16>(units, byte_length / 2));
}

bool split_lines(const char* buffer, int length, std::vector<std::string>& list) {
    list.clear();
    if (buffer == nullptr || length <= 0) {
        return false;
    }
    const std::string_view text(buffer, static_cast<std::size_t>(length));
    int kind =
        detect_line_ending(buffer, static_cast<int>(std::min(text.size(), line_ending_probe)));
    if (kind == line_ending::none) {
        kind = detect_line_ending(buffer, length);  // the first break may lie further on
    }
    if (kind == line_ending::cr) {
        (void)split_buffer_on_char(buffer, length, cr_char, list, nullptr, false);
    } else if (kind == line_ending::lfcr) {
        std::string copy(text);
        std::replace(copy.begin(), copy.end(), lf_char, ' ');
        (void)split_buffer_on_char(copy.data(), length, cr_char, list, nullptr, false);
    } else {
        // CR LF, lone LF, mixed breaks, and text without any break: LF ends a line and
        // trimming takes the CR of a CR LF; a buffer without a break is one line.
        (void)split_buffer_on_char(buffer, length, lf_char, list, nullptr, false);
    }
    for (std::string& line : list) {
        (void)trim_whitespace(line);  // a line of blanks stays as an empty item
    }
    return !list.empty();
}

namespace {

// One LF-ended line [from, end): CRs at its start skipped, one CR before the LF dropped.
std::string_view line_body(std::string_view text, std::size_t from, std::size_t end) {
    while (from < end && text[from] == cr_char) {
        ++from;
    }
    if (end > from + 1 && text[end - 1] == cr_char) {
        --end;
    }
    return text.substr(from, end - from);
}

}  // namespace

bool split_text_lines(uint32* consumed, std::vector<std::string>& list, const char* buffer,
                      uint32 length, bool trim, bool skip_empty) {
    if (length == 0) {
        return false;
    }
    if (consumed != nullptr) {
        *consumed = 0;
    }
    list.clear();
    if (buffer == nullptr) {
        return false;
    }
    const std::string_view text(buffer, length);
    std::size_t from = 0;
    for (std::size_t at = text.find(lf_char); at != std::string_view::npos;
         at = text.find(lf_char, from)) {
        std::string line(line_body(text, from, at));
        if (trim) {
            (void)trim_whitespace(line);
        }
        if (!skip_empty || !line.empty()) {
            list.push_back(std::move(line));
        }
        from = at + 1;
    }
    if (consumed != nullptr) {
        *consumed = static_cast<uint32>(from);
    }
    return !list.empty();
}

namespace {

// Adds one line of split_buffer_lines; `line` holds the characters before the break.
void add_buffer_line(std::vector<std::string>& list, std::string line, bool trim, bool skip_empty) {
    if (line.empty()) {
        if (!skip_empty) {
            list.emplace_back();
        }
        return;
    }
    if (line.size() > 1 && line.back() == cr_char) {
        line.pop_back();
    }
    if (trim) {
        (void)trim_whitespace(line);
    }
    list.push_back(std::move(line));
}

void add_buffer_line(std::vector<std::string>& list, std::wstring line, bool trim,
                     bool skip_empty) {
    if (line.empty()) {
        if (!skip_empty) {
            list.emplace_back();
        }
        return;
    }
    if (line.size() > 1 && line.back() == L'\r') {
        line.pop_back();
    }
    if (trim) {
        (void)wtrim_whitespace(line);
    }
    list.push_back(uni::wstring_to_utf8(line));
}

void split_single_byte_lines(std::vector<std::string>& list, std::string_view text, bool trim,
                             bool skip_empty) {
    std::string line;
    for (const char c : text) {
        if (c != lf_char && c != '\0') {
            line += c;
            continue;
        }
        add_buffer_line(list, std::move(line), trim, skip_empty);
        line.clear();
        if (c == '\0') {
            return;  // a NUL ends the text
        }
    }
}

void split_utf16_lines(std::vector<std::string>& list, const kq::byte_reader& bytes, bool trim,
                       bool skip_empty) {
    std::wstring line;
    uint16 unit = 0;
    for (std::size_t at = 0; bytes.le16_at(at, unit); at += 2) {
        if (unit != static_cast<uint16>(lf_char)) {
            line += static_cast<wchar_t>(unit);
            continue;
        }
        add_buffer_line(list, std::move(line), trim, skip_empty);
        line.clear();
    }
}

}  // namespace

bool split_buffer_lines(std::vector<std::string>& list, const char* buffer, int length, bool trim,
                        bool skip_empty) {
    list.clear();
    if (buffer == nullptr || length < 2) {
        return false;
    }
    const std::string_view text(buffer, static_cast<std::size_t>(length));
    // UTF-16 text of ASCII characters has a NUL in every other byte; single-byte text has
    // none among its first characters.
    const bool single_byte = text[0] != '\0' && text[1] != '\0' &&
                             (text.size() < 4 || (text[2] != '\0' && text[3] != '\0'));
    if (single_byte) {
        split_single_byte_lines(list, text, trim, skip_empty);
    } else {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes viewed as bytes
        const kq::byte_reader bytes(reinterpret_cast<const uint8*>(buffer), text.size());
        split_utf16_lines(list, bytes, trim, skip_empty);
    }
    return !list.empty();
}

bool byte_array_to_lines(const byte_array& bytes, std::vector<std::string>& list) {
    list.clear();
    if (bytes.empty()) {
        return false;
    }
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes viewed as chars
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(lf_char); at != std::string_view::npos;
         at = text.find(lf_char, from)) {
        std::size_t start = from;
        while (start < at && text[start] == cr_char) {
            ++start;
        }
        std::string line(text.substr(start, at - start));
        (void)trim_whitespace(line);
        list.push_back(std::move(line));
        from = at + 1;
    }
    // A last line without its LF is a line too, even of a single byte.
    if (from < text.size()) {
        std::string line(text.substr(from));
        (void)trim_whitespace(line);
        list.push_back(std::move(line));
    }
    return !list.empty();
}

bool utf16_bytes_to_wlines(const byte_array& bytes, std::vector<std::wstring>& list) {
    list.clear();
    if (bytes.size() < 2) {
        return false;
    }
    const kq::byte_reader units(bytes);
    std::wstring line;
    bool line_start = true;
    uint16 unit = 0;
    for (std::size_t at = 0; units.le16_at(at, unit); at += 2) {
        if (unit == static_cast<uint16>(lf_char)) {
            (void)wtrim_whitespace(line);
            list.push_back(std::move(line));
            line.clear();
            line_start = true;
            continue;
        }
        if (line_start && unit == static_cast<uint16>(cr_char)) {
            continue;
        }
        line_start = false;
        line += static_cast<wchar_t>(unit);
    }
    return !list.empty();
}

bool lf_to_crlf(const char* buffer, int length, std::string& out) {
    if (detect_line_ending(buffer, length) != line_ending::lf) {
        return false;
    }
    out.clear();
    for (const char c : std::string_view(buffer, static_cast<std::size_t>(length))) {
        if (c == lf_char) {
            out += cr_char;
        }
        out += c;
    }
    return true;
}

template <typename Char>
std::basic_string<Char>& mark_line_breaks_in(std::basic_string<Char>& text) {
    const auto cr = static_cast<Char>(cr_char);
    const auto lf = static_cast<Char>(lf_char);
    if (text.find(cr) == std::basic_string<Char>::npos &&
        text.find(lf) == std::basic_string<Char>::npos) {
        return text;
    }
    const auto append_marker = [](std::basic_string<Char>& out, std::string_view marker) {
        out.append(marker.begin(), marker.end());
    };
    std::basic_string<Char> marked;
    marked.reserve(text.size() + 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Char c = text[i];
        const Char next = i + 1 < text.size() ? text[i + 1] : Char();
        if (c == cr && next == lf) {
            append_marker(marked, "[CRLF]");
            ++i;
        } else if (c == lf && next == cr) {
            append_marker(marked, "[LFCR]");
            ++i;
        } else if (c == lf) {
            append_marker(marked, "[LF]");
        } else if (c == cr) {
            // A CR next to no LF would otherwise reach a CSV line raw and split the record.
            append_marker(marked, "[CR]");
        } else {
            marked += c;
        }
    }
    text = std::move(marked);
    return text;
}

template std::string& mark_line_breaks_in(std::string& text);
template std::wstring& mark_line_breaks_in(std::wstring& text);

std::string& mark_line_breaks(std::string& text) { return mark_line_breaks_in(text); }
