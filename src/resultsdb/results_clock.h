#pragma once
// The clock of the results database: the FILETIME count stored as a run key and as the time
// of a register write. Tests fix it so that stored times and keys can be checked exactly.
//
// Run keys identify runs in the metadata table, so two runs of one process must never get
// the same key, even when the clock has not moved (it ticks in microseconds, a run can be
// shorter) or has been set back.

#include "text/kq_types.h"

namespace results_clock {

// The current time as a FILETIME count, or the fixed value while one is set.
[[nodiscard]] int64 now();
// Every now() returns value until release().
void fix(int64 value);
void release();

// A new run key: now(), raised to one above the last key this process handed out.
[[nodiscard]] int64 next_run_key();

}  // namespace results_clock
