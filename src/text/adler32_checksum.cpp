#include "text/adler32_checksum.h"

#include <algorithm>
#include <span>

#include "text/crc32_checksum.h"

namespace {

// RFC 1950 section 8.2: the largest prime below 65536.
constexpr uint32 modulus = 65521;
// zlib's NMAX: the most bytes whose sums cannot overflow 32 bits before the reduction, so
// the modulus is taken once per run instead of once per byte with the same result.
constexpr std::size_t run_length = 5552;

uint32 adler_step(uint32 value, std::span<const uint8> input) {
    uint32 s1 = value & 0xFFFF;
    uint32 s2 = value >> 16;
    while (!input.empty()) {
        const std::size_t take = std::min(input.size(), run_length);
        for (const uint8 b : input.first(take)) {
            s1 += b;
            s2 += s1;
        }
        s1 %= modulus;
        s2 %= modulus;
        input = input.subspan(take);
    }
    return s1 | (s2 << 16);
}

}  // namespace

void adler32_context::clear() {
    value = 0;
    started = 0;
    text.clear();
}

bool adler32_update(adler32_context* context, const void* data, std::size_t length) {
    if (context == nullptr || data == nullptr || length == 0) {
        return false;
    }
    context->value =
        adler_step(context->value, std::span<const uint8>(static_cast<const uint8*>(data), length));
    return true;
}

uint32 adler32_final_text(adler32_context* context) {
    if (context == nullptr) {
        return 0;
    }
    context->text = checksum_text(context->value);
    return context->value;
}

uint32 adler32_buffer(const void* data, uint64 length) {
    if (data == nullptr || length == 0) {
        return 1;
    }
    return adler_step(1, std::span<const uint8>(static_cast<const uint8*>(data),
                                                static_cast<std::size_t>(length)));
}

uint32 adler32_combine(uint32 adler1, uint32 adler2, int64 length2) {
    if (length2 < 0) {
        return 0xFFFFFFFF;
    }
    const auto remainder = static_cast<uint32>(length2 % modulus);
    uint32 sum1 = (adler1 & 0xFFFF) + (adler2 & 0xFFFF) + modulus - 1;
    uint32 sum2 = static_cast<uint32>((uint64{remainder} * (adler1 & 0xFFFF)) % modulus);
    sum2 += (adler1 >> 16) + (adler2 >> 16) + modulus - remainder;
    for (int i = 0; i < 2 && sum1 >= modulus; ++i) {
        sum1 -= modulus;
    }
    if (sum2 >= 2 * modulus) {
        sum2 -= 2 * modulus;
    }
    if (sum2 >= modulus) {
        sum2 -= modulus;
    }
    return sum1 | (sum2 << 16);
}
