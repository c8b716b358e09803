#pragma once
// Random texts for temporary names and tokens: lower-case hexadecimal digits or upper-case
// letters. Drawn with random_in_range, so they are not for anything that must be
// unpredictable.

#include <string>

// count characters from 0-9 and a-f; "" for a count of 0 or less.
[[nodiscard]] std::string random_hex_text(int count);
// count characters from A-Z; "" for a count of 0 or less.
[[nodiscard]] std::string random_upper_text(int count);
