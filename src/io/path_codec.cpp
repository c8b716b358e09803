#include "io/path_codec.h"

#include "text/kq_types.h"

namespace uni {
namespace {

// A character standing for one byte of an invalid sequence: U+DC80..U+DCFF (only bytes
// 0x80..0xFF can be part of an invalid sequence; ASCII always decodes).
constexpr uint32 escape_base = 0xDC00;

bool is_continuation(uint8 b) { return (b & 0xC0U) == 0x80U; }

// Length of the well-formed UTF-8 sequence starting at `at` and its code point, or 0 when
// the bytes there do not form one (RFC 3629 table of well-formed byte sequences).
std::size_t strict_sequence(const std::string& s, std::size_t at, uint32& cp) {
    const auto lead = static_cast<uint8>(s[at]);
    std::size_t count = 0;
    uint32 min_value = 0;
    if (lead >= 0xC2U && lead <= 0xDFU) {
        count = 2;
        min_value = 0x80;
        cp = lead & 0x1FU;
    } else if (lead >= 0xE0U && lead <= 0xEFU) {
        count = 3;
        min_value = 0x800;
        cp = lead & 0x0FU;
    } else if (lead >= 0xF0U && lead <= 0xF4U) {
        count = 4;
        min_value = 0x10000;
        cp = lead & 0x07U;
    } else {
        return 0;
    }
    if (s.size() - at < count) {
        return 0;
    }
    for (std::size_t i = 1; i < count; ++i) {
        const auto c = static_cast<uint8>(s[at + i]);
        if (!is_continuation(c)) {
            return 0;
        }
        cp = (cp << 6U) | (c & 0x3FU);
    }
    const bool surrogate = cp >= 0xD800U && cp <= 0xDFFFU;
    if (cp < min_value || surrogate || cp > 0x10FFFFU) {
        return 0;
    }
    return count;
}

void append_utf8(std::string& out, uint32 cp) {
    if (cp < 0x80U) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800U) {
        out.push_back(static_cast<char>(0xC0U | (cp >> 6U)));
        out.push_back(static_cast<char>(0x80U | (cp & 0x3FU)));
    } else if (cp < 0x10000U) {
        out.push_back(static_cast<char>(0xE0U | (cp >> 12U)));
        out.push_back(static_cast<char>(0x80U | ((cp >> 6U) & 0x3FU)));
        out.push_back(static_cast<char>(0x80U | (cp & 0x3FU)));
    } else {
        out.push_back(static_cast<char>(0xF0U | (cp >> 18U)));
        out.push_back(static_cast<char>(0x80U | ((cp >> 12U) & 0x3FU)));
        out.push_back(static_cast<char>(0x80U | ((cp >> 6U) & 0x3FU)));
        out.push_back(static_cast<char>(0x80U | (cp & 0x3FU)));
    }
}

}  // namespace

std::wstring narrow_path_to_wide(const std::string& path) {
    std::wstring out;
    out.reserve(path.size());
    std::size_t at = 0;
    while (at < path.size()) {
        const auto b = static_cast<uint8>(path[at]);
        if (b < 0x80U) {
            out.push_back(static_cast<wchar_t>(b));
            ++at;
            continue;
        }
        uint32 cp = 0;
        const std::size_t count = strict_sequence(path, at, cp);
        if (count == 0) {
            out.push_back(static_cast<wchar_t>(escape_base + b));
            ++at;
            continue;
        }
        out.push_back(static_cast<wchar_t>(cp));
        at += count;
    }
    return out;
}

bool wide_path_to_narrow(const std::wstring& path, std::string& out) {
    out.clear();
    out.reserve(path.size());
    for (const wchar_t ch : path) {
        // wchar_t is a 4-byte signed type here; a negative value lands above U+10FFFF.
        const auto cp = static_cast<uint32>(ch);  // NOLINT(bugprone-signed-char-misuse)
        if (cp >= escape_base + 0x80U && cp <= escape_base + 0xFFU) {
            out.push_back(static_cast<char>(cp - escape_base));
            continue;
        }
        if (cp > 0x10FFFFU) {
            return false;
        }
        // Other surrogates cannot come from narrow_path_to_wide; they are written in the
        // three-byte form so that nothing of a caller's text is dropped.
        append_utf8(out, cp);
    }
    return true;
}

}  // namespace uni
