#include "text/sha256_digest.h"

#include <algorithm>
#include <bit>
#include <new>

namespace {

constexpr std::size_t block_size = 64;
constexpr std::size_t length_at = 56;

// FIPS 180-4 section 5.3.3.
constexpr std::array<uint32, 8> initial_state = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

// FIPS 180-4 section 4.2.2.
constexpr std::array<uint32, 64> k_table = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32 be32(std::span<const uint8, 64> block, std::size_t at) {
    return (static_cast<uint32>(block[at]) << 24) | (static_cast<uint32>(block[at + 1]) << 16) |
           (static_cast<uint32>(block[at + 2]) << 8) | static_cast<uint32>(block[at + 3]);
}

// The message schedule of FIPS 180-4 section 6.2.2 step 1.
std::array<uint32, 64> schedule(std::span<const uint8, 64> block) {
    std::array<uint32, 64> w{};
    for (std::size_t t = 0; t < 16; ++t) {
        w[t] = be32(block, 4 * t);
    }
    for (std::size_t t = 16; t < w.size(); ++t) {
        const uint32 s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const uint32 s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    return w;
}

void add_bits(sha256_context& context, uint32 bits) {
    const uint32 low = context.bit_count[0] + bits;
    if (low < context.bit_count[0]) {
        ++context.bit_count[1];
    }
    context.bit_count[0] = low;
}

}  // namespace

sha256_context::sha256_context() { sha256_init(*this); }

void sha256_init(sha256_context& context) {
    context.buffer.fill(0);
    context.buffer_length = 0;
    context.bit_count = {0, 0};
    context.state = initial_state;
    context.constants = nullptr;
    try {
        context.round_constants.assign(k_table.begin(), k_table.end());
        context.constants = context.round_constants.data();
    } catch (const std::bad_alloc&) {
        context.round_constants.clear();
    }
}

void sha256_reset(sha256_context* context) {
    if (context != nullptr) {
        sha256_init(*context);
    }
}

void sha256_transform(sha256_context& context, std::span<const uint8, 64> block) {
    if (context.constants == nullptr) {
        return;
    }
    const std::span<const uint32, 64> k(context.constants, 64);
    const std::array<uint32, 64> w = schedule(block);
    std::array<uint32, 8> v = context.state;  // a b c d e f g h
    for (std::size_t t = 0; t < w.size(); ++t) {
        const uint32 s1 = std::rotr(v[4], 6) ^ std::rotr(v[4], 11) ^ std::rotr(v[4], 25);
        const uint32 choose = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const uint32 t1 = v[7] + s1 + choose + k[t] + w[t];
        const uint32 s0 = std::rotr(v[0], 2) ^ std::rotr(v[0], 13) ^ std::rotr(v[0], 22);
        const uint32 majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        std::rotate(v.rbegin(), v.rbegin() + 1, v.rend());
        v[4] += t1;
        v[0] = t1 + s0 + majority;
    }
    for (std::size_t i = 0; i < v.size(); ++i) {
        context.state[i] += v[i];
    }
}

bool sha256_update(sha256_context* context, const void* data, std::size_t length) {
    if (context == nullptr || context->constants == nullptr || data == nullptr || length == 0) {
        return false;
    }
    std::span<const uint8> input(static_cast<const uint8*>(data), length);
    while (!input.empty()) {
        const std::size_t take = std::min(input.size(), block_size - context->buffer_length);
        std::copy_n(input.begin(), take,
                    context->buffer.begin() + static_cast<long>(context->buffer_length));
        context->buffer_length += static_cast<uint32>(take);
        input = input.subspan(take);
        if (context->buffer_length == block_size) {
            sha256_transform(*context, context->buffer);
            add_bits(*context, block_size * 8);
            context->buffer_length = 0;
        }
    }
    return true;
}

bool sha256_final(sha256_context* context, std::array<uint8, 32>& out) {
    if (context == nullptr || context->constants == nullptr) {
        return false;
    }
    std::size_t at = context->buffer_length;
    context->buffer[at++] = 0x80;
    if (at > length_at) {
        std::fill(context->buffer.begin() + static_cast<long>(at), context->buffer.end(), 0);
        sha256_transform(*context, context->buffer);
        at = 0;
    }
    std::fill(context->buffer.begin() + static_cast<long>(at),
              context->buffer.begin() + static_cast<long>(length_at), 0);
    add_bits(*context, context->buffer_length * 8);
    for (std::size_t i = 0; i < 4; ++i) {
        context->buffer[length_at + i] = static_cast<uint8>(context->bit_count[1] >> (24 - 8 * i));
        context->buffer[length_at + 4 + i] =
            static_cast<uint8>(context->bit_count[0] >> (24 - 8 * i));
    }
    sha256_transform(*context, context->buffer);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<uint8>(context->state[i / 4] >> (24 - 8 * (i % 4)));
    }
    return true;
}

bool sha256_digest(const void* data, std::size_t length, std::array<uint8, 32>& out) {
    if (data == nullptr || length == 0) {
        return false;
    }
    sha256_context context;
    sha256_reset(&context);
    if (!sha256_update(&context, data, length)) {
        return false;
    }
    return sha256_final(&context, out);
}
