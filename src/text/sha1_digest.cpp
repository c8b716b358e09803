#include "text/sha1_digest.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::size_t block_size = 64;
constexpr std::size_t length_at = 56;

// FIPS 180-4 section 5.3.1.
constexpr std::array<uint32, 5> initial_state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476,
                                                 0xc3d2e1f0};

uint32 be32(std::span<const uint8, 64> block, std::size_t at) {
    return (static_cast<uint32>(block[at]) << 24) | (static_cast<uint32>(block[at + 1]) << 16) |
           (static_cast<uint32>(block[at + 2]) << 8) | static_cast<uint32>(block[at + 3]);
}

// FIPS 180-4 section 4.1.1: the function and constant of step t.
uint32 step_value(std::size_t t, uint32 b, uint32 c, uint32 d) {
    if (t < 20) {
        return ((b & c) | (~b & d)) + 0x5a827999;
    }
    if (t < 40) {
        return (b ^ c ^ d) + 0x6ed9eba1;
    }
    if (t < 60) {
        return ((b & c) | (b & d) | (c & d)) + 0x8f1bbcdc;
    }
    return (b ^ c ^ d) + 0xca62c1d6;
}

void write_be32(std::span<uint8> out, std::size_t at, uint32 value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8>(value >> (8 * (3 - i)));
    }
}

}  // namespace

bool sha1_init(sha1_context* context) {
    if (context == nullptr) {
        return false;
    }
    *context = sha1_context{};
    context->state = initial_state;
    return true;
}

void sha1_transform(sha1_context& context, std::span<const uint8, 64> block) {
    std::array<uint32, 80> w{};
    for (std::size_t t = 0; t < 16; ++t) {
        w[t] = be32(block, 4 * t);
    }
    for (std::size_t t = 16; t < w.size(); ++t) {
        w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    }
    uint32 a = context.state[0];
    uint32 b = context.state[1];
    uint32 c = context.state[2];
    uint32 d = context.state[3];
    uint32 e = context.state[4];
    for (std::size_t t = 0; t < w.size(); ++t) {
        const uint32 temp = std::rotl(a, 5) + step_value(t, b, c, d) + e + w[t];
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = temp;
    }
    context.state[0] += a;
    context.state[1] += b;
    context.state[2] += c;
    context.state[3] += d;
    context.state[4] += e;
}

bool sha1_update(sha1_context* context, const void* data, std::size_t length) {
    if (context == nullptr || data == nullptr || length == 0) {
        return false;
    }
    const std::span<const uint8> input(static_cast<const uint8*>(data), length);
    std::size_t index = context->count[0] & (block_size - 1);
    // The byte count grows first, carrying into the high word.
    const auto bytes = static_cast<uint64>(length);
    const uint32 low = context->count[0] + static_cast<uint32>(bytes);
    context->count[1] += static_cast<uint32>(bytes >> 32) + (low < context->count[0] ? 1 : 0);
    context->count[0] = low;

    std::size_t taken = 0;
    const std::size_t room = block_size - index;
    if (input.size() >= room) {
        std::copy_n(input.begin(), room, context->buffer.begin() + static_cast<long>(index));
        sha1_transform(*context, context->buffer);
        for (taken = room; input.size() - taken >= block_size; taken += block_size) {
            sha1_transform(*context, input.subspan(taken).first<64>());
        }
        index = 0;
    }
    const auto rest = input.subspan(taken);
    std::copy(rest.begin(), rest.end(), context->buffer.begin() + static_cast<long>(index));
    return true;
}

bool sha1_final(std::array<uint8, 20>& out, sha1_context* context) {
    if (context == nullptr) {
        return false;
    }
    // The length in bits, big-endian: the byte count shifted left by 3 across both words.
    std::array<uint8, 8> length_bytes{};
    write_be32(length_bytes, 0, (context->count[1] << 3) | (context->count[0] >> 29));
    write_be32(length_bytes, 4, context->count[0] << 3);
    const std::size_t index = context->count[0] & (block_size - 1);
    const std::size_t pad_length =
        index < length_at ? length_at - index : block_size + length_at - index;
    std::array<uint8, block_size> padding{};
    padding[0] = 0x80;
    (void)sha1_update(context, padding.data(), pad_length);  // pad_length is 1 to 64
    (void)sha1_update(context, length_bytes.data(), length_bytes.size());
    for (std::size_t i = 0; i < context->state.size(); ++i) {
        write_be32(out, 4 * i, context->state[i]);
    }
    return true;
}

bool sha1_digest(const void* data, std::size_t length, std::array<uint8, 20>& out) {
    sha1_context context;
    if (!sha1_init(&context) || !sha1_update(&context, data, length)) {
        return false;
    }
    return sha1_final(out, &context);
}
