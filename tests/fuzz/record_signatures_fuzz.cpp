// The record finder's tools on arbitrary bytes: both signature matchers at every position
// with analyser-style pattern lists, both column extractors and the four character filters.
//
// Input: [options][header position][min length][max length][filter flags][bytes...].
// Option bits: 1 blob mode, 2 allow cut, 4 and 8 pick the header size (read from the
// bytes, 2, the min-length byte, 0xFFFF).

#include <array>
#include <string>

#include "fuzz_target.h"
#include "sqlite/column_text.h"
#include "sqlite/record_signature.h"
#include "sqlite/text_filter.h"
#include "text/byte_reader.h"

namespace {

constexpr std::size_t prefix = 5;
// Matching from every position is quadratic; beyond this the bytes add nothing new.
constexpr std::size_t max_positions = 512;

// A Notification row, and lists that exercise the 'x' alternatives and runs of text types.
const char* const notification[] = {"0",  "129", "129", "+0", "-", "+", "-0",
                                    "-0", "6",   "6",   "89", "-", "6", "89"};
const char* const handler_like[] = {"x0d", "-0", "129", "x81", "+0", "89", "-", "-0"};
const char* const texts[] = {"-", "+", "-", "+", "-"};

struct pattern_list {
    const char* const* patterns;
    int32 count;
};
const std::array<pattern_list, 3> lists = {{{notification, 14}, {handler_like, 8}, {texts, 5}}};

struct params {
    bool blob = false;
    bool cut = false;
    uint16 header_size = 0;
    int32 position = 0;
    int32 min_length = 0;
    int32 max_length = 0;
    uint32 flags = 0;
};

void match_all(const kq::byte_reader& bytes) {
    const std::size_t positions = std::min(bytes.size(), max_positions);
    const auto length = static_cast<int32>(bytes.size());
    for (std::size_t at = 0; at < positions; ++at) {
        kq::byte_reader rest;
        if (!bytes.tail(at, rest)) {
            return;
        }
        for (const pattern_list& p : lists) {
            for (int32 first = 0; first < p.count; first += 5) {
                (void)match_signature_forward(rest.data(), static_cast<int32>(rest.size()), p.count,
                                              first, p.patterns);
            }
            (void)match_signature_backward(bytes, at, length, p.count, p.count - 1, p.patterns);
        }
    }
}

void extract_and_filter(const kq::byte_reader& bytes, const params& p) {
    std::string out;
    const auto length = static_cast<int32>(bytes.size());
    (void)extract_column_text(out, bytes.data(), length, p.position, p.min_length, p.max_length,
                              p.flags, p.header_size, p.blob, p.cut);
    (void)extract_column_text_at(out, bytes.data(), length, p.position, p.max_length, p.flags,
                                 p.header_size, p.blob, p.cut);
    const auto size = static_cast<uint32>(bytes.size());
    const auto min = static_cast<uint32>(p.min_length);
    (void)filter_ascii(out, bytes.data(), size, p.flags);
    (void)filter_ascii_prefix(out, bytes.data(), min, size, p.flags);
    (void)filter_utf16(out, bytes.data(), size, p.flags);
    (void)filter_utf16_prefix(out, bytes.data(), min, size, p.flags);
}

}  // namespace

VELK_FUZZ_TARGET(record_signatures) {
    const kq::byte_reader input(data, size);
    uint8 options = 0;
    uint8 position = 0;
    uint8 min_length = 0;
    uint8 max_length = 0;
    uint8 flags = 0;
    kq::byte_reader bytes;
    if (!input.u8_at(0, options) || !input.u8_at(1, position) || !input.u8_at(2, min_length) ||
        !input.u8_at(3, max_length) || !input.u8_at(4, flags) || !input.tail(prefix, bytes)) {
        return 0;
    }
    const std::array<uint16, 4> header_sizes = {0, 2, min_length, 0xFFFF};
    params p;
    p.blob = (options & 0x01) != 0;
    p.cut = (options & 0x02) != 0;
    p.header_size = header_sizes[(options >> 2) & 0x03];
    p.position = position;
    p.min_length = min_length;
    p.max_length = max_length;
    p.flags = flags & 0x1Fu;
    match_all(bytes);
    extract_and_filter(bytes, p);
    return 0;
}
