#include "time/time_hit_recorders.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "time/kq_time.h"
#include "time/time_conversions.h"

namespace kq {

namespace {

constexpr int guid_size = 16;
constexpr int value_size = 8;
constexpr std::size_t systemtime_size = 16;

struct window {
    int64 min;
    int64 max;
};

window signed_window(uint64 min, uint64 max) {
    return {static_cast<int64>(min), static_cast<int64>(max)};
}

// The shared tail of the recorders: the FILETIME as a moment of kind 1, tested against the
// window, recorded with the value's bytes in data order.
bool record_if_in_window(time_hit_map& hits, int64 filetime, const uint8* value_bytes, int size,
                         type_time kind, window w, uint64 offset) {
    const time moment(filetime, tt_filetime);
    if (!moment.is_valid || filetime < w.min || filetime > w.max) {
        return false;
    }
    hits.emplace(offset,
                 time_hit(value_bytes, static_cast<uint64>(filetime), offset, kind, true, size));
    return true;
}

bool guid_filetime(const std::array<uint8, guid_size>& bytes, int64& filetime) {
    uint16 clock_sequence = 0;
    byte_array node;
    if (guid_to_filetime(filetime, clock_sequence, node, bytes)) {
        return true;
    }
    uint64 stored = 0;
    int32 first = 0;
    int32 second = 0;
    if (!record16_to_filetime(stored, first, second, bytes)) {
        return false;
    }
    filetime = static_cast<int64>(stored);
    return true;
}

bool record_systemtime(time_hit_map& hits, const byte_array& bytes, uint64 latest, uint64 earliest,
                       uint64 offset) {
    time moment;
    if (!moment.set_from_bytes(bytes, 0, tt_systemtime)) {
        return false;
    }
    const auto filetime = static_cast<uint64>(moment.filetime);
    if (filetime < earliest || filetime > latest) {
        return false;
    }
    hits.emplace(offset, time_hit(bytes.data(), filetime, offset, tt_systemtime, true, value_size));
    return true;
}

// The common start of the recorders that read through a pointer: the map emptied when asked,
// then the value's bytes copied out (false for a null pointer).
template <std::size_t size>
bool take_value(time_hit_map& hits, bool clear_first, const void* source,
                std::array<uint8, size>& bytes) {
    if (clear_first) {
        hits.clear();
    }
    if (source == nullptr) {
        return false;
    }
    std::memcpy(bytes.data(), source, bytes.size());
    return true;
}

}  // namespace

bool record_guid_hit(time_hit_map& hits, const uint8* bytes, uint64 max, uint64 min, uint64 offset,
                     bool clear_first) {
    std::array<uint8, guid_size> guid{};
    int64 filetime = 0;
    return take_value(hits, clear_first, bytes, guid) && guid_filetime(guid, filetime) &&
           record_if_in_window(hits, filetime, guid.data(), guid_size, tt_guid,
                               signed_window(min, max), offset);
}

bool record_snowflake_hit(time_hit_map& hits, const uint64* value, uint64 max, uint64 min,
                          uint64 offset, bool clear_first) {
    std::array<uint8, value_size> bytes{};
    if (!take_value(hits, clear_first, value, bytes)) {
        return false;
    }
    uint64 id = 0;
    for (std::size_t i = bytes.size(); i > 0; --i) {
        id = (id << 8) | bytes.at(i - 1);
    }
    int64 filetime = 0;
    return snowflake_to_filetime(static_cast<int64>(id), filetime) &&
           record_if_in_window(hits, filetime, bytes.data(), value_size, tt_snowflake,
                               signed_window(min, max), offset);
}

bool record_ole_hit(time_hit_map& hits, double value, uint64 max, uint64 min, uint64 offset,
                    bool clear_first) {
    if (clear_first) {
        hits.clear();
    }
    const time days(value, tt_ole);
    if (!days.is_valid) {
        return false;
    }
    std::array<uint8, value_size> bytes{};
    std::memcpy(bytes.data(), &value, bytes.size());
    return record_if_in_window(hits, days.filetime, bytes.data(), value_size, tt_ole,
                               signed_window(min, max), offset);
}

bool scan_systemtime16(time_hit_map& hits, const uint8* data, uint64 latest, uint64 earliest,
                       uint64 offset, bool clear_first) {
    std::array<uint8, systemtime_size> record{};
    if (!take_value(hits, clear_first, data, record)) {
        return false;
    }
    byte_array bytes(record.begin(), record.end());
    const bool forward = record_systemtime(hits, bytes, latest, earliest, offset);
    std::reverse(bytes.begin(), bytes.end());
    const bool backward = record_systemtime(hits, bytes, latest, earliest, offset);
    return forward || backward;
}

}  // namespace kq
