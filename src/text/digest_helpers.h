#pragma once
// Small helpers kept with the digests: Paul Hsieh's SuperFastHash, a 32-bit rotation, a
// comparison of a tick count with minutes, a major.minor version comparison and the
// time-stamped prefix of a log line.

#include <cstddef>
#include <iosfwd>
#include <string>

#include "text/kq_types.h"

// SuperFastHash as published; a null pointer or a length of 0 returns the length.
[[nodiscard]] uint32 super_fast_hash(const void* data, uint32 length);
// The value rotated left by n modulo 32.
[[nodiscard]] uint32 rotate_left32(uint32 value, uint32 n);
// With m the minutes in 100-nanosecond ticks: -1 when ticks > m, 1 when ticks < m, 0 equal.
[[nodiscard]] int compare_ticks_to_minutes(uint64 ticks, uint32 minutes);

// "major.minor" (after the first blank when the text holds one) as major << 8 | minor, each
// capped at 255; 0 for an empty text or one without a '.'.
[[nodiscard]] uint16 version_text_to_code(const std::string& text);
// 0 when both are equal or either gives no code, 1 when the first is lower, 2 when higher.
[[nodiscard]] int compare_version_texts(const std::string& first, const std::string& second);

// "[" + the current UTC date and time with milliseconds + " UTC] : " + the path's file name
// (the whole text when it cannot be split) + " ", no line end. Nothing for a null path.
void write_utc_log_prefix(std::ostream& out, const char* path);
