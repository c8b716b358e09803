#pragma once
// Making and trimming byte arrays without exceptions: a zero-filled array of a given size
// and an array with every byte of one value taken out (padding, separators).

#include "text/kq_types.h"

// count zero bytes; an empty array when that much memory cannot be had. (An empty array
// and a copy are byte_array's own default and copy constructions.)
[[nodiscard]] byte_array zeroed_byte_array(uint32 count);

// Drops every byte equal to value, keeping the others in order; returns how many were
// dropped. A value outside 0 to 255 matches no byte.
int byte_array_remove_value(byte_array& bytes, int value);
