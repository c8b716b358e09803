#include "time/time_value_scans.h"

#include <array>
#include <cstring>

#include "text/byte_reader.h"

namespace kq {

namespace {

// Below two values' worth of bytes a scan has nothing worth trying.
constexpr std::size_t shortest_scan = 8;
constexpr std::size_t value_size = 8;

void keep_if_valid(const time& moment, std::size_t at, std::vector<time>& times,
                   std::vector<uint32>& offsets) {
    if (moment.is_valid) {
        times.push_back(moment);
        offsets.push_back(static_cast<uint32>(at));
    }
}

// Every position whose value_size bytes (little-endian) lie inside the buffer, handed to
// try_value(value, at); false for a buffer below the shortest scan.
template <std::size_t value_bytes, typename try_fn>
bool scan_positions(const uint8* data, uint32 length, std::vector<time>& times,
                    std::vector<uint32>& offsets, try_fn try_value) {
    const byte_reader bytes(data, length);
    times.clear();
    offsets.clear();
    if (bytes.size() < shortest_scan) {
        return false;
    }
    uint64 value = 0;
    for (std::size_t at = 0; bytes.le_at(at, value_bytes, value); ++at) {
        try_value(value, at);
    }
    return true;
}

}  // namespace

bool scan_unix32_times(const uint8* data, uint32 length, std::vector<time>& times,
                       std::vector<uint32>& offsets) {
    return scan_positions<4>(data, length, times, offsets, [&](uint64 value, std::size_t at) {
        keep_if_valid(time(static_cast<uint32>(value)), at, times, offsets);
    });
}

bool scan_unix_and_filetime(const uint8* data, uint32 length, std::vector<time>& times,
                            std::vector<uint32>& offsets) {
    return scan_positions<8>(data, length, times, offsets, [&](uint64 value, std::size_t at) {
        keep_if_valid(time(static_cast<int64>(value), tt_unix), at, times, offsets);
        keep_if_valid(time(static_cast<int64>(value), tt_filetime), at, times, offsets);
    });
}

bool find_values_in_range(std::vector<uint64>& offsets, const uint64* values,
                          uint32 length_in_bytes, uint64 base_offset, uint64 min, uint64 max,
                          uint32 stride) {
    offsets.clear();
    // Viewed as bytes and copied out value by value, so that a caller's misaligned buffer is
    // never loaded through a uint64 pointer.
    const byte_reader bytes(static_cast<const uint8*>(static_cast<const void*>(values)),
                            length_in_bytes);
    if (bytes.size() < value_size || stride == 0 || stride % value_size != 0) {
        return false;
    }
    const std::size_t count = bytes.size() / value_size;
    const std::size_t step = stride / value_size;
    std::array<uint8, value_size> raw{};
    for (std::size_t index = 0; index < count;) {
        uint64 value = 0;
        if (!bytes.copy_to(index * value_size, raw.size(), raw.data())) {
            break;
        }
        std::memcpy(&value, raw.data(), raw.size());
        if (value < min || value > max) {
            ++index;
            continue;
        }
        offsets.push_back(base_offset + value_size * index);
        index += step;
    }
    return !offsets.empty();
}

}  // namespace kq
