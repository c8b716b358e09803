#include "text/extras/byte_buffer_searches.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "text/byte_reader.h"
#include "text/byte_search.h"

namespace {

// The value of one unit in machine byte order; the bytes are copied, so the buffer's
// alignment does not matter.
template <class Value>
Value unit_at(const kq::byte_reader& bytes, std::size_t offset) {
    uint8 raw[sizeof(Value)] = {};
    Value value = 0;
    if (bytes.copy_to(offset, sizeof(Value), raw)) {
        std::memcpy(&value, raw, sizeof(Value));
    }
    return value;
}

// Compares the unit at offset with every value; true when one matched (and first_only asks
// to stop).
template <class Value>
bool compare_unit(offset_lists& out, const kq::byte_reader& bytes, std::size_t offset,
                  const std::vector<Value>& values, bool first_only, bool& any) {
    const Value unit = unit_at<Value>(bytes, offset);
    for (std::size_t v = 0; v < values.size(); ++v) {
        if (values[v] != unit) {
            continue;
        }
        out[v].push_back(offset);
        any = true;
        if (first_only) {
            return true;
        }
    }
    return false;
}

template <class Value>
bool find_all_values(offset_lists& out, const uint8* data, uint32 count,
                     const std::vector<Value>& values, uint32 step, bool first_only) {
    const kq::byte_reader bytes(data, count);
    out.clear();
    constexpr std::size_t width = sizeof(Value);
    if (bytes.size() < width || step < width) {
        return false;
    }
    out.resize(values.size());
    // Whole units only: the step is taken in units, so a step that is not a multiple of
    // the width rounds down, and the last partial unit is never read.
    const std::size_t stride = (step / width) * width;
    const std::size_t end = (bytes.size() / width) * width;
    bool any = false;
    for (std::size_t offset = 0; offset < end; offset += stride) {
        if (compare_unit(out, bytes, offset, values, first_only, any)) {
            return true;
        }
    }
    return any;
}

}  // namespace

bool find_all_values32(offset_lists& out, const uint8* data, uint32 count,
                       const std::vector<uint32>& values, uint32 step, bool first_only) {
    return find_all_values(out, data, count, values, step, first_only);
}

bool find_all_values64(offset_lists& out, const uint8* data, uint32 count,
                       const std::vector<uint64>& values, uint32 step, bool first_only) {
    return find_all_values(out, data, count, values, step, first_only);
}

bool find_pattern_offsets(const uint8* data, uint32 count, const byte_array& pattern,
                          std::vector<uint64>& out, uint64 base, bool use_table) {
    out.clear();
    if (data == nullptr || count == 0 || pattern.empty() ||
        pattern.size() > std::numeric_limits<uint32>::max()) {
        return false;
    }
    return find_all_bmh(data, count, pattern.data(), static_cast<uint32>(pattern.size()), out, base,
                        use_table, false);
}

bool find_first_bmh(uint64& out, const uint8* data, uint64 length, const uint8* pattern,
                    int pattern_length) {
    out = 0;
    if (data == nullptr || pattern == nullptr || pattern_length <= 0 || length == 0 ||
        static_cast<uint64>(pattern_length) > length) {
        return false;
    }
    const kq::byte_reader all(data, length);
    const auto m = static_cast<uint32>(pattern_length);
    constexpr uint64 window_max = std::numeric_limits<uint32>::max();
    // The searcher counts in 32 bits; a longer buffer is searched in windows that overlap by
    // m - 1 bytes, so a match across a window edge is still seen whole.
    uint64 start = 0;
    while (length - start >= m) {
        const auto n = static_cast<uint32>(std::min(window_max, length - start));
        kq::byte_reader window;
        std::vector<uint64> found;
        if (all.sub(start, n, window) &&
            find_all_bmh(window.data(), n, pattern, m, found, start, true, true)) {
            out = found.front();
            return true;
        }
        if (start + n >= length) {
            break;
        }
        start += n - (m - 1);
    }
    return false;
}

bool bytes_follow_in_order(const byte_array& data, const byte_array& first,
                           const byte_array& second) {
    if ((first.empty() && second.empty()) || data.empty() || data.size() < first.size() ||
        data.size() < second.size()) {
        return false;
    }
    auto from = data.begin();
    if (!first.empty()) {
        const auto hit = std::search(data.begin(), data.end(), first.begin(), first.end());
        if (hit == data.end()) {
            return false;
        }
        if (second.empty()) {
            return true;
        }
        from = hit + static_cast<std::ptrdiff_t>(first.size());
    }
    return std::search(from, data.end(), second.begin(), second.end()) != data.end();
}

bool find_text_in_bytes(uint64& out, const std::vector<uint8>& data, const std::string& text,
                        uint64 base) {
    out = 0;
    const auto hit = std::search(data.begin(), data.end(), text.begin(), text.end(),
                                 [](uint8 a, char b) { return a == static_cast<uint8>(b); });
    if (hit == data.end() && !text.empty()) {
        return false;
    }
    out = base + static_cast<uint64>(hit - data.begin());
    return true;
}
