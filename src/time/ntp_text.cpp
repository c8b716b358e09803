#include "time/ntp_text.h"

#include <iomanip>
#include <string>

#include "time/kq_time.h"

namespace kq {

namespace {

constexpr int word_digits = 8;
constexpr double short_fraction_unit = 65536.0;

// " : [date time UTC]" of the stamp's moment, keeping the digits below one tick; empty when
// the stamp names no valid moment (every stamp before 1970 among them).
std::string moment_suffix(const ntp_time& stamp) {
    int64 filetime = 0;
    int64 seconds_filetime = 0;
    double fraction_ticks = 0.0;
    if (!ntp_to_filetime(stamp, filetime, seconds_filetime, fraction_ticks)) {
        return {};
    }
    const time moment(static_cast<uint64>(seconds_filetime), fraction_ticks);
    std::string date;
    std::string clock;
    time::to_strings(date, clock, moment, true, false, false, true);
    if (date.empty()) {
        return {};
    }
    return " : [" + date + " " + clock + " UTC]";
}

}  // namespace

std::ostream& print_ntp_time(std::ostream& out, const ntp_time& stamp) {
    const ntp_time host = ntp_to_host(stamp);
    const std::ios_base::fmtflags flags = out.flags();
    const char fill = out.fill('0');
    out << std::hex << std::right << std::setw(word_digits) << host.seconds << '.'
        << std::setw(word_digits) << host.fraction;
    out.flags(flags);
    out.fill(fill);
    return out << std::hex << moment_suffix(stamp);
}

std::ostream& operator<<(std::ostream& out, const ntp_time& stamp) {
    return print_ntp_time(out, stamp);
}

std::ostream& print_ntp_short_parts(std::ostream& out, const ntp_short& value) {
    return out << std::dec << static_cast<unsigned>(value.seconds) << " : "
               << static_cast<unsigned>(value.fraction);
}

std::ostream& print_ntp_short_seconds(std::ostream& out, const ntp_short& value) {
    const double seconds = static_cast<double>(value.seconds) +
                           static_cast<double>(value.fraction) / short_fraction_unit;
    return out << seconds << " secs";
}

std::ostream& operator<<(std::ostream& out, const ntp_short& value) {
    return print_ntp_short_seconds(out, value);
}

}  // namespace kq
