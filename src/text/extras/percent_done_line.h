#pragma once
// A self-erasing "percent done: N" line on standard error that prints only each time the
// position passes the next step, so a long loop may call it on every item.

#include "text/kq_types.h"

// The first call of the process sets the step to step_percent of total (at least 1) and the
// next threshold to one step; later calls keep both, also across separate series of
// progress, as the process has one such line. Below the threshold nothing is written and
// the result is 0; otherwise the threshold moves on by a step and ESC "[2K\r    \r", the
// message cut to max_width and "\r" are written. Returns the length of the written message.
// A total of 0 writes nothing and returns 0.
uint32 print_percent_done(uint32 max_width, uint64 position, uint64 total, uint32 step_percent);

// Back to the state at start; only tests need a fresh series.
void reset_percent_done_for_tests();
