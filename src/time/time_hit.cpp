#include "time/time_hit.h"

#include <algorithm>
#include <new>
#include <string>

#include "text/byte_reader.h"
#include "time/kq_time.h"

namespace kq {

namespace {

// The kinds a carved integer column is tried as: FILETIME, Chrome, Firefox 3, Unix seconds,
// NTP, Safari and HFS+.
constexpr uint32 guess_kinds = 0xC004F;
// Smaller values are counters, flags and lengths far more often than moments.
constexpr uint64 guess_smallest_value = 0x1000000;

constexpr int value_size_4 = 4;
constexpr int value_size_8 = 8;
constexpr int value_size_16 = 16;

struct scan_context {
    time_hit_map& hits;
    uint64 value;
    uint64 latest;
    uint64 earliest;
    uint64 offset;
    bool little_endian;
    int size;
    std::array<uint8, 8> bytes;  // the value least significant byte first
    int found = 0;
};

void add_if_in_window(scan_context& scan, const time& moment, type_time kind) {
    if (!moment.is_valid) {
        return;
    }
    const auto ft = static_cast<uint64>(moment.filetime);
    if (ft < scan.earliest || ft > scan.latest) {
        return;
    }
    scan.hits.emplace(scan.offset, time_hit(scan.bytes.data(), ft, scan.offset, kind,
                                            scan.little_endian, scan.size));
    ++scan.found;
}

void try_kind(scan_context& scan, uint32 kinds, type_time kind) {
    if ((kinds & kind) != 0) {
        add_if_in_window(scan, time(scan.value, kind), kind);
    }
}

// A 4-byte candidate read as DOS words: the date in the upper half, the time in the lower.
void try_dos(scan_context& scan, uint32 kinds) {
    if ((kinds & tt_dos) == 0) {
        return;
    }
    const uint16 words[2] = {static_cast<uint16>(scan.value >> 16),
                             static_cast<uint16>(scan.value & 0xFFFF)};
    add_if_in_window(scan, time(words, true), tt_dos);
}

// Midnight of 1 January of a year, as the text reader of "mm/dd/yyyy" dates gives it.
uint64 new_year_filetime(int year) {
    const std::string text = "01/01/" + std::to_string(year);
    const time moment(text.c_str(), true);
    return moment.is_valid ? static_cast<uint64>(moment.filetime) : 0;
}

}  // namespace

time_hit::time_hit(const uint8* value_bytes, uint64 filetime_value, uint64 value_offset,
                   type_time kind, bool is_little_endian, int value_size) {
    if (value_bytes == nullptr ||
        (value_size != value_size_4 && value_size != value_size_8 && value_size != value_size_16)) {
        return;
    }
    try {
        // The caller hands a buffer of at least value_size bytes.
        bytes.assign(
            value_bytes,
            value_bytes + value_size);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    } catch (const std::bad_alloc&) {
        clear();
        return;
    }
    if (!is_little_endian) {
        std::reverse(bytes.begin(), bytes.end());
    }
    filetime = filetime_value;
    offset = value_offset;
    type = static_cast<int32>(kind);
    little_endian = is_little_endian ? 1 : 0;
    size = value_size;
}

void time_hit::clear() {
    bytes.clear();
    filetime = 0;
    offset = 0;
    type = 0;
    little_endian = 1;
    size = 0;
}

bool scan_time_8byte(time_hit_map& hits, uint64 value, uint64 latest, uint64 earliest,
                     uint64 offset, bool little_endian, bool clear_first, uint32 kinds) {
    if (clear_first) {
        hits.clear();
    }
    const bool eight_bytes = (value >> 32) != 0;
    scan_context scan{hits,
                      value,
                      latest,
                      earliest,
                      offset,
                      little_endian,
                      eight_bytes ? value_size_8 : value_size_4,
                      {}};
    for (std::size_t i = 0; i < scan.bytes.size(); ++i) {
        scan.bytes.at(i) = static_cast<uint8>(value >> (8 * i));
    }
    if (eight_bytes) {
        // NTP (64) and OLE (256) are not tried: no 64-bit integer reading of them is a
        // moment, and read as NTP about one random value in six would land in a recent year.
        for (const type_time kind :
             {tt_filetime, tt_chrome, tt_firefox3, tt_dotnet, tt_safari, tt_snowflake}) {
            try_kind(scan, kinds, kind);
        }
    }
    try_kind(scan, kinds, tt_unix);
    try_kind(scan, kinds, tt_unix_ms);
    if (!eight_bytes) {
        try_dos(scan, kinds);
        try_kind(scan, kinds, tt_hfs_plus);
        try_kind(scan, kinds, tt_safari);
    }
    return scan.found > 0;
}

bool guess_time_type(uint64& filetime, uint32& kind, uint64 value, int last_year, int first_year) {
    filetime = 0;
    kind = 0;
    if (value < guess_smallest_value) {
        return false;
    }
    const uint64 earliest = new_year_filetime(first_year);
    const uint64 latest = new_year_filetime(last_year);
    time_hit_map hits;
    if (!scan_time_8byte(hits, value, latest, earliest, 0, true, true, guess_kinds) &&
        !scan_time_8byte(hits, __builtin_bswap64(value), latest, earliest, 0, false, true,
                         guess_kinds)) {
        return false;
    }
    const time_hit& first = hits.begin()->second;
    filetime = first.filetime;
    kind = static_cast<uint32>(first.type);
    return true;
}

bool guess_time_type(uint64& filetime, uint64 value, int last_year, int first_year) {
    uint32 kind = 0;
    return guess_time_type(filetime, kind, value, last_year, first_year);
}

namespace {

template <std::size_t width>
int copy_be_tail(std::array<uint8, width>& record, const byte_array& data, int offset, int count) {
    if (data.empty() || offset < 0 || static_cast<std::size_t>(offset) >= data.size()) {
        return 0;
    }
    const int n = (count >= 2 && count <= 4) ? count : 1;
    const auto start = static_cast<std::size_t>(offset);
    int written = 0;
    for (int i = 0; i < n && start + static_cast<std::size_t>(i) < data.size(); ++i) {
        record.at(width - static_cast<std::size_t>(n) + static_cast<std::size_t>(i)) =
            data.at(start + static_cast<std::size_t>(i));
        ++written;
    }
    return written;
}

}  // namespace

int copy_be_tail8(std::array<uint8, 8>& record, const byte_array& data, int offset, int count) {
    return copy_be_tail(record, data, offset, count);
}

int copy_be_tail4(std::array<uint8, 4>& record, const byte_array& data, int offset, int count) {
    return copy_be_tail(record, data, offset, count);
}

}  // namespace kq
