#include "text/sid_text.h"

#include <string_view>

#include "text/byte_reader.h"

namespace {

constexpr std::size_t revision_at = 0;
constexpr std::size_t count_at = 1;
constexpr std::size_t authority_at = 2;
constexpr std::size_t authority_size = 6;
constexpr std::size_t sub_authorities_at = 8;
constexpr std::size_t sub_authority_size = 4;
// A SID with no sub-authority is not used by Windows; the smallest real one (S-1-5-18) has one.
constexpr uint32 min_sid_size = 12;
constexpr uint64 decimal_authority_limit = 0xFFFFFFFF;
constexpr int authority_bits = 48;
constexpr std::string_view upper_hex_digits = "0123456789ABCDEF";

// Size a SID of n sub-authorities needs, or 0 when the header is not there.
std::size_t needed_size(const kq::byte_reader& sid) {
    uint8 count = 0;
    if (!sid.u8_at(count_at, count)) {
        return 0;
    }
    return sub_authorities_at + sub_authority_size * count;
}

// The 48-bit big-endian identifier authority. Windows writes it in decimal below 2^32 and
// as "0x" with twelve hexadecimal digits from there on (S-1-0x010000000005-...).
bool append_authority(std::string& text, const kq::byte_reader& sid) {
    uint64 authority = 0;
    for (std::size_t i = 0; i < authority_size; ++i) {
        uint8 byte = 0;
        if (!sid.u8_at(authority_at + i, byte)) {
            return false;
        }
        authority = (authority << 8) | byte;
    }
    if (authority <= decimal_authority_limit) {
        text.append(std::to_string(authority));
        return true;
    }
    text.append("0x");
    for (int shift = authority_bits - 4; shift >= 0; shift -= 4) {
        text.push_back(upper_hex_digits.at((authority >> shift) & 0xF));
    }
    return true;
}

bool write_sid(std::string& out, const kq::byte_reader& sid) {
    uint8 revision = 0;
    uint8 count = 0;
    if (!sid.u8_at(revision_at, revision) || !sid.u8_at(count_at, count)) {
        return false;
    }
    std::string text = "S-";
    text.append(std::to_string(revision));
    text.push_back('-');
    if (!append_authority(text, sid)) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        uint32 sub = 0;
        if (!sid.le32_at(sub_authorities_at + i * sub_authority_size, sub)) {
            return false;
        }
        text.push_back('-');
        text.append(std::to_string(sub));
    }
    out = text;
    return true;
}

}  // namespace

bool sid_to_text(std::string& out, const uint8* data, uint32 size) {
    out.clear();
    if (data == nullptr || size < min_sid_size) {
        return false;
    }
    const kq::byte_reader sid(data, size);
    const std::size_t needed = needed_size(sid);
    if (needed == 0 || size < needed) {
        return false;
    }
    return write_sid(out, sid);
}

bool sid_to_text_exact(std::string& out, const uint8* data, uint32 size) {
    out.clear();
    if (data == nullptr || size < min_sid_size) {
        return false;
    }
    const kq::byte_reader sid(data, size);
    if (needed_size(sid) != size) {
        return false;
    }
    return write_sid(out, sid);
}

std::string sid_text(const uint8* data, int size) {
    std::string out;
    if (size < 0 || !sid_to_text(out, data, static_cast<uint32>(size))) {
        return {};
    }
    return out;
}
