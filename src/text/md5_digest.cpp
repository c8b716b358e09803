#include "text/md5_digest.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::size_t block_size = 64;
// Padding runs to 56 modulo 64, leaving 8 bytes for the length.
constexpr std::size_t length_at = 56;

// RFC 1321 section 3.3: the initial words A, B, C, D.
constexpr std::array<uint32, 4> initial_state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// RFC 1321 section 3.4: T[i] = floor(2^32 * abs(sin(i + 1))).
constexpr std::array<uint32, 64> sine_table = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Per-round shift amounts, four per round.
constexpr std::array<int, 16> shifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

uint32 le32(std::span<const uint8, 64> block, std::size_t at) {
    return static_cast<uint32>(block[at]) | (static_cast<uint32>(block[at + 1]) << 8) |
           (static_cast<uint32>(block[at + 2]) << 16) | (static_cast<uint32>(block[at + 3]) << 24);
}

// The round function of step i and the message word it takes.
void round_function(std::size_t i, uint32 b, uint32 c, uint32 d, uint32& f, std::size_t& word) {
    if (i < 16) {
        f = (b & c) | (~b & d);
        word = i;
    } else if (i < 32) {
        f = (b & d) | (c & ~d);
        word = (5 * i + 1) % 16;
    } else if (i < 48) {
        f = b ^ c ^ d;
        word = (3 * i + 5) % 16;
    } else {
        f = c ^ (b | ~d);
        word = (7 * i) % 16;
    }
}

}  // namespace

void md5_init(md5_context& context) {
    context.count = {0, 0};
    context.buffer.fill(0);
    context.state = initial_state;
}

bool md5_reset(md5_context* context) {
    if (context == nullptr) {
        return false;
    }
    md5_init(*context);
    return true;
}

void md5_transform(std::array<uint32, 4>& state, std::span<const uint8, 64> block) {
    std::array<uint32, 16> x{};
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = le32(block, 4 * i);
    }
    uint32 a = state[0];
    uint32 b = state[1];
    uint32 c = state[2];
    uint32 d = state[3];
    for (std::size_t i = 0; i < 64; ++i) {
        uint32 f = 0;
        std::size_t word = 0;
        round_function(i, b, c, d, f, word);
        const uint32 sum = a + f + sine_table[i] + x[word];
        a = d;
        d = c;
        c = b;
        b += std::rotl(sum, shifts[(i / 16) * 4 + i % 4]);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

bool md5_update(md5_context* context, const void* data, std::size_t length) {
    if (context == nullptr || data == nullptr || length == 0) {
        return false;
    }
    const std::span<const uint8> input(static_cast<const uint8*>(data), length);
    std::size_t index = (context->count[0] >> 3) & (block_size - 1);
    // The bit count grows first, carrying into the high word.
    const uint64 bits = static_cast<uint64>(length) << 3;
    const uint32 low = context->count[0] + static_cast<uint32>(bits);
    context->count[1] += static_cast<uint32>(bits >> 32) + (low < context->count[0] ? 1 : 0);
    context->count[0] = low;

    std::size_t taken = 0;
    const std::size_t room = block_size - index;
    if (input.size() >= room) {
        std::copy_n(input.begin(), room, context->buffer.begin() + static_cast<long>(index));
        md5_transform(context->state, context->buffer);
        for (taken = room; input.size() - taken >= block_size; taken += block_size) {
            md5_transform(context->state, input.subspan(taken).first<64>());
        }
        index = 0;
    }
    const auto rest = input.subspan(taken);
    std::copy(rest.begin(), rest.end(), context->buffer.begin() + static_cast<long>(index));
    return true;
}

void md5_encode(std::span<uint8> out, std::span<const uint32> words, std::size_t byte_count) {
    const std::size_t count = std::min({byte_count, out.size(), words.size() * 4}) / 4 * 4;
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<uint8>(words[i / 4] >> (8 * (i % 4)));
    }
}

bool md5_final(std::array<uint8, 16>& out, md5_context* context) {
    if (context == nullptr) {
        return false;
    }
    std::array<uint8, 8> length_bytes{};
    md5_encode(length_bytes, context->count, length_bytes.size());
    const std::size_t index = (context->count[0] >> 3) & (block_size - 1);
    const std::size_t pad_length =
        index < length_at ? length_at - index : block_size + length_at - index;
    std::array<uint8, block_size> padding{};
    padding[0] = 0x80;
    (void)md5_update(context, padding.data(), pad_length);  // pad_length is 1 to 64
    (void)md5_update(context, length_bytes.data(), length_bytes.size());
    md5_encode(out, context->state, out.size());
    md5_init(*context);
    return true;
}

bool md5_digest(const void* data, uint32 length, guid16& out) {
    if (data == nullptr || length == 0) {
        return false;
    }
    md5_context context;
    md5_init(context);
    if (!md5_update(&context, data, length)) {
        return false;
    }
    std::array<uint8, 16> digest{};
    if (!md5_final(digest, &context)) {
        return false;
    }
    out.bytes = digest;
    return true;
}
