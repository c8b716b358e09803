#include "text/extras/byte_buffer_helpers.h"

#include <algorithm>
#include <cstring>

#include "text/byte_buffer.h"
#include "text/byte_reader.h"
#include "text/extras/byte_array_edits.h"

namespace {

constexpr std::size_t sha256_size = 32;
constexpr std::size_t sha1_size = 20;
constexpr std::size_t md5_size = 16;

template <class Container>
bool trim_trailing_zeros(Container& items) {
    while (!items.empty() && items.back() == 0) {
        items.pop_back();
    }
    return true;
}

}  // namespace

bool is_all_zero(const byte_array& bytes) {
    const kq::byte_reader view(bytes);
    constexpr std::size_t word = sizeof(uint64);
    if (view.size() % word != 0) {
        return std::all_of(bytes.begin(), bytes.end(), [](uint8 b) { return b == 0; });
    }
    // Eight bytes at a time: zero-filled slack can run to megabytes.
    for (std::size_t at = 0; at < view.size(); at += word) {
        uint8 raw[word] = {};
        uint64 value = 0;
        if (!view.copy_to(at, word, raw)) {
            return false;
        }
        std::memcpy(&value, raw, word);
        if (value != 0) {
            return false;
        }
    }
    return true;
}

bool trim_trailing_zero_bytes(byte_array& bytes) { return trim_trailing_zeros(bytes); }

bool trim_trailing_zero_units(std::vector<uint16>& units) { return trim_trailing_zeros(units); }

bool trim_trailing_nul_chars(std::wstring& text) { return trim_trailing_zeros(text); }

byte_array& string_to_byte_array(byte_array& out, const std::string& text) {
    out.assign(text.begin(), text.end());
    return out;
}

void byte_array_erase_value(byte_array& bytes, uint8 value) {
    (void)byte_array_remove_value(bytes, value);  // the count is not wanted here
}

void byte_array_assign32(byte_array& bytes, const uint8* source) {
    byte_array_assign(bytes, source, sha256_size);
}

void byte_array_assign20(byte_array& bytes, const uint8* source) {
    byte_array_assign(bytes, source, sha1_size);
}

void byte_array_assign16(byte_array& bytes, const uint8* source) {
    byte_array_assign(bytes, source, md5_size);
}
