#include "time/ntp_clock.h"

#include <sys/time.h>

#include "time/kq_time.h"

namespace kq {

ntp_time ntp_now() {
    timeval clock{};
    (void)gettimeofday(&clock, nullptr);
    const time now(static_cast<int64>(clock.tv_sec), tt_unix);
    ntp_time stamp;
    if (!now.is_valid || !filetime_to_ntp(now.filetime, stamp)) {
        return {};
    }
    return stamp;
}

ntp_time get_ntp_now(uint64& out) {
    const ntp_time stamp = ntp_now();
    const ntp_time host = ntp_to_host(stamp);
    out = (static_cast<uint64>(host.seconds) << 32) | host.fraction;
    return stamp;
}

}  // namespace kq
