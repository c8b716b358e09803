#pragma once
// Short text forms for looking at decoded records by hand: a token naming a value's kind and
// size, and the printable part of raw bytes or text.

#include <ostream>
#include <string>

#include "text/kq_types.h"

// "null:000", "real:008", "cst0:000", "cst1:000", or "time:", "valu:", "strg:", "blob:",
// "unkn:" followed by the size in three zero-filled digits. Leaves the stream filling with
// blanks and aligned left.
void write_value_code_token(std::ostream& out, uint32 code, uint32 size);

// The printable bytes (0x20 to 0x7E) among the first count bytes; when there are none, those
// bytes as lower-case hex pairs each followed by a blank. Leaves the stream in decimal.
void write_printable_or_hex(std::ostream& out, const byte_array& bytes, std::size_t count);

// The first count characters of text less those below 0x20 and 0x7F.
void write_printable_chars(std::ostream& out, const std::string& text, std::size_t count);
