// kq::time from raw bytes, with a sub-tick fraction, and from the wall clock.

#include <sys/time.h>

#include <bit>
#include <cmath>

#include "text/byte_reader.h"
#include "time/kq_time.h"
#include "time/time_arith.h"
#include "time/time_conversions.h"
#include "time/time_epochs.h"

namespace kq {

namespace {

namespace ep = time_epoch;

constexpr std::size_t systemtime_size = 16;
constexpr std::size_t record16_size = 16;
constexpr std::size_t guid_size = 16;
constexpr uint64 milliseconds_per_second = 1000;

// SYSTEMTIME: eight little-endian uint16 (year, month, day of week, day, hour, minute,
// second, millisecond).
bool read_systemtime(const byte_reader& bytes, std::size_t at, std::tm& fields, uint16& ms) {
    uint16 word[8] = {};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!bytes.le16_at(at + 2 * i,
                           word[i])) {  // NOLINT(cppcoreguidelines-pro-bounds-constant-array-index)
            return false;
        }
    }
    fields = std::tm{};
    fields.tm_year = word[0] - 1900;
    fields.tm_mon = word[1] - 1;
    fields.tm_mday = word[3];
    fields.tm_hour = word[4];
    fields.tm_min = word[5];
    fields.tm_sec = word[6];
    ms = word[7];
    return true;
}

// Unix milliseconds (seconds s and the rest in milliseconds) as FILETIME; at least one
// whole second is needed.
bool unix_ms_to_filetime(uint64 ms, int64& seconds, int64& out) {
    const uint64 whole = ms / milliseconds_per_second;
    if (whole == 0 || whole > static_cast<uint64>(INT64_MAX)) {
        return false;
    }
    seconds = static_cast<int64>(whole);
    return time_arith::seconds_and_ticks_to_filetime(
        seconds, ep::unix_seconds,
        static_cast<int64>(ms % milliseconds_per_second) * ep::ticks_per_millisecond, out);
}

// The 4-byte forms: Unix seconds, VHD seconds and Unix milliseconds.
bool u32_kind_to_filetime(uint32 v, type_time kind, int64& seconds, int64& ft) {
    switch (kind) {
        case tt_unix:
            seconds = v;
            return v != 0 && unix_to_filetime(v, ft);
        case tt_vhd:
            return vhd_to_filetime(v, ft);
        case tt_unix_ms:
            return unix_ms_to_filetime(v, seconds, ft);
        default:
            return false;
    }
}

// The 8-byte forms (and the 16-byte GUID and record forms that start with them).
bool u64_kind_to_filetime(const byte_reader& bytes, std::size_t at, uint64 v, type_time kind,
                          int64& ft) {
    int64 seconds = 0;
    switch (kind) {
        case tt_filetime:
            ft = static_cast<int64>(v);
            return true;
        case tt_chrome:
            return chrome_to_filetime(v, ft);
        case tt_firefox3:
            return firefox3_to_filetime(static_cast<int64>(v), ft);
        case tt_dotnet:
            return dotnet_ticks_to_filetime(v, ft);
        case tt_snowflake:
            return snowflake_to_filetime(static_cast<int64>(v), ft);
        case tt_unix:
            return static_cast<int64>(v) > 0 && unix_to_filetime(static_cast<int64>(v), ft);
        case tt_unix_ms:
            return unix_ms_to_filetime(v, seconds, ft);
        case tt_ole:
            return time_arith::ole_days_to_filetime(std::bit_cast<double>(v), ft);
        case tt_guid: {
            std::array<uint8, guid_size> guid{};
            uint16 clock_sequence = 0;
            byte_array node;
            return bytes.copy_to(at, guid.size(), guid.data()) &&
                   guid_to_filetime(ft, clock_sequence, node, guid);
        }
        case tt_record16: {
            std::array<uint8, record16_size> record{};
            uint64 stored = 0;
            int32 first = 0;
            int32 second = 0;
            if (!bytes.copy_to(at, record.size(), record.data()) ||
                !record16_to_filetime(stored, first, second, record)) {
                return false;
            }
            ft = static_cast<int64>(stored);
            return true;
        }
        default:
            return false;  // 2048, Safari and HFS+ have no 8-byte form here
    }
}

}  // namespace

bool time::set_from_bytes(const byte_array& data, uint32 offset, type_time kind) {
    clear();
    const byte_reader bytes(data);
    const std::size_t at = offset;
    if (bytes.has(at, systemtime_size) && (kind == tt_systemtime || kind == tt_systemtime_local)) {
        std::tm fields{};
        uint16 ms = 0;
        if (!read_systemtime(bytes, at, fields, ms)) {
            return false;
        }
        return set_tm(fields, ms, kind == tt_systemtime);
    }
    int64 ft = 0;
    if (!bytes.has(at, 8)) {
        uint32 v = 0;
        int64 seconds = 0;
        if (!bytes.le32_at(at, v) || !u32_kind_to_filetime(v, kind, seconds, ft)) {
            return false;
        }
        unix_seconds = seconds;
        return set_filetime(ft);
    }
    uint64 v = 0;
    if (!bytes.le64_at(at, v) || !u64_kind_to_filetime(bytes, at, v, kind, ft)) {
        return false;
    }
    return set_filetime(ft);
}

time::time(const byte_array& bytes, uint32 offset, type_time kind) {
    clear();
    (void)set_from_bytes(bytes, offset, kind);
}

time::time(const byte_array& bytes, type_time kind) {
    clear();
    (void)set_from_bytes(bytes, 0, kind);
}

bool time::set_filetime_frac(uint64 ft, double fraction_ticks) {
    is_valid = false;
    int64 whole_ticks = 0;
    int64 total = 0;
    // The fraction is a part of one second in ticks: negative, NaN or infinite fractions
    // and FILETIMEs beyond the signed range name no moment.
    if (ft == 0 || ft > static_cast<uint64>(INT64_MAX) || !(fraction_ticks >= 0.0) ||
        !time_arith::trunc_to_int64(fraction_ticks, whole_ticks) ||
        __builtin_add_overflow(static_cast<int64>(ft), whole_ticks, &total)) {
        return false;
    }
    filetime = total;
    int64 seconds = 0;
    // Moments before 1970 are refused here, but the first second of 1970 is one like any
    // other.
    if (!filetime_to_unix(total, seconds) || seconds < 0) {
        return false;
    }
    unix_seconds = seconds;
    (void)filetime_to_systemtime_frac(static_cast<int64>(ft), fraction_ticks, utc);
    return derive_from_breakdown(total);
}

time::time(uint64 filetime_value, double fraction_ticks) {
    clear();
    (void)set_filetime_frac(filetime_value, fraction_ticks);
}

time time::now() {
    timeval clock{};
    (void)gettimeofday(&clock, nullptr);
    const int64 ft = static_cast<int64>(clock.tv_sec) * ep::ticks_per_second +
                     static_cast<int64>(clock.tv_usec) * ep::ticks_per_microsecond + ep::unix_ticks;
    return {ft, tt_filetime};
}

}  // namespace kq
