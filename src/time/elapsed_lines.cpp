#include "time/elapsed_lines.h"

#include <sstream>

// Upward include: the profile line goes through the options' diagnostics writer, which the
// command-line layer owns.
#include "cmdline/cmd_params.h"
#include "time/ntp_clock.h"

namespace kq {

namespace {

bool is_zero(const ntp_time& stamp) { return stamp.seconds == 0 && stamp.fraction == 0; }

}  // namespace

void print_elapsed(const ntp_time& start, std::ostream& out) {
    if (is_zero(start)) {
        return;
    }
    out << ntp_seconds_between(start, ntp_now()) << " secs " << std::endl;
}

int print_profile(const ntp_time& start, const cmd_params& options, const std::string& name) {
    if (is_zero(start)) {
        return 0;
    }
    if (options.m_diag_on) {
        std::ostringstream text;
        if (!name.empty()) {
            text << "[" << name << "] ";
        }
        text << "Profile: " << ntp_seconds_between(start, ntp_now()) << " secs";
        options.diag_stream(text);
    }
    return 1;
}

}  // namespace kq
