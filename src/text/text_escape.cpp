#include "text/text_escape.h"

#include <climits>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "text/markup_match.h"
#include "text/utf16_text.h"

namespace {

constexpr char lower_hex_digits[] = "0123456789abcdef";

template <class Char>
void append_percent_form(std::basic_string<Char>& out, uint8 value) {
    out.push_back(Char('%'));
    out.push_back(Char(lower_hex_digits[value >> 4U]));
    out.push_back(Char(lower_hex_digits[value & 0x0FU]));
}

// Index of the first match text found at pos, or matches.size().
template <class Char>
std::size_t first_match_at(std::basic_string_view<Char> text, std::size_t pos,
                           const std::vector<std::basic_string<Char>>& matches, bool nocase) {
    std::size_t k = 0;
    while (k < matches.size() &&
           !markup_match::at(text, pos, std::basic_string_view<Char>(matches[k]), nocase)) {
        ++k;
    }
    return k;
}

template <class Char>
bool escape_text(std::basic_string_view<Char> text,
                 const std::vector<std::basic_string<Char>>& matches,
                 const std::vector<std::basic_string<Char>>& replacements,
                 std::basic_string<Char>& out, bool nocase, bool percent) {
    out.clear();
    if (text.empty() || matches.empty() || matches.size() != replacements.size()) {
        return false;
    }
    std::size_t i = 0;
    while (i < text.size()) {
        const Char c = text[i];
        // Wide characters are judged by their low byte, as the byte form would see them.
        const auto low = static_cast<uint8>(static_cast<std::make_unsigned_t<Char>>(c) & 0xFFU);
        if (c == Char('\r') || c == Char('\n')) {
            out.push_back(c);
            ++i;
            continue;
        }
        if (percent && (low < 32 || low > 126)) {
            append_percent_form(out, low);
            ++i;
            continue;
        }
        const std::size_t k = first_match_at(text, i, matches, nocase);
        if (k < matches.size()) {
            out += replacements[k];
            i += matches[k].size();
            continue;
        }
        out.push_back(c);
        ++i;
    }
    return true;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The two characters at `at` as a hex number, or -1.
int hex_pair(const std::string& text, std::size_t at) {
    const int high = hex_value(text[at]);
    const int low = hex_value(text[at + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Decodes the escape whose "%" is at pct (two characters follow it) into out; returns the
// index after the characters read.
std::size_t decode_escape(const std::string& text, std::size_t pct, char special,
                          const std::string& replacement, std::string& out) {
    std::size_t at = pct + 1;
    int value = hex_pair(text, at);
    // An escaped "%" escapes again: "%2541" is "A".
    while (value == 0x25 && text.size() - (at + 2) >= 2) {
        at += 2;
        value = hex_pair(text, at);
    }
    if (value < 32 || value > 127) {
        out.push_back('%');
        out.append(text, at, 2);
    } else if (value == static_cast<unsigned char>(special)) {
        out += replacement;
    } else {
        out.push_back(static_cast<char>(value));
    }
    return at + 2;
}

}  // namespace

bool escape_by_table(const uint8* text, int length, const std::vector<std::string>& matches,
                     const std::vector<std::string>& replacements, std::string& out, bool nocase,
                     bool percent) {
    if (text == nullptr || length <= 0) {
        out.clear();
        return false;
    }
    const std::string_view view(reinterpret_cast<const char*>(text),  // NOLINT(*-reinterpret-cast)
                                static_cast<std::size_t>(length));
    return escape_text(view, matches, replacements, out, nocase, percent);
}

bool wescape_by_table(const wchar_t* text, int count, const std::vector<std::wstring>& matches,
                      const std::vector<std::wstring>& replacements, std::wstring& out, bool nocase,
                      bool percent) {
    if (text == nullptr || count <= 0) {
        out.clear();
        return false;
    }
    const std::wstring_view view(text, static_cast<std::size_t>(count));
    return escape_text(view, matches, replacements, out, nocase, percent);
}

const std::vector<std::string>& html_entity_matches() {
    static const std::vector<std::string> matches{"<", ">", "&"};
    return matches;
}

const std::vector<std::string>& html_entity_replacements() {
    static const std::vector<std::string> replacements{"&lt;", "&gt;", "&amp;"};
    return replacements;
}

std::string html_escape_basic(const uint8* text) {
    const std::vector<std::string>& matches = html_entity_matches();
    const std::vector<std::string>& replacements = html_entity_replacements();
    if (text == nullptr) {
        return {};
    }
    const std::size_t length =
        std::strlen(reinterpret_cast<const char*>(text));  // NOLINT(*-reinterpret-cast)
    std::string escaped;
    if (length > INT_MAX || !escape_by_table(text, static_cast<int>(length), matches, replacements,
                                             escaped, true, true)) {
        return latin1_to_utf8(text);
    }
    // The escaped text holds only bytes 32 to 126, CR and LF, so this copies it unchanged.
    return latin1_to_utf8(
        reinterpret_cast<const uint8*>(escaped.c_str()));  // NOLINT(*-reinterpret-cast)
}

bool url_percent_decode(std::string& out, const std::string& text, char special,
                        const std::string& replacement) {
    out.clear();
    if (text.find('%') == std::string::npos) {
        return false;
    }
    std::string decoded;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t pct = text.find('%', i);
        if (pct == std::string::npos || text.size() - pct < 3) {
            decoded.append(text, i);  // a "%" without two characters after it stays as it is
            break;
        }
        decoded.append(text, i, pct - i);
        i = decode_escape(text, pct, special, replacement, decoded);
    }
    out = std::move(decoded);
    return true;
}
