#include "time/ntp_clock_seconds.h"

#include <ctime>

#include "time/time_arith.h"
#include "time/time_epochs.h"

namespace kq {

ntp_time ntp_now_from_time() {
    const std::time_t seconds = std::time(nullptr);
    int64 filetime = 0;
    ntp_time stamp;
    if (seconds == static_cast<std::time_t>(-1) ||
        !time_arith::mul_add(static_cast<int64>(seconds), time_epoch::ticks_per_second,
                             time_epoch::unix_ticks, filetime) ||
        !filetime_to_ntp(filetime, stamp)) {
        return {};
    }
    return stamp;
}

}  // namespace kq
