#include "text/extras/random_token_text.h"

#include "text/random_text.h"

namespace {

bool is_lower_hex_digit(uint8 c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

}  // namespace

std::string random_hex_text(int count) {
    std::string text;
    if (count <= 0) {
        return text;
    }
    text.reserve(static_cast<std::size_t>(count));
    while (text.size() < static_cast<std::size_t>(count)) {
        // The range '0' to 'f' also holds punctuation and upper-case letters; those are
        // drawn again.
        const uint8 c = random_in_range('0', 'f');
        if (is_lower_hex_digit(c)) {
            text.push_back(static_cast<char>(c));
        }
    }
    return text;
}

std::string random_upper_text(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text.push_back(static_cast<char>(random_in_range('A', 'Z')));
    }
    return text;
}
