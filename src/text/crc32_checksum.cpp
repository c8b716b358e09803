#include "text/crc32_checksum.h"

#include <cstdio>
#include <new>
#include <span>

namespace {

constexpr uint32 polynomial = 0xEDB88320;
constexpr std::size_t table_size = 256;

}  // namespace

std::string checksum_text(uint32 value) {
    std::array<char, 16> buffer{};
    (void)std::snprintf(buffer.data(), buffer.size(), "0x%08x", value);
    return std::string(buffer.data());
}

void crc32_context::clear() {
    table.clear();
    table_ptr = nullptr;
    crc = 0;
    spare = 0;
    text.clear();
}

bool crc32_init_table(crc32_context* context) {
    if (context == nullptr) {
        return false;
    }
    try {
        context->table.assign(table_size, 0);
    } catch (const std::bad_alloc&) {
        context->table.clear();
        context->table_ptr = nullptr;
        return false;
    }
    for (std::size_t i = 0; i < table_size; ++i) {
        auto c = static_cast<uint32>(i);
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) != 0 ? (c >> 1) ^ polynomial : c >> 1;
        }
        context->table[i] = c;
    }
    context->table_ptr = context->table.data();
    return true;
}

bool crc32_update(crc32_context* context, const void* data, std::size_t length) {
    // An update before the table is built has nothing to look bytes up in: refuse it.
    if (context == nullptr || context->table_ptr == nullptr || (data == nullptr && length > 0)) {
        return false;
    }
    const std::span<const uint32, table_size> table(context->table_ptr, table_size);
    const std::span<const uint8> input(static_cast<const uint8*>(data), length);
    uint32 c = ~context->crc;
    for (const uint8 b : input) {
        c = (c >> 8) ^ table[(c ^ b) & 0xFF];
    }
    context->crc = ~c;
    return true;
}

uint32 crc32_final_text(crc32_context* context) {
    if (context == nullptr) {
        return 0;
    }
    context->text = checksum_text(context->crc);
    return context->crc;
}

uint32 crc32_digest(const void* data, std::size_t length) {
    crc32_context context;
    if (!crc32_init_table(&context) || !crc32_update(&context, data, length)) {
        return 0;
    }
    return crc32_final_text(&context);
}

uint32 gf2_matrix_times(const gf2_matrix& matrix, uint32 vector) {
    uint32 sum = 0;
    for (std::size_t i = 0; vector != 0; ++i, vector >>= 1) {
        if ((vector & 1) != 0) {
            sum ^= matrix[i];
        }
    }
    return sum;
}

void gf2_matrix_square(gf2_matrix& square, const gf2_matrix& matrix) {
    for (std::size_t n = 0; n < matrix.size(); ++n) {
        square[n] = gf2_matrix_times(matrix, matrix[n]);
    }
}

uint32 crc32_combine(uint32 crc1, uint32 crc2, int64 length2) {
    if (length2 <= 0) {
        return crc1;
    }
    gf2_matrix odd{};
    gf2_matrix even{};
    // The operator for one zero bit, then squared to two and four zero bits.
    odd[0] = polynomial;
    for (std::size_t n = 1; n < odd.size(); ++n) {
        odd[n] = uint32{1} << (n - 1);
    }
    gf2_matrix_square(even, odd);
    gf2_matrix_square(odd, even);
    // Apply len2 zero bytes to crc1, one squaring per bit of len2.
    auto remaining = static_cast<uint64>(length2);
    while (remaining != 0) {
        gf2_matrix_square(even, odd);
        if ((remaining & 1) != 0) {
            crc1 = gf2_matrix_times(even, crc1);
        }
        remaining >>= 1;
        if (remaining == 0) {
            break;
        }
        gf2_matrix_square(odd, even);
        if ((remaining & 1) != 0) {
            crc1 = gf2_matrix_times(odd, crc1);
        }
        remaining >>= 1;
    }
    return crc1 ^ crc2;
}
