#include "time/time_local.h"

#include "time/kq_time.h"
#include "time/time_conversions.h"
#include "time/time_epochs.h"

namespace kq {

bool filetime_to_utc_tm(int64 filetime, std::tm& out) {
    int64 seconds = 0;
    return filetime_to_unix(filetime, seconds) && unix_to_utc_tm(seconds, out);
}

bool filetime_to_local_tm(int64 filetime, std::tm& out) {
    int64 seconds = 0;
    return filetime_to_unix(filetime, seconds) && unix_to_local_tm(seconds, out);
}

bool systemtime_to_unix(_windows_systemtime systemtime, int64& out) {
    const int64 filetime = systemtime_to_filetime(systemtime);
    return filetime != 0 && filetime_to_unix(filetime, out);
}

int64 local_filetime_to_utc(uint64 filetime) {
    const time moment(filetime, tt_filetime);
    int32 offset = 0;
    if (!moment.is_valid || !local_utc_offset_at(moment.unix_seconds, offset)) {
        return 0;
    }
    // A valid moment lies far inside the FILETIME range: a day's shift cannot overflow.
    return moment.filetime - static_cast<int64>(offset) * time_epoch::ticks_per_second;
}

int32 local_tm_utc_difference(bool& dst, const std::tm& fields) {
    dst = false;
    std::tm copy = fields;
    const std::time_t seconds = std::mktime(&copy);
    int32 offset = 0;
    if (seconds == static_cast<std::time_t>(-1) ||
        !local_utc_offset_at(static_cast<int64>(seconds), offset)) {
        return 0;
    }
    return -offset;
}

}  // namespace kq
