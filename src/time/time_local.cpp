#include "time/time_local.h"

#include "time/kq_time.h"
#include "time/time_conversions.h"
#include "time/time_epochs.h"

namespace kq {

namespace {

constexpr int hours_per_day = 24;
constexpr int seconds_per_hour = 3600;

// The UTC hour minus the local hour, with 24 added to the side whose calendar day is later
// when the two days of the month differ.
int hour_difference(const systemtime_ex& utc, const std::tm& local) {
    int utc_hour = utc.hour;
    int local_hour = local.tm_hour;
    if (utc.day != local.tm_mday) {
        const int local_year = local.tm_year + 1900;
        const int local_month = local.tm_mon + 1;
        const bool local_later = local_year != utc.year     ? local_year > utc.year
                                 : local_month != utc.month ? local_month > utc.month
                                                            : local.tm_mday > utc.day;
        if (local_later) {
            local_hour += hours_per_day;
        } else {
            utc_hour += hours_per_day;
        }
    }
    return utc_hour - local_hour;
}

}  // namespace

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
    if (!moment.is_valid) {
        return 0;
    }
    // A valid moment lies far inside the FILETIME range: a day's shift cannot overflow.
    return moment.filetime + static_cast<int64>(hour_difference(moment.utc, moment.local)) *
                                 seconds_per_hour * time_epoch::ticks_per_second;
}

int32 local_tm_utc_difference(bool& dst, const std::tm& fields) {
    dst = false;
    std::tm copy = fields;
    const std::time_t seconds = std::mktime(&copy);
    std::tm local{};
    if (!unix_to_local_tm(seconds, local)) {
        return 0;
    }
    const time moment(static_cast<int64>(seconds), tt_unix);
    return hour_difference(moment.utc, local) * seconds_per_hour;
}

}  // namespace kq
