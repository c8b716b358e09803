#pragma once
// Local time by explicit zone rules rather than by the offset that holds now: a base offset
// plus one of two further offsets, chosen by whether the moment lies between two yearly
// transitions. Each transition is a 16-byte rule of eight little-endian words, the shape of
// a daylight-saving rule: [0] unused, [1] month (1 to 12), [2] week (the n-th Sunday; 0 is
// the first, a week past the last Sunday is the last, so 5 means "last"), [3] hour, [4]
// minute, [5] second, [6] millisecond, [7] day of week (carried, not used). A rule is read
// in UTC, in the UTC year of the moment it is applied to.

#include <ostream>

#include "text/kq_types.h"

// Common options record (command-line layer); the printer reads its date and time format
// fields, so only a declaration is needed here.
class cmd_params;

namespace kq {

struct zone_rules {
    byte_array first_rule;     // opens the inside period
    byte_array second_rule;    // closes it
    int64 base_offset = 0;     // seconds always added to UTC
    int64 inside_offset = 0;   // seconds added as well from the first transition to the second
    int64 outside_offset = 0;  // seconds added as well at all other times
};

// FILETIMEs of both transitions in the UTC year of moment (of the current time when moment
// is 0). False, both 0, for a rule that is not 16 bytes, a month outside 1 to 12, a time of
// day outside the day, or a moment (or transition) without a FILETIME breakdown.
[[nodiscard]] bool get_zone_transitions(int64& first, int64& second, const byte_array& first_rule,
                                        const byte_array& second_rule, int64 moment);

// Rule-based local FILETIME of utc: inside from the first transition up to (not including)
// the second; a first transition after the second leaves every moment outside. 0 for 0, on
// failure and when the shift leaves the FILETIME range.
[[nodiscard]] int64 utc_to_local_by_rules(int64 utc, const zone_rules& zone);
// The inverse: local moments are compared with the transitions shifted to local time.
[[nodiscard]] int64 local_to_utc_by_rules(int64 local, const zone_rules& zone);

// One transition of moment's year (the current year for 0); 0 on failure.
[[nodiscard]] int64 first_transition(const zone_rules& zone, int64 moment);
[[nodiscard]] int64 second_transition(const zone_rules& zone, int64 moment);

// Writes the first (second) transition of moment's year as date, blank, time in the options' date
// format without a fraction of the second (an uncompiled format is compiled from the
// options' templates in a copy); nothing when the rule fails.
std::ostream& print_first_transition(const zone_rules& zone, std::ostream& out,
                                     const cmd_params& options, int64 moment);
std::ostream& print_second_transition(const zone_rules& zone, std::ostream& out,
                                      const cmd_params& options, int64 moment);

}  // namespace kq
