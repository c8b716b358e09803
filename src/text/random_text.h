#pragma once
// Random numbers and random texts for temporary names, lock tokens and test data. The
// source is the runtime's rand(), seeded once per process from the microseconds of the
// clock at the first draw; it is not for anything that must be unpredictable.

#include <string>

#include "text/kq_types.h"

// A value from low to high inclusive. Only the low 8 bits of each bound count, and the
// bounds are swapped when high is below low.
[[nodiscard]] uint8 random_in_range(int low, int high);
// Four random bytes, the first the most significant.
[[nodiscard]] uint32 random_uint32();
// n characters from '!' to '~'.
[[nodiscard]] std::string random_printable_text(int n);
// n digits and ASCII letters.
[[nodiscard]] std::string random_alnum_text(int n);
// A first digit from 1 to 9, then n - 1 digits (one digit for an n of 0 or 1).
[[nodiscard]] std::string random_digit_text(int n);
