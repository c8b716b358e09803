#pragma once
// Text buffers of unknown width turned into wide lines, wide text into UTF-16 units, and a
// UTF-16 path split into folder and name.

#include <cstdint>
#include <string>
#include <vector>

#include "text/kq_types.h"

// The lines of a buffer of 8-bit text (neither of the first two bytes 0, nor of the next two
// when there are four or more) or else of UTF-16LE text. Wide text is read as count / 2
// units (an odd last byte ignored), its line ending taken from the units of its first 1024
// bytes: CR LF and LF split at LF, CR at CR, LF CR at CR with each LF made a blank; mixed or
// no line ends give false. Lines are trimmed; empty ones are dropped. The list is emptied;
// false for null data, fewer than 2 bytes, or no line.
[[nodiscard]] bool bytes_to_wide_lines(const uint8* data, uint32 count,
                                       std::vector<std::wstring>& list);

// units is emptied and receives the text, one unit per character, LF written as CR LF, no
// final 0 unit. The first unit, or null for an empty text.
uint16_t* wide_to_utf16_units(std::vector<uint16_t>& units, const std::wstring& text);

// The units up to their 0 unit (at most 500 are read) split at the last '\' (else '/') into
// directory and name. False for a null pointer or an empty path.
[[nodiscard]] bool split_utf16_path(const uint16_t* units, std::wstring& directory,
                                    std::wstring& name);
