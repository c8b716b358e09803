#include "text/extras/utf16_unit_text.h"

#include <cstddef>
#include <span>

#include "io/uni_encoding.h"
#include "text/text_case.h"
#include "text/utf16_text.h"

namespace {

// Filenames and registry values the callers read stay far below this; it bounds the walk
// over a buffer whose NUL is missing.
constexpr std::size_t lower_wstring_unit_limit = 768;

}  // namespace

std::string utf16_unit_to_utf8(uint16_t unit) {
    const auto c = static_cast<unsigned>(unit);
    std::string out;
    if (c < 0x80u) {
        out.push_back(static_cast<char>(c));
        return out;
    }
    if (c < 0x800u) {
        out.push_back(static_cast<char>(0xC0u | (c >> 6u)));
        out.push_back(static_cast<char>(0x80u | (c & 0x3Fu)));
        return out;
    }
    out.push_back(static_cast<char>(0xE0u | (c >> 12u)));
    out.push_back(static_cast<char>(0x80u | ((c >> 6u) & 0x3Fu)));
    out.push_back(static_cast<char>(0x80u | (c & 0x3Fu)));
    return out;
}

std::string latin1_to_utf8(char latin1) {
    std::string out;
    append_latin1_as_utf8(out, static_cast<uint8_t>(latin1));
    return out;
}

void utf16_to_utf8_with_count(const uint16_t* units, std::string& out, int32& consumed,
                              int32 byte_count) {
    out.clear();
    std::wstring wide;
    consumed = utf16_to_wstring(units, wide, byte_count);
    if (!wide.empty()) {
        out = uni::wstring_to_utf8(wide);
    }
}

std::wstring utf16_to_lower_wstring(const uint16_t* units) {
    std::wstring out;
    if (units == nullptr) {
        return out;
    }
    // The caller promises a NUL within the limit or that many readable units.
    const std::span<const uint16_t> readable(units, lower_wstring_unit_limit);
    for (const uint16_t unit : readable) {
        if (unit == 0) {
            break;
        }
        out.push_back(static_cast<wchar_t>(unit));
    }
    return wstring_to_lower(out);
}

uint16_t* utf16_crlf_from_text(std::vector<uint16_t>& out, const char* const* text) {
    out.clear();
    if (text == nullptr) {
        return nullptr;
    }
    return ascii_to_utf16_crlf(out, *text);
}
