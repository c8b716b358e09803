#include "text/extras/percent_done_line.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

namespace {

struct percent_state {
    uint64 next_threshold = 0;
    uint64 step = 0;
};

percent_state& state() {
    static percent_state shared;
    return shared;
}

// Clears the terminal line, returns to column 0, blanks the first columns for terminals
// that ignore the clear sequence, and returns again.
constexpr char line_reset[] = "\033[2K\r    \r";

uint32 percent_of(uint64 position, uint64 total) {
    const double percent = static_cast<double>(position) / static_cast<double>(total) * 100.0;
    // A position far above the total must not overflow the conversion.
    constexpr auto ceiling = static_cast<double>(std::numeric_limits<uint32>::max());
    return static_cast<uint32>(std::min(percent, ceiling));
}

}  // namespace

uint32 print_percent_done(uint32 max_width, uint64 position, uint64 total, uint32 step_percent) {
    if (total == 0) {
        return 0;
    }
    percent_state& shared = state();
    if (shared.next_threshold == 0) {
        const double step = static_cast<double>(step_percent) / 100.0 * static_cast<double>(total);
        constexpr auto ceiling = static_cast<double>(std::numeric_limits<uint64>::max());
        // A step that rounds to 0 would print on every call.
        shared.step = std::max<uint64>(1, static_cast<uint64>(std::min(step, ceiling)));
        shared.next_threshold = shared.step;
    }
    if (position < shared.next_threshold) {
        return 0;
    }
    shared.next_threshold += shared.step;
    std::string message = "percent done: " + std::to_string(percent_of(position, total));
    if (message.size() > max_width) {
        message.resize(max_width);
    }
    std::fputs(line_reset, stderr);
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fputc('\r', stderr);
    std::fflush(stderr);
    return static_cast<uint32>(message.size());
}

void reset_percent_done_for_tests() { state() = percent_state{}; }
