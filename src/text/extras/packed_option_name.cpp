#include "text/extras/packed_option_name.h"

std::string packed_option_name(uint64 packed) {
    constexpr int bits_per_byte = 8;
    constexpr int top_shift = 56;
    std::string name = "-";
    for (int shift = top_shift; shift >= 0; shift -= bits_per_byte) {
        const auto c = static_cast<char>((packed >> static_cast<unsigned>(shift)) & 0xFFu);
        if (c >= 'a' && c <= 'z') {
            name.push_back(c);
        }
    }
    return name;
}
