#include "sqlite/column_locate.h"

#include <limits>

#include "sqlite/serial_type.h"
#include "sqlite/varint.h"
#include "text/byte_reader.h"

namespace {

constexpr std::size_t min_record_length = 3;
constexpr std::size_t min_bytes_after_type = 2;

struct column_place {
    uint64 content = 0;
    uint64 type = 0;
};

uint64 saturating_add(uint64 a, uint64 b) {
    return b > std::numeric_limits<uint64>::max() - a ? std::numeric_limits<uint64>::max() : a + b;
}

// The walk of extract_column_text: the position counter advances by each varint's length.
bool find_column(column_place& out, const kq::byte_reader& record, int32 header_position) {
    uint64 content = 0;
    int32 n = 0;
    if (header_position < 1 || !read_varint(content, n, record, 0)) {
        return false;
    }
    auto at = static_cast<std::size_t>(n);
    for (int64 counter = 1; counter <= header_position;) {
        uint64 type = 0;
        if (!read_varint(type, n, record, at)) {
            return false;
        }
        if (counter == header_position) {
            out = {content, type};
            return true;
        }
        uint32 code = 0;
        uint32 size = 0;
        map_serial_type(type, code, size);
        content = saturating_add(content, size);
        counter += n;
        at += static_cast<std::size_t>(n);
        if (record.size() - at < min_bytes_after_type) {
            return false;
        }
    }
    return false;
}

// How many bytes a "-" (text) or "+" (blob) alternative takes at `at`; 0 when it fails.
uint16 kind_length(const kq::byte_reader& bytes, std::size_t at, bool text) {
    kq::byte_reader rest;
    if (!bytes.tail(at, rest) || rest.size() == 0) {
        return 0;
    }
    return serial_type_varint_forward(rest.data(), static_cast<int32>(rest.size()), 1, text);
}

// One pattern at `at`: the bytes it takes, or 0 when it fails.
uint16 match_one(const kq::byte_reader& bytes, std::size_t at, const std::string& pattern) {
    for (const char c : pattern) {
        if (c == '-' || c == '+') {
            // A kind named by the pattern must be there: no other alternative is tried.
            return kind_length(bytes, at, c == '-');
        }
        uint8 b = 0;
        if (bytes.u8_at(at, b) && b == static_cast<uint8>(c - '0')) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

bool locate_column(const uint8*& content, uint32& size, bool& cut, const uint8* record,
                   uint32 length, int32 header_position) {
    const kq::byte_reader bytes(record, length);
    column_place place;
    if (bytes.size() < min_record_length || header_position < 0 ||
        static_cast<uint32>(header_position) >= length ||
        !find_column(place, bytes, header_position)) {
        return false;
    }
    const uint64 wanted = serial_type_content_size(place.type);
    kq::byte_reader column;
    if (place.content <= length && wanted <= length - place.content) {
        (void)bytes.sub(static_cast<std::size_t>(place.content), static_cast<std::size_t>(wanted),
                        column);  // inside, as tested
        content = column.data();
        size = static_cast<uint32>(wanted);
        return true;
    }
    cut = true;
    if (place.content < length) {
        (void)bytes.tail(static_cast<std::size_t>(place.content), column);  // inside
        content = column.data();
        size = static_cast<uint32>(column.size());
        return true;
    }
    size = 0;
    return true;
}

uint16 match_signature_list(const uint8* header, uint32 length,
                            const std::vector<std::string>& patterns) {
    const kq::byte_reader bytes(header, length);
    if (bytes.size() == 0 || patterns.empty() || length < patterns.size()) {
        return 0;
    }
    std::size_t at = 0;
    for (const std::string& pattern : patterns) {
        const uint16 taken = match_one(bytes, at, pattern);
        if (taken == 0) {
            return 0;
        }
        at += taken;
    }
    return static_cast<uint16>(at);
}

uint16 match_digit_pattern(const uint8* header, uint32 length,
                           const std::vector<std::string>& patterns) {
    const kq::byte_reader bytes(header, length);
    if (bytes.size() == 0 || patterns.empty() || patterns[0].empty() ||
        patterns[0].size() > length) {
        return 0;
    }
    const std::string& pattern = patterns[0];
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        uint8 b = 0;
        if (!bytes.u8_at(i, b) || b != static_cast<uint8>(pattern[i] - '0')) {
            return 0;
        }
    }
    return static_cast<uint16>(pattern.size());
}

bool bytes_equal_at(const std::string& text, const uint8* bytes, uint32 length, uint32 offset) {
    const kq::byte_reader view(bytes, length);
    kq::byte_reader at;
    if (view.size() == 0 || !view.sub(offset, text.size(), at)) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        uint8 b = 0;
        (void)at.u8_at(i, b);  // inside the narrowed view
        if (b != static_cast<uint8>(text[i])) {
            return false;
        }
    }
    return true;
}
