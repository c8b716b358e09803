#include "text/netbios_name.h"

#include <span>

namespace {

constexpr int name_bytes = 15;
constexpr std::size_t encoded_letters = 32;
constexpr uint8 pad_byte = ' ';

void encode_byte(uint8 value, std::span<char> out, std::size_t at) {
    out[at] = static_cast<char>('A' + (value >> 4));
    out[at + 1] = static_cast<char>('A' + (value & 0x0F));
}

uint8 decode_pair(uint8 high, uint8 low) {
    // Letters outside 'A'..'P' come from damage; each still yields one half-byte.
    return static_cast<uint8>((((high - 'A') & 0x0F) << 4) | ((low - 'A') & 0x0F));
}

}  // namespace

bool netbios_encode_name(const uint8* name, int length, uint8 suffix, char* out) {
    if (length < 0 || length > name_bytes || out == nullptr || (name == nullptr && length > 0)) {
        return false;
    }
    const std::span<char> letters(out, encoded_letters);
    const std::span<const uint8> bytes(name, static_cast<std::size_t>(length));
    std::size_t at = 0;
    for (const uint8 b : bytes) {
        encode_byte(b, letters, at);
        at += 2;
    }
    for (int i = length; i < name_bytes; ++i) {
        encode_byte(pad_byte, letters, at);
        at += 2;
    }
    encode_byte(suffix, letters, at);
    return true;
}

bool netbios_decode_name(const uint8* letters, std::string& out, uint8* suffix) {
    out.clear();
    if (letters == nullptr) {
        return false;
    }
    const std::span<const uint8> in(letters, encoded_letters);
    for (std::size_t i = 0; i < static_cast<std::size_t>(name_bytes) * 2; i += 2) {
        out.push_back(static_cast<char>(decode_pair(in[i], in[i + 1])));
    }
    if (suffix != nullptr) {
        *suffix = decode_pair(in[encoded_letters - 2], in[encoded_letters - 1]);
    }
    return true;
}
