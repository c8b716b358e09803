#include "text/extras/base64_encode.h"

#include <cstddef>
#include <new>
#include <string_view>

#include "text/byte_reader.h"

namespace {

constexpr std::string_view alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char pad = '=';
constexpr std::string_view line_break = "\r\n";
// Lines of 76 characters (RFC 2045): the counter grows by 4 per group and a break follows
// once it passes 72.
constexpr unsigned line_break_after = 72;
constexpr std::size_t group_bytes = 3;
constexpr std::size_t group_chars = 4;
constexpr std::size_t line_chars = 76;

char sextet(uint32 bits, unsigned shift) {
    return alphabet[(bits >> shift) & 0x3Fu];
}

// Up to three bytes from at, high byte first, zero-filled; returns how many were there.
std::size_t read_group(const kq::byte_reader& bytes, std::size_t at, uint32& bits) {
    bits = 0;
    std::size_t taken = 0;
    for (std::size_t i = 0; i < group_bytes; ++i) {
        uint8 b = 0;
        if (bytes.u8_at(at + i, b)) {
            ++taken;
        }
        bits = (bits << 8u) | b;
    }
    return taken;
}

void write_group(std::vector<char>& out, uint32 bits, std::size_t taken) {
    out.push_back(sextet(bits, 18));
    out.push_back(sextet(bits, 12));
    out.push_back(taken > 1 ? sextet(bits, 6) : pad);
    out.push_back(taken > 2 ? sextet(bits, 0) : pad);
}

void encode(const kq::byte_reader& bytes, std::vector<char>& out, bool wrap_lines, bool crlf) {
    unsigned line = 0;
    for (std::size_t at = 0; at < bytes.size(); at += group_bytes) {
        uint32 bits = 0;
        const std::size_t taken = read_group(bytes, at, bits);
        write_group(out, bits, taken);
        if (taken < group_bytes) {
            break;  // the padded last group ends the text without a break of its own
        }
        line += group_chars;
        if (wrap_lines && line > line_break_after) {
            line = 0;
            if (crlf) {
                out.insert(out.end(), line_break.begin(), line_break.end());
            }
        }
    }
    if (crlf) {
        out.insert(out.end(), line_break.begin(), line_break.end());
    }
}

}  // namespace

bool base64_encode(const uint8* data, int32 length, std::vector<char>& out, bool wrap_lines,
                   bool append_nul, bool crlf) {
    out.clear();
    if (data == nullptr || length <= 0) {
        return false;
    }
    const kq::byte_reader bytes(data, static_cast<std::size_t>(length));
    // Sized in 64 bits so that no length can wrap the reserve small.
    const uint64 chars = (static_cast<uint64>(length) + group_bytes - 1) / group_bytes * group_chars;
    const uint64 breaks = chars / line_chars + 1;
    try {
        out.reserve(static_cast<std::size_t>(chars + breaks * line_break.size() + 3));
        encode(bytes, out, wrap_lines, crlf);
        if (append_nul) {
            out.push_back('\0');
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    return true;
}
