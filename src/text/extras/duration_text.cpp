#include "text/extras/duration_text.h"

#include <array>
#include <sstream>

#include "text/text_snippets.h"

namespace {

constexpr uint32 unset_seconds = 0xFFFFFFFF;

struct duration_unit {
    uint32 seconds;  // length of one unit
    uint32 modulus;  // how many of the unit make the next larger one; 0: no larger unit
    const char* word;
};

constexpr std::array<duration_unit, 4> duration_units{{
    {86400, 0, " day"},
    {3600, 24, " hour"},
    {60, 60, " min"},
    {1, 60, " sec"},
}};

}  // namespace

std::string seconds_to_text(uint32 seconds) {
    if (seconds == 0 || seconds == unset_seconds) {
        return std::string();
    }
    std::ostringstream out;
    for (const duration_unit& unit : duration_units) {
        uint32 count = seconds / unit.seconds;
        if (unit.modulus != 0) {
            count %= unit.modulus;
        }
        if (count == 0) {
            continue;
        }
        out << count << unit.word << (count > 1 ? "s" : "") << ' ';
    }
    // Every part ends with a blank; the last one is taken back off. A fresh string stream
    // cannot refuse this.
    (void)ostream_erase_tail(out, 1, true);
    return out.str();
}
