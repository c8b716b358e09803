#pragma once
// Two small questions put to the platform's local clock.

#include <ctime>

#include "text/kq_types.h"

namespace kq {

// The local year of the current time; 0 when the platform cannot break it down.
[[nodiscard]] int32 current_local_year();
// out = the platform's mktime of a copy of fields (the caller's record is not normalised);
// true only when out is above 0, so mktime's failure value -1, the epoch itself and moments
// before it are all false.
[[nodiscard]] bool mktime_positive(const std::tm& fields, int64& out);

}  // namespace kq
