#pragma once
// Cutting a counted byte buffer into texts: at a two-byte separator, or into the lines that
// begin with a keyword. Neither reads past the length given.

#include <string>
#include <vector>

#include "text/kq_types.h"

// APPENDS the non-empty texts between occurrences of the separator, whose low byte comes
// first in the buffer (0x0A0D is CR LF), each trimmed when trim is set. Returns the number
// of bytes walked: the length, or 0 for null data or a length below 1.
int32 split_at_pair(const uint8* data, int32 length, uint16 separator,
                    std::vector<std::string>& list, bool trim);

// APPENDS the lines of the first length - 1 bytes (the last byte is taken to be a NUL) that
// begin with keyword, letter case ignored; without all only the first. Lines end at "\r\n"
// when the text holds one or holds no "\n" at all, else at "\n"; a text without a line end
// yields nothing. True when a line was appended.
[[nodiscard]] bool lines_with_keyword(const char* data, int32 length, const char* keyword,
                                      std::vector<std::string>& list, bool all);
