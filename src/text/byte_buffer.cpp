#include "text/byte_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Lengths from this value on take the two-byte form.
constexpr std::size_t one_byte_limit = 0x80;

void append_count(byte_array& buffer, std::size_t n) {
    if (n < one_byte_limit) {
        buffer.push_back(static_cast<uint8>(n));
        return;
    }
    buffer.push_back(static_cast<uint8>((n >> 8) | 0x80));
    buffer.push_back(static_cast<uint8>(n & 0xFF));
}

std::size_t counted_size(std::size_t n) { return (n < one_byte_limit ? 1 : 2) + n; }

}  // namespace

void byte_array_alloc(byte_array& buffer, std::size_t n) {
    buffer.clear();
    if (n > buffer.max_size()) {
        return;
    }
    try {
        buffer.resize(n);
    } catch (const std::bad_alloc&) {
        buffer.clear();
    }
}

void byte_array_alloc_32(byte_array& buffer) { byte_array_alloc(buffer, 32); }
void byte_array_alloc_20(byte_array& buffer) { byte_array_alloc(buffer, 20); }
void byte_array_alloc_16(byte_array& buffer) { byte_array_alloc(buffer, 16); }

void byte_array_assign(byte_array& buffer, const void* source, std::size_t length) {
    if (source == nullptr) {
        buffer.clear();
        return;
    }
    byte_array_alloc(buffer, length);
    if (!buffer.empty()) {
        std::memcpy(buffer.data(), source, buffer.size());
    }
}

bool byte_array_equal(const byte_array& a, const byte_array& b) { return a == b; }

void block16_copy_or_zero(std::span<uint8, 16> destination, const uint8* source) {
    if (source == nullptr) {
        std::fill(destination.begin(), destination.end(), 0);
        return;
    }
    std::memcpy(destination.data(), source, destination.size());
}

bool append_counted_text(byte_array& buffer, const std::string& text, bool append) {
    if (!append) {
        buffer.clear();
    }
    if (text.size() > counted_text_max) {
        return false;
    }
    buffer.reserve(buffer.size() + counted_size(text.size()));
    append_count(buffer, text.size());
    buffer.insert(buffer.end(), text.begin(), text.end());
    return true;
}

bool append_counted_text_list(byte_array& buffer, const std::vector<std::string>& texts,
                              bool append) {
    if (!append) {
        buffer.clear();
    }
    if (texts.size() > counted_text_max) {
        return false;
    }
    // A text the counted form cannot express would be cut or mis-sized: refuse the whole list
    // before anything is appended, so a reader never meets half a list.
    std::size_t total = counted_size(texts.size());
    for (const std::string& text : texts) {
        if (text.size() > counted_text_max) {
            return false;
        }
        total += counted_size(text.size());
    }
    buffer.reserve(buffer.size() + total);
    append_count(buffer, texts.size());
    for (const std::string& text : texts) {
        (void)append_counted_text(buffer, text, true);  // every length was checked above
    }
    return true;
}
