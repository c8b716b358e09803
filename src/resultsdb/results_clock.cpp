#include "resultsdb/results_clock.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "time/kq_time.h"

namespace {

// Process-wide on purpose: keys must differ across every writer of the process, and the
// queued log may hand them out from another thread.
std::mutex clock_lock;            // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
std::optional<int64> fixed_time;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
int64 last_key = 0;               // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

int64 read_clock() {
    if (fixed_time.has_value()) {
        return *fixed_time;
    }
    return kq::time::now().filetime;
}

}  // namespace

namespace results_clock {

int64 now() {
    const std::lock_guard<std::mutex> hold(clock_lock);
    return read_clock();
}

void fix(int64 value) {
    const std::lock_guard<std::mutex> hold(clock_lock);
    fixed_time = value;
}

void release() {
    const std::lock_guard<std::mutex> hold(clock_lock);
    fixed_time.reset();
}

int64 next_run_key() {
    const std::lock_guard<std::mutex> hold(clock_lock);
    last_key = std::max(read_clock(), last_key + 1);
    return last_key;
}

}  // namespace results_clock
