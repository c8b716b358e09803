#pragma once
// Elapsed-time lines measured from an NTP stamp: to a stream, and as a "Profile:" item of the
// diagnostics file.

#include <ostream>
#include <string>

#include "time/ntp_time.h"

// The common options record (command-line layer): its diagnostics writer receives the
// profile line, so only a declaration is needed here.
class cmd_params;

namespace kq {

// "<seconds> secs " and a line end; nothing for the zero stamp (no start was taken).
void print_elapsed(const ntp_time& start, std::ostream& out);
// "->[name] Profile: <seconds> secs" in the diagnostics file when diagnostics are on (the
// bracketed name only when given). Non-zero exactly when start is not the zero stamp.
int print_profile(const ntp_time& start, const cmd_params& options, const std::string& name);

}  // namespace kq
