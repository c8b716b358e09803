#pragma once
// Reads one logical line at a time out of a buffer of UTF-16 units (machine byte order),
// as text files and registry multi-line values hold them, optionally joining lines that end
// in a backslash.

#include <cstdint>
#include <string>

#include "text/kq_types.h"

// The line at position, in UTF-8 (each unit widened alone). A CR ends it and takes a directly
// following LF with it; an LF ends it. With continuation, a backslash directly before a CR or
// LF is dropped and the line goes on after the break. Only the remaining units are read.
// When a break was met (continued or not) position and remaining move past what was read;
// when the units ran out first they stay, so an unfinished last line stays in the buffer.
[[nodiscard]] std::string read_utf16_line(const uint16_t*& position, int32& remaining,
                                          bool continuation);
