#include "text/base64_text.h"

#include <array>
#include <new>
#include <span>
#include <string>
#include <utility>

namespace {

constexpr char pad = '=';

bool is_alphabet(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// The alphabet and '=' of the text up to its length or first NUL.
std::string kept_characters(std::span<const char> text) {
    std::string kept;
    for (const char c : text) {
        if (c == '\0') {
            break;
        }
        if (is_alphabet(c) || c == pad) {
            kept += c;
        }
    }
    return kept;
}

void decode_group(const std::array<char, 4>& group, byte_array& out) {
    // Padding in the first two places carries no data bits: "====" is no byte at all.
    if (group[0] == pad || group[1] == pad) {
        return;
    }
    const uint32 c0 = base64_char_value(group[0]);
    const uint32 c1 = base64_char_value(group[1]);
    const uint32 c2 = base64_char_value(group[2]);
    const uint32 c3 = base64_char_value(group[3]);
    out.push_back(static_cast<uint8>((c0 << 2) | (c1 >> 4)));
    if (group[2] != pad) {
        out.push_back(static_cast<uint8>(((c1 << 4) | (c2 >> 2)) & 0xFF));
    }
    if (group[3] != pad) {
        out.push_back(static_cast<uint8>(((c2 << 6) | c3) & 0xFF));
    }
}

}  // namespace

uint8 base64_char_value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return static_cast<uint8>(c - 'A');
    }
    if (c >= 'a' && c <= 'z') {
        return static_cast<uint8>(c - 'a' + 26);
    }
    if (c >= '0' && c <= '9') {
        return static_cast<uint8>(c - '0' + 52);
    }
    return c == '+' ? 62 : 63;
}

bool base64_decode(const char* text, std::size_t length, byte_array& out) {
    if (text == nullptr || length == 0) {
        return false;
    }
    byte_array decoded;
    std::string kept;
    try {
        kept = kept_characters(std::span<const char>(text, length));
        decoded.reserve(kept.size() / 4 * 3 + 3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::size_t at = 0; at < kept.size(); at += 4) {
        const std::size_t left = kept.size() - at;
        if (left < 2) {
            break;  // one character carries only 6 bits: no whole byte
        }
        std::array<char, 4> group = {pad, pad, pad, pad};
        for (std::size_t i = 0; i < 4 && i < left; ++i) {
            group[i] = kept[at + i];
        }
        decode_group(group, decoded);
    }
    out = std::move(decoded);
    return true;
}

bool base64_text_check(const char* text, std::size_t length, bool check_chars) {
    if (text == nullptr || length < 4) {
        return false;
    }
    const std::span<const char> chars(text, length);
    const std::size_t remainder = length % 3;
    if (remainder == 1 && chars[length - 1] != pad && chars[length - 2] != pad) {
        return false;
    }
    if (remainder == 2 && chars[length - 1] != pad) {
        return false;
    }
    if (!check_chars) {
        return true;
    }
    std::size_t end = length - remainder;
    for (int i = 0; i < 2 && end > 0 && chars[end - 1] == pad; ++i) {
        --end;
    }
    for (std::size_t i = 0; i < end; ++i) {
        if (!is_alphabet(chars[i])) {
            return false;
        }
    }
    return true;
}
