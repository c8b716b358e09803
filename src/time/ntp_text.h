#pragma once
// NTP stamps and 16.16 NTP short values as text.

#include <ostream>

#include "text/kq_types.h"
#include "time/ntp_time.h"

namespace kq {

// The 16.16 form of round-trip delays and dispersions: whole seconds and a fraction in units
// of 1/65536 second, both in host order.
struct ntp_short {
    uint16 seconds = 0;
    uint16 fraction = 0;
};

// "ssssssss.ffffffff" (host-order words in hexadecimal), then " : [yyyy-mm-dd hh:mm:ss.
// nnnnnnnnn UTC]" when the stamp names a valid moment. Leaves the stream in hexadecimal.
std::ostream& print_ntp_time(std::ostream& out, const ntp_time& stamp);
std::ostream& operator<<(std::ostream& out, const ntp_time& stamp);

// "seconds : fraction" in decimal.
std::ostream& print_ntp_short_parts(std::ostream& out, const ntp_short& value);
// The value in seconds as a double under the stream's settings, then " secs".
std::ostream& print_ntp_short_seconds(std::ostream& out, const ntp_short& value);
std::ostream& operator<<(std::ostream& out, const ntp_short& value);

}  // namespace kq
